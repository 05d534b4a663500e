// vorbek-cli txn search and journal, run as the real program on real books:
// the window's columns and status line, the journal's days, the instance gaps
// reported without writing, and the parsers' refusals.
#include <QtTest>
#include <memory>

#include "store/db.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliSearch : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  static bool insert(int32_t id, int32_t date, const QString& narrative, qlonglong amt,
                     qlonglong val, const QString& ccy, int32_t master = 0, int32_t instance = 0) {
    return ExecSql(
        "insert into txn (id, \"type\", txndate, date2, amt, val, ccy, ref, narrative, accid1, "
        "accid2, accid3, accid4, chnum, cancelled, instance, masterid, batchnum, createdate) "
        "values (?, 'P', ?, 0, ?, ?, ?, '', ?, 0, 0, 0, 0, 0, 0, ?, ?, 0, 0)",
        {id, date, amt, val, ccy, narrative, instance, master});
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    QVERIFY(insert(1, 20240515, "Rent May", 1250, 1250, "GBP"));
    QVERIFY(insert(2, 20240615, "O'Brien 100%_", 1600, 1250, "USD", 7, 1));
    QVERIFY(insert(3, 20240615, "gas", 125000, 125000, "GBP", 7, 2));
    QVERIFY(insert(4, 20240716, "parent", 100, 100, "GBP", 7, 4));
    QVERIFY(CommitIfActive());
    CloseDatabase(false);
  }
  void cleanup() { books_.reset(); }

  void searchPrintsTheGrid() {
    CliRun r = RunCliOk({"--csv", "txn", "search", folder_, "--amount", "12.50"});
    const auto rows = CsvRecords(r.out);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0]["txn_id"], QString("1"));
    QCOMPARE(rows[0]["date"], QString("2024-05-15"));
    QCOMPARE(rows[0]["amount"], QString("12.50"));
    QCOMPARE(rows[1]["instance"], QString("7-1"));
    QCOMPARE(rows[1]["ccy"], QString("USD"));
    QVERIFY2(r.err.contains("\n2 item(s),  mixed currencies\n"), qPrintable(r.err));

    r = RunCliOk({"txn", "search", folder_, "--text", "O'Brien 100%_"});
    QVERIFY2(r.out.startsWith("Transaction search results  :  \"O'Brien 100%_\"\n"),
             qPrintable(r.out));
    QVERIFY(r.out.endsWith("1 item(s),  value 16.00\n"));

    r = RunCliOk({"--json", "txn", "search", folder_, "--range"});
    QCOMPARE(JsonRecords(r.out).size(), 4);
    r = RunCliOk({"--csv", "txn", "search", folder_, "--range", "2", "3"});
    QCOMPARE(CsvRecords(r.out).size(), 2);
  }

  // The gaps are told, nothing is written: instance 3 stays missing.
  void instancesReportGaps() {
    const CliRun r = RunCliOk({"--csv", "txn", "search", folder_, "--instances", "7"});
    QCOMPARE(CsvRecords(r.out).size(), 3);
    QVERIFY2(r.err.contains("Missing instance #3\n"), qPrintable(r.err));
    QVERIFY(books_->open());
    QCOMPARE(CountRows("txn", "masterid = 7"), 3);
    CloseDatabase(false);
  }

  void journalShowsEachDayOnce() {
    const CliRun r = RunCliOk({"--csv", "journal", folder_, "2024-06-15"});
    const auto rows = CsvRecords(r.out);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1]["date"], QString("2024-06-15"));
    QCOMPARE(rows[2]["date"], QString());
    QCOMPARE(RunCliOk({"--csv", "journal", folder_, "2024-06-15", "--spread", "2"}).out.count('\n'),
             5);
  }

  void badInputIsRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("amount") << QStringList{"txn", "search", "DIR", "--amount", "12.5"}
                            << "Invalid amount \"12.5\"";
    QTest::newRow("batch") << QStringList{"txn", "search", "DIR", "--batch", "abc"}
                           << "Invalid integer \"abc\"";
    QTest::newRow("range") << QStringList{"txn", "search", "DIR", "--range", "99999999999"}
                           << "Invalid integer \"99999999999\"";
    QTest::newRow("straddles") << QStringList{"txn", "search", "DIR", "--straddles", "tomorrow"}
                               << "Invalid date \"tomorrow\"";
    QTest::newRow("journal") << QStringList{"journal", "DIR", "tomorrow"}
                             << "Invalid date \"tomorrow\"";
    QTest::newRow("spread") << QStringList{"journal", "DIR", "2024-06-15", "--spread", "121"}
                            << "Journal spread must be 1 to 120 months";
  }
  void badInputIsRefused() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    args.replaceInStrings(QRegularExpression("^DIR$"), folder_);
    const CliRun r = RunCli(args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
  }
};

QTEST_GUILESS_MAIN(TstCliSearch)
#include "tst_cli_search.moc"
