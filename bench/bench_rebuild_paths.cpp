// Times RebuildPaths (group closure and paths) on synthetic books: a tree of
// internal-account groups five levels deep (fan-out 4 per level, 1,364
// groups) with the accounts spread over the deepest groups.
//
//   bench_rebuild_paths [ACCOUNTS=20000]
//
// Three rebuilds are timed:
//   cold     - every path blank and ACCINGRP empty (converted or upgraded books):
//              every path and every closure row is written;
//   again    - nothing changed since the last rebuild;
//   regroup  - one second-level group moved under another top-level group
//              (a sixteenth of the accounts change path and closure rows).
// Each result is checked; the program exits non-zero when one is wrong.
// BENCH_TRACE=1 prints the status texts with their times; BENCH_ASYNC=1 turns
// the file's forced writes off first (gfix), which shows what is not disk time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "foundation/messages.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

constexpr int kLevels = 5;
constexpr int kFanOut = 4;

QString groupName(int id) {
  // Every seventh name has an apostrophe: paths are written through parameters.
  return id % 7 == 0 ? QStringLiteral("O'Group %1").arg(id) : QStringLiteral("Group %1").arg(id);
}

struct Books {
  QHash<int32_t, int32_t> parentOf;  // every account and group
  int32_t firstAccount = 0;
  int32_t lastId = 0;
  int groups = 0;
  int accounts = 0;

  QString expectedPath(int32_t id) const {
    QString path;
    for (int32_t g = parentOf.value(id); g > 0; g = parentOf.value(g))
      path.prepend(" " + groupName(g) + " :");
    return path.isEmpty() ? QStringLiteral(" ") : path;
  }
  int closureRows() const {
    int n = 0;
    for (int32_t id = firstAccount; id <= lastId; ++id)
      for (int32_t g = parentOf.value(id); g > 0; g = parentOf.value(g)) ++n;
    return n;
  }
};

bool buildBooks(int accounts, Books& b) {
  StartTxIfNone();
  QSqlQuery q = RunQuery(QStringLiteral("select 1 from rdb$database"));
  q.prepare(QStringLiteral(
      "insert into account (id, name, type2, btype, isgrp, grpid, path, ccy, opendate, "
      "closedate, bfdbal, bfdval) values (?, ?, ?, ?, ?, ?, ' ', 'GBP', 99999999, 99999999, 0, "
      "0)"));
  int32_t nextId = 2;  // 1 is the default pot
  QList<int32_t> previous{0};
  QList<int32_t> level;
  for (int depth = 1; depth <= kLevels; ++depth) {
    level.clear();
    for (int32_t parent : previous) {
      for (int k = 0; k < kFanOut; ++k) {
        const int32_t id = nextId++;
        for (const QVariant& v : QVariantList{id, groupName(id), 10, 6, 1, parent})
          q.addBindValue(v);
        if (!q.exec()) return false;
        b.parentOf.insert(id, parent);
        level << id;
      }
    }
    previous = level;
  }
  b.groups = nextId - 2;
  b.firstAccount = nextId;
  for (int i = 0; i < accounts; ++i) {
    const int32_t id = nextId++;
    const int32_t group = level.at(i % level.size());
    for (const QVariant& v : QVariantList{id, QStringLiteral("Account %1").arg(id), i % 2 ? 3 : 6,
                                          i % 2 ? 3 : 6, 0, group})
      q.addBindValue(v);
    if (!q.exec()) return false;
    b.parentOf.insert(id, group);
  }
  b.lastId = nextId - 1;
  b.accounts = accounts;
  q.finish();
  return CommitIfActive();
}

// Compares every path and the size of the closure with the tree in memory.
QString checkResult(const Books& b) {
  const int closure = CountAll(QStringLiteral("accingrp"));
  if (closure != b.closureRows())
    return QStringLiteral("accingrp has %1 rows, expected %2").arg(closure).arg(b.closureRows());
  QSqlQuery q = RunQuery(QStringLiteral("select id, path from account where id > 1"));
  int seen = 0;
  while (q.next()) {
    ++seen;
    const int32_t id = q.value(0).toInt();
    if (q.value(1).toString() != b.expectedPath(id))
      return QStringLiteral("path of #%1 is \"%2\", expected \"%3\"")
          .arg(id)
          .arg(q.value(1).toString(), b.expectedPath(id));
  }
  if (seen != b.lastId - 1) return QStringLiteral("%1 accounts read back").arg(seen);
  return QString();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int accounts = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 20000;

  BenchPrompter prompter;
  InstallPrompter(&prompter);
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QLatin1Char('/');
  if (const QString error = OpenNewBenchBooks(folder, prompter); !error.isEmpty())
    return BenchFail(error);

  QElapsedTimer build;
  build.start();
  Books books;
  if (!buildBooks(accounts, books)) return BenchFail("building the books: " + LastDbError());
  std::printf("books: %d groups in %d levels, %d accounts (built in %lld ms), forced writes %s\n",
              books.groups, kLevels, accounts, static_cast<long long>(build.elapsed()),
              qEnvironmentVariableIsSet("BENCH_ASYNC") ? "off" : "on");

  QElapsedTimer phase;
  if (qEnvironmentVariableIsSet("BENCH_TRACE"))
    SetStatusHook([&](const QString& text) {
      std::printf("  %6lld ms  %s\n", static_cast<long long>(phase.elapsed()), qPrintable(text));
    });

  auto timed = [&](const char* what) {
    phase.start();
    if (!RebuildPaths()) return BenchFail("RebuildPaths failed: " + prompter.infos.join(" | "));
    const qint64 ms = phase.elapsed();
    const QString wrong = checkResult(books);
    if (!wrong.isEmpty()) return BenchFail(QString::fromLatin1(what) + ": " + wrong);
    std::printf("%-8s RebuildPaths %6lld ms\n", what, static_cast<long long>(ms));
    return 0;
  };

  if (timed("cold")) return 1;
  if (timed("again")) return 1;
  // The first second-level group moves from the first top-level group to the second.
  const int32_t moved = 2 + kFanOut;
  if (!ExecSqlCommitted(QStringLiteral("update account set grpid = 3 where id = ?"), {moved}))
    return BenchFail(QStringLiteral("regrouping"));
  books.parentOf[moved] = 3;
  if (timed("regroup")) return 1;

  CloseDatabase(false);
  InstallPrompter(nullptr);
  return 0;
}
