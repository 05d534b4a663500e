#include "ledger/repeaters.h"

#include <QDate>
#include <QSet>
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/healthcheck.h"
#include "ledger/posting.h"
#include "ledger/reminders.h"
#include "store/db.h"
#include "store/session.h"

namespace {

TDateRec g_generateTo;       // zero until the first generation run fixes it
bool g_chosenAhead = false;  // the next run keeps g_generateTo without asking again

QString num(int64_t n) { return QString::number(n); }

int64_t daysFromTo(const TDateRec& a, const TDateRec& b) {
  return QDate(a.year, a.month, a.day).daysTo(QDate(b.year, b.month, b.day));
}

bool generates(const TRptSchedule& s) {
  // Any other code would never step forward and so never reach the generate-to date.
  return s.rptInc >= 1 && QStringLiteral("DWMY").contains(s.freq);
}

void copyContent(const TTxn& from, TRptr& to) {
  to.ccy = from.ccy;
  to.amount = from.amount;
  to.type = from.type;
  to.reference = from.reference;
  to.narrative = from.narrative;
  to.accId1 = from.accId1;
  to.accId2 = from.accId2;
  to.accId3 = from.accId3;
  to.accId4 = from.accId4;
  to.channel = from.channel;
}

// The generate-to date, the balance date until a generation run has fixed one.
TDateRec generateTo() {
  if (g_generateTo.isZero()) g_generateTo = YmdToDateRec(Session().periodTo);
  return g_generateTo;
}

// Obtains the rates of the instances a generation from GENTO = from would
// write, before any of them is written: a rate typed in the middle of the
// writing would commit the half done. Stops at the first rate not given; the
// generation then stops at that instance. Kept in the caller's RateMemo.
void obtainInstanceRates(const TRptr& master, int32_t from, const QSet<int32_t>& existing) {
  const QString ccy = master.ccy.trimmed();
  // Payments, receipts and transfers in a foreign currency are valued at a rate.
  if (ccy == Session().settings.baseCurrency.trimmed() ||
      (master.type != QChar('P') && master.type != QChar('R') && master.type != QChar('C')))
    return;
  for (int32_t n = from + 1;; ++n) {
    const TDateRec d = InstanceDate(master, n);
    if ((!master.sched.endDate.isZero() && CompareDates(d, master.sched.endDate) > 0) ||
        (master.sched.rptCt > 0 && n > master.sched.rptCt))
      return;
    if (!existing.contains(n) && RateOnDate(ccy, DateRecToYmd(d)) <= 0) return;
    if (CompareDates(d, generateTo()) > 0) return;
  }
}

}  // namespace

TDateRec InstanceDate(const TRptr& master, int32_t n) {
  return ScheduleInstanceDate(master.sched, n);
}

TDateRec GenerateToDate() { return g_generateTo; }
void SetGenerateToDate(const TDateRec& d) { g_generateTo = d; }

// ------------------------------------------------------------------ masters

bool ReadRepeater(int32_t id, TRptr& r, bool warn) {
  if (ReadRptrRow(id, r)) return true;
  if (warn) ShowInfo("Repeater Master #" + num(id) + " not found");
  return false;
}

int32_t NewRepeaterId() {
  const int32_t m1 = QueryValue(QStringLiteral("select max(r.id) from rptr r"), {}, 0).toInt();
  const int32_t m2 = QueryValue(QStringLiteral("select max(t.masterid) from txn t"), {}, 0).toInt();
  if (m2 < m1) {
    ShowInfo("Repeater #" + num(m1) + " has no instances");
    return m1 + 1;
  }
  return m2 + 1;
}

bool WriteRepeater(TRptr& r) {
  if (r.id == 0) r.id = NewRepeaterId();
  if (!WriteRptrRow(r)) return false;
  r.sched.genToDate = InstanceDate(r, r.sched.genTo);
  return true;
}

TTxn MasterRecord(const TRptr& master) {
  TTxn t = NewTxn();
  t.id = 0;
  t.status = 1;
  t.masterId = master.id;
  t.instance = 0;
  t.rpt = master.sched;
  t.txnDate = t.actualDate = t.postingDate = master.sched.startDate;
  t.ccy = master.ccy;
  t.amount = master.amount;
  t.type = master.type;
  t.reference = master.reference;
  t.narrative = master.narrative;
  t.accId1 = master.accId1;
  t.accId2 = master.accId2;
  t.accId3 = master.accId3;
  t.accId4 = master.accId4;
  t.accName1 = master.accName1;
  t.accName2 = master.accName2;
  t.accName3 = master.accName3;
  t.accName4 = master.accName4;
  t.channel = master.accId1 > 0 ? master.channel : 0;
  t.created = master.created;
  t.edited = master.edited;
  return t;
}

bool WriteMasterRecord(TTxn& record) {
  TRptr r;
  // An existing master keeps what the record does not carry (its creation stamp).
  if (record.masterId <= 0 || !ReadRptrRow(record.masterId, r)) {
    r = TRptr();
    r.id = record.masterId > 0 ? record.masterId : 0;
  }
  copyContent(record, r);
  r.sched = record.rpt;
  if (!WriteRepeater(r)) return false;
  record.masterId = r.id;
  record.rpt.genToDate = r.sched.genToDate;
  return true;
}

bool UpdateRepeaterMaster(const TTxn& record) {
  TRptr r;
  if (!ReadRepeater(record.masterId, r, true)) return false;
  copyContent(record, r);
  if (record.status == 1) r.sched = record.rpt;
  return WriteRepeater(r);
}

// ------------------------------------------------------------------ generation

namespace {

// Whether the master's instances can be posted at all: its accounts are there
// and fit their slots. The same for every instance of one generation run.
bool instancesPostable(const TRptr& master, int32_t n) {
  TTxn t = MasterRecord(master);
  int32_t missing = -1;
  QList<int32_t> ids{t.accId1, t.accId2};
  if (t.type == QChar('P') || t.type == QChar('R')) ids << t.accId3 << t.accId4;
  for (int32_t id : ids)
    if (id > 0 && !LocateAccount(id)) missing = id;
  if (missing >= 0) {
    ShowInfo("Account #" + num(missing) + " not found, cannot generate Repeater #" +
             num(master.id) + " instance");
    return false;
  }
  t.status = 2;
  t.instance = n;
  t.txnDate = InstanceDate(master, n);
  // A master the books could never post (one account twice …) asks nothing first.
  return CheckTxnPostable(t);
}

// Instance n of a master whose instances were found postable.
int32_t writeInstance(TRptr& master, int32_t n) {
  TTxn t = MasterRecord(master);
  t.id = 0;
  t.status = 2;
  t.instance = n;
  t.txnDate = InstanceDate(master, n);
  // Valued as the entry form values the master: a transfer as a payment, so a
  // foreign-currency transfer has a value too.
  const QChar type = t.type;
  t.type = QChar('P');
  const bool valued = SetTxnValue(t);
  t.type = type;
  if (!valued) return 0;
  t.actualDate = t.postingDate = t.txnDate;
  if (!CheckNewTxn(t)) return 0;
  WriteUnit unit;
  if (!unit.begin() || !InsertTxnRow(t) || !PostTransaction(t)) return 0;
  if (t.rpt.rmDays != 0 && !AddInstanceReminder(t)) return 0;
  if (!unit.done()) return 0;
  return t.id;
}

}  // namespace

int32_t GenerateInstance(TRptr& master, int32_t n) {
  return instancesPostable(master, n) ? writeInstance(master, n) : 0;
}

int32_t GenerateInstances(TRptr& master) {
  if (!generates(master.sched)) return 0;
  generateTo();
  int32_t n = master.sched.genTo;
  if (n > 0 && CompareDates(InstanceDate(master, n), g_generateTo) > 0) return 0;
  // Instances already there (GENTO behind them) are passed over, never written twice.
  QSet<int32_t> existing;
  {
    bool ok = false;
    QSqlQuery q = RunQuery(
        QStringLiteral("select t.instance from txn t where t.masterid = ? and t.instance > ?"),
        {master.id, n}, &ok);
    if (!ok) return 0;
    while (q.next()) existing.insert(q.value(0).toInt());
  }
  RateMemo rates;
  obtainInstanceRates(master, n, existing);
  int32_t last = 0;
  bool checked = false;
  bool changed = false;
  while (true) {
    ++n;
    const TDateRec d = InstanceDate(master, n);
    const bool pastEnd =
        !master.sched.endDate.isZero() && CompareDates(d, master.sched.endDate) > 0;
    if (pastEnd || (master.sched.rptCt > 0 && n > master.sched.rptCt)) {
      master.sched.active = false;
      changed = true;
      break;
    }
    if (!existing.contains(n)) {
      FlashStatus("generating instance #" + num(master.id) + "-" + num(n) + " ...");
      // The accounts are checked once a run: they are the same for every instance.
      const int32_t id =
          checked || (checked = instancesPostable(master, n)) ? writeInstance(master, n) : 0;
      last = id;
      if (id == 0) break;
    }
    master.sched.genTo = n;
    changed = true;
    if (CompareDates(d, g_generateTo) > 0) break;
  }
  // GENTO and the active flag are written once a run: the run is one transaction.
  if (changed && !WriteRepeater(master)) last = 0;
  FlashClose();
  return last;
}

void ObtainNewMasterRates(const TTxn& record) {
  TRptr r;
  copyContent(record, r);
  r.sched = record.rpt;
  r.sched.genTo = 0;
  obtainInstanceRates(r, 0, {});
}

bool RegenerateInstances(int32_t masterId) {
  if (masterId == 0) {
    ShowProgramError(QStringLiteral("Trying to gen insts for zero master"));
    return false;
  }
  TRptr r;
  if (!ReadRepeater(masterId, r, true)) return false;
  GenerateInstances(r);
  return true;
}

bool ChooseGenerateToDate() {
  const TDateRec balance = YmdToDateRec(Session().periodTo);
  g_generateTo = balance;
  const TDateRec today = Today();
  TDateRec yearAhead = today;
  NextYear(yearAhead);
  RollDayOverflow(yearAhead);  // 29 February a year on is 1 March
  if (CompareDates(balance, yearAhead) > 0) {
    const QString balText = DateRecToText(balance);
    int choice = AskChoice("Balance date " + balText + " is distant! Generate repeaters to ...",
                           QStringLiteral("Bal date anyway"), QStringLiteral("Just 1 yr ahead"));
    if (choice == 1 && !AskYes("Generate repeaters all the way to " + balText + " - are you sure?"))
      choice = 2;
    g_generateTo = choice == 1 ? balance : choice == 2 ? yearAhead : today;
  }
  int32_t& lastGenTo = Session().settings.lastGenTo;
  if (lastGenTo > 0) {
    const int64_t days = daysFromTo(YmdToDateRec(lastGenTo), g_generateTo);
    if (days > 60 && !ConfirmSure("Many instances may be generated, " + num(days) + " days worth"))
      return false;
  }
  if (lastGenTo <= 0 || DateRecToYmd(g_generateTo) > lastGenTo)
    lastGenTo = DateRecToYmd(g_generateTo);
  return true;
}

bool ChooseGenerateToDateAhead() {
  g_chosenAhead = ChooseGenerateToDate();
  return g_chosenAhead;
}

void ForgetGenerateToChoice() { g_chosenAhead = false; }

bool GenerateRepeaterInstances() {
  if (FrozenRefusal(QStringLiteral("generate repeater instances"))) return false;
  const bool chosen = g_chosenAhead;
  g_chosenAhead = false;
  if (!chosen && !ChooseGenerateToDate()) return false;

  // The schedules alone tell which masters have an instance due: only those
  // are read whole (with their account names).
  QList<QPair<int32_t, TRptSchedule>> schedules;
  if (!ReadRptrSchedules(schedules)) return false;
  for (const auto& [id, sched] : schedules) {
    if (!sched.active || !generates(sched)) continue;
    if (sched.genTo > 0 && CompareDates(ScheduleInstanceDate(sched, sched.genTo), generateTo()) > 0)
      continue;
    TRptr r;
    if (!ReadRepeater(id, r) || !r.sched.active) continue;
    const TRptSchedule before = r.sched;
    GenerateInstances(r);
    // Each master's instances stand on their own: keep them whatever the next
    // one does. A master left as it was wrote nothing, and a commit costs
    // synchronous writes.
    const bool changed = r.sched.genTo != before.genTo || r.sched.active != before.active;
    if (changed && !CommitIfActive()) return false;
    ProcessPendingMessages();
  }
  return true;
}

// ------------------------------------------------------------------ deletion

bool DeleteInstancesFrom(int32_t masterId, int32_t n) {
  TRptr master;
  const bool found = ReadRepeater(masterId, master);
  struct Inst {
    int32_t id, instance;
    int64_t amount;
  };
  QList<Inst> insts;
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select t.id, t.instance, t.amt from txn t "
                                        "where t.masterid = ? and t.instance > 0 "
                                        "order by t.instance"),
                         {masterId}, &ok);
  if (!ok) return false;
  while (q.next()) insts << Inst{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toLongLong()};
  q = QSqlQuery();

  if (found) {
    for (const Inst& i : insts) {
      if (i.instance < n || i.amount == master.amount) continue;
      if (!ConfirmReallySure(QStringLiteral(
              "Instance amount(s) differ from master, this detail cannot automatically be "
              "recreated!\rcontinue anyway?")))
        return false;
      break;
    }
  }
  for (const Inst& i : insts) {
    if (i.instance < n) continue;
    FlashStatus("deleting instance #" + num(masterId) + "-" + num(i.instance) + " ...");
    TTxn t;
    if (!ReadTxn(i.id, t) || !DeleteTxnRows(t)) {
      FlashClose();
      return false;
    }
  }
  FlashClose();
  if (found && master.sched.genTo != n - 1) {
    master.sched.genTo = n - 1;
    if (!WriteRepeater(master)) return false;
  }
  return true;
}

// ------------------------------------------------------------------ edits

bool CarryEditToLaterInstances(const TTxn& old, const TTxn& now) {
  // A repair rewrites rows as they are; it must not spread them to other instances.
  if (now.status != 2 || HealthcheckRepairRunning()) return false;
  QStringList carry, fixed;
  auto differs = [](bool changed, const char* name, QStringList& list) {
    if (changed) list << QString::fromLatin1(name);
  };
  differs(old.ccy.trimmed() != now.ccy.trimmed(), "ccy", carry);
  differs(old.amount != now.amount, "amt", carry);
  differs(old.type != now.type, "type", carry);
  differs(old.reference != now.reference, "ref", carry);
  differs(old.narrative != now.narrative, "description", carry);
  differs(old.accId1 != now.accId1, "accid1", carry);
  differs(old.accId2 != now.accId2, "accid2", carry);
  differs(old.accId3 != now.accId3, "accid3", carry);
  differs(old.accId4 != now.accId4, "accid4", carry);
  differs(old.channel != now.channel, "channel", carry);
  differs(old.actualDate != now.actualDate, "txndate", fixed);
  differs(old.postingDate != now.postingDate, "pstgdate", fixed);
  if (!fixed.isEmpty())
    ShowInfo("These changes cannot be carried forward to later instances\rField(s) : " +
             fixed.join(QStringLiteral(", ")));
  if (carry.isEmpty()) return false;
  TRptr master;
  if (!ReadRepeater(now.masterId, master, true)) return false;
  if (!master.sched.active) {
    ShowInfo(QStringLiteral("Cannot apply to later instances since repeater is inactive"));
    return false;
  }
  if (!AskYes("Also apply these changes to later instances?\rField(s) : " +
              carry.join(QStringLiteral(", "))))
    return false;
  const int32_t i = now.instance;
  const int32_t g = master.sched.genTo;
  if (i < g) {
    const bool many = g - i > 1;
    if (!AskYes("Update will impact " + num(g - i) + " existing instance" +
                (many ? QStringLiteral("s") : QString()) + " #" + num(i + 1) +
                (many ? " to #" + num(g) : QString()) + "\r" +
                "as well as future instances - OK ?"))
      return false;
  }
  // The rates of the instances to come are obtained before any is deleted.
  RateMemo rates;
  TRptr after = master;
  copyContent(now, after);
  obtainInstanceRates(after, i, {});
  if (!DeleteInstancesFrom(now.masterId, i + 1)) return false;
  if (!UpdateRepeaterMaster(now)) return false;
  return RegenerateInstances(now.masterId);
}

bool MakeRepeaterFromTxn(TTxn& record, QChar freq) {
  TTxn t = record;
  if (t.status != 0) {
    if (!ConfirmOk(QStringLiteral("This transaction will become instance #1 of the new Repeater")))
      return false;
    t.status = 0;
    t.masterId = 0;
  }
  TRptr r;
  copyContent(t, r);
  r.sched.startDate = t.txnDate;
  r.sched.freq = freq;
  r.sched.rptInc = 1;
  r.sched.rptCt = 0;
  r.sched.endDate = TDateRec();
  r.sched.rmDays = freq == QChar('Y') ? 31 : 0;
  r.sched.active = true;
  r.sched.genTo = 1;
  const bool ok = WriteRepeater(r) && [&] {
    t.status = 2;
    t.masterId = r.id;
    t.instance = 1;
    t.rpt = r.sched;
    return UpdateTxnRow(t);
  }();
  if (!ok || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  SetRebalanceNeeded(true);
  record = t;
  return true;
}

bool DeactivateRepeater(int32_t id) {
  if (FrozenRefusal(QStringLiteral("deactivate repeater"))) return false;
  if (!ConfirmOk("Deactivate Repeater #" + num(id))) return false;
  TRptr r;
  if (!ReadRepeater(id, r)) return false;
  r.sched.active = false;
  if (WriteRepeater(r) && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

bool DeleteRepeater(int32_t id) {
  if (FrozenRefusal(QStringLiteral("delete repeater"))) return false;
  TRptr r;
  if (!ReadRepeater(id, r, true)) return false;
  if (r.sched.active) {
    ShowInfo(QStringLiteral("Cannot delete - Repeater Master is still active"));
    return false;
  }
  const int count =
      CountRows(QStringLiteral("txn"), QStringLiteral("masterid = ? and instance > 0"), {id});
  if (count < 0) return false;
  const QString head = "Delete Repeater #" + num(id) + " ";
  QString question = head + " Master with no instances";
  bool withInstances = false;
  if (count > 0) {
    const int choice =
        AskChoice(head + ": also delete " + num(count) + " Instance(s)?",
                  QStringLiteral("Retain Instances"), QStringLiteral("Delete Instances"));
    if (choice == 0) return false;
    withInstances = choice == 2;
    question = head + (withInstances ? QStringLiteral("Master and all Instances")
                                     : QStringLiteral("Master, retaining Instances as "
                                                      "stand-alone txns"));
  }
  if (!AskYes(question + " - are you sure?")) return false;
  if (withInstances && !AskYes("Delete " + num(count) + " instances, are you really sure?"))
    return false;
  // The instances go together, so their effect on reconciled balances and the
  // freeze date is asked about once, before any of them is gone.
  if (withInstances) {
    QList<TTxn> instances;
    bool ok = false;
    QSqlQuery q =
        RunQuery(QStringLiteral("select t.id from txn t where t.masterid = ? and t.instance > 0"),
                 {id}, &ok);
    if (!ok) return false;
    QList<int32_t> ids;
    while (q.next()) ids << q.value(0).toInt();
    q = QSqlQuery();
    for (int32_t txnId : ids) {
      TTxn t;
      if (ReadTxn(txnId, t)) instances << t;
    }
    if (!CheckDeleteTxns(instances)) return false;
  }
  const bool ok = (!withInstances || DeleteInstancesFrom(id, 1)) &&
                  ExecSql(QStringLiteral("delete from rptr where id = ?"), {id});
  if (ok && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

bool WeedRepeaters(int* count) {
  if (count) *count = 0;
  if (FrozenRefusal(QStringLiteral("delete repeater"))) return false;
  if (!AskYes(QStringLiteral("OK to delete all inactive Masters?\r(their Instances will be "
                             "retained as stand-alone transactions)")))
    return false;
  // The stored flag decides, not a list shown earlier: a master made active
  // again since stays.
  const int n = CountRows(QStringLiteral("rptr"), QStringLiteral("rptactive = 0"));
  if (n < 0 || !ExecSql(QStringLiteral("delete from rptr where rptactive = 0")) ||
      !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  if (count) *count = n;
  ShowInfo(QStringLiteral("Weeded OK"));
  return true;
}

// ------------------------------------------------------------------ the list

QString ActiveRepeatersSql(bool activeOnly) {
  return QStringLiteral(
             "select r.id, r.startdate, r.enddate, r.freq, r.\"type\", r.amt, r.gento, "
             "r.narrative, r.rptactive, r.rptinc, a1.name as accname1, a2.name as accname2, "
             "a3.name as accname3, a4.name as accname4 from rptr r "
             "left join account a1 on a1.id = r.accid1 "
             "left join account a2 on a2.id = r.accid2 "
             "left join account a3 on a3.id = r.accid3 "
             "left join account a4 on a4.id = r.accid4 ") +
         (activeOnly ? QStringLiteral("WHERE (r.rptactive = 1) ") : QString()) +
         QStringLiteral("order by r.id");
}
