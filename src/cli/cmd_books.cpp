// vorbek-cli create / info: new books, and what a set of books holds.
#include <QRegularExpression>

#include "cli/batch_prompter.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

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
  const QString folder = CliDataFolder(ctx.args.first());
  QString error;
  if (!CreateEmptyBooks(folder, error)) {
    CliErr("vorbek-cli: " + error);
    return 1;
  }
  ctx.prompter->addAnswer(base);  // the first-time installation's base currency
  if (!CliOpenBooks(folder)) return 1;
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
  if (!CliOpenBooks(ctx.args.first())) return 1;
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
