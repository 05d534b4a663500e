// vorbek-cli monthly view: rebuilds the monthly totals as the analysis window
// does when it opens, then prints the window's grid; with --csv the bytes of
// the window's CSV file.
#include <cstdio>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "reports/monthly_grid.h"
#include "store/records.h"

namespace {

const QString kUsage = QStringLiteral(
    "monthly view DIR --end yyyy-mm-dd [--mode month|rolling|yearly] [--group ID] [--no-paths] "
    "[--csv]");

bool parseMode(const QString& text, TMonthlyMode& mode) {
  if (text.isEmpty() || text == QLatin1String("month"))
    mode = TMonthlyMode::Month;
  else if (text == QLatin1String("rolling"))
    mode = TMonthlyMode::RollingMonth;
  else if (text == QLatin1String("yearly"))
    mode = TMonthlyMode::Year;
  else
    return false;
  return true;
}

int runView(CliContext& ctx) {
  QString endText, modeText, groupText;
  const bool hasEnd = ctx.takeOption(QStringLiteral("--end"), endText);
  ctx.takeOption(QStringLiteral("--mode"), modeText);
  const bool hasGroup = ctx.takeOption(QStringLiteral("--group"), groupText);
  const bool noPaths = ctx.takeFlag(QStringLiteral("--no-paths"));
  TMonthlyRequest request;
  request.showGrouping = !noPaths;
  if (ctx.args.size() != 1 || !hasEnd || !parseMode(modeText, request.mode) ||
      (hasGroup && !ParseCliId(groupText, request.group, true)))
    return CliUsage(kUsage);
  // The start dialog's rule: a real date, or nothing is rebuilt.
  if (!ParseDateText(endText, request.end) || !IsRealDate(request.end)) {
    ShowInfo("Invalid date " + InQuotes(endText));
    return 1;
  }
  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (request.group > 0) {
    TObj group;
    if (!LocateAccount(request.group) || !ReadAccount(request.group, group) ||
        group.kind != kInternalGroupKind) {
      CliErr("vorbek-cli: " + QString::number(request.group) + " is not an internal group");
      return CliRefused();
    }
  }
  if (PrepareMonthlyAnalysis() != TMonthlyResult::Done) return CliRefused();
  TMonthlyGrid grid;
  if (!BuildMonthlyGrid(request, grid)) return CliRefused();
  SortMonthlyGrid(grid, TMonthlySort::ByName);

  if (ctx.csv) {
    std::fputs(MonthlyGridCsv(grid).toUtf8().constData(), stdout);
  } else if (ctx.json) {
    QList<TCellRow> rows;
    auto add = [&](const TMonthlyGridRow& r) {
      TCellRow cells{TextCell(r.label), TextCell(grid.cellText(r, 1))};
      for (int c = 2; c < grid.columnCount(); ++c) {
        const std::optional<int64_t>& a = r.amounts.value(c);
        cells << (a ? AmountCell(*a) : TextCell(QString()));
      }
      rows << cells;
    };
    for (const TMonthlyGridRow& r : grid.rows) add(r);
    add(grid.totals);
    CliTable(ctx, grid.header, rows);
  } else {
    CliOut(grid.hint());
    const QList<QStringList> lines = grid.textRows();
    CliTable(ctx, lines.first(), lines.mid(1));
  }
  return CliCommitted();
}

const CliRegistration kView({QStringLiteral("monthly view"), kUsage.mid(13),
                             QStringLiteral("rebuild the monthly totals and print the analysis "
                                            "grid (12 months or 5 rolling years to --end)"),
                             runView});

}  // namespace
