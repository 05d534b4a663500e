// Times the balances window on synthetic books with 20,000 extra
// counterparties: a refresh with amounts, the counterparties flat under
// "- All", a drill-down and Back, one jump keystroke, and regrouping 500
// counterparties.
//
//   bench_balances_view [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 100k transactions. Aims: refresh with amounts < 100 ms,
// counterparties flat < 300 ms, drill-down and Back < 100 ms each, a jump
// keystroke < 10 ms, regrouping 500 counterparties < 1 s. Exits non-zero when
// a step failed.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "ledger/group_save.h"
#include "ledger/hierarchy.h"
#include "ledger/rebalance.h"
#include "screens/views/balances_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

constexpr int kExtraCounterparties = 20000;

void report(const char* what, const TBenchClock& clock, int aimMs) {
  std::printf("  %-44s %6lld ms wall, %6lld ms cpu (aim < %d ms)\n", what,
              static_cast<long long>(clock.wallMs()), static_cast<long long>(clock.cpuMs()), aimMs);
}

bool addCounterparties(int32_t firstId) {
  const QString sql =
      QStringLiteral(
          "execute block as declare i integer = 0; begin while (i < %1) do begin "
          "insert into account (id, name, type2, btype, isgrp, grpid, path, closedate, opendate, "
          "bfdbal, bfdval, ccy, allownegbal, allowposbal, cptypays, cptyrcvs, fav) values (%2 + "
          ":i, "
          "'Cpty ' || lpad(:i, 5, '0'), 4, 4, 0, 0, ' ', 99999999, 0, 0, 0, 'GBP', 1, 1, 1, 1, 0); "
          "insert into movte (objid, firstpstgdate, lastpstgdate) values (%2 + :i, 99999999, "
          "99999999); i = i + 1; end end")
          .arg(kExtraCounterparties)
          .arg(firstId);
  return ExecSql(sql) && CommitIfActive();
}

int one(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error)) return BenchFail(error);
  Session().dataFolder = folder;
  const int32_t first = NewAccountId();
  if (!addCounterparties(first)) return BenchFail("could not add counterparties: " + LastDbError());
  TObj group = NewObj();
  group.kind = 9;
  group.name = QStringLiteral("Bench buyers");
  group.ccy = QStringLiteral("   ");
  if (!WriteAccount(group) || !CommitIfActive()) return BenchFail("no counterparty group");
  MarkHierarchyChanged();
  if (!Rebalance()) return BenchFail("rebalance failed: " + prompter.infos.join(" | "));
  std::printf("%d transactions, %d postings, %d more counterparties\n", books.transactions,
              books.postings, kExtraCounterparties);

  TFBals* w = TheBalancesWindow();
  ShowBalances(1);
  w->showAmounts();
  QApplication::processEvents();
  TBenchClock clock;
  w->refresh();
  QApplication::processEvents();
  report("refresh with amounts, external top level", clock, 100);
  if (!w->movementsShown() || w->model()->rowCount() == 0)
    return BenchFail("no figures listed: " + prompter.infos.join(" | "));

  int groupRow = -1;
  for (int r = 0; r < w->model()->rowCount() && groupRow < 0; ++r)
    if (w->model()->rows()[r].isGroup) groupRow = r;
  if (groupRow < 0) return BenchFail(QStringLiteral("no group at the top level"));
  const int32_t groupId = w->model()->rows()[groupRow].id;
  w->setCurrentRow(groupRow);
  clock.start();
  w->drillDown();
  QApplication::processEvents();
  report("drill-down", clock, 100);
  if (w->groupId() != groupId) return BenchFail(QStringLiteral("the drill-down did not happen"));
  clock.start();
  w->goBack();
  QApplication::processEvents();
  report("Back", clock, 100);
  if (w->currentId() != groupId) return BenchFail(QStringLiteral("Back left the group's row"));

  ShowBalances(4);
  w->action(QStringLiteral("Show all accounts"))->trigger();
  clock.start();
  w->refresh();
  QApplication::processEvents();
  report("counterparties flat, - All", clock, 300);
  const int rows = w->model()->rowCount();
  if (rows < kExtraCounterparties) return BenchFail(QStringLiteral("counterparties missing"));
  std::printf("  listed %d counterparties\n", rows);
  if (qEnvironmentVariableIsSet("BENCH_TRACE")) {
    TBalancesQuery q;
    q.kind = 4;
    q.grouped = false;
    q.filter = BalancesFilter::All;
    q.order = BalancesOrder::Name;
    q.ccy = QStringLiteral("GBP");
    QList<TBalanceRow> list;
    clock.start();
    ListBalances(q, list);
    report("  the query alone", clock, 300);
    TBalancesShown shown;
    clock.start();
    for (const TBalanceRow& r : list) BalanceRowTexts(r, shown);
    report("  the texts alone", clock, 300);
  }

  w->jumpBox()->setText(QStringLiteral("Cpty 1"));
  clock.start();
  w->jumpBox()->setText(QStringLiteral("Cpty 19"));
  report("jump keystroke", clock, 10);
  if (!w->model()->rows()[w->currentRow()].name.startsWith(QStringLiteral("Cpty 19")))
    return BenchFail(QStringLiteral("the jump missed"));

  QList<int32_t> ids;
  for (int i = 0; i < 500; ++i) ids << first + i;
  int moved = 0;
  clock.start();
  const bool ok = RegroupAccounts(ids, group.id, &moved);
  report("regroup 500 counterparties", clock, 1000);
  if (!ok || moved != 500)
    return BenchFail("regrouped " + QString::number(moved) + ": " + prompter.infos.join(" | "));
  w->action(QStringLiteral("Grouped"))->setChecked(true);
  w->resetState();
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallBalancesScreens();
  return RunBenchSizes(app.arguments().mid(1), {100000}, one);
}
