#pragma once
// One account's postings in one currency, as the postings window and
// `vorbek-cli statement` list them: the plain list or the statement view (a
// B/fd line, each date once, the running balance once per date), filtered by
// date range, posting type and channel. One query per chunk, every value
// bound, rows in statement order (date, SEQ, then TXNID as the tie-break the
// engine would otherwise pick at random). The texts of each grid cell are made
// here too, so the window and the command line show the same thing.
#include <QChar>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "store/records.h"

// The "When" radio buttons.
enum class TPostingsWhen { All, PeriodPlus, Period };

struct TPostingsQuery {
  int32_t accountId = 0;  // 0 = the diary
  int kind = 0;           // the account's TYPE2 (11 for the diary)
  QString ccy;            // the currency listed
  bool statement = false;
  TPostingsWhen when = TPostingsWhen::PeriodPlus;
  QChar type = QChar(' ');  // 'P', 'R', 'C', or ' ' for every type
  int32_t channel = -1;     // a CHNUM to list only, -1 for every channel
  int32_t from = 0;         // the period (yyyymmdd)
  int32_t to = 0;
  bool refColumn = true;         // "Channel, Ref" shown: the channel name is joined
  bool ctgyColumn = false;       // "Category" option: the category name is joined
  bool descriptionCtgy = false;  // the description column joins the category name
  // False: only the postings' own columns are read (no transaction, names,
  // references or narratives), for lists of balances; much less to carry
  // from a server.
  bool textColumns = true;
};

// The query a window with these settings runs.
TPostingsQuery PostingsQueryFor(const TObj& account, const QString& ccy, bool statement,
                                TPostingsWhen when, QChar type, int32_t channel);

// Categories and pots list an external account's name beside each posting.
bool ListsExternalAccount(int kind);

struct TPostingRow {
  int32_t txnId = 0;
  int32_t account = 0;
  int32_t seq = 0;
  int32_t date = 0;
  bool firstOfDay = true;
  bool balanceShown = true;
  int64_t amount = 0;
  int64_t runningBalance = 0;
  int reconcileCode = 0;
  int64_t reconciledAmount = 0;
  int32_t contra = 0;
  QChar type = QChar(' ');  // the posting's type
  int32_t channel = 0;      // the posting's CHNUM
  QString reference;
  QString narrative;
  int32_t categoryId = 0;  // TXN.ACCID4
  bool cancelled = false;
  QChar txnType = QChar(' ');
  int32_t masterId = 0;
  int32_t instance = 0;
  QString contraName;
  QString channelName;      // the transaction's channel, when joined
  QString externalAccount;  // TXN.ACCID1's name, for categories and pots
  QString categoryName;     // when joined
  int32_t batch = 0;
  bool txnMissing = false;  // no TXN row behind the posting
};

// The statement view's first line.
struct TBfdLine {
  int64_t amount = 0;
  int32_t date = 0;    // yyyymmdd
  QString label;       // "Account opened", "B/fd from prior period(s)", "B/fd from prior records"
  int64_t washed = 0;  // a category's pre-period amount moved to the default pot
};

// External accounts, categories and pots have a B/fd line.
bool HasBfdLine(int kind);

// The B/fd line: the opening balance plus what the running balances count
// before the first listed date, so the line plus the listed amounts gives the
// running balance. With the wash on, a category's pre-period postings are not
// counted and are reported in washed. False when a query failed.
bool ComputeBfd(const TObj& account, const TPostingsQuery& q, int32_t dbStartDate, TBfdLine& bfd);

// The statement view's preparation: the account's B/fd marker posting and its
// running balances written and committed. False after the reason was shown.
bool PrepareStatement(const TObj& account);

// Rows offset .. offset + limit - 1 of the list (limit < 0: all the rest).
bool FetchPostings(const TPostingsQuery& q, int offset, int limit, QList<TPostingRow>& rows);

inline constexpr int kPostingsChunk = 1000;

struct TPostingsTotals {
  int count = 0;
  int64_t plus = 0;   // AMT > 0
  int64_t minus = 0;  // AMT <= 0
  bool paymentsOrReceipts = false;
};
// The list's row count and amount totals, summed by the engine.
bool PostingsTotals(const TPostingsQuery& q, TPostingsTotals& totals);

// The position of txnId's posting in the list; -1 when it is not listed.
int PostingRowIndex(const TPostingsQuery& q, int32_t txnId);

// ---- Grid texts -------------------------------------------------------------------

enum TPostingsColumn {
  kColDate,
  kColTxnId,
  kColInstance,
  kColType,
  kColChannelRef,
  kColContra,
  kColBatch,
  kColPlus,
  kColMinus,
  kColRunningBal,
  kColReconciled,
  kColDescription,
  kColExternalAccount,
  kPostingsColumns
};

// The captions, "Ctgy : Description" or "Description" (categories).
QStringList PostingsHeader(int kind);

// The grid's texts of one row. bfd is used on the B/fd line (type A).
QStringList PostingRowTexts(const TPostingRow& row, const TPostingsQuery& q, const TBfdLine& bfd);

// The columns the grid shows, in order: "Txn id", "Instance", "Type" and
// "Channel, Ref" by the settings, "Running bal" in the statement view,
// "External Account" for categories and pots.
QList<int> PostingsShownColumns(const TPostingsQuery& q);

// The export title: VORBEK, the books' name, the caption, the account name
// label, the date range and, for accounts with a B/fd line, its amount.
QString PostingsExportTitle(const QString& caption, const QString& nameLabel,
                            const TPostingsQuery& q, const TBfdLine& bfd);

// ---- Reconciliation check ----------------------------------------------------------

struct TReconIssue {
  int32_t accountId = 0;
  QString name;
  int32_t txnId = 0;  // the reconciled balance; 0 for the account's date
  int32_t date = 0;
  QString problem;   // "balance" or "reconciled date"
  QString stored;    // RECAMT, or ACCOUNT.RECONCILED
  QString expected;  // the running balance, or the latest balance's date
};
// Reconciled balances that disagree with the running balance at their place,
// and accounts whose reconciled date is not their latest balance's. The
// running balances are brought up to date (and committed) first. accountId 0:
// every account with a reconciled balance or date. False when a step failed.
bool CheckReconciliation(int32_t accountId, QList<TReconIssue>& issues);

// ---- Searches over fetched rows --------------------------------------------------------

// The row of txnId, searched from the last row backwards; -1 when absent.
int RowOfTxn(const QList<TPostingRow>& rows, int32_t txnId);
// The first row dated on or after ymd; the last row when none is; -1 when empty.
int RowOnOrAfter(const QList<TPostingRow>& rows, int32_t ymd);
// The last reconciled-balance (type Z) row; -1 when none.
int LastReconciledRow(const QList<TPostingRow>& rows);

// The channel combo's choices of an external account: each channel's name
// with its CHNUM, in name order.
QList<QPair<QString, int32_t>> AccountChannels(int32_t accountId);
// Every currency code, in code order (a counterparty lists any of them).
QStringList CurrencyCodes();

// Reconciliation is offered on the value-bearing types.
bool IsValueBearing(QChar type);
