#pragma once
// vorbek-cli's verbs. Each cmd_*.cpp registers its verbs with a static
// CliRegistration; main() parses the global flags and dispatches.
#include <QString>
#include <QStringList>
#include <functional>

class BatchPrompter;

struct CliContext {
  QStringList args;  // the verb's own arguments (global flags removed)
  bool csv = false;
  BatchPrompter* prompter = nullptr;

  // Option helpers: take "--name VALUE" out of args.
  bool takeFlag(const QString& name);
  bool takeOption(const QString& name, QString& value);
  QString takeOption(const QString& name) {
    QString v;
    takeOption(name, v);
    return v;
  }
};

struct CliCommand {
  QString verb;      // e.g. "create" or "account add"
  QString usage;     // one line: arguments
  QString summary;   // what it does
  std::function<int(CliContext&)> run;
};

const QList<CliCommand>& CliCommands();

struct CliRegistration {
  explicit CliRegistration(CliCommand c);
};

// Output helpers shared by the verbs.
void CliOut(const QString& line);
void CliErr(const QString& line);
// Prints rows as aligned text columns, or as CSV when ctx.csv is set.
void CliTable(const CliContext& ctx, const QStringList& header, const QList<QStringList>& rows);
