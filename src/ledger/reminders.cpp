#include "ledger/reminders.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

bool announced = false;
bool viewCurrent = true;
std::function<void(bool)> windowHook;

// A refused close starts the count again; four attempts in a row are refused.
constexpr int kNagLimit = 4;

// Ten years of lead time at most: more is a typing slip, and a huge count
// would step the date back past the calendar's start.
constexpr int kMaxLeadDays = 3650;

// The parser takes any two-digit month and day ("2024-13-40"); a reminder
// needs a day of the calendar.
bool isRealDate(const TDateRec& d) {
  return d.year >= 1 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= MonthLength(d);
}

}  // namespace

bool AddReminder(TRemdr& r) {
  TRemdr x = r;
  x.id = 0;  // always a new row
  if (!WriteRemdrRow(x)) return false;
  r = x;
  return true;
}

bool AddInstanceReminder(const TTxn& instance) {
  const int32_t days = instance.rpt.rmDays;
  if (days == 0) return true;
  TRemdr r;
  r.txnId = instance.id;
  r.tgDate = instance.txnDate;
  r.rmDate = instance.txnDate;
  for (int32_t i = 0; i < days; ++i) PrevDay(r.rmDate);
  return AddReminder(r);
}

bool RemindersViewCurrent() { return viewCurrent; }
void SetRemindersViewCurrent(bool current) { viewCurrent = current; }

QList<TRemdrRow> QueryReminders(bool currentOnly, bool* ok) {
  QString sql = QStringLiteral(
      "select r.id, r.txnid, r.rmdate, r.tgdate, o1.name, o2.name, r.text, t.narrative "
      "from remdr r "
      "left join txn t on t.id = r.txnid "
      "left join account o1 on o1.id = t.accid2 "
      "left join account o2 on o2.id = t.accid4 ");
  QVariantList binds;
  if (currentOnly) {
    sql += QStringLiteral("where r.rmdate <= ? ");
    binds << DateRecToYmd(Today());
  }
  sql += QStringLiteral("order by r.rmdate, r.tgdate, r.id");
  bool ran = false;
  QSqlQuery q = RunQuery(sql, binds, &ran);
  QList<TRemdrRow> rows;
  while (ran && q.next()) {
    TRemdrRow row;
    row.id = q.value(0).toInt();
    row.txnId = q.value(1).toInt();
    row.rmDate = q.value(2).toInt();
    row.tgDate = q.value(3).toInt();
    row.cptyName = q.value(4).toString().trimmed();
    row.ctgyName = q.value(5).toString().trimmed();
    row.text = q.value(6).toString();
    row.narrative = q.value(7).toString();
    rows << row;
  }
  if (ok) *ok = ran;
  return rows;
}

QList<TRemdrRow> ListedReminders(bool* ok) { return QueryReminders(viewCurrent, ok); }

bool RemindersAnnounced() { return announced; }

void SetRemindersWindowHook(std::function<void(bool show)> hook) { windowHook = std::move(hook); }

bool CheckDueReminders() {
  announced = false;
  const TSession& s = Session();
  if (s.settings.dbFrozen || s.repairPending) return false;
  bool ok = false;
  const bool due = !ListedReminders(&ok).isEmpty();
  if (!ok) return false;
  if (windowHook) windowHook(due);
  if (!due) {
    Session().settings.ignoredRemdrs = 0;
    return false;
  }
  ShowInfo(QStringLiteral("You have outstanding reminder(s)"));
  announced = true;
  return true;
}

bool RemindersWindowMayClose() {
  int& nags = Session().settings.ignoredRemdrs;
  if (announced) ++nags;
  if (nags < kNagLimit) return true;
  ShowInfo(QStringLiteral("OI, STOP IGNORING YOUR REMINDERS !"));
  nags = 0;
  return false;
}

int32_t NewReminder(const QString& targetText, bool onDate, const QString& daysText,
                    const QString& text) {
  TRemdr r;
  if (!ParseDateTextOrWarn(targetText, r.tgDate)) return 0;
  if (!isRealDate(r.tgDate)) {
    ShowInfo("Invalid date " + InQuotes(targetText));
    return 0;
  }
  int days = 0;
  if (!onDate) {
    // An empty box is refused with the same message as any other bad count.
    if (daysText.trimmed().isEmpty()) {
      ShowInfo("Invalid integer " + InQuotes(daysText));
      return 0;
    }
    if (!ParseIntOrWarn(daysText, days)) return 0;
    if (days < 0 || days > kMaxLeadDays) {
      ShowInfo("Invalid integer " + InQuotes(daysText));
      return 0;
    }
  }
  r.rmDate = r.tgDate;
  SubtractDays(r.rmDate, days);
  r.text = text.left(kReminderTextWidth);
  r.txnId = 0;
  if (!AddReminder(r) || !CommitIfActive()) {
    RollbackIfActive();
    return 0;
  }
  return r.id;
}

bool RedateReminder(int32_t id, const TDateRec& currentRmDate) {
  TDateRec d = currentRmDate;
  if (!PickDate(d)) return false;
  return ExecSqlCommitted(QStringLiteral("update remdr set rmdate = ? where id = ?"),
                          {DateRecToYmd(d), id});
}

bool DeleteReminder(int32_t id) {
  if (!AskYes(QStringLiteral("OK to delete?"))) return false;
  if (!ExecSqlCommitted(QStringLiteral("delete from remdr where id = ?"), {id})) return false;
  announced = false;
  Session().settings.ignoredRemdrs = 0;
  return true;
}

int32_t AddDiaryEntry(const QString& dateText, const QString& description) {
  // A diary entry is a transaction: frozen books (an archive copy) refuse it.
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return 0;
  TTxn t = NewTxn();
  // An entry without a date would sit on day 0, before every period: refused.
  const TDateRec date = ParseDateTextOrZero(dateText);
  if (date.isZero()) {
    ShowInfo("Invalid date " + InQuotes(dateText));
    return 0;
  }
  t.type = QChar('D');
  t.txnDate = date;
  t.actualDate = date;
  t.narrative = CutToWidth(description, kNarrativeWidth);
  t.ccy = Session().settings.baseCurrency;
  t.amount = 0;
  t.value = 0;
  // Row and posting together or not at all.
  if (!WriteTransaction(t)) return 0;
  return t.id;
}
