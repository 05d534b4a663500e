#include "screens/transactions/search_window.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDialog>
#include <QGridLayout>
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
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/search_changes.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_ops.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

// The radios in the dialog's order, with their hints.
struct RadioSpec {
  int kind;
  const char* caption;
  const char* hint;
};
const RadioSpec kRadios[] = {
    {kSearchAmount, "Amount", ""},
    {kSearchTxnId, "Transaction id", ""},
    {kSearchText, "Ref / Description", ""},
    {kSearchJournal, "All (Journal)", ""},
    {kSearchCancelled, "Cancelled", ""},
    {kSearchInstances, "Instances", "Enter master id"},
    {kSearchBatch, "Batch", "Enter batch id"},
    {kSearchIdRange, "Transaction id range ", ""},
    {kSearchStraddles, "Straddles",
     "where txndate & pstgdate straddle close of business on the specified date"},
    {kSearchInput, "Date input", "Date of data-capture into Vorbek"},
};

}  // namespace

// ================================================================== model

void SearchModel::reset(const QList<TSearchRow>& rows) {
  beginResetModel();
  rows_ = rows;
  // Texts are made as rows come into view: a list of every transaction shows at once.
  texts_.clear();
  texts_.resize(rows.size());
  endResetModel();
}

int SearchModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_.size();
}
int SearchModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kSearchColumns;
}

QVariant SearchModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::DisplayRole) return text(index.row(), index.column());
  if (role == Qt::TextAlignmentRole &&
      (index.column() == kSearchColAmount || index.column() == kSearchColTxnId))
    return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QString SearchModel::text(int r, int c) const {
  QStringList& t = texts_[r];
  if (t.isEmpty()) t = SearchRowTexts(rows_[r]);
  return t[c];
}

QVariant SearchModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o == Qt::Horizontal && role == Qt::DisplayRole && section < header_.size())
    return header_[section];
  return QAbstractTableModel::headerData(section, o, role);
}

// ================================================================== criteria dialog

TFSearch::TFSearch(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FSearch"));
  setWindowTitle(QStringLiteral("Transaction Search"));
  setWindowModality(Qt::ApplicationModal);
  text_ = new QLineEdit(this);
  text_->setAccessibleName(QStringLiteral("Search text"));
  auto* grid = new QGridLayout;
  grid->addWidget(text_, 0, 0, 1, 2);
  int line = 1;
  for (const RadioSpec& r : kRadios) {
    auto* b = new QRadioButton(QString::fromLatin1(r.caption), this);
    b->setAccessibleName(QString::fromLatin1(r.caption).trimmed());
    radios_ << qMakePair(r.kind, b);
    grid->addWidget(b, line, 0);
    if (*r.hint) grid->addWidget(new QLabel(QString::fromLatin1(r.hint), this), line, 1);
    const int kind = r.kind;
    connect(b, &QRadioButton::toggled, this, [this, kind](bool on) {
      if (!on || TakeQuietFlag()) return;
      ticked(kind);
    });
    ++line;
  }
  regenerate_ = new QCheckBox(QStringLiteral("Regenerate missing instances"), this);
  regenerate_->setAccessibleName(QStringLiteral("Regenerate missing instances"));
  regenerate_->setChecked(true);
  grid->addWidget(regenerate_, line++, 0, 1, 2);
  auto* okButton = NamedButton(QStringLiteral("OK"), this);
  auto* cancel = NamedButton(QStringLiteral("Cancel"), this);
  okButton->setDefault(true);
  auto* buttons = RightAlignedButtons({okButton, cancel});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, &TFSearch::ok);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  tick(kSearchAmount);
  RegisterWindowPosition(this, objectName());
}

QRadioButton* TFSearch::radio(int kind) const {
  for (const auto& r : radios_)
    if (r.first == kind) return r.second;
  return nullptr;
}

int TFSearch::tickedKind() const {
  for (const auto& r : radios_)
    if (r.second->isChecked()) return r.first;
  return kSearchAmount;
}

void TFSearch::tick(int kind) {
  if (QRadioButton* b = radio(kind); b && !b->isChecked()) CheckRadioQuietly(b);
  const bool needsText = kind != kSearchCancelled && kind != kSearchIdRange;
  text_->setEnabled(needsText);
  regenerate_->setEnabled(kind == kSearchInstances);
}

void TFSearch::ticked(int kind) {
  tick(kind);
  if (!text_->isEnabled()) return;
  text_->setFocus();
  if (kind == kSearchJournal || kind == kSearchInput) PickDateIntoEdit(text_);
}

void TFSearch::ok() {
  const int kind = tickedKind();
  TFSearchR* results = TheSearchResults();
  if (kind == kSearchIdRange) {
    QString first, last;
    int32_t from = 0, to = 0;
    if (!AskText(QStringLiteral("Start of range"), first) || !ParseRangeEnd(first, 0, from)) return;
    if (!AskText(QStringLiteral("End of range (blank for max)"), last) ||
        !ParseRangeEnd(last, kSearchMaxId, to))
      return;
    results->runSearch(IdRangeSearch(from, to), TSearchRun::User);
    return;
  }
  if (!results->runText(kind, text_->text(), TSearchRun::User) && SearchNeedsText(kind) &&
      text_->text().isEmpty())
    text_->setFocus();
}

// ================================================================== results window

TFSearchR::TFSearchR(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FSearchR"));
  setWindowTitle(QStringLiteral("Transaction search results"));
  model_ = new SearchModel(this);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_ = NewRowGrid(central, model_, QStringLiteral("Transactions"));
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setWordWrap(false);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
  status_ = new QLabel(central);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(grid_, 1);
  layout->addWidget(status_);
  buildMenus();
  connect(grid_, &QTableView::doubleClicked, this, &TFSearchR::viewDetails);
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    prepareContextMenu();
    context_->popup(grid_->viewport()->mapToGlobal(p));
  });
  auto* popup = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), grid_);
  popup->setContext(Qt::WidgetShortcut);
  connect(popup, &QShortcut::activated, this, [this] {
    const QRect r = grid_->visualRect(grid_->currentIndex());
    Q_EMIT grid_->customContextMenuRequested(r.isValid() ? r.center() : QPoint(0, 0));
  });
  RegisterWindowPosition(this, objectName());
  resize(1000, 500);
}

QAction* TFSearchR::action(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (plain(a->text()) == text) return a;
  return nullptr;
}

void TFSearchR::buildMenus() {
  QMenuBar* bar = menuBar();
  auto top = [this, bar](const QString& text, auto slot) {
    QAction* a = bar->addAction(text);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  top(QStringLiteral("&Close"), [this] { hide(); });
  top(QStringLiteral("&Refresh"), &TFSearchR::refresh);
  top(QStringLiteral("&Export"), &TFSearchR::exportList);
  top(QStringLiteral("&New search"), &TFSearchR::newSearch);
  top(QStringLiteral("&First"), &TFSearchR::firstRow);
  top(QStringLiteral("&Last"), &TFSearchR::lastRow);
  QMenu* scroll = bar->addMenu(QStringLiteral("&Scroll"));
  connect(scroll->addAction(QStringLiteral("&Up")), &QAction::triggered, this,
          [this] { scrollRows(-9); });
  connect(scroll->addAction(QStringLiteral("&Down")), &QAction::triggered, this,
          [this] { scrollRows(9); });
  journal_ = bar->addMenu(QStringLiteral("&Journal"));
  connect(journal_->addAction(QStringLiteral("Jump to date")), &QAction::triggered, this,
          &TFSearchR::jumpToDate);
  spread_ = journal_->addAction(JournalSpreadCaption(JournalSpread()));
  spread_->setObjectName(QStringLiteral("spread"));
  connect(spread_, &QAction::triggered, this, &TFSearchR::askSpread);
  connect(journal_->addAction(QStringLiteral("Next block")), &QAction::triggered, this,
          [this] { nextBlock(1); });
  connect(journal_->addAction(QStringLiteral("Previous block")), &QAction::triggered, this,
          [this] { nextBlock(-1); });
  connect(journal_, &QMenu::aboutToShow, this,
          [this] { spread_->setText(JournalSpreadCaption(JournalSpread())); });
  journal_->menuAction()->setEnabled(false);
  QMenu* assignMenu = bar->addMenu(QStringLiteral("Assign"));
  connect(assignMenu->addAction(QStringLiteral("Assign Category")), &QAction::triggered, this,
          [this] { assign(kKindCategory); });
  connect(assignMenu->addAction(QStringLiteral("Assign Counterparty")), &QAction::triggered, this,
          [this] { assign(kKindCounterparty); });
  top(QStringLiteral("Font"), &TFSearchR::chooseFont);

  context_ = new QMenu(this);
  auto add = [this](QMenu* menu, const QString& text, auto slot) {
    QAction* a = menu->addAction(text);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  add(context_, QStringLiteral("&View transaction details"), &TFSearchR::viewDetails);
  add(context_, QStringLiteral("Edit transaction ..."),
      [] { ShowInfo(QStringLiteral("Select Quick Edit or Full Edit")); });
  QMenu* quick = context_->addMenu(QStringLiteral("- &Quick edit"));
  add(quick, QStringLiteral("- &amount"), [this] { quickEdit(QChar('A')); });
  add(quick, QStringLiteral("- &description"), [this] { quickEdit(QChar('D')); });
  add(quick, QStringLiteral("- re&ference"), [this] { quickEdit(QChar('R')); });
  add(context_, QStringLiteral("- &Full edit"), &TFSearchR::fullEdit);
  context_->addSeparator();
  add(context_, QStringLiteral("View &batch"), &TFSearchR::viewBatch)
      ->setObjectName(QStringLiteral("viewBatch"));
  add(context_, QStringLiteral("&Remove from batch"), &TFSearchR::removeFromBatch)
      ->setObjectName(QStringLiteral("removeFromBatch"));
  add(context_, QStringLiteral("Add to batch"), &TFSearchR::addToBatch);
  context_->addSeparator();
  add(context_, CancelCaption(true), &TFSearchR::cancelTxn)
      ->setObjectName(QStringLiteral("cancelTxn"));
  add(context_, QStringLiteral("&Delete transaction"), &TFSearchR::deleteTxn);
}

void TFSearchR::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

void TFSearchR::resetState() {
  search_ = TSearch();
  model_->reset({});
  status_->clear();
  setWindowTitle(QStringLiteral("Transaction search results"));
  hide();
}

// ------------------------------------------------------------------ cursor

int TFSearchR::currentRow() const { return grid_->currentIndex().row(); }

void TFSearchR::setCurrentRow(int row) { SelectGridRow(grid_, row); }

bool TFSearchR::current(TSearchRow& row) const {
  const int r = currentRow();
  if (r < 0 || r >= model_->rowCount()) return false;
  row = model_->row(r);
  return true;
}

QList<int> TFSearchR::selectedRows() const {
  QList<int> rows;
  for (const QModelIndex& i : grid_->selectionModel()->selectedRows()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

// A few rows either side of the cursor in view, so it is not on the grid's edge.
void TFSearchR::keepOffEdge(int row) {
  if (row < 0) return;
  grid_->scrollTo(model_->index(qMin(model_->rowCount() - 1, row + 3), 0));
  grid_->scrollTo(model_->index(qMax(0, row - 3), 0));
  setCurrentRow(row);
}

void TFSearchR::firstRow() { setCurrentRow(0); }
void TFSearchR::lastRow() { setCurrentRow(model_->rowCount() - 1); }

void TFSearchR::scrollRows(int step) {
  const int r = currentRow();
  if (r < 0) return;
  grid_->scrollTo(model_->index(qBound(0, r + step, model_->rowCount() - 1), 0));
  setCurrentRow(r);
}

// ------------------------------------------------------------------ runs

bool TFSearchR::runText(int kind, const QString& text, TSearchRun how, int32_t positionId) {
  TSearch s;
  s.positionId = positionId;
  if (!ParseSearch(kind, text, JournalSpread(), s)) return false;
  if (kind == kSearchTxnId) {
    TheSearchDialog()->hide();
    hide();
    ShowTransaction(s.number);
    return true;
  }
  return runSearch(s, how);
}

bool TFSearchR::runSearch(const TSearch& s, TSearchRun how, int32_t cursorId, bool masterToo) {
  QList<TSearchRow> rows;
  BusyOn();
  const bool ok = RunSearch(s, rows);
  if (ok) {
    search_ = s;
    model_->reset(rows);
    setWindowTitle(SearchWindowCaption(s));
  }
  BusyOff();
  if (!ok) return false;
  lastRow();
  ShowRestored(this);
  FitColumnWidths(grid_);
  TheSearchDialog()->hide();

  if (s.kind == kSearchInstances && how != TSearchRun::Again &&
      TheSearchDialog()->regenerate()->isChecked())
    CheckMissingInstances(s.number);
  journal_->menuAction()->setEnabled(s.kind == kSearchJournal);
  if (s.kind == kSearchText && how == TSearchRun::User &&
      AskYes("Also search for Internal Accounts relating to " + InQuotes(s.text) + " ?"))
    SearchAccountsFor(kKindCategory, s.text);
  status_->setText(SearchStatusLine(rows));

  int row = cursorId != 0 ? SearchRowOf(rows, cursorId, masterToo) : -1;
  if (row < 0 && s.kind == kSearchJournal) row = JournalCursorRow(rows, s.centre, s.positionId);
  if (row < 0) row = rows.size() - 1;
  keepOffEdge(row);

  if (s.kind == kSearchBatch && rows.size() == 1 && how == TSearchRun::User &&
      AskYes("Transaction " + QString::number(rows.first().id) +
             " is in a batch of 1, OK to un-batch ?") &&
      LeaveBatch(rows.first().id))
    hide();
  return true;
}

void TFSearchR::refresh() {
  TSearchRow r;
  const int32_t id = current(r) ? r.id : 0;
  if (search_.kind == 0) return;
  runSearch(search_, TSearchRun::Refresh, id);
}

void TFSearchR::again(int32_t cursorId) {
  if (search_.kind == 0) return;
  runSearch(search_, TSearchRun::Again, cursorId);
}

void TFSearchR::newSearch() { ShowSearch(); }

// ------------------------------------------------------------------ journal

void TFSearchR::jumpToDate() {
  if (search_.kind != kSearchJournal) return;
  TDateRec d = YmdToDateRec(search_.centre);
  if (!PickDate(d)) return;
  const int32_t ymd = DateRecToYmd(d);
  if (ymd < search_.from || ymd > search_.to) {
    ShowJournalAround(ymd, 0);
    return;
  }
  search_.centre = ymd;
  keepOffEdge(JournalCursorRow(model_->rows(), ymd, 0));
}

void TFSearchR::askSpread() {
  int spread = JournalSpread();
  if (!AskInt(QStringLiteral("Journal spread (months either side of date)"), spread)) return;
  if (spread < 1 || spread > 120) {
    ShowInfo(QStringLiteral("Journal spread must be 1 to 120 months"));
    return;
  }
  Session().settings.journalBlockSize = spread;
  // The menu drops down again to show its new caption.
  QTimer::singleShot(0, this, [this] {
    if (isVisible()) menuBar()->setActiveAction(journal_->menuAction());
  });
}

void TFSearchR::nextBlock(int direction) {
  if (search_.kind != kSearchJournal) return;
  TDateRec d = YmdToDateRec(search_.centre);
  AddMonths(d, 2 * JournalSpread() * direction);
  ShowJournalAround(DateRecToYmd(d), 0);
}

// ------------------------------------------------------------------ other commands

void TFSearchR::assign(int kind) {
  if (FrozenRefusal(QStringLiteral("reassign txns"))) return;
  if (!PickAccount(kind)) return;
  const TObj target = SelectedAccount();
  if (target.id <= 0) return;
  const int how = AskChoice(
      "Assign " + AccountKindName(kind, 'U', 'S').trimmed() + " \"" + target.name + "\" ...",
      QStringLiteral("to selection"), QStringLiteral("to whole list"));
  QList<int32_t> ids;
  if (how == 1) {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
      ShowInfo(QStringLiteral("No items selected (use CTRL+Click to select)"));
      return;
    }
    for (int r : rows) ids << model_->row(r).id;
  } else if (how == 2) {
    for (const TSearchRow& r : model_->rows()) ids << r.id;
  } else {
    return;
  }
  TSearchRow r;
  const int32_t keep = current(r) ? r.id : 0;
  if (ReassignTxns(ids, target.id, kind == kKindCategory ? 3 : 4) > 0) again(keep);
}

void TFSearchR::chooseFont() {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, grid_->font(), this);
  if (!ok) return;
  grid_->setFont(f);
  refresh();
}

void TFSearchR::exportList() { ExportDataSet(*grid_, "VORBEK " + windowTitle(), QString()); }

void TFSearchR::prepareContextMenu() {
  TSearchRow r;
  const bool have = current(r);
  findChild<QAction*>(QStringLiteral("cancelTxn"))->setText(CancelCaption(!have || !r.cancelled));
  const bool batched = have && r.batch != 0;
  findChild<QAction*>(QStringLiteral("viewBatch"))->setEnabled(batched);
  findChild<QAction*>(QStringLiteral("removeFromBatch"))->setEnabled(batched);
}

void TFSearchR::viewDetails() {
  TSearchRow r;
  if (current(r)) ShowTransaction(r.id);
}

void TFSearchR::quickEdit(QChar what) {
  TSearchRow r;
  if (!current(r)) return;
  bool changed = false;
  if (what == QChar('A')) {
    changed = EditTxnAmount(r.id);
  } else {
    QString text = what == QChar('D') ? r.narrative : r.reference;
    changed = EditTxnText(r.id, text, what);
  }
  if (changed) again(r.id);
}

void TFSearchR::fullEdit() {
  TSearchRow r;
  if (current(r) && EditTransaction(r.id)) again(r.id);
}

void TFSearchR::viewBatch() {
  TSearchRow r;
  if (current(r) && r.batch != 0) ShowBatch(r.batch);
}

void TFSearchR::removeFromBatch() {
  TSearchRow r;
  if (!current(r) || r.batch == 0) return;
  if (FrozenRefusal(QStringLiteral("change batch"))) return;
  if (!ConfirmOk("Un-batch transaction " + QString::number(r.id))) return;
  if (LeaveBatch(r.id)) again(r.id);
}

void TFSearchR::addToBatch() {
  TSearchRow r;
  if (current(r) && SetBatch(r.id)) again(r.id);
}

void TFSearchR::cancelTxn() {
  TSearchRow r;
  if (!current(r)) return;
  if (FrozenRefusal(QStringLiteral("cancel txn"))) return;
  const QString caption = CancelCaption(!r.cancelled);
  if (!AskYes(caption + "?")) return;
  if (CancelTransaction(r.id, caption.startsWith(QLatin1Char('C')))) again(r.id);
}

void TFSearchR::deleteTxn() {
  TSearchRow r;
  if (!current(r)) return;
  const int row = currentRow();
  const int32_t following = model_->row(row + 1 < model_->rowCount() ? row + 1 : row).id;
  if (DeleteTransaction(r.id)) again(following);
}

// ================================================================== the one window

namespace {
QPointer<TFSearch> g_dialog;
QPointer<TFSearchR> g_results;
}  // namespace

TFSearch* TheSearchDialog() {
  if (!g_dialog) g_dialog = new TFSearch;
  return g_dialog;
}

TFSearchR* TheSearchResults() {
  if (!g_results) g_results = new TFSearchR;
  return g_results;
}

void ShowSearch() {
  TFSearch* d = TheSearchDialog();
  d->textBox()->clear();
  d->tick(d->tickedKind());
  ShowRestored(d);
  if (d->textBox()->isEnabled()) d->textBox()->setFocus();
}

void ShowJournal() {
  TFSearch* d = TheSearchDialog();
  d->tick(kSearchJournal);
  if (!PickDateIntoEdit(d->textBox())) return;
  TheSearchResults()->runText(kSearchJournal, d->textBox()->text(), TSearchRun::User);
}

void ShowJournalAroundWindow(int32_t date, int32_t txnId) {
  TheSearchDialog()->tick(kSearchJournal);
  TheSearchResults()->runText(kSearchJournal, YmdToText(date), TSearchRun::User, txnId);
}

void SearchTextWindow(const QString& text) {
  TheSearchResults()->runText(kSearchText, text, TSearchRun::User);
}

void ShowBatchWindow(int32_t batch) {
  TFSearch* d = TheSearchDialog();
  d->tick(kSearchBatch);
  d->textBox()->setText(QString::number(batch));
  TheSearchResults()->runText(kSearchBatch, d->textBox()->text(), TSearchRun::User);
}

void ShowInputOnWindow(int32_t createDate) {
  TFSearch* d = TheSearchDialog();
  d->textBox()->setText(createDate == 0 ? QStringLiteral("0000-00-00") : YmdToText(createDate));
  TheSearchResults()->runText(kSearchInput, d->textBox()->text(), TSearchRun::User);
}

void ShowInstancesWindow(int32_t masterId, int32_t txnId) {
  TheSearchResults()->runSearch(InstancesSearch(masterId), TSearchRun::User, txnId, true);
}

void ShowCptyCategoryTxnsWindow(int cptyId, int categoryId) {
  TheSearchResults()->runSearch(CptyCategorySearch(cptyId, categoryId), TSearchRun::User);
}

void InstallSearchScreens() {
  TScreenHooks& h = ScreenHooks();
  h.showBatch = ShowBatchWindow;
  h.showJournalAround = ShowJournalAroundWindow;
  h.showInstances = ShowInstancesWindow;
  h.showInputOn = ShowInputOnWindow;
  h.searchText = SearchTextWindow;
  h.showCptyCategoryTxns = ShowCptyCategoryTxnsWindow;
  AddDatabaseClosingHook([] {
    if (g_results) g_results->resetState();
    if (g_dialog) g_dialog->hide();
  });
}
