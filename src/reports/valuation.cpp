#include "reports/valuation.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

bool add(int64_t& sum, int64_t x) { return !__builtin_add_overflow(sum, x, &sum); }

bool outOfRange() {
  ShowInfo(QStringLiteral("Account values are out of range"));
  return false;
}

}  // namespace

QString TValuation::caption() const {
  return "Account values  " + YmdToText(from) + " to " + YmdToText(to);
}

bool ComputeValuation(int32_t from, int32_t to, TValuation& v) {
  v = TValuation();
  v.from = from;
  v.to = to;
  if (!CheckNoStraddle(to, QChar('F'))) return false;
  if (RebalanceNeeded()) {
    ShowInfo(QStringLiteral("Rebalance needed"));
    return false;
  }
  const QString base = Session().settings.baseCurrency.trimmed();

  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select m.pdcfd from movtg m "
                                        "left join account a on a.id = m.accid "
                                        "where (a.type2 = 3) or (a.type2 = 6)"),
                         {}, &ok);
  if (!ok) return false;
  while (q.next())
    if (!add(v.internalTotal, q.value(0).toLongLong())) return outOfRange();

  q = RunQuery(QStringLiteral("select o.id, o.name, o.ccy, r.rate, m.pdbfd, m.pdcfd "
                              "from account o "
                              "join movtg m on (m.accid = o.id) and (m.ccy = o.ccy) "
                              "and (m.amtval = 'A') "
                              "left join rate r on (r.ccycode = o.ccy) and (r.rdate = ?) "
                              "where (o.type2 = 1) and ((m.pdbfd <> 0) or (m.pdcfd <> 0)) "
                              "order by lower(o.name), o.id"),
               {to}, &ok);
  if (!ok) return false;
  while (q.next()) {
    TValuationExternalRow r;
    r.id = q.value(0).toInt();
    r.name = q.value(1).toString().trimmed();
    r.ccy = q.value(2).toString().trimmed();
    r.broughtForward = q.value(4).toLongLong();
    r.balance = q.value(5).toLongLong();
    if (r.ccy == base) {
      // The base currency's rate is 1, whatever RATE may hold for it.
      r.rate = 1;
      r.value = r.balance;
    } else {
      r.rate = q.value(3).isNull() ? 0 : q.value(3).toDouble();
      if (!(r.rate > 0)) {
        ShowInfo("Exchange rate not found for " + r.ccy);
        return false;
      }
      if (!DivideHalfEven(r.balance, r.rate, r.value)) {
        ShowInfo("Value of " + FormatAmount(r.balance) + " " + r.ccy + " at rate " +
                 FormatRate(r.rate) + " is out of range");
        return false;
      }
    }
    if (!add(r.ccy == base ? v.baseValue : v.foreignValue, r.value)) return outOfRange();
    v.external << r;
  }

  q = RunQuery(QStringLiteral("select o.id, o.name, o.ccy, m.pdbfd, m.pdcfd "
                              "from account o "
                              "join movtg m on (m.accid = o.id) and (m.ccy = o.ccy) "
                              "and (m.amtval = 'A') "
                              "where ((o.type2 = 6) or (o.type2 = 3)) "
                              "and ((m.pdbfd <> 0) or (m.pdcfd <> 0)) "
                              "order by lower(o.name), o.id"),
               {}, &ok);
  if (!ok) return false;
  while (q.next()) {
    TValuationInternalRow r{q.value(0).toInt(), q.value(1).toString().trimmed(),
                            q.value(2).toString().trimmed(), q.value(3).toLongLong(),
                            q.value(4).toLongLong()};
    if (!add(v.internalListed, r.balance)) return outOfRange();
    v.internal << r;
  }
  q = QSqlQuery();

  v.total = v.baseValue;
  if (!add(v.total, v.foreignValue)) return outOfRange();
  if (__builtin_sub_overflow(v.total, v.internalTotal, &v.difference)) return outOfRange();
  if (v.internalTotal != v.internalListed)
    ShowInfo("Internal values differ " + FormatAmount(v.internalTotal) + "  " +
             FormatAmount(v.internalListed));
  return true;
}
