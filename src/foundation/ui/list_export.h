#pragma once
// Lists leave the program as text: to the clipboard window, or to a numbered
// file in the data folder. One text builder serves both, so a file holds
// exactly what the clipboard window shows.
#include <QString>

#include "foundation/export_text.h"

class QTableView;

// Title lines (each only when given), "Exported at " + now, an empty line, the
// header labels of the view's visible columns, then one line per model row with
// the texts the view shows, in model order. Csv: every value in double quotes,
// inner quotes doubled. Tabs: tabs and line breaks inside values become blanks.
// Lines end in "\n".
QString ExportDataSetText(const QTableView& view, const QString& title, const QString& title2,
                          TExportMode mode);

// The first of folder + base + "00" … "99" + extension (".csv", ".txt") that
// does not exist yet; empty when all hundred exist. folder ends in a separator.
QString NextFreeExportFile(const QString& folder, const QString& base, const QString& extension);

// Writes text as UTF-8 through a temporary file renamed into place, so a
// failure leaves no partial file. False with the system's reason.
bool WriteExportFile(const QString& path, const QString& text, QString* error);

// "to File ( CSV )" / "to File ( tab delimited )": the list's text into the next
// free base + nn file of the data folder, then "Exported OK to " + name; all
// names in use: "Cannot export - all 99 filenames in use, have a clearout!";
// a write failure: "Cannot write " + name + " : " + reason. True when written.
bool ExportListToFile(const QTableView& view, const QString& title, const QString& title2,
                      TExportMode mode, const QString& base);
