// Times Rebalance on synthetic books (25 years of transactions, the period the
// last year of them, the books needing a rebalance).
//
//   bench_rebalance [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 10k and 100k transactions (1M takes long to generate, so only
// when asked). Aim: 100k within 3 s, and the time growing linearly with the
// number of postings (the "per 10k postings" figure stays flat). For each size
// the books are generated, reopened and rebalanced twice; both results are
// checked:
//   - every external account's MOVTG rows: period b/fd and c/fd equal the
//     opening balance (value) plus its postings before From / up to To;
//   - every group row equals the sum of the rows of the accounts below it;
//   - with the wash on, no category keeps a balance from before the period;
//   - one MOVTE row per account or group with MOVTG rows;
//   - the second rebalance leaves MOVTG exactly as the first did.
// The program exits non-zero when one is wrong. BENCH_TRACE=1 prints each
// generation step and rebalance stage with its time; BENCH_ASYNC=1 turns the
// file's forced writes off first (gfix), which shows what is not disk time;
// BENCH_KEEP=1 keeps the books.
#include <QCoreApplication>
#include <QCryptographicHash>
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

// The summaries of every external account against its postings.
QString checkExternals(const TSyntheticBooks& books) {
  const QString base = Session().settings.baseCurrency;
  for (int32_t id : books.externalIds) {
    QSqlQuery a = RunQuery(QStringLiteral("select o.ccy, o.bfdbal, o.bfdval from account o "
                                          "where o.id = ?"),
                           {id});
    if (!a.next()) return QStringLiteral("external #%1 not found").arg(id);
    const QString ccy = a.value(0).toString().trimmed();
    const qlonglong bfd[2] = {FieldAsInt64(a.value(1)), FieldAsInt64(a.value(2))};
    a = QSqlQuery();
    QSqlQuery p =
        RunQuery(QStringLiteral("select sum(case when p.pstgdate < ? then p.amt else 0 end), "
                                "sum(p.amt), sum(case when p.pstgdate < ? then p.val else 0 end), "
                                "sum(p.val) from pstg p where p.objid = ? and p.ccy = ? and "
                                "p.txntype in ('P', 'R', 'C', 'F') and p.pstgdate <= ?"),
                 {books.periodFrom, books.periodFrom, id, ccy, books.periodTo});
    if (!p.next()) return QStringLiteral("postings of #%1 not summed").arg(id);
    const qlonglong before[2] = {FieldAsInt64(p.value(0)), FieldAsInt64(p.value(2))};
    const qlonglong upTo[2] = {FieldAsInt64(p.value(1)), FieldAsInt64(p.value(3))};
    p = QSqlQuery();
    for (int k = 0; k < (ccy == base ? 1 : 2); ++k) {
      const QString kind = k == 0 ? QStringLiteral("A") : QStringLiteral("V");
      QSqlQuery m = RunQuery(QStringLiteral("select g.pdbfd, g.pdcfd from movtg g where "
                                            "g.accid = ? and g.ccy = ? and g.amtval = ?"),
                             {id, ccy, kind});
      if (!m.next()) return QStringLiteral("no MOVTG %1 row for external #%2").arg(kind).arg(id);
      const qlonglong pdbfd = FieldAsInt64(m.value(0)), pdcfd = FieldAsInt64(m.value(1));
      if (pdbfd != bfd[k] + before[k] || pdcfd != bfd[k] + upTo[k])
        return QStringLiteral("external #%1 %2: b/fd %3 c/fd %4, postings give %5 and %6")
            .arg(id)
            .arg(kind)
            .arg(pdbfd)
            .arg(pdcfd)
            .arg(bfd[k] + before[k])
            .arg(bfd[k] + upTo[k]);
    }
  }
  return QString();
}

// Every group row against the rows of the accounts below it.
QString checkGroups() {
  QSqlQuery q = RunQuery(
      QStringLiteral("select g.accid, g.ccy, g.amtval, g.pdbfd, g.pdcfd, g.pdpayts, "
                     "(select sum(m.pdbfd) from movtg m join accingrp a on a.accid = m.accid "
                     "  where a.grpid = g.accid and m.ccy = g.ccy and m.amtval = g.amtval), "
                     "(select sum(m.pdcfd) from movtg m join accingrp a on a.accid = m.accid "
                     "  where a.grpid = g.accid and m.ccy = g.ccy and m.amtval = g.amtval), "
                     "(select sum(m.pdpayts) from movtg m join accingrp a on a.accid = m.accid "
                     "  where a.grpid = g.accid and m.ccy = g.ccy and m.amtval = g.amtval) "
                     "from movtg g join account o on o.id = g.accid where o.isgrp = 1"));
  int rows = 0;
  while (q.next()) {
    ++rows;
    for (int k = 0; k < 3; ++k)
      if (FieldAsInt64(q.value(3 + k)) != FieldAsInt64(q.value(6 + k)))
        return QStringLiteral("group #%1 %2 %3: column %4 is %5, its accounts sum to %6")
            .arg(q.value(0).toInt())
            .arg(q.value(1).toString(), q.value(2).toString())
            .arg(k)
            .arg(FieldAsInt64(q.value(3 + k)))
            .arg(FieldAsInt64(q.value(6 + k)));
  }
  return rows > 0 ? QString() : QStringLiteral("no group rows in MOVTG");
}

QString checkWashAndDates() {
  if (Session().settings.washCtgies) {
    const QVariant kept = QueryValue(QStringLiteral(
        "select count(*) from movtg g join account o on o.id = g.accid where o.type2 = 3 and "
        "coalesce(g.pdbfd, 0) <> 0"));
    if (kept.toInt() != 0)
      return QStringLiteral("%1 categories keep a balance from before the period")
          .arg(kept.toInt());
  }
  const int movte = CountAll(QStringLiteral("movte"));
  const int accounts =
      QueryValue(QStringLiteral("select count(distinct accid) from movtg")).toInt();
  if (movte != accounts)
    return QStringLiteral("%1 MOVTE rows for %2 accounts with summaries").arg(movte).arg(accounts);
  return QString();
}

// A digest of the whole MOVTG table in key order.
QByteArray movtgDigest() {
  QCryptographicHash h(QCryptographicHash::Sha1);
  QSqlQuery q = RunQuery(QStringLiteral(
      "select accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs, pdbfd, pdcfd, "
      "firstpstgdate, lastpstgdate from movtg order by accid, ccy, amtval"));
  while (q.next()) {
    QStringList row;
    for (int k = 0; k < 12; ++k) row << q.value(k).toString();
    h.addData(row.join(QLatin1Char('|')).toUtf8());
    h.addData("\n");
  }
  return h.result();
}

QString checkAll(const TSyntheticBooks& books) {
  QString wrong = checkExternals(books);
  if (wrong.isEmpty()) wrong = checkGroups();
  if (wrong.isEmpty()) wrong = checkWashAndDates();
  return wrong;
}

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  // BENCH_KEEP=1 leaves the rebalanced books behind for timing vorbek-cli on them.
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
    dir.setAutoRemove(false);
    std::printf("books kept in %s\n", qPrintable(folder));
  }
  TSyntheticBooks books;
  QString error;
  TBenchClock clock;
  QElapsedTimer stage;
  if (qEnvironmentVariableIsSet("BENCH_TRACE"))
    SetStatusHook([&](const QString& text) {
      if (!text.isEmpty())
        std::printf("    %6lld ms  %s\n", static_cast<long long>(stage.elapsed()),
                    qPrintable(text));
    });
  stage.start();
  clock.start();
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  const qint64 generated = clock.wallMs(), generatedCpu = clock.cpuMs();

  const bool async = qEnvironmentVariableIsSet("BENCH_ASYNC");
  if (async)
    QProcess::execute(QStringLiteral("gfix"),
                      {QStringLiteral("-write"), QStringLiteral("async"), folder + "vorbek.fdb"});
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  if (!RebalanceNeeded()) return BenchFail(QStringLiteral("the new books do not need a rebalance"));
  std::printf(
      "%d transactions (%d postings, %d instances of %d repeaters, %d reconciled "
      "balances, %d cancelled), period %d-%d: generated in %lld ms (processor %lld ms), forced "
      "writes %s\n",
      books.transactions, books.postings, books.instances, books.masters, books.reconciledBalances,
      books.cancelled, books.periodFrom, books.periodTo, static_cast<long long>(generated),
      static_cast<long long>(generatedCpu), async ? "off" : "on");

  QByteArray first;
  for (int run = 1; run <= 2; ++run) {
    prompter.infos.clear();
    const int before = CountAll(QStringLiteral("txn"));
    stage.start();
    clock.start();
    if (!Rebalance()) return BenchFail("Rebalance failed: " + prompter.infos.join(" | "));
    const qint64 ms = clock.wallMs(), cpu = clock.cpuMs();
    if (RebalanceNeeded()) return BenchFail(QStringLiteral("still needing a rebalance"));
    const int made = CountAll(QStringLiteral("txn")) - before;
    const QString wrong = checkAll(books);
    if (!wrong.isEmpty()) return BenchFail(QStringLiteral("rebalance %1: ").arg(run) + wrong);
    const QByteArray digest = movtgDigest();
    if (run == 1) first = digest;
    if (run == 2 && digest != first)
      return BenchFail(QStringLiteral("the second rebalance changed MOVTG"));
    std::printf("  rebalance %d: %6lld ms, processor %6lld ms  (%.1f ms per 10k postings)%s\n", run,
                static_cast<long long>(ms), static_cast<long long>(cpu),
                10000.0 * double(ms) / double(books.postings),
                made ? qPrintable(QStringLiteral(", %1 instances generated").arg(made)) : "");
    if (!prompter.infos.isEmpty())
      std::printf("  said: %s\n", qPrintable(prompter.infos.join(" | ")));
  }
  SetStatusHook(nullptr);
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunSizedBench(argc, argv, benchOne); }
