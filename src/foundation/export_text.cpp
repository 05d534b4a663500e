#include "foundation/export_text.h"

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"

QString ExportValue(const QString& value, TExportMode mode) {
  QString v = value;
  if (mode == TExportMode::Csv) {
    v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
  }
  for (QChar& c : v)
    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
      c = QLatin1Char(' ');
  return v;
}

QString ExportLinesText(const QString& title, const QString& title2, const QStringList& header,
                        const QList<QStringList>& rows, TExportMode mode) {
  const QChar sep = mode == TExportMode::Csv ? QLatin1Char(',') : QLatin1Char('\t');
  auto line = [&](const QStringList& cells) {
    QStringList out;
    for (const QString& c : cells) out << ExportValue(c, mode);
    return out.join(sep) + QLatin1Char('\n');
  };
  QString text;
  if (!title.isEmpty()) text += title + QLatin1Char('\n');
  if (!title2.isEmpty()) text += title2 + QLatin1Char('\n');
  text += QStringLiteral("Exported at ") + StampText(StampOf(ClockNow()), 1) + QLatin1Char('\n');
  text += QLatin1Char('\n');
  text += line(header);
  for (const QStringList& r : rows) text += line(r);
  return text;
}
