// vorbek-cli monthly, run as the real program on real books: a payment and a
// receipt on a category inside nested groups give month and rolling-year rows
// for the category and both groups, and none for the bank or the shop.
#include <QtTest>
#include <memory>

#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliMonthly : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);  // GBP books, default pot #1
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
  }
  void cleanup() { books_.reset(); }

  void rebuildAndList() {
    RunCliOk({"account", "add", folder_, "--kind", "intgroup", "--name", "Living"});                 // #2
    RunCliOk({"account", "add", folder_, "--kind", "intgroup", "--name", "Table", "--group", "2"});  // #3
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food", "--group", "3"});   // #4
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current"});                // #5
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});               // #6
    RunCliOk({"hierarchy", "rebuild", folder_});
    RunCliOk({"txn", "add", folder_, "--type", "P", "--date", "2024-01-15", "--amount", "50.00", "--ext",
        "5", "--cpty", "6", "--int", "4"});
    RunCliOk({"txn", "add", folder_, "--type", "R", "--date", "2024-03-10", "--amount", "20.00", "--ext",
        "5", "--cpty", "6", "--int", "4"});

    const QStringList lines = RunCliOk({"--csv", "monthly", folder_}).out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QString("id,name,kind,month,total"));
    QStringList food{"M,202401,-50.00", "M,202403,20.00", "Y,202401,-50.00", "Y,202402,-50.00"};
    for (int m = 202403; m <= 202412; ++m) food << "Y," + QString::number(m) + ",-30.00";
    food << "Y,202501,20.00"
         << "Y,202502,20.00";
    QStringList expected{lines.first()};
    for (const auto& [id, name] : {std::pair{"2", "Living"}, {"3", "Table"}, {"4", "Food"}})
      for (const QString& row : food) expected << QString(id) + "," + name + "," + row;
    QCOMPARE(lines, expected);
    QCOMPARE(JsonRecords(RunCliOk({"--json", "monthly", folder_}).out),
             CsvRecords(RunCliOk({"--csv", "monthly", folder_}).out));

    // The plain table has the same rows, aligned.
    const QStringList plain = RunCliOk({"monthly", folder_}).out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(plain.size(), expected.size());
    QVERIFY2(plain.at(1).simplified() == "2 Living M 202401 -50.00", qPrintable(plain.at(1)));
  }

  void usage() {
    const CliRun r = RunCli({"monthly"});
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains("usage: vorbek-cli monthly DIR [--csv]"), qPrintable(r.err));
  }
};

QTEST_GUILESS_MAIN(TstCliMonthly)
#include "tst_cli_monthly.moc"
