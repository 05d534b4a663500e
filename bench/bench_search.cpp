// Times the transaction search results window on synthetic books, from the
// call until the filled window is up (offscreen): the journal around the
// middle of the busiest year (spread 1) and its "Next block", the id range
// over every transaction with its status line and its Refresh, and a text
// search matching several thousand transactions. Each is run three times;
// the slowest run is reported.
//
//   bench_search [--seed N] [SIZE ...]   (default 10k and 100k)
//
// The program exits non-zero when a list is not what was asked for.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>

#include "common.h"
#include "screens/transactions/search_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "synthetic_books.h"

namespace {

struct Timing {
  qint64 wall = 0;
  qint64 cpu = 0;
};

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  const int32_t busiestYear =
      QueryValue(QStringLiteral("select first 1 cast(txndate / 10000 as integer) from txn "
                                "group by 1 order by count(*) desc"),
                 {}, 0)
          .toInt();
  const int32_t centre = busiestYear * 10000 + 701;
  std::printf("%d transactions (%d postings), busiest year %d\n", books.transactions,
              books.postings, busiestYear);
  TheSearchDialog()->regenerate()->setChecked(false);
  TFSearchR* w = TheSearchResults();

  auto time = [&](const char* what, const std::function<bool()>& run,
                  const std::function<bool()>& check) -> int {
    Timing worst;
    for (int i = 0; i < 3; ++i) {
      prompter.infos.clear();
      TBenchClock clock;
      const bool ok = run();
      QApplication::processEvents();
      const Timing t{clock.wallMs(), clock.cpuMs()};
      if (!ok || !w->isVisible() || !check())
        return BenchFail(QStringLiteral("%1 did not list what it should : %2")
                             .arg(QString::fromLatin1(what), prompter.infos.join(" | ")));
      if (t.wall > worst.wall) worst = t;
    }
    std::printf("  %-28s %7d rows  at most %5lld ms (processor %5lld ms)  %s\n", what,
                int(w->model()->rowCount()), static_cast<long long>(worst.wall),
                static_cast<long long>(worst.cpu), qPrintable(w->statusLine()->text()));
    return 0;
  };

  int rc = time(
      "journal, spread 1",
      [&] {
        ShowJournalAroundWindow(centre, 0);
        return true;
      },
      [&] { return w->search().centre == centre && w->model()->rowCount() > 0; });
  if (rc != 0) return rc;
  // Next block alone: from the centred journal to the following one.
  {
    Timing worst;
    for (int i = 0; i < 3; ++i) {
      ShowJournalAroundWindow(centre, 0);
      TBenchClock clock;
      w->nextBlock(1);
      QApplication::processEvents();
      const Timing t{clock.wallMs(), clock.cpuMs()};
      if (w->search().centre <= centre) return BenchFail(QStringLiteral("Next block did not move"));
      if (t.wall > worst.wall) worst = t;
    }
    std::printf("  %-28s %7d rows  at most %5lld ms (processor %5lld ms)\n", "journal, Next block",
                int(w->model()->rowCount()), static_cast<long long>(worst.wall),
                static_cast<long long>(worst.cpu));
  }
  const int all = QueryValue(QStringLiteral("select count(*) from txn"), {}, 0).toInt();
  rc = time(
      "id range, every row",
      [&] { return w->runSearch(IdRangeSearch(0, kSearchMaxId), TSearchRun::User); },
      [&] { return w->model()->rowCount() == all; });
  if (rc == 0)
    rc = time(
        "Refresh of the id range",
        [&] {
          w->refresh();
          return true;
        },
        [&] { return w->model()->rowCount() == all; });
  if (rc == 0)
    rc = time(
        "text \"gift\"",
        [&] { return w->runText(kSearchText, QStringLiteral("gift"), TSearchRun::Refresh); },
        [&] { return w->model()->rowCount() > 0; });
  // The report alone, without the window: what the query and the row reading cost.
  if (rc == 0) {
    TSearch journal;
    SetJournalCentre(journal, centre, 1);
    journal.kind = kSearchJournal;
    TSearch text;
    text.kind = kSearchText;
    text.text = QStringLiteral("gift");
    const struct {
      const char* what;
      TSearch s;
    } reports[] = {{"report: journal", journal},
                   {"report: id range", IdRangeSearch(0, kSearchMaxId)},
                   {"report: text", text}};
    for (const auto& r : reports) {
      QList<TSearchRow> rows;
      TBenchClock clock;
      if (!RunSearch(r.s, rows)) return BenchFail(QStringLiteral("report failed"));
      const qint64 queryMs = clock.wallMs();
      for (const TSearchRow& row : rows) (void)SearchRowTexts(row);
      std::printf("  %-28s %7d rows  query %5lld ms, texts %5lld ms (processor %5lld ms)\n", r.what,
                  int(rows.size()), static_cast<long long>(queryMs),
                  static_cast<long long>(clock.wallMs() - queryMs),
                  static_cast<long long>(clock.cpuMs()));
    }
  }
  w->hide();
  CloseDatabase(false);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallSearchScreens();
  return RunBenchSizes(app.arguments().mid(1), {10000, 100000}, benchOne);
}
