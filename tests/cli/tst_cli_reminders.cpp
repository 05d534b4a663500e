// vorbek-cli reminders, reminder add / delete and diary add, run as the real program on real books.
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/posting.h"
#include "ledger/reminders.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

bool addReminder(int32_t txnId, int32_t rmYmd, int32_t tgYmd, const QString& text) {
  TRemdr r;
  r.txnId = txnId;
  r.rmDate = YmdToDateRec(rmYmd);
  r.tgDate = YmdToDateRec(tgYmd);
  r.text = text;
  return AddReminder(r);
}

}  // namespace

class TstCliReminders : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  int diaryRows() {
    if (!books_->open()) return -1;
    const int n = CountRows("txn", "\"type\" = 'D'");
    CloseDatabase(false);
    return n;
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

  // Dates far in the past and future keep the due list independent of the real day.
  void listing() {
    QVERIFY(books_->open());
    TObj cur = NewObj(), landlord = NewObj();
    cur.kind = 1;
    cur.name = "Current";
    landlord.kind = 4;
    landlord.name = "Landlord";
    QVERIFY(WriteAccount(cur) && WriteAccount(landlord));
    TTxn rent = NewTxn();
    rent.ccy = "GBP";
    rent.txnDate = TDateRec{2001, 1, 8};
    rent.amount = rent.value = 50000;
    rent.accId1 = cur.id;
    rent.accId2 = landlord.id;
    rent.narrative = "Rent";
    QVERIFY(WriteTransaction(rent));
    QVERIFY(addReminder(0, 20990101, 20990110, "Far off"));
    QVERIFY(addReminder(rent.id, 20010101, 20010108, QString()));
    QVERIFY(addReminder(0, 20000101, 20000110, "Renew passport, photo"));
    QVERIFY(CommitIfActive());
    CloseDatabase(false);

    const QString header = "id,txn,start,deadline,text,description\n";
    const QString due =
        "3,0,2000-01-01,2000-01-10,\"Renew passport, photo\",\n"
        "2," +
        QString::number(rent.id) + ",2001-01-01,2001-01-08,,Rent\n";
    QCOMPARE(RunCliOk({"--csv", "reminders", folder_}).out, header + due);
    QCOMPARE(RunCliOk({"--csv", "reminders", folder_, "--all"}).out,
             header + due + "1,0,2099-01-01,2099-01-10,Far off,\n");
    QCOMPARE(JsonRecords(RunCliOk({"--json", "reminders", folder_, "--all"}).out),
             CsvRecords(header + due + "1,0,2099-01-01,2099-01-10,Far off,\n"));
    const QString plain = RunCliOk({"reminders", folder_}).out;
    QVERIFY2(plain.startsWith("Id") && plain.contains("Renew passport, photo") &&
                 !plain.contains("Far off"),
             qPrintable(plain));
  }

  void diaryAdd() {
    const CliRun r = RunCliOk(
        {"diary", "add", folder_, "--date", "2024-04-10", "--desc", "O'Brien's boiler; serviced"});
    QCOMPARE(r.out, QString("Added txn #1\n"));
    QVERIFY(books_->open());
    QSqlQuery q = RunQuery(
        "select t.\"type\", t.txndate, t.narrative, p.objid, p.amt from txn t "
        "join pstg p on p.txnid = t.id where t.id = 1");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString().trimmed(), QString("D"));
    QCOMPARE(q.value(1).toInt(), 20240410);
    QCOMPARE(q.value(2).toString(), QString("O'Brien's boiler; serviced"));
    QCOMPARE(q.value(3).toInt(), 0);
    QCOMPARE(q.value(4).toLongLong(), 0LL);
    q.finish();
    CloseDatabase(false);
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");  // after the verb; DIR is put first
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("no date") << QStringList{"--desc", "x"} << 2 << "usage: vorbek-cli diary add";
    QTest::newRow("no description")
        << QStringList{"--date", "2024-04-10"} << 2 << "usage: vorbek-cli diary add";
    QTest::newRow("not a date") << QStringList{"--date", "10/04/2024", "--desc", "x"} << 1
                                << "Invalid date \"10/04/2024\"";
    QTest::newRow("empty date") << QStringList{"--date", "", "--desc", "x"} << 1
                                << "Invalid date \"\"";
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const CliRun r = RunCli(QStringList{"diary", "add", folder_} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(diaryRows(), 0);
  }

  // A free reminder added and deleted as the reminders window does it; the
  // list shows it with its start 31 days (or --days) before the target.
  void reminderAddAndDelete() {
    QCOMPARE(
        RunCliOk({"reminder", "add", folder_, "--target", "2099-03-05", "--text", "O'Brien; renew"})
            .out,
        QString("Added reminder #1\n"));
    QCOMPARE(RunCliOk({"reminder", "add", folder_, "--target", "2099-03-05", "--days", "0",
                       "--text", "On the day"})
                 .out,
             QString("Added reminder #2\n"));
    const QString header = "id,txn,start,deadline,text,description\n";
    QCOMPARE(RunCliOk({"--csv", "reminders", folder_, "--all"}).out,
             header + "1,0,2099-02-02,2099-03-05,O'Brien; renew,\n" +
                 "2,0,2099-03-05,2099-03-05,On the day,\n");

    const CliRun unanswered = RunCli({"reminder", "delete", folder_, "1"});
    QCOMPARE(unanswered.code, 3);
    QVERIFY2(unanswered.err.contains("OK to delete?"), qPrintable(unanswered.err));
    QCOMPARE(RunCli({"reminder", "delete", folder_, "1", "--no"}).code, 1);
    QCOMPARE(RunCliOk({"reminder", "delete", folder_, "1", "--yes"}).out,
             QString("Deleted reminder #1\n"));
    QCOMPARE(RunCliOk({"--csv", "reminders", folder_, "--all"}).out,
             header + "2,0,2099-03-05,2099-03-05,On the day,\n");
    const CliRun missing = RunCli({"reminder", "delete", folder_, "1", "--yes"});
    QCOMPARE(missing.code, 1);
    QVERIFY2(missing.err.contains("Reminder #1 not found"), qPrintable(missing.err));
  }

  void reminderAddRefusals_data() {
    QTest::addColumn<QStringList>("args");  // after "reminder add DIR"
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("no text") << QStringList{"--target", "2024-03-05"} << 2
                             << "usage: vorbek-cli reminder add";
    QTest::newRow("30 February") << QStringList{"--target", "2024-02-30", "--text", "x"} << 1
                                 << "Invalid date \"2024-02-30\"";
    QTest::newRow("negative days")
        << QStringList{"--target", "2024-03-05", "--days", "-5", "--text", "x"} << 1
        << "Invalid integer \"-5\"";
    QTest::newRow("empty days") << QStringList{"--target", "2024-03-05", "--days",
                                               "",         "--text",     "x"}
                                << 1 << "Invalid integer \"\"";
  }
  void reminderAddRefusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const CliRun r = RunCli(QStringList{"reminder", "add", folder_} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(RunCliOk({"--csv", "reminders", folder_, "--all"}).out.count('\n'), 1);
  }
};

QTEST_GUILESS_MAIN(TstCliReminders)
#include "tst_cli_reminders.moc"
