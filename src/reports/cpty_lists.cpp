#include "reports/cpty_lists.h"

#include <QSqlQuery>
#include <algorithm>

#include "foundation/daterec.h"
#include "store/db.h"

namespace {

QString trimmedText(const QVariant& v) { return v.isNull() ? QString() : v.toString().trimmed(); }

}  // namespace

QChar CptyCategoryDirection(bool cptyPays) { return cptyPays ? QChar('S') : QChar('P'); }

bool ListCptyCategories(int32_t cptyId, QChar direction, TCptyCategoryLists& lists) {
  lists = TCptyCategoryLists();
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select c.ctgyid, c.hidden, o.name, lower(o.name) as uname, o.closedate "
                     "from cptyctgy c left join account o on o.id = c.ctgyid "
                     "where (c.cptyid = ?) and (c.purchsale = ?) order by uname"),
      {cptyId, QString(direction)}, &ok);
  if (!ok) return false;
  while (q.next()) {
    // A pair whose category was deleted has nothing to show or choose.
    if (q.value(2).isNull()) continue;
    TIdText e{q.value(0).toInt(), q.value(2).toString()};
    const int32_t closeDate = q.value(4).isNull() ? kOpenEnded : q.value(4).toInt();
    if (closeDate < kOpenEnded)
      lists.closed << e;
    else if (q.value(1).toInt() == 1)
      lists.hidden << e;
    else
      lists.preferred << e;
  }
  return true;
}

bool ListExtAccountsWith(int32_t cptyId, int32_t defaultId, QList<TExtAccountRow>& rows) {
  rows.clear();
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select id, name, lower(name) as lname, ccy, closedate "
                                        "from account where accwith = ? and type2 = 1 "
                                        "order by lname"),
                         {cptyId}, &ok);
  if (!ok) return false;
  while (q.next()) {
    TExtAccountRow r;
    r.id = q.value(0).toInt();
    r.name = q.value(1).toString();
    if (!q.value(4).isNull() && q.value(4).toInt() < kOpenEnded)
      r.name += QStringLiteral(" (closed)");
    r.ccy = trimmedText(q.value(3));
    r.isDefault = r.id == defaultId;
    rows << r;
  }
  return true;
}

int ListChannels(int32_t accountId, QList<TIdText>& list, bool excludeClosed, QChar direction) {
  list.clear();
  list << TIdText{0, kNoChannelText};
  QString sql = QStringLiteral("select chnum, chname, chsts from channel where (accid = ?)");
  if (excludeClosed) sql += QStringLiteral(" and (chsts = 0)");
  // A channel with no type yet counts as both.
  if (direction == QChar('P'))
    sql += QStringLiteral(" and (chtype is null or chtype <> 'R')");
  else if (direction == QChar('R'))
    sql += QStringLiteral(" and (chtype is null or chtype <> 'P')");
  bool ok = false;
  QSqlQuery q = RunQuery(sql, {accountId}, &ok);
  if (!ok) return -1;
  QList<TIdText> found;
  while (q.next()) {
    QString text = q.value(1).toString();
    if (q.value(2).toInt() != 0) text = QStringLiteral("(closed) ") + text;
    found << TIdText{q.value(0).toInt(), text};
  }
  std::stable_sort(found.begin(), found.end(), [](const TIdText& a, const TIdText& b) {
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
  });
  list += found;
  return int(found.size());
}

bool ChannelComboEntries(int32_t accountId, QList<TIdText>& list) {
  list.clear();
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select c.chname, c.chnum from channel c where c.accid = ? order by c.chnum"),
      {accountId}, &ok);
  if (!ok) return false;
  while (q.next()) list << TIdText{q.value(1).toInt(), q.value(0).toString()};
  list << TIdText{0, QStringLiteral("<default channel>")};
  return true;
}
