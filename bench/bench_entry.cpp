// Times saving entries through the entry core on synthetic books.
//
//   bench_entry [--seed N] [SIZE ...]      SIZE: 10000, 10k, 100k, 1M …
//
// Without sizes: 10k and 100k transactions. For each size: 20 cash payments,
// 10 FX purchases with commission (three transactions each) and one new daily
// repeater master with 1,000 instances, each saved and committed as the form
// saves it. Aims at 100k transactions: a payment within 150 ms, an FX deal
// within 300 ms, the master with its instances within 3 s. Every save is
// checked for the transactions it wrote; the program exits non-zero when one
// is wrong. BENCH_ASYNC=1 turns the file's forced writes off first (gfix).
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "common.h"
#include "foundation/dates.h"
#include "ledger/entry.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "synthetic_books.h"

namespace {

int32_t firstAccount(const QString& where, const QVariantList& binds = {}) {
  return QueryValue("select first 1 o.id from account o where " + where + " order by o.id", binds,
                    0)
      .toInt();
}

struct Times {
  QList<qint64> wall, cpu;
  void add(const TBenchClock& c) {
    wall << c.wallMs();
    cpu << c.cpuMs();
  }
  static qint64 median(QList<qint64> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
  }
  static qint64 most(const QList<qint64>& v) {
    return v.isEmpty() ? 0 : *std::max_element(v.begin(), v.end());
  }
  void print(const char* what) const {
    std::printf("  %-32s median %6lld ms (processor %6lld ms), slowest %6lld ms over %lld\n", what,
                static_cast<long long>(median(wall)), static_cast<long long>(median(cpu)),
                static_cast<long long>(most(wall)), static_cast<long long>(wall.size()));
  }
};

int benchOne(int size, uint64_t seed, BenchPrompter& prompter) {
  QTemporaryDir dir;
  if (!dir.isValid()) return BenchFail(QStringLiteral("no temporary folder"));
  const QString folder = dir.path() + QStringLiteral("/books/");
  TSyntheticBooks books;
  QString error;
  if (!MakeSyntheticBooks(folder, size, seed, &books, &error)) return BenchFail(error);
  const bool async = qEnvironmentVariableIsSet("BENCH_ASYNC");
  if (async)
    QProcess::execute(QStringLiteral("gfix"),
                      {QStringLiteral("-write"), QStringLiteral("async"), folder + "vorbek.fdb"});
  if (!OpenSyntheticBooks(folder, &error))
    return BenchFail(error + " : " + prompter.infos.join(" | "));
  std::printf("%d transactions (%d postings), period %d-%d, forced writes %s\n", books.transactions,
              books.postings, books.periodFrom, books.periodTo, async ? "off" : "on");

  const QString base = Session().settings.baseCurrency.trimmed();
  const int32_t home = firstAccount(
      QStringLiteral("o.type2 = 1 and o.ccy = ? and coalesce(o.reconciled, '') = ''"), {base});
  const int32_t dollars = firstAccount(QStringLiteral("o.type2 = 1 and o.ccy = 'USD'"));
  const int32_t cpty = firstAccount(QStringLiteral("o.type2 = 4"));
  const int32_t ctgy = firstAccount(QStringLiteral("o.type2 = 3"));
  if (!home || !dollars || !cpty || !ctgy) return BenchFail(QStringLiteral("accounts not found"));
  const TDateRec last = YmdToDateRec(books.periodTo);

  TEntry pay;
  pay.actualTicked = true;
  pay.actualText = DateRecToText(last);
  pay.amountText = QStringLiteral("12.34");
  pay.ccy = base;
  pay.externalAccount = home;
  pay.counterparty = cpty;
  pay.internalAccount = ctgy;
  pay.description = QStringLiteral("bench payment");

  Times payments;
  for (int i = 0; i < 20; ++i) {
    TEntrySaved s;
    TBenchClock c;
    if (!SaveEntry(pay, s) || s.ids.size() != 1)
      return BenchFail("payment not saved: " + prompter.infos.join(" | "));
    payments.add(c);
  }

  TEntry fx = pay;
  fx.type = EntryType::Fx;
  fx.amountText = QStringLiteral("80.00");
  fx.fx.foreignCcy = QStringLiteral("USD");
  fx.fx.foreignAmountText = QStringLiteral("100.00");
  fx.fx.foreignAccount = dollars;
  fx.fx.commissionText = QStringLiteral("2.50");
  fx.fx.rateText = QStringLiteral("1.25");
  Times deals;
  for (int i = 0; i < 10; ++i) {
    TEntrySaved s;
    TBenchClock c;
    if (!SaveEntry(fx, s) || s.ids.size() != 3)
      return BenchFail("FX deal not saved: " + prompter.infos.join(" | "));
    deals.add(c);
  }

  TEntry master = pay;
  TDateRec start = last;
  SubtractDays(start, 999);
  master.actualText = DateRecToText(start);
  master.repeat.ticked = true;
  master.repeat.freq = QChar('D');
  master.repeat.countText = QStringLiteral("1000");
  SetGenerateToDate(last);
  Times masters;
  {
    TEntrySaved s;
    TBenchClock c;
    if (!SaveEntry(master, s) || s.ids.size() != 1000)
      return BenchFail(QStringLiteral("master not saved with 1,000 instances: ") +
                       prompter.infos.join(" | "));
    masters.add(c);
  }

  payments.print("payment saved");
  deals.print("FX deal with commission saved");
  masters.print("daily master, 1,000 instances");
  if (!prompter.infos.isEmpty())
    std::printf("  said: %s\n", qPrintable(prompter.infos.mid(0, 5).join(" | ")));
  CloseDatabase(false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return RunSizedBench(argc, argv, benchOne); }
