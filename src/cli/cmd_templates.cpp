// vorbek-cli template list: the transaction templates as the templates window
// lists them, with the transaction each one names.
#include "cli/commands.h"
#include "cli/open_books.h"
#include "ledger/templates.h"
#include "store/opening.h"

namespace {

int runTemplateList(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage(QStringLiteral("template list DIR [--csv]"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  bool ok = false;
  const QList<TTemplateRow> rows = ListTemplates(&ok);
  CloseDatabase(false);
  if (!ok) return 1;
  QList<TCellRow> table;
  for (const TTemplateRow& r : rows) table << TCellRow{TextCell(r.name), IntCell(r.txnId)};
  CliTable(ctx, {"Template name", "Txn"}, table);
  return 0;
}

const CliRegistration kTemplateList({QStringLiteral("template list"), QStringLiteral("DIR [--csv]"),
                                     QStringLiteral("the transaction templates by name"),
                                     runTemplateList});

}  // namespace
