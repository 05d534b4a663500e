// vorbek-cli repeater add / list: a repeater master saved as the entry form
// saves one (then its instances generated), and the repeaters list.
#include <QRegularExpression>
#include <QSqlQuery>

#include "cli/batch_prompter.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
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
  QString incText = QStringLiteral("1"), countText = QStringLiteral("0"), endText;
  QString remindText = QStringLiteral("0"), desc, ref;
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
  const bool hasEnd = ctx.takeOption(QStringLiteral("--end"), endText);
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
  int64_t amount = 0;
  if (!ParseAmount(amountText, amount))
    return CliBad("--amount needs an amount, not \"" + amountText + "\"");
  if (amount < 0) return CliBad("Amount must be >= 0");
  int32_t from = 0, to = 0, cpty = 0, inc = 0, count = 0, remind = 0;
  if (!ParseCliId(fromText, from)) return CliBad("--from needs an account id");
  if (!ParseCliId(toText, to)) return CliBad("--to needs an account id");
  if (hasCpty && !ParseCliId(cptyText, cpty)) return CliBad("--cpty needs an account id");
  if (code != QChar('C') && !hasCpty) return CliBad("a payment or receipt needs --cpty");
  if (!ParseCliCount(incText, inc) || inc > 100) return CliBad("--inc needs a number from 0 to 100");
  if (!ParseCliCount(countText, count)) return CliBad("--count needs a number");
  if (!ParseCliCount(remindText, remind)) return CliBad("--remind needs a number of days");
  TDateRec start, end;
  if (!ParseDateText(startText, start))
    return CliBad("--start needs yyyy-mm-dd, not \"" + startText + "\"");
  if (hasEnd && !ParseDateText(endText, end))
    return CliBad("--end needs yyyy-mm-dd, not \"" + endText + "\"");
  static const QRegularExpression ccyRe(QStringLiteral("^[A-Za-z]{3}$"));
  if (hasCcy && !ccyRe.match(ccyText).hasMatch())
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return CliRefused();

  TTxn t = NewTxn();
  t.status = 1;
  t.type = code;
  t.amount = amount;
  t.reference = ref.left(kRefWidth);
  t.narrative = desc.left(kNarrativeWidth);
  t.txnDate = t.actualDate = t.postingDate = start;
  // As txn add: the external account first; money of a payment goes from it to
  // the internal account, that of a receipt from the internal account to it.
  if (code == QChar('C')) {
    t.accId1 = from;
    t.accId2 = to;
  } else {
    t.accId1 = code == QChar('P') ? from : to;
    t.accId4 = code == QChar('P') ? to : from;
    t.accId2 = cpty;
  }
  for (int32_t id : {t.accId1, t.accId2, t.accId4}) {
    if (id == 0 || LocateAccount(id)) continue;
    ShowInfo("Account #" + QString::number(id) + " not found - transaction not written");
    return CliRefused();
  }
  TObj first;
  if (!ReadAccount(t.accId1, first)) return CliRefused();
  t.ccy = hasCcy ? ccyText.toUpper() : first.ccy.trimmed();
  if (!LocateCurrency(t.ccy)) {
    CliErr("vorbek-cli: currency " + t.ccy + " is not in the currency table");
    return CliRefused();
  }
  for (int32_t id : {t.accId1, t.accId2, t.accId4}) {
    if (id == 0) continue;
    TObj a;
    a.id = id;
    if (!CheckAccountForTxnDate(a, start)) return CliRefused();
  }
  t.rpt = TRptSchedule();
  t.rpt.freq = freq.at(0);
  t.rpt.startDate = start;
  t.rpt.endDate = end;
  t.rpt.active = true;
  t.rpt.rptInc = inc;
  t.rpt.rptCt = count;
  t.rpt.rmDays = remind;
  if (!WriteTransaction(t) || !CommitIfActive()) return CliRefused();
  CliOut("Added repeater #" + QString::number(t.masterId));

  // As after saving a master in the entry form: its own instances follow at once.
  TRptr master;
  if (!ReadRepeater(t.masterId, master, true)) return CliRefused();
  GenerateInstances(master);
  CliOut("Generated " + QString::number(master.sched.genTo) + " instance(s)");
  return CliCommitted();
}

int runList(CliContext& ctx) {
  const bool all = ctx.takeFlag(QStringLiteral("--all"));
  if (ctx.args.size() != 1) return CliUsage("repeater list DIR [--all] [--csv]");
  if (!CliOpenBooks(ctx.args.first())) return 1;
  bool ok = false;
  QSqlQuery q = RunQuery(ActiveRepeatersSql(!all), {}, &ok);
  if (!ok) return CliRefused();
  QList<QStringList> rows;
  while (q.next()) {
    const QString type = q.value("type").toString().trimmed();
    rows << QStringList{q.value("id").toString(),
                        CliDateText(q.value("startdate").toInt()),
                        CliDateText(q.value("enddate").toInt()),
                        q.value("rptinc").toString() + q.value("freq").toString().trimmed(),
                        type.isEmpty() ? QString() : TxnTypeShortName(type.at(0)),
                        FormatAmount(q.value("amt").toLongLong()),
                        q.value("gento").toString(),
                        q.value("narrative").toString(),
                        q.value("rptactive").toInt() == 1 ? QStringLiteral("ACTIVE") : QString(),
                        q.value("accname1").toString().trimmed(),
                        q.value("accname2").toString().trimmed(),
                        q.value("accname3").toString().trimmed(),
                        q.value("accname4").toString().trimmed()};
  }
  q.finish();
  CliTable(ctx,
           {"Id", "Start", "End", "Freq", "Txn type", "Amount", "GenTo", "Description", "Active?",
            "Account 1", "Account 2", "Account 3", "Account 4"},
           rows);
  CloseDatabase(false);
  return 0;
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

}  // namespace
