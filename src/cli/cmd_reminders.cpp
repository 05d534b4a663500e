// vorbek-cli reminders / diary add: the due reminders (or all of them) as the
// reminders list shows them, and diary entries through the ledger's own rules.
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "ledger/reminders.h"
#include "store/opening.h"

namespace {

int runReminders(CliContext& ctx) {
  const bool all = ctx.takeFlag(QStringLiteral("--all"));
  if (ctx.args.size() != 1) return CliUsage(QStringLiteral("reminders DIR [--all] [--csv]"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  bool ok = false;
  const QList<TRemdrRow> rows = QueryReminders(!all, &ok);
  if (!ok) {
    CloseDatabase(false);
    return 1;
  }
  QList<TCellRow> table;
  for (const TRemdrRow& r : rows)
    table << TCellRow{IntCell(r.id),      IntCell(r.txnId), DateCell(r.rmDate),
                      DateCell(r.tgDate), TextCell(r.text), TextCell(r.narrative)};
  CliTable(ctx, {"Id", "Txn", "Start", "Deadline", "Text", "Description"}, table);
  CloseDatabase(false);
  return 0;
}

int runDiaryAdd(CliContext& ctx) {
  const QString line = QStringLiteral("diary add DIR --date yyyy-mm-dd --desc TEXT");
  QString date, desc;
  const bool hasDate = ctx.takeOption(QStringLiteral("--date"), date);
  const bool hasDesc = ctx.takeOption(QStringLiteral("--desc"), desc);
  if (!hasDate || !hasDesc || ctx.args.size() != 1) return CliUsage(line);
  if (!CliOpenBooks(ctx.args.first())) return 1;
  const int32_t id = AddDiaryEntry(date, desc);
  if (id == 0) return CliRefused();
  CliOut("Added txn #" + QString::number(id));
  return CliCommitted();
}

const CliRegistration kReminders(
    {QStringLiteral("reminders"), QStringLiteral("DIR [--all] [--csv]"),
     QStringLiteral("reminders due today or earlier (--all: every one)"), runReminders});
const CliRegistration kDiaryAdd({QStringLiteral("diary add"),
                                 QStringLiteral("DIR --date yyyy-mm-dd --desc TEXT"),
                                 QStringLiteral("write a diary entry"), runDiaryAdd});

}  // namespace
