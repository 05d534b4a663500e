// vorbek-cli rebalance / balances / statement: the period summaries rebuilt
// and listed, and one account's postings with their running balances.
#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/rebalance.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

QString periodText() {
  return YmdToText(Session().periodFrom) + " to " + YmdToText(Session().periodTo);
}

// ------------------------------------------------------------ rebalance

int runRebalance(CliContext& ctx) {
  const QString line = QStringLiteral("rebalance DIR [--from yyyy-mm-dd --to yyyy-mm-dd]");
  QString fromText, toText;
  const bool hasFrom = ctx.takeOption(QStringLiteral("--from"), fromText);
  const bool hasTo = ctx.takeOption(QStringLiteral("--to"), toText);
  if (ctx.args.size() != 1 || hasFrom != hasTo) return CliUsage(line);
  int32_t from = 0, to = 0;
  if (hasFrom) {
    if (!ParseCliDate(fromText, from))
      return CliBad("--from needs a date yyyy-mm-dd, not \"" + fromText + "\"");
    if (!ParseCliDate(toText, to))
      return CliBad("--to needs a date yyyy-mm-dd, not \"" + toText + "\"");
    if (from > to) return CliBad("--from must not be after --to");
  }

  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (hasFrom) {
    SetPeriodDates(from, to);
    SetRebalanceNeeded(true);  // the summaries belong to another period now
  }
  if (!Rebalance()) {
    CliErr(QStringLiteral("vorbek-cli: the rebalance did not complete"));
    return CliRefused();
  }
  CliOut("Rebalanced " + periodText() + ": " + QString::number(CountAll(QStringLiteral("movtg"))) +
         " summary rows");
  return CliCommitted();
}

// ------------------------------------------------------------- balances

int runBalances(CliContext& ctx) {
  const QString line = QStringLiteral("balances DIR [--kind KIND] [--ccy CCY] [--csv]");
  QString kindText, ccyText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  if (ctx.args.size() != 1) return CliUsage(line);
  int kind = 0;
  if (hasKind && !ParseCliKind(kindText, kind)) return CliBadKind(kindText);
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  // As the balances view does: stale summaries are rebuilt before they are shown.
  const bool rebuilt = RebalanceNeeded();
  if (!RebalanceIfNeeded()) {
    CliErr(
        QStringLiteral("vorbek-cli: the summaries are out of date and the rebalance did not "
                       "complete"));
    return CliRefused();
  }
  QString sql = QStringLiteral(
      "select g.accid, o.name, o.path, o.type2, g.ccy, g.amtval, g.bfd, g.prepdnet, g.pdpayts, "
      "g.pdrcpts, g.pdtfrs, g.pdcfd from movtg g join account o on o.id = g.accid where 1 = 1");
  QVariantList binds;
  if (hasKind) {
    sql += QStringLiteral(" and o.type2 = ?");
    binds << kind;
  }
  if (hasCcy) {
    sql += QStringLiteral(" and g.ccy = ?");
    binds << ccy;
  }
  sql += QStringLiteral(" order by o.type2, o.path, o.name, g.accid, g.ccy, g.amtval");
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) return CliRefused();
  QList<TCellRow> rows;
  while (q.next()) {
    TCellRow r{IntCell(q.value(0).toInt()),
               TextCell(q.value(1).toString()),
               TextCell(q.value(2).toString().trimmed()),
               TextCell(CliKindWord(q.value(3).toInt())),
               TextCell(q.value(4).toString().trimmed()),
               TextCell(q.value(5).toString().trimmed())};
    for (int c = 6; c < 12; ++c) r << AmountCell(q.value(c).toLongLong());
    rows << r;
  }
  q.finish();
  if (!CliMachineOutput(ctx)) CliOut("Period " + periodText());
  CliTable(ctx,
           {QStringLiteral("Id"), QStringLiteral("Name"), QStringLiteral("Path"),
            QStringLiteral("Kind"), QStringLiteral("Ccy"), QStringLiteral("A/V"),
            QStringLiteral("B/fd"), QStringLiteral("Pre-period"), QStringLiteral("Payments"),
            QStringLiteral("Receipts"), QStringLiteral("Transfers"), QStringLiteral("C/fd")},
           rows);
  if (rebuilt) return CliCommitted();
  CloseDatabase(false);  // looking does not count as using the books
  return 0;
}

// ------------------------------------------------------------ statement

int runStatement(CliContext& ctx) {
  const QString line = QStringLiteral("statement DIR ACCOUNT [--ccy CCY] [--csv]");
  QString ccyText;
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  bool isId = false;
  const int32_t id = ctx.args.size() == 2 ? ctx.args[1].toInt(&isId) : 0;
  if (ctx.args.size() != 2 || !isId || id <= 0) return CliUsage(line);
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj a;
  if (!ReadAccount(id, a)) return CliRefused();
  if (!CalcRunningBalances(id) || !CommitIfActive()) return CliRefused();
  if (!hasCcy) ccy = a.ccy.trimmed();
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select p.pstgdate, p.txnid, p.txntype, p.amt, p.rngbal, p.dppstgdate, "
                     "p.dprngbal from pstg p where p.ccy = ? and p.objid = ? "
                     "order by p.ccy, p.objid, p.pstgdate, p.seq"),
      {ccy, id}, &ok);
  if (!ok) return CliRefused();
  QList<TCellRow> rows;
  while (q.next()) {
    rows << TCellRow{DateCell(q.value(0).toInt()),
                     IntCell(q.value(1).toInt()),
                     TextCell(q.value(2).toString().trimmed()),
                     AmountCell(q.value(3).toLongLong()),
                     AmountCell(q.value(4).toLongLong()),
                     FlagCell(q.value(5).toInt() != 0),
                     FlagCell(q.value(6).toInt() != 0)};
  }
  q.finish();
  if (!CliMachineOutput(ctx))
    CliOut("#" + QString::number(a.id) + " " + a.name + " " + ccy + " opening " +
           FormatAmount(a.openingBalance));
  CliTable(ctx,
           {QStringLiteral("Date"), QStringLiteral("Txn"), QStringLiteral("Type"),
            QStringLiteral("Amount"), QStringLiteral("Balance"), QStringLiteral("FirstOfDate"),
            QStringLiteral("BalanceShown")},
           rows);
  return CliCommitted();
}

const CliRegistration kRebalance({QStringLiteral("rebalance"),
                                  QStringLiteral("DIR [--from yyyy-mm-dd --to yyyy-mm-dd]"),
                                  QStringLiteral("rebuild the period summaries (setting the "
                                                 "period first when given)"),
                                  runRebalance});
const CliRegistration kBalances({QStringLiteral("balances"),
                                 QStringLiteral("DIR [--kind KIND] [--ccy CCY] [--csv]"),
                                 QStringLiteral("period summaries of accounts and groups "
                                                "(rebalancing first when they are stale)"),
                                 runBalances});
const CliRegistration kStatement({QStringLiteral("statement"),
                                  QStringLiteral("DIR ACCOUNT [--ccy CCY] [--csv]"),
                                  QStringLiteral("an account's postings with running balances"),
                                  runStatement});

}  // namespace
