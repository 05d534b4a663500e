#pragma once
// Saving what was typed into the transaction entry form, without widgets: the
// form's contents as one value record (TEntry), its validation in a fixed
// order with the questions that need the user's consent, and the save of the
// transaction together with its companions of one batch (cash-back, second
// split part, FX commission and second leg).
//
// All or nothing: one WriteUnit spans from the first write (the counterparty's
// own account of a "Credit" entry, open dates moved by CheckAccountForTxnDate)
// to the commit. Any refusal, a No, or a failed write - of the first
// transaction or of any companion - rolls all of it back. Every rate the save
// needs is asked for before the unit opens (storing a typed rate commits), once,
// and reused.
//
// How the form uses it:
//   TEntry e;                      // filled from the controls, ids from the slots
//   e.mode = 'N';                  // or 'E' with e.loaded = the transaction as read
//   TEntrySaved s;
//   if (SaveEntry(e, s)) { ...close as saved; take s.lastInputId, s.txn,
//                          s.lastDescription, s.batchAfter... }
//   else { ...stay open with everything as typed (nothing was written) }
// CheckSplit serves the "Calculate" button and the return to the "Basics" page.
// RecordSweep is the save side of a sweep: call it after SaveEntry succeeded.
#include <QChar>
#include <QList>
#include <QString>
#include <cstdint>

#include "ledger/posting.h"
#include "store/records.h"

enum class EntryType { Payment, Receipt, Transfer, Fx };
enum class EntryPayment { Cash, Credit };
enum class EntryTransfer { Internal, External };
enum class EntryFxType { Buy, Sell };
enum class EntryBatch { None, New, AddToExisting };

// "Repeat" page. Only read when ticked (new mode, or the edit of a master).
struct TEntryRepeat {
  bool ticked = false;
  QChar freq = QChar(' ');                      // 'D' 'W' 'M' 'Y'; ' ' = no radio ticked
  QString untilText;                            // "until ", yyyy-mm-dd or empty (no end)
  QString countText;                            // "count", empty = no limit
  QString incrementText = QStringLiteral("1");  // the up-down box's text
  QString reminderDaysText;                     // "Reminder (days) ", empty = none
  bool active = true;
};

// "Cashback" page (payments only; ignored for other types).
struct TEntryCashback {
  bool ticked = false;
  int32_t cashAccount = 0;  // "Cash account "
  QString amountText;       // may be negative: cash paid
};

// "Split" page (new payments and receipts only). The first category is the
// internal-account slot.
struct TEntrySplit {
  bool ticked = false;
  QString totalText;
  QString amount1Text;
  QString amount2Text;
  int32_t category2 = 0;
};

// "Foreign currency" page (FX only).
struct TEntryFx {
  QString foreignCcy;
  QString foreignAmountText;
  int32_t foreignAccount = 0;
  int32_t foreignChannel = 0;
  QString commissionText;  // on the "Basics" page; empty = none
  QString rateText;        // information only; goes into the first leg's REF
};

// "Batch" page.
struct TEntryBatchPage {
  EntryBatch choice = EntryBatch::None;
  QString numberText;  // "Add to existing"
};

// The form's contents at "Add"/"Update".
struct TEntry {
  QChar mode = QChar('N');  // 'N' new, 'E' edit
  TTxn loaded;              // edit: the transaction (or master record) as read

  EntryType type = EntryType::Payment;
  EntryPayment payment = EntryPayment::Cash;
  EntryTransfer transfer = EntryTransfer::External;
  EntryFxType fxType = EntryFxType::Buy;

  bool postingPanelShown = true;  // false for internal transfers (and masters being edited)
  bool actualTicked = false;
  QString actualText;
  bool postingTicked = false;
  QString postingText;

  QString amountText;
  QString ccy;  // the currency box

  // Slots by type: payments, receipts and FX use externalAccount (+ channel),
  // counterparty and internalAccount; an external transfer goes from
  // externalAccount (+ channel) to secondExternal; an internal transfer from
  // internalAccount to secondInternal.
  int32_t externalAccount = 0;
  int32_t externalChannel = 0;
  int32_t secondExternal = 0;
  int32_t secondExternalChannel = 0;
  int32_t counterparty = 0;
  int32_t internalAccount = 0;
  int32_t secondInternal = 0;

  QString description;  // cut to 40 characters when stored
  QString reference;    // cut to 20
  bool cancelled = false;

  TEntryRepeat repeat;
  TEntryCashback cashback;
  TEntrySplit split;
  TEntryFx fx;
  TEntryBatchPage batch;
};

// What a successful save wrote, and the working state the form takes from it.
struct TEntrySaved {
  TTxn txn;                    // the first transaction as saved (a new master: its last instance)
  int32_t lastInputId = 0;     // the first transaction's id; 0 for a new master
  int32_t masterId = 0;        // a master saved: its RPTR id
  QList<int32_t> ids;          // every TXN id written, in writing order (instances included)
  int32_t createdAccount = 0;  // the "... owes" account made for a "Credit" entry, or 0
  int32_t cashbackId = 0, splitId = 0, commissionId = 0, secondLegId = 0;
  QString lastDescription;     // the saved description when not empty, else empty (keep the old)
  TEntryBatchPage batchAfter;  // what the batch page shows for the next entry
};

// The record ValidateEntry builds: the first transaction and what its save needs.
struct TEntryPlan {
  TTxn txn;
  int64_t split2 = 0;
  int64_t cashbackAmount = 0;
  int64_t foreignAmount = 0;
  int64_t commission = 0;
  TEntryBatchPage batchAfter;
  // Rates got before the unit opened, reused by the companions' values.
  double rate = 1.0;          // CCY on TXNDATE
  double foreignRate = 0.0;   // FX: the foreign currency on TXNDATE
  QString cashbackCcy;        // the cash account's currency
  double cashbackRate = 1.0;  // cashbackCcy on TXNDATE
};

// Validates and saves the entry in one unit of work and commits; false, with
// the books as they were, after any refusal, No or failed write.
bool SaveEntry(const TEntry& entry, TEntrySaved& saved);

// The checks, questions and record building of the entry, in order. It asks
// every rate the save will need first, then begins unit (the caller's, held
// until its commit), so its writes (a "Credit" counterparty's own account,
// moved open dates) are undone with everything else on a later refusal.
// SaveEntry is its caller.
bool ValidateEntry(const TEntry& entry, TEntryPlan& plan, WriteUnit& unit);

// Completes and checks the split amounts: an empty total is amount 1 + amount 2,
// an empty amount 1 total - amount 2, an empty amount 2 total - amount 1 (both
// parts empty leave nothing to compute and fail); none may be negative, computed
// or typed, and they must add up without leaving 64 bits. When the amounts are valid the three
// texts are rewritten as formatted amounts and amountText gets the total. Passes
// only with both categories chosen; otherwise "Invalid / incomplete Split details".
bool CheckSplit(TEntrySplit& split, int32_t category1, QString& amountText);

// The bypass warning before a payment or receipt is saved; other types pass.
bool CheckBypass(const TTxn& txn);

// The only change a reconciled balance ("Z") allows: a new date. Its postings
// are rewritten on that date (posting date cleared) and the account's reconciled
// date stays the latest of its reconciled balances. Commits; false with
// nothing changed when txn is not a reconciled balance or a write failed.
bool RedateReconciledBalance(TTxn& txn, const TDateRec& date);

// After a sweep's entry was saved: records the account's zero reconciled balance
// on the saved transaction's date, but only when the saved transaction still
// brings balance to zero on that account. The new id; -1 when nothing was written.
int32_t RecordSweep(const TTxn& saved, int32_t accountId, int64_t balance);
