#include "cli/commands.h"

#include <cstdio>

namespace {
QList<CliCommand>& registry() {
  static QList<CliCommand> r;
  return r;
}

}  // namespace

CliRegistration::CliRegistration(CliCommand c) { registry().append(std::move(c)); }

const QList<CliCommand>& CliCommands() { return registry(); }

bool CliContext::takeFlag(const QString& name) {
  const qsizetype i = args.indexOf(name);
  if (i < 0) return false;
  args.removeAt(i);
  return true;
}

bool CliContext::takeOption(const QString& name, QString& value) {
  const qsizetype i = args.indexOf(name);
  if (i < 0 || i + 1 >= args.size()) return false;
  value = args.at(i + 1);
  args.remove(i, 2);
  return true;
}

void CliOut(const QString& line) { std::fprintf(stdout, "%s\n", line.toUtf8().constData()); }
void CliErr(const QString& line) { std::fprintf(stderr, "%s\n", line.toUtf8().constData()); }

void CliTable(const CliContext& ctx, const QStringList& header, const QList<TCellRow>& rows) {
  if (ctx.csv || ctx.json) {
    const QString text = ctx.json ? TableJson(header, rows) : TableCsv(header, rows);
    std::fputs(text.toUtf8().constData(), stdout);
    return;
  }
  QList<QStringList> shown;
  shown.reserve(rows.size());
  for (const TCellRow& r : rows) {
    QStringList line;
    for (const TCell& c : r) line << CellDisplay(c);
    shown << line;
  }
  QList<qsizetype> width(header.size(), 0);
  for (int c = 0; c < header.size(); ++c) width[c] = header[c].size();
  for (const QStringList& r : shown)
    for (int c = 0; c < r.size() && c < width.size(); ++c) width[c] = qMax(width[c], r[c].size());
  auto emit = [&](const QStringList& r) {
    QStringList cells;
    for (int c = 0; c < r.size(); ++c)
      cells << (c + 1 < r.size() ? r[c].leftJustified(width.value(c)) : r[c]);
    CliOut(cells.join("  "));
  };
  emit(header);
  for (const QStringList& r : shown) emit(r);
}

void CliTable(const CliContext& ctx, const QStringList& header, const QList<QStringList>& rows) {
  QList<TCellRow> cells;
  cells.reserve(rows.size());
  for (const QStringList& r : rows) {
    TCellRow row;
    for (const QString& f : r) row << TextCell(f);
    cells << row;
  }
  CliTable(ctx, header, cells);
}
