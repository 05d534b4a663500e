// Times the repeaters and reminders lists on synthetic books topped up to
// 1,000 repeater masters and 5,000 reminders, and Weed of 1,000 inactive
// masters:
//
//   bench_repeater_lists [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k …
//
// Without sizes: 100k transactions. Timed, each three times (the first run
// reads a cold cache):
//   repeaters rows     - the report under "All" (1,000 rows)
//   repeaters window   - "Refresh" of the window under "All", columns fitted
//   reminders rows     - the report under "View all" (5,000 rows)
//   reminders window   - "Refresh" of the window under "View all"
//   weed 1,000         - WeedRepeaters with 1,000 inactive masters (put back
//                        before each run, untimed)
// Aims: lists < 100 ms, Weed < 300 ms. Row counts are checked; the program
// exits non-zero when one is wrong.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "common.h"
#include "ledger/reminders.h"
#include "ledger/repeaters.h"
#include "reports/repeater_list.h"
#include "screens/lists/reminders_window.h"
#include "screens/lists/repeaters_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "synthetic_books.h"

namespace {

constexpr int kMasters = 1000;
constexpr int kReminders = 5000;

// Masters numbered from first on, active or not, paying from account.
bool addMasters(int32_t first, int count, bool active, int32_t account, QString& error) {
  PreparedSql ins(QStringLiteral(
      "insert into rptr (id, \"type\", startdate, enddate, freq, rptinc, rptct, gento, "
      "rptactive, rmdays, amt, accid1, accid2, accid3, accid4, chnum, ref, narrative) "
      "values (?, 'P', ?, 0, 'M', 1, 0, 0, ?, 0, ?, ?, 0, 0, 0, 0, '', ?)"));
  if (!ins.ok()) {
    error = LastDbError();
    return false;
  }
  for (int i = 0; i < count; ++i) {
    if (!ins.exec({first + i, 20200101 + (i % 12) * 100, active ? 1 : 0, 1000 + i, account,
                   QStringLiteral("Standing order %1").arg(i)})) {
      error = LastDbError();
      return false;
    }
  }
  return CommitIfActive();
}

bool addReminders(QString& error) {
  const int have = CountAll(QStringLiteral("remdr"));
  int32_t id = QueryValue(QStringLiteral("select max(r.id) from remdr r"), {}, 0).toInt() + 1;
  const int32_t lastTxn = QueryValue(QStringLiteral("select max(t.id) from txn t"), {}, 0).toInt();
  PreparedSql ins(
      QStringLiteral("insert into remdr (id, txnid, text, rmdate, tgdate) values (?, ?, ?, ?, ?)"));
  if (!ins.ok()) {
    error = LastDbError();
    return false;
  }
  for (int i = have; i < kReminders; ++i, ++id) {
    const int32_t tg = 20200101 + (i % 28) + (i % 12) * 100 + (i % 6) * 10000;
    if (!ins.exec({id, i % 2 == 0 ? (i * 7) % lastTxn + 1 : 0, QStringLiteral("Reminder %1").arg(i),
                   tg - 7, tg})) {
      error = LastDbError();
      return false;
    }
  }
  return CommitIfActive();
}

bool timeIt(const char* what, const std::function<bool()>& step,
            const std::function<bool()>& before = {}) {
  qint64 wall[3], cpu[3];
  for (int i = 0; i < 3; ++i) {
    if (before && !before()) {
      BenchFail(QStringLiteral("preparing ") + what);
      return false;
    }
    TBenchClock clock;
    if (!step()) {
      BenchFail(QString::fromLatin1(what) + " gave a wrong result");
      return false;
    }
    wall[i] = clock.wallMs();
    cpu[i] = clock.cpuMs();
  }
  std::printf("  %-17s %5lld / %5lld / %5lld ms   (processor %lld / %lld / %lld ms)\n", what,
              static_cast<long long>(wall[0]), static_cast<long long>(wall[1]),
              static_cast<long long>(wall[2]), static_cast<long long>(cpu[0]),
              static_cast<long long>(cpu[1]), static_cast<long long>(cpu[2]));
  return true;
}

int one(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  const int32_t account = books.externalIds.first();
  const int have = CountAll(QStringLiteral("rptr"));
  const int32_t next = NewRepeaterId();
  if (!addMasters(next, kMasters - have, true, account, error) || !addReminders(error))
    return BenchFail(error);
  std::printf("%d transactions, %d masters, %d reminders\n", books.transactions,
              CountAll(QStringLiteral("rptr")), CountAll(QStringLiteral("remdr")));

  QList<TRptrListRow> rows;
  bool ok = timeIt("repeaters rows",
                   [&] { return ListRepeaters(false, rows) && rows.size() == kMasters; });
  TFRptrs* rw = RepeatersWindow();
  rw->show();
  rw->setShowAll(true);
  ok = ok && timeIt("repeaters window", [&] {
         rw->refresh();
         return rw->model()->rowCount() == kMasters;
       });
  rw->hide();

  ok = ok && timeIt("reminders rows", [&] {
         bool ran = false;
         return QueryReminders(false, &ran).size() == kReminders && ran;
       });
  TFRemdrs* mw = RemindersListWindow();
  mw->show();
  mw->setViewCurrent(false);
  ok = ok && timeIt("reminders window", [&] {
         mw->refresh();
         return mw->model()->rowCount() == kReminders;
       });
  mw->hide();

  // Weed: 1,000 inactive masters put back before each run.
  const int32_t weedFrom = NewRepeaterId() + 10000;
  ok = ok && timeIt(
                 "weed 1,000",
                 [&] {
                   int n = 0;
                   return WeedRepeaters(&n) && n == kMasters;
                 },
                 [&] {
                   QString e;
                   return ExecSql(QStringLiteral("update rptr set rptactive = 1")) &&
                          addMasters(weedFrom, kMasters, false, account, e);
                 });
  CloseDatabase(false);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {100000}, one);
}
