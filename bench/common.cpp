#include "common.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "synthetic_books.h"

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int BenchFail(const QString& what) {
  const QString name =
      QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("bench");
  std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(what));
  return 1;
}

int RunBenchSizes(const QStringList& args, const QList<int>& defaultSizes, const BenchOne& one) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures show as they come, even into a file
  uint64_t seed = 1;
  QList<int> sizes;
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--seed") && i + 1 < args.size()) {
      seed = args[++i].toULongLong();
      continue;
    }
    const int n = ParseBenchSize(args[i]);
    if (n < 1000) return BenchFail("not a size of 1,000 or more: " + args[i]);
    sizes << n;
  }
  if (sizes.isEmpty()) sizes = defaultSizes;

  BenchPrompter prompter;
  InstallPrompter(&prompter);
  int rc = 0;
  for (int size : sizes)
    if ((rc = one(size, seed, prompter)) != 0) break;
  InstallPrompter(nullptr);
  return rc;
}

int RunSizedBench(int argc, char** argv, const BenchOne& one) {
  QCoreApplication app(argc, argv);
  return RunBenchSizes(app.arguments().mid(1), {10000, 100000}, one);
}

QString OpenNewBenchBooks(const QString& folder, const BenchPrompter& prompter) {
  QString error;
  if (!CreateEmptyBooks(folder, error)) return error;
  Session().dataFolder = folder;
  if (!OpenDatabase()) return "opening: " + prompter.infos.join(" | ");
  if (qEnvironmentVariableIsSet("BENCH_ASYNC")) {
    CloseDatabase(false);
    QProcess::execute(QStringLiteral("gfix"), {QStringLiteral("-write"), QStringLiteral("async"),
                                               folder + QStringLiteral("vorbek.fdb")});
    if (!OpenDatabase()) return "reopening: " + prompter.infos.join(" | ");
  }
  return QString();
}
