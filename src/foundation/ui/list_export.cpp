#include "foundation/ui/list_export.h"

#include <QFile>
#include <QHeaderView>
#include <QSaveFile>
#include <QTableView>

#include "foundation/messages.h"
#include "store/session.h"

QString ExportDataSetText(const QTableView& view, const QString& title, const QString& title2,
                          TExportMode mode) {
  const QAbstractItemModel* model = view.model();
  QStringList header;
  QList<QStringList> rows;
  if (model) {
    // Visual order, as the user sees the grid.
    QList<int> columns;
    const QHeaderView* h = view.horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
      const int c = h->logicalIndex(v);
      if (!view.isColumnHidden(c)) columns << c;
    }
    for (int c : columns)
      header << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    for (int r = 0; r < model->rowCount(); ++r) {
      QStringList cells;
      for (int c : columns) cells << model->index(r, c).data(Qt::DisplayRole).toString();
      rows << cells;
    }
  }
  return ExportLinesText(title, title2, header, rows, mode);
}

QString NextFreeExportFile(const QString& folder, const QString& base, const QString& extension) {
  for (int n = 0; n < 100; ++n) {
    const QString name =
        folder + base + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) + extension;
    if (!QFile::exists(name)) return name;
  }
  return QString();
}

bool WriteExportFile(const QString& path, const QString& text, QString* error) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  const QByteArray bytes = text.toUtf8();
  if (f.write(bytes) != bytes.size() || !f.commit()) {
    if (error) *error = f.errorString();
    f.cancelWriting();
    return false;
  }
  return true;
}

bool ExportListToFile(const QTableView& view, const QString& title, const QString& title2,
                      TExportMode mode, const QString& base) {
  const QString name = NextFreeExportFile(
      Session().dataFolder, base,
      mode == TExportMode::Csv ? QStringLiteral(".csv") : QStringLiteral(".txt"));
  if (name.isEmpty()) {
    ShowInfo(QStringLiteral("Cannot export - all 99 filenames in use, have a clearout!"));
    return false;
  }
  QString error;
  if (!WriteExportFile(name, ExportDataSetText(view, title, title2, mode), &error)) {
    ShowInfo(QStringLiteral("Cannot write ") + name + QStringLiteral(" : ") + error);
    return false;
  }
  ShowInfo(QStringLiteral("Exported OK to ") + name);
  return true;
}
