#pragma once
// The "Export" menu of a list window: the grid's text to the clipboard (and
// its window), or to the next free numbered CSV or tab-delimited file.
#include <QString>
#include <functional>

class QMenu;
class QMenuBar;
class QTableView;

// title gives the export's first title line at the time of the export.
QMenu* AddExportMenu(QMenuBar* bar, std::function<const QTableView*()> view,
                     std::function<QString()> title, const QString& fileBase);
