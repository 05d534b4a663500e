#pragma once
// Runs the real vorbek-cli (its path comes from CTest in VORBEK_CLI) and
// collects what it printed.
#include <QString>
#include <QStringList>

struct CliRun {
  int code = -1;  // -1: did not finish in time; -2: crashed
  QString out;
  QString err;
};

CliRun RunCli(const QStringList& args);

// Runs it and fails the running test, showing the command and its stderr,
// unless it exits with 0.
CliRun RunCliOk(const QStringList& args);
