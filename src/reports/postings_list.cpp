#include "reports/postings_list.h"

#include <QSqlQuery>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QChar firstChar(const QVariant& v) {
  const QString s = v.toString().trimmed();
  return s.isEmpty() ? QChar(' ') : s.at(0);
}

// The posting filters, shared by the list, its totals and its positions.
QString whereClause(const TPostingsQuery& q, QVariantList& binds) {
  QString w = QStringLiteral(" WHERE (p.ccy = ?) AND (p.objid = ?)");
  binds << q.ccy << q.accountId;
  if (q.type != QChar(' ')) {
    w += QStringLiteral(" AND (p.txntype = ?)");
    binds << QString(q.type);
  }
  if (q.channel >= 0) {
    w += QStringLiteral(" AND (p.chnum = ?)");
    binds << q.channel;
  }
  switch (q.when) {
    case TPostingsWhen::Period:
      w += q.statement ? QStringLiteral(
                             " AND ((p.pstgdate = 0) OR ((p.pstgdate >= ?) AND (p.pstgdate <= ?)))")
                       : QStringLiteral(" AND ((p.pstgdate >= ?) AND (p.pstgdate <= ?))");
      binds << q.from << q.to;
      break;
    case TPostingsWhen::PeriodPlus:
      w += q.statement ? QStringLiteral(" AND ((p.pstgdate = 0) OR (p.pstgdate >= ?))")
                       : QStringLiteral(" AND (p.pstgdate >= ?)");
      binds << q.from;
      break;
    case TPostingsWhen::All:
      // Written so that the engine does not pick the date index for it: every
      // dated posting of every account passes, while the account's own index
      // finds just its rows (and in statement order).
      if (!q.statement) w += QStringLiteral(" AND (p.pstgdate + 0 > 0)");
      break;
  }
  return w;
}

const char* const kOrder = " ORDER BY p.pstgdate, p.seq, p.txnid";

bool sumCounted(const TObj& a, const QString& ccy, int32_t before, int64_t& sum) {
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select sum(p.amt) from pstg p where p.ccy = ? and p.objid = ? and "
                     "p.pstgdate > 0 and p.pstgdate < ? and p.txntype in ('C', 'F', 'P', 'R', "
                     "'Z')"),
      {ccy, a.id, before}, &ok);
  if (!ok) return false;
  sum = q.next() ? q.value(0).toLongLong() : 0;
  return true;
}

bool dateSet(const TDateRec& d) {
  const int32_t ymd = StoredDate(d);
  return ymd > 0 && ymd != kOpenEnded;
}

}  // namespace

bool ListsExternalAccount(int kind) { return kind == kKindCategory || kind == kKindPot; }

bool HasBfdLine(int kind) {
  return kind == kKindExternal || kind == kKindCategory || kind == kKindPot;
}

TPostingsQuery PostingsQueryFor(const TObj& account, const QString& ccy, bool statement,
                                TPostingsWhen when, QChar type, int32_t channel) {
  const TSession& s = Session();
  TPostingsQuery q;
  q.accountId = account.id > 0 ? account.id : 0;
  q.kind = account.id > 0 ? int(account.kind) : int(kKindDiary);
  q.ccy = ccy;
  q.statement = statement;
  q.when = when;
  q.type = type;
  q.channel = channel;
  q.from = s.periodFrom;
  q.to = s.periodTo;
  q.refColumn = s.settings.postingsRefVisible;
  q.ctgyColumn = s.settings.postingsCtgyNameVisible;
  q.descriptionCtgy = q.ctgyColumn && q.kind != kKindCategory;
  return q;
}

bool ComputeBfd(const TObj& a, const TPostingsQuery& q, int32_t dbStartDate, TBfdLine& bfd) {
  bfd = TBfdLine();
  const int64_t opening = a.ccy.trimmed() == q.ccy ? a.openingBalance : 0;
  const int32_t open = StoredDate(a.openDate);
  const bool openSet = dateSet(a.openDate);
  if (q.when == TPostingsWhen::All) {
    bfd.label =
        openSet ? QStringLiteral("Account opened") : QStringLiteral("B/fd from prior records");
    bfd.date = openSet ? open : dbStartDate;
    bfd.amount = opening;
    return true;
  }
  // Everything dated before the period start is brought forward.
  int64_t before = 0;
  if (!sumCounted(a, q.ccy, q.from, before)) return false;
  const bool washed = a.kind == kKindCategory && Session().settings.washCtgies;
  if (openSet && open >= q.from && open <= q.to) {
    bfd.label = QStringLiteral("Account opened");
    bfd.date = open;
  } else {
    bfd.label = QStringLiteral("B/fd from prior period(s)");
    bfd.date = q.from;
  }
  if (washed) {
    bfd.washed = before;
    before = 0;
  }
  bfd.amount = opening + before;
  return true;
}

bool PrepareStatement(const TObj& account) {
  if (!HasBfdLine(account.kind)) return true;
  if (EnsureBfdMarker(account) && CalcRunningBalances(account.id) && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

bool FetchPostings(const TPostingsQuery& q, int offset, int limit, QList<TPostingRow>& rows) {
  QVariantList binds;
  const QString where = whereClause(q, binds);
  const bool extAcc = ListsExternalAccount(q.kind);
  // The postings are sorted and cut to the chunk first, narrow, and only the
  // chunk's rows are joined to their transactions and names.
  const QString pstgColumns = QStringLiteral(
      "p.txnid, p.objid, p.seq, p.pstgdate, p.dppstgdate, p.dprngbal, p.amt, p.rngbal, "
      "p.reconcode, p.recamt, p.contra, p.txntype, p.chnum, ");
  QString inner = "SELECT " + pstgColumns +
                  (q.textColumns ? QStringLiteral("p.batchnum")
                                 : QStringLiteral("NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                                                  "NULL, p.txnid, NULL, NULL, NULL, p.batchnum")) +
                  QStringLiteral(" FROM pstg p") + where + QLatin1String(kOrder);
  if (offset > 0) {
    inner += QStringLiteral(" OFFSET ? ROWS");
    binds << offset;
  }
  if (limit >= 0) {
    inner += QStringLiteral(" FETCH NEXT ? ROWS ONLY");
    binds << limit;
  }
  QString sql = inner;  // without texts, the postings alone
  if (q.textColumns) {
    sql = "SELECT " + pstgColumns +
          QStringLiteral(
              "t.ref, t.narrative, t.accid4, t.cancelled, t.\"type\", t.masterid, t.instance, "
              "o.name, t.id, ");
    sql += q.refColumn ? QStringLiteral("c.chname, ") : QStringLiteral("NULL, ");
    sql += extAcc ? QStringLiteral("o1.name, ") : QStringLiteral("NULL, ");
    sql += q.ctgyColumn ? QStringLiteral("o4.name, ") : QStringLiteral("NULL, ");
    sql += QStringLiteral("p.batchnum FROM (") + inner +
           QStringLiteral(
               ") p LEFT JOIN account o ON o.id = p.contra "
               "LEFT JOIN txn t ON (t.id = p.txnid)");
    if (extAcc) sql += QStringLiteral(" LEFT JOIN account o1 ON o1.id = t.accid1");
    if (q.refColumn) sql += QStringLiteral(" LEFT JOIN channel c ON (c.chnum = t.chnum)");
    if (q.ctgyColumn) sql += QStringLiteral(" LEFT JOIN account o4 ON o4.id = t.accid4");
    sql += QLatin1String(kOrder);
  }

  bool ok = false;
  QSqlQuery r = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  while (r.next()) {
    TPostingRow row;
    row.txnId = r.value(0).toInt();
    row.account = r.value(1).toInt();
    row.seq = r.value(2).toInt();
    row.date = r.value(3).toInt();
    row.firstOfDay = r.value(4).toInt() == 1;
    row.balanceShown = r.value(5).toInt() == 1;
    row.amount = r.value(6).toLongLong();
    row.runningBalance = r.value(7).toLongLong();
    row.reconcileCode = r.value(8).toInt();
    row.reconciledAmount = r.value(9).toLongLong();
    row.contra = r.value(10).toInt();
    row.type = firstChar(r.value(11));
    row.channel = r.value(12).toInt();
    row.reference = r.value(13).toString();
    row.narrative = r.value(14).toString();
    row.categoryId = r.value(15).toInt();
    row.cancelled = r.value(16).toInt() == 1;
    row.txnType = firstChar(r.value(17));
    row.masterId = r.value(18).toInt();
    row.instance = r.value(19).toInt();
    row.contraName = r.value(20).toString();
    row.txnMissing = r.value(21).isNull();
    row.channelName = r.value(22).toString();
    row.externalAccount = r.value(23).toString();
    row.categoryName = r.value(24).toString();
    row.batch = r.value(25).toInt();
    rows << row;
  }
  return true;
}

bool PostingsTotals(const TPostingsQuery& q, TPostingsTotals& totals) {
  QVariantList binds;
  const QString sql = QStringLiteral(
                          "SELECT count(*), sum(iif(p.amt > 0, p.amt, 0)), "
                          "sum(iif(p.amt > 0, 0, p.amt)), "
                          "sum(iif(p.txntype in ('P', 'R'), 1, 0)) FROM pstg p") +
                      whereClause(q, binds);
  bool ok = false;
  QSqlQuery r = RunQuery(sql, binds, &ok);
  if (!ok || !r.next()) return false;
  totals.count = r.value(0).toInt();
  totals.plus = r.value(1).toLongLong();
  totals.minus = r.value(2).toLongLong();
  totals.paymentsOrReceipts = r.value(3).toInt() > 0;
  return true;
}

int PostingRowIndex(const TPostingsQuery& q, int32_t txnId) {
  QVariantList binds;
  QString sql = QStringLiteral("SELECT p.pstgdate, p.seq FROM pstg p") + whereClause(q, binds) +
                QStringLiteral(" AND p.txnid = ?");
  binds << txnId;
  bool ok = false;
  QSqlQuery r = RunQuery(sql, binds, &ok);
  if (!ok || !r.next()) return -1;
  const int32_t date = r.value(0).toInt();
  const int32_t seq = r.value(1).toInt();
  r.finish();
  binds.clear();
  sql = QStringLiteral("SELECT count(*) FROM pstg p") + whereClause(q, binds) +
        QStringLiteral(
            " AND ((p.pstgdate < ?) OR (p.pstgdate = ? AND (p.seq < ? OR (p.seq = ? AND "
            "p.txnid < ?))))");
  binds << date << date << seq << seq << txnId;
  return QueryValue(sql, binds, -1).toInt();
}

// ---------------------------------------------------------------- grid texts

QStringList PostingsHeader(int kind) {
  return {
      QStringLiteral("Date"),
      QStringLiteral("Txn id"),
      QStringLiteral("Instance"),
      QStringLiteral("Type"),
      QStringLiteral("Channel, Ref"),
      QStringLiteral("Contra"),
      QStringLiteral(" "),
      QStringLiteral("Pstg amt (+)"),
      QStringLiteral("Pstg amt (-)"),
      QStringLiteral("Running bal"),
      QStringLiteral("Reconciled"),
      kind == kKindCategory ? QStringLiteral("Description") : QStringLiteral("Ctgy : Description"),
      QStringLiteral("External Account")};
}

QStringList PostingRowTexts(const TPostingRow& row, const TPostingsQuery& q, const TBfdLine& bfd) {
  QStringList c;
  for (int i = 0; i < kPostingsColumns; ++i) c << QString();
  if (row.type == QChar('A')) {
    c[kColType] = QStringLiteral("B/FD");
    c[bfd.amount < 0 ? kColMinus : kColPlus] = FormatAmountSigned(bfd.amount);
    c[kColDescription] = bfd.label;
    c[kColDate] = bfd.date > 0 ? YmdToText(bfd.date) : QString();
    c[kColRunningBal] = FormatAmountSigned(bfd.amount);
    return c;
  }
  if (!q.statement || row.firstOfDay) c[kColDate] = YmdToText(row.date);
  c[kColTxnId] = QString::number(row.txnId);
  if (row.masterId != 0)
    c[kColInstance] = QString::number(row.masterId) + "-" + QString::number(row.instance);
  c[kColType] = TxnTypeShortName(row.type);
  // The receiving side of a transfer: the channel is the paying account's.
  const bool receivingTransfer = row.type == QChar('C') && row.amount >= 0;
  c[kColChannelRef] = row.reference;
  if (!receivingTransfer && !row.channelName.isEmpty())
    c[kColChannelRef] = row.channelName + " " + row.reference;
  c[kColContra] = row.contraName;
  if (row.batch > 0) c[kColBatch] = QStringLiteral("B");
  c[row.amount > 0 ? kColPlus : kColMinus] = FormatAmountSigned(row.amount);
  if (q.statement && row.balanceShown) c[kColRunningBal] = FormatAmountSigned(row.runningBalance);
  QString rec;
  if (row.reconcileCode == 1) rec = QStringLiteral("pstg ok");
  if (row.type == QChar('Z')) {
    if (q.statement && row.runningBalance == row.reconciledAmount)
      rec = QStringLiteral("BAL OK");
    else
      rec = FormatAmountSigned(row.reconciledAmount) +
            (row.runningBalance != row.reconciledAmount ? QStringLiteral("?") : QString());
  }
  if (row.cancelled) rec = QStringLiteral("cancelled");
  c[kColReconciled] = rec;
  c[kColDescription] = q.descriptionCtgy
                           ? JoinNonEmpty(row.categoryName, QStringLiteral(" : "), row.narrative)
                           : row.narrative;
  if (ListsExternalAccount(q.kind) && (row.type == QChar('P') || row.type == QChar('R')))
    c[kColExternalAccount] = row.externalAccount;
  return c;
}

// ---------------------------------------------------------------- searches

int RowOfTxn(const QList<TPostingRow>& rows, int32_t txnId) {
  for (int i = rows.size() - 1; i >= 0; --i)
    if (rows[i].txnId == txnId) return i;
  return -1;
}

int RowOnOrAfter(const QList<TPostingRow>& rows, int32_t ymd) {
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].date >= ymd) return i;
  return rows.size() - 1;
}

int LastReconciledRow(const QList<TPostingRow>& rows) {
  for (int i = rows.size() - 1; i >= 0; --i)
    if (rows[i].type == QChar('Z')) return i;
  return -1;
}

bool IsValueBearing(QChar type) {
  return type == QChar('C') || type == QChar('F') || type == QChar('P') || type == QChar('R');
}

QList<QPair<QString, int32_t>> AccountChannels(int32_t accountId) {
  QList<QPair<QString, int32_t>> out;
  QSqlQuery q = RunQuery(
      QStringLiteral("select c.chname, c.chnum from channel c where c.accid = ? order by c.chname"),
      {accountId});
  while (q.next()) out << qMakePair(q.value(0).toString(), q.value(1).toInt());
  return out;
}

QStringList CurrencyCodes() {
  QStringList out;
  QSqlQuery q = RunQuery(QStringLiteral("select c.id from ccy c order by c.id"));
  while (q.next()) out << q.value(0).toString().trimmed();
  return out;
}

QList<int> PostingsShownColumns(const TPostingsQuery& q) {
  const TDbSettings& s = Session().settings;
  QList<int> out;
  for (int c = 0; c < kPostingsColumns; ++c) {
    if ((c == kColTxnId && !s.postingsTxnIdVisible) ||
        (c == kColInstance && !s.postingsInstIdVisible) ||
        (c == kColType && !s.postingsTypeVisible) || (c == kColChannelRef && !q.refColumn) ||
        (c == kColRunningBal && !q.statement) ||
        (c == kColExternalAccount && !ListsExternalAccount(q.kind)))
      continue;
    out << c;
  }
  return out;
}

QString PostingsExportTitle(const QString& caption, const QString& nameLabel,
                            const TPostingsQuery& q, const TBfdLine& bfd) {
  QString title =
      "VORBEK \"" + Session().settings.databaseName + "\"  " + caption + " \"" + nameLabel + "\"";
  if (q.when == TPostingsWhen::Period)
    title += "  Period " + YmdToText(q.from) + " to " + YmdToText(q.to);
  else if (q.when == TPostingsWhen::PeriodPlus)
    title += "  From " + YmdToText(q.from);
  if (HasBfdLine(q.kind)) title += "  B/fd bal = " + FormatAmount(bfd.amount);
  return title;
}

bool CheckReconciliation(int32_t accountId, QList<TReconIssue>& issues) {
  QList<int32_t> ids;
  if (accountId > 0) {
    ids << accountId;
  } else {
    QSqlQuery q = RunQuery(QStringLiteral(
        "select o.id from account o where o.reconciled > '' or exists (select 1 from pstg p "
        "where p.objid = o.id and p.txntype = 'Z') order by o.id"));
    while (q.next()) ids << q.value(0).toInt();
  }
  for (int32_t id : ids) {
    TObj a;
    if (!ReadAccount(id, a)) return false;
    if (!CalcRunningBalances(id) || !CommitIfActive()) {
      RollbackIfActive();
      return false;
    }
    bool ok = false;
    QSqlQuery q = RunQuery(
        QStringLiteral("select p.txnid, p.pstgdate, p.recamt, p.rngbal from pstg p where "
                       "p.objid = ? and p.txntype = 'Z' order by p.pstgdate, p.seq, p.txnid"),
        {id}, &ok);
    if (!ok) return false;
    int32_t latest = 0;
    while (q.next()) {
      const int32_t date = q.value(1).toInt();
      latest = qMax(latest, date);
      const int64_t rec = q.value(2).toLongLong(), bal = q.value(3).toLongLong();
      if (rec != bal)
        issues << TReconIssue{
            id, a.name, q.value(0).toInt(), date, "balance", FormatAmount(rec), FormatAmount(bal)};
    }
    const QString want = latest > 0 ? YmdToText(latest) : QString();
    if (a.reconciledText.trimmed() != want)
      issues << TReconIssue{id,  a.name, 0, latest, "reconciled date", a.reconciledText.trimmed(),
                            want};
  }
  return true;
}
