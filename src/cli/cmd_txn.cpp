// vorbek-cli txn add / show / delete / cancel / uncancel, ccy add / list,
// rate set / list: transactions, currencies and rates through the ledger's
// own operations and checks.
#include <QRegularExpression>
#include <QSqlQuery>

#include "cli/batch_prompter.h"
#include "cli/cli_args.h"
#include "cli/cli_entry.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/channels.h"
#include "ledger/currencies.h"
#include "ledger/entry.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

// The row and its postings, as the details screen would show them.
void printTxn(int32_t id) {
  TTxn t;
  if (!ReadTxn(id, t)) {
    CliErr("txn not found " + QString::number(id));
    return;
  }
  CliOut("Txn #" + QString::number(t.id) + " " + TxnTypeName(t.type) +
         (t.cancelled ? QStringLiteral(" (cancelled)") : QString()));
  CliOut("Date " + DateRecToTextOrBlank(t.txnDate) +
         (t.postingDate.isZero() ? QString() : "  posting date " + DateRecToText(t.postingDate)));
  CliOut("Amount " + FormatAmount(t.amount) + " " + t.ccy + "  value " + FormatAmount(t.value) +
         "  rate " + FormatRate(t.rate));
  auto acc = [](int32_t accId, const QString& name) {
    return accId > 0 ? "#" + QString::number(accId) + " " + name : QStringLiteral("-");
  };
  CliOut("Accounts " + acc(t.accId1, t.accName1) + " / " + acc(t.accId2, t.accName2) + " / " +
         acc(t.accId4, t.accName4));
  CliOut("Reference " + t.reference);
  CliOut("Description " + t.narrative);
  if (t.batch != 0) CliOut("Batch " + QString::number(t.batch));
  if (t.instance > 0)
    CliOut("Instance " + QString::number(t.instance) + " of repeater " +
           QString::number(t.masterId));
  QSqlQuery q = RunQuery(
      QStringLiteral("select p.objid, a.name, p.pstgdate, p.amt, p.ccy, p.val, p.contra, p.seq "
                     "from pstg p left join account a on a.id = p.objid "
                     "where p.txnid = ? order by p.objid"),
      {id});
  QStringList lines;
  while (q.next()) {
    lines << QStringLiteral("  %1 %2 %3 %4 %5 value %6 contra %7")
                 .arg(q.value(0).toString(), q.value(1).toString().trimmed(),
                      CliDateText(q.value(2).toInt()), FormatAmount(q.value(3).toLongLong()),
                      q.value(4).toString().trimmed(), FormatAmount(q.value(5).toLongLong()),
                      q.value(6).toString());
  }
  CliOut("Postings");
  for (const QString& l : lines) CliOut(l);
}

// Opens the books; a transaction the ledger wants shown (a straddle) is printed,
// and an archive copy is announced and frozen as the application does.
bool openBooks(const QString& dir) {
  SetShowTransactionHook(printTxn);
  InstallArchiveState();
  return CliOpenBooks(dir);
}

// ----------------------------------------------------------------- txn add

const QString kAddUsage = QStringLiteral(
    "DIR --type P|R|C|D|Z --date yyyy-mm-dd [--pdate yyyy-mm-dd] --amount AMOUNT [--ccy CCY] "
    "[--ext ID] [--cpty ID] [--int ID] [--to ID] [--credit] [--cashback ACC AMOUNT] "
    "[--split CTGY2 AMOUNT2] [--fx ACC FAMOUNT [--commission AMOUNT] [--fx-rate TEXT]] "
    "[--batch new|N] [--cancelled] [--channel CHNUM] [--ref TEXT] [--desc TEXT]");

// "--name A B": 1 when taken, 0 when absent, -1 when a value is missing.
int takePair(CliContext& ctx, const QString& name, QString& a, QString& b) {
  const qsizetype i = ctx.args.indexOf(name);
  if (i < 0) return 0;
  if (i + 2 >= ctx.args.size()) return -1;
  a = ctx.args.at(i + 1);
  b = ctx.args.at(i + 2);
  ctx.args.remove(i, 3);
  return 1;
}

// Diary entries and reconciled balances are not entries of the form: written
// directly, with the ledger's own checks.
int addDiaryOrReconciled(QChar code, const QString& dir, const TDateRec& date, int64_t amount,
                         int32_t ext, const QString& ccyOption, const QString& ref,
                         const QString& desc) {
  if (!openBooks(dir)) return 1;
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return CliRefused();
  TTxn t = NewTxn();
  t.type = code;
  t.txnDate = date;
  t.amount = amount;
  t.reference = CutToWidth(ref, kRefWidth);
  t.narrative = CutToWidth(desc, kNarrativeWidth);
  if (code == QChar('Z')) t.accId1 = ext;
  if (t.accId1 != 0 && !LocateAccount(t.accId1)) {
    ShowInfo("Account #" + QString::number(t.accId1) + " not found - transaction not written");
    return CliRefused();
  }
  TObj first;
  if (t.accId1 > 0 && !ReadAccount(t.accId1, first)) return CliRefused();
  t.ccy = !ccyOption.isEmpty()
              ? ccyOption
              : (t.accId1 > 0 ? first.ccy.trimmed() : Session().settings.baseCurrency);
  if (!LocateCurrency(t.ccy)) {
    CliErr("vorbek-cli: currency " + t.ccy + " is not in the currency table");
    return CliRefused();
  }
  if (code == QChar('Z')) {
    Session().workingCurrency = t.ccy;  // as the statement screen does for its account
    const int32_t id = WriteReconciledBalance(ext, date, amount);
    if (id == 0) return CliRefused();
    CliOut("Added txn #" + QString::number(id));
    return CliCommitted();
  }
  if (!SetTxnValue(t) || !CheckNewTxn(t) || !WriteTransaction(t)) return CliRefused();
  CliOut("Added txn #" + QString::number(t.id));
  return CliCommitted();
}

int runAdd(CliContext& ctx) {
  const QString line = "txn add " + kAddUsage;
  QString typeText, dateArg, pdateArg, amountText, ccyText, extText, cptyText, intText, toText;
  QString ref, desc, cashAcc, cashAmount, splitCtgy, splitAmount, fxAcc, fxAmount, commission;
  QString fxRate, batchText, channelText;
  const bool hasType = ctx.takeOption(QStringLiteral("--type"), typeText);
  const bool hasDate = ctx.takeOption(QStringLiteral("--date"), dateArg);
  const bool hasPdate = ctx.takeOption(QStringLiteral("--pdate"), pdateArg);
  const bool hasAmount = ctx.takeOption(QStringLiteral("--amount"), amountText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  const bool hasExt = ctx.takeOption(QStringLiteral("--ext"), extText);
  const bool hasCpty = ctx.takeOption(QStringLiteral("--cpty"), cptyText);
  const bool hasInt = ctx.takeOption(QStringLiteral("--int"), intText);
  const bool hasTo = ctx.takeOption(QStringLiteral("--to"), toText);
  const bool credit = ctx.takeFlag(QStringLiteral("--credit"));
  const bool cancelled = ctx.takeFlag(QStringLiteral("--cancelled"));
  const int hasCashback = takePair(ctx, QStringLiteral("--cashback"), cashAcc, cashAmount);
  const int hasSplit = takePair(ctx, QStringLiteral("--split"), splitCtgy, splitAmount);
  const int hasFx = takePair(ctx, QStringLiteral("--fx"), fxAcc, fxAmount);
  const bool hasCommission = ctx.takeOption(QStringLiteral("--commission"), commission);
  const bool hasFxRate = ctx.takeOption(QStringLiteral("--fx-rate"), fxRate);
  const bool hasBatch = ctx.takeOption(QStringLiteral("--batch"), batchText);
  const bool hasChannel = ctx.takeOption(QStringLiteral("--channel"), channelText);
  ctx.takeOption(QStringLiteral("--ref"), ref);
  ctx.takeOption(QStringLiteral("--desc"), desc);
  if (!hasType || !(hasDate || hasPdate) || ctx.args.size() != 1 || hasCashback < 0 ||
      hasSplit < 0 || hasFx < 0)
    return CliUsage(line);

  const QString type = typeText.toUpper();
  static const QStringList kTypes{"P", "R", "C", "D", "Z"};
  if (!kTypes.contains(type)) return CliBad("--type must be one of P, R, C, D, Z");
  const QChar code = type.at(0);
  QString ccy;
  if (hasCcy && !ParseCliCurrency(ccyText, ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");
  int32_t ext = 0, cpty = 0, internal = 0, to = 0, cash = 0, ctgy2 = 0, fxAccount = 0;
  if (hasExt && !ParseCliId(extText, ext)) return CliBad("--ext needs an account id");
  if (hasCpty && !ParseCliId(cptyText, cpty)) return CliBad("--cpty needs an account id");
  if (hasInt && !ParseCliId(intText, internal)) return CliBad("--int needs an account id");
  if (hasTo && !ParseCliId(toText, to)) return CliBad("--to needs an account id");
  if (hasCashback > 0 && !ParseCliId(cashAcc, cash))
    return CliBad("--cashback needs an account id");
  if (hasSplit > 0 && !ParseCliId(splitCtgy, ctgy2)) return CliBad("--split needs an account id");
  if (hasFx > 0 && !ParseCliId(fxAcc, fxAccount)) return CliBad("--fx needs an account id");
  const bool pr = code == QChar('P') || code == QChar('R');
  if ((credit || hasCashback > 0 || hasSplit > 0 || hasFx > 0) && !pr)
    return CliBad("--credit, --cashback, --split and --fx go with a payment or receipt");
  if ((hasCommission || hasFxRate) && hasFx == 0)
    return CliBad("--commission and --fx-rate go with --fx");
  if (!hasAmount && code != QChar('D')) return CliUsage(line);
  int32_t channel = 0;
  if (hasChannel && !ParseCliId(channelText, channel, true))
    return CliBad("--channel needs a channel number");
  if (hasChannel && (code == QChar('D') || code == QChar('Z')))
    return CliBad("--channel goes with a payment, receipt or transfer");

  if (code == QChar('D') || code == QChar('Z')) {
    TDateRec date;
    if (!ParseDateText(dateArg, date))
      return CliBad("--date needs yyyy-mm-dd, not \"" + dateArg + "\"");
    int64_t amount = 0;
    if (hasAmount && !ParseAmount(amountText, amount))
      return CliBad("--amount needs an amount, not \"" + amountText + "\"");
    if (code == QChar('Z') && !hasExt) return CliUsage(line);
    return addDiaryOrReconciled(code, ctx.args.first(), date, amount, ext, hasCcy ? ccy : QString(),
                                ref, desc);
  }

  if (!openBooks(ctx.args.first())) return 1;
  if (FrozenRefusal(QStringLiteral("enter new transactions"))) return CliRefused();

  // The form's contents, as a user would fill it in.
  TEntry e;
  e.mode = QChar('N');
  e.actualTicked = hasDate;
  e.actualText = dateArg;
  e.postingTicked = hasPdate;
  e.postingText = pdateArg;
  e.amountText = amountText;
  e.description = desc;
  e.reference = ref;
  e.cancelled = cancelled;
  TObj first;
  const bool firstRead = ext != 0 && ReadAccount(ext, first);
  if (code == QChar('C')) {
    SetCliTransfer(e, ext, to, firstRead, first);
  } else {
    e.type = hasFx > 0            ? EntryType::Fx
             : code == QChar('P') ? EntryType::Payment
                                  : EntryType::Receipt;
    e.fxType = code == QChar('P') ? EntryFxType::Buy : EntryFxType::Sell;
    e.payment = credit ? EntryPayment::Credit : EntryPayment::Cash;
    e.externalAccount = ext;
    e.counterparty = cpty;
    e.internalAccount = internal;
  }
  e.externalChannel = channel;
  e.ccy = CliEntryCurrency(hasCcy ? ccy : QString(), firstRead, first);
  if (hasCashback > 0) e.cashback = TEntryCashback{true, cash, cashAmount};
  if (hasSplit > 0) e.split = TEntrySplit{true, amountText, QString(), splitAmount, ctgy2};
  if (hasFx > 0) {
    TObj foreign;
    e.fx.foreignAccount = fxAccount;
    e.fx.foreignCcy = ReadAccount(fxAccount, foreign) ? foreign.ccy.trimmed() : QString();
    e.fx.foreignAmountText = fxAmount;
    e.fx.commissionText = commission;
    e.fx.rateText = fxRate;
  }
  if (hasBatch) {
    if (batchText.toLower() == QLatin1String("new"))
      e.batch.choice = EntryBatch::New;
    else
      e.batch = TEntryBatchPage{EntryBatch::AddToExisting, batchText};
  }
  if (channel > 0) {
    // A channel is a way of using one external account: that of the entry.
    TChannel ch;
    if (!ReadChannel(channel, ch)) {
      CliErr("Channel " + QString::number(channel) + " not found");
      return CliRefused();
    }
    if (ch.accId != ext) {
      CliErr("vorbek-cli: channel " + QString::number(channel) + " belongs to account " +
             QString::number(ch.accId) + ", not " + QString::number(ext));
      return CliRefused();
    }
  }
  TEntrySaved saved;
  if (!SaveEntry(e, saved)) return CliRefused();
  for (int32_t id : saved.ids) CliOut("Added txn #" + QString::number(id));
  return CliCommitted();
}

// ----------------------------------------------------------------- txn show / delete / cancel

int runShow(CliContext& ctx) {
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args[1], id)) return CliUsage("txn show DIR ID");
  if (!openBooks(ctx.args.first())) return 1;
  const bool found = LocateTxn(id);
  if (found)
    printTxn(id);
  else
    CliErr("txn not found " + QString::number(id));
  CloseDatabase(false);
  return found ? 0 : 1;
}

int runChange(CliContext& ctx, const QString& verb) {
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args[1], id))
    return CliUsage("txn " + verb + " DIR ID");
  if (!openBooks(ctx.args.first())) return 1;
  bool ok = false;
  if (verb == "delete")
    ok = DeleteTransaction(id);
  else
    ok = CancelTransaction(id, verb == "cancel");
  if (!ok) return CliRefused();
  CliOut((verb == "delete"   ? "Deleted"
          : verb == "cancel" ? "Cancelled"
                             : "Uncancelled") +
         QString(" txn #") + QString::number(id));
  return CliCommitted();
}

// ----------------------------------------------------------------- currencies and rates

int runCcyAdd(CliContext& ctx) {
  QString name;
  ctx.takeOption(QStringLiteral("--name"), name);
  QString code;
  if (ctx.args.size() != 2) return CliUsage("ccy add DIR CODE [--name NAME]");
  if (!ParseCliCurrency(ctx.args[1], code)) return CliBad("CODE must be three letters");
  if (!openBooks(ctx.args.first())) return 1;
  if (LocateCurrency(code)) {
    CliErr("vorbek-cli: currency " + code + " exists already");
    return CliRefused();
  }
  if (!InsertCurrency(TCcy{code, name.left(kCcyNameWidth), false})) return CliRefused();
  CliOut("Added currency " + code);
  return CliCommitted();
}

int runCcyList(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage("ccy list DIR");
  if (!openBooks(ctx.args.first())) return 1;
  QSqlQuery q = RunQuery(QStringLiteral("select c.id, c.name, c.base from ccy c order by c.id"));
  QList<TCellRow> rows;
  while (q.next())
    rows << TCellRow{TextCell(q.value(0).toString().trimmed()), TextCell(q.value(1).toString()),
                     TextCell(q.value(2).toInt() == 1 ? QStringLiteral("base") : QString())};
  q.finish();
  CliTable(ctx, {"Code", "Name", "Base"}, rows);
  CloseDatabase(false);
  return 0;
}

int runRateSet(CliContext& ctx) {
  if (ctx.args.size() != 4) return CliUsage("rate set DIR CCY yyyy-mm-dd RATE");
  QString code;
  if (!ParseCliCurrency(ctx.args[1], code)) return CliBad("CCY must be three letters");
  TDateRec date;
  if (!ParseDateText(ctx.args[2], date)) return CliBad("the date must be yyyy-mm-dd");
  if (!openBooks(ctx.args.first())) return 1;
  if (!LocateCurrency(code)) {
    CliErr("vorbek-cli: currency " + code + " is not in the currency table");
    return CliRefused();
  }
  if (code == Session().settings.baseCurrency.trimmed()) {
    CliErr("vorbek-cli: the base currency's rate is always 1");
    return CliRefused();
  }
  double check = 0;
  if (!ParseFloatOrZero(ctx.args[3], check)) {
    CliErr("vorbek-cli: RATE must be a number, not \"" + ctx.args[3] + "\"");
    return CliRefused();
  }
  if (!AddRate(code, DateRecToYmd(date), ctx.args[3])) return CliRefused();
  CliOut("Rate " + code + " " + DateRecToText(date) + " " + FormatRate(check));
  return CliCommitted();
}

int runRateList(CliContext& ctx) {
  if (ctx.args.size() != 1 && ctx.args.size() != 2) return CliUsage("rate list DIR [CCY]");
  QString code;
  if (ctx.args.size() == 2 && !ParseCliCurrency(ctx.args[1], code))
    return CliBad("CCY must be three letters");
  if (!openBooks(ctx.args.first())) return 1;
  QString sql = QStringLiteral("select r.ccycode, r.rdate, r.rate from rate r");
  QVariantList binds;
  if (!code.isEmpty()) {
    sql += QStringLiteral(" where r.ccycode = ?");
    binds << code;
  }
  sql += QStringLiteral(" order by r.ccycode, r.rdate");
  QSqlQuery q = RunQuery(sql, binds);
  QList<TCellRow> rows;
  while (q.next())
    rows << TCellRow{TextCell(q.value(0).toString().trimmed()), DateCell(q.value(1).toInt()),
                     TextCell(FormatRate(q.value(2).toDouble()))};
  q.finish();
  CliTable(ctx, {"Ccy", "Date", "Rate"}, rows);
  CloseDatabase(false);
  return 0;
}

const CliRegistration kTxnAdd({QStringLiteral("txn add"), kAddUsage,
                               QStringLiteral("enter a transaction with the entry form's checks"),
                               runAdd});
const CliRegistration kTxnShow({QStringLiteral("txn show"), QStringLiteral("DIR ID"),
                                QStringLiteral("a transaction and its postings"), runShow});
const CliRegistration kTxnDelete({QStringLiteral("txn delete"), QStringLiteral("DIR ID"),
                                  QStringLiteral("delete a transaction (asks as the screens do)"),
                                  [](CliContext& c) { return runChange(c, "delete"); }});
const CliRegistration kTxnCancel({QStringLiteral("txn cancel"), QStringLiteral("DIR ID"),
                                  QStringLiteral("cancel a transaction (postings kept at zero)"),
                                  [](CliContext& c) { return runChange(c, "cancel"); }});
const CliRegistration kTxnUncancel({QStringLiteral("txn uncancel"), QStringLiteral("DIR ID"),
                                    QStringLiteral("reinstate a cancelled transaction"),
                                    [](CliContext& c) { return runChange(c, "uncancel"); }});
const CliRegistration kCcyAdd({QStringLiteral("ccy add"), QStringLiteral("DIR CODE [--name NAME]"),
                               QStringLiteral("add a currency"), runCcyAdd});
const CliRegistration kCcyList({QStringLiteral("ccy list"), QStringLiteral("DIR [--csv]"),
                                QStringLiteral("currencies, the base one marked"), runCcyList});
const CliRegistration kRateSet({QStringLiteral("rate set"),
                                QStringLiteral("DIR CCY yyyy-mm-dd RATE"),
                                QStringLiteral("store a rate (units of CCY per 1 base unit)"),
                                runRateSet});
const CliRegistration kRateList({QStringLiteral("rate list"), QStringLiteral("DIR [CCY] [--csv]"),
                                 QStringLiteral("stored rates"), runRateList});

}  // namespace
