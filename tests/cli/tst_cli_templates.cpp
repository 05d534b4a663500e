// vorbek-cli template list, run as the real program on real books: the
// templates by name, as the templates window lists them, in both faces.
#include <QtTest>
#include <memory>

#include "store/db.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliTemplates : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }

  void list() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (7, ?)", {"Rent, \"flat\""}));
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (3, ?)", {"O'Brien"}));
    QVERIFY(CommitIfActive());
    CloseDatabase(false);

    const CliRun csv = RunCliOk({"template", "list", books.folder(), "--csv"});
    const auto records = CsvRecords(csv.out);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0].value("template_name"), QString("O'Brien"));
    QCOMPARE(records[0].value("txn"), QString("3"));
    QCOMPARE(records[1].value("template_name"), QString("Rent, \"flat\""));
    QCOMPARE(records[1].value("txn"), QString("7"));
    QCOMPARE(JsonRecords(RunCliOk({"--json", "template", "list", books.folder()}).out), records);

    const CliRun text = RunCliOk({"template", "list", books.folder()});
    QCOMPARE(text.out, QString("Template name  Txn\nO'Brien        3\nRent, \"flat\"   7\n"));
    QCOMPARE(RunCli({"template", "list"}).code, 2);
  }
};

QTEST_MAIN(TstCliTemplates)
#include "tst_cli_templates.moc"
