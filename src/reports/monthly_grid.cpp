#include "reports/monthly_grid.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/table_export.h"
#include "foundation/texts.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/session.h"

namespace {

constexpr int kMonthColumns = 15;
constexpr int kYearColumns = 8;
constexpr int kFirstMonthColumn = 2;
constexpr int kFirstYearColumn = 3;

int32_t prevMonthNumber(int32_t yyyymm) {
  return yyyymm % 100 <= 1 ? (yyyymm / 100 - 1) * 100 + 12 : yyyymm - 1;
}

void setUpColumns(TMonthlyGrid& g) {
  g.header = {QStringLiteral("Group/Account name"), QStringLiteral("Group?")};
  g.figureColumns.clear();
  QList<int32_t> months;
  if (g.request.mode == TMonthlyMode::Year) {
    for (int32_t m = g.endMonth, i = 0; i < 5; ++i, m -= 100) months.prepend(m);
    g.header << QString();
    for (int i = 0; i < 5; ++i) g.figureColumns << kFirstYearColumn + i;
    g.totalColumn = -1;
  } else {
    for (int32_t m = g.endMonth, i = 0; i < 12; ++i, m = prevMonthNumber(m)) months.prepend(m);
    for (int i = 0; i < 12; ++i) g.figureColumns << kFirstMonthColumn + i;
    g.totalColumn = kMonthColumns - 1;
  }
  for (int32_t m : months) g.header << QString::number(m);
  if (g.totalColumn >= 0) g.header << QStringLiteral("TOTALS");
  Q_ASSERT(g.header.size() ==
           (g.request.mode == TMonthlyMode::Year ? kYearColumns : kMonthColumns));
}

TMonthlyGridRow emptyRow(const TMonthlyGrid& g) {
  TMonthlyGridRow r;
  r.amounts.resize(g.columnCount());
  return r;
}

void add(std::optional<int64_t>& cell, int64_t amount) { cell = cell.value_or(0) + amount; }

}  // namespace

QString MonthlyModeName(TMonthlyMode mode) {
  switch (mode) {
    case TMonthlyMode::Month:
      return QStringLiteral("Month-on-Month");
    case TMonthlyMode::RollingMonth:
      return QStringLiteral("Year-on-Month");
    case TMonthlyMode::Year:
      return QStringLiteral("Year-on-Year");
  }
  return {};
}

bool IsRealDate(const TDateRec& d) {
  return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= MonthLength(d);
}

QString TMonthlyGrid::cellText(const TMonthlyGridRow& row, int column) const {
  if (column == 0) return row.label;
  if (column == 1) return row.isGroup() ? QStringLiteral("GROUP") : QString();
  const std::optional<int64_t>& a = row.amounts.value(column);
  if (!a) return {};
  return *a == 0 ? QStringLiteral(" ") : FormatAmountSigned(*a);
}

QList<QStringList> TMonthlyGrid::textRows() const {
  QList<QStringList> out;
  out << header;
  auto line = [&](const TMonthlyGridRow& r) {
    QStringList cells;
    for (int c = 0; c < columnCount(); ++c) cells << cellText(r, c);
    out << cells;
  };
  for (const TMonthlyGridRow& r : rows) line(r);
  line(totals);
  return out;
}

QString TMonthlyGrid::hint() const {
  if (request.mode == TMonthlyMode::Month)
    return QStringLiteral(
        "Column headings show month as yyyymm / Cells contain totals for this "
        "month ");
  return QStringLiteral(
      "Column headings show last month in year as yyyymm / Cells contain totals "
      "for that year ");
}

QString TMonthlyGrid::checkText() const {
  if (rowSums == columnSums) return {};
  return "htot2 = " + FormatAmountSigned(rowSums) + "  vtot2 = " + FormatAmountSigned(columnSums);
}

bool BuildMonthlyGrid(const TMonthlyRequest& request, TMonthlyGrid& g) {
  g = TMonthlyGrid();
  g.request = request;
  g.endMonth = MonthOf(request.end);
  setUpColumns(g);

  QHash<int32_t, int> columnOf;
  for (int c : g.figureColumns) columnOf.insert(g.header[c].toInt(), c);

  QString sql = QStringLiteral(
      "select m.mth, m.mtot, m.accid, o.name, o.type2, o.path, "
      "lower(o.path || ' ' || o.name) as lname from mthly m "
      "left join account o on o.id = m.accid where (o.grpid = ?) and (m.mory = ?)");
  QVariantList binds{request.group, request.mode == TMonthlyMode::Month ? QStringLiteral("M")
                                                                        : QStringLiteral("Y")};
  if (request.mode == TMonthlyMode::Year) {
    sql += QStringLiteral(" and (m.mth in (?, ?, ?, ?, ?))");
    for (int i = 0; i < 5; ++i) binds << g.endMonth - 100 * i;
  } else {
    // From the month after the same day a year before: a year back from
    // 2024-02-29 is a day that does not exist, and one day on is 2023-03-01.
    TDateRec from = request.end;
    PrevYear(from);
    NextDay(from);
    sql += QStringLiteral(" and (m.mth >= ?) and (m.mth <= ?)");
    binds << MonthOf(from) << g.endMonth;
  }
  // One row per account: two accounts with the same path and name stay apart.
  sql += QStringLiteral(" order by lname, m.accid, m.mth");
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return false;

  g.totals = emptyRow(g);
  g.totals.label = QStringLiteral("TOTALS");
  TMonthlyGridRow* row = nullptr;
  while (q.next()) {
    const int32_t id = q.value(2).toInt();
    if (!row || row->id != id) {
      g.rows << emptyRow(g);
      row = &g.rows.last();
      row->id = id;
      row->name = q.value(3).toString();
      row->kind = q.value(4).toInt();
      row->path = q.value(5).toString();
      row->label = request.showGrouping ? row->path + QLatin1Char(' ') + row->name : row->name;
      if (g.totalColumn >= 0 && request.mode == TMonthlyMode::Month)
        row->amounts[g.totalColumn] = 0;
    }
    const int column = columnOf.value(q.value(0).toInt(), -1);
    if (column < 0) continue;  // a month with no column (a partial first month)
    const int64_t amount = q.value(1).toLongLong();
    add(row->amounts[column], amount);
    add(g.totals.amounts[column], amount);
    if (request.mode == TMonthlyMode::Month) add(row->amounts[g.totalColumn], amount);
    g.rowSums += amount;
    g.columnSums += amount;
  }
  q.finish();
  // Every figure column of the totals row shows its sum, blank for none.
  for (int c : g.figureColumns)
    if (!g.totals.amounts[c]) g.totals.amounts[c] = 0;
  if (request.mode == TMonthlyMode::Month) g.totals.amounts[g.totalColumn] = g.rowSums;
  if (const QString wrong = g.checkText(); !wrong.isEmpty()) ShowProgramError(wrong);
  return true;
}

void SortMonthlyGrid(TMonthlyGrid& g, TMonthlySort sort) {
  if (sort == TMonthlySort::ByName) {
    std::stable_sort(g.rows.begin(), g.rows.end(),
                     [](const TMonthlyGridRow& a, const TMonthlyGridRow& b) {
                       return CompareFolded(a.label, b.label) < 0;
                     });
    return;
  }
  const int last = g.columnCount() - 1;
  const bool anyFigure = std::any_of(g.rows.cbegin(), g.rows.cend(), [&](const auto& r) {
    return r.amounts.value(last).has_value();
  });
  if (!anyFigure) return;
  std::stable_sort(g.rows.begin(), g.rows.end(),
                   [last](const TMonthlyGridRow& a, const TMonthlyGridRow& b) {
                     return a.amounts.value(last).value_or(0) < b.amounts.value(last).value_or(0);
                   });
}

QString MonthlyGridCsv(const TMonthlyGrid& g) {
  const QString crlf = QStringLiteral("\r\n");
  QString out = CsvLine(g.header) + crlf;
  auto line = [&](const TMonthlyGridRow& r) {
    QStringList fields{r.label, g.cellText(r, 1)};
    for (int c = 2; c < g.columnCount(); ++c) {
      const std::optional<int64_t>& a = r.amounts.value(c);
      fields << (a && *a != 0 ? PlainAmount(*a) : QString());
    }
    out += CsvLine(fields) + crlf;
  };
  for (const TMonthlyGridRow& r : g.rows) line(r);
  line(g.totals);
  return out;
}

QString MonthlyGridClipboardText(const TMonthlyGrid& g, const QString& title) {
  QString out = title + QLatin1Char('\n') + "(" + g.hint() + ")\n";
  for (const QStringList& cells : g.textRows()) out += cells.join(QLatin1Char('\t')) + '\n';
  return out;
}

TMonthlyResult PrepareMonthlyAnalysis(const TMonthlyProgress& progress) {
  if (Session().settings.resetPaths && !RebuildHierarchy()) return TMonthlyResult::Failed;
  if (!StartTxIfNone()) return TMonthlyResult::Failed;
  return RebuildMonthlyTotals(progress);
}
