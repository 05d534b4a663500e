// vorbek-cli statement's filters and --screen face, and reconcile check, run
// as the real program on real books (base GBP, period 2024).
#include <QtTest>

#include "store/db.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliStatement : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  void add(const QStringList& args) { RunCliOk(QStringList{"txn", "add", folder_} + args); }

  // Current #2 (opening 100.00), Shop #3, Food #4; a payment before 2024, two
  // on 2024-03-10 (one with a reference and a description full of quotes), a
  // reconciled balance #4 (right, 30.00), a receipt #5 and balance #6 (wrong, 99.00).
  void addBooks() {
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current", "--opening",
              "100.00"});
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food"});
    const QStringList pay{"--type", "P", "--ext", "2", "--cpty", "3", "--int", "4"};
    add(pay + QStringList{"--date", "2023-11-15", "--amount", "40.00"});
    add(pay + QStringList{"--date", "2024-03-10", "--amount", "25.00", "--ref", "r;1", "--desc",
                          "Tea, \"cakes\"\tand <b>"});
    add(pay + QStringList{"--date", "2024-03-10", "--amount", "5.00"});
    add({"--type", "Z", "--date", "2024-03-10", "--amount", "30.00", "--ext", "2"});
    add({"--type", "R", "--ext", "2", "--cpty", "3", "--int", "4", "--date", "2024-04-01",
         "--amount", "10.00"});
    add({"--type", "Z", "--date", "2024-04-01", "--amount", "99.00", "--ext", "2"});
    RunCliOk({"rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"});
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    addBooks();
  }
  void cleanup() { books_.reset(); }

  void screenCsvIsTheFileExport() {
    const QStringList lines =
        RunCliOk({"--csv", "statement", folder_, "2", "--screen"}).out.split('\n');
    QVERIFY2(lines[0].startsWith("VORBEK \"") &&
                 lines[0].endsWith("\"  Postings \"Current \"  From 2024-01-01  B/fd bal = 60.00"),
             qPrintable(lines[0]));
    QVERIFY(lines[1].startsWith("Exported at "));
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[3], QStringLiteral("\"Date\",\"Txn id\",\"Instance\",\"Type\",\"Channel, "
                                      "Ref\",\"Contra\",\" \",\"Pstg amt (+)\",\"Pstg amt "
                                      "(-)\",\"Running bal\",\"Reconciled\",\"Ctgy : "
                                      "Description\""));
    QCOMPARE(lines.mid(4),
             QStringList({"\"2024-01-01\",\"\",\"\",\"B/FD\",\"\",\"\",\"\",\"+60.00\",\"\","
                          "\"+60.00\",\"\",\"B/fd from prior period(s)\"",
                          "\"2024-03-10\",\"2\",\"\",\"Payt/Purch\",\"r;1\",\"Shop\",\"\",\"\","
                          "\"-25.00\",\"\",\"\",\"Tea, \"\"cakes\"\"\tand <b>\"",
                          "\"\",\"3\",\"\",\"Payt/Purch\",\"\",\"Shop\",\"\",\"\",\"-5.00\",\"\","
                          "\"\",\"\"",
                          "\"\",\"4\",\"\",\"ReconBal\",\"\",\"\",\"\",\"\",\"0.00\",\"+30.00\","
                          "\"BAL OK\",\"\"",
                          "\"2024-04-01\",\"5\",\"\",\"Rcpt/Sale\",\"\",\"Shop\",\"\",\"+10.00\","
                          "\"\",\"\",\"\",\"\"",
                          "\"\",\"6\",\"\",\"ReconBal\",\"\",\"\",\"\",\"\",\"0.00\",\"+40.00\","
                          "\"+99.00?\",\"\"",
                          ""}));
    // The same rows as a table for people and as JSON.
    const CliRun text = RunCliOk({"statement", folder_, "2", "--screen", "--when", "period"});
    QVERIFY2(text.out.contains("Period 2024-01-01 to 2024-12-31  B/fd bal = 60.00\nDate"),
             qPrintable(text.out));
    const auto json = JsonRecords(RunCliOk({"--json", "statement", folder_, "2", "--screen"}).out);
    QCOMPARE(json.size(), 6);
    QCOMPARE(json[5].value("reconciled"), QStringLiteral("+99.00?"));
  }

  void filters_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("txns");
    QTest::newRow("everything") << QStringList{} << QStringList{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("period-plus, marker first")
        << QStringList{"--when", "period-plus"} << QStringList{"0", "2", "3", "4", "5", "6"};
    QTest::newRow("receipts") << QStringList{"--type", "r"} << QStringList{"5"};
    QTest::newRow("default channel, payments")
        << QStringList{"--channel", "0", "--type", "P", "--when", "all"}
        << QStringList{"1", "2", "3"};
    QTest::newRow("no such channel") << QStringList{"--channel", "9"} << QStringList{};
  }
  void filters() {
    QFETCH(QStringList, options);
    QFETCH(QStringList, txns);
    // The marker (txn 0) exists once a statement has been shown.
    if (options.contains("period-plus")) RunCliOk({"statement", folder_, "2", "--screen"});
    QStringList got;
    for (const auto& r :
         CsvRecords(RunCliOk(QStringList{"--csv", "statement", folder_, "2"} + options).out))
      got << r.value("txn");
    QCOMPARE(got, txns);
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("when") << QStringList{"--when", "soon"}
                          << "--when needs all, period or period-plus, not \"soon\"";
    QTest::newRow("type") << QStringList{"--type", "Z"} << "--type needs P, R or C, not \"Z\"";
    QTest::newRow("channel") << QStringList{"--channel", "x"}
                             << "--channel needs a channel number, not \"x\"";
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const CliRun r = RunCli(QStringList{"statement", folder_, "2"} + args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains("vorbek-cli: " + error), qPrintable(r.err));
  }

  void reconcileCheck() {
    CliRun r = RunCli({"--csv", "reconcile", "check", folder_});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("account,name,txn,date,problem,stored,expected\n"
                                   "2,Current,6,2024-04-01,balance,99.00,40.00\n"));
    // Put right, the account agrees; a reconciled date out of step is reported.
    RunCliOk({"--yes", "txn", "delete", folder_, "6"});
    r = RunCli({"reconcile", "check", folder_, "2"});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith("Reconciliation agrees\n"), qPrintable(r.out));
    QVERIFY(books_->open());
    QVERIFY(ExecSql("update account set reconciled = '2024-05-01' where id = 2") &&
            CommitIfActive());
    CloseDatabase(false);
    r = RunCli({"--csv", "reconcile", "check", folder_, "2"});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("account,name,txn,date,problem,stored,expected\n"
                                   "2,Current,,2024-03-10,reconciled date,2024-05-01,"
                                   "2024-03-10\n"));
  }
};

QTEST_GUILESS_MAIN(TstCliStatement)
#include "tst_cli_statement.moc"
