#include "reports/currency_lists.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "store/db.h"

QString TCurrencyRow::baseText() const { return base ? QStringLiteral("**") : QString(); }

QString TRateRow::dateText() const { return YmdToText(date); }

QString TRateRow::rateText() const { return FormatRate(rate); }

bool CurrencyRows(QList<TCurrencyRow>& rows) {
  rows.clear();
  bool ok = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select c.id, c.name, c.base from ccy c order by c.id"), {}, &ok);
  if (!ok) return false;
  while (q.next())
    rows << TCurrencyRow{q.value(0).toString().trimmed(), q.value(1).toString(),
                         q.value(2).toInt() == 1};
  return true;
}

bool RateRows(const QString& code, QList<TRateRow>& rows) {
  rows.clear();
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select r.rdate, r.rate from rate r where r.ccycode = ? order by r.rdate"),
      {code}, &ok);
  if (!ok) return false;
  while (q.next()) rows << TRateRow{q.value(0).toInt(), q.value(1).toDouble()};
  return true;
}
