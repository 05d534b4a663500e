#pragma once
// Reconciliation and the statement's own changes to postings: reconciling
// single postings and selections, reconciled balances and the account's
// reconciled date, swapping two postings of one day, assigning accounts to
// many transactions, and the quick edits behind the statement's rows. Each
// user command is one unit of work, committed once, and refused on frozen
// books before anything is asked.
#include <QList>
#include <QString>
#include <cstdint>

#include "store/records.h"

// Sets RECONCODE (1 reconciled, 0 not) of the posting of (txnId, account).
// A posting that is gone: "txn not found " + id, nothing written. Commits.
bool SetPostingReconciled(int32_t txnId, int32_t account, int code);
// The same for several postings of one account, all or none. Commits.
bool ReconcilePostings(int32_t account, const QList<int32_t>& txnIds);

// A reconciled balance of the account at date; its id, 0 when refused. Commits.
int32_t ReconcileBalance(int32_t accountId, const TDateRec& date, int64_t balance);

// The date of the account's latest reconciled balance ("yyyy-mm-dd"), empty
// when it has none.
QString LatestReconciledText(int32_t accountId);
// Sets ACCOUNT.RECONCILED to text ("yyyy-mm-dd" or empty: cleared), after
// saying so. Commits.
bool SetReconciledText(int32_t accountId, const QString& text);

// Swaps the SEQ of two postings of one account and one date; refused for a
// reconciled balance (it stays last of its day). Commits.
bool SwapPostingSeq(int32_t accountId, int32_t txnA, int32_t txnB);

// Puts newAccount into position 1 (external) or 3 (category) of each
// transaction: a transaction of another type or currency is skipped with
// "Skipping txn #" + id, one whose change the user declines is skipped
// quietly. The number assigned, -1 when refused as a whole. Commits once.
int AssignAccount(const QList<int32_t>& txnIds, int32_t newAccount, int position);

// "Editing this txn will cause its posting to account ... to be un-reconciled
// - OK?" for each reconciled posting of t; false on a No.
bool AcceptUnreconciling(const TTxn& t);

// The quick edits: each refused on frozen books, and asked about the
// reconciled postings it would undo before it asks anything else.
bool QuickEditAmount(int32_t txnId);
bool QuickEditText(int32_t txnId, QString& text, QChar which);
bool QuickRedate(const TPstg& posting);
bool QuickCancel(int32_t txnId, bool cancel);
bool QuickAddToBatch(int32_t txnId);
