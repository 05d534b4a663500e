#include "screens/transactions/entry_form_ops.h"

#include <cstdlib>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/currencies.h"
#include "ledger/entry.h"
#include "ledger/freeze.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

bool isInternalKind(int kind) { return kind == 3 || kind == 6; }

// "Editing this txn will cause ..." for each reconciled posting; false on a No.
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

}  // namespace

bool EnterNewTransaction(int32_t* newId) {
  if (newId) *newId = 0;
  TFtxnip3* f = TheEntryForm();
  TTxn t = f->lastSaved();
  t.amount = 0;
  if (t.ccy.isEmpty()) t.ccy = Session().workingCurrency;
  if (t.txnDate.isZero()) {
    t.txnDate = Today();
    t.actualDate = t.txnDate;
  }
  if (!EnterTransaction(t)) return false;
  if (newId) *newId = f->lastInputId();
  return true;
}

bool EnterTransaction(const TTxn& templ, TTxn* saved) {
  TFtxnip3* f = TheEntryForm();
  const QString preset = f->takePresetReference();
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return false;
  TTxn t = templ;
  t.id = 0;
  t.reference = preset;
  if (!f->loadNew(t)) return false;
  if (!f->runModal()) return false;
  if (saved) *saved = f->lastSaved();
  return true;
}

int32_t EnterTransactionForAccount(int kind, int32_t accountId) {
  TFtxnip3* f = TheEntryForm();
  TObj acc;
  if (!ReadAccount(accountId, acc)) return 0;
  TTxn t = f->loaded();
  t.amount = 0;
  t.id = 0;
  t.ccy = acc.ccy;
  if (t.txnDate.isZero()) {
    t.txnDate = Today();
    t.actualDate = t.txnDate;
  }
  t.accId3 = 0;
  const bool external = acc.kind == 1;
  if (kind == 1 || kind == 2) {
    t.type = kind == 1 ? QChar('P') : QChar('R');
    t.accId1 = f->externalAccount().id;
    t.channel = f->externalChannel().chnum;
    t.accId2 = f->counterparty().id;
    t.accId4 = f->internalAccount().id;
    if (external) {
      t.accId1 = acc.id;
      t.channel = 0;
    } else if (isInternalKind(acc.kind)) {
      t.accId4 = acc.id;
    } else if (acc.kind == 4) {
      t.accId2 = acc.id;
    } else {
      return 0;
    }
  } else if (kind == 3 || kind == 4) {
    t.type = QChar('C');
    t.accId4 = 0;
    if (external) {
      if (kind == 3) {
        t.accId2 = acc.id;
        const bool same = f->externalAccount().id == acc.id;
        t.accId1 = same ? f->secondExternal().id : f->externalAccount().id;
        t.channel = same ? f->secondExternalChannel().chnum : f->externalChannel().chnum;
        if (t.accId1 == t.accId2) t.accId1 = 0;
      } else {
        t.accId1 = acc.id;
        t.channel = 0;
        t.accId2 = f->secondExternal().id;
      }
      if (t.accId2 == t.accId1) t.accId2 = f->externalAccount().id;
      if (t.accId2 == t.accId1) t.accId2 = 0;
    } else if (isInternalKind(acc.kind)) {
      t.channel = 0;
      if (kind == 3) {
        t.accId2 = acc.id;
        t.accId1 = f->internalAccount().id;
      } else {
        t.accId1 = acc.id;
        t.accId2 = f->secondInternal().id;
      }
      if (t.accId1 == t.accId2) t.accId1 = f->secondInternal().id;
    } else {
      return 0;
    }
  } else {
    return 0;
  }
  if (kind != 3) {
    TChannel ch;
    if (ChooseChannel(acc, ch, kind == 2 ? QChar('R') : QChar('P'), true)) t.channel = ch.chnum;
  }
  TTxn saved;
  if (!EnterTransaction(t, &saved)) return 0;
  return saved.id;
}

int32_t SweepAccount(int32_t accountId, const TDateRec& date, int64_t balance) {
  if (balance == 0) return -1;
  TObj acc;
  if (!ReadAccount(accountId, acc)) return -1;
  const bool negative = balance < 0;
  const QString direction = negative ? QStringLiteral("to") : QStringLiteral("off");
  const QString first = negative ? QStringLiteral("Sale/Rcpt") : QStringLiteral("Purchase/Payt");
  const int choice =
      AskChoice("Sweep " + direction + " this account : via " + first + " or via Transfer?", first,
                QStringLiteral("Transfer"));
  if (choice == 0) return -1;

  TFtxnip3* f = TheEntryForm();
  const bool external = acc.kind == 1;
  TTxn t = f->loaded();
  t.id = 0;
  if (choice == 1) {
    if (external)
      f->setExternalAccount(acc, TChannel());
    else if (isInternalKind(acc.kind))
      f->setInternalAccount(acc);
    else
      return -1;
    t.type = negative ? QChar('R') : QChar('P');
    t.accId1 = f->externalAccount().id;
    t.channel = f->externalChannel().chnum;
    t.accId2 = f->counterparty().id;
    t.accId4 = f->internalAccount().id;
  } else {
    t.type = QChar('C');
    t.accId4 = 0;
    if (external) {
      const TObj from = f->externalAccount(), to = f->secondExternal();
      const TChannel fromCh = f->externalChannel(), toCh = f->secondExternalChannel();
      if (negative) {
        f->setSecondExternal(acc, TChannel());
        if (from.id == acc.id)
          f->setExternalAccount(to.id == acc.id ? TObj() : to, to.id == acc.id ? TChannel() : toCh);
      } else {
        f->setExternalAccount(acc, TChannel());
        if (to.id == acc.id)
          f->setSecondExternal(from.id == acc.id ? TObj() : from,
                               from.id == acc.id ? TChannel() : fromCh);
      }
      t.accId1 = f->externalAccount().id;
      t.accId2 = f->secondExternal().id;
      t.channel = f->externalChannel().chnum;
    } else if (isInternalKind(acc.kind)) {
      const TObj from = f->internalAccount(), to = f->secondInternal();
      if (negative) {
        f->setSecondInternal(acc);
        if (from.id == acc.id) f->setInternalAccount(to.id == acc.id ? TObj() : to);
      } else {
        f->setInternalAccount(acc);
        if (to.id == acc.id) f->setSecondInternal(from.id == acc.id ? TObj() : from);
      }
      t.accId1 = f->internalAccount().id;
      t.accId2 = f->secondInternal().id;
      t.channel = 0;
    } else {
      return -1;
    }
  }
  t.accId3 = 0;
  t.amount = negative ? -balance : balance;
  t.ccy = acc.ccy;
  t.txnDate = date;
  t.actualDate = date;
  t.postingDate = TDateRec();
  // May ask for a missing rate now; the save values the entry again itself.
  SetTxnValue(t);
  f->setPresetReference(QStringLiteral("sweep"));
  TTxn saved;
  if (!EnterTransaction(t, &saved)) return -1;
  return RecordSweep(saved, accountId, balance);
}

bool EditTransaction(int32_t id) {
  TTxn t;
  if (!ReadTxn(id, t)) {
    ShowInfo("txn not found " + num(id));
    return false;
  }
  return EditTransactionRecord(t);
}

bool EditTransactionRecord(TTxn& record) {
  if (FrozenRefusal(QStringLiteral("edit txn"))) return false;
  TFtxnip3* f = TheEntryForm();
  if (f->isVisible()) {
    ShowInfo(QStringLiteral("Cannot edit - Transaction form already in use"));
    return false;
  }
  if (record.type == QChar('Z')) {
    if (!ConfirmOk(QStringLiteral("Only the txndate may be edited for this txn type")))
      return false;
    TDateRec d = record.txnDate;
    if (!PickDate(d)) return false;
    return RedateReconciledBalance(record, d);
  }
  const QChar type = record.type;
  if (type != QChar('P') && type != QChar('R') && type != QChar('C')) {
    ShowInfo(QStringLiteral("Cannot edit this transaction type"));
    return false;
  }
  if (!AcceptUnreconciling(record)) return false;
  if (!f->loadEdit(record)) {
    ShowInfo(QStringLiteral("Cannot edit this transaction type"));
    return false;
  }
  if (!f->runModal()) return false;
  record = f->lastSaved();
  return true;
}

void ResetEntryForm() { TheEntryForm()->resetWorkingState(); }

int32_t LastInputId() { return TheEntryForm()->lastInputId(); }
