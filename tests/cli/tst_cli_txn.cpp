// vorbek-cli txn, ccy and rate verbs, run as the real program on real books.
#include <QProcess>
#include <QtTest>

#include "store/db.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

using Run = CliRun;
Run cli(const QStringList& args) { return RunCli(args); }

}  // namespace

class TstCliTxn : public QObject {
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
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current"});   // #2
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});  // #3
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food"});      // #4
    QCOMPARE(RunCliOk({"ccy", "add", folder_, "eur", "--name", "Euro"}).out.trimmed(),
             QString("Added currency EUR"));
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Euro acc", "--ccy",
              "EUR"});  // #5
  }
  void cleanup() { books_.reset(); }

  void enterShowCancelDelete() {
    QCOMPARE(RunCliOk({"rate", "set", folder_, "EUR", "2024-05-10", "1.25"}).out.trimmed(),
             QString("Rate EUR 2024-05-10 1.25000"));
    QCOMPARE(RunCliOk({"txn", "add", folder_, "--type", "P", "--date", "2024-05-10", "--amount",
                       "10.00", "--ext", "5", "--cpty", "3", "--int", "4", "--ref", "O'Brien; --",
                       "--desc", "say \"hi\"; drop table txn"})
                 .out.trimmed(),
             QString("Added txn #1"));
    const QString shown = RunCliOk({"txn", "show", folder_, "1"}).out;
    QVERIFY2(shown.contains("Txn #1 Payment/Purchase\n"), qPrintable(shown));
    QVERIFY(shown.contains("Amount 10.00 EUR  value 8.00  rate 1.25000\n"));
    QVERIFY(shown.contains("Reference O'Brien; --\n"));
    QVERIFY(shown.contains("Description say \"hi\"; drop table txn\n"));
    QVERIFY(shown.contains("  5 Euro acc 2024-05-10 -10.00 EUR value -8.00 contra 3\n"));
    QVERIFY(shown.contains("  3 Shop 2024-05-10 10.00 EUR value 8.00 contra 5\n"));
    QVERIFY(shown.contains("  4 Food 2024-05-10 -8.00 GBP value -8.00 contra 3\n"));

    QCOMPARE(RunCliOk({"txn", "cancel", folder_, "1"}).out.trimmed(), QString("Cancelled txn #1"));
    const QString cancelled = RunCliOk({"txn", "show", folder_, "1"}).out;
    QVERIFY(cancelled.contains("Txn #1 Payment/Purchase (cancelled)"));
    QVERIFY(cancelled.contains("  4 Food 2024-05-10 0.00 GBP value 0.00 contra 3\n"));
    RunCliOk({"txn", "uncancel", folder_, "1"});
    QVERIFY(RunCliOk({"txn", "show", folder_, "1"}).out.contains("  4 Food 2024-05-10 -8.00 GBP"));

    // Deleting asks; without an answer the command fails and keeps the transaction.
    QVERIFY(cli({"txn", "delete", folder_, "1"}).code != 0);
    RunCliOk({"txn", "show", folder_, "1"});
    QCOMPARE(RunCliOk({"--yes", "txn", "delete", folder_, "1"}).out.trimmed(),
             QString("Deleted txn #1"));
    const Run gone = cli({"txn", "show", folder_, "1"});
    QCOMPARE(gone.code, 1);
    QVERIFY(gone.err.contains("txn not found 1"));
  }

  void otherTypes() {
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Savings"});  // #6
    RunCliOk({"txn", "add", folder_, "--type", "R", "--date", "2024-05-01", "--amount", "50",
              "--ext", "2", "--cpty", "3", "--int", "4"});
    RunCliOk({"txn", "add", folder_, "--type", "C", "--date", "2024-05-02", "--amount", "5",
              "--ext", "2", "--to", "6"});
    RunCliOk({"txn", "add", folder_, "--type", "Z", "--date", "2024-05-03", "--amount", "45.00",
              "--ext", "2"});
    QVERIFY(RunCliOk({"txn", "show", folder_, "1"}).out.contains("  3 Shop 2024-05-01 -50.00 GBP"));
    QVERIFY(
        RunCliOk({"txn", "show", folder_, "2"}).out.contains("  6 Savings 2024-05-02 5.00 GBP"));
    QVERIFY(RunCliOk({"txn", "show", folder_, "3"}).out.contains("Txn #3 Reconciled Balance"));
    // The reconciled balance guards the account: an earlier payment asks first.
    const Run r = cli({"--no", "txn", "add", folder_, "--type", "P", "--date", "2024-05-02",
                       "--amount", "1", "--ext", "2", "--cpty", "3", "--int", "4"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Reconciled balance for account \"Current\"will be altered!"),
             qPrintable(r.err));
  }

  // One entry writes its companions in one batch and prints every id.
  void companionsAndBatches() {
    RunCliOk({"ccy", "add", folder_, "usd"});
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Fuel"});  // #6
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Cash"});  // #7
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Dollars", "--ccy",
              "USD"});  // #8
    RunCliOk({"rate", "set", folder_, "USD", "2024-05-10", "1.25"});
    const QStringList pay{"txn",   "add", folder_,  "--type", "P",     "--date", "2024-05-10",
                          "--ext", "2",   "--cpty", "3",      "--int", "4"};
    QCOMPARE(RunCliOk(pay + QStringList{"--amount", "20.00", "--cashback", "7", "-5.00"}).out,
             QString("Added txn #1\nAdded txn #2\n"));
    QVERIFY(RunCliOk({"txn", "show", folder_, "2"}).out.contains("  7 Cash 2024-05-10 -5.00 GBP"));
    QCOMPARE(RunCliOk(pay + QStringList{"--amount", "100", "--split", "6", "70.00"}).out,
             QString("Added txn #3\nAdded txn #4\n"));
    const QString part = RunCliOk({"txn", "show", folder_, "4"}).out;
    QVERIFY2(part.contains("  6 Fuel 2024-05-10 -70.00 GBP") && part.contains("Batch 3\n"),
             qPrintable(part));
    QVERIFY(RunCliOk({"txn", "show", folder_, "3"}).out.contains("  4 Food 2024-05-10 -30.00 GBP"));
    QCOMPARE(RunCliOk(pay + QStringList{"--amount", "80.00", "--fx", "8", "100.00", "--commission",
                                        "2.50", "--fx-rate", "1.25"})
                 .out,
             QString("Added txn #5\nAdded txn #6\nAdded txn #7\n"));
    const QString leg = RunCliOk({"txn", "show", folder_, "7"}).out;
    QVERIFY2(leg.contains("Amount 100.00 USD  value 80.00") &&
                 leg.contains("Reference FX, rate = 1.25\n") && leg.contains("Batch 5\n"),
             qPrintable(leg));
    QVERIFY(RunCliOk({"txn", "show", folder_, "6"}).out.contains("Reference FX commission\n"));

    QCOMPARE(RunCliOk(pay + QStringList{"--amount", "1.00", "--batch", "new"}).out,
             QString("Added txn #8\n"));
    // Joining a batch asks, as the form does; --no stops it with nothing written.
    const Run declined =
        cli(QStringList{"--no"} + pay + QStringList{"--amount", "2.00", "--batch", "8"});
    QCOMPARE(declined.code, 1);
    QVERIFY(declined.err.contains("Transaction will be included in Batch #8 - OK? [no]"));
    QCOMPARE(
        RunCliOk(QStringList{"--yes"} + pay + QStringList{"--amount", "2.00", "--batch", "8"}).out,
        QString("Added txn #9\n"));
    QVERIFY(RunCliOk({"txn", "show", folder_, "9"}).out.contains("Batch 8\n"));
    const Run bad = cli(pay + QStringList{"--amount", "2.00", "--batch", "x"});
    QCOMPARE(bad.code, 1);
    QVERIFY2(bad.err.contains("Invalid integer \"x\"\nBatchnum invalid"), qPrintable(bad.err));
    QCOMPARE(cli({"txn", "show", folder_, "10"}).code, 1);
  }

  void creditAndQuestions() {
    const QStringList pay{"txn",  "add",    folder_, "--type", "P", "--amount",
                          "9.99", "--cpty", "3",     "--int",  "4"};
    const Run credit = RunCliOk(pay + QStringList{"--date", "2024-05-10", "--credit"});
    QCOMPARE(credit.out, QString("Added txn #1\n"));
    QVERIFY(credit.err.contains("External Account \"Shop owes\" created"));
    QVERIFY(
        RunCliOk({"txn", "show", folder_, "1"}).out.contains("  6 Shop owes 2024-05-10 -9.99 GBP"));
    // A date beyond the balance date asks; --no stops the entry.
    IniFile ini(folder_ + "ZADEZEVU.INI");
    ini.writeInteger("main", "BalAt", 20241231);
    QVERIFY(ini.save());
    const QStringList late = pay + QStringList{"--date", "2025-01-02", "--ext", "2"};
    const Run no = cli(QStringList{"--no"} + late);
    QCOMPARE(no.code, 1);
    QVERIFY2(no.err.contains("Txn date 2025-01-02 is outside period - OK ? [no]"),
             qPrintable(no.err));
    QCOMPARE(cli({"txn", "show", folder_, "2"}).code, 1);
    QCOMPARE(RunCliOk(QStringList{"--yes"} + late).out, QString("Added txn #2\n"));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");  // in stderr
    QTest::newRow("missing account")
        << QStringList{"txn", "add",   "@", "--type", "P", "--date", "2024-05-10", "--amount",
                       "1",   "--ext", "2", "--cpty", "3", "--int",  "99"}
        << 1 << "Account #99 not found - transaction not written";
    QTest::newRow("frozen") << QStringList{"txn",    "add",        "@",        "--type", "P",
                                           "--date", "2024-05-10", "--amount", "1",      "--ext",
                                           "2",      "--cpty",     "3",        "FROZEN"}
                            << 1 << "Cannot enter new transactions, database is frozen";
    QTest::newRow("bad type") << QStringList{"txn",        "add",      "@", "--type", "X", "--date",
                                             "2024-05-10", "--amount", "1", "--ext",  "2"}
                              << 2 << "--type must be one of P, R, C, D, Z";
    QTest::newRow("negative amount")
        << QStringList{"txn",      "add", "@",     "--type", "P",      "--date", "2024-05-10",
                       "--amount", "-1",  "--ext", "2",      "--cpty", "3"}
        << 1 << "Amount must be >= 0";
    QTest::newRow("transfer into another currency")
        << QStringList{"txn", "add",   "@", "--type", "C", "--date", "2024-05-10", "--amount",
                       "1",   "--ext", "2", "--to",   "5", "--ccy",  "GBP"}
        << 1 << "Account/currency mismatch";
    QTest::newRow("impossible date")
        << QStringList{"txn", "add",   "@", "--type", "P", "--date", "2024-02-30", "--amount",
                       "1",   "--ext", "2", "--cpty", "3", "--int",  "4"}
        << 1 << "Invalid date \"2024-02-30\"";
    QTest::newRow("rate 0") << QStringList{"rate", "set", "@", "EUR", "2024-05-10", "0"} << 1
                            << "Rate must be > 0";
    QTest::newRow("unknown currency") << QStringList{"rate", "set", "@", "USD", "2024-05-10", "1"}
                                      << 1 << "currency USD is not in the currency table";
    QTest::newRow("currency twice")
        << QStringList{"ccy", "add", "@", "EUR"} << 1 << "currency EUR exists already";
    QTest::newRow("no rate, no answer")
        << QStringList{"txn",      "add", "@",     "--type", "P",      "--date", "2024-05-10",
                       "--amount", "1",   "--ext", "5",      "--cpty", "3"}
        << 3 << "&Enter mid-market exchange rate (per 1 GBP)";  // an unanswered question
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    for (QString& a : args)
      if (a == "@") a = folder_;
    if (args.removeAll("FROZEN") > 0) {
      IniFile ini(folder_ + "ZADEZEVU.INI");
      ini.writeBool("main", "DBFrozen", true);
      QVERIFY(ini.save());
    }
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    // Nothing was written.
    const Run show = cli({"txn", "show", folder_, "1"});
    QCOMPARE(show.code, 1);
    QCOMPARE(RunCliOk({"--csv", "rate", "list", folder_}).out, QString("ccy,date,rate\n"));
  }

  void archiveCopyIsFrozen() {
    QVERIFY(books_->open());
    QVERIFY(ExecSqlCommitted("update param set pmint = 20231231 where pmid = 3"));
    QCOMPARE(QueryValue("select pmint from param where pmid = 3").toInt(), 20231231);
    CloseDatabase(false);
    const Run r = cli({"txn", "add", folder_, "--type", "P", "--date", "2024-05-10", "--amount",
                       "1", "--ext", "2", "--cpty", "3"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("This database is an archive, you must not make changes to it"),
             qPrintable(r.err));
    QVERIFY(r.err.contains("freezing"));
    QVERIFY(r.err.contains("Cannot enter new transactions, database is frozen"));
  }

  void currencyAndRateLists() {
    RunCliOk({"rate", "set", folder_, "EUR", "2024-02-01", "1.5"});
    RunCliOk({"rate", "set", folder_, "EUR", "2024-01-01", "1.25"});
    QCOMPARE(RunCliOk({"--csv", "ccy", "list", folder_}).out,
             QString("code,name,base\nEUR,Euro,\nGBP,,base\n"));
    QCOMPARE(RunCliOk({"--csv", "rate", "list", folder_, "eur"}).out,
             QString("ccy,date,rate\nEUR,2024-01-01,1.25000\nEUR,2024-02-01,1.50000\n"));
    for (const char* verb : {"ccy", "rate"})
      QCOMPARE(JsonRecords(RunCliOk({"--json", verb, "list", folder_}).out),
               CsvRecords(RunCliOk({"--csv", verb, "list", folder_}).out));
    const Run twice = cli({"rate", "set", folder_, "EUR", "2024-01-01", "2"});
    QCOMPARE(twice.code, 1);
    const Run base = cli({"rate", "set", folder_, "GBP", "2024-01-01", "2"});
    QCOMPARE(base.code, 1);
    QVERIFY(base.err.contains("the base currency's rate is always 1"));
  }
};

QTEST_GUILESS_MAIN(TstCliTxn)
#include "tst_cli_txn.moc"
