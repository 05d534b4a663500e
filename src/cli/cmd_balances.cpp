// vorbek-cli rebalance / balances / statement: the period summaries rebuilt
// and listed, and one account's postings with their running balances.
#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/export_text.h"
#include "foundation/export_text.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/rebalance.h"
#include "reports/postings_list.h"
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
  const QString line = QStringLiteral(
      "statement DIR ACCOUNT [--ccy CCY] [--when all|period|period-plus] [--type P|R|C] "
      "[--channel N] [--screen] [--csv]");
  QString ccyText, whenText, typeText, channelText;
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  const bool hasWhen = ctx.takeOption(QStringLiteral("--when"), whenText);
  const bool hasType = ctx.takeOption(QStringLiteral("--type"), typeText);
  const bool hasChannel = ctx.takeOption(QStringLiteral("--channel"), channelText);
  const bool screen = ctx.takeFlag(QStringLiteral("--screen"));
  bool isId = false;
  const int32_t id = ctx.args.size() == 2 ? ctx.args[1].toInt(&isId) : 0;
  if (ctx.args.size() != 2 || !isId || id <= 0) return CliUsage(line);
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");
  // Without --when the raw listing shows everything and the screen starts at the period.
  TPostingsWhen when = screen ? TPostingsWhen::PeriodPlus : TPostingsWhen::All;
  if (hasWhen) {
    const QString w = whenText.toLower();
    if (w == "all")
      when = TPostingsWhen::All;
    else if (w == "period")
      when = TPostingsWhen::Period;
    else if (w == "period-plus")
      when = TPostingsWhen::PeriodPlus;
    else
      return CliBad("--when needs all, period or period-plus, not \"" + whenText + "\"");
  }
  QChar type(' ');
  if (hasType) {
    const QString t = typeText.toUpper();
    if (t != "P" && t != "R" && t != "C")
      return CliBad("--type needs P, R or C, not \"" + typeText + "\"");
    type = t.at(0);
  }
  int32_t channel = -1;
  if (hasChannel && !ParseCliId(channelText, channel, true))
    return CliBad("--channel needs a channel number, not \"" + channelText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj a;
  if (!ReadAccount(id, a)) return CliRefused();
  if (!hasCcy) ccy = a.ccy.trimmed();

  if (screen) {
    // What the postings window shows: the statement where the account has one.
    const bool statement = HasBfdLine(a.kind);
    const TPostingsQuery q = PostingsQueryFor(a, ccy, statement, when, type, channel);
    TBfdLine bfd;
    if (statement && (!PrepareStatement(a) || !ComputeBfd(a, q, Session().dbStartDate, bfd)))
      return CliRefused();
    QList<TPostingRow> rows;
    if (!FetchPostings(q, 0, -1, rows)) return CliRefused();
    const QList<int> shown = PostingsShownColumns(q);
    const QStringList captions = PostingsHeader(q.kind);
    QStringList header;
    for (int c : shown) header << captions[c];
    QList<QStringList> texts;
    for (const TPostingRow& r : rows) {
      const QStringList all = PostingRowTexts(r, q, bfd);
      QStringList cells;
      for (int c : shown) cells << all[c];
      texts << cells;
    }
    const QString title = PostingsExportTitle(QStringLiteral("Postings"), a.name + " ", q, bfd);
    if (ctx.csv) {
      CliOut(ExportLinesText(title, QString(), header, texts, TExportMode::Csv).chopped(1));
    } else {
      if (!ctx.json) CliOut(title);
      CliTable(ctx, header, texts);
    }
    return CliCommitted();
  }

  if (!CalcRunningBalances(id) || !CommitIfActive()) return CliRefused();
  TPostingsQuery q = PostingsQueryFor(a, ccy, true, when, type, channel);
  q.refColumn = q.ctgyColumn = q.textColumns = false;
  QList<TPostingRow> postings;
  if (!FetchPostings(q, 0, -1, postings)) return CliRefused();
  QList<TCellRow> rows;
  for (const TPostingRow& p : postings) {
    rows << TCellRow{DateCell(p.date),
                     IntCell(p.txnId),
                     TextCell(QString(p.type)),
                     AmountCell(p.amount),
                     AmountCell(p.runningBalance),
                     FlagCell(p.firstOfDay),
                     FlagCell(p.balanceShown)};
  }
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

// ------------------------------------------------------------ reconcile check

int runReconcileCheck(CliContext& ctx) {
  const QString line = QStringLiteral("reconcile check DIR [ACCOUNT] [--csv]");
  int32_t id = 0;
  if (ctx.args.isEmpty() || ctx.args.size() > 2) return CliUsage(line);
  if (ctx.args.size() == 2 && !ParseCliId(ctx.args[1], id)) return CliUsage(line);
  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (id > 0) {
    TObj a;
    if (!ReadAccount(id, a)) return CliRefused();
  }
  QList<TReconIssue> issues;
  if (!CheckReconciliation(id, issues)) return CliRefused();
  QList<TCellRow> rows;
  for (const TReconIssue& i : issues)
    rows << TCellRow{IntCell(i.accountId),
                     TextCell(i.name),
                     i.txnId ? IntCell(i.txnId) : NullIntCell(),
                     i.date ? DateCell(i.date) : TextCell(QString()),
                     TextCell(i.problem),
                     TextCell(i.stored),
                     TextCell(i.expected)};
  if (!CliMachineOutput(ctx))
    CliOut(issues.isEmpty() ? QStringLiteral("Reconciliation agrees")
                            : QString::number(issues.size()) + " reconciliation problem(s)");
  if (!issues.isEmpty() || CliMachineOutput(ctx))
    CliTable(ctx,
             {QStringLiteral("Account"), QStringLiteral("Name"), QStringLiteral("Txn"),
              QStringLiteral("Date"), QStringLiteral("Problem"), QStringLiteral("Stored"),
              QStringLiteral("Expected")},
             rows);
  const int rc = CliCommitted();
  return rc != 0 ? rc : issues.isEmpty() ? 0 : 1;
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
const CliRegistration kStatement(
    {QStringLiteral("statement"),
     QStringLiteral("DIR ACCOUNT [--ccy CCY] [--when all|period|period-plus] [--type P|R|C] "
                    "[--channel N] [--screen] [--csv]"),
     QStringLiteral("an account's postings with running balances (--screen: as the postings "
                    "window lists them; with --csv as its export to file)"),
     runStatement});
const CliRegistration kReconcileCheck(
    {QStringLiteral("reconcile check"), QStringLiteral("DIR [ACCOUNT] [--csv]"),
     QStringLiteral("reconciled balances that disagree with the running balance, and reconciled "
                    "dates that are not the latest balance's (exit 1 when any)"),
     runReconcileCheck});

}  // namespace
