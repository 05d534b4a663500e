// vorbek-cli monthly: rebuilds the monthly movement totals of the categories,
// pots and their groups and prints them with the accounts' names.
#include <QSqlQuery>

#include "cli/commands.h"
#include "cli/open_books.h"
#include "ledger/monthly.h"
#include "store/db.h"

namespace {

int runMonthly(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage(QStringLiteral("monthly DIR [--csv]"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (RebuildMonthlyTotals() != TMonthlyResult::Done) return CliRefused();
  QSqlQuery q = RunQuery(
      QStringLiteral("select m.accid, a.name, m.mory, m.mth, m.mtot from mthly m "
                     "left join account a on a.id = m.accid order by m.accid, m.mory, m.mth"));
  QList<TCellRow> rows;
  while (q.next())
    rows << TCellRow{IntCell(q.value(0).toInt()), TextCell(q.value(1).toString().trimmed()),
                     TextCell(q.value(2).toString().trimmed()), IntCell(q.value(3).toInt()),
                     AmountCell(q.value(4).toLongLong())};
  q.finish();
  CliTable(ctx, {"Id", "Name", "Kind", "Month", "Total"}, rows);
  return CliCommitted();
}

const CliRegistration kMonthly({QStringLiteral("monthly"), QStringLiteral("DIR [--csv]"),
                                QStringLiteral("rebuild and list monthly (M) and rolling-year "
                                               "(Y) totals of categories, pots and groups"),
                                runMonthly});

}  // namespace
