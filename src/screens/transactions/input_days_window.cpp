#include "screens/transactions/input_days_window.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "reports/input_days.h"
#include "screens/screen_hooks.h"
#include "shell/shell_hooks.h"
#include "store/session.h"

namespace {
QPointer<TfTxnInpDays> g_window;
}  // namespace

TfTxnInpDays::TfTxnInpDays(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fTxnInpDays"));
  setModal(false);
  setWindowTitle(QStringLiteral("Days with transaction input"));

  list_ = new QListWidget(this);
  list_->setAccessibleName(QStringLiteral("Days with transaction input"));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  CurrentFollowsSelection(list_);
  popup_ = new QMenu(this);
  listAction_ = popup_->addAction(QStringLiteral("List transactions"));
  connect(listAction_, &QAction::triggered, this, [this] { listCurrent(); });
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    if (QListWidgetItem* at = list_->itemAt(p)) list_->setCurrentItem(at);
    listAction_->setEnabled(list_->currentItem() != nullptr);
    popup_->popup(list_->viewport()->mapToGlobal(p));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { listCurrent(); });
  connect(list_, &QListWidget::itemClicked, this, [this] {
    if (Session().settings.oneClickSelect) listCurrent();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  resize(220, 360);
  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

void TfTxnInpDays::showEvent(QShowEvent* e) {
  reload();
  QDialog::showEvent(e);
}

void TfTxnInpDays::reload() {
  ClearItemsWithIds(list_);
  for (int32_t day : InputDays()) AddItemWithId(list_, YmdToText(day), day);
  if (list_->count() > 0) list_->setCurrentRow(list_->count() - 1);
}

int32_t TfTxnInpDays::currentDay() const {
  const int row = list_->currentRow();
  return row < 0 ? -1 : ItemId(list_, row);
}

void TfTxnInpDays::listCurrent() {
  const int32_t day = currentDay();
  if (day >= 0) ShowInputOn(day);
}

TfTxnInpDays* InputDaysWindow() {
  if (!g_window) g_window = new TfTxnInpDays;
  return g_window;
}

void ShowInputDaysWindow() {
  TfTxnInpDays* w = InputDaysWindow();
  if (w->isVisible()) w->reload();
  ShowRestored(w);
  w->raise();
  w->activateWindow();
}
