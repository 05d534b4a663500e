#pragma once
// vorbek-cli's verbs. Each cmd_*.cpp registers its verbs with a static
// CliRegistration; main() parses the global flags and dispatches.
#include <QString>
#include <QStringList>
#include <functional>

#include "foundation/table_export.h"

class BatchPrompter;

struct CliContext {
  QStringList args;  // the verb's own arguments (global flags removed)
  bool csv = false;
  bool json = false;
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
  QString verb;     // e.g. "create" or "account add"
  QString usage;    // one line: arguments
  QString summary;  // what it does
  std::function<int(CliContext&)> run;
};

const QList<CliCommand>& CliCommands();

struct CliRegistration {
  explicit CliRegistration(CliCommand c);
};

// Output helpers shared by the verbs.
void CliOut(const QString& line);
void CliErr(const QString& line);
// Prints rows as aligned text columns in their display form, or in the plain
// form as CSV (ctx.csv) or JSON (ctx.json).
void CliTable(const CliContext& ctx, const QStringList& header, const QList<TCellRow>& rows);
// The same for rows already turned into text (every cell a text cell).
void CliTable(const CliContext& ctx, const QStringList& header, const QList<QStringList>& rows);
// True when the verb prints for a program: its prose lines are left out.
inline bool CliMachineOutput(const CliContext& ctx) { return ctx.csv || ctx.json; }
