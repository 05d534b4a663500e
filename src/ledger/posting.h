#pragma once
// Transactions and their postings: the postings each type derives, writing,
// deleting, cancelling and changing transactions, batches, reconciled
// balances, the straddle split, and the protection of reconciled balances and
// the freeze-before date. A transaction and its postings are written together
// or not at all; operations named as user commands commit, the others leave
// the commit to their caller.
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

#include "store/records.h"

inline constexpr int32_t kReconciledSeq = 99999999;

// One unit of work inside the shared database transaction: everything done
// after begin() is undone by undo() (or on leaving scope without done())
// without touching what the caller did before, so a refused or failed write
// leaves no half of itself behind; the rebalance-needed flag goes back too.
class WriteUnit {
 public:
  bool begin();
  bool done();
  void undo();
  ~WriteUnit() { undo(); }

 private:
  QString name_;
  bool rebalance_ = false;
  bool active_ = false;
};

// "Payment/Purchase" …, "unknown!" for any other code.
QString TxnTypeName(QChar code);
// "Payt/Purch" …, "unknown" for any other code.
QString TxnTypeShortName(QChar code);

// The postings txn derives (none for a repeater master), in the order written.
QList<TPstg> PostingsOf(const TTxn& txn);
// False, after saying why, for a transaction the books must never hold: no
// transaction date, an account that does not exist, one account on two
// postings, an account of the wrong kind in a slot (a group, a category as
// counterparty …), or a posting in a currency other than its account's
// (counterparties excepted). A master is checked as its instances.
bool CheckTxnPostable(const TTxn& txn);
// Writes the postings of txn; refused (nothing written) as CheckTxnPostable says.
bool PostTransaction(const TTxn& txn);
// Writes the row (a new id for id 0) and its postings, or nothing at all;
// refused as CheckTxnPostable says.
bool WriteTransaction(TTxn& txn);
bool WriteTxnRow(TTxn& txn);
// Deletes every posting of txn and marks a rebalance as needed.
bool DeletePostings(const TTxn& txn);
// Deletes the postings, reminders and the row of txn.
bool DeleteTxnRows(const TTxn& txn);
// The user's deletion with its questions; commits.
bool DeleteTransaction(int32_t id);

// A transaction with no effects: the missing side of the protection check.
TTxn NoTxn();
// Asks before a change that alters a reconciled balance or reaches behind the
// freeze-before date; false when the user declines.
bool CheckReconciledAndFreeze(const TTxn& oldTxn, const TTxn& newTxn);
bool CheckNewTxn(const TTxn& newTxn);
bool CheckDeleteTxn(const TTxn& oldTxn);
// The deletion of several transactions asked about once, their effects summed.
bool CheckDeleteTxns(const QList<TTxn>& oldTxns);
bool CheckCancelToggle(const TTxn& txn);
// Several changes (olds[i] becomes news[i]) asked about once, their effects summed.
bool CheckReconciledAndFreezeAll(const QList<TTxn>& olds, const QList<TTxn>& news);

// Cancels (flag true) or reinstates a transaction; commits.
bool CancelTransaction(int32_t id, bool cancel);
// "Cancel transaction" / "Uncancel transaction".
QString CancelCaption(bool cancel);
// Asks for a new amount and rewrites the transaction; commits.
bool EditTxnAmount(int32_t id);
// Asks for a new posting date of the posting's transaction; commits.
bool RedatePosting(const TPstg& posting);
// Writes a reconciled balance and moves the account's reconciled date; commits.
// The new transaction's id, 0 when nothing was written.
int32_t WriteReconciledBalance(int32_t accountId, const TDateRec& date, int64_t balance);
// Puts account newAccount in position 1 (external), 3 (internal) or 4
// (counterparty) of a payment or receipt. The caller commits.
bool ReassignAccount(int32_t txnId, int32_t newAccount, int position);

// Batches: the head's id is the batch number of every member.
bool StartBatch(int32_t headId);  // the caller commits
// Both refused on frozen books before anything is asked.
bool SetBatch(int32_t txnId);     // asks for the batch number; commits
bool LeaveBatch(int32_t txnId);   // commits

// Splits a straddling payment or receipt into one on the counterparty's own
// account and a transfer at the posting date; commits.
bool Unstraddle(int32_t txnId);

// A transaction whose two dates lie on either side of a period boundary:
// side 'B' a period starting on ymd, 'F' one ending on ymd. 0 when none.
int32_t FindStraddlingTxn(int32_t ymd, QChar side);
// False, after showing the transaction and saying so, when one straddles.
bool CheckNoStraddle(int32_t ymd, QChar side);
// How a transaction is shown (the details screen installs it; vorbek-cli prints).
void SetShowTransactionHook(std::function<void(int32_t id)> show);
// Shows transaction id through the hook; false when none is installed.
bool ShowTransaction(int32_t id);

// The posting date of the first FX gain/loss posting on or after ymd, or 0.
int32_t CheckFxDelete(int32_t ymd);

// Recomputes TXN.DPDATE: 1 exactly on the first row of each transaction date. Commits.
bool RefreshJournalFlags();
