// vorbek-cli balances view: the balances window's list of one kind of
// account (its rows, columns and totals) from the same report.
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/rebalance.h"
#include "reports/balances_list.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

const QString kLine = QStringLiteral(
    "balances view DIR --kind external|internal|counterparty [--group ID | --flat] "
    "[--filter active|recent|available|all] [--ccy CCY] [--equivalent] [--csv]");

TCell cellOf(int c, const TBalanceRow& r, const QString& text) {
  if (text.isEmpty() || c < kBalDbBfd || c > kBalBalance || c == kBalWarning)
    return c == kBalLastPosted ? DateCell(r.lastPstgDate) : TextCell(text);
  switch (c) {
    case kBalDbBfd:
      return AmountCell(r.bfd);
    case kBalPrePeriod:
      return AmountCell(r.prePeriod);
    case kBalPeriodBfd:
      return AmountCell(r.periodBfd);
    case kBalPayments:
      return AmountCell(r.payments);
    case kBalReceipts:
      return AmountCell(r.receipts);
    case kBalTransfers:
      return AmountCell(r.transfersCounted());
    case kBalNet:
      return AmountCell(r.net());
    default:
      return AmountCell(r.closing());
  }
}

int runBalancesView(CliContext& ctx) {
  QString kindText, groupText, filterText, ccyText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  const bool hasGroup = ctx.takeOption(QStringLiteral("--group"), groupText);
  const bool flat = ctx.takeFlag(QStringLiteral("--flat"));
  const bool hasFilter = ctx.takeOption(QStringLiteral("--filter"), filterText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  const bool equivalent = ctx.takeFlag(QStringLiteral("--equivalent"));
  if (ctx.args.size() != 1 || !hasKind) return CliUsage(kLine);
  const QString k = kindText.toLower();
  const int kind = k == "external" ? 1 : k == "internal" ? 6 : k == "counterparty" ? 4 : 0;
  if (kind == 0)
    return CliBad("--kind needs external, internal or counterparty, not \"" + kindText + "\"");
  if (hasGroup && flat) return CliBad(QStringLiteral("--group and --flat exclude each other"));
  int32_t groupId = 0;
  if (hasGroup && !ParseCliId(groupText, groupId))
    return CliBad("--group needs a group id, not \"" + groupText + "\"");
  BalancesFilter filter = BalancesFilter::Active;
  if (hasFilter) {
    const QString f = filterText.toLower();
    if (f == "active")
      filter = BalancesFilter::Active;
    else if (f == "recent")
      filter = BalancesFilter::Recent;
    else if (f == "available")
      filter = BalancesFilter::Available;
    else if (f == "all")
      filter = BalancesFilter::All;
    else
      return CliBad("--filter needs active, recent, available or all, not \"" + filterText + "\"");
  }
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");
  if (hasCcy && kind == 6)
    return CliBad(QStringLiteral("--ccy: internal accounts are listed in the base currency"));

  if (!CliOpenBooks(ctx.args.first())) return 1;
  const TSession& s = Session();
  if (hasGroup) {
    TObj g;
    if (!ReadAccount(groupId, g)) return CliRefused();
    if (!g.isGroup || g.baseKind != kind) {
      CliErr("vorbek-cli: #" + QString::number(groupId) + " is not a group of " +
             AccountKindName(kind, 'L', 'P').trimmed());
      return CliRefused();
    }
    // An external group's own currency, as the window opens it.
    if (kind == 1 && !hasCcy) ccy = g.ccy.trimmed();
  }
  if (ccy.isEmpty()) ccy = kind == 6 ? s.settings.baseCurrency : s.workingCurrency;

  // As the window does with amounts shown: stale summaries are rebuilt first.
  const bool rebuilt = RebalanceNeeded();
  if (!RebalanceIfNeeded()) {
    CliErr(QStringLiteral(
        "vorbek-cli: the summaries are out of date and the rebalance did not complete"));
    return CliRefused();
  }

  TBalancesQuery q;
  q.kind = kind;
  q.groupId = groupId;
  q.grouped = !flat;
  q.filter = filter;
  q.order = flat ? BalancesOrder::GroupName : BalancesOrder::Name;
  q.ccy = ccy;
  q.equivalent = equivalent && ccy != s.settings.baseCurrency;
  q.amountsShown = true;
  q.dormantCutoff = s.dormantCutoff;
  q.balFrom = s.periodFrom;
  q.balTo = s.periodTo;
  QList<TBalanceRow> rows;
  if (!ListBalances(q, rows)) return CliRefused();

  TBalancesShown shown;
  shown.balances = kind != 4;
  shown.movements = true;
  shown.washCategories = s.settings.washCtgies;
  shown.periodTo = s.periodTo;
  QList<int> columns;
  if (flat) columns << kBalGroup;
  for (int c = 0; c < kBalColumns; ++c)
    if (c != kBalGroup && BalancesColumnVisible(c, kind, !flat, shown)) columns << c;
  const QStringList captions = BalancesHeader();
  QStringList header{QStringLiteral("Id")};
  for (int c : columns) header << captions[c].trimmed();
  QList<TCellRow> cells;
  for (const TBalanceRow& r : rows) {
    const QStringList texts = BalanceRowTexts(r, shown);
    TCellRow row{IntCell(r.id)};
    for (int c : columns) row << cellOf(c, r, texts[c]);
    cells << row;
  }
  if (!CliMachineOutput(ctx)) {
    QString title = BalancesCaption(kind, ccy) + "  Period " + YmdToText(s.periodFrom) + " to " +
                    YmdToText(s.periodTo);
    if (groupId > 0) title += "  Group " + BalancesGroupHeader(groupId).trimmed();
    CliOut(title);
  }
  CliTable(ctx, header, cells);
  if (!CliMachineOutput(ctx)) {
    const TBalancesTotals t = SumBalances(rows, kind != 4);
    QString line = QString::number(rows.size()) + " items";
    if (shown.balances) line += "  Period b/fd " + FormatAmountSigned(t.periodBfd);
    line += "  Payments " + FormatAmountSigned(t.payments) + "  Receipts " +
            FormatAmountSigned(t.receipts);
    if (kind != 4) line += "  Transfers " + FormatAmountSigned(t.transfers);
    line += "  Net " + FormatAmountSigned(t.net());
    if (shown.balances) line += "  Balance " + FormatAmountSigned(t.balance());
    CliOut(line);
  }
  if (rebuilt) return CliCommitted();
  CloseDatabase(false);  // looking does not count as using the books
  return 0;
}

const CliRegistration kBalancesView(
    {QStringLiteral("balances view"),
     QStringLiteral("DIR --kind external|internal|counterparty [--group ID | --flat] "
                    "[--filter active|recent|available|all] [--ccy CCY] [--equivalent] [--csv]"),
     QStringLiteral("the balances window's list of one kind with its totals (rebalancing first "
                    "when the summaries are stale)"),
     runBalancesView});

}  // namespace
