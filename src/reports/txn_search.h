#pragma once
// Transaction searches and the journal, as the search results window and
// `vorbek-cli txn search` / `journal` list them: the criteria read from the
// user's text, one query per list with every value bound, the rows, the
// grid's texts, the caption and the status line. A search writes nothing: the
// text search matches in the program and the journal works out the first row
// of each day from the rows it lists.
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

enum TSearchKind {
  kSearchAmount = 1,
  kSearchTxnId = 2,
  kSearchText = 3,
  kSearchJournal = 4,
  kSearchCancelled = 5,
  kSearchInstances = 6,
  kSearchCptyCategory = 7,
  kSearchBatch = 8,
  kSearchIdRange = 9,
  kSearchStraddles = 10,
  kSearchInput = 11,
};

inline constexpr int32_t kSearchMaxId = 2147483647;

// One search: its kind, the text it was given and what was read from it.
struct TSearch {
  int kind = 0;
  QString text;
  int64_t amount = 0;  // amount
  int32_t number = 0;  // transaction id, master id, batch number
  int32_t first = 0;   // id range
  int32_t last = kSearchMaxId;
  int32_t date = 0;    // straddles: the date; input: CREATEDATE
  int32_t centre = 0;  // journal: centre date and the dates listed
  int32_t from = 0;
  int32_t to = 0;
  int32_t positionId = 0;  // journal: a transaction to put the cursor on
  int cptyId = 0;          // counterparty / category
  int ctgyId = 0;
};

// The kinds that need a criteria text.
bool SearchNeedsText(int kind);
inline const char* const kSearchTextMissing =
    "Amount / id / journal date / straddle date / text missing";

// Reads text for kind into s (kind and text set too). A missing text says so
// (plainly) and a bad one gives the parser's message; both return false and
// leave s as it was. spread: the journal's months either side of its centre.
bool ParseSearch(int kind, const QString& text, int spread, TSearch& s);

// The journal's centre and the dates it lists: the centre moved back and
// forward by spread months, the day kept (2024-03-31 ± 1: 20240231 … 20240431).
void SetJournalCentre(TSearch& s, int32_t centre, int spread);
// The journal spread setting as used: at least 1.
int JournalSpread();
// "Journal spread = 1 month either side of date" / "… = 3 months …".
QString JournalSpreadCaption(int spread);

// An id range as the dialog's two answers give it: an empty answer is 0 for
// the start and the largest id for the end. False after "Invalid integer …".
bool ParseRangeEnd(const QString& text, int32_t emptyValue, int32_t& n);
TSearch IdRangeSearch(int32_t first, int32_t last);
TSearch InstancesSearch(int32_t masterId);
TSearch CptyCategorySearch(int cptyId, int ctgyId);

// The text after "Transaction search results  :  ".
QString SearchCaption(const TSearch& s);
QString SearchWindowCaption(const TSearch& s);

struct TSearchRow {
  int32_t id = 0;
  int32_t instance = 0;
  int32_t txnDate = 0;
  bool showDate = true;  // the journal shows each date on its first row only
  QChar type = QChar(' ');
  QString reference;
  int64_t amount = 0;
  QString ccy;
  QString narrative;
  int32_t accId1 = 0;
  int32_t accId2 = 0;
  int32_t accId4 = 0;
  int32_t channel = 0;  // CHNUM
  bool cancelled = false;
  int32_t masterId = 0;
  int32_t batch = 0;
  QString accName1;
  QString channelName;  // empty when the transaction has no channel
  QString accName2;
  QString accName4;
};

// The rows of s (kind 2 lists nothing: it shows one transaction). False when
// a query failed.
bool RunSearch(const TSearch& s, QList<TSearchRow>& rows);

enum TSearchColumn {
  kSearchColDate,
  kSearchColTxnId,
  kSearchColInstance,
  kSearchColType,
  kSearchColRef,
  kSearchColAccount1,
  kSearchColAccount2,
  kSearchColAccount4,
  kSearchColBatch,
  kSearchColAmount,
  kSearchColCcy,
  kSearchColDescription,
  kSearchColumns
};
QStringList SearchHeader();
QStringList SearchRowTexts(const TSearchRow& r);

// n + " item(s),  " + "value " + the sum, or "mixed currencies" / "mixed txn
// types" (the last change met on the walk stands).
QString SearchStatusLine(const QList<TSearchRow>& rows);

// The journal's cursor: the first row on or after centre, or the row of
// positionId, whichever comes first; the last row when neither; -1 when empty.
int JournalCursorRow(const QList<TSearchRow>& rows, int32_t centre, int32_t positionId);
// The first row whose ID is id (or, with masterToo, whose MASTERID is); -1 when none.
int SearchRowOf(const QList<TSearchRow>& rows, int32_t id, bool masterToo);

// ---- Missing instances -----------------------------------------------------------

// The instance numbers of a master, ascending (so a re-dated instance is not
// taken for a gap). ok tells whether the query ran.
QList<int32_t> InstanceNumbers(int32_t masterId, bool* ok = nullptr);
// The walk over instance numbers in ascending order from 1: the numbers
// missing before the last one. False when a number repeats (the walk cannot
// tell which is which).
bool MissingInstances(const QList<int32_t>& instances, QList<int32_t>& gaps);
