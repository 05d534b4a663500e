#include "ledger/fx_gain_loss.h"

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/accounts.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"

bool FxPostAllowed(int32_t to) {
  if (RebalanceNeeded()) {
    ShowInfo(QStringLiteral("Rebalance needed"));
    return false;
  }
  if (const int32_t posted = CheckFxDelete(to); posted != 0) {
    ShowInfo("This FX gain/loss is included in that already posted on " + YmdToText(posted));
    return false;
  }
  return true;
}

bool WriteFxGainLoss(int32_t date, int64_t amount, int32_t accountId, int32_t* txnId) {
  TSession& s = Session();
  TObj account;
  // FXGainLossPot is only checked when it is set: nothing sets it, so 0 is usual.
  if (accountId <= 0 || !LocateAccount(accountId) || !ReadAccount(accountId, account) ||
      (s.settings.fxGainLossPot != 0 && !LocateAccount(s.settings.fxGainLossPot))) {
    ShowInfo(QStringLiteral("Account not specified"));
    return false;
  }
  TTxn t = NewTxn();
  t.type = QChar('F');
  t.ccy = s.settings.baseCurrency.trimmed();
  t.txnDate = YmdToDateRec(date);
  t.actualDate = t.txnDate;
  t.postingDate = TDateRec();
  t.amount = amount;
  t.value = amount;
  t.rate = 1.0;
  t.reference = QStringLiteral("FX Gain/Loss");
  t.accId1 = accountId;
  t.accId2 = 0;

  WriteUnit unit;
  if (!unit.begin()) return false;
  if (!CheckAccountForTxnDate(account, t.txnDate) || !CheckNewTxn(t) || !WriteTransaction(t) ||
      !unit.done() || !CommitIfActive()) {
    unit.undo();
    RollbackIfActive();
    return false;
  }
  s.settings.fxGainLossCtgy = accountId;
  if (txnId) *txnId = t.id;
  return true;
}
