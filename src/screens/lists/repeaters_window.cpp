#include "screens/lists/repeaters_window.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/repeaters.h"
#include "screens/screen_hooks.h"
#include "shell/shell_hooks.h"

namespace {

enum Column {
  kId,
  kFreq,
  kType,
  kAmount,
  kAcc1,
  kAcc2,
  kAcc3,
  kStart,
  kEnd,
  kActive,
  kAcc4,
  kColumns
};

const char* const kTitles[kColumns] = {"Id",       "Freq",     "Txn type", "Amount",
                                       "Accname1", "Accname2", "Accname3", "Start date",
                                       "End date", "Active?",  "Accname4"};

QStringList ColumnTitles() {
  QStringList titles;
  for (const char* t : kTitles) titles << QString::fromLatin1(t);
  return titles;
}

}  // namespace

// ---- Model -------------------------------------------------------------------------

TRptrsModel::TRptrsModel(QObject* parent) : TRowTableModel(ColumnTitles(), parent) {}

QVariant TRptrsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::TextAlignmentRole && (index.column() == kAmount || index.column() == kId))
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TRptrListRow& r = rows_[index.row()];
  switch (index.column()) {
    case kId:
      return QString::number(r.id);
    case kFreq:
      return r.freqText();
    case kType:
      return r.typeText();
    case kAmount:
      return r.amountText();
    case kAcc1:
      return r.accName[0];
    case kAcc2:
      return r.accName[1];
    case kAcc3:
      return r.accName[2];
    case kStart:
      return r.startText();
    case kEnd:
      return r.endText();
    case kActive:
      return r.activeText();
    case kAcc4:
      return r.accName[3];
    default:
      return {};
  }
}

// ---- Window --------------------------------------------------------------------------

TFRptrs::TFRptrs(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRptrs"));
  setModal(false);
  setWindowTitle(QStringLiteral("Repeating transactions"));

  auto* menuBar = new QMenuBar(this);
  QAction* close = menuBar->addAction(QStringLiteral("Close"));
  connect(close, &QAction::triggered, this, &QDialog::close);
  QAction* refreshItem = menuBar->addAction(QStringLiteral("Refresh"));
  connect(refreshItem, &QAction::triggered, this, [this] { refresh(); });
  filter_ = menuBar->addMenu(QStringLiteral("FILTER"));
  auto* group = new QActionGroup(this);
  active_ = filter_->addAction(QStringLiteral("Active"));
  all_ = filter_->addAction(QStringLiteral("All"));
  for (QAction* a : {active_, all_}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  active_->setChecked(true);
  connect(active_, &QAction::triggered, this, [this] { setShowAll(false); });
  connect(all_, &QAction::triggered, this, [this] { setShowAll(true); });
  filter_->addSeparator();
  weed_ = filter_->addAction(QStringLiteral("Weed"));
  weed_->setEnabled(false);
  connect(weed_, &QAction::triggered, this, [this] { weed(); });

  model_ = new TRptrsModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Repeating transactions"));
  connect(grid_, &QTableView::doubleClicked, this, [this] { details(); });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) setCurrentRow(at.row());
    preparePopup();
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("Details")), &QAction::triggered, this,
          [this] { details(); });
  connect(popup_->addAction(QStringLiteral("Instances")), &QAction::triggered, this,
          [this] { instances(); });
  connect(popup_->addAction(QStringLiteral("Deactivate")), &QAction::triggered, this,
          [this] { deactivate(); });
  connect(popup_->addAction(QStringLiteral("Delete")), &QAction::triggered, this,
          [this] { deleteCurrent(); });
  actions_ << close << refreshItem << active_ << all_ << weed_ << popup_->actions();

  status_ = new QLabel(this);
  status_->setFrameShape(QFrame::StyledPanel);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(grid_);
  layout->addWidget(status_);
  resize(760, 400);
  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

QAction* TFRptrs::action(const QString& text) const {
  for (QAction* a : actions_)
    if (a->text() == text) return a;
  return nullptr;
}

void TFRptrs::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  refresh();
}

void TFRptrs::refresh() {
  const int32_t keep = currentId();
  QList<TRptrListRow> rows;
  ListRepeaters(!all_->isChecked(), rows);
  model_->setRows(rows);
  grid_->resizeColumnsToContents();
  status_->setText(QString::number(rows.size()) + QStringLiteral(" items  "));
  goToId(keep);
}

void TFRptrs::goToId(int32_t id) {
  const QList<TRptrListRow>& rows = model_->rows();
  int at = RepeaterRowOf(rows, id);
  if (at < 0) at = int(rows.size()) - 1;  // the walk ran to the end
  setCurrentRow(at);
}

int32_t TFRptrs::currentId() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].id : 0;
}

void TFRptrs::setCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    grid_->setCurrentIndex(QModelIndex());
    return;
  }
  const QModelIndex i = model_->index(row, 0);
  grid_->setCurrentIndex(i);
  // Some rows stay visible around the cursor.
  grid_->scrollTo(i, QAbstractItemView::EnsureVisible);
}

void TFRptrs::setShowAll(bool all) {
  (all ? all_ : active_)->setChecked(true);
  filter_->setTitle(all ? QStringLiteral("Filter") : QStringLiteral("FILTER"));
  weed_->setEnabled(all);
  refresh();
}

void TFRptrs::weed() {
  if (!all_->isChecked()) return;
  if (WeedRepeaters()) refresh();
}

void TFRptrs::preparePopup() {
  const QModelIndex i = grid_->currentIndex();
  const bool any = i.isValid() && i.row() < model_->rows().size();
  for (QAction* a : popup_->actions()) a->setEnabled(any);
  action(QStringLiteral("Deactivate"))->setEnabled(any && model_->rows()[i.row()].active);
}

void TFRptrs::details() {
  const int32_t id = currentId();
  TRptr r;
  if (id <= 0 || !ReadRepeater(id, r, true)) return;
  ShowRecordDetails(MasterRecord(r));
}

void TFRptrs::instances() {
  if (const int32_t id = currentId(); id > 0) ShowInstances(id, 0);
}

void TFRptrs::deactivate() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid() || !model_->rows()[i.row()].active) return;
  if (DeactivateRepeater(model_->rows()[i.row()].id)) refresh();
}

void TFRptrs::deleteCurrent() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid()) return;
  const QList<TRptrListRow>& rows = model_->rows();
  const int32_t id = rows[i.row()].id;
  const int32_t next = i.row() + 1 < rows.size() ? rows[i.row() + 1].id : id;
  if (!DeleteRepeater(id)) return;
  refresh();
  goToId(next);
}

TFRptrs* RepeatersWindow() {
  static QPointer<TFRptrs> window;
  if (!window) window = new TFRptrs;
  return window;
}

void ShowRepeatersWindow() {
  TFRptrs* w = RepeatersWindow();
  if (w->isVisible()) w->refresh();  // shown again: queried afresh all the same
  ShowRestored(w);
  w->raise();
  w->activateWindow();
}
