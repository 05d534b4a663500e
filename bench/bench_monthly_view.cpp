// Times the monthly analysis window (offscreen) on synthetic books: the
// opening with its rebuild of the totals, the refills (" < ", a mode, a
// drill-down, Back), a chart of 20 series and the CSV export.
//
//   bench_monthly_view [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 100k transactions. The synthetic books get 24 more top-level
// categories with a posting in each of their last 60 months, so that the top
// level has rows enough for a chart of 20 series. Window messages run during
// the rebuild as they do in the program. Aims: opening < 2.5 s, each refill
// < 100 ms, the chart < 100 ms, the CSV < 100 ms. Exits non-zero when a step
// failed or showed nothing. BENCH_TRACE=1 prints the rebuild's stages with their times.
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "foundation/dates.h"
#include "screens/views/monthly_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

// The bench's prompter, letting window messages run as the program's does.
class ViewPrompter : public BenchPrompter {
 public:
  void processEvents() override { QCoreApplication::processEvents(); }
};

void report(const char* what, const TBenchClock& clock, int aimMs) {
  std::printf("  %-44s %6lld ms wall, %6lld ms cpu (aim < %d ms)\n", what,
              static_cast<long long>(clock.wallMs()), static_cast<long long>(clock.cpuMs()), aimMs);
}

bool addTopLevelCategories(int32_t lastDate) {
  PreparedSql pstg(QStringLiteral(
      "insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, ccy, val, seq) "
      "values (?, ?, 0, 'P', ?, ?, ?, ?, ?)"));
  if (!pstg.ok()) return false;
  int32_t txn = QueryValue(QStringLiteral("select max(txnid) from pstg"), {}, 0).toInt() + 1000;
  for (int i = 0; i < 24; ++i) {
    TObj o = NewObj();
    o.kind = 3;
    o.name = QStringLiteral("Chart category %1").arg(i, 2, 10, QChar('0'));
    if (!WriteAccount(o)) return false;
    TDateRec d = YmdToDateRec(lastDate);
    d.day = 1;
    for (int m = 0; m < 60; ++m, PrevMonth(d)) {
      const qint64 amt = (i % 3 - 1) * 1000 + m * 37 + i;
      if (!pstg.exec({++txn, o.id, DateRecToYmd(d), amt, o.ccy, amt, txn})) return false;
    }
  }
  return CommitIfActive();
}

int one(int size, uint64_t seed, BenchPrompter&) {
  ViewPrompter prompter;
  Prompter* previous = InstallPrompter(&prompter);
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error)) return BenchFail(error);
  Session().dataFolder = folder;
  if (!addTopLevelCategories(books.periodTo))
    return BenchFail("adding categories: " + LastDbError());
  std::printf("%d transactions, %d postings, 24 more categories; end %d\n", books.transactions,
              books.postings, books.periodTo);

  TFMonthly* w = MonthlyAnalysisWindow();
  TBenchClock clock;
  if (qEnvironmentVariableIsSet("BENCH_TRACE"))
    QObject::connect(w, &TFMonthly::progressShown, w, [&] {
      std::printf("    %6lld ms wall, %6lld ms cpu  \"%s\" %s\n",
                  static_cast<long long>(clock.wallMs()), static_cast<long long>(clock.cpuMs()),
                  qPrintable(w->stageLabel()->text()), qPrintable(w->counterLabel()->text()));
    });
  ShowMonthlyAnalysis(YmdToDateRec(books.periodTo));
  QApplication::processEvents();
  report("opening with its rebuild", clock, 2500);
  if (!w->isVisible() || w->model()->grid().rows.isEmpty())
    return BenchFail("nothing shown; said: " + prompter.infos.join(" | "));
  std::printf("  %lld rows at the top level, %d month rows\n",
              static_cast<long long>(w->model()->grid().rows.size()), CountAll("mthly"));

  auto refill = [&](const char* what, const std::function<void()>& step) {
    clock.start();
    step();
    QApplication::processEvents();
    report(what, clock, 100);
    return !w->model()->isEmpty();
  };
  if (!refill("refill: < (previous month)", [&] { w->previousMonth(); }) ||
      !refill("refill: mode Year-on-Month", [&] { w->setMode(TMonthlyMode::RollingMonth); }) ||
      !refill("refill: mode Year-on-Year", [&] { w->setMode(TMonthlyMode::Year); }) ||
      !refill("refill: mode Month-on-Month", [&] { w->setMode(TMonthlyMode::Month); }))
    return BenchFail(QStringLiteral("a refill showed nothing"));
  int groupRow = -1;
  const TMonthlyGrid& g = w->model()->grid();
  for (int r = 0; r < g.rows.size() && groupRow < 0; ++r)
    if (g.rows[r].isGroup()) groupRow = r;
  if (groupRow < 0) return BenchFail(QStringLiteral("no group at the top level"));
  if (!refill("refill: drill-down group", [&] { w->drillDown(groupRow); }) ||
      w->currentGroup() == 0 || !refill("refill: Back", [&] { w->back(); }))
    return BenchFail(QStringLiteral("drill-down or Back showed nothing"));

  w->gridView()->clearSelection();
  clock.start();
  w->setChartShown(true);
  QApplication::processEvents();
  report("chart of the top level", clock, 100);
  const qsizetype series = w->chartView()->chart()->series().size();
  std::printf("  %lld series: %s\n", static_cast<long long>(series),
              qPrintable(w->chartView()->chart()->title()));
  if (series != 20) return BenchFail(QStringLiteral("the chart does not show 20 series"));
  if (!refill("refill with the chart shown: <", [&] { w->previousMonth(); }))
    return BenchFail(QStringLiteral("a refill showed nothing"));
  w->setChartShown(false);

  clock.start();
  const bool written = w->exportToFile();
  report("CSV export", clock, 100);
  if (!written || QDir(folder).entryList({QStringLiteral("anlys*.csv")}).isEmpty())
    return BenchFail("no export written; said: " + prompter.infos.join(" | "));
  w->hide();
  CloseDatabase(false);
  InstallPrompter(previous);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {100000}, one);
}
