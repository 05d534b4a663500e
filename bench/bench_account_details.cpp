// Times opening the account details forms on synthetic books: from the call
// of EditExternalAccount / EditInternalAccount until the filled form shows
// (offscreen), for the external account with the most postings and for a
// category in a group. Each form is opened five times; the first opening
// (which builds the form) and the slowest later one are reported.
//
//   bench_account_details [--seed N] [SIZE ...]   (default 10k and 100k)
//
// The program exits non-zero when a form does not show the account asked for.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "common.h"
#include "ledger/accounts.h"
#include "screens/masterdata/account_details.h"
#include "store/db.h"
#include "store/opening.h"
#include "synthetic_books.h"

namespace {

struct TOpenTimes {
  qint64 firstMs = 0, firstCpuMs = 0;
  qint64 worstMs = 0, worstCpuMs = 0;
};

// Opens a form through edit(id) five times; the form closes as soon as it shows.
QString timeOpenings(TAccountDetailsForm* form, bool (*edit)(int), int32_t id, TOpenTimes& t) {
  for (int i = 0; i < 5; ++i) {
    TBenchClock clock;
    qint64 wall = -1, cpu = -1;
    QString shown;
    QTimer::singleShot(0, form, [&] {
      wall = clock.wallMs();
      cpu = clock.cpuMs();
      shown = form->nameBox()->text();
      form->done(QDialog::Rejected);
    });
    clock.start();
    edit(id);
    TObj a;
    ReadAccount(id, a);
    if (wall < 0 || shown != a.name)
      return QStringLiteral("account #%1 was not shown (\"%2\")").arg(id).arg(shown);
    if (i == 0) {
      t.firstMs = wall;
      t.firstCpuMs = cpu;
    } else if (wall > t.worstMs) {
      t.worstMs = wall;
      t.worstCpuMs = cpu;
    }
  }
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
  const int32_t category =
      QueryValue(QStringLiteral("select first 1 id from account where type2 = 3 and grpid > 0 "
                                "order by id"),
                 {}, 0)
          .toInt();
  std::printf("%d transactions (%d postings), account #%d with %d postings, category #%d\n",
              books.transactions, books.postings, books.busiestAccount, books.busiestPostings,
              category);

  struct {
    const char* what;
    TAccountDetailsForm* form;
    bool (*edit)(int);
    int32_t id;
  } runs[] = {
      {"external account", TheExternalAccountForm(), EditExternalAccount, books.busiestAccount},
      {"category", TheInternalAccountForm(), EditInternalAccount, category},
  };
  for (const auto& r : runs) {
    prompter.infos.clear();
    TOpenTimes t;
    const QString wrong = timeOpenings(r.form, r.edit, r.id, t);
    if (!wrong.isEmpty()) return BenchFail(wrong + " : " + prompter.infos.join(" | "));
    std::printf(
        "  details opened, %-16s first %5lld ms (processor %5lld ms), later at most %5lld ms "
        "(processor %5lld ms)\n",
        r.what, static_cast<long long>(t.firstMs), static_cast<long long>(t.firstCpuMs),
        static_cast<long long>(t.worstMs), static_cast<long long>(t.worstCpuMs));
  }
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {10000, 100000}, benchOne);
}
