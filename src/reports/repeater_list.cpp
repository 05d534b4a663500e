#include "reports/repeater_list.h"

#include <QSqlQuery>

#include "foundation/daterec.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "store/db.h"

QString TRptrListRow::typeText() const {
  return type.isEmpty() ? QString() : TxnTypeShortName(type.at(0));
}

QString TRptrListRow::amountText() const { return FormatAmount(amount); }

QString TRptrListRow::startText() const {
  return startDate == 0 ? QString() : YmdToText(startDate);
}

QString TRptrListRow::endText() const {
  return endDate == 0 || endDate >= kOpenEnded ? QString() : YmdToText(endDate);
}

bool ListRepeaters(bool activeOnly, QList<TRptrListRow>& rows) {
  rows.clear();
  bool ok = false;
  QSqlQuery q = RunQuery(ActiveRepeatersSql(activeOnly), {}, &ok);
  if (!ok) return false;
  while (q.next()) {
    TRptrListRow r;
    r.id = q.value(0).toInt();
    r.startDate = q.value(1).toInt();
    r.endDate = q.value(2).toInt();
    r.freq = q.value(3).toString().trimmed();
    r.type = q.value(4).toString().trimmed();
    r.amount = q.value(5).toLongLong();
    r.genTo = q.value(6).toInt();
    r.narrative = q.value(7).toString();
    r.active = q.value(8).toInt() == 1;
    r.rptInc = q.value(9).toInt();
    for (int i = 0; i < 4; ++i) r.accName[i] = q.value(10 + i).toString().trimmed();
    rows << r;
  }
  return true;
}

int RepeaterRowOf(const QList<TRptrListRow>& rows, int32_t id) {
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].id == id) return i;
  return -1;
}
