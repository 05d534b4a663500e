#include "foundation/table_export.h"

#include "foundation/dates.h"
#include "foundation/numbers.h"

TCell TextCell(const QString& text) {
  TCell c;
  c.text = text;
  return c;
}

namespace {
TCell numberCell(CellKind kind, int64_t n) {
  TCell c;
  c.kind = kind;
  c.number = n;
  return c;
}

QString jsonString(const QString& s) {
  QString out = QStringLiteral("\"");
  for (const QChar ch : s) {
    switch (ch.unicode()) {
      case '"':
        out += QStringLiteral("\\\"");
        break;
      case '\\':
        out += QStringLiteral("\\\\");
        break;
      case '\n':
        out += QStringLiteral("\\n");
        break;
      case '\r':
        out += QStringLiteral("\\r");
        break;
      case '\t':
        out += QStringLiteral("\\t");
        break;
      default:
        if (ch.unicode() < 0x20)
          out += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QChar('0'));
        else
          out += ch;  // surrogate pairs pass through whole: the output is UTF-8
    }
  }
  return out + QChar('"');
}
}  // namespace

TCell AmountCell(int64_t minorUnits) { return numberCell(CellKind::Amount, minorUnits); }
TCell DateCell(int32_t ymd) { return numberCell(CellKind::Date, ymd); }
TCell IntCell(int64_t n) { return numberCell(CellKind::Int, n); }
TCell FlagCell(bool on) { return numberCell(CellKind::Flag, on ? 1 : 0); }
TCell NullIntCell() {
  TCell c = numberCell(CellKind::Int, 0);
  c.null = true;
  return c;
}

QString PlainAmount(int64_t v) {
  // Through the unsigned magnitude, so the most negative value does not overflow.
  const bool negative = v < 0;
  const uint64_t mag = negative ? uint64_t(0) - uint64_t(v) : uint64_t(v);
  const QString cents = QString::number(mag % 100).rightJustified(2, QChar('0'));
  return (negative ? QStringLiteral("-") : QString()) + QString::number(mag / 100) + '.' + cents;
}

QString CellDisplay(const TCell& c) {
  switch (c.kind) {
    case CellKind::Text:
      return c.text;
    case CellKind::Amount:
      return FormatAmount(c.number);
    case CellKind::Date:
      return c.number > 0 ? YmdToText(int32_t(c.number)) : QString();
    case CellKind::Int:
      return c.null ? QString() : QString::number(c.number);
    case CellKind::Flag:
      return c.number ? QStringLiteral("1") : QStringLiteral("0");
  }
  return QString();
}

QString CellPlain(const TCell& c) {
  if (c.kind == CellKind::Amount) return PlainAmount(c.number);
  // The open-ended 99999999 ("not closed", "nothing posted yet") is no date.
  if (c.kind == CellKind::Date && c.number >= 99999999) return QString();
  return CellDisplay(c);
}

QString ColumnKey(const QString& header) {
  QString key;
  bool gap = false;
  QChar prev;
  for (const QChar ch : header.trimmed()) {
    if (ch.isLetterOrNumber()) {
      // A capital after a small letter starts a word too: "FirstOfDate" -> first_of_date.
      if ((gap || (ch.isUpper() && prev.isLower())) && !key.isEmpty()) key += QChar('_');
      key += ch.toLower();
      gap = false;
    } else {
      gap = true;
    }
    prev = ch;
  }
  return key;
}

QString CsvField(const QString& s) {
  const bool quote = s.contains(QChar(',')) || s.contains(QChar('"')) || s.contains(QChar('\n')) ||
                     s.contains(QChar('\r')) ||
                     (!s.isEmpty() && (s.front().isSpace() || s.back().isSpace()));
  if (!quote) return s;
  QString q = s;
  q.replace(QChar('"'), QStringLiteral("\"\""));
  return QChar('"') + q + QChar('"');
}

QString CsvLine(const QStringList& fields) {
  QStringList out;
  out.reserve(fields.size());
  for (const QString& f : fields) out << CsvField(f);
  return out.join(QChar(','));
}

QString TableCsv(const QStringList& headers, const QList<TCellRow>& rows) {
  QStringList keys;
  for (const QString& h : headers) keys << ColumnKey(h);
  QString out = CsvLine(keys) + QChar('\n');
  for (const TCellRow& r : rows) {
    QStringList fields;
    for (const TCell& c : r) fields << CellPlain(c);
    out += CsvLine(fields) + QChar('\n');
  }
  return out;
}

QString TableJson(const QStringList& headers, const QList<TCellRow>& rows) {
  QStringList keys;
  for (const QString& h : headers) keys << jsonString(ColumnKey(h));
  QString out = QStringLiteral("[");
  for (qsizetype i = 0; i < rows.size(); ++i) {
    const TCellRow& r = rows[i];
    out += i ? QStringLiteral(",\n {") : QStringLiteral("\n {");
    for (qsizetype c = 0; c < r.size() && c < keys.size(); ++c) {
      if (c) out += QStringLiteral(", ");
      out += keys[c] + QStringLiteral(": ");
      const TCell& cell = r[c];
      if (cell.kind == CellKind::Int || cell.kind == CellKind::Flag)
        out += cell.null ? QStringLiteral("null") : QString::number(cell.number);
      else
        out += jsonString(CellPlain(cell));
    }
    out += QChar('}');
  }
  return out + (rows.isEmpty() ? QStringLiteral("]\n") : QStringLiteral("\n]\n"));
}
