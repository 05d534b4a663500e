#include "ledger/posting.h"

#include <QHash>
#include <QSqlQuery>
#include <cstdlib>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/counterparty.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/session.h"

namespace {

std::function<void(int32_t)> g_showTransaction;

QString num(int64_t n) { return QString::number(n); }

int64_t magnitude(int64_t x) { return x < 0 ? -x : x; }

// Ends a user command: commits, or drops the whole transaction on failure.
bool finish(bool ok) {
  if (ok && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

int32_t postingYmd(const TTxn& t) {
  return StoredDate(t.postingDate.isZero() ? t.txnDate : t.postingDate);
}

bool readTxnOrSay(int32_t id, TTxn& t) {
  if (ReadTxn(id, t)) return true;
  ShowInfo("txn not found " + num(id));
  return false;
}

// What the guard needs of each account a transaction names: one query for all.
struct TSlotAccount {
  int kind = 0;
  QString ccy;
};

bool readSlotAccounts(const TTxn& t, QHash<int32_t, TSlotAccount>& found) {
  const QVariantList ids{t.accId1, t.accId2, t.accId3, t.accId4};
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select a.id, a.type2, a.ccy from account a "
                                        "where a.id in (?, ?, ?, ?)"),
                         ids, &ok);
  if (!ok) return false;
  while (q.next())
    found.insert(q.value(0).toInt(), {q.value(1).toInt(), q.value(2).toString().trimmed()});
  return true;
}

bool isInternalKind(int kind) { return kind == kKindCategory || kind == kKindPot; }

// The slot an account fills, for the refusal's text, and whether its kind fits.
bool kindFits(const TTxn& t, int32_t account, int kind, QString& slot) {
  const bool payment = t.type == QChar('P') || t.type == QChar('R');
  slot = payment && account == t.accId1   ? QStringLiteral("external account")
         : payment && account == t.accId2 ? QStringLiteral("counterparty")
         : payment                        ? QStringLiteral("internal account")
         : t.type == QChar('C')           ? QStringLiteral("transfer account")
                                          : QStringLiteral("account");
  if (IsGroupKind(kind) || kind == kKindDiary || !IsValidAccountKind(kind)) return false;
  if (payment) {
    if (account == t.accId1) return kind == kKindExternal;
    if (account == t.accId2) return kind == kKindCounterparty;
    return isInternalKind(kind);
  }
  // Money moves between two external accounts or between two internal ones.
  if (t.type == QChar('C')) return kind == kKindExternal || isInternalKind(kind);
  return true;
}

QString notWritten() { return QStringLiteral(" - transaction not written"); }

}  // namespace

bool CheckTxnPostable(const TTxn& txn) {
  // A master is checked as the instances it will generate.
  TTxn t = txn;
  if (t.status == 1) t.status = 0;
  if (t.txnDate.isZero()) {
    ShowInfo(QStringLiteral("One or both of Actual Transaction/Posting Dates must be completed"));
    return false;
  }
  QHash<int32_t, TSlotAccount> accounts;
  if (!readSlotAccounts(t, accounts)) return false;
  for (int32_t id : {t.accId1, t.accId2, t.accId3, t.accId4}) {
    if (id == 0 || accounts.contains(id)) continue;
    ShowInfo("Account #" + num(id) + " not found" + notWritten());
    return false;
  }
  // Postings are keyed by (TXNID, OBJID): a second one on an account would
  // overwrite the first and leave the transaction out of balance.
  QList<int32_t> seen;
  int transferSide = 0;  // the kind of a transfer's first account
  for (const TPstg& p : PostingsOf(t)) {
    if (p.account == 0) continue;
    if (seen.contains(p.account)) {
      ShowProgramError("Account #" + num(p.account) + " twice in one transaction" + notWritten());
      return false;
    }
    seen << p.account;
    const TSlotAccount& a = accounts[p.account];
    QString slot;
    bool fits = kindFits(t, p.account, a.kind, slot);
    if (fits && t.type == QChar('C')) {
      const int side = a.kind == kKindExternal ? kKindExternal : kKindCategory;
      if (transferSide == 0) transferSide = side;
      fits = side == transferSide;
    }
    if (!fits) {
      ShowProgramError("Account #" + num(p.account) + " (" +
                       AccountKindName(a.kind, 'L', 'S').trimmed() + ") cannot be the " + slot +
                       " of a " + TxnTypeName(t.type) + notWritten());
      return false;
    }
    // A counterparty deals in any currency; every other account in its own.
    if (a.kind != kKindCounterparty && p.ccy.trimmed() != a.ccy) {
      ShowProgramError("Account/currency mismatch : account #" + num(p.account) + " is " + a.ccy +
                       ", the posting " + p.ccy.trimmed() + notWritten());
      return false;
    }
  }
  return true;
}

namespace {

// Sets each posting's BATCHNUM to the transaction's batch.
bool updatePostingBatches(const TTxn& t) {
  QList<int32_t> seen;
  for (int32_t id : {t.accId1, t.accId2, t.accId3, t.accId4}) {
    if (seen.contains(id)) continue;
    seen << id;
    if (!ExecSql(QStringLiteral("update pstg set batchnum = ? where txnid = ? and objid = ? and "
                                "batchnum <> ?"),
                 {t.batch, t.id, id, t.batch}))
      return false;
  }
  return true;
}

struct TPotPstg {
  int32_t account = 0;
  QChar code = QChar('X');
  int64_t amount = 0;
  QString name;
};

class PotTable {
 public:
  void add(int32_t account, int32_t ymd, int64_t amount) {
    if (account == 0) return;
    TObj a;
    if (!ReadAccount(account, a) || a.kind == kKindCounterparty) return;
    const int32_t reconciled = StoredDate(a.reconciledDate);
    const bool frozen = FreezeBeforeCovers(ymd);
    if (!frozen && !(reconciled > 0 && reconciled >= ymd)) return;
    TPotPstg* slot = nullptr;
    for (TPotPstg& s : slots_)
      if (s.account == account) slot = &s;
    if (!slot) {
      for (TPotPstg& s : slots_) {
        if (s.account == 0) {
          slot = &s;
          slot->account = account;
          slot->code = frozen ? QChar('D') : QChar('A');
          slot->name = a.name;
          break;
        }
      }
    }
    if (!slot) {
      ShowProgramError(QStringLiteral("find_aix"));
      return;
    }
    slot->amount += amount;
  }
  // One side's effects; sign -1 for the new side.
  void addSide(const TTxn& t, int sign) {
    if (t.cancelled || t.status == 1) return;
    int dir = 0;
    if (t.type == QChar('P') || t.type == QChar('C'))
      dir = 1;
    else if (t.type == QChar('R'))
      dir = -1;
    if (dir == 0) return;
    const int64_t amt = t.amount * dir * sign;
    add(t.accId1, postingYmd(t), -amt);
    add(t.accId2, postingYmd(t), amt);
    add(t.accId3, StoredDate(t.txnDate), -amt);
    add(t.accId4, StoredDate(t.txnDate), amt);
  }
  bool ask() const {
    for (const TPotPstg& s : slots_) {
      if (s.account == 0 || s.amount == 0) continue;
      const QString reason =
          s.code == QChar('D')
              ? QStringLiteral("Posting is on/before account posting freeze date")
              : "Reconciled balance for account " + InQuotesText(s.name) + "will be altered!";
      if (!AskYes(reason + "\r" + "Are you sure you want to add/amend/delete transaction?"))
        return false;
    }
    return true;
  }

 private:
  static QString InQuotesText(const QString& s) { return "\"" + s + "\""; }
  TPotPstg slots_[8];
};

}  // namespace

// ------------------------------------------------------------------ names

QString TxnTypeName(QChar code) {
  switch (code.unicode()) {
    case 'P':
      return QStringLiteral("Payment/Purchase");
    case 'R':
      return QStringLiteral("Receipt/Sale");
    case 'C':
      return QStringLiteral("Transfer");
    case 'F':
      return QStringLiteral("FX Gain/Loss");
    case 'D':
      return QStringLiteral("Diary");
    case 'Z':
      return QStringLiteral("Reconciled Balance");
    case 'A':
      return QStringLiteral("Brought-Forward (b/fd) posting");
    default:
      return QStringLiteral("unknown!");
  }
}

QString TxnTypeShortName(QChar code) {
  switch (code.unicode()) {
    case 'P':
      return QStringLiteral("Payt/Purch");
    case 'R':
      return QStringLiteral("Rcpt/Sale");
    case 'C':
      return QStringLiteral("Tfr");
    case 'F':
      return QStringLiteral("FXGainLoss");
    case 'D':
      return QStringLiteral("Diary");
    case 'Z':
      return QStringLiteral("ReconBal");
    default:
      return QStringLiteral("unknown");
  }
}

// ------------------------------------------------------------------ posting

QList<TPstg> PostingsOf(const TTxn& t) {
  QList<TPstg> out;
  if (t.status == 1) return out;
  const TDateRec d1 = t.postingDate.isZero() ? t.txnDate : t.postingDate;
  const QChar type = t.type;
  TPstg base;
  base.txnId = t.id;
  base.seq = type == QChar('Z') ? kReconciledSeq : t.id;
  base.ccy = t.ccy;
  base.amount = t.cancelled ? 0 : t.amount;
  base.value = t.cancelled ? 0 : t.value;
  base.type = type;
  base.channel = t.channel;
  base.batch = t.batch;
  base.reconcileCode = 0;
  base.firstOfDay = true;
  base.balanceShown = true;

  // sign: -1 debit, +1 credit, 0 as stored.
  auto leg = [&](int32_t account, int32_t contra, const TDateRec& date, int sign) {
    if (account == 0) return;
    TPstg p = base;
    p.account = account;
    p.contra = contra;
    p.postingDate = date;
    if (sign != 0) {
      p.amount = sign * magnitude(p.amount);
      p.value = sign * magnitude(p.value);
    }
    out << p;
    base.channel = 0;  // only the first posting carries the channel
  };
  auto internalLeg = [&](int sign) {
    if (t.accId4 == 0) return;
    TPstg p = base;
    p.account = t.accId4;
    p.contra = t.accId2;
    p.postingDate = t.txnDate;
    p.ccy = Session().settings.baseCurrency;
    p.amount = sign * magnitude(base.value);
    p.value = sign * magnitude(base.value);
    p.channel = 0;
    out << p;
  };

  switch (type.unicode()) {
    case 'P':
      leg(t.accId1, t.accId2, d1, -1);
      leg(t.accId2, t.accId1, d1, +1);
      internalLeg(-1);
      break;
    case 'R':
      leg(t.accId1, t.accId2, d1, +1);
      leg(t.accId2, t.accId1, d1, -1);
      internalLeg(+1);
      break;
    case 'C':
      leg(t.accId1, t.accId2, d1, -1);
      leg(t.accId2, t.accId1, d1, +1);
      break;
    case 'F':
      leg(t.accId1, t.accId2, t.txnDate, 0);
      base.channel = t.channel;  // every F posting carries the channel
      leg(t.accId2, t.accId1, t.txnDate, 0);
      break;
    case 'D': {
      TPstg p = base;
      p.account = 0;
      p.contra = 0;
      p.postingDate = t.txnDate;
      p.firstOfDay = true;
      p.balanceShown = false;
      out << p;
      break;
    }
    case 'Z': {
      if (t.accId1 == 0) break;
      TPstg p = base;
      p.account = t.accId1;
      p.contra = 0;
      p.postingDate = t.txnDate;
      p.reconciledAmount = base.amount;
      p.runningBalance = base.amount;
      p.amount = 0;
      p.value = 0;
      out << p;
      break;
    }
    default:
      break;
  }
  return out;
}

namespace {

bool writePostings(const TTxn& t) {
  for (const TPstg& p : PostingsOf(t))
    if (!WritePosting(p)) return false;
  if (t.type == QChar('C') && (t.accId3 != 0 || t.accId4 != 0))
    ShowProgramError(QStringLiteral("val_inp : txnid3/4 <> 0"));
  return true;
}

}  // namespace

bool PostTransaction(const TTxn& t) { return CheckTxnPostable(t) && writePostings(t); }

bool WriteTxnRow(TTxn& t) {
  // A master lives in RPTR only: no TXN row, no postings.
  if (t.status == 1) return WriteMasterRecord(t);
  if (t.status == 2) {
    if (t.id >= 1) return UpdateTxnRow(t);
    ShowProgramError(QStringLiteral("wr_txn_ok 2"));
    t.status = 0;
    t.narrative = CutToWidth(t.narrative + "progerr wr_txn_ok2", kNarrativeWidth);
    return InsertTxnRow(t);
  }
  if (t.id > 0 && LocateTxn(t.id)) return UpdateTxnRow(t);
  return InsertTxnRow(t);
}

bool WriteTransaction(TTxn& txn) {
  if (!CheckTxnPostable(txn)) return false;
  WriteUnit unit;
  if (!unit.begin()) return false;
  TTxn t = txn;
  if (!WriteTxnRow(t) || !writePostings(t)) return false;  // the unit undoes the row
  if (!unit.done()) return false;
  txn = t;
  return true;
}

bool DeletePostings(const TTxn& txn) {
  if (!ExecSql(QStringLiteral("delete from pstg where txnid=") + num(txn.id))) return false;
  SetRebalanceNeeded(true);
  return true;
}

bool DeleteTxnRows(const TTxn& txn) {
  if (!LocateTxn(txn.id)) {
    ShowInfo("txn not found " + num(txn.id));
    return false;
  }
  return DeletePostings(txn) &&
         ExecSql(QStringLiteral("delete from remdr where txnid=") + num(txn.id)) &&
         ExecSql(QStringLiteral("delete from txn where id=") + num(txn.id));
}

bool DeleteTransaction(int32_t id) {
  if (FrozenRefusal(QStringLiteral("delete txn"))) return false;
  TTxn t;
  if (!readTxnOrSay(id, t)) return false;
  const bool reconciledBalance = t.type == QChar('Z');
  if (!reconciledBalance && !CheckDeleteTxn(t)) return false;

  if (t.instance > 0) {
    const bool masterExists = LocateRepeater(t.masterId);
    const bool active = masterExists && t.rpt.active;
    const QString state = !masterExists ? QStringLiteral("deleted")
                          : active      ? QStringLiteral("Active")
                                        : QStringLiteral("Inactive");
    const QString intro = "Txn is an instance of a " + state + " Repeater. ";
    // The master's GENTO decides (an instance above it too, as GENTO is then
    // behind); a deleted master leaves only its instances to go by.
    const int32_t latest =
        masterExists
            ? t.rpt.genTo
            : QueryValue(QStringLiteral("select max(t.instance) from txn t where t.masterid = ?"),
                         {t.masterId}, 0)
                  .toInt();
    bool onlyThis = false;
    if (t.instance != latest) {
      switch (AskYesNoCancel(intro + "Also delete all later instances?")) {
        case 'Y':
          break;
        case 'N':
          onlyThis = true;
          break;
        case 'C':
          return false;
        default:
          SetRebalanceNeeded(true);
          return false;
      }
    }
    if (active) {
      const QString warning =
          onlyThis ? QStringLiteral("Deleted instance will not be regenerated at next Rebal.")
                   : QStringLiteral(
                         "Deleted instance(s) will be regenerated at next Rebal : use Cancel "
                         "instead to avoid this.");
      if (!AskYes(warning + " Still OK to delete?")) return false;
    }
    WriteUnit unit;
    const bool ok = unit.begin() &&
                    (onlyThis ? DeleteTxnRows(t) : DeleteInstancesFrom(t.masterId, t.instance)) &&
                    unit.done();
    if (ok && !onlyThis && active && AskYes(QStringLiteral("Regenerate deleted instances now?")))
      RegenerateInstances(t.masterId);
    if (ok) SetRebalanceNeeded(true);
    return finish(ok);
  }

  if (t.type == QChar('F')) {
    TDateRec next = t.txnDate;
    NextDay(next);
    if (CheckFxDelete(DateRecToYmd(next)) != 0) {
      ShowInfo(QStringLiteral("Cannot delete FX gain/loss - more recent found"));
      return false;
    }
  }
  if (!AskYes(reconciledBalance ? QStringLiteral("Unreconcile balance?")
                                : "Delete txn #" + num(id) + " ?"))
    return false;
  WriteUnit unit;
  bool ok = unit.begin() && DeleteTxnRows(t);
  if (ok && reconciledBalance) {
    // The account's reconciled date falls back to its latest balance left.
    TObj a;
    if (ReadAccount(t.accId1, a)) {
      const int32_t latest =
          QueryValue(QStringLiteral("select max(p.pstgdate) from pstg p where p.objid = ? and "
                                    "p.txntype = 'Z'"),
                     {t.accId1}, 0)
              .toInt();
      a.reconciledDate = latest > 0 ? YmdToDateRec(latest) : TDateRec();
      a.reconciledText = latest > 0 ? DateRecToText(a.reconciledDate) : QString();
      ok = WriteAccount(a);
    }
  }
  ok = ok && unit.done();
  if (ok) SetRebalanceNeeded(true);
  return finish(ok);
}

// ------------------------------------------------------------------ protection

TTxn NoTxn() {
  TTxn t;
  t.type = QChar(' ');
  return t;
}

bool CheckReconciledAndFreeze(const TTxn& oldTxn, const TTxn& newTxn) {
  PotTable table;
  table.addSide(newTxn, -1);
  table.addSide(oldTxn, +1);
  return table.ask();
}

bool CheckNewTxn(const TTxn& newTxn) { return CheckReconciledAndFreeze(NoTxn(), newTxn); }
bool CheckDeleteTxn(const TTxn& oldTxn) { return CheckReconciledAndFreeze(oldTxn, NoTxn()); }
bool CheckDeleteTxns(const QList<TTxn>& oldTxns) {
  PotTable table;
  for (const TTxn& t : oldTxns) table.addSide(t, +1);
  return table.ask();
}
bool CheckReconciledAndFreezeAll(const QList<TTxn>& olds, const QList<TTxn>& news) {
  PotTable table;
  for (const TTxn& t : news) table.addSide(t, -1);
  for (const TTxn& t : olds) table.addSide(t, +1);
  return table.ask();
}
bool CheckCancelToggle(const TTxn& txn) {
  TTxn toggled = txn;
  toggled.cancelled = !txn.cancelled;
  return CheckReconciledAndFreeze(txn, toggled);
}

// ------------------------------------------------------------------ changes

QString CancelCaption(bool cancel) {
  return (cancel ? QStringLiteral("C") : QStringLiteral("Unc")) + "ancel transaction";
}

bool CancelTransaction(int32_t id, bool cancel) {
  if (FrozenRefusal(QStringLiteral("cancel txn"))) return false;
  TTxn t;
  if (!readTxnOrSay(id, t)) return false;
  if (!CheckCancelToggle(t)) return false;
  WriteUnit unit;
  bool ok = unit.begin() && DeletePostings(t);
  t.cancelled = cancel;
  ok = ok && WriteTxnRow(t) && PostTransaction(t) && unit.done();
  return finish(ok);
}

bool EditTxnAmount(int32_t id) {
  if (FrozenRefusal(QStringLiteral("edit txn amount"))) return false;
  QString text;
  if (!AskText(QStringLiteral("Enter amount"), text)) return false;
  int64_t amount = 0;
  if (!ParseAmountOrWarn(text, amount)) return false;
  if (amount < 0) {
    ShowInfo(QStringLiteral("Amount must be >= 0"));
    return false;
  }
  TTxn old;
  if (!readTxnOrSay(id, old)) return false;
  TTxn t = old;
  t.amount = amount;
  if (!SetTxnValue(t)) return false;
  if (!CheckReconciledAndFreeze(old, t)) return false;
  WriteUnit unit;
  const bool ok =
      unit.begin() && DeletePostings(t) && WriteTxnRow(t) && PostTransaction(t) && unit.done();
  return finish(ok);
}

bool RedatePosting(const TPstg& posting) {
  if (FrozenRefusal(QStringLiteral("edit posting date"))) return false;
  TDateRec date = posting.postingDate;
  if (!PickDate(date)) return false;
  if (posting.amount != 0) {
    TObj a;
    const int32_t reconciled = ReadAccount(posting.account, a) ? StoredDate(a.reconciledDate) : 0;
    if (reconciled > 0 &&
        (StoredDate(posting.postingDate) <= reconciled || StoredDate(date) <= reconciled)) {
      ShowInfo(QStringLiteral("Cannot redate : will upset reconciled balance"));
      return false;
    }
  }
  TTxn t;
  if (!readTxnOrSay(posting.txnId, t)) return false;
  t.postingDate = date;
  if (!SetTxnValue(t)) return false;
  WriteUnit unit;
  const bool ok = unit.begin() && DeletePostings(t) && WriteTransaction(t) && unit.done();
  return finish(ok);
}

int32_t WriteReconciledBalance(int32_t accountId, const TDateRec& date, int64_t balance) {
  TTxn t = NewTxn();
  t.type = QChar('Z');
  t.txnDate = date;
  t.amount = balance;
  t.value = balance;
  t.accId1 = accountId;
  WriteUnit unit;
  bool ok = unit.begin() && WriteTransaction(t);
  TObj a;
  if (ok && ReadAccount(accountId, a) && CompareDates(date, a.reconciledDate) > 0) {
    a.reconciledText = DateRecToText(date);
    a.reconciledDate = date;
    ok = WriteAccount(a);
  }
  ok = ok && unit.done();
  return finish(ok) ? t.id : 0;
}

bool ReassignAccount(int32_t txnId, int32_t newAccount, int position) {
  TTxn t;
  if (!readTxnOrSay(txnId, t)) return false;
  if (t.type != QChar('P') && t.type != QChar('R')) {
    ShowInfo("Skipping txn #" + num(txnId));
    return false;
  }
  int32_t* slot = position == 1   ? &t.accId1
                  : position == 3 ? &t.accId4
                  : position == 4 ? &t.accId2
                                  : nullptr;
  if (!slot) {
    ShowProgramError("ReassignAccount : invalid position " + num(position));
    return false;
  }
  const int32_t old = *slot;
  if (old == newAccount) return true;
  *slot = newAccount;
  if (!CheckTxnPostable(t)) return false;
  WriteUnit unit;
  bool ok = unit.begin();
  if (ok && old != 0 && LocatePosting(txnId, old)) ok = DeletePosting(txnId, old);
  if (ok && newAccount != 0) {
    for (const TPstg& p : PostingsOf(t))
      if (p.account == newAccount) ok = ok && WritePosting(p);
  }
  ok = ok && ExecSql(QStringLiteral("update pstg set contra = ? where txnid = ? and contra = ?"),
                     {newAccount, txnId, old});
  ok = ok && UpdateTxnRow(t) && unit.done();
  return ok;
}

// ------------------------------------------------------------------ batches

bool StartBatch(int32_t headId) {
  TTxn h;
  if (!readTxnOrSay(headId, h)) return false;
  if (h.batch == headId) return true;
  if (h.batch != 0) {
    ShowInfo("Transaction #" + num(headId) + " is already in a batch (#" + num(h.batch) + ")");
    return false;
  }
  h.batch = headId;
  return WriteTxnRow(h) && updatePostingBatches(h);
}

bool SetBatch(int32_t txnId) {
  if (FrozenRefusal(QStringLiteral("change batch"))) return false;
  int batch = 0;
  if (!AskInt(QStringLiteral("Batch number"), batch)) return false;
  WriteUnit unit;
  bool ok = unit.begin() && StartBatch(batch);
  TTxn t;
  ok = ok && readTxnOrSay(txnId, t);
  if (ok) {
    t.batch = batch;
    ok = WriteTxnRow(t) && updatePostingBatches(t) && unit.done();
  }
  return finish(ok);
}

bool LeaveBatch(int32_t txnId) {
  if (FrozenRefusal(QStringLiteral("change batch"))) return false;
  TTxn t;
  if (!readTxnOrSay(txnId, t)) return false;
  t.batch = 0;
  WriteUnit unit;
  const bool ok = unit.begin() && WriteTxnRow(t) && updatePostingBatches(t) && unit.done();
  return finish(ok);
}

// ------------------------------------------------------------------ straddles

bool Unstraddle(int32_t txnId) {
  if (FrozenRefusal(QStringLiteral("unstraddle txn"))) return false;
  TTxn t;
  if (!readTxnOrSay(txnId, t)) return false;
  if (t.type != QChar('P') && t.type != QChar('R')) {
    // Only a payment or receipt has a counterparty whose own account can take the gap.
    ShowInfo("Cannot unstraddle txn #" + num(txnId) + " : only payments and receipts");
    return false;
  }
  TTxn u = NewTxn();
  u.type = QChar('C');
  u.ccy = t.ccy;
  u.amount = t.amount;
  u.value = t.value;
  u.rate = t.rate;
  u.txnDate = t.postingDate.isZero() ? t.txnDate : t.postingDate;
  u.narrative = QStringLiteral("unstraddle");
  u.batch = t.id;

  WriteUnit unit;
  bool ok = unit.begin() && DeletePostings(t);
  t.postingDate = TDateRec();
  if (ok && t.cancelled) {
    ok = WriteTransaction(t) && unit.done();
    return finish(ok);
  }
  t.actualDate = TDateRec();
  t.batch = t.id;
  const int32_t x = t.accId1;
  bool created = false;
  const int32_t y = ok ? CounterpartyOwnAccount(t.accId2, QString(), created) : 0;
  ok = ok && y != 0;
  t.accId1 = y;
  t.channel = 0;
  t.reference.clear();
  ok = ok && WriteTransaction(t);
  u.accId1 = t.type == QChar('R') ? y : x;
  u.accId2 = t.type == QChar('R') ? x : y;
  ok = ok && WriteTransaction(u);
  if (ok && created) {
    TObj a;
    ok = ReadAccount(y, a);
    if (ok) {
      a.openDate = CompareDates(t.txnDate, u.txnDate) >= 0 ? t.txnDate : u.txnDate;
      ok = WriteAccount(a);
    }
  }
  ok = ok && unit.done();
  return finish(ok);
}

int32_t FindStraddlingTxn(int32_t ymd, QChar side) {
  const QString where = side == QChar('B')
                            ? QStringLiteral(
                                  "((t.txndate < ?) and (t.date2 >= ?)) or "
                                  "((t.txndate >= ?) and (t.date2 > 0) and (t.date2 < ?))")
                            : QStringLiteral(
                                  "((t.txndate <= ?) and (t.date2 > ?)) or "
                                  "((t.txndate > ?) and (t.date2 > 0) and (t.date2 <= ?))");
  return QueryValue("select first 1 t.id from txn t where (t.cancelled = 0) and (" + where +
                        ") order by t.id",
                    {ymd, ymd, ymd, ymd}, 0)
      .toInt();
}

bool CheckNoStraddle(int32_t ymd, QChar side) {
  const int32_t id = FindStraddlingTxn(ymd, side);
  if (id == 0) return true;
  if (g_showTransaction) g_showTransaction(id);
  ShowInfo("Transaction #" + num(id) + " (displayed) straddles " + YmdToText(ymd) + " and a " +
           (side == QChar('B') ? "prior" : "later") + " date" + "\r" +
           "(use Edit|Unstraddle to resolve this)");
  return false;
}

void SetShowTransactionHook(std::function<void(int32_t)> show) {
  g_showTransaction = std::move(show);
}

bool ShowTransaction(int32_t id) {
  if (!g_showTransaction) return false;
  g_showTransaction(id);
  return true;
}

int32_t CheckFxDelete(int32_t ymd) {
  return QueryValue(QStringLiteral("select min(p.pstgdate) from pstg p "
                                   "where (p.txntype = 'F') and (p.pstgdate >= ?)"),
                    {ymd}, 0)
      .toInt();
}

bool RefreshJournalFlags() {
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select t.id, t.txndate, t.dpdate from txn t order by t.txndate, t.id"), {},
      &ok);
  if (!ok) return false;
  QList<QPair<int32_t, int>> fixes;
  int32_t previous = 0;
  while (q.next()) {
    const int32_t date = q.value(1).toInt();
    const int wanted = date != previous ? 1 : 0;
    if (q.value(2).toInt() != wanted) fixes << qMakePair(q.value(0).toInt(), wanted);
    previous = date;
  }
  q = QSqlQuery();
  bool written = true;
  for (const auto& f : fixes)
    written = written && ExecSql(QStringLiteral("update txn set dpdate = ? where id = ?"),
                                 {f.second, f.first});
  return finish(written);
}

bool WriteUnit::begin() {
  static int counter = 0;
  name_ = QStringLiteral("vbk_unit_") + QString::number(++counter);
  rebalance_ = RebalanceNeeded();
  active_ = StartTxIfNone() && ExecSql("savepoint " + name_);
  return active_;
}

bool WriteUnit::done() {
  if (!active_) return false;
  active_ = false;
  return ExecSql("release savepoint " + name_);
}

void WriteUnit::undo() {
  if (!active_) return;
  active_ = false;
  // A rollback of the whole transaction took the savepoint with it.
  if (InTransaction()) ExecSql("rollback to savepoint " + name_);
  if (!rebalance_) SetRebalanceNeeded(false);
}
