#include "screens/views/balances_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/list_export.h"
#include "foundation/ui/window_positions.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "ledger/rebalance.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/views/group_details.h"
#include "shell/period_dialog.h"
#include "shell/shell_hooks.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

const QString kFilterCaptions[4] = {
    QStringLiteral("- Active"), QStringLiteral("- Recent     ( include inactive not yet Dormant )"),
    QStringLiteral("- Available  ( include Dormant )"),
    QStringLiteral("- All            ( include Closed )")};
const QString kOrderCaptions[3] = {QStringLiteral("Group, Name"), QStringLiteral("Name"),
                                   QStringLiteral("Amount")};
// The columns the six total labels sit under.
const int kTotalColumns[6] = {kBalPeriodBfd, kBalPayments, kBalReceipts,
                              kBalTransfers, kBalNet,      kBalBalance};

bool isAmountColumn(int c) { return c >= kBalDbBfd && c <= kBalBalance; }

}  // namespace

// ================================================================== model

void BalancesModel::reset(const QList<TBalanceRow>& rows, const TBalancesShown& shown) {
  beginResetModel();
  if (header_.isEmpty()) header_ = BalancesHeader();
  rows_ = rows;
  texts_.clear();
  texts_.reserve(rows.size());
  for (const TBalanceRow& r : rows_) texts_ << BalanceRowTexts(r, shown);
  endResetModel();
}

int BalancesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_.size();
}
int BalancesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kBalColumns;
}

QVariant BalancesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::DisplayRole) return texts_[index.row()][index.column()];
  if (role == Qt::TextAlignmentRole && isAmountColumn(index.column()))
    return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant BalancesModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o == Qt::Horizontal && role == Qt::DisplayRole && section < header_.size())
    return header_[section];
  return QAbstractTableModel::headerData(section, o, role);
}

// ================================================================== window

TFBals::TFBals(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FBals"));
  setWindowTitle(QStringLiteral("Balances"));
  model_ = new BalancesModel(this);
  buildControls();
  buildMenus();
  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
  resize(1000, 600);
}

QPushButton* TFBals::button(const QString& text) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (plain(b->text()) == text) return b;
  return nullptr;
}

QAction* TFBals::action(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (plain(a->text()) == text) return a;
  return nullptr;
}

void TFBals::buildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  header_ = NamedButton(QString(), central);
  header_->setFlat(true);
  header_->setToolTip(QStringLiteral("click for account Group details"));
  QFont bold = header_->font();
  bold.setBold(true);
  header_->setFont(bold);
  amounts_ = NamedButton(QStringLiteral("Show amounts"), central);
  amounts_->setToolTip(QStringLiteral("Show Movement / Balance figures for this period"));
  period_ = NamedButton(QString(), central);
  native_ = new QRadioButton(central);
  native_->setToolTip(QStringLiteral("Show amounts in the native currency of the account/group"));
  equivalent_ = new QRadioButton(central);
  equivalent_->setToolTip(
      QStringLiteral("Show base-curency equivalent amounts for foreign-currency accounts/groups"));
  native_->setChecked(true);

  auto* top = new QHBoxLayout;
  top->addWidget(header_);
  top->addStretch();
  top->addWidget(native_);
  top->addWidget(equivalent_);
  top->addWidget(amounts_);
  top->addWidget(period_);

  grid_ = NewRowGrid(central, model_, QStringLiteral("Balances"));
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  grid_->setSortingEnabled(false);

  count_ = new QLabel(central);
  auto* up = NamedButton(QStringLiteral("Scroll up"), central);
  auto* down = NamedButton(QStringLiteral("Scroll down"), central);
  totalsBar_ = new QWidget(central);
  totalsBar_->setMinimumHeight(20);
  for (QLabel*& l : totals_) l = new QLabel(totalsBar_);
  jump_ = new QLineEdit(central);
  jump_->setToolTip(QStringLiteral("Jump to position in this list "));
  jump_->setAccessibleName(QStringLiteral("Jump to position in this list"));
  jump_->setMaximumWidth(160);
  auto* clear = NamedButton(QStringLiteral("x"), central);
  clear->setToolTip(QStringLiteral("Clear 'jump to' box"));
  auto* retry = NamedButton(QStringLiteral(">"), central);
  retry->setToolTip(QStringLiteral("Jump (retry)"));
  clear->setMaximumWidth(24);
  retry->setMaximumWidth(24);

  auto* status = new QHBoxLayout;
  status->addWidget(count_);
  status->addWidget(up);
  status->addWidget(down);
  status->addWidget(totalsBar_, 1);
  status->addWidget(jump_);
  status->addWidget(clear);
  status->addWidget(retry);

  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top);
  layout->addWidget(grid_, 1);
  layout->addLayout(status);

  setTabOrder(header_, native_);
  setTabOrder(native_, equivalent_);
  setTabOrder(equivalent_, amounts_);
  setTabOrder(amounts_, period_);
  setTabOrder(period_, grid_);
  setTabOrder(grid_, up);
  setTabOrder(up, down);
  setTabOrder(down, jump_);
  setTabOrder(jump_, clear);
  setTabOrder(clear, retry);

  connect(header_, &QPushButton::clicked, this, &TFBals::openHeaderDetails);
  connect(amounts_, &QPushButton::clicked, this, &TFBals::toggleAmounts);
  connect(period_, &QPushButton::clicked, this, &TFBals::choosePeriod);
  auto currencyChanged = [this](bool on) {
    if (!on || TakeQuietFlag()) return;
    rememberedId_ = currentId();
    refresh();
  };
  connect(native_, &QRadioButton::toggled, this, currencyChanged);
  connect(equivalent_, &QRadioButton::toggled, this, currencyChanged);
  connect(up, &QPushButton::clicked, this, [this] {
    grid_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
  });
  connect(down, &QPushButton::clicked, this, [this] {
    grid_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  });
  connect(jump_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!jumpQuiet_) jumpTo(text);
  });
  connect(jump_, &QLineEdit::returnPressed, this, &TFBals::drillDown);
  connect(clear, &QPushButton::clicked, this, [this] {
    jump_->clear();
    grid_->setFocus();
  });
  connect(retry, &QPushButton::clicked, this, [this] { jumpTo(jump_->text()); });
  connect(grid_, &QTableView::doubleClicked, this, [this] { drillDown(); });
  connect(grid_, &QTableView::clicked, this, [this] {
    if (Session().settings.oneClickSelect) drillDown();
  });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    prepareContextMenu();
    context_->popup(grid_->viewport()->mapToGlobal(p));
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { placeTotals(); });

  // Typing anywhere goes to the jump box.
  for (QWidget* w : std::initializer_list<QWidget*>{grid_, header_, amounts_, period_, native_,
                                                    equivalent_, up, down, clear, retry})
    w->installEventFilter(this);
}

void TFBals::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* newMenu = bar->addMenu(QStringLiteral("&New"));
  connect(newMenu->addAction(QStringLiteral("Account")), &QAction::triggered, this,
          &TFBals::newAccount);
  connect(newMenu->addAction(QStringLiteral("Group")), &QAction::triggered, this,
          &TFBals::newGroup);
  QMenu* regroupMenu = bar->addMenu(QStringLiteral("Regroup"));
  connect(regroupMenu->addAction(QStringLiteral("Regroup selection")), &QAction::triggered, this,
          [this] { regroup(false); });
  connect(regroupMenu->addAction(QStringLiteral("Regroup all")), &QAction::triggered, this,
          [this] { regroup(true); });
  connect(bar->addAction(QStringLiteral("Search")), &QAction::triggered, this, [this] {
    LastAccountSearchText() = jump_->text();
    SearchAccounts(kind_);
  });

  filterMenu_ = bar->addMenu(QStringLiteral("&Filter"));
  auto* filterGroup = new QActionGroup(this);
  for (int i = 0; i < 4; ++i) {
    filters_[i] = filterMenu_->addAction(kFilterCaptions[i]);
    filters_[i]->setCheckable(true);
    filterGroup->addAction(filters_[i]);
    connect(filters_[i], &QAction::triggered, this, [this, i] { setFilter(BalancesFilter(i)); });
  }
  filters_[0]->setChecked(true);
  filterMenu_->addSeparator();
  grouped_ = filterMenu_->addAction(QStringLiteral("Grouped"));
  grouped_->setCheckable(true);
  grouped_->setChecked(true);
  connect(grouped_, &QAction::triggered, this, [this] {
    rememberedId_ = currentId();
    refresh();
  });
  hideUngrouped_ = filterMenu_->addAction(QStringLiteral("Hide ungrouped Counterparties"));
  hideUngrouped_->setCheckable(true);
  connect(hideUngrouped_, &QAction::triggered, this, [this] {
    rememberedId_ = currentId();
    refresh();
  });
  connect(filterMenu_->addAction(QStringLiteral("Show all accounts")), &QAction::triggered, this,
          [this] {
            filters_[int(BalancesFilter::All)]->setChecked(true);
            grouped_->setChecked(false);
            orders_[int(BalancesOrder::Name)]->setChecked(true);
            rememberedId_ = currentId();
            refresh();
          });
  favorites_ = filterMenu_->addAction(
      QStringLiteral("Favorites  ( hide all other accounts even if active )"));
  favorites_->setCheckable(true);
  favorites_->setVisible(false);
  connect(favorites_, &QAction::triggered, this, [this](bool on) {
    if (on) {
      grouped_->setChecked(false);
      reqBal_ = reqMov_ = false;
      orders_[int(BalancesOrder::Name)]->setChecked(true);
    }
    grouped_->setEnabled(!on);
    amounts_->setEnabled(!on);
    refresh();
  });

  QMenu* display = bar->addMenu(QStringLiteral("Display"));
  QMenu* sequence = display->addMenu(QStringLiteral("Sequence"));
  auto* orderGroup = new QActionGroup(this);
  for (int i = 0; i < 3; ++i) {
    orders_[i] = sequence->addAction(kOrderCaptions[i]);
    orders_[i]->setCheckable(true);
    orderGroup->addAction(orders_[i]);
    connect(orders_[i], &QAction::triggered, this, [this] {
      rememberedId_ = currentId();
      refresh();
    });
  }
  orders_[0]->setChecked(true);
  QMenu* fit = display->addMenu(QStringLiteral("Auto-fit column widths"));
  connect(fit->addAction(QStringLiteral("Now")), &QAction::triggered, this, [this] {
    FitColumnWidths(grid_);
    grid_->setColumnWidth(kBalType, grid_->fontMetrics().horizontalAdvance(QString(7, 'W')));
    placeTotals();
  });
  alwaysFit_ = fit->addAction(QStringLiteral("Always"));
  alwaysFit_->setCheckable(true);
  alwaysFit_->setChecked(BalancesAlwaysFit());
  connect(alwaysFit_, &QAction::toggled, this, [](bool on) { SetBalancesAlwaysFit(on); });
  connect(display->addAction(QStringLiteral("Font")), &QAction::triggered, this, [this] {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, grid_->font(), this);
    if (!ok) return;
    grid_->setFont(f);
    rememberedId_ = currentId();
    refresh();
  });

  QMenu* exportMenu = bar->addMenu(QStringLiteral("E&xport"));
  const QStringList exports{QStringLiteral("to Clipboard"), QStringLiteral("to File ( CSV )"),
                            QStringLiteral("to File ( tab delimited )"),
                            QStringLiteral("to Printer")};
  for (int i = 0; i < exports.size(); ++i)
    connect(exportMenu->addAction(exports[i]), &QAction::triggered, this,
            [this, i] { exportList(i); });
  back_ = bar->addAction(QStringLiteral("&Back"));
  back_->setEnabled(false);
  connect(back_, &QAction::triggered, this, &TFBals::goBack);
  connect(bar->addAction(QStringLiteral("&Refresh")), &QAction::triggered, this, [this] {
    rememberedId_ = currentId();
    refresh();
  });
  connect(bar->addAction(QStringLiteral("&Close")), &QAction::triggered, this, &QWidget::close);

  context_ = new QMenu(this);
  drill_ = context_->addAction(QStringLiteral("Drill-down Group"));
  connect(drill_, &QAction::triggered, this, &TFBals::drillDown);
  postings_ = context_->addAction(QStringLiteral("Account postings"));
  connect(postings_, &QAction::triggered, this, &TFBals::drillDown);
  details_ = context_->addAction(QStringLiteral("Account / Group details"));
  connect(details_, &QAction::triggered, this, &TFBals::openDetails);
  categories_ = context_->addAction(QStringLiteral("Counterparty-Categories"));
  connect(categories_, &QAction::triggered, this, [this] {
    TBalanceRow r;
    if (currentRowData(r)) ShowCounterpartyCategories(r.id);
  });
  sweep_ = context_->addAction(QStringLiteral("Sweep"));
  connect(sweep_, &QAction::triggered, this, &TFBals::sweep);
  copy_ = context_->addAction(QStringLiteral("Copy cell"));
  connect(copy_, &QAction::triggered, this, &TFBals::copyCell);
  context_->addSeparator();
  close_ = context_->addAction(QStringLiteral("Close"));
  connect(close_, &QAction::triggered, this, &TFBals::closeRow);
  delete_ = context_->addAction(QStringLiteral("Delete"));
  connect(delete_, &QAction::triggered, this, &TFBals::deleteRow);
}

// ------------------------------------------------------------------ state

QString TFBals::periodCaption() const {
  return "  Period " + YmdToText(Session().periodFrom) + " to " + YmdToText(Session().periodTo);
}

int TFBals::currentRow() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void TFBals::setCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const int col = qMax(0, grid_->currentIndex().column());
  grid_->setCurrentIndex(model_->index(row, col));
}

int32_t TFBals::currentId() const {
  const int r = currentRow();
  return r >= 0 ? model_->rows()[r].id : 0;
}

bool TFBals::currentRowData(TBalanceRow& row) const {
  const int r = currentRow();
  if (r < 0) return false;
  row = model_->rows()[r];
  return true;
}

int32_t TFBals::nextRowId(int row) const {
  const QList<TBalanceRow>& rows = model_->rows();
  if (row + 1 < rows.size()) return rows[row + 1].id;
  if (row - 1 >= 0 && row - 1 < rows.size()) return rows[row - 1].id;
  return 0;
}

void TFBals::resetState() {
  hide();
  groupId_ = 0;
  group_ = TObj();
  reqBal_ = reqMov_ = shownBal_ = shownMov_ = false;
  permission_ = false;
  rememberedId_ = 0;
  checkArmed_ = false;
  model_->reset({}, TBalancesShown{});
}

void TFBals::clearJumpQuietly() {
  jumpQuiet_ = true;
  jump_->clear();
  jumpQuiet_ = false;
}

void TFBals::showBalances(int kind) {
  if (kind != 1 && kind != 3 && kind != 4 && kind != 6) {
    ShowProgramError(QStringLiteral("Obj type shd be btype"));
    return;
  }
  kind_ = kind;
  // Internal accounts are always in the base currency, whatever the working one.
  ccy_ = kind == 3 || kind == 6 ? Session().settings.baseCurrency : Session().workingCurrency;
  groupId_ = 0;
  reqBal_ = reqMov_ = false;
  checkArmed_ = false;
  rememberedId_ = 0;
  clearJumpQuietly();
  refresh();
  ShowRestored(this);
  raise();
  activateWindow();
}

void TFBals::showBalancesOfGroup(int32_t groupId) {
  TObj g;
  if (!ReadAccount(groupId, g)) return;
  const int kind = g.baseKind;
  if (kind != 1 && kind != 4 && kind != 6) {
    ShowProgramError(QStringLiteral("Obj type shd be btype"));
    return;
  }
  kind_ = kind;
  ccy_ = kind == 1   ? g.ccy.trimmed()
         : kind == 6 ? Session().settings.baseCurrency
                     : Session().workingCurrency;
  grouped_->setChecked(true);
  groupId_ = groupId;
  reqBal_ = reqMov_ = false;
  checkArmed_ = false;
  rememberedId_ = 0;
  clearJumpQuietly();
  refresh();
  ShowRestored(this);
  raise();
  activateWindow();
}

// ------------------------------------------------------------------ refresh

void TFBals::refresh() {
  // A rebalance lets events run: a refresh asked for meanwhile runs afterwards.
  if (refreshing_) {
    refreshAgain_ = true;
    return;
  }
  refreshing_ = true;
  do {
    refreshAgain_ = false;
    refreshList();
  } while (refreshAgain_);
  refreshing_ = false;
}

void TFBals::refreshList() {
  TSession& s = Session();
  shownBal_ = reqBal_;
  shownMov_ = reqMov_;
  if ((shownBal_ || shownMov_) && RebalanceNeeded()) {
    bool current = false;
    if (permission_) {
      permission_ = false;
      current = RebalanceIfNeeded();
    }
    // Stale figures are never shown; the requests stay for a later refresh.
    if (!current) shownBal_ = shownMov_ = false;
  }
  amounts_->setText(shownMov_ ? QStringLiteral("Hide amounts") : QStringLiteral("Show amounts"));
  amounts_->setAccessibleName(amounts_->text());

  BusyOn();
  const QString base = s.settings.baseCurrency;
  const bool foreign = ccy_ != base && shownMov_;
  native_->setText("native " + ccy_);
  equivalent_->setText(base + " equivalent");
  native_->setAccessibleName(native_->text());
  equivalent_->setAccessibleName(equivalent_->text());
  native_->setVisible(foreign);
  equivalent_->setVisible(foreign);
  if (!foreign && !native_->isChecked()) CheckRadioQuietly(native_);

  const bool grouped = grouped_->isChecked();
  orders_[int(BalancesOrder::GroupName)]->setEnabled(!grouped);
  if (grouped && orders_[int(BalancesOrder::GroupName)]->isChecked())
    orders_[int(BalancesOrder::Name)]->setChecked(true);
  hideUngrouped_->setEnabled(kind_ == 4 && grouped);

  TBalancesQuery q;
  q.kind = kind_;
  q.groupId = groupId_;
  q.grouped = grouped;
  q.hideUngroupedCpty = hideUngrouped_->isChecked();
  q.favorites = favorites_->isChecked();
  for (int i = 0; i < 4; ++i)
    if (filters_[i]->isChecked()) q.filter = BalancesFilter(i);
  for (int i = 0; i < 3; ++i)
    if (orders_[i]->isChecked()) q.order = BalancesOrder(i);
  q.ccy = ccy_;
  q.equivalent = equivalent_->isChecked();
  q.amountsShown = shownBal_ || shownMov_;
  q.dormantCutoff = s.dormantCutoff;
  q.balFrom = s.periodFrom;
  q.balTo = s.periodTo;
  QList<TBalanceRow> rows;
  ListBalances(q, rows);

  // The header and "&Back".
  group_ = TObj();
  QString header;
  if (groupId_ > 0 && ReadAccount(groupId_, group_)) header = BalancesGroupHeader(groupId_);
  back_->setEnabled(groupId_ > 0);
  header_->setText(header);
  header_->setAccessibleName(header.trimmed());
  header_->setVisible(grouped);

  const bool filtering = q.filter != BalancesFilter::All || q.hideUngroupedCpty;
  filterMenu_->setTitle(filtering ? QStringLiteral("FILTERING") : QStringLiteral("Filter"));
  period_->setText(periodCaption());
  period_->setAccessibleName(period_->text().trimmed());
  setWindowTitle(BalancesCaption(kind_, ccy_));

  shown_.balances = shownBal_;
  shown_.movements = shownMov_;
  shown_.washCategories = s.settings.washCtgies;
  shown_.periodTo = s.periodTo;
  model_->reset(rows, shown_);
  for (int c = 0; c < kBalColumns; ++c)
    grid_->setColumnHidden(c, !BalancesColumnVisible(c, kind_, grouped, shown_));
  // "Group, Name" puts the group first; otherwise the name leads.
  QHeaderView* h = grid_->horizontalHeader();
  const int groupTo = q.order == BalancesOrder::GroupName ? 0 : 1;
  if (h->visualIndex(kBalGroup) != groupTo) h->moveSection(h->visualIndex(kBalGroup), groupTo);
  if (alwaysFit_->isChecked()) {
    FitColumnWidths(grid_);
    grid_->setColumnWidth(kBalType, grid_->fontMetrics().horizontalAdvance(QString(7, 'W')));
  }

  // Totals.
  count_->setText(QString::number(rows.size()) + " items  ");
  const TBalancesTotals t = SumBalances(rows, !grid_->isColumnHidden(kBalTransfers));
  const int64_t values[6] = {t.periodBfd, t.payments, t.receipts,
                             t.transfers, t.net(),    t.balance()};
  for (int i = 0; i < 6; ++i) totals_[i]->setText(FormatAmountSigned(values[i]));
  placeTotals();
  if (!rows.isEmpty()) {
    setCurrentRow(0);
    const int at = BalancesRowOfId(rows, rememberedId_);
    if (at >= 0) setCurrentRow(at);
    grid_->scrollTo(grid_->currentIndex());
  }
  BusyOff();
  grid_->setFocus();

  if (checkArmed_) {
    checkArmed_ = false;
    if (shownBal_) CheckGroupTotals(checkRow_, rows);
  }
}

void TFBals::placeTotals() {
  for (int i = 0; i < 6; ++i) {
    const int c = kTotalColumns[i];
    const bool visible = !grid_->isColumnHidden(c);
    totals_[i]->setVisible(visible);
    if (!visible) continue;
    const int x = ColumnLeftOffset(grid_, c) - totalsBar_->x();
    totals_[i]->adjustSize();
    totals_[i]->move(qMax(0, x), 0);
  }
}

// ------------------------------------------------------------------ amounts

void TFBals::toggleAmounts() {
  if (shownMov_)
    hideAmounts();
  else
    showAmounts();
}

void TFBals::showAmounts() {
  if (!AskRebalanceNow()) return;
  permission_ = true;
  reqMov_ = true;
  reqBal_ = kind_ != 4;
  rememberedId_ = currentId();
  refresh();
}

void TFBals::hideAmounts() {
  reqBal_ = reqMov_ = false;
  // Activity needs the movement figures.
  if (filters_[int(BalancesFilter::Active)]->isChecked())
    filters_[int(BalancesFilter::Recent)]->setChecked(true);
  rememberedId_ = currentId();
  refresh();
}

void TFBals::reopenWithoutAmounts() {
  if (reqBal_ || reqMov_)
    hideAmounts();
  else
    refresh();
}

void TFBals::choosePeriod() {
  if (!ShowPeriodDialog()) return;
  // The dialog rebalanced already; only a refused rebalance is left to try.
  if (!RebalanceIfNeeded()) permission_ = false;
  rememberedId_ = currentId();
  refresh();
}

void TFBals::setFilter(BalancesFilter f) {
  filters_[int(f)]->setChecked(true);
  if (f == BalancesFilter::Active && !reqMov_) {
    showAmounts();
    return;
  }
  if (!favorites_->isChecked()) {
    grouped_->setEnabled(true);
    amounts_->setEnabled(true);
  }
  rememberedId_ = currentId();
  refresh();
}

// ------------------------------------------------------------------ navigation

void TFBals::useRowCurrency(const TBalanceRow& row) {
  if (kind_ == 1 && !row.ccy.isEmpty())
    Session().workingCurrency = row.ccy;
  else if (kind_ == 3 || kind_ == 6)
    Session().workingCurrency = ccy_;
}

void TFBals::drillDown() {
  clearJumpQuietly();
  TBalanceRow r;
  if (!currentRowData(r)) return;
  TObj o;
  if (!ReadAccount(r.id, o)) return;  // gone since the list was read
  if (!r.isGroup) {
    useRowCurrency(r);
    ShowPostings(r.id);
    return;
  }
  if (shownBal_) {
    checkArmed_ = true;
    checkRow_ = r;
  }
  groupId_ = r.id;
  rememberedId_ = 0;
  refresh();
}

void TFBals::goBack() {
  if (groupId_ <= 0) return;
  const int32_t left = groupId_;
  groupId_ = group_.id == left ? group_.groupId : 0;
  rememberedId_ = left;
  refresh();
}

void TFBals::jumpTo(const QString& text) {
  const int row = BalancesJumpRow(model_->rows(), text);
  if (row < 0) return;
  const int last = qMin(row + 9, model_->rowCount() - 1);
  grid_->scrollTo(model_->index(last, 0));
  setCurrentRow(row);
  grid_->scrollTo(model_->index(row, 0));
}

bool TFBals::typedKey(QKeyEvent* e) {
  if (jump_->hasFocus()) return false;
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString t = e->text();
  if (t.isEmpty() || !t.at(0).isPrint()) return false;
  jump_->setText(jump_->text() + t);
  return true;
}

bool TFBals::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (watched == grid_ && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
      drillDown();
      return true;
    }
    if (k->key() == Qt::Key_Escape) {
      keyPressEvent(k);
      return true;
    }
    // A focused button keeps its Space.
    const bool buttonSpace = k->key() == Qt::Key_Space && watched != grid_;
    if (!buttonSpace && typedKey(k)) return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TFBals::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (back_->isEnabled())
      goBack();
    else
      close();
    return;
  }
  if (typedKey(e)) return;
  QMainWindow::keyPressEvent(e);
}

void TFBals::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  grid_->setToolTip(Session().settings.oneClickSelect
                        ? QStringLiteral("One-click select : click once for drill-down / postings")
                        : QString());
  jump_->setFocus();
}

// ------------------------------------------------------------------ row operations

void TFBals::prepareContextMenu() {
  TBalanceRow r;
  const bool has = currentRowData(r);
  drill_->setEnabled(has && r.isGroup);
  postings_->setEnabled(has && !r.isGroup);
  details_->setText(has && r.isGroup ? QStringLiteral("Group details")
                                     : QStringLiteral("Account details"));
  details_->setEnabled(has);
  categories_->setEnabled(has && r.kind == 4);
  const bool sweepable = has && shownBal_ && (r.kind == 1 || r.kind == 3 || r.kind == 6);
  sweep_->setText(sweepable ? "Sweep balance  " + FormatAmountSigned(nativeClosing(r))
                            : QStringLiteral("Sweep"));
  sweep_->setEnabled(sweepable);
  const QModelIndex i = grid_->currentIndex();
  copy_->setText("Copy cell  " + (i.isValid() ? model_->text(i.row(), i.column()) : QString()));
  copy_->setEnabled(i.isValid());
  close_->setEnabled(has);
  delete_->setEnabled(has);
}

int64_t TFBals::nativeClosing(const TBalanceRow& row) const {
  // Equivalent figures are base-currency values; a sweep moves the account's own amount.
  if (!equivalent_->isChecked()) return row.closing();
  return NativeClosingBalance(row.id, ccy_);
}

void TFBals::openHeaderDetails() {
  if (groupId_ <= 0) return;
  if (EditAccount(groupId_)) {
    rememberedId_ = currentId();
    reopenWithoutAmounts();
  }
}

void TFBals::openDetails() {
  clearJumpQuietly();
  TBalanceRow r;
  if (!currentRowData(r)) return;
  if (EditAccount(r.id)) {
    rememberedId_ = r.id;
    reopenWithoutAmounts();
  }
}

void TFBals::sweep() {
  TBalanceRow r;
  if (!currentRowData(r) || !shownBal_) return;
  if (r.kind != 1 && r.kind != 3 && r.kind != 6) return;
  TObj o;
  if (!ReadAccount(r.id, o)) return;
  const int64_t closing = nativeClosing(r);
  useRowCurrency(r);
  if (SweepAccount(r.id, YmdToDateRec(Session().periodTo), closing) > 0) {
    rememberedId_ = r.id;
    refresh();
  }
}

void TFBals::copyCell() {
  const QModelIndex i = grid_->currentIndex();
  if (!i.isValid()) return;
  QString text = model_->text(i.row(), i.column());
  text.remove(QLatin1Char(','));
  QApplication::clipboard()->setText(text);
}

void TFBals::closeRow() {
  TBalanceRow r;
  if (!currentRowData(r) || AccountChangesFrozen()) return;
  // A closed row stays listed under "- All".
  const int32_t keep =
      filters_[int(BalancesFilter::All)]->isChecked() ? r.id : nextRowId(currentRow());
  const bool closed = IsGroupKind(r.kind) ? CloseGroup(r.id) : CloseAccount(r.id);
  if (!closed) return;
  rememberedId_ = keep;
  refresh();
}

void TFBals::deleteRow() {
  TBalanceRow r;
  if (!currentRowData(r) || AccountChangesFrozen()) return;
  const int32_t next = nextRowId(currentRow());
  if (!CanDeleteAccount(r.id)) return;
  if (!AskYes(QStringLiteral("Refresh display?"))) return;
  rememberedId_ = next;
  refresh();
}

void TFBals::landOnNew(int32_t id) {
  if (id <= 0) return;
  rememberedId_ = id;
  refresh();
  if (BalancesRowOfId(model_->rows(), id) < 0)
    ShowInfo(QStringLiteral("New account added ok but not in this group or filter"));
}

void TFBals::newAccount() {
  int32_t id = 0;
  if (kind_ == 4) {
    id = AddAccount(kind_, jump_->text());
  } else {
    WorkingCurrencyAs ccy(ccy_);
    id = AddAccount(kind_, jump_->text());
  }
  landOnNew(id);
}

void TFBals::newGroup() {
  int32_t id = 0;
  {
    WorkingCurrencyAs ccy(kind_ == 4 ? Session().workingCurrency : ccy_);
    id = AddAccountOfKind(GroupKindFor(kind_));
  }
  if (id <= 0) return;
  // A new group changes the hierarchy: the figures are stale until a rebalance.
  if (shownMov_) {
    reqBal_ = reqMov_ = false;
    if (filters_[int(BalancesFilter::Active)]->isChecked())
      filters_[int(BalancesFilter::Recent)]->setChecked(true);
  }
  landOnNew(id);
}

void TFBals::regroup(bool all) {
  QList<QPair<int32_t, QString>> items;
  const QList<TBalanceRow>& rows = model_->rows();
  if (all) {
    for (const TBalanceRow& r : rows) items.append({r.id, r.name});
  } else {
    QList<int> selected;
    for (const QModelIndex& i : grid_->selectionModel()->selectedRows()) selected << i.row();
    std::sort(selected.begin(), selected.end());
    for (int r : selected) items.append({rows[r].id, rows[r].name});
  }
  if (items.isEmpty()) {
    ShowInfo(QStringLiteral("No account/group selected (use CTRL+Click)"));
    return;
  }
  if (AccountChangesFrozen()) return;
  bool changed = false;
  {
    WorkingCurrencyAs ccy(kind_ == 4 ? Session().workingCurrency : ccy_);
    changed = Regroup(GroupKindFor(kind_), items);
  }
  if (!changed) return;
  rememberedId_ = currentId();
  refresh();
}

void TFBals::exportList(int how) {
  if (how == 3) {
    ShowInfo(QStringLiteral(
        "Printing is unfortunately no longer supported because of a bug in Quick Reports - "
        "apologies.\rSuggest export to Excel & print from there."));
    return;
  }
  const QString title = "VORBEK " + windowTitle() + "  " + periodCaption();
  if (how == 0)
    ExportDataSet(*grid_, title, QString());
  else
    ExportListToFile(*grid_, title, QString(), how == 1 ? TExportMode::Csv : TExportMode::Tabs,
                     QStringLiteral("bals"));
}

// ================================================================== the one window

namespace {
QPointer<TFBals> g_window;
}

TFBals* TheBalancesWindow() {
  if (!g_window) g_window = new TFBals;
  return g_window;
}

void ShowBalances(int kind) { TheBalancesWindow()->showBalances(kind); }
void ShowBalancesOfGroup(int32_t groupId) { TheBalancesWindow()->showBalancesOfGroup(groupId); }

void InstallBalancesScreens() {
  TScreenHooks& h = ScreenHooks();
  h.drillDownGroup = [](int id) { ShowBalancesOfGroup(id); };
  h.addGroup = [](int kind, const QString& name) { return int(NewGroup(kind, name)); };
  h.editGroup = [](int id) { return ShowGroupDetails(id); };
  AddDatabaseClosingHook([] {
    if (g_window) g_window->resetState();
  });
}
