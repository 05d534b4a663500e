#include "screens/views/postings_window.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/list_export.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/reconcile.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_ops.h"
#include "shell/period_dialog.h"
#include "shell/shell_hooks.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

const char* const kNoSelection = "No items selected (use CTRL+Click to select)";

}  // namespace

// ================================================================== model

void PostingsModel::reset(const TPostingsQuery& q, const TBfdLine& bfd) {
  beginResetModel();
  q_ = q;
  bfd_ = bfd;
  header_ = PostingsHeader(q.kind);
  rows_.clear();
  texts_.clear();
  open_ = true;
  more_ = true;
  endResetModel();
  // The first chunk at once: the grid shows it without waiting to be asked.
  fetchMore({});
}

void PostingsModel::clear() {
  beginResetModel();
  rows_.clear();
  texts_.clear();
  open_ = false;
  more_ = false;
  endResetModel();
}

int PostingsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_.size();
}
int PostingsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kPostingsColumns;
}

QVariant PostingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::DisplayRole) return texts_[index.row()][index.column()];
  if (role == Qt::TextAlignmentRole) {
    const int c = index.column();
    if (c == kColPlus || c == kColMinus || c == kColRunningBal || c == kColTxnId)
      return int(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant PostingsModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o == Qt::Horizontal && role == Qt::DisplayRole && section < header_.size())
    return header_[section];
  return QAbstractTableModel::headerData(section, o, role);
}

bool PostingsModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && open_ && more_;
}

void PostingsModel::append(const QList<TPostingRow>& more) {
  if (more.isEmpty()) return;
  beginInsertRows({}, rows_.size(), rows_.size() + more.size() - 1);
  for (const TPostingRow& r : more) {
    rows_ << r;
    texts_ << PostingRowTexts(r, q_, bfd_);
  }
  endInsertRows();
}

void PostingsModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  QList<TPostingRow> more;
  if (!FetchPostings(q_, rows_.size(), kPostingsChunk, more)) {
    more_ = false;
    return;
  }
  more_ = more.size() == kPostingsChunk;
  append(more);
}

void PostingsModel::fetchAll() {
  if (!canFetchMore({})) return;
  QList<TPostingRow> more;
  more_ = false;
  if (FetchPostings(q_, rows_.size(), -1, more)) append(more);
}

void PostingsModel::fetchTo(int row) {
  while (row >= rows_.size() && canFetchMore({})) {
    if (row - rows_.size() >= kPostingsChunk) {
      fetchAll();
      return;
    }
    fetchMore({});
  }
}

// ================================================================== window

TFPstgs::TFPstgs(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FPstgs"));
  setWindowTitle(QStringLiteral("Postings"));
  model_ = new PostingsModel(this);
  buildControls();
  buildMenus();
  RegisterWindowPosition(this, objectName());
  // Wide enough for every column of a statement with its description.
  resize(1200, 600);
}

QPushButton* TFPstgs::button(const QString& text) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (plain(b->text()) == text) return b;
  return nullptr;
}

QAction* TFPstgs::action(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (plain(a->text()) == text) return a;
  return nullptr;
}

QRadioButton* TFPstgs::whenButton(TPostingsWhen w) const {
  return w == TPostingsWhen::All ? all_ : w == TPostingsWhen::Period ? period_ : periodPlus_;
}

void TFPstgs::buildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  name_ = new QPushButton(central);
  name_->setFlat(true);
  name_->setToolTip(QStringLiteral("click for Account details"));
  QFont bold = name_->font();
  bold.setBold(true);
  name_->setFont(bold);
  kind_ = new QLabel(central);
  currency_ = new QComboBox(central);
  currency_->setToolTip(QStringLiteral("Currency"));
  currency_->setAccessibleName(QStringLiteral("Currency"));
  outstanding_ = new QPushButton(QStringLiteral("refresh outstanding"), central);
  outstanding_->setFlat(true);
  outstanding_->setStyleSheet(QStringLiteral("background-color: yellow"));
  outstanding_->setToolTip(
      QStringLiteral("click here for quick Refresh; use menu for full Refresh"));
  outstanding_->hide();
  channelLabel_ = new QLabel(QStringLiteral("Channel "), central);
  channel_ = new QComboBox(central);
  channelLabel_->setBuddy(channel_);
  channel_->setAccessibleName(QStringLiteral("Channel"));

  auto* header = new QGridLayout;
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(name_);
  nameRow->addWidget(kind_);
  nameRow->addStretch();
  nameRow->addWidget(outstanding_);
  nameRow->addWidget(currency_);
  header->addLayout(nameRow, 0, 0, 1, 3);
  header->addWidget(channelLabel_, 1, 0);
  header->addWidget(channel_, 1, 1);
  header->setColumnStretch(2, 1);

  auto* left = new QVBoxLayout;
  auto* position = new QGroupBox(QStringLiteral("Position"), central);
  auto* posLayout = new QVBoxLayout(position);
  for (const char* t : {"First", "Last", "Now", "Balance date", "Last reconciled", "Specified"})
    posLayout->addWidget(new QPushButton(QString::fromLatin1(t), position));
  left->addWidget(position);
  auto* whenBox = new QGroupBox(QStringLiteral("When"), central);
  auto* whenLayout = new QVBoxLayout(whenBox);
  all_ = new QRadioButton(QStringLiteral("All"), whenBox);
  all_->setToolTip(QStringLiteral("No filter, show all postings for account (potentially many)"));
  periodPlus_ = new QRadioButton(QStringLiteral("Period+"), whenBox);
  periodPlus_->setToolTip(QStringLiteral("Omit postings before start of period"));
  period_ = new QRadioButton(QStringLiteral("&Period"), whenBox);
  period_->setToolTip(QStringLiteral("Also omit postings after end of period"));
  period_->setAccessibleName(QStringLiteral("Period"));
  periodPlus_->setChecked(true);
  auto* dots = new QPushButton(QStringLiteral("..."), whenBox);
  dots->setToolTip(QStringLiteral("View period details"));
  dots->setAccessibleName(QStringLiteral("..."));
  for (QWidget* w : {static_cast<QWidget*>(all_), static_cast<QWidget*>(periodPlus_),
                     static_cast<QWidget*>(period_), static_cast<QWidget*>(dots)})
    whenLayout->addWidget(w);
  left->addWidget(whenBox);
  auto* statement = new QPushButton(QStringLiteral("Statement"), central);
  statement->setToolTip(QStringLiteral("Group by date with running balances"));
  left->addWidget(statement);
  auto* up = new QPushButton(QStringLiteral("scroll up"), central);
  auto* down = new QPushButton(QStringLiteral("scroll down"), central);
  left->addWidget(up);
  left->addWidget(down);
  left->addStretch();

  grid_ = NewRowGrid(central, model_, QStringLiteral("Postings"));
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setWordWrap(false);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
  // The description, last of the columns shown, takes the width left over
  // rather than being cut at the window's edge.
  grid_->horizontalHeader()->setStretchLastSection(true);

  count_ = new QLabel(central);
  auto* totalsButton = new QPushButton(QStringLiteral("Totals"), central);
  auto* caption = new QLabel(QStringLiteral("Posting amount totals"), central);
  totalsBar_ = new QWidget(central);
  totalsBar_->setMinimumHeight(caption->sizeHint().height());
  for (QLabel*& l : totals_) l = new QLabel(totalsBar_);
  auto* status = new QHBoxLayout;
  status->addWidget(count_);
  status->addWidget(totalsButton);
  status->addWidget(caption);
  status->addWidget(totalsBar_, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(grid_, 1);
  right->addLayout(status);
  auto* body = new QHBoxLayout;
  body->addLayout(left);
  body->addLayout(right, 1);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(header);
  layout->addLayout(body, 1);

  connect(name_, &QPushButton::clicked, this, [this] {
    if (account_.id <= 0 || !EditAccount(account_.id)) return;
    TObj a;
    if (ReadAccount(account_.id, a)) account_ = a;
    name_->setText(account_.name + " ");
  });
  connect(outstanding_, &QPushButton::clicked, this, &TFPstgs::quickRefresh);
  connect(button("First"), &QPushButton::clicked, this, [this] { jumpRows(0); });
  connect(button("Last"), &QPushButton::clicked, this, [this] {
    model_->fetchAll();
    jumpRows(model_->rowCount() - 1);
  });
  connect(button("Now"), &QPushButton::clicked, this,
          [this] { jumpToDate(DateRecToYmd(Today())); });
  connect(button("Balance date"), &QPushButton::clicked, this,
          [this] { jumpToDate(Session().periodTo); });
  connect(button("Specified"), &QPushButton::clicked, this, [this] {
    TDateRec d = Today();
    if (PickDateTitled(QStringLiteral(" Jump to date"), d)) jumpToDate(DateRecToYmd(d));
  });
  connect(button("Last reconciled"), &QPushButton::clicked, this, &TFPstgs::lastReconciled);
  for (QRadioButton* r : {all_, periodPlus_, period_})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (!on || TakeQuietFlag()) return;
      plainRefresh();
    });
  connect(dots, &QPushButton::clicked, this, [this] {
    if (ShowPeriodDialog()) plainRefresh();
  });
  connect(statement, &QPushButton::clicked, this, &TFPstgs::showStatement);
  connect(up, &QPushButton::clicked, this, [this] {
    const int r = currentRow();
    if (r < 0) return;
    bringIntoView(qMax(0, r - 9), 0);
    setCurrentRow(r);
  });
  connect(down, &QPushButton::clicked, this, [this] {
    const int r = currentRow();
    if (r < 0) return;
    model_->fetchTo(r + 9);
    bringIntoView(qMin(model_->rowCount() - 1, r + 9), 0);
    setCurrentRow(r);
  });
  connect(totalsButton, &QPushButton::clicked, this, [this] { computeTotals(); });
  connect(channel_, &QComboBox::currentIndexChanged, this, [this] {
    if (ScreenUpdating()) return;
    plainRefresh();
  });
  connect(currency_, &QComboBox::activated, this, [this] {
    Session().workingCurrency = currency_->currentText();
    ccy_ = currency_->currentText();
    plainRefresh();
  });
  connect(grid_, &QTableView::doubleClicked, this, &TFPstgs::viewTransaction);
  // The pop-up menu from the keyboard too, at the current row.
  auto* popup = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), grid_);
  popup->setContext(Qt::WidgetShortcut);
  connect(popup, &QShortcut::activated, this, [this] {
    const QRect r = grid_->visualRect(grid_->currentIndex());
    Q_EMIT grid_->customContextMenuRequested(r.isValid() ? r.center() : QPoint(0, 0));
  });
}

void TFPstgs::buildMenus() {
  QMenuBar* bar = menuBar();
  connect(bar->addAction(QStringLiteral("&Close")), &QAction::triggered, this, [this] {
    model_->clear();
    hide();
  });
  connect(bar->addAction(QStringLiteral("&Refresh")), &QAction::triggered, this,
          &TFPstgs::fullRefresh);

  QMenu* columns = bar->addMenu(QStringLiteral("&Columns"));
  auto check = [&](const QString& text, bool TDbSettings::*flag) {
    QAction* a = columns->addAction(text);
    a->setCheckable(true);
    connect(a, &QAction::toggled, this, [this, flag](bool on) {
      if (ScreenUpdating()) return;
      Session().settings.*flag = on;
      plainRefresh();
    });
  };
  check(QStringLiteral("Transaction id"), &TDbSettings::postingsTxnIdVisible);
  check(QStringLiteral("Instance id"), &TDbSettings::postingsInstIdVisible);
  check(QStringLiteral("Type"), &TDbSettings::postingsTypeVisible);
  check(QStringLiteral("Channel, Ref"), &TDbSettings::postingsRefVisible);
  check(QStringLiteral("Category"), &TDbSettings::postingsCtgyNameVisible);
  QMenu* fit = columns->addMenu(QStringLiteral("Auto-fit"));
  connect(fit->addAction(QStringLiteral("Now")), &QAction::triggered, this, [this] {
    FitColumnWidths(grid_);
    refresh();
  });
  QAction* always = fit->addAction(QStringLiteral("Always"));
  always->setCheckable(true);
  always->setChecked(true);
  connect(columns->addAction(QStringLiteral("Font")), &QAction::triggered, this, [this] {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, grid_->font(), this);
    if (!ok) return;
    grid_->setFont(f);
    refresh();
  });

  filterMenu_ = bar->addMenu(QStringLiteral("Filter"));
  filterGroup_ = new QActionGroup(this);
  for (const char* t :
       {"All transaction types", "Payments / Purchases", "Receipts / Sales", "Transfers"}) {
    QAction* a = filterMenu_->addAction(QString::fromLatin1(t));
    a->setCheckable(true);
    filterGroup_->addAction(a);
    connect(a, &QAction::triggered, this, &TFPstgs::plainRefresh);
  }
  filterGroup_->actions().first()->setChecked(true);

  connect(bar->addAction(QStringLiteral("&Sum")), &QAction::triggered, this, &TFPstgs::sumSelected);
  QMenu* assignMenu = bar->addMenu(QStringLiteral("&Assign"));
  connect(assignMenu->addAction(QStringLiteral("Assign &Category")), &QAction::triggered, this,
          [this] { assign(kKindCategory); });
  connect(assignMenu->addAction(QStringLiteral("Assign &External Account")), &QAction::triggered,
          this, [this] { assign(kKindExternal); });

  QMenu* transactMenu = bar->addMenu(QStringLiteral("&Transact"));
  QAction* pay = transactMenu->addAction(QStringLiteral("&Payment / Purchase out of this Account"));
  QAction* rcv = transactMenu->addAction(QStringLiteral("&Receipt / Sale into this Account"));
  QAction* into = transactMenu->addAction(QStringLiteral("Transfer &into this Account"));
  QAction* outof = transactMenu->addAction(QStringLiteral("Transfer &out of this Account"));
  transactMenu->addSeparator();
  QAction* templates = transactMenu->addAction(QStringLiteral("Templates"));
  connect(pay, &QAction::triggered, this, [this] { transact(1); });
  connect(rcv, &QAction::triggered, this, [this] { transact(2); });
  connect(into, &QAction::triggered, this, [this] { transact(3); });
  connect(outof, &QAction::triggered, this, [this] { transact(4); });
  connect(templates, &QAction::triggered, this, [] { ShowTemplates(false); });
  connect(transactMenu, &QMenu::aboutToShow, this, [this, pay, rcv, into, outof] {
    const bool cpty = account_.kind == kKindCounterparty;
    into->setEnabled(!cpty);
    outof->setEnabled(!cpty);
    pay->setText(cpty ? QStringLiteral("&Payment / Purchase to this Counterparty")
                      : QStringLiteral("&Payment / Purchase out of this Account"));
    rcv->setText(cpty ? QStringLiteral("&Receipt / Sale from this Counterparty")
                      : QStringLiteral("&Receipt / Sale into this Account"));
  });

  QMenu* exportMenu = bar->addMenu(QStringLiteral("&Export"));
  const char* const exports[] = {"to Clipboard", "to File ( CSV )", "to File ( tab delimited )",
                                 "to Printer"};
  for (int i = 0; i < 4; ++i)
    connect(exportMenu->addAction(QString::fromLatin1(exports[i])), &QAction::triggered, this,
            [this, i] { exportList(i); });
  QAction* back = bar->addAction(QStringLiteral("&Back"));
  back->setEnabled(false);
  connect(back, &QAction::triggered, this, &TFPstgs::goBack);

  // The grid's pop-up menu.
  context_ = new QMenu(this);
  auto add = [this](const QString& text, auto slot) {
    QAction* a = context_->addAction(text);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QAction* rec = add(QStringLiteral("Reconcile posting"), &TFPstgs::reconcilePosting);
  rec->setObjectName(QStringLiteral("reconcileFirst"));
  rec->setCheckable(true);
  add(QStringLiteral("Reconcile balance"), &TFPstgs::reconcileBalance)->setCheckable(true);
  QAction* autoRefresh = context_->addAction(QStringLiteral("Auto refresh after reconcile"));
  autoRefresh->setCheckable(true);
  autoRefresh->setChecked(true);
  connect(autoRefresh, &QAction::triggered, this, [this] {
    // The menu comes back where it was, so several postings are reconciled in a row.
    const QPoint at = context_->pos();
    QMetaObject::invokeMethod(
        this, [this, at] { context_->popup(at); }, Qt::QueuedConnection);
  });
  context_->addSeparator();
  add(QStringLiteral("View posting"), &TFPstgs::viewPosting);
  add(QStringLiteral("View transaction"), &TFPstgs::viewTransaction);
  QAction* batch = context_->addAction(QStringLiteral("View batch"));
  batch->setObjectName(QStringLiteral("viewBatch"));
  connect(batch, &QAction::triggered, this, [this] {
    TPostingRow r;
    if (currentPosting(r) && r.batch > 0) ShowBatch(r.batch);
  });
  QAction* journal = context_->addAction(QStringLiteral("View Transaction Journal around "));
  journal->setObjectName(QStringLiteral("viewJournal"));
  connect(journal, &QAction::triggered, this, [this] {
    TPostingRow r;
    if (currentPosting(r)) ShowJournalAround(r.date, r.txnId);
  });
  add(QStringLiteral("List postings for contra account"), &TFPstgs::listContra);
  add(QStringLiteral("List postings for Category"), &TFPstgs::listCategory);
  context_->addSeparator();
  connect(context_->addAction(QStringLiteral("Edit transaction ...")), &QAction::triggered, this,
          [] { ShowInfo(QStringLiteral("Select Quick Edit or Full Edit")); });
  QMenu* quick = context_->addMenu(QStringLiteral("- Quick edit"));
  const QPair<const char*, char> edits[] = {
      {"- posting date", 'D'}, {"- amount", 'A'}, {"- description", 'N'}, {"- reference", 'R'}};
  for (const auto& e : edits)
    connect(quick->addAction(QString::fromLatin1(e.first)), &QAction::triggered, this,
            [this, e] { quickEdit(QChar(e.second)); });
  add(QStringLiteral("- Full edit"), &TFPstgs::fullEdit);
  QAction* cancel = add(QStringLiteral("Cancel transaction"), &TFPstgs::cancelTxn);
  cancel->setObjectName(QStringLiteral("cancelTxn"));
  add(QStringLiteral("Delete transaction"), &TFPstgs::deleteTxn);
  add(QStringLiteral("Add to batch"), &TFPstgs::addToBatch);
  context_->addSeparator();
  connect(context_->addAction(QStringLiteral("Move up")), &QAction::triggered, this,
          [this] { moveRow(-1); });
  connect(context_->addAction(QStringLiteral("Move down")), &QAction::triggered, this,
          [this] { moveRow(1); });
  QAction* sweep = add(QStringLiteral("Sweep balance"), &TFPstgs::sweepBalance);
  sweep->setObjectName(QStringLiteral("sweep"));
  context_->addSeparator();
  QAction* last = context_->addAction(QStringLiteral("Reconcile posting"));
  last->setObjectName(QStringLiteral("reconcileLast"));
  connect(last, &QAction::triggered, this, &TFPstgs::reconcilePosting);

  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    prepareContextMenu();
    context_->popup(grid_->viewport()->mapToGlobal(p));
  });
}

void TFPstgs::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    model_->clear();
    hide();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

// ------------------------------------------------------------------ state

void TFPstgs::resetState() {
  account_ = TObj();
  ccy_.clear();
  statement_ = false;
  fullRefresh_ = true;
  rememberedTxn_ = 0;
  backAccount_ = 0;
  backTxn_ = 0;
  backCcy_.clear();
  switchToBase_ = false;
  action(QStringLiteral("Back"))->setEnabled(false);
  model_->clear();
  hide();
}

TPostingsWhen TFPstgs::when() const {
  if (all_->isChecked()) return TPostingsWhen::All;
  if (period_->isChecked()) return TPostingsWhen::Period;
  return TPostingsWhen::PeriodPlus;
}

QChar TFPstgs::typeFilter() const {
  const int i = filterGroup_->actions().indexOf(filterGroup_->checkedAction());
  return i == 1 ? QChar('P') : i == 2 ? QChar('R') : i == 3 ? QChar('C') : QChar(' ');
}

int32_t TFPstgs::channelFilter() const {
  if (!channel_->isEnabled() || channel_->count() == 0) return -1;
  const int id = SelectedId(channel_);
  return id >= 0 ? id : -1;
}

int TFPstgs::currentRow() const { return grid_->currentIndex().row(); }

void TFPstgs::setCurrentRow(int row) { SelectGridRow(grid_, row); }

bool TFPstgs::currentPosting(TPostingRow& row) const {
  const int r = currentRow();
  if (r < 0 || r >= model_->rowCount()) return false;
  row = model_->row(r);
  return true;
}

int32_t TFPstgs::followingTxn() const {
  const int r = currentRow();
  if (r < 0) return 0;
  model_->fetchTo(r + 1);
  return model_->row(r + 1 < model_->rowCount() ? r + 1 : r).txnId;
}

QList<int> TFPstgs::selectedRows() const {
  QList<int> rows;
  for (const QModelIndex& i : grid_->selectionModel()->selectedRows()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TFPstgs::bringIntoView(int row, int context) {
  if (row < 0) return;
  model_->fetchTo(row + context);
  const int last = qMin(model_->rowCount() - 1, row + context);
  grid_->scrollTo(model_->index(last, 0));
  grid_->scrollTo(model_->index(row, 0));
}

void TFPstgs::jumpRows(int row) {
  if (model_->rowCount() == 0) return;
  row = qBound(0, row, model_->rowCount() - 1);
  setCurrentRow(row);
  grid_->scrollTo(model_->index(row, 0));
  grid_->setFocus();
}

void TFPstgs::jumpToDate(int32_t ymd) {
  // The rows are in date order: the first row on or after ymd, fetched as far as needed.
  int row = RowOnOrAfter(model_->rows(), ymd);
  while ((row < 0 || model_->row(row).date < ymd) && model_->canFetchMore({})) {
    model_->fetchMore({});
    row = RowOnOrAfter(model_->rows(), ymd);
  }
  if (row < 0) return;
  bringIntoView(row, 9);
  setCurrentRow(row);
  grid_->setFocus();
}

void TFPstgs::placeCursor(int32_t txnId) {
  int row = RowOfTxn(model_->rows(), txnId);
  if (row < 0 && txnId != 0 && model_->canFetchMore({})) {
    const int at = PostingRowIndex(model_->query(), txnId);
    if (at >= 0) {
      model_->fetchTo(at);
      row = RowOfTxn(model_->rows(), txnId);
    }
  }
  if (row < 0) {
    setCurrentRow(0);
    grid_->scrollToTop();
    return;
  }
  // Up to nine rows above it in view.
  grid_->scrollTo(model_->index(qMax(0, row - 9), 0), QAbstractItemView::PositionAtTop);
  grid_->scrollTo(model_->index(row, 0));
  setCurrentRow(row);
}

// ------------------------------------------------------------------ opening

void TFPstgs::showPostings(int accountId) {
  if (accountId < 0) return;
  if (accountId == 0) CheckRadioQuietly(all_);
  openAccount(accountId);
}

void TFPstgs::showAllPostings(int accountId) {
  CheckRadioQuietly(all_);
  showPostings(accountId);
}

void TFPstgs::showPostingsAtTxn(int accountId, int32_t txnId) {
  if (accountId <= 0) return;
  TTxn t;
  TObj a;
  const bool haveTxn = txnId > 0 && ReadTxn(txnId, t);
  if (!ReadAccount(accountId, a)) return;  // it said so
  QRadioButton* const wasChecked = whenButton(when());
  if (haveTxn) {
    const int32_t ref =
        StoredDate(t.postingDate) > 0 && (a.kind == kKindExternal || a.kind == kKindCounterparty)
            ? StoredDate(t.postingDate)
            : StoredDate(t.txnDate);
    const TSession& s = Session();
    CheckRadioQuietly(ref < s.periodFrom ? all_ : ref > s.periodTo ? periodPlus_ : period_);
  }
  const int32_t keep = rememberedTxn_;
  rememberedTxn_ = txnId;
  if (!openAccount(accountId)) {
    // Declined: the window stays as it was, date filter included.
    rememberedTxn_ = keep;
    CheckRadioQuietly(wasChecked);
  }
}

bool TFPstgs::openAccount(int accountId) {
  // The Back memory, kept aside until the opening goes through.
  const int prevAccount = account_.id;
  const int32_t prevTxn = currentRow() >= 0 ? model_->row(currentRow()).txnId : 0;
  const QString prevCcy = ccy_;
  const QString workingBefore = Session().workingCurrency;
  if (switchToBase_) Session().workingCurrency = Session().settings.baseCurrency;

  TObj a;
  if (accountId > 0) {
    if (!ReadAccount(accountId, a)) {  // it said so
      Session().workingCurrency = workingBefore;
      return false;
    }
  } else {
    a.kind = kKindDiary;
    a.ccy = Session().settings.baseCurrency;
  }
  QString ccy = Session().workingCurrency;
  if (a.kind == kKindExternal && a.ccy.trimmed() != ccy) {
    if (!ConfirmOk("Switch working currency from " + ccy + " to " + a.ccy.trimmed() +
                   " to view postings for this account")) {
      Session().workingCurrency = workingBefore;
      return false;
    }
    Session().workingCurrency = a.ccy.trimmed();
    ccy = a.ccy.trimmed();
  } else if (a.kind != kKindExternal && a.kind != kKindCounterparty) {
    // Categories, pots and the diary hold the base currency only.
    ccy = a.ccy.trimmed();
  }
  switchToBase_ = false;
  backAccount_ = prevAccount;
  backTxn_ = prevTxn;
  backCcy_ = prevCcy;
  action(QStringLiteral("Back"))->setEnabled(backAccount_ > 0);
  account_ = a;
  ccy_ = ccy;
  button(QStringLiteral("Statement"))->setEnabled(a.kind != kKindCounterparty);
  setupChannels();
  statement_ = false;
  refreshList(false, fullRefresh_);
  placeCursor(rememberedTxn_);
  return true;
}

void TFPstgs::setupChannels() {
  SetScreenUpdating(true);
  ClearItemsWithIds(channel_);
  const bool external = account_.kind == kKindExternal;
  channelLabel_->setVisible(external);
  channel_->setVisible(external);
  if (external) {
    QList<QPair<QString, int32_t>> items;
    items = AccountChannels(account_.id);
    items << qMakePair(QStringLiteral("<default channel>"), 0);
    if (items.size() > 1) {
      items << qMakePair(QStringLiteral("<All>"), -1);
      Session().settings.postingsRefVisible = true;
      std::sort(items.begin(), items.end(),
                [](const auto& x, const auto& y) { return x.first < y.first; });
      for (const auto& i : items) AddItemWithId(channel_, i.first, i.second);
      SelectById(channel_, -1);
      channel_->setEnabled(true);
    } else {
      channel_->setEnabled(false);
    }
  }
  SetScreenUpdating(false);
}

// ------------------------------------------------------------------ refresh

void TFPstgs::refresh() { refreshList(statement_, fullRefresh_); }

void TFPstgs::plainRefresh() {
  const int r = currentRow();
  if (r >= 0) rememberedTxn_ = model_->row(r).txnId;
  refreshList(false, fullRefresh_);
  placeCursor(rememberedTxn_);
}

void TFPstgs::quickRefresh() {
  const int r = currentRow();
  if (r >= 0) rememberedTxn_ = model_->row(r).txnId;
  fullRefresh_ = false;
  refreshList(false, false);
  placeCursor(rememberedTxn_);
}

void TFPstgs::fullRefresh() {
  BusyReset();
  fullRefresh_ = true;
  plainRefresh();
}

void TFPstgs::showStatement() {
  const int r = currentRow();
  if (r >= 0) rememberedTxn_ = model_->row(r).txnId;
  refreshList(true, fullRefresh_);
  placeCursor(rememberedTxn_);
}

void TFPstgs::refreshList(bool statement, bool full) {
  BusyOn();
  statement_ = statement && account_.kind != kKindCounterparty;
  outstanding_->hide();
  const bool diary = account_.kind == kKindDiary;
  currency_->setVisible(!diary);
  currency_->clear();
  if (account_.kind == kKindCounterparty) {
    currency_->addItems(CurrencyCodes());
  } else {
    currency_->addItem(ccy_);
  }
  currency_->setCurrentText(ccy_);
  currency_->setEnabled(account_.kind == kKindCounterparty);
  button(QStringLiteral("Last reconciled"))->setEnabled(!period_->isChecked());

  const TPostingsQuery q =
      PostingsQueryFor(account_, ccy_, statement_, when(), typeFilter(), channelFilter());
  channel_->setStyleSheet(q.channel >= 0 ? QStringLiteral("background-color: lime") : QString());
  bfd_ = TBfdLine();
  if (statement_ && HasBfdLine(account_.kind)) {
    if (PrepareStatement(account_) && ComputeBfd(account_, q, Session().dbStartDate, bfd_) &&
        bfd_.washed != 0)
      ShowInfo("B/fd balance " + FormatAmount(bfd_.washed) +
               " has been washed to the Default Pot, select \"NO WASH\" to use it here");
  }
  const bool balances = statement_ && account_.kind != kKindCounterparty;
  action(QStringLiteral("Reconcile balance"))->setEnabled(balances);
  findChild<QAction*>(QStringLiteral("sweep"))->setEnabled(balances);
  model_->reset(q, bfd_);

  // One pass of the engine gives the row count and, on a full refresh, the totals.
  TPostingsTotals totals;
  const bool counted = PostingsTotals(q, totals);
  name_->setText(account_.name + " ");
  name_->setAccessibleName(account_.id > 0 ? account_.name.trimmed()
                                           : AccountKindName(kKindDiary, 'U', 'S').trimmed());
  count_->setText(QString::number(totals.count) + " items  ");
  kind_->setText(" ( " + AccountKindName(account_.kind, 'U', 'S').trimmed() + " ) ");
  action(QStringLiteral("Transact"))->setEnabled(true);
  const TDbSettings& s = Session().settings;
  const QList<int> shown = PostingsShownColumns(q);
  for (int c = 0; c < kPostingsColumns; ++c) grid_->setColumnHidden(c, !shown.contains(c));
  SetScreenUpdating(true);
  action(QStringLiteral("Transaction id"))->setChecked(s.postingsTxnIdVisible);
  action(QStringLiteral("Instance id"))->setChecked(s.postingsInstIdVisible);
  action(QStringLiteral("Type"))->setChecked(s.postingsTypeVisible);
  action(QStringLiteral("Channel, Ref"))->setChecked(s.postingsRefVisible);
  action(QStringLiteral("Category"))->setChecked(s.postingsCtgyNameVisible);
  SetScreenUpdating(false);
  filterMenu_->setTitle(typeFilter() == QChar(' ') ? QStringLiteral("Filter")
                                                   : QStringLiteral("FILTER"));
  ShowRestored(this);
  if (full && action(QStringLiteral("Always"))->isChecked()) FitColumnWidths(grid_);
  for (QLabel* l : totals_) l->clear();
  button(QStringLiteral("Totals"))->setEnabled(true);
  if (full) {
    computeTotals(counted ? &totals : nullptr);
  }
  BusyOff();
}

void TFPstgs::computeTotals(const TPostingsTotals* known) {
  button(QStringLiteral("Totals"))->setEnabled(false);
  QAction* assignCtgy = action(QStringLiteral("Assign Category"));
  assignCtgy->setEnabled(false);
  TPostingsTotals t;
  if (known)
    t = *known;
  else if (!PostingsTotals(model_->query(), t))
    return;
  assignCtgy->setEnabled(t.paymentsOrReceipts);
  totals_[0]->setText(FormatAmountSigned(t.plus));
  totals_[1]->setText(FormatAmountSigned(t.minus));
  totals_[2]->setText("Net = " + FormatAmountSigned(t.plus + t.minus));
  const int base = grid_->x() - totalsBar_->x();
  const int columns[] = {kColPlus, kColMinus, kColMinus};
  for (int i = 0; i < 3; ++i) {
    int x = base + ColumnLeftOffset(grid_, columns[i]);
    if (i == 2) x += grid_->columnWidth(kColMinus) + 15;
    totals_[i]->adjustSize();
    totals_[i]->move(qMax(0, x), 0);
  }
  setCurrentRow(0);
}

// ------------------------------------------------------------------ context menu

void TFPstgs::prepareContextMenu() {
  TPostingRow r;
  const bool has = currentPosting(r);
  const bool bfd = has && r.type == QChar('A');
  const bool any = has && !bfd;
  const bool valued = any && IsValueBearing(r.type);
  const bool statementBalance = statement_ && account_.kind != kKindCounterparty;
  QAction* rec = findChild<QAction*>(QStringLiteral("reconcileFirst"));
  QAction* last = findChild<QAction*>(QStringLiteral("reconcileLast"));
  for (QAction* a : {rec, last}) {
    a->setText(any && r.reconcileCode == 1 ? QStringLiteral("Unreconcile posting")
                                           : QStringLiteral("Reconcile posting"));
    a->setChecked(any && r.reconcileCode == 2);
    a->setEnabled(valued);
  }
  rec = action(QStringLiteral("Reconcile balance"));
  rec->setChecked(any && r.reconcileCode == 2);
  rec->setEnabled(valued && statementBalance && r.balanceShown);
  QAction* batch = findChild<QAction*>(QStringLiteral("viewBatch"));
  batch->setText("View batch" + (any ? " #" + QString::number(r.batch) : QString()));
  batch->setEnabled(any && r.batch > 0);
  findChild<QAction*>(QStringLiteral("viewJournal"))
      ->setText("View Transaction Journal around " +
                (has ? model_->text(currentRow(), kColDate) : QString()));
  QAction* cancel = findChild<QAction*>(QStringLiteral("cancelTxn"));
  cancel->setText(CancelCaption(!(any && r.cancelled)));
  const bool prc = any && (r.type == QChar('P') || r.type == QChar('R') || r.type == QChar('C'));
  cancel->setEnabled(prc);
  action(QStringLiteral("- amount"))->setEnabled(prc);
  const bool redatable =
      prc && (account_.kind == kKindExternal || account_.kind == kKindCounterparty);
  action(QStringLiteral("- posting date"))->setEnabled(redatable);
  for (const char* t : {"View posting", "View transaction", "View Transaction Journal around ",
                        "- description", "- reference", "- Full edit", "Delete transaction",
                        "Add to batch", "Move up", "Move down", "Edit transaction ..."}) {
    QAction* a = action(QString::fromLatin1(t));
    if (a) a->setEnabled(any);
  }
  findChild<QAction*>(QStringLiteral("viewJournal"))->setEnabled(any);
  action(QStringLiteral("List postings for contra account"))->setEnabled(any && r.contra > 0);
  action(QStringLiteral("List postings for Category"))
      ->setEnabled(any && (r.type == QChar('P') || r.type == QChar('R')) && r.categoryId > 0);
  QAction* sweep = findChild<QAction*>(QStringLiteral("sweep"));
  sweep->setText("Sweep balance  " +
                 (has ? model_->text(currentRow(), kColRunningBal) : QString()));
  sweep->setEnabled(statementBalance && has);
}

// ------------------------------------------------------------------ reconciliation

void TFPstgs::afterReconcile() {
  if (action(QStringLiteral("Auto refresh after reconcile"))->isChecked())
    quickRefresh();
  else
    outstanding_->show();
}

void TFPstgs::reconcilePosting() {
  TPostingRow r;
  if (!currentPosting(r) || !IsValueBearing(r.type)) return;
  if (SetPostingReconciled(r.txnId, account_.id, r.reconcileCode == 1 ? 0 : 1)) afterReconcile();
}

void TFPstgs::sumSelected() {
  const QList<int> rows = selectedRows();
  if (rows.size() < 2) {
    ShowInfo(QString::fromLatin1(kNoSelection));
    return;
  }
  int64_t sum = 0;
  QList<int32_t> ids;
  for (int r : rows) {
    const TPostingRow& p = model_->row(r);
    if (!IsValueBearing(p.type)) continue;
    sum += p.amount;
    ids << p.txnId;
  }
  if (ids.isEmpty()) {
    ShowInfo(QString::fromLatin1(kNoSelection));
    return;
  }
  if (!AskYes(QString::number(ids.size()) + " postings selected sum to " + FormatAmountSigned(sum) +
              " - Reconcile?"))
    return;
  if (ReconcilePostings(account_.id, ids)) quickRefresh();
}

void TFPstgs::reconcileBalance() {
  TPostingRow r;
  if (!statement_ || account_.kind == kKindCounterparty || !currentPosting(r) ||
      !IsValueBearing(r.type) || !r.balanceShown)
    return;
  const int32_t id = ReconcileBalance(account_.id, YmdToDateRec(r.date), r.runningBalance);
  if (id <= 0) return;
  TObj a;
  if (ReadAccount(account_.id, a)) account_ = a;
  rememberedTxn_ = id;
  refreshList(true, false);
  placeCursor(id);
}

void TFPstgs::lastReconciled() {
  if (period_->isChecked()) return;
  model_->fetchAll();
  const int row = LastReconciledRow(model_->rows());
  // A filtered list cannot tell which balance is the latest.
  const bool mayReset = channelFilter() < 0 && typeFilter() == QChar(' ') && account_.id > 0;
  if (row >= 0) {
    setCurrentRow(row);
    grid_->scrollTo(model_->index(row, 0));
    const QString date = YmdToText(model_->row(row).date);
    if (mayReset && date != account_.reconciledText && SetReconciledText(account_.id, date))
      ReadAccount(account_.id, account_);
    return;
  }
  setCurrentRow(0);
  // Only the whole list of every type shows that no balance was ever reconciled.
  if (mayReset && all_->isChecked() && !account_.reconciledText.isEmpty() &&
      SetReconciledText(account_.id, QString()))
    ReadAccount(account_.id, account_);
}

void TFPstgs::moveRow(int step) {
  const int r = currentRow();
  if (r < 0) return;
  model_->fetchTo(r + 1);
  const int n = r + step;
  if (n < 0 || n >= model_->rowCount()) return;
  const TPostingRow a = model_->row(r);
  const TPostingRow b = model_->row(n);
  if (a.type == QChar('A') || b.date != a.date) return;
  if (!SwapPostingSeq(account_.id, a.txnId, b.txnId)) return;
  rememberedTxn_ = a.txnId;
  refreshList(statement_, false);
  placeCursor(a.txnId);
}

// ------------------------------------------------------------------ edits

void TFPstgs::quickEdit(QChar what) {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  bool changed = false;
  int32_t cursor = r.txnId;
  switch (what.unicode()) {
    case 'D': {
      if (r.type == QChar('Z')) return;
      cursor = followingTxn();
      TPstg p;
      if (!ReadPosting(r.txnId, account_.id, p)) {
        ShowInfo("txn not found " + QString::number(r.txnId));
        return;
      }
      changed = QuickRedate(p);
      break;
    }
    case 'A':
      if (r.type != QChar('P') && r.type != QChar('R') && r.type != QChar('C')) return;
      changed = QuickEditAmount(r.txnId);
      break;
    default: {
      QString text = what == QChar('N') ? r.narrative : r.reference;
      changed = QuickEditText(r.txnId, text, what == QChar('N') ? QChar('D') : QChar('R'));
    }
  }
  if (!changed) return;
  rememberedTxn_ = cursor;
  quickRefresh();
}

void TFPstgs::fullEdit() {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  const int32_t following = followingTxn();
  if (!EditTransaction(r.txnId)) return;
  fullRefresh_ = true;
  rememberedTxn_ = r.txnId;
  refreshList(statement_, true);
  const int row = RowOfTxn(model_->rows(), r.txnId);
  const int at = row >= 0 ? row : PostingRowIndex(model_->query(), r.txnId);
  if (at >= 0) {
    model_->fetchTo(at);
    const int found = RowOfTxn(model_->rows(), r.txnId);
    if (found >= 0 && model_->row(found).date == r.date) {
      placeCursor(r.txnId);
      return;
    }
    ShowTransaction(r.txnId);
    raise();
    activateWindow();
    ShowInfo(QStringLiteral("Posting date was changed - list position remains at old date"));
  } else {
    ShowInfo(QStringLiteral("Posting dropped from this list - list position remains at old date"));
  }
  placeCursor(following);
}

void TFPstgs::cancelTxn() {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  if (r.type != QChar('P') && r.type != QChar('R') && r.type != QChar('C')) return;
  const QString caption = CancelCaption(!r.cancelled);
  if (!AskYes(caption + "?")) return;
  if (QuickCancel(r.txnId, caption.startsWith(QLatin1Char('C')))) quickRefresh();
}

void TFPstgs::deleteTxn() {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  const int row = currentRow();
  const int32_t before = row > 0 ? model_->row(row - 1).txnId : 0;
  if (!DeleteTransaction(r.txnId)) return;
  rememberedTxn_ = before;
  fullRefresh_ = false;
  refreshList(false, false);
  placeCursor(before);
}

void TFPstgs::addToBatch() {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  if (QuickAddToBatch(r.txnId)) quickRefresh();
}

void TFPstgs::assign(int kind) {
  if (!PickAccount(kind)) return;
  const TObj target = SelectedAccount();
  if (target.id <= 0) return;
  const int how = AskChoice(
      "Assign " + AccountKindName(kind, 'U', 'S').trimmed() + " \"" + target.name + "\" ...",
      QStringLiteral("to selection"), QStringLiteral("to whole list"));
  QList<int> rows;
  if (how == 1) {
    rows = selectedRows();
    if (rows.isEmpty()) {
      ShowInfo(QString::fromLatin1(kNoSelection));
      return;
    }
  } else if (how == 2) {
    model_->fetchAll();
    for (int r = 0; r < model_->rowCount(); ++r) rows << r;
  } else {
    return;
  }
  QList<int32_t> ids;
  for (int r : rows)
    if (model_->row(r).type != QChar('A')) ids << model_->row(r).txnId;
  AssignAccount(ids, target.id, kind == kKindExternal ? 1 : 3);
  plainRefresh();
}

void TFPstgs::sweepBalance() {
  TPostingRow r;
  if (!statement_ || account_.kind == kKindCounterparty || !currentPosting(r)) return;
  int64_t amount = 0;
  if (!ParseAmount(model_->text(currentRow(), kColRunningBal), amount)) return;
  const int32_t id = SweepAccount(account_.id, YmdToDateRec(r.date), amount);
  if (id == -1) return;
  rememberedTxn_ = id;
  quickRefresh();
}

void TFPstgs::transact(int kind) {
  if (account_.id <= 0) return;
  if (account_.kind == kKindCounterparty && kind > 2) return;
  const int32_t id = EnterTransactionForAccount(kind, account_.id);
  if (id <= 0) return;
  quickRefresh();
  ShowTransaction(id);
}

// ------------------------------------------------------------------ navigation

void TFPstgs::viewPosting() {
  TPostingRow r;
  if (!currentPosting(r)) return;
  static QPointer<TFpdets> details;
  if (!details) details = new TFpdets(this);
  if (details->showPosting(r.txnId, r.account)) ShowRestored(details);
}

void TFPstgs::viewTransaction() {
  TPostingRow r;
  if (!currentPosting(r) || r.type == QChar('A')) return;
  ShowTransaction(r.txnId);
}

void TFPstgs::listContra() {
  TPostingRow r;
  if (!currentPosting(r) || r.contra <= 0) return;
  showPostingsAtTxn(r.contra, r.txnId);
}

void TFPstgs::listCategory() {
  TPostingRow r;
  if (!currentPosting(r) || r.categoryId <= 0) return;
  if (ccy_ != Session().settings.baseCurrency) {
    ShowInfo(QStringLiteral("Switching to base currency"));
    switchToBase_ = true;
  }
  showPostingsAtTxn(r.categoryId, r.txnId);
  switchToBase_ = false;
}

void TFPstgs::goBack() {
  if (backAccount_ <= 0) return;
  const int accountId = backAccount_;
  const int32_t txnId = backTxn_;
  const QString before = Session().workingCurrency;
  if (!backCcy_.isEmpty()) Session().workingCurrency = backCcy_;
  const int keepAccount = account_.id;
  showPostingsAtTxn(accountId, txnId);
  if (account_.id == keepAccount && keepAccount != accountId) {
    Session().workingCurrency = before;  // the opening was declined
    return;
  }
  backAccount_ = 0;
  backTxn_ = 0;
  backCcy_.clear();
  action(QStringLiteral("Back"))->setEnabled(false);
}

// ------------------------------------------------------------------ export

QString TFPstgs::exportTitle() const {
  // The same B/fd as the statement shows, whichever view is listed.
  const TPostingsQuery q =
      PostingsQueryFor(account_, ccy_, true, when(), typeFilter(), channelFilter());
  TBfdLine bfd = bfd_;
  if (!statement_ && HasBfdLine(account_.kind)) ComputeBfd(account_, q, Session().dbStartDate, bfd);
  return PostingsExportTitle(windowTitle(), name_->text(), q, bfd);
}

void TFPstgs::exportList(int how) {
  if (how == 3) {
    ShowInfo(QStringLiteral(
        "Printing is unfortunately no longer supported because of a bug in Quick Reports - "
        "apologies.\rSuggest export to Excel & print from there."));
    return;
  }
  model_->fetchAll();
  const QString title = exportTitle();
  if (how == 0)
    ExportDataSet(*grid_, title, QString());
  else
    ExportListToFile(*grid_, title, QString(), how == 1 ? TExportMode::Csv : TExportMode::Tabs,
                     QStringLiteral("pstgs"));
}

// ================================================================== the one window

namespace {
QPointer<TFPstgs> g_window;
}

TFPstgs* ThePostingsWindow() {
  if (!g_window) g_window = new TFPstgs;
  return g_window;
}

void ShowAllPostings(int accountId) { ThePostingsWindow()->showAllPostings(accountId); }

void InstallPostingsScreens() {
  ScreenHooks().showPostings = [](int id) { ThePostingsWindow()->showPostings(id); };
  ScreenHooks().showPostingsAtTxn = [](int id, int32_t txn) {
    ThePostingsWindow()->showPostingsAtTxn(id, txn);
  };
  // Other books: nothing of this account, its Back memory or cursor carries over.
  AddDatabaseClosingHook([] {
    if (g_window) g_window->resetState();
  });
}

// ================================================================== posting details

QList<QPair<QString, QString>> PostingDetailsLines(const TPstg& p) {
  const QString type = p.type;
  QString code = QString::number(p.reconcileCode);
  if (p.reconcileCode == 1)
    code += " posting reconciled";
  else if (p.reconcileCode < 0 || p.reconcileCode > 1)
    code += " invalid";
  auto yesNo = [](bool on) { return on ? QStringLiteral("yes") : QStringLiteral("no"); };
  return {
      {"Transaction",
       QString::number(p.txnId) + " (type " + type + "=" + TxnTypeName(p.type) + ")"},
      {"Seq", QString::number(p.seq)},
      {"Batch", QString::number(p.batch)},
      {"Account", QString::number(p.account)},
      {"Channel", QString::number(p.channel)},
      {"Contra account", QString::number(p.contra)},
      {"Date", DateRecToText(p.postingDate)},
      {"Amount",
       p.type == QChar('A') ? QStringLiteral("calculated dynamically") : FormatAmount(p.amount)},
      {"Value ", FormatAmount(p.value)},
      {"Currency", p.ccy.trimmed()},
      {"Running balance", FormatAmount(p.runningBalance)},
      {"Reconciled amount", FormatAmount(p.reconciledAmount)},
      {"Reconciliation code", code},
      {"Date visible in statement view?", yesNo(p.firstOfDay)},
      {"Running bal visible in statement view?", yesNo(p.balanceShown)},
  };
}

TFpdets::TFpdets(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fpdets"));
  setWindowTitle(QStringLiteral("Posting details"));
  setModal(false);
  auto* form = new QFormLayout;
  for (const auto& line : PostingDetailsLines(TPstg())) {
    auto* caption = new QLabel(line.first, this);
    auto* value = new QLabel(this);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setAccessibleName(line.first.trimmed());
    captions_ << caption;
    values_ << value;
    form->addRow(caption, value);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* bar = new QMenuBar(this);
  QAction* close = bar->addAction(QStringLiteral("Close"));
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addLayout(form);
  layout->addWidget(ok, 0, Qt::AlignRight);
  connect(ok, &QPushButton::clicked, this, &QDialog::close);
  connect(close, &QAction::triggered, this, &QDialog::close);
  RegisterWindowPosition(this, objectName());
}

bool TFpdets::showPosting(int32_t txnId, int32_t account) {
  TPstg p;
  if (!ReadPosting(txnId, account, p)) {
    ShowInfo("txn not found " + QString::number(txnId));
    return false;
  }
  const auto lines = PostingDetailsLines(p);
  for (int i = 0; i < lines.size(); ++i) values_[i]->setText(lines[i].second);
  return true;
}

QString TFpdets::value(const QString& caption) const {
  for (int i = 0; i < captions_.size(); ++i)
    if (captions_[i]->text() == caption) return values_[i]->text();
  return QString();
}
