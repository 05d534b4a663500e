#pragma once
// Tables as other programs read them. A cell keeps its value and its kind, so
// one row serves both faces: the display form people read (grouped amounts,
// yyyy-mm-dd) and the plain form scripts and spreadsheets read (CSV after
// RFC 4180 and JSON: amounts as plain decimals with a "." point and a leading
// "-" only for negatives, dates yyyy-mm-dd or empty, ids as integers, flags 0/1).
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

enum class CellKind { Text, Amount, Date, Int, Flag };

struct TCell {
  CellKind kind = CellKind::Text;
  QString text;        // Text cells
  int64_t number = 0;  // every other kind (a Date holds yyyymmdd, 0 = none)
  bool null = false;   // an Int with no value
};

TCell TextCell(const QString& text);
TCell AmountCell(int64_t minorUnits);
TCell DateCell(int32_t ymd);
TCell IntCell(int64_t n);
TCell NullIntCell();
TCell FlagCell(bool on);

using TCellRow = QList<TCell>;

// "1,234.56"-style text for people.
QString CellDisplay(const TCell& c);
// The plain form: "-5056.90", "2024-01-31", "42", "1"; an open-ended date is empty.
QString CellPlain(const TCell& c);
// Minor units as a plain decimal: -505690 -> "-5056.90"; exact at the 64-bit edges.
QString PlainAmount(int64_t minorUnits);

// A header as a stable column name: lower case, runs of anything but letters
// and digits as one "_", and a capital after a small letter starts a word
// ("Pre-period" -> "pre_period", "A/V" -> "a_v", "FirstOfDate" -> "first_of_date").
QString ColumnKey(const QString& header);

// One CSV field: quoted when it holds a comma, quote, line break or a leading or
// trailing blank; inner quotes doubled.
QString CsvField(const QString& text);
QString CsvLine(const QStringList& fields);

// The whole table with a header row of column keys; lines end in "\n".
QString TableCsv(const QStringList& headers, const QList<TCellRow>& rows);
// An array of objects keyed by the column keys; amounts and dates as strings,
// ints and flags as numbers (an empty int as null).
QString TableJson(const QStringList& headers, const QList<TCellRow>& rows);
