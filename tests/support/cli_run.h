#pragma once
// Runs the real vorbek-cli (its path comes from CTest in VORBEK_CLI) and
// collects what it printed.
#include <QList>
#include <QMap>
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

// The records of --csv output (RFC 4180, header row first) and of --json output
// (an array of objects), each record as its column -> text map; JSON numbers
// and null read as text ("42", ""), so the two faces compare value by value.
QList<QMap<QString, QString>> CsvRecords(const QString& csv);
QList<QMap<QString, QString>> JsonRecords(const QString& json);
