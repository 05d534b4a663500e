#include "support/cli_run.h"

#include <QProcess>

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
