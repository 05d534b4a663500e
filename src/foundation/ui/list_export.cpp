#include "foundation/ui/list_export.h"

#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QSaveFile>
#include <QTableView>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "store/session.h"

QString ExportValue(const QString& value, TExportMode mode) {
  if (mode == TExportMode::Csv) {
    QString v = value;
    v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
  }
  QString v = value;
  for (QChar& c : v)
    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
      c = QLatin1Char(' ');
  return v;
}

QString ExportDataSetText(const QTableView& view, const QString& title, const QString& title2,
                          TExportMode mode) {
  const QAbstractItemModel* model = view.model();
  const QChar sep = mode == TExportMode::Csv ? QLatin1Char(',') : QLatin1Char('\t');
  QString text;
  if (!title.isEmpty()) text += title + QLatin1Char('\n');
  if (!title2.isEmpty()) text += title2 + QLatin1Char('\n');
  text += QStringLiteral("Exported at ") + StampText(StampOf(ClockNow()), 1) + QLatin1Char('\n');
  text += QLatin1Char('\n');
  if (!model) return text;
  QList<int> columns;
  // Visual order, as the user sees the grid.
  const QHeaderView* header = view.horizontalHeader();
  for (int v = 0; v < header->count(); ++v) {
    const int c = header->logicalIndex(v);
    if (!view.isColumnHidden(c)) columns << c;
  }
  QStringList cells;
  for (int c : columns)
    cells << ExportValue(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), mode);
  text += cells.join(sep) + QLatin1Char('\n');
  for (int r = 0; r < model->rowCount(); ++r) {
    cells.clear();
    for (int c : columns)
      cells << ExportValue(model->index(r, c).data(Qt::DisplayRole).toString(), mode);
    text += cells.join(sep) + QLatin1Char('\n');
  }
  return text;
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
