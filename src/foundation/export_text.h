#pragma once
// The text a list exports, built from its header and row texts: what the
// clipboard window shows and the numbered export files hold, with or without
// a window (vorbek-cli prints the same text).
#include <QList>
#include <QString>
#include <QStringList>

enum class TExportMode { Tabs, Csv };

// One value as a line of the mode holds it. Csv: in double quotes, inner
// quotes doubled. Tabs: tabs and line breaks become blanks.
QString ExportValue(const QString& value, TExportMode mode);

// Title lines (each only when given), "Exported at " + now, an empty line, the
// header, then one line per row. Lines end in "\n".
QString ExportLinesText(const QString& title, const QString& title2, const QStringList& header,
                        const QList<QStringList>& rows, TExportMode mode);
