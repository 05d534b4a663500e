#pragma once
// The chart of the monthly analysis: the chosen rows of the grid as line
// series over the months ("Month-on-Month", "Year-on-Month") or as bar sets
// over the five years ("Year-on-Year"), amounts in major units.
#include <QList>
#include <QString>

#include "reports/monthly_grid.h"

class QChart;

inline constexpr int kMaxChartSeries = 20;

// The grid rows a chart shows: rows (indexes into grid.rows, grid.rows.size()
// for the totals row) when any are given, else every data row.
QList<const TMonthlyGridRow*> ChartRows(const TMonthlyGrid& grid, const QList<int>& rows);

// Fills chart afresh: at most kMaxChartSeries series of the chosen rows, named
// by column 0 trimmed, over the figure columns; a cell without a figure
// counts 0. Title: mode + " - " + groupLabel (or "All internal accounts"),
// with "  (first 20 of " + n + " rows)" when rows were left out. The value
// axis is titled with currency. No animations.
void FillMonthlyChart(QChart* chart, const TMonthlyGrid& grid, const QList<int>& rows,
                      const QString& groupLabel, const QString& currency);
