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
// BENCH_TRACE=1 also times the report's own steps (chunk, totals, position,
// running balances); BENCH_KEEP=1 keeps the books for a look with isql-fb.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "ledger/rebalance.h"
#include "reports/postings_list.h"
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

// Adds 1 to the amount of the account's first dated posting, committed.
bool changeFirstPosting(int32_t account) {
  return ExecSql(QStringLiteral("update pstg set amt = amt + 1 where objid = ? and txnid = (select "
                                "first 1 p.txnid from pstg p where p.objid = ? and p.pstgdate > 0 "
                                "order by p.pstgdate, p.seq, p.txnid)"),
                 {account, account}) &&
         CommitIfActive();
}

// The report's steps one by one, outside the window.
void trace(int32_t account, int32_t oldest) {
  TObj a;
  if (!ReadAccount(account, a)) return;
  for (const bool statement : {false, true}) {
    const TPostingsQuery q =
        PostingsQueryFor(a, a.ccy.trimmed(), statement, TPostingsWhen::All, QChar(' '), -1);
    const char* view = statement ? "statement" : "plain";
    TBenchClock clock;
    QList<TPostingRow> rows;
    FetchPostings(q, 0, kPostingsChunk, rows);
    std::printf("    %-9s first chunk %6lld ms cpu\n", view, static_cast<long long>(clock.cpuMs()));
    clock.start();
    TPostingsTotals t;
    PostingsTotals(q, t);
    std::printf("    %-9s totals      %6lld ms cpu\n", view, static_cast<long long>(clock.cpuMs()));
    clock.start();
    const int at = PostingRowIndex(q, oldest);
    std::printf("    %-9s position    %6lld ms cpu (row %d)\n", view,
                static_cast<long long>(clock.cpuMs()), at);
  }
  TBenchClock clock;
  CalcRunningBalances(account);
  CommitIfActive();
  std::printf("    running balances, current %6lld ms cpu\n",
              static_cast<long long>(clock.cpuMs()));
  if (!changeFirstPosting(account)) return;
  clock.start();
  CalcRunningBalances(account);
  std::printf("    running balances, changed %6lld ms cpu, %6lld ms wall\n",
              static_cast<long long>(clock.cpuMs()), static_cast<long long>(clock.wallMs()));
  clock.start();
  CommitIfActive();
  std::printf("    commit                    %6lld ms cpu, %6lld ms wall\n",
              static_cast<long long>(clock.cpuMs()), static_cast<long long>(clock.wallMs()));
  const TPostingsQuery q =
      PostingsQueryFor(a, a.ccy.trimmed(), true, TPostingsWhen::All, QChar(' '), -1);
  for (int i = 0; i < 2; ++i) {
    clock.start();
    TPostingsTotals t;
    PostingsTotals(q, t);
    std::printf("    totals after the change   %6lld ms cpu, %6lld ms wall\n",
                static_cast<long long>(clock.cpuMs()), static_cast<long long>(clock.wallMs()));
  }
}

int one(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
    dir.setAutoRemove(false);
    std::printf("books kept in %s\n", qPrintable(dir.path()));
  }
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error)) return BenchFail(error);
  Session().dataFolder = folder;
  const int32_t account = books.busiestAccount;
  std::printf("%d transactions, %d postings; account #%d with %d postings; page cache %d pages\n",
              books.transactions, books.postings, account, books.busiestPostings,
              ConnectionPageBuffers());
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

  if (!changeFirstPosting(account))
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

  if (qEnvironmentVariableIsSet("BENCH_TRACE")) trace(account, oldest);

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
