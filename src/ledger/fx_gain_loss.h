#pragma once
// Posting the FX gain or loss that the valuation of the period's closing
// balances found: the checks before the dialog, the account checks after its
// question, and the one F transaction at the To date on an internal account.
#include <cstdint>

// Before "Post": refused, after saying why, while a rebalance is pending or
// when an FX gain/loss is already posted on or after to.
bool FxPostAllowed(int32_t to);

// After "Create FX Gain/Loss transaction - OK?": "Account not specified"
// without accountId (or while the FXGainLossPot setting names an account that
// does not exist), the account's checks for the date, then the F transaction
// (base currency, AMT = VAL = amount, RATE 1, REF "FX Gain/Loss", ACCID1 the
// account) written and committed, and FXGainLossCtgy := accountId. True with
// the new transaction's id in txnId when written; nothing written otherwise.
bool WriteFxGainLoss(int32_t date, int64_t amount, int32_t accountId, int32_t* txnId = nullptr);
