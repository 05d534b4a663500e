#include "screens/masterdata/account_search.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/messages.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "shell/shell_hooks.h"
#include "store/records.h"
#include "store/session.h"

namespace {

enum Column { kName, kGroup, kPayer, kCcy, kFirst, kLast, kClosed };

}  // namespace

// ---- Model -------------------------------------------------------------------------

void TAccountSearchModel::setRows(int kind, QList<TAccountSearchRow> rows) {
  beginResetModel();
  kind_ = kind;
  rows_ = std::move(rows);
  endResetModel();
}

QStringList TAccountSearchModel::columnNames() const {
  QStringList names{QStringLiteral("Account name"), QStringLiteral("Group?")};
  if (kind_ == kKindCounterparty) names << QStringLiteral("Payer/ee");
  if (kind_ == kKindExternal) names << QStringLiteral("CCY");
  names << QStringLiteral("First used") << QStringLiteral("Last used") << QStringLiteral("Closed");
  return names;
}

int TAccountSearchModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int TAccountSearchModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columnNames().size());
}

QVariant TAccountSearchModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TAccountSearchRow& r = rows_[index.row()];
  // The shown columns, mapped onto the full set.
  int c = index.column();
  if (c >= kPayer && kind_ != kKindCounterparty) ++c;
  if (c >= kCcy && kind_ != kKindExternal) ++c;
  switch (c) {
    case kName:
      return r.name;
    case kGroup:
      return r.groupText();
    case kPayer:
      return r.payerText();
    case kCcy:
      return r.ccy;
    case kFirst:
      return r.firstUsedText();
    case kLast:
      return r.lastUsedText();
    case kClosed:
      return r.closedText();
    default:
      return {};
  }
}

QVariant TAccountSearchModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return columnNames().value(section);
}

// ---- Window --------------------------------------------------------------------------

TFAcSrchR::TFAcSrchR(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FAcSrchR"));
  setModal(false);
  setWindowTitle(QStringLiteral("Account search results"));

  auto* menuBar = new QMenuBar(this);
  connect(menuBar->addAction(QStringLiteral("Refresh")), &QAction::triggered, this,
          [this] { rerun(); });
  connect(menuBar->addAction(QStringLiteral("New search")), &QAction::triggered, this,
          [this] { newSearch(); });
  connect(menuBar->addAction(QStringLiteral("Close")), &QAction::triggered, this,
          [this] { close(); });

  model_ = new TAccountSearchModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Account search results"));
  grid_->horizontalHeader()->setStretchLastSection(true);
  connect(grid_, &QTableView::doubleClicked, this, [this] { drillDown(); });
  connect(grid_, &QTableView::clicked, this, [this] {
    if (Session().settings.oneClickSelect) drillDown();
  });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) setCurrentRow(at.row());
    preparePopup();
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  popup_ = new QMenu(this);
  QAction* drill = popup_->addAction(QStringLiteral("Drill-down"));
  drill->setToolTip(QStringLiteral("Drill-down Group"));
  connect(drill, &QAction::triggered, this, [this] { drillDown(); });
  QAction* post = popup_->addAction(QStringLiteral("Postings"));
  post->setToolTip(QStringLiteral("List account-postings"));
  connect(post, &QAction::triggered, this, [this] { postings(); });
  QAction* det = popup_->addAction(QStringLiteral("Details"));
  det->setToolTip(QStringLiteral("View Account / Group details"));
  connect(det, &QAction::triggered, this, [this] { details(); });
  connect(popup_->addAction(QStringLiteral("Close")), &QAction::triggered, this,
          [this] { closeCurrent(); });
  connect(popup_->addAction(QStringLiteral("Delete")), &QAction::triggered, this,
          [this] { deleteCurrent(); });
  popup_->setToolTipsVisible(true);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(grid_);
  resize(640, 400);
  RegisterWindowPosition(this, QStringLiteral("FAcSrchR"));
  RegisterWorkWindow(this);
}

QAction* TFAcSrchR::popupAction(const QString& text) const {
  for (QAction* a : popup_->actions())
    if (a->text() == text) return a;
  return nullptr;
}

void TFAcSrchR::showResults(int kind, const QString& text) {
  kind_ = kind;
  text_ = text;
  rerun();
  grid_->setToolTip(Session().settings.oneClickSelect
                        ? QStringLiteral("One-click select : click once for drill-down / postings")
                        : QString());
  show();
  raise();
  activateWindow();
}

void TFAcSrchR::rerun() {
  const int keep = currentId();
  const int row = grid_->currentIndex().row();
  QList<TAccountSearchRow> rows;
  SearchAccountRows(kind_, text_, rows);
  model_->setRows(kind_, rows);
  setWindowTitle(AccountKindName(kind_, 'U', 'S') + "search results \"" + text_ + "\" - " +
                 QString::number(rows.size()) + " items");
  int at = -1;
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].id == keep) at = i;
  if (at < 0 && !rows.isEmpty()) at = std::clamp(row, 0, int(rows.size()) - 1);
  setCurrentRow(at);
}

int TFAcSrchR::currentId() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].id : 0;
}

void TFAcSrchR::setCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    grid_->setCurrentIndex(QModelIndex());
    return;
  }
  grid_->setCurrentIndex(model_->index(row, 0));
}

void TFAcSrchR::preparePopup() {
  const QModelIndex i = grid_->currentIndex();
  const bool any = i.isValid();
  const bool group = any && model_->rows()[i.row()].isGroup;
  for (QAction* a : popup_->actions()) a->setEnabled(any);
  popupAction(QStringLiteral("Drill-down"))->setEnabled(group);
  popupAction(QStringLiteral("Postings"))->setEnabled(any && !group);
}

void TFAcSrchR::drillDown() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid()) return;
  const TAccountSearchRow& r = model_->rows()[i.row()];
  if (IsGroupKind(r.kind))
    DrillDownGroup(r.id);
  else
    ShowPostings(r.id);
}

void TFAcSrchR::postings() {
  if (const int id = currentId(); id > 0) ShowPostings(id);
}

void TFAcSrchR::details() {
  const int id = currentId();
  if (id > 0 && EditAccount(id)) rerun();
}

void TFAcSrchR::closeCurrent() {
  const int id = currentId();
  if (id <= 0 || FrozenRefusal(QStringLiteral("change accounts"))) return;
  TObj a;
  if (!ReadAccount(id, a)) {
    rerun();
    return;
  }
  bool closed = false;
  if (IsGroupKind(a.kind)) {
    closed = CloseGroup(id);
  } else {
    // The closing balance question reads the account's own currency.
    TSession& s = Session();
    const QString working = s.workingCurrency;
    s.workingCurrency = a.ccy;
    closed = CloseAccount(id);
    s.workingCurrency = working;
  }
  if (closed) rerun();
}

void TFAcSrchR::deleteCurrent() {
  const int id = currentId();
  if (id <= 0 || FrozenRefusal(QStringLiteral("change accounts"))) return;
  CanDeleteAccount(id);
  rerun();
}

void TFAcSrchR::newSearch() {
  LastAccountSearchText().clear();
  SearchAccounts(kind_);
}

TFAcSrchR* AccountSearchWindow() {
  static TFAcSrchR* window = nullptr;
  if (!window) window = new TFAcSrchR;
  return window;
}
