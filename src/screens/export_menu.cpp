#include "screens/export_menu.h"

#include <QMenu>
#include <QMenuBar>

#include "foundation/ui/list_export.h"
#include "screens/screen_hooks.h"

QMenu* AddExportMenu(QMenuBar* bar, std::function<const QTableView*()> view,
                     std::function<QString()> title, const QString& fileBase) {
  QMenu* menu = bar->addMenu(QStringLiteral("&Export"));
  QObject::connect(menu->addAction(QStringLiteral("to &Clipboard")), &QAction::triggered, bar,
                   [view, title] { ExportDataSet(*view(), title(), QString()); });
  QObject::connect(menu->addAction(QStringLiteral("to File ( &CSV )")), &QAction::triggered, bar,
                   [view, title, fileBase] {
                     ExportListToFile(*view(), title(), QString(), TExportMode::Csv, fileBase);
                   });
  QObject::connect(menu->addAction(QStringLiteral("to File ( &tab delimited )")),
                   &QAction::triggered, bar, [view, title, fileBase] {
                     ExportListToFile(*view(), title(), QString(), TExportMode::Tabs, fileBase);
                   });
  return menu;
}
