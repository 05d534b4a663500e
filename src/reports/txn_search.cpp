#include "reports/txn_search.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

// The rows' own columns; the account and channel names are looked up in
// memory afterwards (a few hundred names instead of three joins per row).
const char* const kSelect =
    "select t.id, t.instance, t.txndate, t.\"type\", t.ref, t.amt, t.ccy, t.narrative, "
    "t.accid1, t.accid2, t.cancelled, t.masterid, t.batchnum, t.chnum, t.accid4 "
    "from txn t ";

const char* const kByDate = " order by t.txndate, t.id";
const char* const kById = " order by t.id";

// needle, when given, keeps only the rows whose description or reference
// holds it (folded as the rest of the program folds).
bool readRows(const QString& sql, const QVariantList& binds, QList<TSearchRow>& rows,
              const QString& needle = QString()) {
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  while (q.next()) {
    TSearchRow r;
    r.id = q.value(0).toInt();
    r.instance = q.value(1).toInt();
    r.txnDate = q.value(2).toInt();
    const QString type = q.value(3).toString().trimmed();
    r.type = type.isEmpty() ? QChar(' ') : type.at(0);
    r.reference = q.value(4).toString().trimmed();
    r.amount = q.value(5).toLongLong();
    r.ccy = q.value(6).toString().trimmed();
    r.narrative = q.value(7).toString().trimmed();
    if (!needle.isEmpty() && !ContainsFolded(needle, r.narrative) &&
        !ContainsFolded(needle, r.reference))
      continue;
    r.accId1 = q.value(8).toInt();
    r.accId2 = q.value(9).toInt();
    r.cancelled = q.value(10).toInt() == 1;
    r.masterId = q.value(11).toInt();
    r.batch = q.value(12).toInt();
    r.channel = q.value(13).toInt();
    r.accId4 = q.value(14).toInt();
    rows << r;
  }
  return true;
}

QHash<int32_t, QString> namesOf(const QString& sql, bool* ok) {
  QHash<int32_t, QString> names;
  QSqlQuery q = RunQuery(sql, {}, ok);
  while (*ok && q.next()) names.insert(q.value(0).toInt(), q.value(1).toString().trimmed());
  return names;
}

// The names of the rows' accounts and channels.
bool addNames(QList<TSearchRow>& rows) {
  if (rows.isEmpty()) return true;
  bool ok = false;
  const QHash<int32_t, QString> accounts =
      namesOf(QStringLiteral("select a.id, a.name from account a"), &ok);
  if (!ok) return false;
  const QHash<int32_t, QString> channels =
      namesOf(QStringLiteral("select c.chnum, c.chname from channel c"), &ok);
  if (!ok) return false;
  for (TSearchRow& r : rows) {
    r.accName1 = accounts.value(r.accId1);
    r.accName2 = accounts.value(r.accId2);
    r.accName4 = accounts.value(r.accId4);
    if (r.channel != 0) r.channelName = channels.value(r.channel);
  }
  return true;
}

// The text search: matched here, with the same folding the rest of the
// program uses, so nothing is tagged in the books. A plain ASCII text is
// first narrowed by the engine (CONTAINING takes its parameter literally and
// folds ASCII as the program does); any other text is matched on every row.
bool textRows(const QString& text, QList<TSearchRow>& rows) {
  const QString needle = text.toLower();
  bool ascii = true;
  for (const QChar c : needle) ascii = ascii && c.unicode() < 128;
  FlashStatus(QStringLiteral("Searching for transactions ..."));
  const bool ok =
      ascii ? readRows(QString::fromLatin1(kSelect) +
                           "where (t.narrative containing ?) or (t.ref containing ?)" + kByDate,
                       {text, text}, rows, needle)
            : readRows(QString::fromLatin1(kSelect) + kByDate, {}, rows, needle);
  FlashClose();
  return ok;
}

}  // namespace

bool SearchNeedsText(int kind) {
  return kind != kSearchCancelled && kind != kSearchIdRange && kind != kSearchCptyCategory;
}

int JournalSpread() { return qMax(1, Session().settings.journalBlockSize); }

QString JournalSpreadCaption(int spread) {
  return "Journal spread = " + num(spread) + " month" + (spread > 1 ? "s" : "") +
         " either side of date";
}

void SetJournalCentre(TSearch& s, int32_t centre, int spread) {
  s.centre = centre;
  TDateRec d = YmdToDateRec(centre);
  AddMonths(d, -spread);
  s.from = DateRecToYmd(d);
  d = YmdToDateRec(centre);
  AddMonths(d, spread);
  s.to = DateRecToYmd(d);
}

bool ParseSearch(int kind, const QString& text, int spread, TSearch& s) {
  if (SearchNeedsText(kind) && text.isEmpty()) {
    ShowPlainInfo(QString::fromLatin1(kSearchTextMissing));
    return false;
  }
  TSearch r = s;
  r.kind = kind;
  r.text = text;
  switch (kind) {
    case kSearchAmount:
      if (!ParseAmountOrWarn(text, r.amount)) return false;
      break;
    case kSearchTxnId:
    case kSearchInstances:
    case kSearchBatch: {
      int n = 0;
      if (!ParseIntOrWarn(text, n)) return false;
      r.number = n;
      break;
    }
    case kSearchJournal:
    case kSearchStraddles: {
      TDateRec d;
      if (!ParseDateTextOrWarn(text, d)) return false;
      if (kind == kSearchJournal)
        SetJournalCentre(r, DateRecToYmd(d), spread);
      else
        r.date = DateRecToYmd(d);
      break;
    }
    case kSearchInput: {
      // The calendar and the days list give "2024-03-05 (Tue)": the date is its start.
      const QString date = text.left(10);
      if (date == QLatin1String("0000-00-00")) {
        r.date = 0;
        break;
      }
      TDateRec d;
      if (!ParseDateTextOrWarn(date, d)) return false;
      r.date = DateRecToYmd(d);
      break;
    }
    default:
      break;
  }
  s = r;
  return true;
}

bool ParseRangeEnd(const QString& text, int32_t emptyValue, int32_t& n) {
  if (text.trimmed().isEmpty()) {
    n = emptyValue;
    return true;
  }
  int v = 0;
  if (!ParseIntOrWarn(text, v)) return false;
  n = v;
  return true;
}

TSearch IdRangeSearch(int32_t first, int32_t last) {
  TSearch s;
  s.kind = kSearchIdRange;
  s.first = first;
  s.last = last;
  s.text = num(first) + " - " + num(last);
  return s;
}

TSearch InstancesSearch(int32_t masterId) {
  TSearch s;
  s.kind = kSearchInstances;
  s.number = masterId;
  s.text = num(masterId);
  return s;
}

TSearch CptyCategorySearch(int cptyId, int ctgyId) {
  TSearch s;
  s.kind = kSearchCptyCategory;
  s.cptyId = cptyId;
  s.ctgyId = ctgyId;
  s.text = num(cptyId) + " / " + num(ctgyId);
  return s;
}

QString SearchCaption(const TSearch& s) {
  switch (s.kind) {
    case kSearchAmount:
      return "Amount = " + s.text;
    case kSearchText:
      return InQuotes(s.text);
    case kSearchJournal:
      return "Journal " + s.text;
    case kSearchCancelled:
      return QStringLiteral("Cancelled transactions");
    case kSearchInstances:
      return "Repeater #" + s.text + " instances";
    case kSearchCptyCategory:
      return "Counterparty/Category = " + num(s.cptyId) + " / " + num(s.ctgyId);
    case kSearchBatch:
      return "Batch " + s.text;
    case kSearchIdRange:
      return "Transaction id range " + num(s.first) + " - " + num(s.last);
    case kSearchStraddles:
      return "Txn/Pstg dates straddle " + s.text;
    case kSearchInput:
      return "Input on " + s.text;
    default:
      return QString();
  }
}

QString SearchWindowCaption(const TSearch& s) {
  return "Transaction search results  :  " + SearchCaption(s);
}

namespace {

bool searchRows(const TSearch& s, QList<TSearchRow>& rows) {
  rows.clear();
  const QString select = QString::fromLatin1(kSelect);
  switch (s.kind) {
    case kSearchAmount:
      return readRows(select + "where (t.amt = ?) or (t.val = ?)" + kByDate,
                      {qlonglong(s.amount), qlonglong(s.amount)}, rows);
    case kSearchText:
      return textRows(s.text, rows);
    case kSearchJournal: {
      if (!readRows(select + "where (t.txndate >= ?) and (t.txndate <= ?)" + kByDate,
                    {s.from, s.to}, rows))
        return false;
      // Whole days are listed in (date, id) order: a date's first row is its first transaction.
      for (int i = 0; i < rows.size(); ++i)
        rows[i].showDate = i == 0 || rows[i - 1].txnDate != rows[i].txnDate;
      return true;
    }
    case kSearchCancelled:
      return readRows(select + "where (t.cancelled = 1)" + kByDate, {}, rows);
    case kSearchInstances:
      // Master ids and batch numbers start at 1: 0 would list every plain transaction.
      if (s.number < 1) return true;
      return readRows(select + "where (t.masterid = ?)" + kByDate, {s.number}, rows);
    case kSearchCptyCategory:
      return readRows(select + "where (t.accid2 = ?) and (t.accid4 = ?)" + kByDate,
                      {s.cptyId, s.ctgyId}, rows);
    case kSearchBatch:
      if (s.number < 1) return true;
      return readRows(select + "where (t.batchnum = ?)" + kByDate, {s.number}, rows);
    case kSearchIdRange:
      return readRows(select + "where ((t.id >= ?) and (t.id <= ?))" + kById, {s.first, s.last},
                      rows);
    case kSearchStraddles:
      return readRows(select +
                          "where ((t.date2 <> 0) and (((t.txndate <= ?) and (t.date2 > ?)) or "
                          "((t.txndate > ?) and (t.date2 <= ?))))" +
                          kByDate,
                      {s.date, s.date, s.date, s.date}, rows);
    case kSearchInput:
      return readRows(select + "where (coalesce(t.createdate, 0) = ?)" + kById, {s.date}, rows);
    default:
      return true;
  }
}

}  // namespace

bool RunSearch(const TSearch& s, QList<TSearchRow>& rows) {
  return searchRows(s, rows) && addNames(rows);
}

QStringList SearchHeader() {
  return {QStringLiteral("Date"),      QStringLiteral("Txn id"),    QStringLiteral("Instance"),
          QStringLiteral("Type"),      QStringLiteral("Ref"),       QStringLiteral("Account 1"),
          QStringLiteral("Account 2"), QStringLiteral("Account 4"), QStringLiteral(" "),
          QStringLiteral("Amount"),    QStringLiteral("Ccy "),      QStringLiteral("Description")};
}

QStringList SearchRowTexts(const TSearchRow& r) {
  QStringList t;
  t << (r.showDate ? DateWithDayAbbrev(YmdToDateRec(r.txnDate)) : QString());
  t << num(r.id);
  t << (r.instance > 0 ? num(r.masterId) + "-" + num(r.instance) : QString());
  t << TxnTypeShortName(r.type);
  t << r.reference;
  t << (r.channelName.isEmpty() ? r.accName1 : r.accName1 + " / " + r.channelName);
  t << r.accName2;
  t << r.accName4;
  t << (r.batch != 0 ? QStringLiteral("B") : QStringLiteral(" "));
  t << FormatAmount(r.amount);
  t << r.ccy;
  QString description = r.cancelled ? QStringLiteral("Cancelled") : QString();
  AppendJoin(description, QStringLiteral(" - "), r.narrative);
  t << description;
  return t;
}

QString SearchStatusLine(const QList<TSearchRow>& rows) {
  QString remark;
  int64_t sum = 0;
  for (const TSearchRow& r : rows) {
    if (r.ccy != rows.first().ccy) remark = QStringLiteral("mixed currencies");
    if (r.type != rows.first().type) remark = QStringLiteral("mixed txn types");
    sum += r.amount;
  }
  if (remark.isEmpty()) remark = "value " + FormatAmount(sum);
  return num(rows.size()) + " item(s)" + ",  " + remark;
}

int JournalCursorRow(const QList<TSearchRow>& rows, int32_t centre, int32_t positionId) {
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].txnDate >= centre || (positionId != 0 && rows[i].id == positionId)) return i;
  return rows.size() - 1;
}

int SearchRowOf(const QList<TSearchRow>& rows, int32_t id, bool masterToo) {
  if (id == 0) return -1;
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].id == id || (masterToo && rows[i].masterId == id)) return i;
  return -1;
}

QList<int32_t> InstanceNumbers(int32_t masterId, bool* ok) {
  bool ran = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select t.instance from txn t where t.masterid = ? order by t.instance"),
      {masterId}, &ran);
  QList<int32_t> out;
  while (ran && q.next()) out << q.value(0).toInt();
  if (ok) *ok = ran;
  return out;
}

bool MissingInstances(const QList<int32_t>& instances, QList<int32_t>& gaps) {
  gaps.clear();
  int32_t expected = 1;
  for (int32_t n : instances) {
    if (n < expected) return false;
    while (expected < n) gaps << expected++;
    ++expected;
  }
  return true;
}
