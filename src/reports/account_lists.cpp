#include "reports/account_lists.h"

#include <QSqlQuery>
#include <algorithm>

#include "foundation/dates.h"
#include "foundation/texts.h"
#include "store/db.h"

namespace {

int32_t dateOr(const QVariant& v, int32_t fallback) { return v.isNull() ? fallback : v.toInt(); }

bool isInternal(int kind) { return kind == 3 || kind == 6; }

}  // namespace

AccountFilter WiderFilter(AccountFilter f) {
  switch (f) {
    case AccountFilter::Favorites:
      return AccountFilter::Recent;
    case AccountFilter::Recent:
      return AccountFilter::Dormant;
    case AccountFilter::Dormant:
      return AccountFilter::Closed;
    default:
      return f;
  }
}

QString AccountStatusText(bool favourite, int32_t closeDate, int32_t lastPstgDate, int32_t openDate,
                          bool dmtLock, int32_t dormancyDate) {
  if (favourite) return QStringLiteral("favorite");
  if (closeDate < kOpenEnded) return QStringLiteral("closed");
  if (lastPstgDate == 0) {
    if (openDate <= dormancyDate) return QStringLiteral("archived");
    if (dmtLock) return QStringLiteral("new");
    return QString();
  }
  if (lastPstgDate > dormancyDate) return QString();
  return QStringLiteral("dormant");
}

bool ListAccounts(const TAccountListQuery& query, QList<TAccountListRow>& rows) {
  rows.clear();
  QString sql = QStringLiteral(
      "select o1.id, o1.type2, o1.name, o1.note, lower(o1.name) as lname, o1.fav, "
      "o1.opendate, o1.closedate, o1.dmtlock, m.lastpstgdate, o1.grpid, o1.path, o1.ccy "
      "from account o1 left join movte m on m.objid = o1.id where (1 = 1)");
  QVariantList binds;
  if (isInternal(query.kind)) {
    sql += QStringLiteral(" and (o1.type2 = 3 or o1.type2 = 6)");
  } else if (query.kind != 0) {
    sql += QStringLiteral(" and (o1.type2 = ?)");
    binds << query.kind;
  }
  switch (query.filter) {
    case AccountFilter::Favorites:
      sql += QStringLiteral(" and (o1.fav = 1)");
      break;
    case AccountFilter::Recent:
      sql += QStringLiteral(
          " and (o1.closedate = 99999999) and ((o1.opendate >= ?) or (m.lastpstgdate >= ?))");
      binds << query.dormancyDate << query.dormancyDate;
      break;
    case AccountFilter::Dormant:
      sql += QStringLiteral(
          " and (o1.closedate = 99999999) and (m.lastpstgdate < ?) and "
          "(m.lastpstgdate is not null) and (m.lastpstgdate <> 0)");
      binds << query.dormancyDate;
      break;
    case AccountFilter::Closed:
      sql += QStringLiteral(" and (o1.closedate < 99999999)");
      break;
    case AccountFilter::All:
      break;
  }
  if (!query.ccy.isEmpty()) {
    sql += QStringLiteral(" and (o1.ccy = ?)");
    binds << query.ccy;
  }
  sql += QStringLiteral(" order by 5, 1");

  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  while (q.next()) {
    TAccountListRow r;
    r.id = q.value(0).toInt();
    r.kind = q.value(1).toInt();
    r.name = q.value(2).toString();
    r.note = q.value(3).toString();
    r.favourite = q.value(5).toInt() == 1;
    r.openDate = dateOr(q.value(6), 0);
    r.closeDate = dateOr(q.value(7), kOpenEnded);
    r.dmtLock = q.value(8).toInt() > 0;
    r.lastPstgDate = dateOr(q.value(9), 0);
    r.groupId = q.value(10).toInt();
    r.path = q.value(11).toString().trimmed();
    r.ccy = q.value(12).toString().trimmed();
    r.status = AccountStatusText(r.favourite, r.closeDate, r.lastPstgDate, r.openDate, r.dmtLock,
                                 query.dormancyDate);
    rows.append(r);
  }
  return true;
}

int RowStartingWith(const QList<TAccountListRow>& rows, const QString& text) {
  if (rows.isEmpty()) return -1;
  if (text.isEmpty()) return 0;
  for (int i = 0; i < rows.size(); ++i) {
    const int c = StartsWithFolded(rows[i].name, text);
    if (c == 0) return i;
    if (c > 0) break;  // sorted: no later name can start with the text
  }
  return -1;
}

int RowOfId(const QList<TAccountListRow>& rows, int32_t id) {
  for (int i = rows.size() - 1; i >= 0; --i)
    if (rows[i].id == id) return i;
  return -1;
}

// ---- Finder ---------------------------------------------------------------------------

FinderPage FinderPageOf(int32_t closeDate, int32_t lastPstgDate, int32_t firstPstgDate,
                        int32_t dormancyDate) {
  if (closeDate < kOpenEnded) return kPageClosed;
  if (lastPstgDate > 0 && lastPstgDate <= dormancyDate) return kPageDormants;
  if (lastPstgDate == 0 && firstPstgDate <= dormancyDate) return kPageDormants;
  return kPageActives;
}

bool FindAccounts(int kind, const QString& text, bool contains, int32_t dormancyDate,
                  const QString& baseCcy, TFinderPages& pages) {
  for (auto& p : pages.page) p.clear();
  QString sql = QStringLiteral(
      "select o1.id, o1.type2, o1.name, lower(o1.name) as lname, o1.closedate, o1.ccy, "
      "me.lastpstgdate, me.firstpstgdate as opendate "
      "from account o1 left join movte me on me.objid = o1.id where ");
  QVariantList binds;
  if (isInternal(kind)) {
    sql += QStringLiteral("(o1.type2 = 3 or o1.type2 = 6)");
  } else {
    sql += QStringLiteral("(o1.type2 = ?)");
    binds << kind;
  }
  sql += QStringLiteral(" order by 4, 1");

  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  // Both sides folded: the name by the helper, the typed text here.
  const QString needle = text.toLower();
  while (q.next()) {
    const QString name = q.value(2).toString();
    const bool match = text.isEmpty() || (contains ? ContainsFolded(needle, name)
                                                   : StartsWithFolded(name, text) == 0);
    if (!match) continue;
    const QString ccy = q.value(5).toString().trimmed();
    TFinderHit hit;
    hit.id = q.value(0).toInt();
    hit.text = ccy == baseCcy ? name : name + " (" + ccy + ")";
    const FinderPage page = FinderPageOf(dateOr(q.value(4), kOpenEnded), dateOr(q.value(6), 0),
                                         dateOr(q.value(7), 0), dormancyDate);
    pages.page[page].append(hit);
  }
  std::stable_sort(
      pages.page[kPageActives].begin(), pages.page[kPageActives].end(),
      [](const TFinderHit& a, const TFinderHit& b) { return CompareFolded(a.text, b.text) < 0; });
  return true;
}

// ---- Name/notes search --------------------------------------------------------------------

QString UsedDateText(int32_t ymd) {
  if (ymd == 0) return QString();
  if (ymd == kOpenEnded) return QStringLiteral("notyetposted");
  return YmdToText(ymd);
}

QString TAccountSearchRow::groupText() const {
  return isGroup ? QStringLiteral("GROUP") : QString();
}

QString TAccountSearchRow::payerText() const {
  if (cptyPays && cptyReceives) return QStringLiteral("payer/ee");
  if (cptyPays) return QStringLiteral("payer");
  if (cptyReceives) return QStringLiteral("payee");
  return QString();
}

QString TAccountSearchRow::firstUsedText() const { return UsedDateText(firstPstgDate); }
QString TAccountSearchRow::lastUsedText() const { return UsedDateText(lastPstgDate); }
QString TAccountSearchRow::closedText() const {
  return closeDate < kOpenEnded ? YmdToText(closeDate) : QString();
}

bool SearchAccountRows(int kind, const QString& text, QList<TAccountSearchRow>& rows) {
  rows.clear();
  QString sql = QStringLiteral(
      "select o.id, o.name, o.type2, o.ccy, o.cptypays, o.cptyrcvs, o.grpid, "
      "m.firstpstgdate as opendate, m.lastpstgdate, o.closedate, o.name as dpname, o.isgrp "
      "from account o left join movte m on m.objid = o.id ");
  QVariantList binds;
  if (isInternal(kind)) {
    sql += QStringLiteral("where ((o.btype = 3) or (o.btype = 6)) ");
  } else {
    sql += QStringLiteral("where (o.btype = ?) ");
    binds << kind;
  }
  sql +=
      QStringLiteral("and ((o.name containing ?) or (o.note containing ?)) order by o.name, o.id");
  binds << text << text;

  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  while (q.next()) {
    TAccountSearchRow r;
    r.id = q.value(0).toInt();
    r.name = q.value(1).toString();
    r.kind = q.value(2).toInt();
    r.ccy = q.value(3).toString().trimmed();
    r.cptyPays = q.value(4).toInt() == 1;
    r.cptyReceives = q.value(5).toInt() == 1;
    r.groupId = q.value(6).toInt();
    r.firstPstgDate = dateOr(q.value(7), 0);
    r.lastPstgDate = dateOr(q.value(8), 0);
    r.closeDate = dateOr(q.value(9), kOpenEnded);
    r.isGroup = q.value(11).toInt() == 1;
    rows.append(r);
  }
  return true;
}
