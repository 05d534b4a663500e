#pragma once
// The entry operations: every screen that creates or edits a transaction
// opens the entry form through one of these. Each returns whether the user
// saved; the saved record or id where a caller needs it.
#include <cstdint>

#include "foundation/daterec.h"
#include "store/records.h"

// "New transaction": the last saved transaction with no amount (dated today
// when it has no date) as the template. newId gets the saved id (0 for a new
// repeater master, which has no transaction row of its own).
bool EnterNewTransaction(int32_t* newId = nullptr);

// A new entry from a template. Refused while the books are frozen. saved gets
// the saved record.
bool EnterTransaction(const TTxn& templ, TTxn* saved = nullptr);

// From an account: kind 1 payment, 2 receipt, 3 transfer into the account, 4
// transfer out of it. The new id, or 0.
int32_t EnterTransactionForAccount(int kind, int32_t accountId);

// Offers the entry that brings the account's balance to zero; when saved,
// records the zero reconciled balance. Its id, or -1.
int32_t SweepAccount(int32_t accountId, const TDateRec& date, int64_t balance);

// Reads the transaction and edits it; "txn not found " + id when it is gone.
bool EditTransaction(int32_t id);
// Edits a record (a transaction as read, or a repeater master's record); on
// save the record becomes the saved one.
bool EditTransactionRecord(TTxn& record);

// The form's reset: at start and whenever other books are opened.
void ResetEntryForm();

// The id of the transaction saved last ("View last input/edit"); 0 when none.
int32_t LastInputId();
