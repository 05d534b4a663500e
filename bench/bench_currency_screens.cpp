// Times the currency screens on synthetic books: the valuation window
// computed and shown, the "Post" check and the FX gain/loss written, and the
// USD rates list (a rate for every day) filled and shown.
//
//   bench_currency_screens [--seed N] [SIZE ...]   SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 100k transactions. The books are rebalanced first. Windows
// are timed once to build them and then five times (median reported). Aims:
// valuation below 300 ms, "Post" below 200 ms, rates list below 100 ms.
// Exits non-zero when a window did not show or the posting failed.
#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "common.h"
#include "ledger/fx_gain_loss.h"
#include "ledger/rebalance.h"
#include "screens/masterdata/currencies.h"
#include "screens/views/valuations.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

struct TTimes {
  double first = 0;      // wall-clock ms of the first run
  double median = 0;     // wall-clock ms, median of five more
  double cpuMedian = 0;  // processor ms of those, median
};

// The machine may be shared: processor time shows the work done whatever else runs.
TTimes timeRuns(const std::function<void()>& run) {
  TBenchClock clock;
  run();
  TTimes t;
  t.first = double(clock.wallMs());
  QList<double> wall, cpu;
  for (int i = 0; i < 5; ++i) {
    clock.start();
    run();
    wall << double(clock.wallMs());
    cpu << double(clock.cpuMs());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  t.median = wall[wall.size() / 2];
  t.cpuMedian = cpu[cpu.size() / 2];
  return t;
}

int one(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error)) return BenchFail(error);
  if (!Rebalance()) return BenchFail("the rebalance failed: " + prompter.infos.join(" | "));
  std::printf("%d transactions, %d postings, %d rates\n", books.transactions, books.postings,
              books.rates);

  TFvalues* values = ValuationsWindow();
  const auto shown = timeRuns([values] {
    values->hide();
    ShowValuations();
  });
  if (!values->isVisible())
    return BenchFail("the valuation window did not show; said: " + prompter.infos.join(" | "));
  const TValuation& v = values->valuation();
  std::printf(
      "  valuation window: %d external, %d internal rows, difference %lld;"
      " first %.0f ms, median %.0f ms (processor %.0f; aim < 300 ms)\n",
      int(v.external.size()), int(v.internal.size()), (long long)v.difference, shown.first,
      shown.median, shown.cpuMedian);

  const int32_t category =
      QueryValue(QStringLiteral("select min(id) from account where type2 = 3")).toInt();
  TBenchClock clock;
  int32_t id = 0;
  const bool posted = FxPostAllowed(v.to) &&
                      WriteFxGainLoss(v.to, v.difference != 0 ? v.difference : 1, category, &id);
  const double postMs = double(clock.wallMs());
  const double postCpuMs = double(clock.cpuMs());
  if (!posted) return BenchFail("the FX gain/loss was not posted: " + prompter.infos.join(" | "));
  std::printf("  \"Post\" check and write: txn #%d in %.0f ms (processor %.0f; aim < 200 ms)\n", id,
              postMs, postCpuMs);

  const auto rates = timeRuns([] {
    RatesWindow()->hide();
    ShowRates(QStringLiteral("USD"));
  });
  if (!RatesWindow()->isVisible()) return BenchFail(QStringLiteral("the rates list did not show"));
  std::printf(
      "  rates list of %d rows: first %.0f ms, median %.0f ms (processor %.0f; aim < 100 ms)\n",
      RatesWindow()->model()->rowCount(), rates.first, rates.median, rates.cpuMedian);
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {100000}, one);
}
