// Times the transaction details window on synthetic books: from the call of
// ShowTransactionDetails until the filled window is up (offscreen), for the
// newest transaction of the busiest account, a repeater instance and the
// oldest transaction. Each is shown five times; the first showing (which may
// build the window) and the slowest later one are reported.
//
//   bench_txn_details [--seed N] [SIZE ...]   (default 10k and 100k)
//
// The program exits non-zero when the window does not show the transaction asked for.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "screens/transactions/txn_details.h"
#include "store/db.h"
#include "store/opening.h"
#include "synthetic_books.h"

namespace {

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  const int32_t newest = QueryValue(QStringLiteral("select max(txnid) from pstg where objid = ?"),
                                    {books.busiestAccount}, 0)
                             .toInt();
  const int32_t instance =
      QueryValue(QStringLiteral("select max(id) from txn where masterid > 0 and instance > 0"), {},
                 0)
          .toInt();
  const int32_t oldest = QueryValue(QStringLiteral("select min(id) from txn"), {}, 0).toInt();
  std::printf("%d transactions (%d postings)\n", books.transactions, books.postings);

  const struct {
    const char* what;
    int32_t id;
  } runs[] = {{"newest of busiest", newest}, {"repeater instance", instance}, {"oldest", oldest}};
  for (const auto& r : runs) {
    qint64 firstMs = 0, firstCpu = 0, worstMs = 0, worstCpu = 0;
    for (int i = 0; i < 5; ++i) {
      prompter.infos.clear();
      TBenchClock clock;
      ShowTransactionDetails(r.id);
      QApplication::processEvents();
      const qint64 wall = clock.wallMs(), cpu = clock.cpuMs();
      Tfdptxn* w = TxnDetailsWindow();
      if (!w->isVisible() || w->record().id != r.id || !prompter.infos.isEmpty())
        return BenchFail(
            QStringLiteral("txn #%1 was not shown : %2").arg(r.id).arg(prompter.infos.join(" | ")));
      if (i == 0) {
        firstMs = wall;
        firstCpu = cpu;
      } else if (wall > worstMs) {
        worstMs = wall;
        worstCpu = cpu;
      }
    }
    std::printf(
        "  details of %-18s #%-7d first %4lld ms (processor %4lld ms), later at most %4lld ms "
        "(processor %4lld ms)\n",
        r.what, r.id, static_cast<long long>(firstMs), static_cast<long long>(firstCpu),
        static_cast<long long>(worstMs), static_cast<long long>(worstCpu));
  }
  TxnDetailsWindow()->hide();
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {10000, 100000}, benchOne);
}
