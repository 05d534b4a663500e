// vorbek-cli txn search and journal: the transaction lists of the search
// results window, with its columns and its status line. Nothing is written:
// the gaps in a repeater's instances are only reported.
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/posting.h"
#include "reports/txn_search.h"
#include "store/db.h"
#include "store/opening.h"

namespace {

const char* const kSearchUsage =
    "txn search DIR (--amount A | --text T | --cancelled | --instances ID | --batch N | "
    "--range [FIRST [LAST]] | --straddles DATE | --input DATE | --cpty ID --ctgy ID) [--csv]";
const char* const kJournalUsage = "journal DIR DATE [--spread N] [--csv]";

// The grid's columns; the batch mark's blank caption gets a name scripts can use.
QStringList cliHeader() {
  QStringList h = SearchHeader();
  h[kSearchColBatch] = QStringLiteral("Batch");
  return h;
}

void printRows(const CliContext& ctx, const QList<TSearchRow>& rows) {
  QList<TCellRow> table;
  for (const TSearchRow& r : rows) {
    const QStringList t = SearchRowTexts(r);
    table << TCellRow{DateCell(r.showDate ? r.txnDate : 0),
                      IntCell(r.id),
                      TextCell(t[kSearchColInstance]),
                      TextCell(t[kSearchColType]),
                      TextCell(r.reference),
                      TextCell(t[kSearchColAccount1]),
                      TextCell(r.accName2),
                      TextCell(r.accName4),
                      TextCell(r.batch != 0 ? QStringLiteral("B") : QString()),
                      AmountCell(r.amount),
                      TextCell(r.ccy),
                      TextCell(t[kSearchColDescription])};
  }
  CliTable(ctx, cliHeader(), table);
  // The status line is prose: beside CSV or JSON it goes to stderr.
  if (CliMachineOutput(ctx))
    CliErr(SearchStatusLine(rows));
  else
    CliOut(SearchStatusLine(rows));
}

// Takes "--range [FIRST [LAST]]": the values that follow which are no option.
bool takeRange(CliContext& ctx, QStringList& values) {
  const int at = ctx.args.indexOf(QStringLiteral("--range"));
  if (at < 0) return false;
  ctx.args.removeAt(at);
  while (at < ctx.args.size() && values.size() < 2 && !ctx.args[at].startsWith(QLatin1String("--")))
    values << ctx.args.takeAt(at);
  return true;
}

int runSearch(CliContext& ctx) {
  struct Choice {
    const char* option;
    int kind;
  };
  const Choice choices[] = {{"--amount", kSearchAmount},       {"--text", kSearchText},
                            {"--instances", kSearchInstances}, {"--batch", kSearchBatch},
                            {"--straddles", kSearchStraddles}, {"--input", kSearchInput}};
  int kind = 0;
  int given = 0;
  QString text;
  for (const Choice& c : choices) {
    QString v;
    if (ctx.takeOption(QString::fromLatin1(c.option), v)) {
      kind = c.kind;
      text = v;
      ++given;
    }
  }
  if (ctx.takeFlag(QStringLiteral("--cancelled"))) {
    kind = kSearchCancelled;
    ++given;
  }
  QStringList range;
  if (takeRange(ctx, range)) {
    kind = kSearchIdRange;
    ++given;
  }
  QString cpty, ctgy;
  const bool hasCpty = ctx.takeOption(QStringLiteral("--cpty"), cpty);
  const bool hasCtgy = ctx.takeOption(QStringLiteral("--ctgy"), ctgy);
  if (hasCpty || hasCtgy) {
    if (!hasCpty || !hasCtgy) return CliUsage(QString::fromLatin1(kSearchUsage));
    kind = kSearchCptyCategory;
    ++given;
  }
  if (given != 1 || ctx.args.size() != 1) return CliUsage(QString::fromLatin1(kSearchUsage));
  if (!CliOpenBooks(ctx.args.first())) return 1;

  TSearch s;
  if (kind == kSearchIdRange) {
    int32_t first = 0, last = kSearchMaxId;
    if (!ParseRangeEnd(range.value(0), 0, first) ||
        !ParseRangeEnd(range.value(1), kSearchMaxId, last))
      return CliRefused();
    s = IdRangeSearch(first, last);
  } else if (kind == kSearchCptyCategory) {
    int c = 0, g = 0;
    if (!ParseIntOrWarn(cpty, c) || !ParseIntOrWarn(ctgy, g)) return CliRefused();
    s = CptyCategorySearch(c, g);
  } else if (!ParseSearch(kind, text, JournalSpread(), s)) {
    return CliRefused();
  }
  QList<TSearchRow> rows;
  if (!RunSearch(s, rows)) return CliRefused();
  if (!CliMachineOutput(ctx)) CliOut(SearchWindowCaption(s));
  printRows(ctx, rows);
  if (kind == kSearchInstances) {
    QList<int32_t> gaps;
    if (!MissingInstances(InstanceNumbers(s.number), gaps))
      CliErr(QStringLiteral("Cannot check for missing instances"));
    for (int32_t n : gaps) CliErr("Missing instance #" + QString::number(n));
  }
  RollbackIfActive();
  CloseDatabase(false);
  return 0;
}

int runJournal(CliContext& ctx) {
  QString spreadText;
  const bool hasSpread = ctx.takeOption(QStringLiteral("--spread"), spreadText);
  if (ctx.args.size() != 2) return CliUsage(QString::fromLatin1(kJournalUsage));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  int spread = JournalSpread();
  if (hasSpread) {
    if (!ParseIntOrWarn(spreadText, spread)) return CliRefused();
    if (spread < 1 || spread > 120) {
      ShowInfo(QStringLiteral("Journal spread must be 1 to 120 months"));
      return CliRefused();
    }
  }
  TSearch s;
  if (!ParseSearch(kSearchJournal, ctx.args[1], spread, s)) return CliRefused();
  QList<TSearchRow> rows;
  if (!RunSearch(s, rows)) return CliRefused();
  if (!CliMachineOutput(ctx)) CliOut(SearchWindowCaption(s));
  printRows(ctx, rows);
  RollbackIfActive();
  CloseDatabase(false);
  return 0;
}

const CliRegistration kTxnSearch({QStringLiteral("txn search"),
                                  QString::fromLatin1(kSearchUsage).mid(11),
                                  QStringLiteral("transactions found by amount, text, batch, ids, "
                                                 "dates, repeater or counterparty/category"),
                                  runSearch});
const CliRegistration kJournal({QStringLiteral("journal"),
                                QStringLiteral("DIR DATE [--spread N] [--csv]"),
                                QStringLiteral("every transaction day by day, N months (default "
                                               "the books' setting) either side of DATE"),
                                runJournal});

}  // namespace
