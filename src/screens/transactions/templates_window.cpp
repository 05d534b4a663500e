#include "screens/transactions/templates_window.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/transactions/txn_details.h"
#include "shell/shell_hooks.h"
#include "store/session.h"

namespace {
QPointer<TFttemplates> g_window;
}  // namespace

// ---- Model -------------------------------------------------------------------------

TTemplatesModel::TTemplatesModel(QObject* parent)
    : TRowTableModel({QStringLiteral("Template name")}, parent) {}

QVariant TTemplatesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  return rows_[index.row()].name;
}

// ---- Window ------------------------------------------------------------------------

TFttemplates::TFttemplates(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fttemplates"));
  setModal(false);
  setWindowTitle(QStringLiteral("Transaction templates"));

  auto* bar = new QMenuBar(this);
  auto add = [this](QWidget* menu, const QString& text, std::function<void()> run) {
    QAction* a = new QAction(text, menu);
    menu->addAction(a);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
    actions_ << a;
    return a;
  };
  add(bar, QStringLiteral("Close"), [this] { close(); });
  add(bar, QStringLiteral("Refresh"), [this] { refresh(); });
  add(bar, QStringLiteral("New"), [this] { makeNew(); });

  model_ = new TTemplatesModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Transaction templates"));
  grid_->horizontalHeader()->hide();  // the names need no title
  grid_->horizontalHeader()->setStretchLastSection(true);
  connect(grid_, &QTableView::doubleClicked, this, [this] { useCurrent(); });
  connect(grid_, &QTableView::clicked, this, [this] {
    if (Session().settings.oneClickSelect) useCurrent();
  });

  popup_ = new QMenu(this);
  add(popup_, QStringLiteral("Use template"), [this] { useCurrent(); });
  add(popup_, QStringLiteral("View details"), [this] { viewDetails(); });
  add(popup_, QStringLiteral("Rename"), [this] { renameCurrent(); });
  add(popup_, QStringLiteral("Delete"), [this] { deleteCurrent(); });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) grid_->setCurrentIndex(at);
    const bool any = grid_->currentIndex().isValid();
    for (QAction* a : popup_->actions()) a->setEnabled(any);
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addWidget(grid_);
  resize(360, 400);
  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

QAction* TFttemplates::action(const QString& caption) const {
  for (QAction* a : actions_)
    if (a->text() == caption) return a;
  return nullptr;
}

void TFttemplates::showWith(bool newEnabled) {
  action(QStringLiteral("New"))->setEnabled(newEnabled);
  refresh();
  ShowRestored(this);
  raise();
  activateWindow();
}

void TFttemplates::refresh() {
  const int32_t keep = currentTxnId();
  const int row = grid_->currentIndex().row();
  model_->setRows(ListTemplates());
  if (!selectTxn(keep) && model_->rowCount() > 0)
    grid_->setCurrentIndex(model_->index(std::clamp(row, 0, model_->rowCount() - 1), 0));
}

int32_t TFttemplates::currentTxnId() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].txnId : 0;
}

bool TFttemplates::selectTxn(int32_t txnId) {
  for (int i = 0; i < model_->rows().size(); ++i)
    if (model_->rows()[i].txnId == txnId) {
      grid_->setCurrentIndex(model_->index(i, 0));
      return true;
    }
  return false;
}

void TFttemplates::makeNew() {
  if (!action(QStringLiteral("New"))->isEnabled()) return;
  TTxn record;
  if (!ShownDetailsRecord(record) || record.id <= 0) return;
  if (MakeTemplate(record)) {
    refresh();
    selectTxn(record.id);
  }
}

void TFttemplates::useCurrent() {
  const int32_t id = currentTxnId();
  if (id <= 0) return;
  const int32_t newId = UseTemplate(id);
  if (newId > 0) {
    ShowTransactionDetails(newId);
    close();
  } else {
    refresh();
  }
}

void TFttemplates::viewDetails() {
  const int32_t id = currentTxnId();
  if (id > 0) ShowTransactionDetails(id);
}

void TFttemplates::renameCurrent() {
  const int32_t id = currentTxnId();
  if (id <= 0) return;
  QString name = model_->rows()[grid_->currentIndex().row()].name;
  if (!AskTextMax(QStringLiteral("Template name"), name, kTemplateNameWidth)) return;
  RenameTemplate(id, name);
  refresh();
}

void TFttemplates::deleteCurrent() {
  const int32_t id = currentTxnId();
  if (id <= 0 || !AskYes(QStringLiteral("Delete template?"))) return;
  DeleteTemplate(id);
  refresh();
}

TFttemplates* TemplatesWindow() {
  if (!g_window) g_window = new TFttemplates;
  return g_window;
}

void ShowTemplatesWindow(bool newEnabled) { TemplatesWindow()->showWith(newEnabled); }

int32_t UseTemplate(int32_t txnId) {
  const TTxn& last = TheEntryForm()->lastSaved();
  const TDateRec date = last.txnDate.isZero() ? Today() : last.txnDate;
  TTxn record;
  switch (TemplateStartRecord(txnId, date, record)) {
    case TemplateStart::Gone:
      ShowInfo("txn not found " + QString::number(txnId));
      if (AskYes(QStringLiteral("Delete template?"))) DeleteTemplate(txnId);
      return 0;
    case TemplateStart::Instances:
      ShowInstances(record.masterId, 0);
      return 0;
    case TemplateStart::Ready:
      break;
  }
  TTxn saved;
  if (!EnterTransaction(record, &saved)) return 0;
  return saved.id;
}
