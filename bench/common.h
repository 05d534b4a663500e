#pragma once
// What every benchmark needs around the engine: a prompter that keeps quiet
// and says yes, and the process's processor time.
#include <QStringList>
#include <cstdint>
#include <functional>

#include "foundation/messages.h"

// Remembers what it was told; yes to every question, "GBP" to the first-time
// installation's base currency, the first option of a choice.
class BenchPrompter : public Prompter {
 public:
  QStringList infos;
  void showInfo(const QString& text, bool) override { infos << text; }
  char askYesNoCancel(const QString& text) override {
    infos << text;
    return 'Y';
  }
  bool askText(const QString& prompt, const QString&, QString& text, int, int) override {
    infos << prompt;
    text = QStringLiteral("GBP");
    return true;
  }
  int askChoice(const QString& text, const QString&, const QString&) override {
    infos << text;
    return 1;
  }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}
};

// Processor time of this process, the embedded engine included: on a shared
// machine it says more than the wall clock.
double ProcessCpuSeconds();

// Says "<benchmark>: " + what on stderr; the failing exit code (1).
int BenchFail(const QString& what);

// The main of a benchmark over synthetic books of several sizes:
//   [--seed N] [SIZE ...]   (SIZE: 10000, 10k, 100k, 1M …; default 10k and 100k)
// runs one(size, seed, prompter) for each size with the prompter installed;
// non-zero as soon as one run is.
using BenchOne = std::function<int(int size, uint64_t seed, BenchPrompter& prompter)>;
int RunSizedBench(int argc, char** argv, const BenchOne& one);
// The same inside an application the caller made (windows need a QApplication);
// defaultSizes when the arguments name none.
int RunBenchSizes(const QStringList& args, const QList<int>& defaultSizes, const BenchOne& one);

// New empty books in folder (with its trailing separator), opened; with
// BENCH_ASYNC set, the file's forced writes are turned off first (gfix).
// Empty, or what went wrong.
QString OpenNewBenchBooks(const QString& folder, const BenchPrompter& prompter);
