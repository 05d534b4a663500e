#include "reports/input_days.h"

#include <QSqlQuery>
#include <QVariant>

#include "store/db.h"

QList<int32_t> InputDays(bool* ok) {
  bool ran = false;
  QSqlQuery q = RunQuery(QStringLiteral("select distinct coalesce(createdate, 0) as createdate "
                                        "from txn order by 1"),
                         {}, &ran);
  QList<int32_t> days;
  while (ran && q.next()) days << q.value(0).toInt();
  if (ok) *ok = ran;
  return days;
}

int32_t LatestInputTxnId() {
  const int32_t stamped =
      QueryValue(QStringLiteral("select first 1 id from txn "
                                "where coalesce(editts, createts) is not null "
                                "order by coalesce(editts, createts) desc, id desc"),
                 {}, 0)
          .toInt();
  // Books converted from before stamps were kept: the highest id came last.
  if (stamped > 0) return stamped;
  return QueryValue(QStringLiteral("select max(id) from txn"), {}, 0).toInt();
}
