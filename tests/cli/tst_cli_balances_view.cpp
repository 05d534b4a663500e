// vorbek-cli balances view, run as the real program on real books: the rows
// and columns of a grouped, a flat and a counterparty list, the stale books
// rebalanced first, and the refusals.
#include <QtTest>

#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliBalancesView : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    RunCliOk({"account", "add", folder_, "--kind", "extgroup", "--name", "Banks"});  // #2
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current", "--group", "2",
              "--opening", "100.00"});                                                  // #3
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});  // #4
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food"});      // #5
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Idle"});      // #6
    RunCliOk({"rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"});
    // The payment marks the summaries stale: the view rebalances first.
    RunCliOk({"txn", "add", folder_, "--type", "P", "--date", "2024-03-10", "--amount", "1234.56",
              "--ext", "3", "--cpty", "4", "--int", "5"});
  }
  void cleanup() { books_.reset(); }

  void lists_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("csv");
    QTest::newRow("external, top level")
        << QStringList{"--kind", "external"}
        << "id,account_name,type,wng,reconciled,db_b_fd,pre_period,period_b_fd,payments,"
           "receipts,transfers,net,balance,status_in_period,last_posted\n"
           "2,Banks,GROUP,,,100.00,0.00,100.00,-1234.56,0.00,0.00,-1234.56,-1134.56,,2024-03-10\n";
    QTest::newRow("external, flat, all")
        << QStringList{"--kind", "external", "--flat", "--filter", "all"}
        << "id,group,account_name,type,wng,reconciled,db_b_fd,pre_period,period_b_fd,payments,"
           "receipts,transfers,net,balance,status_in_period,last_posted\n"
           "6,,Idle,,,,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,,\n"
           "3,Banks :,Current,,,,100.00,0.00,100.00,-1234.56,0.00,0.00,-1234.56,-1134.56,,"
           "2024-03-10\n";
    QTest::newRow("counterparties: movements only")
        << QStringList{"--kind", "counterparty"}
        << "id,account_name,type,payments,receipts,net,status_in_period,last_posted\n"
           "4,Shop,,1234.56,0.00,1234.56,,2024-03-10\n";
    QTest::newRow("internal, washed category")
        << QStringList{"--kind", "internal", "--filter", "active"}
        << "id,account_name,type,wng,reconciled,db_b_fd,pre_period,period_b_fd,payments,"
           "receipts,transfers,net,balance,status_in_period,last_posted\n"
           "5,Food,ctgy,,,,,,-1234.56,0.00,0.00,-1234.56,-1234.56,,2024-03-10\n";
  }
  void lists() {
    QFETCH(QStringList, args);
    QFETCH(QString, csv);
    QCOMPARE(RunCliOk(QStringList{"--csv", "balances", "view", folder_} + args).out, csv);
  }

  void textAndGroup() {
    const CliRun r = RunCliOk({"balances", "view", folder_, "--kind", "external", "--group", "2"});
    const QStringList lines = r.out.split('\n');
    QCOMPARE(lines.first(), QStringLiteral("External Account balances/movements in currency GBP  "
                                           "Period 2024-01-01 to 2024-12-31  Group Banks :"));
    QVERIFY2(lines.at(2).startsWith("3   Current"), qPrintable(r.out));
    QCOMPARE(lines.at(3), QStringLiteral("1 items  Period b/fd +100.00  Payments -1,234.56  "
                                         "Receipts 0.00  Transfers 0.00  Net -1,234.56  "
                                         "Balance -1,134.56"));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("error");
    QTest::newRow("kind") << QStringList{"--kind", "pot"} << 2
                          << "--kind needs external, internal or counterparty, not \"pot\"";
    QTest::newRow("filter") << QStringList{"--kind", "external", "--filter", "dormant"} << 2
                            << "--filter needs active, recent, available or all, not \"dormant\"";
    QTest::newRow("group and flat") << QStringList{"--kind", "external", "--group", "2", "--flat"}
                                    << 2 << "--group and --flat exclude each other";
    QTest::newRow("not a group") << QStringList{"--kind", "external", "--group", "3"} << 1
                                 << "#3 is not a group of external accounts";
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, error);
    const CliRun r = RunCli(QStringList{"balances", "view", folder_} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains("vorbek-cli: " + error), qPrintable(r.err));
  }
};

QTEST_GUILESS_MAIN(TstCliBalancesView)
#include "tst_cli_balances_view.moc"
