// vorbek-cli repeater verbs: a master saved as the entry form saves one (then
// its instances generated), the repeaters list, and deactivating, deleting and
// weeding masters.
#include <QRegularExpression>

#include "cli/batch_prompter.h"
#include "cli/cli_args.h"
#include "cli/cli_entry.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/entry.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "reports/repeater_list.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

int runAdd(CliContext& ctx) {
  const QString line = QStringLiteral(
      "repeater add DIR --type P|R|C --amount AMT --from ACCID --to ACCID [--cpty ID] [--ccy CCY] "
      "--start yyyy-mm-dd --freq D|W|M|Y [--inc N] [--count N] [--end yyyy-mm-dd] "
      "[--remind DAYS] [--desc TEXT] [--ref TEXT]");
  QString typeText, amountText, fromText, toText, cptyText, ccyText, startText, freqText;
  QString incText = QStringLiteral("1"), countText, endText, remindText, desc, ref;
  const bool hasType = ctx.takeOption(QStringLiteral("--type"), typeText);
  const bool hasAmount = ctx.takeOption(QStringLiteral("--amount"), amountText);
  const bool hasFrom = ctx.takeOption(QStringLiteral("--from"), fromText);
  const bool hasTo = ctx.takeOption(QStringLiteral("--to"), toText);
  const bool hasCpty = ctx.takeOption(QStringLiteral("--cpty"), cptyText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  const bool hasStart = ctx.takeOption(QStringLiteral("--start"), startText);
  const bool hasFreq = ctx.takeOption(QStringLiteral("--freq"), freqText);
  ctx.takeOption(QStringLiteral("--inc"), incText);
  ctx.takeOption(QStringLiteral("--count"), countText);
  ctx.takeOption(QStringLiteral("--end"), endText);
  ctx.takeOption(QStringLiteral("--remind"), remindText);
  ctx.takeOption(QStringLiteral("--desc"), desc);
  ctx.takeOption(QStringLiteral("--ref"), ref);
  if (!hasType || !hasAmount || !hasFrom || !hasTo || !hasStart || !hasFreq || ctx.args.size() != 1)
    return CliUsage(line);

  const QString type = typeText.toUpper();
  if (!QStringList{"P", "R", "C"}.contains(type)) return CliBad("--type must be one of P, R, C");
  const QChar code = type.at(0);
  const QString freq = freqText.toUpper();
  if (!QStringList{"D", "W", "M", "Y"}.contains(freq))
    return CliBad("--freq must be one of D, W, M, Y");
  int32_t from = 0, to = 0, cpty = 0;
  if (!ParseCliId(fromText, from)) return CliBad("--from needs an account id");
  if (!ParseCliId(toText, to)) return CliBad("--to needs an account id");
  if (hasCpty && !ParseCliId(cptyText, cpty)) return CliBad("--cpty needs an account id");
  if (code != QChar('C') && !hasCpty) return CliBad("a payment or receipt needs --cpty");
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return CliRefused();

  // The entry form with "Repeat" ticked. As txn add: money of a payment goes
  // from the external account to the internal one, that of a receipt back.
  TEntry e;
  e.actualTicked = true;
  e.actualText = startText;
  e.amountText = amountText;
  e.description = desc;
  e.reference = ref;
  e.repeat.ticked = true;
  e.repeat.freq = freq.at(0);
  e.repeat.incrementText = incText;
  e.repeat.countText = countText;
  e.repeat.untilText = endText;
  e.repeat.reminderDaysText = remindText;
  const int32_t externalId = code == QChar('R') ? to : from;
  TObj first;
  const bool firstRead = ReadAccount(code == QChar('C') ? from : externalId, first);
  if (code == QChar('C')) {
    SetCliTransfer(e, from, to, firstRead, first);
  } else {
    e.type = code == QChar('P') ? EntryType::Payment : EntryType::Receipt;
    e.externalAccount = externalId;
    e.internalAccount = code == QChar('P') ? to : from;
    e.counterparty = cpty;
  }
  e.ccy = CliEntryCurrency(hasCcy ? ccy : QString(), firstRead, first);
  TEntrySaved saved;
  if (!SaveEntry(e, saved)) return CliRefused();
  CliOut("Added repeater #" + QString::number(saved.masterId));
  CliOut("Generated " + QString::number(saved.ids.size()) + " instance(s)");
  return CliCommitted();
}

// The rows of the repeaters list, as the window lists them.
void printList(const CliContext& ctx, const QList<TRptrListRow>& list) {
  QList<TCellRow> rows;
  for (const TRptrListRow& r : list)
    rows << TCellRow{IntCell(r.id),
                     DateCell(r.startDate),
                     DateCell(r.endText().isEmpty() ? 0 : r.endDate),
                     TextCell(r.freqText()),
                     TextCell(r.typeText()),
                     AmountCell(r.amount),
                     IntCell(r.genTo),
                     TextCell(r.narrative),
                     TextCell(r.activeText()),
                     TextCell(r.accName[0]),
                     TextCell(r.accName[1]),
                     TextCell(r.accName[2]),
                     TextCell(r.accName[3])};
  CliTable(ctx,
           {"Id", "Start", "End", "Freq", "Txn type", "Amount", "GenTo", "Description", "Active?",
            "Account 1", "Account 2", "Account 3", "Account 4"},
           rows);
}

int runList(CliContext& ctx) {
  const bool all = ctx.takeFlag(QStringLiteral("--all"));
  if (ctx.args.size() != 1) return CliUsage("repeater list DIR [--all] [--csv]");
  if (!CliOpenBooks(ctx.args.first())) return 1;
  QList<TRptrListRow> list;
  if (!ListRepeaters(!all, list)) return CliRefused();
  printList(ctx, list);
  CloseDatabase(false);
  return 0;
}

// DIR ID of the master verbs.
bool masterArgs(CliContext& ctx, int32_t& id) {
  return ctx.args.size() == 2 && ParseCliId(ctx.args.at(1), id);
}

int runDeactivate(CliContext& ctx) {
  int32_t id = 0;
  if (!masterArgs(ctx, id)) return CliUsage(QStringLiteral("repeater deactivate DIR ID"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TRptr r;
  // The question names any id; a missing master would be "deactivated" silently.
  if (!Session().settings.dbFrozen && !ReadRepeater(id, r, true)) return CliRefused();
  if (!DeactivateRepeater(id)) return CliRefused();
  CliOut("Deactivated repeater #" + QString::number(id));
  return CliCommitted();
}

int runDelete(CliContext& ctx) {
  QString instances;
  const bool hasInstances = ctx.takeOption(QStringLiteral("--instances"), instances);
  int32_t id = 0;
  const QString line = QStringLiteral("repeater delete DIR ID [--instances retain|delete]");
  if (!masterArgs(ctx, id)) return CliUsage(line);
  if (hasInstances) {
    const QString how = instances.toLower();
    if (how != QLatin1String("retain") && how != QLatin1String("delete"))
      return CliBad("--instances must be retain or delete");
    ctx.prompter->addFirstAnswer(how == QLatin1String("retain") ? QStringLiteral("1")
                                                                : QStringLiteral("2"));
  }
  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (!DeleteRepeater(id)) return CliRefused();
  CliOut("Deleted repeater #" + QString::number(id));
  return CliCommitted();
}

int runWeed(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage(QStringLiteral("repeater weed DIR"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  int count = 0;
  if (!WeedRepeaters(&count)) return CliRefused();
  CliOut("Deleted " + QString::number(count) + " inactive repeater(s)");
  return CliCommitted();
}

const CliRegistration kRepeaterAdd(
    {QStringLiteral("repeater add"),
     QStringLiteral("DIR --type P|R|C --amount AMT --from ACCID --to ACCID [--cpty ID] "
                    "[--ccy CCY] --start yyyy-mm-dd --freq D|W|M|Y [--inc N] [--count N] "
                    "[--end yyyy-mm-dd] [--remind DAYS] [--desc TEXT] [--ref TEXT]"),
     QStringLiteral("save a repeater master and generate its instances up to the balance date"),
     runAdd});
const CliRegistration kRepeaterList({QStringLiteral("repeater list"),
                                     QStringLiteral("DIR [--all] [--csv]"),
                                     QStringLiteral("repeater masters (active only unless --all)"),
                                     runList});
const CliRegistration kRepeaterDeactivate(
    {QStringLiteral("repeater deactivate"), QStringLiteral("DIR ID"),
     QStringLiteral("make a repeater master inactive (its instances stay)"), runDeactivate});
const CliRegistration kRepeaterDelete(
    {QStringLiteral("repeater delete"), QStringLiteral("DIR ID [--instances retain|delete]"),
     QStringLiteral("delete an inactive repeater master, keeping or deleting its instances"),
     runDelete});
const CliRegistration kRepeaterWeed(
    {QStringLiteral("repeater weed"), QStringLiteral("DIR"),
     QStringLiteral("delete every inactive repeater master (their instances stay)"), runWeed});

}  // namespace
