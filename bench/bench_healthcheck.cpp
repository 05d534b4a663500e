// Times the healthcheck on synthetic books: a check, a text check and a repair
// of clean books, the header after the backup answer, and a Cancel mid-scan.
//
//   bench_healthcheck [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Aims at 100k transactions: check ≤ 8 s, text check ≤ 4 s, repair ≤ 9 s,
// header ≤ 100 ms, Cancel honoured ≤ 200 ms. The synthetic books must check
// clean (no error of either grade): the program exits non-zero, with the
// lines, when they do not. BENCH_KEEP=1 keeps the books; BENCH_TRACE=1 times each table.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "ledger/healthcheck.h"
#include "store/db.h"
#include "store/opening.h"
#include "synthetic_books.h"

namespace {

class BenchSink : public HealthcheckSink {
 public:
  QStringList errors;
  qint64 headerMs = -1;
  QElapsedTimer since;
  const bool trace = qEnvironmentVariableIsSet("BENCH_TRACE");
  QString cancelAt;  // the table whose start sets the abort flag
  QElapsedTimer cancelled;
  void started(bool) override { headerMs = since.elapsed(); }
  void line(const QString& text) override {
    // BENCH_TRACE=1: each table's start and end with the time since the run began.
    if (trace && (text.contains(QLatin1String(" record(s)")) ||
                  text.endsWith(QLatin1String("scan complete"))))
      std::printf("    %6lld ms  %s\n", static_cast<long long>(since.elapsed()), qPrintable(text));
    if (text.startsWith(QLatin1String("Error ")) && errors.size() < 20) errors << text;
    if (!cancelAt.isEmpty() && text.startsWith(cancelAt)) {
      cancelAt.clear();
      cancelled.start();
      AbortHealthcheck();
    }
  }
};

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
    dir.setAutoRemove(false);
    std::printf("books kept in %s\n", qPrintable(folder));
  }
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  std::printf("%d transactions, %d postings, %d repeaters\n", books.transactions, books.postings,
              books.masters);

  struct TRun {
    const char* what;
    HcMode mode;
    qint64 aimMs;
  };
  for (const TRun& r : {TRun{"check", HcMode::Check, 8000}, TRun{"text check", HcMode::Text, 4000},
                        TRun{"repair", HcMode::Repair, 9000}}) {
    BenchSink sink;
    TBenchClock clock;
    sink.since.start();
    const THcResult result = RunHealthcheck(r.mode, sink, HcBackup::No);
    const qint64 ms = clock.wallMs(), cpu = clock.cpuMs();
    if (!result.ran || result.aborted) return BenchFail(QString(r.what) + " did not run through");
    const bool clean = r.mode == HcMode::Text ? result.autoErrors == 0
                                              : result.autoErrors + result.manualErrors == 0;
    if (!clean || result.failedFixes != 0)
      return BenchFail(QString(r.what) + " found errors in the synthetic books:\n" +
                       sink.errors.join('\n'));
    std::printf("  %-10s %6lld ms (processor %lld ms, aim %lld ms), header after %lld ms\n", r.what,
                static_cast<long long>(ms), static_cast<long long>(cpu),
                static_cast<long long>(r.aimMs), static_cast<long long>(sink.headerMs));
  }
  // A Cancel as the postings scan starts.
  BenchSink sink;
  sink.cancelAt = QStringLiteral("PSTG : ");
  sink.since.start();
  const THcResult result = RunHealthcheck(HcMode::Check, sink, HcBackup::No);
  if (!result.aborted) return BenchFail(QStringLiteral("the Cancel was not honoured"));
  std::printf("  cancel     honoured after %lld ms (aim 200 ms)\n",
              static_cast<long long>(sink.cancelled.elapsed()));
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunSizedBench(argc, argv, benchOne); }
