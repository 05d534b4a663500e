// vorbek-cli reminders / reminder add / reminder delete / diary add: the due
// reminders (or all of them) as the reminders list shows them, free reminders
// added and deleted as the list's window does, and diary entries through the
// ledger's own rules.
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "ledger/reminders.h"
#include "store/opening.h"
#include "store/records.h"

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

int runReminderAdd(CliContext& ctx) {
  const QString line =
      QStringLiteral("reminder add DIR --target yyyy-mm-dd [--days N] --text TEXT");
  QString target, days = QStringLiteral("31"), text;
  const bool hasTarget = ctx.takeOption(QStringLiteral("--target"), target);
  ctx.takeOption(QStringLiteral("--days"), days);
  const bool hasText = ctx.takeOption(QStringLiteral("--text"), text);
  if (!hasTarget || !hasText || ctx.args.size() != 1) return CliUsage(line);
  if (!CliOpenBooks(ctx.args.first())) return 1;
  // As the dialog's OK with the days-before radio chosen (0 days: on the date).
  const int32_t id = NewReminder(target, false, days, text);
  if (id == 0) return CliRefused();
  CliOut("Added reminder #" + QString::number(id));
  return CliCommitted();
}

int runReminderDelete(CliContext& ctx) {
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id))
    return CliUsage(QStringLiteral("reminder delete DIR ID"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TRemdr r;
  if (!ReadRemdrRow(id, r)) {
    CliErr("Reminder #" + QString::number(id) + " not found");
    return CliRefused();
  }
  if (!DeleteReminder(id)) return CliRefused();
  CliOut("Deleted reminder #" + QString::number(id));
  return CliCommitted();
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
const CliRegistration kReminderAdd(
    {QStringLiteral("reminder add"),
     QStringLiteral("DIR --target yyyy-mm-dd [--days N] --text TEXT"),
     QStringLiteral("add a free reminder shown from N days (default 31) before the target date"),
     runReminderAdd});
const CliRegistration kReminderDelete({QStringLiteral("reminder delete"), QStringLiteral("DIR ID"),
                                       QStringLiteral("delete a reminder"), runReminderDelete});
const CliRegistration kDiaryAdd({QStringLiteral("diary add"),
                                 QStringLiteral("DIR --date yyyy-mm-dd --desc TEXT"),
                                 QStringLiteral("write a diary entry"), runDiaryAdd});

}  // namespace
