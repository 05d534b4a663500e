// vorbek-cli rebalance, balances and statement, run as the real program on
// real books (base GBP, the wash on, default pot #1).
#include <QSqlQuery>
#include <QtTest>

#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliBalances : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  void pay(const QString& type, const QString& date, const QString& amount,
           const QStringList& more = {}) {
    RunCliOk(QStringList{"txn", "add", folder_, "--type", type, "--date", date, "--amount", amount,
                         "--ext", "2", "--cpty", "3", "--int", "5"} +
             more);
  }

  // Current #2 and Food #5 (in the group Spending #4) open at 100.00; payments
  // to Shop #3 before and in 2024, two of them on one date, and a receipt.
  void addBooks() {
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current", "--opening",
              "100.00"});                                                               // #2
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});  // #3
    RunCliOk({"account", "add", folder_, "--kind", "intgroup", "--name", "Spending"});  // #4
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food", "--group",
              "4",  // #5
              "--opening", "100.00"});
    pay("P", "2023-11-15", "40.00");
    pay("P", "2024-03-10", "25.00");
    pay("P", "2024-03-10", "5.00");
    pay("R", "2024-04-01", "10.00");
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
  }
  void cleanup() { books_.reset(); }

  void rebalanceAndBalances() {
    addBooks();
    QCOMPARE(RunCliOk({"rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"}).out,
             QString("Rebalanced 2024-01-01 to 2024-12-31: 5 summary rows\n"));
    const CliRun all = RunCliOk({"--csv", "balances", folder_});
    // The wash puts Food's opening balance and earlier payment into the default pot.
    QCOMPARE(all.out, QString("id,name,path,kind,ccy,a_v,b_fd,pre_period,payments,receipts,"
                              "transfers,c_fd\n"
                              "2,Current,,external,GBP,A,100.00,-40.00,-30.00,10.00,0.00,40.00\n"
                              "5,Food,Spending :,category,GBP,A,0.00,0.00,-30.00,10.00,0.00,"
                              "-20.00\n"
                              "3,Shop,,counterparty,GBP,A,0.00,0.00,30.00,-10.00,0.00,20.00\n"
                              "1,Default pot,,pot,GBP,A,100.00,-40.00,0.00,0.00,0.00,60.00\n"
                              "4,Spending,,intgroup,GBP,A,0.00,0.00,-30.00,10.00,0.00,-20.00\n"));
    QCOMPARE(RunCliOk({"--csv", "balances", folder_, "--kind", "category", "--ccy", "gbp"}).out,
             QString("id,name,path,kind,ccy,a_v,b_fd,pre_period,payments,receipts,transfers,"
                     "c_fd\n5,Food,Spending :,category,GBP,A,0.00,0.00,-30.00,10.00,0.00,"
                     "-20.00\n"));
    const QString text = RunCliOk({"balances", folder_, "--kind", "pot"}).out;
    QVERIFY2(text.startsWith("Period 2024-01-01 to 2024-12-31\nId  Name"), qPrintable(text));
    QVERIFY(text.contains("60.00\n"));

    // A new payment makes the summaries stale: balances rebuilds them first.
    pay("P", "2024-05-01", "1,000.00");
    const QString stale = RunCliOk({"--csv", "balances", folder_, "--kind", "external"}).out;
    QVERIFY2(stale.endsWith("2,Current,,external,GBP,A,100.00,-40.00,-1030.00,10.00,0.00,"
                            "-960.00\n"),
             qPrintable(stale));
    const auto records = CsvRecords(RunCliOk({"--csv", "balances", folder_}).out);
    QCOMPARE(records.size(), 5);
    QCOMPARE(JsonRecords(RunCliOk({"--json", "balances", folder_}).out), records);
  }

  void statement() {
    addBooks();
    const QString out = RunCliOk({"--csv", "statement", folder_, "2"}).out;
    QCOMPARE(out, QString("date,txn,type,amount,balance,first_of_date,balance_shown\n"
                          "2023-11-15,1,P,-40.00,60.00,1,1\n"
                          "2024-03-10,2,P,-25.00,35.00,1,0\n"
                          "2024-03-10,3,P,-5.00,30.00,0,1\n"
                          "2024-04-01,4,R,10.00,40.00,1,1\n"));
    QCOMPARE(JsonRecords(RunCliOk({"--json", "statement", folder_, "2"}).out), CsvRecords(out));
    // The category's balance under the wash moves only from the period start,
    // which the settings hold (From is the first of this year).
    RunCliOk({"rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"});
    QVERIFY(RunCliOk({"--csv", "statement", folder_, "5"})
                .out.endsWith("2023-11-15,1,P,-40.00,100.00,1,1\n"
                              "2024-03-10,2,P,-25.00,75.00,1,0\n"
                              "2024-03-10,3,P,-5.00,70.00,0,1\n"
                              "2024-04-01,4,R,10.00,80.00,1,1\n"));
    // The running balances were committed.
    QVERIFY(books_->open());
    QCOMPARE(QueryValue("select rngbal from pstg where objid = 2 and txnid = 3").toLongLong(),
             qint64(3000));
    CloseDatabase(false);
  }

  // Every verb that may rebalance prints the straddling transaction it speaks of.
  void straddleShown_data() {
    QTest::addColumn<QString>("verb");
    QTest::newRow("rebalance") << "rebalance";
    QTest::newRow("balances") << "balances";
  }
  void straddleShown() {
    QFETCH(QString, verb);
    addBooks();
    pay("P", "2024-03-30", "1.00", {"--pdate", "2024-04-02"});
    SetBooksIniKey(books_->iniPath(), "BalAt", "20240331");
    SetBooksIniKey(books_->iniPath(), "RebalNeeded", "1");
    const CliRun r = RunCli({verb, folder_});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Transaction #5 (displayed) straddles 2024-03-31 and a later date"),
             qPrintable(r.err));
    QCOMPARE(r.out, QString("Txn #5 Payment/Purchase 2024-03-30 posting date 2024-04-02 1.00 GBP "
                            "#2 Current / #3 Shop / #5 Food\n"));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");  // in stderr
    QTest::newRow("straddle") << QStringList{"rebalance",  "@",    "--from",
                                             "2024-01-01", "--to", "2024-03-31"}
                              << 1
                              << "Transaction #5 (displayed) straddles 2024-03-31 and a later "
                                 "date";
    QTest::newRow("from without to")
        << QStringList{"rebalance", "@", "--from", "2024-01-01"} << 2
        << "usage: vorbek-cli rebalance DIR [--from yyyy-mm-dd --to yyyy-mm-dd]";
    QTest::newRow("bad date") << QStringList{"rebalance",  "@",    "--from",
                                             "2024-02-30", "--to", "2024-12-31"}
                              << 2 << "--from needs a date yyyy-mm-dd, not \"2024-02-30\"";
    QTest::newRow("reversed period")
        << QStringList{"rebalance", "@", "--from", "2024-12-31", "--to", "2024-01-01"} << 2
        << "--from must not be after --to";
    QTest::newRow("unknown kind") << QStringList{"balances", "@", "--kind", "planet"} << 2
                                  << "unknown account kind \"planet\"";
    QTest::newRow("unknown account")
        << QStringList{"statement", "@", "99"} << 1 << "Account not found : #99";
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    if (code == 1) addBooks();  // the usage lines come before the books are opened
    // A payment posted on the last day of March, entered on the 30th.
    if (code == 1) pay("P", "2024-03-30", "1.00", {"--pdate", "2024-04-02"});
    if (code == 1) RunCliOk({"rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"});
    args.replaceInStrings(QRegularExpression("^@$"), folder_);
    const CliRun r = RunCli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (code == 1 && args.first() == "rebalance") {
      QVERIFY(r.err.contains("vorbek-cli: the rebalance did not complete"));
      // The period and the summaries stay as they were.
      QVERIFY(books_->open());
      QVERIFY(RebalanceNeeded() == false);
      QCOMPARE(Session().periodTo, 20241231);
      CloseDatabase(false);
    }
  }
};

QTEST_GUILESS_MAIN(TstCliBalances)
#include "tst_cli_balances.moc"
