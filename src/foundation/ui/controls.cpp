#include "foundation/ui/controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>

namespace {

bool g_quiet = false;
bool g_screenUpdating = false;
QColor g_editColour = Qt::white;

void paintBase(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, c);
  w->setPalette(p);
}

template <class Edit>
void enableEditImpl(Edit* edit, bool on) {
  if (!edit) return;
  if (on) {
    edit->setEnabled(true);
    paintBase(edit, g_editColour);
  } else if (edit->isEnabled()) {
    g_editColour = edit->palette().color(QPalette::Active, QPalette::Base);
    edit->setEnabled(false);
    paintBase(edit, edit->palette().color(QPalette::Active, QPalette::Button));
  }
}

int intRole(const QVariant& v) { return v.isValid() ? v.toInt() : -1; }

}  // namespace

// ---- Quiet changes ---------------------------------------------------------------

void SetCheckedQuietly(QAbstractButton* box, bool on) {
  if (!box || box->isChecked() == on) return;
  g_quiet = true;
  box->setChecked(on);
}

void CheckRadioQuietly(QRadioButton* button) {
  if (!button || button->isChecked()) return;
  g_quiet = true;
  button->setChecked(true);
}

// An edit that is already empty reports no change, so the flag is raised only when
// clearing changes something; otherwise it would swallow the user's next change.
void ClearEditQuietly(QLineEdit* edit) {
  if (!edit || edit->text().isEmpty()) return;
  g_quiet = true;
  edit->clear();
}

void ClearEditQuietly(QPlainTextEdit* edit) {
  if (!edit || edit->document()->isEmpty()) return;
  g_quiet = true;
  edit->clear();
}

bool TakeQuietFlag() {
  const bool result = g_quiet || g_screenUpdating;
  g_quiet = false;
  return result;
}

void SetScreenUpdating(bool on) { g_screenUpdating = on; }
bool ScreenUpdating() { return g_screenUpdating; }

// ---- Enabled look ------------------------------------------------------------------

void EnableEdit(QLineEdit* edit, bool on) { enableEditImpl(edit, on); }
void EnableEdit(QPlainTextEdit* edit, bool on) { enableEditImpl(edit, on); }

void EnableCombo(QComboBox* combo, bool on) {
  if (!combo) return;
  combo->setEnabled(on);
  paintBase(combo, on ? g_editColour : QColor(192, 192, 192));
}

QColor RememberedEditColour() { return g_editColour; }

// ---- Items with ids ----------------------------------------------------------------

void AddItemWithId(QComboBox* list, const QString& text, int id, int value) {
  list->addItem(text);
  const int i = list->count() - 1;
  list->setItemData(i, id, kItemIdRole);
  list->setItemData(i, value, kItemValueRole);
}

void AddItemWithId(QListWidget* list, const QString& text, int id, int value) {
  auto* item = new QListWidgetItem(text, list);
  item->setData(kItemIdRole, id);
  item->setData(kItemValueRole, value);
}

int ItemId(const QComboBox* list, int i) {
  if (!list || i < 0 || i >= list->count()) return -1;
  return intRole(list->itemData(i, kItemIdRole));
}

int ItemId(const QListWidget* list, int i) {
  const QListWidgetItem* item = list ? list->item(i) : nullptr;
  return item ? intRole(item->data(kItemIdRole)) : -1;
}

int ItemValue(const QComboBox* list, int i) {
  if (!list || i < 0 || i >= list->count()) return 0;
  return list->itemData(i, kItemValueRole).toInt();
}

int ItemValue(const QListWidget* list, int i) {
  const QListWidgetItem* item = list ? list->item(i) : nullptr;
  return item ? item->data(kItemValueRole).toInt() : 0;
}

int SelectedId(const QComboBox* list) { return list ? ItemId(list, list->currentIndex()) : -1; }

// A list widget keeps a current item even when nothing is selected.
int SelectedId(const QListWidget* list) {
  const QListWidgetItem* item = list ? list->currentItem() : nullptr;
  if (!item || !item->isSelected()) return -1;
  return intRole(item->data(kItemIdRole));
}

bool SelectById(QComboBox* list, int id) {
  for (int i = 0; i < list->count(); ++i) {
    if (ItemId(list, i) == id) {
      list->setCurrentIndex(i);
      return true;
    }
  }
  return false;
}

bool SelectById(QListWidget* list, int id) {
  for (int i = 0; i < list->count(); ++i) {
    if (ItemId(list, i) == id) {
      list->setCurrentRow(i);
      return true;
    }
  }
  return false;
}

bool SelectByText(QComboBox* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i) {
    if (list->itemText(i) == text) {
      list->setCurrentIndex(i);
      return true;
    }
  }
  return false;
}

bool SelectByText(QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text() == text) {
      list->setCurrentRow(i);
      return true;
    }
  }
  return false;
}

void ClearItemsWithIds(QComboBox* list) { list->clear(); }
void ClearItemsWithIds(QListWidget* list) { list->clear(); }

// ---- String grids ----------------------------------------------------------------

void SetRowId(QTableWidget* grid, int row, int id) {
  if (!grid || row < 0 || row >= grid->rowCount() || grid->columnCount() == 0) return;
  QTableWidgetItem* cell = grid->item(row, 0);
  if (!cell) {
    cell = new QTableWidgetItem;
    grid->setItem(row, 0, cell);
  }
  cell->setData(kItemIdRole, id);
}

int RowId(const QTableWidget* grid, int row) {
  if (!grid || row < 0 || row >= grid->rowCount() || grid->columnCount() == 0) return -1;
  const QTableWidgetItem* cell = grid->item(row, 0);
  return cell ? intRole(cell->data(kItemIdRole)) : -1;
}

void ClearStringGrid(QTableWidget* grid) { grid->clearContents(); }

void SwapGridRows(QTableWidget* grid, int r1, int r2) {
  if (!grid || r1 == r2 || r1 < 0 || r2 < 0 || r1 >= grid->rowCount() || r2 >= grid->rowCount())
    return;
  for (int c = 0; c < grid->columnCount(); ++c) {
    QTableWidgetItem* a = grid->takeItem(r1, c);
    QTableWidgetItem* b = grid->takeItem(r2, c);
    grid->setItem(r1, c, b);
    grid->setItem(r2, c, a);
  }
}

// ---- At the pointer ------------------------------------------------------------------

QPoint KeepOnScreen(const QRect& screen, QPoint topLeft, const QSize& boxSize) {
  const int right = screen.x() + screen.width();
  const int bottom = screen.y() + screen.height();
  if (topLeft.x() + boxSize.width() > right) topLeft.setX(right - boxSize.width());
  if (topLeft.y() + boxSize.height() > bottom) topLeft.setY(bottom - boxSize.height());
  if (topLeft.x() < screen.x()) topLeft.setX(screen.x());
  if (topLeft.y() < screen.y()) topLeft.setY(screen.y());
  return topLeft;
}

QPoint PointerPlacement(const QRect& screen, const QPoint& pointer, const QSize& size) {
  return KeepOnScreen(screen, pointer + QPoint(1, 1), size);
}

QRect ScreenRectAt(const QPoint& p) {
  QScreen* screen = QGuiApplication::screenAt(p);
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void PlaceAtPointer(QWidget* form) {
  if (!form->isVisible() && !form->testAttribute(Qt::WA_Resized)) form->adjustSize();
  const QPoint pointer = QCursor::pos();
  form->move(PointerPlacement(ScreenRectAt(pointer), pointer, form->frameGeometry().size()));
}

void ShowAtPointer(QWidget* form) {
  PlaceAtPointer(form);
  form->show();
}

int ShowModalAtPointer(QDialog* form) {
  PlaceAtPointer(form);
  return form->exec();
}

void PopupAtPointer(QMenu* menu) { menu->popup(QCursor::pos()); }

bool SelectItemUnderPointer(QListWidget* list) {
  QListWidgetItem* item = list->itemAt(list->viewport()->mapFromGlobal(QCursor::pos()));
  if (!item) return false;
  list->setCurrentItem(item);
  return true;
}

void ShowRestored(QWidget* form) {
  if (form->isMinimized()) form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
  form->show();
}

void CurrentFollowsSelection(QAbstractItemView* view) {
  QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                   [view](const QItemSelection& selected) {
                     if (selected.isEmpty()) return;
                     const QModelIndex first = selected.indexes().first();
                     if (view->currentIndex().row() != first.row())
                       view->selectionModel()->setCurrentIndex(first,
                                                               QItemSelectionModel::NoUpdate);
                   });
}

QTableView* NewRowGrid(QWidget* parent, QAbstractItemModel* model, const QString& accessibleName) {
  auto* grid = new QTableView(parent);
  grid->setModel(model);
  grid->setAccessibleName(accessibleName);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  CurrentFollowsSelection(grid);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->hide();
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  return grid;
}

void FitColumnWidths(QTableView* grid) {
  QHeaderView* header = grid->horizontalHeader();
  // Measuring every fetched row would cost more than the rows in view tell.
  header->setResizeContentsPrecision(
      qMax(1, grid->height() / qMax(1, grid->verticalHeader()->defaultSectionSize())));
  for (int c = 0; c < header->count(); ++c)
    if (!grid->isColumnHidden(c)) grid->resizeColumnToContents(c);
}

int ColumnLeftOffset(const QTableView* grid, int column) {
  int x = 12;
  for (int c = 0; c < column && c < grid->model()->columnCount(); ++c)
    if (!grid->isColumnHidden(c)) x += grid->columnWidth(c) + 1;
  return x;
}

QLabel* LabelFor(const QString& text, QWidget* control, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(control);
  control->setAccessibleName(QString(text).remove(QLatin1Char('&')).trimmed());
  return l;
}

QPushButton* NamedButton(const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setAccessibleName(QString(text).remove(QLatin1Char('&')).trimmed());
  return b;
}

QHBoxLayout* RightAlignedButtons(std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QWidget* b : buttons) row->addWidget(b);
  return row;
}

void SelectGridRow(QTableView* grid, int row) {
  const QAbstractItemModel* model = grid->model();
  if (!model || row < 0 || row >= model->rowCount()) return;
  const QModelIndex first = model->index(row, 0);
  grid->setCurrentIndex(first);
  grid->selectionModel()->select(first,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
