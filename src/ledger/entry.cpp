#include "ledger/entry.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <initializer_list>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/counterparty.h"
#include "ledger/currencies.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

const QString kContinue = QStringLiteral(" - continue anyway? ?");
const QString kNoDatesText =
    QStringLiteral("One or both of Actual Transaction/Posting Dates must be completed");
const QString kSplitInvalid = QStringLiteral("Invalid / incomplete Split details");

bool refuse(const QString& text) {
  ShowInfo(text);
  return false;
}

bool missing(const QString& slot) { return refuse(slot + " not specified"); }

// A real calendar date written yyyy-mm-dd; anything else is refused with the
// parser's message (the plain parser lets 2024-02-30 through).
bool parseDateOrWarn(const QString& text, TDateRec& d) {
  static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
  TDateRec x;
  if (shape.match(text).hasMatch() && ParseDateText(text, x) && x.year >= 1 && x.month >= 1 &&
      x.month <= 12 && x.day >= 1 && x.day <= MonthLength(x)) {
    d = x;
    return true;
  }
  ShowInfo("Invalid date " + InQuotes(text));
  return false;
}

// An integer box: empty gives 0; an invalid or negative text is refused with
// the parser's message.
bool parseCountOrWarn(const QString& text, int& n) {
  n = 0;
  const QString t = text.trimmed();
  if (t.isEmpty()) return true;
  if (!ParseIntOrWarn(t, n)) return false;
  if (n < 0) {
    n = 0;
    return refuse("Invalid integer " + InQuotes(t));
  }
  return true;
}

// Texts are stored on one line, cut to the column's width in whole characters.
QString storedText(const QString& text, int width) {
  QString s = text;
  s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  s.replace(QLatin1Char('\r'), QLatin1Char(' '));
  s.replace(QLatin1Char('\n'), QLatin1Char(' '));
  int chars = 0;
  int i = 0;
  while (i < s.size() && chars < width) {
    i += (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
    ++chars;
  }
  return s.left(i);
}

bool isBase(const QString& ccy) {
  return ccy.trimmed() == Session().settings.baseCurrency.trimmed();
}

// RATE and VAL of txn from a rate already obtained.
bool valueAt(TTxn& txn, double rate) {
  if (isBase(txn.ccy)) {
    txn.rate = 1.0;
    txn.value = txn.amount;
    return true;
  }
  int64_t value = 0;
  if (!DivideHalfEven(txn.amount, rate, value))
    return refuse("Value of " + FormatAmount(txn.amount) + " " + txn.ccy + " at rate " +
                  FormatRate(rate) + " is out of range");
  txn.rate = rate;
  txn.value = value;
  return true;
}

// The rate of ccy on ymd, asked once: 1 for the base currency.
bool requireRate(const QString& ccy, const TDateRec& date, double& rate) {
  rate = 1.0;
  if (isBase(ccy)) return true;
  return RequireRate(ccy.trimmed(), StoredDate(date), rate);
}

bool readSlot(int32_t id, TObj& a) {
  if (ReadAccount(id, a)) return true;
  return refuse("Account #" + num(id) + " not found - transaction not written");
}

// An account in a slot that its kind does not fit would post nonsense.
bool kindFits(const TObj& a, std::initializer_list<int> kinds, const QString& slot) {
  for (int k : kinds)
    if (a.kind == k) return true;
  return refuse(slot + " " + InQuotes(a.name.trimmed()) + " is the wrong kind of account");
}

bool sameCcy(const TObj& a, const QString& ccy) { return a.ccy.trimmed() == ccy.trimmed(); }

bool checkDate(int32_t id, const TDateRec& date) {
  if (id == 0) return true;
  TObj a;
  a.id = id;
  return CheckAccountForTxnDate(a, date);
}

TDateRec externalDate(const TTxn& t) { return t.postingDate.isZero() ? t.txnDate : t.postingDate; }

// The closed-account question and the open-date move for every account of t.
bool checkAccountsOf(const TTxn& t) {
  const TDateRec ext = externalDate(t);
  if (t.type == QChar('C')) {
    TObj a;
    const bool internal = ReadAccount(t.accId1, a) && a.kind != kKindExternal;
    const TDateRec d = internal ? t.txnDate : ext;
    return checkDate(t.accId1, d) && checkDate(t.accId2, d);
  }
  return checkDate(t.accId1, ext) && checkDate(t.accId2, ext) && checkDate(t.accId4, t.txnDate);
}

bool payOrReceive(EntryType t) { return t == EntryType::Payment || t == EntryType::Receipt; }

struct Pages {
  bool repeat = false, cashback = false, split = false, fx = false;
};

// Which pages count: a page the form does not offer for this type and mode is ignored.
Pages pagesOf(const TEntry& e) {
  Pages p;
  const bool editingMaster = e.mode == QChar('E') && e.loaded.status == 1;
  p.repeat = editingMaster || (e.mode == QChar('N') && e.repeat.ticked);
  p.cashback = e.mode == QChar('N') && e.type == EntryType::Payment && e.cashback.ticked;
  p.split = e.mode == QChar('N') && payOrReceive(e.type) && e.split.ticked;
  p.fx = e.type == EntryType::Fx;
  return p;
}

// Effective dates, so that an instance (written with both dates equal to its
// transaction date) and the form's record of it (posting date empty when the
// same) compare alike.
TTxn withEffectiveDates(TTxn t) {
  if (t.postingDate.isZero()) t.postingDate = t.txnDate;
  if (t.actualDate.isZero()) t.actualDate = t.txnDate;
  return t;
}

}  // namespace

// ------------------------------------------------------------------ split

bool CheckSplit(TEntrySplit& split, int32_t category1, QString& amountText) {
  int64_t total = 0, a1 = 0, a2 = 0;
  const QString tText = split.totalText.trimmed();
  const QString t1 = split.amount1Text.trimmed();
  const QString t2 = split.amount2Text.trimmed();
  auto read = [](const QString& text, int64_t& v) {
    return text.isEmpty() || (ParseAmountOrWarn(text, v) && v >= 0);
  };
  bool ok = read(tText, total) && read(t1, a1) && read(t2, a2);
  // Two empty parts leave nothing to compute from.
  ok = ok && !(t1.isEmpty() && t2.isEmpty());
  if (ok && tText.isEmpty()) ok = !__builtin_add_overflow(a1, a2, &total);
  if (ok && t1.isEmpty()) a1 = total - a2;
  if (ok && t2.isEmpty()) a2 = total - a1;
  int64_t sum = 0;
  ok = ok && a1 >= 0 && a2 >= 0 && !__builtin_add_overflow(a1, a2, &sum) && sum == total;
  if (ok) {
    split.totalText = FormatAmount(total);
    split.amount1Text = FormatAmount(a1);
    split.amount2Text = FormatAmount(a2);
    amountText = split.totalText;
  }
  ok = ok && category1 != 0 && split.category2 != 0;
  if (!ok) ShowInfo(kSplitInvalid);
  return ok;
}

// ------------------------------------------------------------------ bypass

bool CheckBypass(const TTxn& txn) {
  if (txn.type != QChar('P') && txn.type != QChar('R')) return true;
  TObj ext;
  if (ReadAccount(txn.accId1, ext) && ext.heldWith == txn.accId2) return true;
  const bool ownOpen =
      QueryValue(QStringLiteral("select first 1 o.id from account o where (o.type2 = 1) and "
                                "(o.accwith = ?) and (o.closedate = 99999999)"),
                 {txn.accId2}, 0)
          .toInt() != 0;
  if (!ownOpen) return true;
  return AskYes("This transaction will bypass your external account with this counterparty" +
                kContinue);
}

// ------------------------------------------------------------------ validation

bool ValidateEntry(const TEntry& e, TEntryPlan& plan, WriteUnit& unit) {
  plan = TEntryPlan();
  TTxn& t = plan.txn;
  t = NewTxn();
  const Pages pages = pagesOf(e);
  const bool editingMaster = e.mode == QChar('E') && e.loaded.status == 1;
  const bool internalTransfer =
      e.type == EntryType::Transfer && e.transfer == EntryTransfer::Internal;

  // 1. An internal transfer has no posting date; its actual date is always on.
  const bool postingOn = e.postingTicked && e.postingPanelShown && !internalTransfer;
  const bool actualOn = e.actualTicked || internalTransfer;
  // 2.
  if (!postingOn && !actualOn) return refuse(kNoDatesText);
  const int32_t dbStart = Session().dbStartDate;
  // 3.
  if (postingOn) {
    if (pages.repeat)
      return refuse(QStringLiteral("Posting dates not supported on Repeaters (sorry)"));
    TDateRec d;
    if (!parseDateOrWarn(e.postingText.trimmed(), d)) return false;
    t.postingDate = d;
    t.txnDate = d;
    if (dbStart > 0 && StoredDate(d) < dbStart &&
        !ConfirmOk(QStringLiteral("Pstg") + " date before DB start date"))
      return false;
  }
  // 4.
  if (actualOn) {
    TDateRec d;
    if (!parseDateOrWarn(e.actualText.trimmed(), d)) return false;
    t.actualDate = d;
    t.txnDate = d;
    if (dbStart > 0 && StoredDate(d) < dbStart &&
        !ConfirmOk(QStringLiteral("Txn") + " date before DB start date"))
      return false;
  }
  // 5.
  if (!t.postingDate.isZero() && t.postingDate == t.actualDate)
    return refuse(QStringLiteral("\"Actual txn date\" and \"posting date\" must not be the same"));
  if (t.txnDate.isZero()) return refuse(kNoDatesText);
  // 6.
  if (!editingMaster) {
    const int32_t ymd = StoredDate(t.txnDate);
    const TSession& s = Session();
    if (((s.periodFrom > 0 && ymd < s.periodFrom) || (s.periodTo > 0 && ymd > s.periodTo)) &&
        !ConfirmOk("Txn date " + DateRecToText(t.txnDate) + " is outside period"))
      return false;
  }
  // 7.
  t.ccy = e.ccy.trimmed().toUpper();
  if (t.ccy.isEmpty() || !LocateCurrency(t.ccy))
    return refuse("Currency " + InQuotes(t.ccy) + " not found");
  // 8.
  if (pages.split) {
    TEntrySplit split = e.split;
    QString amountText;
    if (!CheckSplit(split, e.internalAccount, amountText)) return false;
    int64_t a1 = 0;
    ParseAmount(split.amount1Text, a1);
    ParseAmount(split.amount2Text, plan.split2);
    t.amount = a1;
    t.batch = -1;
  } else {
    const QString text = e.amountText.trimmed();
    if (text.isEmpty()) return refuse(QStringLiteral("Amount not specified"));
    if (!ParseAmountOrWarn(text, t.amount)) return false;
    if (t.amount < 0) return refuse(QStringLiteral("Amount must be >= 0"));
  }
  // 9. Valued as a payment whatever the type, so a transfer is valued too.
  if (!requireRate(t.ccy, t.txnDate, plan.rate) || !valueAt(t, plan.rate)) return false;

  // The companions' rates, before anything is written: storing a typed rate commits.
  const QString foreignCcy = e.fx.foreignCcy.trimmed().toUpper();
  if (pages.fx && !foreignCcy.isEmpty() && foreignCcy != t.ccy && LocateCurrency(foreignCcy)) {
    plan.foreignRate = isBase(foreignCcy) ? 1.0 : RateOnDate(foreignCcy, StoredDate(t.txnDate));
    if (!(plan.foreignRate > 0)) return false;  // the lookup has said why
  }
  if (pages.cashback && e.cashback.cashAccount != 0) {
    TObj cash;
    if (!readSlot(e.cashback.cashAccount, cash)) return false;
    plan.cashbackCcy = cash.ccy.trimmed();
    if (!requireRate(plan.cashbackCcy, t.txnDate, plan.cashbackRate)) return false;
  }
  // A new master's instances are valued on their own dates: those rates too are
  // got now, so its generation after the write asks (and commits) nothing. The
  // schedule is read quietly here; step 19 refuses a bad one with its message.
  if (pages.repeat && !editingMaster && e.repeat.freq != QChar(' ')) {
    TTxn master = t;
    master.rpt = TRptSchedule();
    master.rpt.freq = e.repeat.freq;
    master.rpt.startDate = t.txnDate;
    master.rpt.endDate = ParseDateTextOrZero(e.repeat.untilText.trimmed());
    int inc = 0, count = 0;
    ParseIntOrZero(e.repeat.incrementText.trimmed(), inc);
    ParseIntOrZero(e.repeat.countText.trimmed(), count);
    master.rpt.rptInc = inc;
    master.rpt.rptCt = count;
    if (inc >= 1 && inc <= 100 && count >= 0) ObtainNewMasterRates(master);
  }

  if (!unit.begin()) return false;

  int32_t externalId = e.externalAccount;
  // 10.
  if (payOrReceive(e.type) && e.payment == EntryPayment::Credit) {
    if (e.counterparty == 0) return missing(QStringLiteral("Counterparty"));
    bool created = false;
    externalId = CounterpartyOwnAccount(e.counterparty, t.ccy, created);
    if (externalId == 0) return false;
  }
  // 11.
  const TDateRec extDate = externalDate(t);
  // 12.
  if (payOrReceive(e.type) || e.type == EntryType::Fx) {
    TObj ext, cpty, internal;
    if (externalId == 0) return missing(QStringLiteral("External account"));
    if (!readSlot(externalId, ext) || !kindFits(ext, {kKindExternal}, "External account"))
      return false;
    if (!sameCcy(ext, t.ccy)) return refuse(QStringLiteral("Account/currency mismatch"));
    if (e.counterparty == 0) return missing(QStringLiteral("Counterparty"));
    if (!readSlot(e.counterparty, cpty) || !kindFits(cpty, {kKindCounterparty}, "Counterparty"))
      return false;
    if (e.internalAccount == 0) return missing(QStringLiteral("Category"));
    if (!readSlot(e.internalAccount, internal) ||
        !kindFits(internal, {kKindCategory, kKindPot}, "Category"))
      return false;
    if (!CheckAccountForTxnDate(ext, extDate) || !CheckAccountForTxnDate(cpty, extDate) ||
        !CheckAccountForTxnDate(internal, t.txnDate))
      return false;
    TChannel ch;
    if (e.externalChannel != 0 && ReadChannelRow(e.externalChannel, ch) && ch.status != 0 &&
        !AskYes("Channel is closed" + kContinue))
      return false;
    t.accId1 = externalId;
    t.accId2 = e.counterparty;
    t.accId4 = e.internalAccount;
    t.channel = e.externalChannel;
  } else if (!internalTransfer) {
    // 13.
    if (e.externalAccount == 0 || e.secondExternal == 0)
      return missing(QStringLiteral("External account"));
    if (e.externalAccount == e.secondExternal)
      return refuse(QStringLiteral("From & To accounts must be different"));
    TObj from, to;
    if (!readSlot(e.externalAccount, from) || !readSlot(e.secondExternal, to) ||
        !kindFits(from, {kKindExternal}, "External account") ||
        !kindFits(to, {kKindExternal}, "External account"))
      return false;
    if (!sameCcy(from, t.ccy) || !sameCcy(to, t.ccy))
      return refuse(QStringLiteral("Account/currency mismatch"));
    if (!CheckAccountForTxnDate(from, extDate) || !CheckAccountForTxnDate(to, extDate))
      return false;
    t.accId1 = e.externalAccount;
    t.accId2 = e.secondExternal;
    t.channel = e.externalChannel;
  } else {
    // 14.
    if (e.internalAccount == 0 || e.secondInternal == 0)
      return missing(QStringLiteral("Internal account"));
    if (e.internalAccount == e.secondInternal)
      return refuse(QStringLiteral("From & To accounts must be different"));
    TObj from, to;
    if (!readSlot(e.internalAccount, from) || !readSlot(e.secondInternal, to) ||
        !kindFits(from, {kKindCategory, kKindPot}, "Internal account") ||
        !kindFits(to, {kKindCategory, kKindPot}, "Internal account"))
      return false;
    if (!sameCcy(from, t.ccy) || !sameCcy(to, t.ccy))
      return refuse(QStringLiteral("Account/currency mismatch"));
    if (!CheckAccountForTxnDate(from, t.txnDate) || !CheckAccountForTxnDate(to, t.txnDate))
      return false;
    if ((from.kind == kKindCategory || to.kind == kKindCategory) &&
        !AskYes("Internal Transfers are usually only needed between Pots, not Categories" +
                kContinue))
      return false;
    t.accId1 = e.internalAccount;
    t.accId2 = e.secondInternal;
  }
  // 15.
  if (pages.fx) {
    if (e.fx.foreignAccount == 0) return missing(QStringLiteral("Foreign ccy external account"));
    const QString famt = e.fx.foreignAmountText.trimmed();
    if (famt.isEmpty()) return refuse(QStringLiteral("Invalid foreign currency amount"));
    if (!ParseAmountOrWarn(famt, plan.foreignAmount)) return false;
    if (plan.foreignAmount < 0) return refuse(QStringLiteral("Invalid foreign currency amount"));
    const QString comm = e.fx.commissionText.trimmed();
    if (!comm.isEmpty()) {
      if (!ParseAmountOrWarn(comm, plan.commission)) return false;
      if (plan.commission < 0) return refuse(QStringLiteral("Invalid commission amount"));
    }
    if (foreignCcy.isEmpty() || foreignCcy == t.ccy)
      return refuse(QStringLiteral("Fgn ccy = home ccy"));
    TObj foreign;
    if (!readSlot(e.fx.foreignAccount, foreign) ||
        !kindFits(foreign, {kKindExternal}, "Foreign ccy external account"))
      return false;
    if (!sameCcy(foreign, foreignCcy)) return refuse(QStringLiteral("Account/currency mismatch"));
    if (!(plan.foreignRate > 0)) return refuse("Currency " + InQuotes(foreignCcy) + " not found");
    t.reference = storedText(JoinNonEmpty("FX", ", rate = ", e.fx.rateText.trimmed()), kRefWidth);
  }
  // 16.
  switch (e.type) {
    case EntryType::Payment:
      t.type = QChar('P');
      break;
    case EntryType::Receipt:
      t.type = QChar('R');
      break;
    case EntryType::Transfer:
      t.type = QChar('C');
      break;
    case EntryType::Fx:
      t.type = e.fxType == EntryFxType::Buy ? QChar('P') : QChar('R');
      t.batch = -1;
      break;
  }
  // 17.
  if (pages.cashback) {
    if (e.cashback.cashAccount == 0) return refuse(QStringLiteral("No cashback account selected"));
    if (!ParseAmountOrWarn(e.cashback.amountText.trimmed(), plan.cashbackAmount)) return false;
    if (plan.cashbackAmount == std::numeric_limits<int64_t>::min())
      return refuse("Invalid amount " + InQuotes(e.cashback.amountText.trimmed()));
    TObj cash;
    if (!readSlot(e.cashback.cashAccount, cash) || !kindFits(cash, {kKindExternal}, "Cash account"))
      return false;
    t.batch = -1;
  }
  // 18.
  t.cancelled = e.cancelled;
  t.narrative = storedText(e.description, kNarrativeWidth);
  if (!pages.fx) t.reference = storedText(e.reference, kRefWidth);
  // 19.
  if (pages.repeat) {
    if (!editingMaster &&
        (pages.cashback || pages.split || pages.fx || e.batch.choice != EntryBatch::None))
      return refuse(
          QStringLiteral("Repeat cannot be combined with Cashback, Split, FX or a Batch"));
    t.status = 1;
    t.rpt = TRptSchedule();
    t.rpt.active = e.repeat.active;
    t.rpt.startDate = t.txnDate;
    const QString until = e.repeat.untilText.trimmed();
    if (!until.isEmpty() && !parseDateOrWarn(until, t.rpt.endDate)) return false;
    if (e.repeat.freq == QChar(' ')) return refuse(QStringLiteral("Repeat frequency omitted"));
    t.rpt.freq = e.repeat.freq;
    int inc = 0;
    if (!parseCountOrWarn(e.repeat.incrementText, inc)) return false;
    if (inc < 1 || inc > 100) return refuse(QStringLiteral("Increment must be from 1 to 100"));
    t.rpt.rptInc = inc;
    if (!parseCountOrWarn(e.repeat.countText, t.rpt.rptCt)) return false;
    if (!parseCountOrWarn(e.repeat.reminderDaysText, t.rpt.rmDays)) return false;
    const bool sparse = (t.rpt.freq == QChar('M') && inc > 1) || t.rpt.freq == QChar('Y');
    if (sparse && t.rpt.rmDays == 0 && !AskYes(QStringLiteral(" No reminder, are you sure?")))
      return false;
  }
  // 20.
  plan.batchAfter = e.batch;
  switch (e.batch.choice) {
    case EntryBatch::New:
      t.batch = -1;
      break;
    case EntryBatch::None:
      if (e.mode == QChar('E')) t.batch = 0;
      break;
    case EntryBatch::AddToExisting: {
      const QString text = e.batch.numberText.trimmed();
      int n = 0;
      const bool parsed = !text.isEmpty() && ParseIntOrWarn(text, n);
      if (!parsed || n <= 0) return refuse(QStringLiteral("Batchnum invalid"));
      TTxn head;
      if (!ReadTxn(n, head)) return refuse("txn not found " + num(n));
      if (head.batch != 0 && head.batch != n)
        return refuse("Transaction #" + num(n) + " is already in a batch (#" + num(head.batch) +
                      ")");
      if ((e.mode == QChar('N') || n != e.loaded.batch) &&
          !AskYes("Transaction will be included in Batch #" + num(n) + " - OK?"))
        return false;
      t.batch = n;
      if (e.mode == QChar('E') ||
          !AskYes(QStringLiteral(
              "Keep batch open for next txn input? (you can always add to it later)")))
        plan.batchAfter = TEntryBatchPage();
      break;
    }
  }
  return true;
}

// ------------------------------------------------------------------ saving

namespace {

struct Companions {
  QList<TTxn> list;  // in writing order
  QList<int32_t*> idOut;
};

// The companion transactions of a new entry, valued with the rates got before.
bool buildCompanions(const TEntry& e, const TEntryPlan& plan, TEntrySaved& saved, Companions& c) {
  const Pages pages = pagesOf(e);
  const TTxn& first = plan.txn;
  if (pages.cashback) {
    TTxn cb = NewTxn();
    cb.ccy = plan.cashbackCcy;
    cb.type = plan.cashbackAmount < 0 ? QChar('P') : QChar('R');
    cb.amount = plan.cashbackAmount < 0 ? -plan.cashbackAmount : plan.cashbackAmount;
    cb.txnDate = cb.postingDate = first.txnDate;
    cb.accId1 = e.cashback.cashAccount;
    cb.accId2 = first.accId2;
    cb.accId4 = first.accId4;
    cb.reference = QStringLiteral("Cashback");
    cb.cancelled = first.cancelled;
    if (!valueAt(cb, plan.cashbackRate)) return false;
    c.list << cb;
    c.idOut << &saved.cashbackId;
  }
  if (pages.split) {
    TTxn part = first;
    part.id = 0;
    part.accId4 = e.split.category2;
    part.amount = plan.split2;
    if (!valueAt(part, plan.rate)) return false;
    c.list << part;
    c.idOut << &saved.splitId;
  }
  if (pages.fx) {
    if (plan.commission != 0) {
      TTxn comm = first;
      comm.id = 0;
      comm.type = QChar('P');
      comm.amount = plan.commission;
      comm.reference = QStringLiteral("FX commission");
      if (!valueAt(comm, plan.rate)) return false;
      c.list << comm;
      c.idOut << &saved.commissionId;
    }
    TTxn leg = first;
    leg.id = 0;
    if (first.type == QChar('P'))
      leg.type = QChar('R');
    else if (first.type == QChar('R'))
      leg.type = QChar('P');
    else {
      ShowProgramError(QStringLiteral("invalid FX txn type"));
      return false;
    }
    leg.accId1 = e.fx.foreignAccount;
    leg.channel = e.fx.foreignChannel;
    leg.amount = plan.foreignAmount;
    leg.ccy = e.fx.foreignCcy.trimmed().toUpper();
    if (!valueAt(leg, plan.foreignRate)) return false;
    c.list << leg;
    c.idOut << &saved.secondLegId;
  }
  return true;
}

QList<int32_t> instanceIds(int32_t masterId) {
  QList<int32_t> ids;
  QSqlQuery q =
      RunQuery(QStringLiteral("select t.id from txn t where t.masterid = ? order by t.instance"),
               {masterId});
  while (q.next()) ids << q.value(0).toInt();
  return ids;
}

}  // namespace

bool SaveEntry(const TEntry& entry, TEntrySaved& saved) {
  RateMemo rates;  // a rate asked during validation is not asked again by the generation
  TEntrySaved out;
  TEntryPlan plan;
  WriteUnit unit;  // everything written before its done() goes if the save stops
  if (!ValidateEntry(entry, plan, unit)) return false;
  TTxn t = plan.txn;
  const bool edit = entry.mode == QChar('E');
  const TTxn old = edit ? entry.loaded : NoTxn();

  // 1. and 2.
  if (!CheckReconciledAndFreeze(old, t) || !CheckBypass(t)) return false;
  // 3.
  if (edit) {
    if (old.id == 0 && old.status != 1) {
      ShowProgramError(QStringLiteral("old txn id = 0"));
      return false;
    }
    t.id = old.id;
    t.status = old.status;
    t.instance = old.instance;
    t.masterId = old.masterId;
    if (old.status == 1)
      t.rpt.genTo = old.rpt.genTo;
    else
      t.rpt = old.rpt;
    if (!ConfirmOk("Update " + (old.status == 1 ? QStringLiteral(" Repeater Master")
                                                : QStringLiteral("existing transaction"))))
      return false;
  }
  // Every companion is checked before anything of the entry is written.
  Companions companions;
  if (!edit) {
    if (!buildCompanions(entry, plan, out, companions)) return false;
    for (const TTxn& c : companions.list)
      if (!CheckNewTxn(c) || !checkAccountsOf(c)) return false;
  }
  // 5. A master's edit leaves its instances as they are.
  if (edit && old.status == 1) {
    if (!UpdateRepeaterMaster(t)) return false;
    if (!RecordCounterpartyCategory(t)) return false;
    if (!unit.done() || !CommitRetainingAndCloseTables()) return false;
    out.txn = t;
    out.masterId = t.masterId;
    out.lastDescription = t.narrative;
    out.batchAfter = plan.batchAfter;
    saved = out;
    return true;
  }
  // 6.
  if (edit) {
    if (!DeletePostings(old)) return false;
    if (old.batch == 0 && t.batch != 0 && t.batch != t.id && t.batch > 0 && !StartBatch(t.batch))
      return false;
  } else if (t.batch > 0 && !StartBatch(t.batch)) {
    return false;
  }
  // 7.
  const bool newMaster = t.status == 1;
  if (!WriteTransaction(t)) return false;
  // 8.
  if (newMaster) {
    out.masterId = t.masterId;
    TRptr master;
    if (!ReadRepeater(t.masterId, master, true)) return false;
    const int32_t last = GenerateInstances(master);
    out.ids = instanceIds(t.masterId);
    t.id = last != 0 ? last : (out.ids.isEmpty() ? 0 : out.ids.last());
  } else {
    out.lastInputId = t.id;
    out.ids << t.id;
  }
  // 9.
  if (!RecordCounterpartyCategory(t)) return false;
  // 10.
  out.lastDescription = t.narrative;
  // 11.
  if (edit && t.status == 2)
    CarryEditToLaterInstances(withEffectiveDates(old), withEffectiveDates(t));
  // 13.-15.
  for (int i = 0; i < companions.list.size(); ++i) {
    TTxn c = companions.list[i];
    c.batch = t.batch;
    if (!WriteTransaction(c)) return false;
    *companions.idOut[i] = c.id;
    out.ids << c.id;
  }
  // 16.
  out.batchAfter = plan.batchAfter;
  if (entry.batch.choice == EntryBatch::New) {
    out.batchAfter.choice = EntryBatch::AddToExisting;
    out.batchAfter.numberText = num(t.id);
  }
  // 17.
  if (!unit.done() || !CommitRetainingAndCloseTables()) {
    RollbackIfActive();
    return false;
  }
  out.txn = t;
  saved = out;
  return true;
}

// ------------------------------------------------------------------ reconciled balances

bool RedateReconciledBalance(TTxn& txn, const TDateRec& date) {
  if (txn.type != QChar('Z') || txn.id == 0) return false;
  TTxn t = txn;
  WriteUnit unit;
  bool ok = unit.begin() && DeletePostings(t);
  t.txnDate = date;
  t.postingDate = TDateRec();
  ok = ok && WriteTransaction(t);
  // The account's reconciled date is its latest reconciled balance, wherever this one moved.
  TObj a;
  if (ok && ReadAccount(t.accId1, a)) {
    const int32_t latest =
        QueryValue(QStringLiteral("select max(t.txndate) from txn t where (t.\"type\" = 'Z') and "
                                  "(t.accid1 = ?)"),
                   {t.accId1}, 0)
            .toInt();
    a.reconciledDate = latest > 0 ? YmdToDateRec(latest) : TDateRec();
    a.reconciledText = latest > 0 ? YmdToText(latest) : QString();
    ok = WriteAccount(a);
  }
  ok = ok && unit.done() && CommitIfActive();
  if (!ok) {
    RollbackIfActive();
    return false;
  }
  txn = t;
  return true;
}

// ------------------------------------------------------------------ sweeps

int32_t RecordSweep(const TTxn& saved, int32_t accountId, int64_t balance) {
  if (saved.cancelled || balance == 0) return -1;
  bool sweeps = false;
  for (const TPstg& p : PostingsOf(saved))
    if (p.account == accountId && p.amount == -balance) sweeps = true;
  if (!sweeps) return -1;
  TObj a;
  if (!ReadAccount(accountId, a)) return -1;
  // The reconciled balance is in the account's own currency.
  QString& working = Session().workingCurrency;
  const QString before = working;
  working = a.ccy.trimmed();
  const int32_t id = WriteReconciledBalance(accountId, saved.txnDate, 0);
  working = before;
  return id != 0 ? id : -1;
}
