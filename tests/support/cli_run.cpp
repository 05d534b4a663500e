#include "support/cli_run.h"

#include <QProcess>
#include <QtTest>

CliRun RunCli(const QStringList& args) {
  CliRun r;
  QProcess p;
  p.start(qEnvironmentVariable("VORBEK_CLI"), args);
  if (!p.waitForFinished(120000)) return r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

CliRun RunCliOk(const QStringList& args) {
  const CliRun r = RunCli(args);
  [&] { QVERIFY2(r.code == 0, qPrintable(args.join(' ') + "\n" + r.err)); }();
  return r;
}
