#include "ledger/reconcile.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

bool finish(bool ok) {
  if (ok && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

bool readTxnOrSay(int32_t id, TTxn& t) {
  if (ReadTxn(id, t)) return true;
  ShowInfo("txn not found " + num(id));
  return false;
}

bool readPostingOrSay(int32_t txnId, int32_t account, TPstg& p) {
  if (ReadPosting(txnId, account, p)) return true;
  ShowInfo("txn not found " + num(txnId));
  return false;
}

bool reconcileIn(int32_t txnId, int32_t account, int code) {
  TPstg p;
  if (!readPostingOrSay(txnId, account, p)) return false;
  p.reconcileCode = code;
  return WritePosting(p);
}

}  // namespace

bool SetPostingReconciled(int32_t txnId, int32_t account, int code) {
  if (FrozenRefusal(QStringLiteral("reconcile posting"))) return false;
  WriteUnit unit;
  const bool ok = unit.begin() && reconcileIn(txnId, account, code) && unit.done();
  return finish(ok);
}

bool ReconcilePostings(int32_t account, const QList<int32_t>& txnIds) {
  if (FrozenRefusal(QStringLiteral("reconcile posting"))) return false;
  WriteUnit unit;
  bool ok = unit.begin();
  for (int32_t id : txnIds) ok = ok && reconcileIn(id, account, 1);
  ok = ok && unit.done();
  return finish(ok);
}

int32_t ReconcileBalance(int32_t accountId, const TDateRec& date, int64_t balance) {
  if (FrozenRefusal(QStringLiteral("reconcile balance"))) return 0;
  return WriteReconciledBalance(accountId, date, balance);
}

QString LatestReconciledText(int32_t accountId) {
  const int32_t ymd =
      QueryValue(QStringLiteral("select max(p.pstgdate) from pstg p where p.objid = ? and "
                                "p.txntype = 'Z'"),
                 {accountId}, 0)
          .toInt();
  return ymd > 0 ? YmdToText(ymd) : QString();
}

bool SetReconciledText(int32_t accountId, const QString& text) {
  if (FrozenRefusal(QStringLiteral("reset reconciled date"))) return false;
  ShowInfo(QStringLiteral("Latest \"balance reconciled\" date ") +
           (text.isEmpty() ? QStringLiteral(" cleared") : QStringLiteral(" reset")));
  TObj a;
  if (!ReadAccount(accountId, a)) return false;
  a.reconciledText = text;
  a.reconciledDate = text.isEmpty() ? TDateRec() : ParseDateTextOrZero(text);
  WriteUnit unit;
  const bool ok = unit.begin() && WriteAccount(a) && unit.done();
  return finish(ok);
}

bool SwapPostingSeq(int32_t accountId, int32_t txnA, int32_t txnB) {
  if (FrozenRefusal(QStringLiteral("move posting"))) return false;
  TPstg a, b;
  if (!readPostingOrSay(txnA, accountId, a) || !readPostingOrSay(txnB, accountId, b)) return false;
  // A reconciled balance closes its day; two postings of different days keep their order.
  if (a.type == QChar('Z') || b.type == QChar('Z') ||
      StoredDate(a.postingDate) != StoredDate(b.postingDate))
    return false;
  WriteUnit unit;
  const bool ok = unit.begin() &&
                  ExecSql(QStringLiteral("update pstg set seq = ? where objid = ? and txnid = ?"),
                          {b.seq, accountId, txnA}) &&
                  ExecSql(QStringLiteral("update pstg set seq = ? where objid = ? and txnid = ?"),
                          {a.seq, accountId, txnB}) &&
                  unit.done();
  return finish(ok);
}

int AssignAccount(const QList<int32_t>& txnIds, int32_t newAccount, int position) {
  if (FrozenRefusal(QStringLiteral("assign account"))) return -1;
  TObj target;
  if (!ReadAccount(newAccount, target)) {
    ShowInfo("Account not found : #" + num(newAccount));
    return -1;
  }
  SetRebalanceNeeded(true);
  WriteUnit unit;
  if (!unit.begin()) return -1;
  int assigned = 0;
  for (int32_t id : txnIds) {
    TTxn old;
    if (!readTxnOrSay(id, old)) continue;
    const bool wrongType = old.type != QChar('P') && old.type != QChar('R');
    const bool wrongCcy = position == 1 && old.ccy.trimmed() != target.ccy.trimmed();
    if (wrongType || wrongCcy) {
      ShowInfo("Skipping txn #" + num(id));
      continue;
    }
    TTxn changed = old;
    (position == 1 ? changed.accId1 : changed.accId4) = newAccount;
    if (changed.accId1 == old.accId1 && changed.accId4 == old.accId4) continue;
    if (!CheckReconciledAndFreeze(old, changed)) continue;
    if (ReassignAccount(id, newAccount, position)) ++assigned;
  }
  if (!finish(unit.done())) return -1;
  return assigned;
}

bool AcceptUnreconciling(const TTxn& t) {
  for (int32_t acc : {t.accId1, t.accId2, t.accId3, t.accId4}) {
    if (acc == 0) continue;
    TPstg p;
    if (!ReadPosting(t.id, acc, p) || p.reconcileCode == 0) continue;
    TObj a;
    const QString name = ReadAccount(acc, a) ? a.name : "#" + num(acc);
    if (!AskYes("Editing this txn will cause its posting to account \"" + name +
                "\" to be un-reconciled - OK?"))
      return false;
  }
  return true;
}

bool QuickEditAmount(int32_t txnId) {
  if (FrozenRefusal(QStringLiteral("edit txn amount"))) return false;
  TTxn t;
  if (!readTxnOrSay(txnId, t) || !AcceptUnreconciling(t)) return false;
  return EditTxnAmount(txnId);
}

bool QuickEditText(int32_t txnId, QString& text, QChar which) {
  if (FrozenRefusal(QStringLiteral("edit txn"))) return false;
  if (!LocateTxn(txnId)) {
    ShowInfo("txn not found " + num(txnId));
    return false;
  }
  return EditTxnText(txnId, text, which);
}

bool QuickCancel(int32_t txnId, bool cancel) {
  if (FrozenRefusal(QStringLiteral("cancel txn"))) return false;
  TTxn t;
  if (!readTxnOrSay(txnId, t) || !AcceptUnreconciling(t)) return false;
  return CancelTransaction(txnId, cancel);
}

bool QuickAddToBatch(int32_t txnId) {
  if (FrozenRefusal(QStringLiteral("edit batch"))) return false;
  if (!LocateTxn(txnId)) {
    ShowInfo("txn not found " + num(txnId));
    return false;
  }
  return SetBatch(txnId);
}

bool QuickRedate(const TPstg& posting) {
  if (FrozenRefusal(QStringLiteral("edit posting date"))) return false;
  // Only the external and counterparty legs carry the posting date.
  const QChar type = posting.type;
  if (type != QChar('P') && type != QChar('R') && type != QChar('C')) return false;
  TObj own;
  if (!ReadAccount(posting.account, own)) return false;
  if (own.kind != kKindExternal && own.kind != kKindCounterparty) return false;
  TTxn old;
  if (!readTxnOrSay(posting.txnId, old)) return false;
  if (!AcceptUnreconciling(old)) return false;
  TDateRec date = posting.postingDate;
  if (!PickDate(date)) return false;
  const int32_t from = StoredDate(posting.postingDate);
  const int32_t to = StoredDate(date);
  if (from == to) return false;
  for (int32_t acc : {old.accId1, old.accId2}) {
    TPstg p;
    TObj a;
    if (acc == 0 || !ReadPosting(old.id, acc, p) || p.amount == 0) continue;
    if (!ReadAccount(acc, a) || a.kind == kKindCounterparty) continue;
    const int32_t reconciled = StoredDate(a.reconciledDate);
    if (reconciled > 0 && (StoredDate(p.postingDate) <= reconciled || to <= reconciled)) {
      ShowInfo(QStringLiteral("Cannot redate : will upset reconciled balance"));
      return false;
    }
  }
  TTxn changed = old;
  changed.postingDate = date;
  if (!SetTxnValue(changed)) return false;
  if (!CheckReconciledAndFreeze(old, changed)) return false;
  WriteUnit unit;
  const bool ok =
      unit.begin() && DeletePostings(changed) && WriteTransaction(changed) && unit.done();
  return finish(ok);
}
