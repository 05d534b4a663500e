// Times the counterparty screens' work on synthetic books: the counterparty
// categories window of a counterparty with 300 category rows, from the call
// until it shows (offscreen); the "used by a transaction" check that deleting
// a channel makes (for an unused channel, which reads furthest); and the
// bypass check before a payment is saved. Each is run five times; the first
// run and the slowest later one are reported.
//
//   bench_account_cpty [--seed N] [SIZE ...]   (default 10k and 100k)
//
// The program exits non-zero when the window does not list the rows made.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "common.h"
#include "ledger/accounts.h"
#include "ledger/channels.h"
#include "ledger/entry.h"
#include "reports/cpty_lists.h"
#include "screens/masterdata/cpty_categories.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "synthetic_books.h"

namespace {

struct TTimes {
  double firstMs = 0, worstMs = 0;
};

TTimes timeRuns(const std::function<void()>& run) {
  TTimes t;
  for (int i = 0; i < 5; ++i) {
    QElapsedTimer clock;
    clock.start();
    run();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (i == 0)
      t.firstMs = ms;
    else if (ms > t.worstMs)
      t.worstMs = ms;
  }
  return t;
}

void report(const char* what, const TTimes& t) {
  std::printf("  %-34s first %7.1f ms, later at most %7.1f ms\n", what, t.firstMs, t.worstMs);
}

// 300 category rows for the counterparty: the books' categories and new
// ones; every fifth hidden, every tenth category closed.
QString makeRows(int32_t cpty) {
  QList<int32_t> ctgys;
  bool ok = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select id from account where type2 = 3 order by id"), {}, &ok);
  while (ok && q.next() && ctgys.size() < 300) ctgys << q.value(0).toInt();
  q.finish();
  for (int i = int(ctgys.size()); i < 300; ++i) {
    TObj c = NewObj();
    c.kind = kKindCategory;
    c.name = QStringLiteral("Bench category %1").arg(i, 3, 10, QLatin1Char('0'));
    if (i % 10 == 0) c.closeDate = TDateRec{2020, 1, 1};
    if (!WriteAccount(c)) return QStringLiteral("category not written");
    ctgys << c.id;
  }
  PreparedSql ins(QStringLiteral(
      "insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) values (?, ?, 'P', ?)"));
  if (!ins.ok()) return QStringLiteral("insert not prepared");
  for (int i = 0; i < ctgys.size(); ++i)
    if (!ins.exec({cpty, ctgys[i], i % 5 == 0 ? 1 : 0})) return QStringLiteral("row not written");
  if (!CommitIfActive()) return QStringLiteral("not committed");
  return QString();
}

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  const int32_t cpty =
      QueryValue(QStringLiteral("select first 1 id from account where type2 = 4 order by id"), {},
                 0)
          .toInt();
  if (cpty <= 0) return BenchFail(QStringLiteral("no counterparty"));
  ExecSqlCommitted(QStringLiteral("delete from cptyctgy where cptyid = ?"), {cpty});
  error = makeRows(cpty);
  if (!error.isEmpty()) return BenchFail(error);
  std::printf("%d transactions (%d postings), counterparty #%d with 300 category rows\n",
              books.transactions, books.postings, cpty);

  Tfcptypots* w = TheCptyCategoriesWindow();
  const TTimes shown = timeRuns([&] {
    w->hide();
    ShowCptyCategoriesWindow(cpty);
    QCoreApplication::processEvents();
  });
  const int listed = w->page(0)->count() + w->page(1)->count() + w->page(2)->count();
  if (!w->isVisible() || listed != 300)
    return BenchFail(QStringLiteral("the window lists %1 rows, not 300").arg(listed));
  report("categories window shown", shown);
  TCptyCategoryLists lists;
  report("  of which the rows' query",
         timeRuns([&] { ListCptyCategories(cpty, QChar('P'), lists); }));
  TObj c;
  report("  and reading the counterparty", timeRuns([&] { ReadAccount(cpty, c); }));

  TChannel ch;
  ch.accId = books.busiestAccount;
  ch.name = QStringLiteral("Unused");
  if (!WriteChannelRow(ch) || !CommitIfActive()) return BenchFail(QStringLiteral("no channel"));
  // Both checks run inside the save's (or the delete's) database transaction.
  StartTxIfNone();
  bool used = true;
  report("channel usage check", timeRuns([&] { used = ChannelUsedByTxn(ch.chnum); }));
  if (used) return BenchFail(QStringLiteral("a new channel counts as used"));

  TTxn t = NewTxn();
  t.type = QChar('P');
  t.accId1 = books.busiestAccount;
  t.accId2 = cpty;
  report("bypass check", timeRuns([&] { CheckBypass(t); }));
  RollbackIfActive();
  w->hide();
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {10000, 100000}, benchOne);
}
