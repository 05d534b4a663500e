// vorbek-cli cpty categories, channel list / add / delete: a counterparty's
// categories and an external account's channels, as their windows list and
// change them.
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "ledger/accounts.h"
#include "ledger/channels.h"
#include "reports/cpty_lists.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

// The account id, read as one of kind; false after saying why.
bool readKind(int32_t id, int kind, TObj& o) {
  if (!ReadAccount(id, o)) {
    CliErr("vorbek-cli: account " + QString::number(id) + " not found");
    return false;
  }
  if (o.kind != kind) {
    CliErr("vorbek-cli: account " + QString::number(id) + " is not " +
           (kind == kKindCounterparty ? QStringLiteral("a counterparty")
                                      : QStringLiteral("an external account")));
    return false;
  }
  return true;
}

int runCategories(CliContext& ctx) {
  const QString line = QStringLiteral("cpty categories DIR ID [--sale] [--csv]");
  const bool sale = ctx.takeFlag(QStringLiteral("--sale"));
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id)) return CliUsage(line);
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj c;
  if (!readKind(id, kKindCounterparty, c)) return CliRefused();
  TCptyCategoryLists lists;
  if (!ListCptyCategories(id, sale ? QChar('S') : QChar('P'), lists)) return CliRefused();
  QList<TCellRow> rows;
  auto add = [&rows](const QString& page, const QList<TIdText>& entries) {
    for (const TIdText& e : entries)
      rows << TCellRow{TextCell(page), IntCell(e.id), TextCell(e.text)};
  };
  add(QStringLiteral("Preferred"), lists.preferred);
  add(QStringLiteral("Hidden"), lists.hidden);
  add(QStringLiteral("Closed"), lists.closed);
  CliTable(ctx, {QStringLiteral("Page"), QStringLiteral("Id"), QStringLiteral("Category")}, rows);
  CloseDatabase(false);
  return 0;
}

int runChannelList(CliContext& ctx) {
  const QString line = QStringLiteral("channel list DIR ACCOUNT [--direction P|R] [--csv]");
  QString dirText;
  const bool hasDir = ctx.takeOption(QStringLiteral("--direction"), dirText);
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id)) return CliUsage(line);
  QChar direction(' ');
  if (hasDir) {
    const QString d = dirText.toUpper();
    if (d != QLatin1String("P") && d != QLatin1String("R"))
      return CliBad("--direction must be P or R, not \"" + dirText + "\"");
    direction = d.at(0);
  }
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj a;
  if (!readKind(id, kKindExternal, a)) return CliRefused();
  QList<TIdText> list;
  if (ListChannels(id, list, Session().settings.excludeClosedChannels, direction) < 0)
    return CliRefused();
  QList<TCellRow> rows;
  for (const TIdText& e : list) rows << TCellRow{IntCell(e.id), TextCell(e.text)};
  CliTable(ctx, {QStringLiteral("Chnum"), QStringLiteral("Channel")}, rows);
  CloseDatabase(false);
  return 0;
}

int runChannelAdd(CliContext& ctx) {
  const QString line =
      QStringLiteral("channel add DIR ACCOUNT --name NAME [--type P|R|X] [--closed] [--note TEXT]");
  QString name, typeText, note;
  const bool hasName = ctx.takeOption(QStringLiteral("--name"), name);
  const bool hasType = ctx.takeOption(QStringLiteral("--type"), typeText);
  const bool closed = ctx.takeFlag(QStringLiteral("--closed"));
  ctx.takeOption(QStringLiteral("--note"), note);
  int32_t id = 0;
  if (!hasName || ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id)) return CliUsage(line);
  const QString type = hasType ? typeText.toUpper() : QStringLiteral("X");
  if (type != QLatin1String("P") && type != QLatin1String("R") && type != QLatin1String("X"))
    return CliBad("--type must be P, R or X, not \"" + typeText + "\"");
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj a;
  if (!readKind(id, kKindExternal, a)) return CliRefused();
  TChannelEntry e;
  e.accountId = id;
  e.name = name;
  e.closed = closed;
  e.payment = type == QLatin1String("P");
  e.receipt = type == QLatin1String("R");
  e.note = note;
  TChannel saved;
  if (!SaveChannel(e, saved)) return CliRefused();
  CliOut("Added channel #" + QString::number(saved.chnum) + " \"" + saved.name + "\"");
  return CliCommitted();
}

int runChannelDelete(CliContext& ctx) {
  int32_t chnum = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), chnum))
    return CliUsage(QStringLiteral("channel delete DIR CHNUM"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TChannel ch;
  if (!ReadChannel(chnum, ch)) {
    CliErr("Channel " + QString::number(chnum) + " not found");
    return CliRefused();
  }
  if (!DeleteChannel(chnum)) return CliRefused();
  CliOut("Deleted channel #" + QString::number(chnum));
  return CliCommitted();
}

const CliRegistration kCategories({QStringLiteral("cpty categories"),
                                   QStringLiteral("DIR ID [--sale] [--csv]"),
                                   QStringLiteral("a counterparty's categories: preferred, hidden, "
                                                  "closed (purchases; --sale: sales)"),
                                   runCategories});
const CliRegistration kChannelList({QStringLiteral("channel list"),
                                    QStringLiteral("DIR ACCOUNT [--direction P|R] [--csv]"),
                                    QStringLiteral("an external account's channels"),
                                    runChannelList});
const CliRegistration kChannelAdd(
    {QStringLiteral("channel add"),
     QStringLiteral("DIR ACCOUNT --name NAME [--type P|R|X] [--closed] [--note TEXT]"),
     QStringLiteral("add a channel to an external account"), runChannelAdd});
const CliRegistration kChannelDelete({QStringLiteral("channel delete"), QStringLiteral("DIR CHNUM"),
                                      QStringLiteral("delete a channel no transaction uses "
                                                     "(asks as the screens do)"),
                                      runChannelDelete});

}  // namespace
