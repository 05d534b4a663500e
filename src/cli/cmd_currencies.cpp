// vorbek-cli values / fx post / ccy delete / rate delete: the valuation of the
// period's closing balances and its FX gain or loss, and removing currencies
// and rates, through the same operations as the windows.
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/fx_gain_loss.h"
#include "ledger/posting.h"
#include "reports/valuation.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

const QString kValuesUsage = QStringLiteral("values DIR");
const QString kFxUsage = QStringLiteral("fx post DIR --category ID");

bool openBooks(const QString& dir) {
  SetShowTransactionHook(CliShowTransaction);
  return CliOpenBooks(dir);
}

// One table for both faces: the external rows, the internal rows, then the
// sums, told apart by the first column.
void printValuation(const CliContext& ctx, const TValuation& v) {
  const bool plain = CliMachineOutput(ctx);
  auto rateCell = [plain](double rate) {
    return TextCell(plain ? QString::number(rate, 'f', 5) : FormatRate(rate));
  };
  QList<TCellRow> rows;
  for (const TValuationExternalRow& r : v.external)
    rows << TCellRow{TextCell(QStringLiteral("external")),
                     IntCell(r.id),
                     TextCell(r.name),
                     TextCell(r.ccy),
                     rateCell(r.rate),
                     AmountCell(r.broughtForward),
                     AmountCell(r.balance),
                     AmountCell(r.value)};
  for (const TValuationInternalRow& r : v.internal)
    rows << TCellRow{TextCell(QStringLiteral("internal")),
                     IntCell(r.id),
                     TextCell(r.name),
                     TextCell(r.ccy),
                     TextCell(QString()),
                     AmountCell(r.broughtForward),
                     AmountCell(r.balance),
                     AmountCell(r.balance)};
  const QList<QPair<QString, int64_t>> sums{
      {QStringLiteral("Total Int Acc value"), v.internalTotal},
      {QStringLiteral("- base currency"), v.baseValue},
      {QStringLiteral("- foreign currency"), v.foreignValue},
      {QStringLiteral("- total"), v.total},
      {QStringLiteral("Difference (FX Gain/Loss)"), v.difference}};
  for (const auto& s : sums)
    rows << TCellRow{TextCell(QStringLiteral("sum")),
                     NullIntCell(),
                     TextCell(s.first),
                     TextCell(QString()),
                     TextCell(QString()),
                     TextCell(QString()),
                     TextCell(QString()),
                     AmountCell(s.second)};
  if (!plain) CliOut(v.caption());
  CliTable(ctx, {"Section", "Id", "Account", "Ccy", "Exch rate", "B/fd", "Balance", "Value"}, rows);
}

int runValues(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage(kValuesUsage);
  if (!openBooks(ctx.args.first())) return 1;
  const TSession& s = Session();
  TValuation v;
  if (!ComputeValuation(s.periodFrom, s.periodTo, v)) return CliRefused();
  printValuation(ctx, v);
  CloseDatabase(false);
  return 0;
}

int runFxPost(CliContext& ctx) {
  QString categoryText;
  if (!ctx.takeOption(QStringLiteral("--category"), categoryText) || ctx.args.size() != 1)
    return CliUsage(kFxUsage);
  int32_t category = 0;
  if (!ParseCliId(categoryText, category))
    return CliBad("--category needs an account id, not \"" + categoryText + "\"");
  if (!openBooks(ctx.args.first())) return 1;
  const TSession& s = Session();
  TValuation v;
  if (!ComputeValuation(s.periodFrom, s.periodTo, v)) return CliRefused();
  if (v.difference == 0) {
    CliErr(QStringLiteral("vorbek-cli: nothing to post, the difference is 0.00"));
    return CliRefused();
  }
  if (!FxPostAllowed(v.to) || FrozenRefusal(QStringLiteral("post FX gain"))) return CliRefused();
  TObj account;
  if (LocateAccount(category) && ReadAccount(category, account) && account.kind != 3) {
    CliErr("vorbek-cli: account #" + QString::number(category) + " is not a category");
    return CliRefused();
  }
  if (!AskYes(QStringLiteral("Create FX Gain/Loss transaction - OK?"))) return CliRefused();
  int32_t id = 0;
  if (!WriteFxGainLoss(v.to, v.difference, category, &id)) return CliRefused();
  CliOut("Posted FX Gain/Loss #" + QString::number(id) + " " + YmdToText(v.to) + " " +
         FormatAmount(v.difference) + " " + s.settings.baseCurrency + " on #" +
         QString::number(category) + " " + account.name);
  return CliCommitted();
}

int runCcyDelete(CliContext& ctx) {
  if (ctx.args.size() != 2) return CliUsage(QStringLiteral("ccy delete DIR CODE"));
  QString code;
  if (!ParseCliCurrency(ctx.args[1], code)) return CliBad("CODE must be three letters");
  if (!openBooks(ctx.args.first())) return 1;
  if (!LocateCurrency(code)) {
    CliErr("vorbek-cli: currency " + code + " is not in the currency table");
    return CliRefused();
  }
  if (!DeleteCurrency(code)) return CliRefused();
  CliOut("Deleted currency " + code);
  return CliCommitted();
}

int runRateDelete(CliContext& ctx) {
  if (ctx.args.size() != 3) return CliUsage(QStringLiteral("rate delete DIR CCY yyyy-mm-dd"));
  QString code;
  if (!ParseCliCurrency(ctx.args[1], code)) return CliBad("CCY must be three letters");
  int32_t ymd = 0;
  if (!ParseCliDate(ctx.args[2], ymd)) return CliBad("the date must be yyyy-mm-dd");
  if (!openBooks(ctx.args.first())) return 1;
  if (CountRows(QStringLiteral("rate"), QStringLiteral("ccycode = ? and rdate = ?"), {code, ymd}) <=
      0) {
    CliErr("vorbek-cli: no " + code + " rate on " + YmdToText(ymd));
    return CliRefused();
  }
  if (!DeleteRate(code, ymd)) return CliRefused();
  CliOut("Deleted rate " + code + " " + YmdToText(ymd));
  return CliCommitted();
}

const CliRegistration kValues({QStringLiteral("values"), QStringLiteral("DIR [--csv]"),
                               QStringLiteral("balances valued in the base currency at the "
                                              "period end, the sums and the FX gain/loss"),
                               runValues});
const CliRegistration kFxPost({QStringLiteral("fx post"), QStringLiteral("DIR --category ID"),
                               QStringLiteral("post the FX gain/loss of the period end on a "
                                              "category (asks as the window does)"),
                               runFxPost});
const CliRegistration kCcyDelete({QStringLiteral("ccy delete"), QStringLiteral("DIR CODE"),
                                  QStringLiteral("delete a currency no account uses (its rates "
                                                 "stay)"),
                                  runCcyDelete});
const CliRegistration kRateDelete({QStringLiteral("rate delete"),
                                   QStringLiteral("DIR CCY yyyy-mm-dd"),
                                   QStringLiteral("delete one stored rate"), runRateDelete});

}  // namespace
