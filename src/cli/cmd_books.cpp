// vorbek-cli create / info: new books, and what a set of books holds.
#include <QDir>
#include <QFileInfo>

#include "cli/batch_prompter.h"
#include "cli/commands.h"
#include "foundation/dates.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

// A data folder argument as the store wants it: absolute, with its separator.
QString dataFolderArg(const QString& arg) {
  if (IsServerLocation(arg)) return WithTrailingSeparator(arg);
  return WithTrailingSeparator(QDir::cleanPath(QFileInfo(arg).absoluteFilePath()));
}

int openingFailed() {
  CliErr(ProgramEndRequested() ? QStringLiteral("vorbek-cli: the books could not be opened")
                               : QStringLiteral("vorbek-cli: the books were not opened"));
  return 1;
}

QString dateText(int32_t ymd) { return ymd > 0 ? YmdToText(ymd) : QStringLiteral("none"); }

int runCreate(CliContext& ctx) {
  QString base;
  if (!ctx.takeOption(QStringLiteral("--base"), base) || ctx.args.size() != 1) {
    CliErr(QStringLiteral("usage: vorbek-cli create DIR --base CCY"));
    return 2;
  }
  static const QRegularExpression code(QStringLiteral("^[A-Za-z]{3}$"));
  if (!code.match(base).hasMatch()) {
    CliErr("vorbek-cli: --base needs a three-letter currency code, not \"" + base + "\"");
    return 2;
  }
  const QString folder = dataFolderArg(ctx.args.first());
  QString error;
  if (!CreateEmptyBooks(folder, error)) {
    CliErr("vorbek-cli: " + error);
    return 1;
  }
  ResetSession();
  Session().dataFolder = folder;
  ctx.prompter->addAnswer(base);  // the first-time installation's base currency
  if (!OpenDatabase()) return openingFailed();
  const TSession& s = Session();
  CliOut("Created " + DatabaseLocation() + " (schema version " + QString::number(s.schemaVersion) +
         ", base currency " + s.settings.baseCurrency + ", default pot #" +
         QString::number(s.settings.defaultPotId) + ")");
  CloseDatabase();
  return 0;
}

int runInfo(CliContext& ctx) {
  if (ctx.args.size() != 1) {
    CliErr(QStringLiteral("usage: vorbek-cli info DIR"));
    return 2;
  }
  ResetSession();
  Session().dataFolder = dataFolderArg(ctx.args.first());
  if (!OpenDatabase()) return openingFailed();
  const TSession& s = Session();
  QList<QStringList> rows{
      {QStringLiteral("Location"), DatabaseLocation()},
      {QStringLiteral("Schema version"), QString::number(s.schemaVersion)},
      {QStringLiteral("Base currency"), s.settings.baseCurrency},
      {QStringLiteral("Start date"), dateText(s.dbStartDate)},
      {QStringLiteral("End date"), dateText(s.dbEndDate)},
      {QStringLiteral("Accounts"), QString::number(CountAll(QStringLiteral("account")))},
      {QStringLiteral("Transactions"), QString::number(CountAll(QStringLiteral("txn")))},
      {QStringLiteral("Postings"), QString::number(CountAll(QStringLiteral("pstg")))},
  };
  CliTable(ctx, {QStringLiteral("Item"), QStringLiteral("Value")}, rows);
  // Looking must not count as using the books (GenTo, period): the settings
  // stay as they were; an upgrade has already recorded what it changed.
  CloseDatabase(false);
  return 0;
}

const CliRegistration kCreate({QStringLiteral("create"), QStringLiteral("DIR --base CCY"),
                               QStringLiteral("new books at the current version, with the "
                                              "default pot"),
                               runCreate});
const CliRegistration kInfo({QStringLiteral("info"), QStringLiteral("DIR"),
                             QStringLiteral("location, version, base currency, dates and counts "
                                            "(upgrades older books)"),
                             runInfo});

}  // namespace
