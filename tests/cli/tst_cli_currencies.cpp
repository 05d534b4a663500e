// vorbek-cli values, fx post, ccy delete and rate delete, run as the real
// program on real books.
#include <QtTest>

#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliCurrencies : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  QString difference(const QStringList& extra = {}) {
    const auto records = CsvRecords(RunCliOk(QStringList{"--csv", "values", folder_} + extra).out);
    return records.isEmpty() ? QString() : records.last().value("value");
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  // Receipts of 50.00 GBP and 125.00 USD (rate 1.25 on the day) into Salary;
  // USD at 1.00 on the period end, so the difference is 25.00.
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);  // GBP books, default pot #1
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    RunCliOk({"ccy", "add", folder_, "USD"});
    RunCliOk({"ccy", "add", folder_, "CHF"});
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Bank"});  // #2
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Dollars", "--ccy",
              "USD"});                                                                  // #3
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Boss"});  // #4
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Salary"});    // #5
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "FX"});        // #6
    RunCliOk({"rate", "set", folder_, "USD", "2024-03-01", "1.25"});
    RunCliOk({"rate", "set", folder_, "USD", "2024-12-31", "1"});
    RunCliOk({"rate", "set", folder_, "CHF", "2024-12-31", "1.1"});
    for (const QStringList& r : {QStringList{"50.00", "2", "GBP"}, {"125.00", "3", "USD"}})
      RunCliOk({"--yes", "txn", "add", folder_, "--type", "R", "--date", "2024-03-01", "--amount",
                r[0], "--ext", r[1], "--cpty", "4", "--int", "5", "--ccy", r[2]});
    RunCliOk({"--yes", "rebalance", folder_, "--from", "2024-01-01", "--to", "2024-12-31"});
  }
  void cleanup() { books_.reset(); }

  void valuesThenPost() {
    const CliRun csv = RunCliOk({"--csv", "values", folder_});
    const auto records = CsvRecords(csv.out);
    QCOMPARE(records, JsonRecords(RunCliOk({"--json", "values", folder_}).out));
    QCOMPARE(records.size(), 8);
    QCOMPARE(records[1], (QMap<QString, QString>{{"section", "external"},
                                                 {"id", "3"},
                                                 {"account", "Dollars"},
                                                 {"ccy", "USD"},
                                                 {"exch_rate", "1.00000"},
                                                 {"b_fd", "0.00"},
                                                 {"balance", "125.00"},
                                                 {"value", "125.00"}}));
    QCOMPARE(records[2].value("account"), QString("Salary"));
    QStringList sums;
    for (int i = 3; i < 8; ++i)
      sums << records[i].value("account") + "=" + records[i].value("value");
    QCOMPARE(sums, QStringList({"Total Int Acc value=150.00", "- base currency=50.00",
                                "- foreign currency=125.00", "- total=175.00",
                                "Difference (FX Gain/Loss)=25.00"}));
    const QString text = RunCliOk({"values", folder_}).out;
    QVERIFY2(text.startsWith("Account values  2024-01-01 to 2024-12-31\n"), qPrintable(text));

    CliRun r = RunCli({"--no", "fx", "post", folder_, "--category", "6"});
    QCOMPARE(r.code, 1);
    r = RunCli({"--yes", "fx", "post", folder_, "--category", "2"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("account #2 is not a category"), qPrintable(r.err));
    QCOMPARE(RunCliOk({"--yes", "fx", "post", folder_, "--category", "6"}).out.trimmed(),
             QString("Posted FX Gain/Loss #3 2024-12-31 25.00 GBP on #6 FX"));
    QCOMPARE(BooksIniValue(books_->iniPath(), "FXGainLossCtgy"), QString("6"));
    r = RunCli({"--yes", "fx", "post", folder_, "--category", "6"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Rebalance needed"), qPrintable(r.err));

    RunCliOk({"--yes", "rebalance", folder_});
    QCOMPARE(difference(), QString("0.00"));
    r = RunCli({"--yes", "fx", "post", folder_, "--category", "6"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("nothing to post, the difference is 0.00"), qPrintable(r.err));
    const QString shown = RunCliOk({"txn", "show", folder_, "3"}).out;
    QVERIFY2(shown.contains("Txn #3 FX Gain/Loss\nDate 2024-12-31\n"), qPrintable(shown));
    QVERIFY(shown.contains("  6 FX 2024-12-31 25.00 GBP value 25.00 contra 0\n"));
  }

  void valuesRefused() {
    RunCliOk({"--yes", "rate", "delete", folder_, "USD", "2024-12-31"});
    const CliRun r = RunCli({"values", folder_});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains("Exchange rate not found for USD"), qPrintable(r.err));
  }

  void deleteCurrency_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::newRow("used") << QStringList{"--yes", "ccy", "delete", "@", "usd"} << 1
                          << "Cannot delete currency USD - account(s) exist for it";
    QTest::newRow("unknown") << QStringList{"--yes", "ccy", "delete", "@", "JPY"} << 1
                             << "currency JPY is not in the currency table";
    QTest::newRow("answered no") << QStringList{"--no", "ccy", "delete", "@", "CHF"} << 1
                                 << "OK to delete currency CHF ?";
    QTest::newRow("unused") << QStringList{"--yes", "ccy", "delete", "@", "CHF"} << 0
                            << "Deleted currency CHF";
  }
  void deleteCurrency() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    args.replaceInStrings("@", folder_);
    const CliRun r = RunCli(args);
    QCOMPARE(r.code, code);
    QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out + r.err));
    const QString codes = RunCliOk({"ccy", "list", folder_}).out;
    QCOMPARE(codes.contains("CHF"), code != 0);
    // Its rates stay either way.
    QVERIFY(RunCliOk({"rate", "list", folder_, "CHF"}).out.contains("2024-12-31"));
  }

  void deleteRate_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("left");  // USD rates afterwards
    QTest::newRow("deleted") << QStringList{"--yes", "rate", "delete", "@", "USD", "2024-03-01"}
                             << 0 << "Deleted rate USD 2024-03-01" << 1;
    QTest::newRow("answered no") << QStringList{"--no", "rate", "delete", "@", "USD", "2024-03-01"}
                                 << 1 << "Delete rate - OK?" << 2;
    QTest::newRow("none that day")
        << QStringList{"--yes", "rate", "delete", "@", "USD", "2024-03-02"} << 1
        << "no USD rate on 2024-03-02" << 2;
    QTest::newRow("no such day") << QStringList{"--yes", "rate", "delete", "@", "USD", "2024-02-30"}
                                 << 2 << "the date must be yyyy-mm-dd" << 2;
  }
  void deleteRate() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(int, left);
    args.replaceInStrings("@", folder_);
    const CliRun r = RunCli(args);
    QCOMPARE(r.code, code);
    QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out + r.err));
    QCOMPARE(CsvRecords(RunCliOk({"--csv", "rate", "list", folder_, "USD"}).out).size(), left);
  }
};

QTEST_MAIN(TstCliCurrencies)
#include "tst_cli_currencies.moc"
