// Times what the accounts list, the finder and the search results window run,
// on synthetic books with 5,000 counterparties added (some with notes):
//
//   bench_account_screens [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k …
//
// Without sizes: 100k transactions (about 300k postings). Timed, each three
// times (the first run reads a cold cache):
//   list ALL       - the counterparties list, every status (5,000 rows)
//   list refresh   - the same list with each of the other filters in turn
//   finder         - "Contains" over the counterparties' names
//   search         - name/notes search of the counterparties
//   delete refused - CanDeleteAccount on the busiest account (50,000 postings)
//   contra check   - the delete rules' "referenced as contra" query alone
//   delete unused  - CanDeleteAccount on an account nothing refers to, confirmed
// Aims: lists and finder < 100 ms, search < 200 ms, refusal < 100 ms, deleting
// an unused account < 300 ms. Results are checked (row counts, the refusal's
// message, the account gone); the program exits non-zero when one is wrong.
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "common.h"
#include "ledger/accounts.h"
#include "reports/account_lists.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

constexpr int kCounterparties = 5000;

// Tops the counterparties up to kCounterparties; every tenth gets a note.
bool addCounterparties(QString& error) {
  const int have = CountRows(QStringLiteral("account"), QStringLiteral("type2 = 4"));
  int32_t id = NewAccountId();
  PreparedSql acc(QStringLiteral(
      "insert into account (id, name, note, type2, btype, isgrp, grpid, path, ccy, opendate, "
      "closedate, bfdbal, bfdval, fav, cptypays, cptyrcvs) "
      "values (?, ?, ?, 4, 4, 0, 0, ' ', 'GBP', ?, 99999999, 0, 0, ?, 1, 0)"));
  PreparedSql movte(
      QStringLiteral("insert into movte (objid, firstpstgdate, lastpstgdate) values (?, ?, ?)"));
  if (!acc.ok() || !movte.ok()) {
    error = LastDbError();
    return false;
  }
  static const char* const kWords[] = {"Garage", "Bakery", "Plumber", "Dentist", "Library",
                                       "Grocer", "Tailor", "Florist", "Chemist", "Cinema"};
  for (int i = have; i < kCounterparties; ++i, ++id) {
    const QString name = QStringLiteral("%1 %2").arg(QLatin1String(kWords[i % 10])).arg(i);
    const QVariant note =
        i % 10 == 0 ? QVariant(QStringLiteral("paid by standing order, ref ") + QString::number(i))
                    : QVariant(QMetaType(QMetaType::QString));
    const int32_t open = 20000101 + (i % 25) * 10000;
    const int32_t last = i % 3 == 0 ? 0 : open + 1000;
    if (!acc.exec({id, name, note, open, i % 50 == 0 ? 1 : 0}) ||
        !movte.exec({id, last == 0 ? 0 : open, last})) {
      error = LastDbError();
      return false;
    }
  }
  return CommitIfActive();
}

struct TTiming {
  qint64 wall[3];
  qint64 cpu[3];
};

// Runs step three times; false as soon as a run fails its check.
bool timeIt(const char* what, const std::function<bool()>& step) {
  TTiming t{};
  for (int i = 0; i < 3; ++i) {
    TBenchClock clock;
    if (!step()) {
      BenchFail(QString::fromLatin1(what) + " gave a wrong result");
      return false;
    }
    t.wall[i] = clock.wallMs();
    t.cpu[i] = clock.cpuMs();
  }
  std::printf("  %-15s %5lld / %5lld / %5lld ms   (processor %lld / %lld / %lld ms)\n", what,
              static_cast<long long>(t.wall[0]), static_cast<long long>(t.wall[1]),
              static_cast<long long>(t.wall[2]), static_cast<long long>(t.cpu[0]),
              static_cast<long long>(t.cpu[1]), static_cast<long long>(t.cpu[2]));
  return true;
}

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  TBenchClock clock;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  if (!addCounterparties(error)) return BenchFail(error);
  const int cptys = CountRows(QStringLiteral("account"), QStringLiteral("type2 = 4"));
  std::printf(
      "%d transactions (%d postings), %d counterparties, account #%d with %d postings: "
      "made in %lld ms\n",
      books.transactions, books.postings, cptys, books.busiestAccount, books.busiestPostings,
      static_cast<long long>(clock.wallMs()));

  const int32_t dormancy = Session().dormantCutoff;
  TAccountListQuery q;
  q.kind = 4;
  q.dormancyDate = dormancy;
  QList<TAccountListRow> rows;
  bool ok = timeIt("list ALL", [&] {
    q.filter = AccountFilter::All;
    return ListAccounts(q, rows) && rows.size() == cptys;
  });
  ok = ok && timeIt("list refresh", [&] {
         int total = 0;
         for (AccountFilter f : {AccountFilter::Favorites, AccountFilter::Recent,
                                 AccountFilter::Dormant, AccountFilter::Closed}) {
           q.filter = f;
           if (!ListAccounts(q, rows)) return false;
           total += int(rows.size());
         }
         return total > 0;
       });
  TFinderPages pages;
  ok = ok && timeIt("finder Contains", [&] {
         return FindAccounts(4, QStringLiteral("ARAG"), true, dormancy,
                             Session().settings.baseCurrency, pages) &&
                pages.page[0].size() + pages.page[1].size() + pages.page[2].size() >= 450;
       });
  QList<TAccountSearchRow> found;
  ok =
      ok && timeIt("search", [&] {
        return SearchAccountRows(4, QStringLiteral("standing ORDER"), found) && found.size() >= 450;
      });
  ok = ok && timeIt("delete refused", [&] {
         prompter.infos.clear();
         return !CanDeleteAccount(books.busiestAccount) && prompter.infos.size() == 1 &&
                prompter.infos.first() == "Cannot delete account - " +
                                              QString::number(books.busiestPostings) +
                                              " posting(s) found";
       });
  // Three unused accounts, one per run.
  QList<int32_t> unused;
  for (int i = 0; i < 3; ++i) {
    TObj o = NewObj();
    o.kind = 4;
    o.name = QStringLiteral("Unused %1").arg(i);
    if (!WriteAccount(o) || !CommitIfActive()) return BenchFail(QStringLiteral("no new account"));
    unused << o.id;
  }
  // What the delete rules' contra check costs by itself: PSTG has no index on CONTRA.
  ok = ok && timeIt("contra check", [&] {
         return QueryValue(QStringLiteral("select first 1 p.txnid from pstg p where p.contra = ? "
                                          "order by p.txnid, p.objid"),
                           {unused.first()}, 0)
                    .toInt() == 0;
       });
  ok = ok && timeIt("delete unused", [&] {
         const int32_t id = unused.takeFirst();
         return CanDeleteAccount(id) && !LocateAccount(id);
       });
  CloseDatabase(false);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool sized = argc > 1;
  if (sized) return RunSizedBench(argc, argv, benchOne);
  char size[] = "100k";
  char* args[] = {argv[0], size, nullptr};
  return RunSizedBench(2, args, benchOne);
}
