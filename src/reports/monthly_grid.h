#pragma once
// The monthly analysis grid: the net movements of the internal accounts and
// their groups read from MTHLY, twelve months or five rolling years ending at
// a chosen month, one row per account with the column and row totals. The
// analysis window, its CSV file and vorbek-cli's "monthly view" all show it.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "foundation/daterec.h"
#include "ledger/monthly.h"

enum class TMonthlyMode {
  Month,         // "Month-on-Month": calendar months, the row total in column 14
  RollingMonth,  // "Year-on-Month": the rolling year ending in each month
  Year,          // "Year-on-Year": the rolling years ending in the end month of five years
};

enum class TMonthlySort { ByName, ByValue };

// "Month-on-Month", "Year-on-Month", "Year-on-Year".
QString MonthlyModeName(TMonthlyMode mode);

inline constexpr int kInternalGroupKind = 10;

struct TMonthlyGridRow {
  int32_t id = 0;  // ACCOUNT id; 0 on the totals row
  int kind = 0;    // TYPE2
  QString name;
  QString path;
  QString label;  // column 0 as shown
  // One per grid column; columns 0 and 1 and cells without a figure hold none.
  QList<std::optional<int64_t>> amounts;
  bool isGroup() const { return kind == kInternalGroupKind; }
};

struct TMonthlyRequest {
  TDateRec end;
  TMonthlyMode mode = TMonthlyMode::Month;
  int32_t group = 0;  // 0 = top level
  bool showGrouping = true;
};

struct TMonthlyGrid {
  TMonthlyRequest request;
  int32_t endMonth = 0;  // yyyymm
  QStringList header;
  QList<int> figureColumns;  // the columns holding months or years, oldest first
  int totalColumn = -1;      // the row-total column (14), -1 in "Year-on-Year"
  QList<TMonthlyGridRow> rows;
  TMonthlyGridRow totals;
  int64_t rowSums = 0;     // the sum of the row sums
  int64_t columnSums = 0;  // the sum of the column sums

  int columnCount() const { return int(header.size()); }
  // The text of a cell: column 0 as shown, "GROUP" in column 1 of a group row,
  // FormatAmountSigned of a figure or one blank for 0, empty without a figure.
  QString cellText(const TMonthlyGridRow& row, int column) const;
  // Header, data rows and "TOTALS" as the grid shows them.
  QList<QStringList> textRows() const;
  QString hint() const;
  // Empty when the row sums agree with the column sums, else "htot2 = …  vtot2 = …".
  QString checkText() const;
};

// The yyyymm of a date.
inline int32_t MonthOf(const TDateRec& d) { return int32_t(d.year) * 100 + d.month; }

// A date with a month 1..12 and a day within that month.
bool IsRealDate(const TDateRec& d);

// Fills grid from MTHLY in the open transaction, the check shown as a program
// error when the sums disagree. False on a database error (shown).
bool BuildMonthlyGrid(const TMonthlyRequest& request, TMonthlyGrid& grid);

// Orders the data rows (the totals row stays last); ties keep their order.
// By name: column 0, case folded. By value: the last column, a cell without a
// figure as 0; a last column without any figure leaves the order unchanged.
void SortMonthlyGrid(TMonthlyGrid& grid, TMonthlySort sort);

// The shown grid as CSV: header, data rows, "TOTALS"; figures as plain
// numbers, blank cells empty; RFC 4180 quoting; lines end in CRLF.
QString MonthlyGridCsv(const TMonthlyGrid& grid);

// The clipboard text of the grid: title line, "(" + hint + ")", then every
// row (header and totals included) as its cells joined by tabs.
QString MonthlyGridClipboardText(const TMonthlyGrid& grid, const QString& title);

// What opening the analysis does before the grid is filled: the group
// membership rebuilt first when the paths are to be reset (so group rows
// follow the current groups), a transaction started, the totals rebuilt.
// The caller commits after filling, or rolls back unless Done.
TMonthlyResult PrepareMonthlyAnalysis(const TMonthlyProgress& progress = {});
