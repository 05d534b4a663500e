// Times RebuildMonthlyTotals on synthetic books: TRANSACTIONS payments over ten
// years (2015-2024), each with its three postings (bank, shop, category), the
// categories and pots spread over a three-level tree of groups.
//
//   bench_monthly [TRANSACTIONS=100000] [CATEGORIES=200]
//
// The rebuild runs twice (the second replaces the first) inside one database
// transaction, committed after, as the monthly analysis does. Each result is
// checked: every month row spread into twelve rolling years, the rolling-year
// totals twelve times the month totals, the top group holding every category's
// months. Exits non-zero when one is wrong. BENCH_TRACE=1 prints the stages and
// the countdown with their times; BENCH_ASYNC=1 turns the file's forced writes
// off first (gfix), which shows what is not disk time.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "foundation/messages.h"
#include "ledger/monthly.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

constexpr int32_t kTop = 2;  // the top group; 4 groups below it, 4 below each of those
constexpr int32_t kFirstLeafGroup = 7;
constexpr int kLeafGroups = 16;
constexpr int32_t kBank = 30, kShop = 31, kFirstCategory = 100;

// Accounts, closure rows and postings, written through prepared statements.
bool buildBooks(int transactions, int categories) {
  PreparedSql acc(QStringLiteral(
      "insert into account (id, name, type2, btype, isgrp, grpid, path, ccy, opendate, "
      "closedate, bfdbal, bfdval) values (?, ?, ?, ?, ?, ?, ' ', 'GBP', 0, 99999999, 0, 0)"));
  PreparedSql grp(QStringLiteral("insert into accingrp (accid, grpid) values (?, ?)"));
  PreparedSql pstg(QStringLiteral(
      "insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, ccy, val, seq) "
      "values (?, ?, ?, 'P', ?, ?, 'GBP', ?, ?)"));
  if (!acc.ok() || !grp.ok() || !pstg.ok()) return false;
  auto account = [&](int32_t id, int kind, int32_t group) {
    const int base = kind == 10 ? 6 : kind;
    return acc.exec(
        {id, QStringLiteral("Account %1").arg(id), kind, base, kind == 10 ? 1 : 0, group});
  };
  if (!account(kTop, 10, 0)) return false;
  for (int32_t g = 3; g < kFirstLeafGroup; ++g)
    if (!account(g, 10, kTop)) return false;
  for (int i = 0; i < kLeafGroups; ++i)
    if (!account(kFirstLeafGroup + i, 10, 3 + i / 4)) return false;
  if (!account(kBank, 1, 0) || !account(kShop, 4, 0)) return false;
  for (int i = 0; i < categories; ++i) {
    const int32_t id = kFirstCategory + i;
    const int32_t leaf = kFirstLeafGroup + i % kLeafGroups;
    if (!account(id, i % 10 == 9 ? 6 : 3, leaf) || !grp.exec({id, leaf}) ||
        !grp.exec({id, 3 + (leaf - kFirstLeafGroup) / 4}) || !grp.exec({id, kTop}))
      return false;
  }
  // Dates walk through 2015-2024 in steps that cover every day; amounts vary by sign.
  for (int t = 1; t <= transactions; ++t) {
    const int day = int((qint64(t) * 7919) % 3650);
    const int32_t ymd = (2015 + day / 365) * 10000 + (1 + day % 365 / 31 % 12) * 100 + 1 + day % 28;
    const qint64 amt = (t % 5 == 0 ? 1 : -1) * (100 + (t * 37) % 20000);
    const int32_t cat = kFirstCategory + (t * 13) % categories;
    if (!pstg.exec({t, kBank, kShop, ymd, amt, amt, t}) ||
        !pstg.exec({t, kShop, kBank, ymd, -amt, -amt, t}) ||
        !pstg.exec({t, cat, kShop, ymd, amt, amt, t}))
      return false;
  }
  return CommitIfActive();
}

qint64 sumOf(const QString& sql) { return QueryValue(sql, {}, 0).toLongLong(); }

QString checkResult() {
  const int months = CountRows(QStringLiteral("mthly"), QStringLiteral("mory = 'M' and accid >= ?"),
                               {kFirstCategory});
  const int spread = CountAll(QStringLiteral("miny"));
  if (spread != months * 12)
    return QStringLiteral("miny has %1 rows for %2 month rows").arg(spread).arg(months);
  const QString categories = " and accid >= " + QString::number(kFirstCategory);
  const qint64 m = sumOf("select sum(mtot) from mthly where mory = 'M'" + categories);
  const qint64 y = sumOf("select sum(mtot) from mthly where mory = 'Y'" + categories);
  if (y != 12 * m) return QStringLiteral("rolling years sum to %1, months to %2").arg(y).arg(m);
  const qint64 top =
      sumOf("select sum(mtot) from mthly where mory = 'M' and accid = " + QString::number(kTop));
  if (top != m) return QStringLiteral("top group holds %1, categories %2").arg(top).arg(m);
  if (CountRows(QStringLiteral("mthly"), QStringLiteral("accid in (?, ?)"), {kBank, kShop}) != 0)
    return QStringLiteral("bank or shop rows in mthly");
  return QString();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int transactions = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 100000;
  const int categories = args.size() > 2 ? qMax(1, args.at(2).toInt()) : 200;

  BenchPrompter prompter;
  InstallPrompter(&prompter);
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QLatin1Char('/');
  if (const QString error = OpenNewBenchBooks(folder, prompter); !error.isEmpty())
    return BenchFail(error);

  QElapsedTimer build;
  build.start();
  if (!buildBooks(transactions, categories))
    return BenchFail("building the books: " + LastDbError());
  std::printf(
      "books: %d transactions, %d postings, %d categories/pots in 21 groups (built in %lld ms)\n",
      transactions, transactions * 3, categories, static_cast<long long>(build.elapsed()));

  const bool trace = qEnvironmentVariableIsSet("BENCH_TRACE");
  for (const char* what : {"first", "again"}) {
    int steps = 0;
    TMonthlyProgress progress;
    QElapsedTimer t;
    double cpuBefore = 0;
    progress.counter = [&](int n) {
      ++steps;
      if (trace)
        std::printf("  %6lld ms %5.2f s  counter %d\n", static_cast<long long>(t.elapsed()),
                    ProcessCpuSeconds() - cpuBefore, n);
    };
    progress.stage = [&](const QString& text, const QString&) {
      if (trace)
        std::printf("  %6lld ms %5.2f s  stage \"%s\"\n", static_cast<long long>(t.elapsed()),
                    ProcessCpuSeconds() - cpuBefore, qPrintable(text));
    };
    cpuBefore = ProcessCpuSeconds();
    t.start();
    const TMonthlyResult r = RebuildMonthlyTotals(progress);
    const qint64 rebuilt = t.elapsed();
    if (r != TMonthlyResult::Done)
      return BenchFail("RebuildMonthlyTotals failed: " + LastDbError());
    if (!CommitIfActive()) return BenchFail(QStringLiteral("commit failed"));
    const qint64 total = t.elapsed();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const QString wrong = checkResult();
    if (!wrong.isEmpty()) return BenchFail(QString::fromLatin1(what) + ": " + wrong);
    std::printf(
        "%-6s RebuildMonthlyTotals %6lld ms (with commit %6lld ms, processor %.2f s), "
        "%d mthly rows, %d miny rows, %d countdown steps\n",
        what, static_cast<long long>(rebuilt), static_cast<long long>(total), cpu,
        CountAll(QStringLiteral("mthly")), CountAll(QStringLiteral("miny")), steps);
  }
  CloseDatabase(false);
  return 0;
}
