// Times the postings window on synthetic books, for the busiest account:
// the first page of the plain list of every posting, the statement view with
// its running balances current and after the account's first posting
// changed, the totals, the jump to the oldest transaction and the CSV export
// of every row.
//
//   bench_statement [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 100k transactions. Aims: plain list < 100 ms, statement
// < 400 ms (balances current) and < 1.5 s after a change, totals < 100 ms,
// jump < 200 ms, CSV < 2 s. Exits non-zero when a step failed.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "screens/screen_hooks.h"
#include "screens/views/postings_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

void report(const char* what, const TBenchClock& clock, int aimMs) {
  std::printf("  %-40s %6lld ms wall, %6lld ms cpu (aim < %d ms)\n", what,
              static_cast<long long>(clock.wallMs()), static_cast<long long>(clock.cpuMs()), aimMs);
}

int one(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error)) return BenchFail(error);
  Session().dataFolder = folder;
  const int32_t account = books.busiestAccount;
  std::printf("%d transactions, %d postings; account #%d with %d postings\n", books.transactions,
              books.postings, account, books.busiestPostings);
  TFPstgs* w = ThePostingsWindow();

  TBenchClock clock;
  ShowAllPostings(account);
  QApplication::processEvents();
  report("first page, plain list of all postings", clock, 100);
  if (w->model()->rowCount() == 0) return BenchFail("no rows listed");

  w->showStatement();  // brings the running balances up to date
  clock.start();
  w->showStatement();
  QApplication::processEvents();
  report("statement, balances current", clock, 400);

  if (!ExecSql(QStringLiteral("update pstg set amt = amt + 1 where objid = ? and txnid = (select "
                              "first 1 p.txnid from pstg p where p.objid = ? and p.pstgdate > 0 "
                              "order by p.pstgdate, p.seq, p.txnid)"),
               {account, account}) ||
      !CommitIfActive())
    return BenchFail(QStringLiteral("could not change the first posting"));
  clock.start();
  w->showStatement();
  QApplication::processEvents();
  report("statement after changing the first posting", clock, 1500);

  clock.start();
  w->computeTotals();
  report("totals", clock, 100);

  const int32_t oldest =
      QueryValue(
          QStringLiteral("select min(p.txnid) from pstg p where p.objid = ? and p.txnid > 0"),
          {account})
          .toInt();
  clock.start();
  ShowPostingsAtTxn(account, oldest);
  QApplication::processEvents();
  report("ShowPostingsAtTxn, oldest transaction", clock, 200);
  if (w->currentRow() < 0 || w->model()->row(w->currentRow()).txnId != oldest)
    return BenchFail(QStringLiteral("the cursor is not on the oldest transaction"));

  ShowAllPostings(account);
  clock.start();
  w->exportList(1);
  report("CSV of every row", clock, 2000);
  const QStringList files = QDir(folder).entryList({QStringLiteral("pstgs*.csv")});
  if (files.isEmpty()) return BenchFail("no export written; said: " + prompter.infos.join(" | "));
  std::printf("  exported %d rows\n", w->model()->rowCount());
  w->resetState();
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallPostingsScreens();
  return RunBenchSizes(app.arguments().mid(1), {100000}, one);
}
