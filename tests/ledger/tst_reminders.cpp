// Reminders and diary entries against real books: instance reminders and
// their lead time, the due list under the program's clock, the "New Reminder"
// rules with the parser's refusals, re-dating, the announcement after opening
// with its frozen and repair skips, the nag of the reminders window and its
// resets, and diary entries with their posting.
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/posting.h"
#include "ledger/reminders.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "store/settings.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

const QString kOutstanding = QStringLiteral("You have outstanding reminder(s)");
const QString kStopIgnoring = QStringLiteral("OI, STOP IGNORING YOUR REMINDERS !");

int32_t addAccount(int kind, const QString& name) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  return WriteAccount(o) ? o.id : 0;
}

void setToday(int y, int m, int d) { SetClock(QDateTime(QDate(y, m, d), QTime(9, 0))); }

int32_t rmDateOf(int32_t id) {
  return QueryValue("select rmdate from remdr where id = ?", {id}, -1).toInt();
}

// A free reminder, committed.
int32_t freeReminder(int32_t rmYmd, int32_t tgYmd, const QString& text) {
  TRemdr r;
  r.rmDate = YmdToDateRec(rmYmd);
  r.tgDate = YmdToDateRec(tgYmd);
  r.text = text;
  if (!AddReminder(r) || !CommitIfActive()) return 0;
  return r.id;
}

}  // namespace

class TstReminders : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0;
  QList<bool> hookCalls_;

  // A payment on date as if generated from a master with the lead time rmDays.
  TTxn instance(const TDateRec& date, int rmDays) {
    TTxn t = NewTxn();
    t.ccy = "GBP";
    t.txnDate = date;
    t.amount = t.value = 1250;
    t.accId1 = cur_;
    t.accId2 = shop_;
    t.accId4 = food_;
    t.narrative = "Rent";
    if (!WriteTransaction(t)) return TTxn{};
    t.rpt.rmDays = rmDays;
    return t;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = addAccount(1, "Current");
    shop_ = addAccount(4, "Landlord");
    food_ = addAccount(3, "Housing");
    QVERIFY(CommitIfActive());
    SetRemindersViewCurrent(true);
    hookCalls_.clear();
    SetRemindersWindowHook([this](bool show) { hookCalls_ << show; });
    CheckDueReminders();  // the announcement of a previous case is cleared
    hookCalls_.clear();
  }
  void cleanup() {
    SetRemindersWindowHook(nullptr);
    ResetClock();
    books_.reset();
  }

  void instanceReminder_data() {
    QTest::addColumn<int>("txnYmd");
    QTest::addColumn<int>("rmDays");
    QTest::addColumn<int>("rmYmd");  // 0 = no reminder
    QTest::newRow("7 days") << 20240501 << 7 << 20240424;
    QTest::newRow("none for 0") << 20240501 << 0 << 0;
    QTest::newRow("negative: on the day") << 20240501 << -3 << 20240501;
    QTest::newRow("over a leap day") << 20240301 << 1 << 20240229;
    QTest::newRow("over a year end") << 20250102 << 3 << 20241230;
  }
  void instanceReminder() {
    QFETCH(int, txnYmd);
    QFETCH(int, rmDays);
    QFETCH(int, rmYmd);
    const TTxn t = instance(YmdToDateRec(txnYmd), rmDays);
    QVERIFY(t.id > 0);
    QVERIFY(AddInstanceReminder(t));
    QVERIFY(CommitIfActive());
    QCOMPARE(CountAll("remdr"), rmYmd == 0 ? 0 : 1);
    if (rmYmd == 0) return;
    TRemdr r;
    QVERIFY(ReadRemdrRow(1, r));
    QCOMPARE(r.txnId, t.id);
    QCOMPARE(StoredDate(r.rmDate), rmYmd);
    QCOMPARE(StoredDate(r.tgDate), txnYmd);
    QCOMPARE(r.text, QString());
  }

  void newIdsFollowTheLast() {
    QCOMPARE(freeReminder(20240101, 20240102, "a"), 1);
    QVERIFY(ExecSqlCommitted("update remdr set id = 7 where id = 1"));
    QCOMPARE(freeReminder(20240101, 20240102, "b"), 8);
  }

  void dueListing() {
    const TTxn t = instance(TDateRec{2024, 5, 1}, 7);
    QVERIFY(AddInstanceReminder(t));
    QVERIFY(CommitIfActive());
    QVERIFY(freeReminder(20240420, 20240430, "Renew insurance") > 0);
    QVERIFY(freeReminder(20240601, 20240610, "Later") > 0);

    setToday(2024, 4, 23);
    bool ok = false;
    QList<TRemdrRow> rows = QueryReminders(true, &ok);
    QVERIFY(ok);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].text, QString("Renew insurance"));
    // A free reminder has no names and its text starts with a blank.
    QCOMPARE(rows[0].cptyName, QString());
    QCOMPARE(rows[0].shownText(), QString(" Renew insurance"));

    setToday(2024, 4, 24);
    rows = QueryReminders(true);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].txnId, t.id);
    QCOMPARE(rows[1].rmDate, 20240424);
    QCOMPARE(rows[1].tgDate, 20240501);
    QCOMPARE(rows[1].cptyName, QString("Landlord"));
    QCOMPARE(rows[1].ctgyName, QString("Housing"));
    QCOMPARE(rows[1].shownText(), QString("Rent "));

    // "View all": every reminder by RMDATE, then TGDATE; the list's filter decides.
    QCOMPARE(ListedReminders().size(), 2);
    SetRemindersViewCurrent(false);
    rows = ListedReminders();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[2].text, QString("Later"));

    // A deleted transaction takes its reminders with it.
    TTxn gone;
    QVERIFY(ReadTxn(t.id, gone));
    QVERIFY(DeleteTxnRows(gone));
    QVERIFY(CommitIfActive());
    QCOMPARE(QueryReminders(false).size(), 2);
  }

  void newReminder_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("onDate");
    QTest::addColumn<QString>("days");
    QTest::addColumn<int>("rmYmd");        // 0 = refused
    QTest::addColumn<QString>("message");  // the refusal shown, if any
    QTest::newRow("31 days before") << "2024-03-05" << false << "31" << 20240203 << "";
    QTest::newRow("on date ignores the days box") << "2024-03-05" << true << "x" << 20240305 << "";
    QTest::newRow("0 days before") << "2024-03-05" << false << "0" << 20240305 << "";
    QTest::newRow("bad date") << "2024-3-5" << false << "31" << 0 << "Invalid date \"2024-3-5\"";
    QTest::newRow("empty date") << "" << false << "31" << 0 << "Invalid date \"\"";
    QTest::newRow("bad days") << "2024-03-05" << false << "3x" << 0 << "Invalid integer \"3x\"";
    QTest::newRow("empty days") << "2024-03-05" << false << "" << 0 << "Invalid integer \"\"";
    QTest::newRow("negative days")
        << "2024-03-05" << false << "-5" << 0 << "Invalid integer \"-5\"";
    QTest::newRow("days beyond ten years")
        << "2024-03-05" << false << "3651" << 0 << "Invalid integer \"3651\"";
    QTest::newRow("huge days") << "2024-03-05" << false << "99999999" << 0
                               << "Invalid integer \"99999999\"";
    QTest::newRow("ten years") << "2024-03-05" << false << "3650" << 20140308 << "";
    QTest::newRow("30 February") << "2024-02-30" << false << "31" << 0
                                 << "Invalid date \"2024-02-30\"";
    QTest::newRow("month 13") << "2024-13-40" << true << "" << 0 << "Invalid date \"2024-13-40\"";
  }
  void newReminder() {
    QFETCH(QString, target);
    QFETCH(bool, onDate);
    QFETCH(QString, days);
    QFETCH(int, rmYmd);
    QFETCH(QString, message);
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    const int32_t id = NewReminder(target, onDate, days, "Pay tax");
    VERIFY_PROMPTS(p);
    QCOMPARE(id > 0, rmYmd > 0);
    RollbackIfActive();  // what was added is committed already
    QCOMPARE(CountAll("remdr"), rmYmd > 0 ? 1 : 0);
    if (rmYmd == 0) return;
    TRemdr r;
    QVERIFY(ReadRemdrRow(id, r));
    QCOMPARE(StoredDate(r.rmDate), rmYmd);
    QCOMPARE(StoredDate(r.tgDate), 20240305);
    QCOMPARE(r.txnId, 0);
    QCOMPARE(r.text, QString("Pay tax"));
  }

  void redate() {
    const int32_t id = freeReminder(20240424, 20240501, "x");
    QVERIFY(id > 0);
    ScriptedPrompter p;
    p.date(QString(), 0);  // cancelled
    QVERIFY(!RedateReminder(id, TDateRec{2024, 4, 24}));
    QCOMPARE(rmDateOf(id), 20240424);
    p.date(QString(), 20240615);  // after the deadline: accepted
    QVERIFY(RedateReminder(id, TDateRec{2024, 4, 24}));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(rmDateOf(id), 20240615);
    QCOMPARE(QueryValue("select tgdate from remdr where id = ?", {id}).toInt(), 20240501);
  }

  void announcementSkipped_data() {
    QTest::addColumn<bool>("frozen");
    QTest::newRow("frozen") << true;
    QTest::newRow("repair pending") << false;
  }
  void announcementSkipped() {
    QFETCH(bool, frozen);
    QVERIFY(freeReminder(20240101, 20240102, "due") > 0);
    setToday(2024, 4, 1);
    (frozen ? Session().settings.dbFrozen : Session().repairPending) = true;
    Session().settings.ignoredRemdrs = 2;
    ScriptedPrompter p;  // nothing is said
    QVERIFY(!CheckDueReminders());
    VERIFY_PROMPTS(p);
    QVERIFY(!RemindersAnnounced());
    QVERIFY(hookCalls_.isEmpty());
    QCOMPARE(Session().settings.ignoredRemdrs, 2);
  }

  void nagOnClose() {
    const int32_t id = freeReminder(20240401, 20240410, "due");
    QVERIFY(freeReminder(20240402, 20240410, "also due") > 0);
    setToday(2024, 4, 5);
    ScriptedPrompter p;
    p.info(kOutstanding);
    QVERIFY(CheckDueReminders());
    VERIFY_PROMPTS(p);
    QCOMPARE(hookCalls_, QList<bool>{true});
    QVERIFY(RemindersAnnounced());

    // Three closes go through, the fourth is refused and the count starts again.
    for (int i = 1; i <= 3; ++i) QVERIFY(RemindersWindowMayClose());
    QCOMPARE(Session().settings.ignoredRemdrs, 3);
    p.info(kStopIgnoring);
    QVERIFY(!RemindersWindowMayClose());
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().settings.ignoredRemdrs, 0);

    // A deletion resets the count and the announcement: closes are free again.
    QVERIFY(RemindersWindowMayClose());
    QVERIFY(RemindersWindowMayClose());
    p.no("OK to delete?");
    QVERIFY(!DeleteReminder(id));
    QCOMPARE(Session().settings.ignoredRemdrs, 2);
    p.yes("OK to delete?");
    QVERIFY(DeleteReminder(id));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(CountAll("remdr"), 1);
    QCOMPARE(Session().settings.ignoredRemdrs, 0);
    QVERIFY(!RemindersAnnounced());
    for (int i = 0; i < 5; ++i) QVERIFY(RemindersWindowMayClose());
    VERIFY_PROMPTS(p);
  }

  void nagCountSurvivesRuns() {
    QVERIFY(freeReminder(20240401, 20240410, "due") > 0);
    setToday(2024, 4, 5);
    Session().settings.ignoredRemdrs = 2;
    QVERIFY(SaveDatabaseIni());
    Session().settings.ignoredRemdrs = 0;
    ReadDatabaseIni();
    QCOMPARE(Session().settings.ignoredRemdrs, 2);
    ScriptedPrompter p;
    p.info(kOutstanding);
    QVERIFY(CheckDueReminders());
    QVERIFY(RemindersWindowMayClose());  // the third close counting the earlier run
    p.info(kStopIgnoring);
    QVERIFY(!RemindersWindowMayClose());
    VERIFY_PROMPTS(p);
  }

  void checkWithNothingDueResets() {
    QVERIFY(freeReminder(20240601, 20240610, "not yet") > 0);
    setToday(2024, 4, 5);
    Session().settings.ignoredRemdrs = 3;
    ScriptedPrompter p;  // no announcement
    QVERIFY(!CheckDueReminders());
    VERIFY_PROMPTS(p);
    QCOMPARE(hookCalls_, QList<bool>{false});
    QCOMPARE(Session().settings.ignoredRemdrs, 0);
    QVERIFY(RemindersWindowMayClose());
    // Under "View all" the list is not empty, so it is announced.
    SetRemindersViewCurrent(false);
    p.info(kOutstanding);
    QVERIFY(CheckDueReminders());
    VERIFY_PROMPTS(p);
  }

  void diaryEntry() {
    Session().settings.baseCurrency = "GBP";
    Session().workingCurrency = "EUR";  // the entry takes the base currency, not this
    const int32_t id = AddDiaryEntry("2024-04-10", "Dentist at ten, bring the forms and a book");
    QVERIFY(id > 0);
    QSqlQuery q = RunQuery(
        "select \"type\", txndate, actualtxndate, narrative, ccy, amt, accid1, accid2, accid4 "
        "from txn where id = ?",
        {id});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString().trimmed(), QString("D"));
    QCOMPARE(q.value(1).toInt(), 20240410);
    QCOMPARE(q.value(2).toInt(), 20240410);
    QCOMPARE(q.value(3).toString(), QString("Dentist at ten, bring the forms and a bo"));
    QCOMPARE(q.value(4).toString().trimmed(), QString("GBP"));
    for (int c = 5; c <= 8; ++c) QCOMPARE(q.value(c).toLongLong(), 0LL);
    QSqlQuery ps = RunQuery("select objid, amt, pstgdate from pstg where txnid = ?", {id});
    QVERIFY(ps.next());
    QCOMPARE(ps.value(0).toInt(), 0);
    QCOMPARE(ps.value(1).toLongLong(), 0LL);
    QCOMPARE(ps.value(2).toInt(), 20240410);
    QVERIFY(!ps.next());
    // The caller commits: until then the entry can still be dropped.
    QVERIFY(InTransaction());
    QVERIFY(RollbackIfActive());
    QCOMPARE(CountRows("txn", "id = ?", {id}), 0);
  }

  void diaryEntryWithoutDate_data() {
    QTest::addColumn<QString>("date");
    QTest::newRow("empty") << "";
    QTest::newRow("edit mask") << "yyyy-mm-dd";
    QTest::newRow("short") << "2024-4-10";
    QTest::newRow("zero") << "0000-00-00";
  }
  void diaryEntryWithoutDate() {
    QFETCH(QString, date);
    const int txns = CountAll("txn");
    ScriptedPrompter p;
    p.info("Invalid date \"" + date + "\"");
    QCOMPARE(AddDiaryEntry(date, "Note"), 0);
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), txns);
    QCOMPARE(CountRows("pstg", "objid = 0 and txntype = 'D'"), 0);
  }

  // Frozen books (an archive copy) take no new note either.
  void diaryEntryWhileFrozen() {
    const int txns = CountAll("txn");
    Session().settings.dbFrozen = true;
    ScriptedPrompter p;
    p.info("Cannot enter new transactions, database is frozen");
    QCOMPARE(AddDiaryEntry("2024-04-10", "Note"), 0);
    VERIFY_PROMPTS(p);
    Session().settings.dbFrozen = false;
    QCOMPARE(CountAll("txn"), txns);
  }
};

QTEST_GUILESS_MAIN(TstReminders)
#include "tst_reminders.moc"
