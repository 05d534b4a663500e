#include "screens/views/monthly_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

QList<const TMonthlyGridRow*> ChartRows(const TMonthlyGrid& grid, const QList<int>& rows) {
  QList<const TMonthlyGridRow*> out;
  if (rows.isEmpty()) {
    for (const TMonthlyGridRow& r : grid.rows) out << &r;
    return out;
  }
  for (int i : rows) {
    if (i >= 0 && i < grid.rows.size())
      out << &grid.rows[i];
    else if (i == grid.rows.size())
      out << &grid.totals;
  }
  return out;
}

void FillMonthlyChart(QChart* chart, const TMonthlyGrid& grid, const QList<int>& rows,
                      const QString& groupLabel, const QString& currency) {
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }

  const QList<const TMonthlyGridRow*> shown = ChartRows(grid, rows);
  QString title = MonthlyModeName(grid.request.mode) + " - " +
                  (groupLabel.isEmpty() ? QStringLiteral("All internal accounts") : groupLabel);
  if (shown.size() > kMaxChartSeries)
    title += "  (first " + QString::number(kMaxChartSeries) + " of " +
             QString::number(shown.size()) + " rows)";
  chart->setTitle(title);
  chart->legend()->setVisible(true);
  chart->legend()->setAlignment(Qt::AlignBottom);

  QStringList categories;
  for (int c : grid.figureColumns) categories << grid.header[c];
  auto major = [](const std::optional<int64_t>& a) { return double(a.value_or(0)) / 100.0; };

  auto* x = new QBarCategoryAxis(chart);
  x->append(categories);
  auto* y = new QValueAxis(chart);
  y->setTitleText(currency);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  const qsizetype n = qMin<qsizetype>(shown.size(), kMaxChartSeries);
  double lo = 0, hi = 0;
  auto extend = [&](double v) {
    lo = qMin(lo, v);
    hi = qMax(hi, v);
  };
  if (grid.request.mode == TMonthlyMode::Year) {
    auto* bars = new QBarSeries(chart);
    for (qsizetype i = 0; i < n; ++i) {
      auto* set = new QBarSet(shown[i]->label.trimmed(), bars);
      for (int c : grid.figureColumns) {
        const double v = major(shown[i]->amounts.value(c));
        *set << v;
        extend(v);
      }
      bars->append(set);
    }
    chart->addSeries(bars);
    bars->attachAxis(x);
    bars->attachAxis(y);
  } else {
    for (qsizetype i = 0; i < n; ++i) {
      auto* line = new QLineSeries(chart);
      line->setName(shown[i]->label.trimmed());
      for (qsizetype k = 0; k < grid.figureColumns.size(); ++k) {
        const double v = major(shown[i]->amounts.value(grid.figureColumns[k]));
        line->append(double(k), v);
        extend(v);
      }
      chart->addSeries(line);
      line->attachAxis(x);
      line->attachAxis(y);
    }
  }
  if (lo == hi) hi = lo + 1;
  y->setRange(lo, hi);
  y->applyNiceNumbers();
}
