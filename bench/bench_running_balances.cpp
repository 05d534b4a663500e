// Times CalcRunningBalances on the busiest account of synthetic books: the
// account carries min(50,000, transactions / 2) postings.
//
//   bench_running_balances [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 10k and 100k transactions overall (1M only when asked: it
// takes long to generate). Two passes are timed, each followed by a commit:
//   first  - fresh books: nearly every posting gets its balance written;
//   again  - nothing changed since the first pass: nothing needs writing.
// Aim, for the account of 50,000 postings: first within 1.5 s, again within 0.3 s.
// After each pass the result is checked: the last running balance equals the
// opening balance plus every amount; every reconciled balance equals the
// running balance beside it; the first-of-date and balance-shown flags mark
// exactly one posting per date each. The program exits non-zero when one is
// wrong. BENCH_TRACE=1 prints the generation steps with their times;
// BENCH_ASYNC=1 turns the file's forced writes off first (gfix).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "foundation/fields.h"
#include "foundation/messages.h"
#include "ledger/rebalance.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

// Walks the account's postings in statement order and checks what the pass wrote.
QString checkAccount(const TSyntheticBooks& books) {
  const int32_t id = books.busiestAccount;
  const qlonglong opening = FieldAsInt64(
      QueryValue(QStringLiteral("select o.bfdbal from account o where o.id = ?"), {id}));
  const QString ccy =
      QueryValue(QStringLiteral("select o.ccy from account o where o.id = ?"), {id}).toString();
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select p.txnid, p.pstgdate, p.txntype, p.amt, p.rngbal, "
                                        "p.recamt, p.dppstgdate, p.dprngbal from pstg p "
                                        "where p.ccy = ? and p.objid = ? and p.txntype <> 'A' "
                                        "order by p.ccy, p.objid, p.pstgdate, p.seq"),
                         {ccy, id}, &ok);
  if (!ok) return QStringLiteral("cannot read the postings");
  qlonglong balance = opening;
  int rows = 0, dates = 0, firsts = 0, shown = 0, reconciled = 0;
  int32_t previous = -1;
  qlonglong last = opening;
  while (q.next()) {
    ++rows;
    const int32_t txn = q.value(0).toInt();
    const int32_t date = q.value(1).toInt();
    balance += FieldAsInt64(q.value(3));
    const qlonglong running = FieldAsInt64(q.value(4));
    if (running != balance)
      return QStringLiteral("txn %1 on %2: running balance %3, expected %4")
          .arg(txn)
          .arg(date)
          .arg(running)
          .arg(balance);
    if (q.value(2).toString().trimmed() == QLatin1String("Z")) {
      ++reconciled;
      if (FieldAsInt64(q.value(5)) != running)
        return QStringLiteral("reconciled balance %1 on %2 states %3, the running balance is %4")
            .arg(txn)
            .arg(date)
            .arg(FieldAsInt64(q.value(5)))
            .arg(running);
    }
    if (date != previous) ++dates;
    previous = date;
    firsts += q.value(6).toInt();
    shown += q.value(7).toInt();
    last = running;
  }
  if (rows != books.busiestPostings)
    return QStringLiteral("%1 postings read, %2 written").arg(rows).arg(books.busiestPostings);
  if (last != books.busiestFinal)
    return QStringLiteral("last running balance %1, the books were made to end at %2")
        .arg(last)
        .arg(books.busiestFinal);
  if (firsts != dates || shown != dates)
    return QStringLiteral("%1 dates but %2 first-of-date and %3 balance-shown marks")
        .arg(dates)
        .arg(firsts)
        .arg(shown);
  if (reconciled == 0) return QStringLiteral("no reconciled balance met");
  return QString();
}

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  TBenchClock clock;
  if (qEnvironmentVariableIsSet("BENCH_TRACE"))
    SetStatusHook([&](const QString& text) {
      if (!text.isEmpty())
        std::printf("    %6lld ms  %s\n", static_cast<long long>(clock.wallMs()), qPrintable(text));
    });
  clock.start();
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  const qint64 generated = clock.wallMs(), generatedCpu = clock.cpuMs();
  const bool async = qEnvironmentVariableIsSet("BENCH_ASYNC");
  if (async)
    QProcess::execute(QStringLiteral("gfix"),
                      {QStringLiteral("-write"), QStringLiteral("async"), folder + "vorbek.fdb"});
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  std::printf(
      "%d transactions (%d postings), account #%d with %d postings: generated in %lld ms "
      "(processor %lld ms), forced writes %s\n",
      books.transactions, books.postings, books.busiestAccount, books.busiestPostings,
      static_cast<long long>(generated), static_cast<long long>(generatedCpu),
      async ? "off" : "on");

  for (const char* pass : {"first", "again"}) {
    prompter.infos.clear();
    clock.start();
    if (!CalcRunningBalances(books.busiestAccount))
      return BenchFail("CalcRunningBalances failed: " + prompter.infos.join(" | "));
    const qint64 calc = clock.wallMs(), calcCpu = clock.cpuMs();
    if (!CommitIfActive()) return BenchFail(QStringLiteral("commit failed"));
    const qint64 total = clock.wallMs(), totalCpu = clock.cpuMs();
    const QString wrong = checkAccount(books);
    if (!wrong.isEmpty()) return BenchFail(QString::fromLatin1(pass) + ": " + wrong);
    std::printf(
        "  %-6s CalcRunningBalances %6lld ms (processor %6lld ms), with the commit "
        "%6lld ms (processor %6lld ms)\n",
        pass, static_cast<long long>(calc), static_cast<long long>(calcCpu),
        static_cast<long long>(total), static_cast<long long>(totalCpu));
    if (!prompter.infos.isEmpty())
      std::printf("  said: %s\n", qPrintable(prompter.infos.join(" | ")));
  }
  SetStatusHook(nullptr);
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunSizedBench(argc, argv, benchOne); }
