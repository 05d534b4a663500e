#include "screens/lists/reminders_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/posting.h"
#include "screens/lists/new_reminder_dialog.h"
#include "shell/shell_hooks.h"

namespace {

enum Column { kStart, kDeadline, kCpty, kCategory, kText, kColumns };

const char* const kTitles[kColumns] = {"Start", "Deadline", "Counterparty", "Category", "Text"};

QStringList ColumnTitles() {
  QStringList titles;
  for (const char* t : kTitles) titles << QString::fromLatin1(t);
  return titles;
}

}  // namespace

// ---- Model -------------------------------------------------------------------------

TRemdrsModel::TRemdrsModel(QObject* parent) : TRowTableModel(ColumnTitles(), parent) {}

QVariant TRemdrsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TRemdrRow& r = rows_[index.row()];
  switch (index.column()) {
    case kStart:
      return YmdToText(r.rmDate);
    case kDeadline:
      return YmdToText(r.tgDate);
    case kCpty:
      return r.cptyName;
    case kCategory:
      return r.ctgyName;
    case kText:
      return r.shownText();
    default:
      return {};
  }
}

// ---- Window --------------------------------------------------------------------------

TFRemdrs::TFRemdrs(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRemdrs"));
  setModal(false);
  setWindowTitle(QStringLiteral("Reminders"));

  auto* menuBar = new QMenuBar(this);
  QAction* close = menuBar->addAction(QStringLiteral("Close"));
  connect(close, &QAction::triggered, this, [this] { userClose(); });
  QAction* refreshItem = menuBar->addAction(QStringLiteral("Refresh"));
  connect(refreshItem, &QAction::triggered, this, [this] { refresh(); });
  filter_ = menuBar->addMenu(QStringLiteral("FILTER"));
  auto* group = new QActionGroup(this);
  current_ = filter_->addAction(QStringLiteral("View current"));
  all_ = filter_->addAction(QStringLiteral("View all"));
  for (QAction* a : {current_, all_}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  connect(current_, &QAction::triggered, this, [this] { setViewCurrent(true); });
  connect(all_, &QAction::triggered, this, [this] { setViewCurrent(false); });
  QAction* add = menuBar->addAction(QStringLiteral("New"));
  connect(add, &QAction::triggered, this, [this] { newReminder(); });

  model_ = new TRemdrsModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Reminders"));
  grid_->horizontalHeader()->setStretchLastSection(true);
  connect(grid_, &QTableView::doubleClicked, this, [this] { viewTransaction(); });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) setCurrentRow(at.row());
    preparePopup();
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("View transaction")), &QAction::triggered, this,
          [this] { viewTransaction(); });
  connect(popup_->addAction(QStringLiteral("Re-date reminder")), &QAction::triggered, this,
          [this] { redate(); });
  connect(popup_->addAction(QStringLiteral("Delete reminder")), &QAction::triggered, this,
          [this] { deleteCurrent(); });
  actions_ << close << refreshItem << current_ << all_ << add << popup_->actions();

  // The filter is the program's, so the announcement lists what this shows.
  (RemindersViewCurrent() ? current_ : all_)->setChecked(true);
  filter_->setTitle(RemindersViewCurrent() ? QStringLiteral("FILTER") : QStringLiteral("Filter"));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(grid_);
  resize(640, 300);
  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

QAction* TFRemdrs::action(const QString& text) const {
  for (QAction* a : actions_)
    if (a->text() == text) return a;
  return nullptr;
}

void TFRemdrs::refresh() {
  const int32_t keep = currentId();
  model_->setRows(ListedReminders());
  grid_->resizeColumnsToContents();
  goToId(keep);
}

void TFRemdrs::goToId(int32_t id) {
  const QList<TRemdrRow>& rows = model_->rows();
  int at = int(rows.size()) - 1;  // not found: the cursor stays at the end
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].id == id) {
      at = i;
      break;
    }
  setCurrentRow(at);
}

int32_t TFRemdrs::currentId() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].id : 0;
}

void TFRemdrs::setCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    grid_->setCurrentIndex(QModelIndex());
    return;
  }
  const QModelIndex i = model_->index(row, 0);
  grid_->setCurrentIndex(i);
  grid_->scrollTo(i, QAbstractItemView::EnsureVisible);
}

bool TFRemdrs::userClose() {
  if (!RemindersWindowMayClose()) return false;
  closing_ = true;
  close();
  closing_ = false;
  return !isVisible();
}

// Escape, and the dialog's own closing, which passes through here too.
void TFRemdrs::reject() {
  if (closing_)
    QDialog::reject();
  else
    userClose();
}

void TFRemdrs::closeEvent(QCloseEvent* e) {
  // The window manager's close button is the user's too; the program's own
  // closes (switching books, leaving the program) always go through.
  if (!closing_ && e->spontaneous() && !RemindersWindowMayClose()) {
    e->ignore();
    return;
  }
  const bool was = closing_;
  closing_ = true;
  QDialog::closeEvent(e);
  closing_ = was;
}

void TFRemdrs::setViewCurrent(bool current) {
  SetRemindersViewCurrent(current);
  (current ? current_ : all_)->setChecked(true);
  filter_->setTitle(current ? QStringLiteral("FILTER") : QStringLiteral("Filter"));
  refresh();
}

void TFRemdrs::newReminder() {
  const int32_t id = RunNewReminderDialog(this);
  if (id <= 0) return;
  refresh();
  goToId(id);
}

void TFRemdrs::preparePopup() {
  const QModelIndex i = grid_->currentIndex();
  const bool any = i.isValid() && i.row() < model_->rows().size();
  for (QAction* a : popup_->actions()) a->setEnabled(any);
  action(QStringLiteral("View transaction"))->setEnabled(any && model_->rows()[i.row()].txnId > 0);
}

void TFRemdrs::viewTransaction() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid() || i.row() >= model_->rows().size()) return;
  if (const int32_t txnId = model_->rows()[i.row()].txnId; txnId > 0) ShowTransaction(txnId);
}

void TFRemdrs::redate() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid() || i.row() >= model_->rows().size()) return;
  const TRemdrRow& r = model_->rows()[i.row()];
  if (RedateReminder(r.id, YmdToDateRec(r.rmDate))) refresh();
}

void TFRemdrs::deleteCurrent() {
  if (const int32_t id = currentId(); id > 0 && DeleteReminder(id)) refresh();
}

TFRemdrs* RemindersListWindow() {
  static QPointer<TFRemdrs> window;
  if (!window) {
    window = new TFRemdrs;
    SetRemindersWindow(window);
  }
  return window;
}

void ShowRemindersWindow() {
  TFRemdrs* w = RemindersListWindow();
  ShowRestored(w);
  w->refresh();
  w->raise();
  w->activateWindow();
}
