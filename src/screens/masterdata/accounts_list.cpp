#include "screens/masterdata/accounts_list.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"

namespace {

// The list showing now and its kind and mode; each opening saves the outer
// list's and puts them back when it closes, however it closes.
int g_listKind = 0;
int g_listMode = 0;
TFAccs* g_currentList = nullptr;

int familyOf(int kind) {
  switch (kind) {
    case kKindExternal:
      return kKindExternal;
    case kKindCategory:
    case kKindPot:
      return kKindCategory;
    case kKindCounterparty:
      return kKindCounterparty;
    default:
      return 0;
  }
}

// The rows scrolled into view by the arrow buttons at a time.
constexpr int kRowsPerArrow = 9;
// Beyond this a dormancy setting makes no sense (and the date arithmetic
// would leave the calendar).
constexpr int kMaxDormantDays = 36500;

const char* const kFilterCaptions[] = {"Favorites", "Recent", "Dormant", "Closed", "ALL"};

QString oneClickHint() {
  return Session().settings.oneClickSelect
             ? QStringLiteral("One-click select : click once for drill-down / postings")
             : QString();
}

}  // namespace

int AccountsListKind() { return g_listKind; }
int AccountsListMode() { return g_listMode; }

// ---- Model -------------------------------------------------------------------------

TAccountListModel::TAccountListModel(QObject* parent)
    : TRowTableModel({QStringLiteral("Account name"), QStringLiteral("Status")}, parent) {}

QVariant TAccountListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TAccountListRow& r = rows_[index.row()];
  return index.column() == 0 ? r.name : r.status;
}

// ---- Window --------------------------------------------------------------------------

TFAccs::TFAccs(int family, QWidget* parent) : QDialog(parent), family_(family) {
  setObjectName(QStringLiteral("FAccs"));
  setModal(true);
  build();
  RegisterWindowPosition(this, QStringLiteral("FAccs") + QString::number(family));
}

void TFAccs::build() {
  auto* menuBar = new QMenuBar(this);
  QMenu* options = menuBar->addMenu(QStringLiteral("Options"));
  dormancy_ = options->addAction(QStringLiteral("Dormancy"));
  connect(dormancy_, &QAction::triggered, this, [this] { askDormancy(); });

  // Status filter.
  auto* statusBox = new QGroupBox(QStringLiteral("Status"), this);
  auto* statusLayout = new QHBoxLayout(statusBox);
  for (int i = 0; i < 5; ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(kFilterCaptions[i]), statusBox);
    b->setAccessibleName(b->text());
    b->setChecked(i == 0);  // before the handler: nothing to refresh yet
    filters_ << b;
    statusLayout->addWidget(b);
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (!on || TakeQuietFlag()) return;
      refresh(currentId());
    });
  }

  auto* keyBox = new QGroupBox(QStringLiteral("OnKeyPress"), this);
  keyBox->setToolTip(QStringLiteral("select using first few characters of account name"));
  auto* keyLayout = new QHBoxLayout(keyBox);
  faster_ = new QRadioButton(QStringLiteral("Faster"), keyBox);
  faster_->setToolTip(QStringLiteral("for faster account selection on slower PCs"));
  smarter_ = new QRadioButton(QStringLiteral("Smarter"), keyBox);
  smarter_->setToolTip(QStringLiteral("for smarter account selection on faster PCs"));
  for (QRadioButton* b : {faster_, smarter_}) {
    b->setAccessibleName(b->text());
    keyLayout->addWidget(b);
  }
  faster_->setChecked(true);

  name_ = new QLineEdit(this);
  name_->setToolTip(QStringLiteral("name starts with"));
  name_->setAccessibleName(QStringLiteral("name starts with"));
  name_->setMaxLength(kNameWidth);
  name_->installEventFilter(this);
  connect(name_, &QLineEdit::textChanged, this, [this] { nameChanged(); });
  auto* jump = new QPushButton(QStringLiteral(">"), this);
  jump->setToolTip(QStringLiteral("Jump (retry)"));
  jump->setAccessibleName(QStringLiteral(">"));
  connect(jump, &QPushButton::clicked, this, [this] { incrementalSearch(); });

  auto* earlier = new QPushButton(QStringLiteral("\u25B2"), this);
  earlier->setAccessibleName(QStringLiteral("Earlier rows"));
  earlier->setObjectName(QStringLiteral("Earlier rows"));
  auto* later = new QPushButton(QStringLiteral("\u25BC"), this);
  later->setAccessibleName(QStringLiteral("Later rows"));
  later->setObjectName(QStringLiteral("Later rows"));
  connect(earlier, &QPushButton::clicked, this, [this] { scrollRows(-kRowsPerArrow); });
  connect(later, &QPushButton::clicked, this, [this] { scrollRows(kRowsPerArrow); });

  model_ = new TAccountListModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Accounts"));
  grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  grid_->installEventFilter(this);
  connect(grid_, &QTableView::doubleClicked, this, [this] { chooseCurrent(); });
  connect(grid_, &QTableView::clicked, this, [this] {
    if (Session().settings.oneClickSelect) chooseCurrent();
  });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) setCurrentRow(at.row());
    preparePopup();
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("&Select")), &QAction::triggered, this,
          [this] { chooseCurrent(); });
  connect(popup_->addAction(QStringLiteral("&Details")), &QAction::triggered, this,
          [this] { details(); });
  connect(popup_->addAction(QStringLiteral("&Postings")), &QAction::triggered, this, [this] {
    if (currentId() > 0) ShowPostings(currentId());
  });
  QAction* fav = popup_->addAction(QStringLiteral("Fa&vorite"));
  fav->setCheckable(true);
  connect(fav, &QAction::triggered, this, [this] { toggleFavourite(); });
  QAction* dft = popup_->addAction(QStringLiteral("De&fault"));
  dft->setCheckable(true);
  connect(dft, &QAction::triggered, this, [this] { toggleDefault(); });
  connect(popup_->addAction(QStringLiteral("De&lete")), &QAction::triggered, this,
          [this] { deleteCurrent(); });

  count_ = new QLabel(this);

  auto makeButton = [this](const QString& text, auto slot) {
    auto* b = new QPushButton(text, this);
    b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  QPushButton* ok = makeButton(QStringLiteral("OK"), [this] { chooseCurrent(); });
  ok->setDefault(true);
  default_ = makeButton(QStringLiteral("Default"), [this] { chooseDefault(); });
  QPushButton* add = makeButton(QStringLiteral("&New"), [this] { addNew(); });
  QPushButton* first = makeButton(QStringLiteral("First"), [this] { setCurrentRow(0); });
  QPushButton* last =
      makeButton(QStringLiteral("Last"), [this] { setCurrentRow(model_->rowCount() - 1); });
  QPushButton* find = makeButton(QStringLiteral("&Search"), [this] { search(); });
  QPushButton* again = makeButton(QStringLiteral("&Refresh"), [this] { refresh(currentId()); });
  QPushButton* close = makeButton(QStringLiteral("&Close"), [this] { reject(); });
  QPushButton* cancel = makeButton(QStringLiteral("Cancel"), [this] { reject(); });

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(name_, 1);
  nameRow->addWidget(jump);

  auto* right = new QVBoxLayout;
  for (QPushButton* b : {ok, default_, add, first, last, find, again, close, cancel})
    right->addWidget(b);
  right->addStretch();

  auto* left = new QVBoxLayout;
  left->addWidget(statusBox);
  left->addWidget(keyBox);
  left->addLayout(nameRow);
  left->addWidget(earlier);
  left->addWidget(grid_, 1);
  left->addWidget(later);
  left->addWidget(count_);

  auto* body = new QHBoxLayout;
  body->addLayout(left, 1);
  body->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(body);

  // Reading order: filters, typing mode, name, grid, then the buttons.
  QWidget* order[] = {filters_[0], filters_[1], filters_[2], filters_[3], filters_[4], faster_,
                      smarter_,    name_,       jump,        earlier,     grid_,       later,
                      ok,          default_,    add,         first,       last,        find,
                      again,       close,       cancel};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  resize(460, 520);
}

QPushButton* TFAccs::button(const QString& text) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

QAction* TFAccs::popupAction(const QString& text) const {
  for (QAction* a : popup_->actions())
    if (a->text() == text) return a;
  return nullptr;
}

bool TFAccs::run(int kind, int mode, int preselectId) {
  struct Restore {
    int kind = g_listKind;
    int mode = g_listMode;
    TFAccs* list = g_currentList;
    ~Restore() {
      g_listKind = kind;
      g_listMode = mode;
      g_currentList = list;
    }
  } restore;
  g_listKind = kind_ = kind;
  g_listMode = mode_ = mode;
  g_currentList = this;

  setFilter(AccountFilter::Favorites);
  ClearEditQuietly(name_);
  refresh();
  if (preselectId > 0) {
    // Widen the filter until the preselected account shows.
    while (RowOfId(model_->rows(), preselectId) < 0 && filter() != AccountFilter::All) {
      const AccountFilter f = filter();
      setFilter(f == AccountFilter::Closed ? AccountFilter::All : WiderFilter(f));
      refresh();
    }
    const int row = RowOfId(model_->rows(), preselectId);
    if (row >= 0) setCurrentRow(row);
  }
  updateHints();
  grid_->setToolTip(oneClickHint());
  grid_->setFocus();
  return ShowModalAtPointer(this) == QDialog::Accepted;
}

AccountFilter TFAccs::filter() const {
  for (int i = 0; i < filters_.size(); ++i)
    if (filters_[i]->isChecked()) return AccountFilter(i);
  return AccountFilter::All;
}

void TFAccs::setFilter(AccountFilter f) {
  QRadioButton* b = filters_[int(f)];
  if (!b->isChecked()) CheckRadioQuietly(b);
}

int TFAccs::defaultId() const { return DefaultAccountId(kind_); }

void TFAccs::updateDefaultButton() {
  const int id = defaultId();
  TObj a;
  const bool known = id > 0 && LocateAccount(id) && ReadAccount(id, a) && a.kind == kind_;
  default_->setEnabled(known);
  default_->setToolTip(known ? "Select the default " + AccountKindName(kind_, 'U', 'S') +
                                   " which is \"" + a.name + "\""
                             : QString());
}

void TFAccs::updateHints() {
  const QString n = QString::number(Session().settings.dormantAfter);
  filters_[int(AccountFilter::Recent)]->setToolTip("Opened or posted within the last " + n +
                                                   " days");
  filters_[int(AccountFilter::Dormant)]->setToolTip("Last posted more than " + n + " days ago");
  dormancy_->setText("Dormant after " + n + " days inactivity");
}

void TFAccs::refresh(int keepId, int fallbackRow) {
  BusyOn();
  QString caption = "Select " + AccountKindName(kind_, 'U', 'S').toUpper() + " ";
  if (kind_ == kKindExternal) caption += "in currency " + Session().workingCurrency;
  setWindowTitle(caption);
  updateDefaultButton();

  TAccountListQuery q;
  q.kind = kind_;
  q.filter = filter();
  q.dormancyDate = Session().dormantCutoff;
  if (kind_ == kKindExternal) q.ccy = Session().workingCurrency;
  QList<TAccountListRow> rows;
  ListAccounts(q, rows);
  model_->setRows(rows);

  int row = keepId > 0 ? RowOfId(model_->rows(), keepId) : -1;
  if (row < 0 && fallbackRow >= 0 && !model_->rows().isEmpty())
    row = std::min(fallbackRow, int(model_->rows().size()) - 1);
  if (row < 0) row = RowStartingWith(model_->rows(), name_->text());
  setCurrentRow(row);
  count_->setText(QString::number(model_->rowCount()) + " items");
  BusyOff();
}

int TFAccs::currentRow() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() ? i.row() : -1;
}

int TFAccs::currentId() const {
  const int row = currentRow();
  return row >= 0 && row < model_->rows().size() ? model_->rows()[row].id : 0;
}

void TFAccs::setCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    grid_->setCurrentIndex(QModelIndex());
    return;
  }
  const QModelIndex i = model_->index(row, 0);
  grid_->setCurrentIndex(i);
  grid_->scrollTo(i);
}

void TFAccs::scrollRows(int delta) {
  QScrollBar* bar = grid_->verticalScrollBar();
  bar->setValue(bar->value() + delta);
}

void TFAccs::chooseCurrent() {
  const int id = currentId();
  if (id > 0) choose(id);
}

bool TFAccs::choose(int id) {
  TObj a;
  if (!ReadAccount(id, a)) {  // gone meanwhile: "Account not found" was shown
    refresh(0, currentRow());
    return false;
  }
  if (mode_ == 2) {
    ShowPostings(id);
    accept();
    return true;
  }
  SelectedAccount() = a;
  SelectedChannel() = TChannel();
  if (a.kind == kKindExternal && !ChooseChannel(a, SelectedChannel(), ChannelDirection(), true))
    SelectedChannel() = TChannel();
  accept();
  return true;
}

void TFAccs::chooseDefault() {
  const int id = defaultId();
  TObj a;
  if (id <= 0 || !ReadAccount(id, a)) return;
  SelectedAccount() = a;
  SelectedChannel() = TChannel();
  if (a.kind == kKindExternal && !ChooseChannel(a, SelectedChannel(), ChannelDirection(), true))
    SelectedChannel() = TChannel();
  accept();
}

void TFAccs::nameChanged() {
  if (TakeQuietFlag()) return;
  if (smarter_->isChecked()) {
    incrementalSearch();
    return;
  }
  const bool found = FindAccountByName(kind_, name_->text());
  ClearEditQuietly(name_);
  if (!found) return;
  // The finder chose the account (and its channel): no second chooser here.
  if (mode_ == 2) ShowPostings(SelectedAccount().id);
  accept();
}

void TFAccs::incrementalSearch() {
  const QString text = name_->text();
  int row = RowStartingWith(model_->rows(), text);
  while (row < 0) {
    const AccountFilter f = filter();
    if (f == AccountFilter::Closed || f == AccountFilter::All) break;
    setFilter(WiderFilter(f));
    refresh();
    row = RowStartingWith(model_->rows(), text);
  }
  if (row >= 0) setCurrentRow(row);
}

void TFAccs::addNew() {
  const int id = AddAccount(kind_, name_->text());
  if (id <= 0) return;
  if (mode_ == 2) {
    setFilter(AccountFilter::All);
    refresh(id);
    if (currentId() != id) {
      ShowProgramError(QStringLiteral("do_add.posn_at failed"));
      return;
    }
  }
  choose(id);
}

void TFAccs::details() {
  const int id = currentId();
  if (id <= 0) return;
  const int row = currentRow();
  if (EditAccount(id)) refresh(id, row);
}

void TFAccs::toggleFavourite() {
  const int id = currentId();
  if (id <= 0 || FrozenRefusal(QStringLiteral("change accounts"))) return;
  const int row = currentRow();
  TObj a;
  if (!ReadAccount(id, a)) {
    refresh(0, row);
    return;
  }
  a.favourite = !a.favourite;
  if (!WriteAccount(a) || !CommitIfActive()) {
    RollbackIfActive();
    refresh(id, row);
    return;
  }
  refresh(id, row);
  if (a.favourite) choose(id);
}

void TFAccs::toggleDefault() {
  const int id = currentId();
  if (id <= 0) return;
  TDbSettings& s = Session().settings;
  int* setting = kind_ == kKindExternal       ? &s.defaultCashId
                 : kind_ == kKindCounterparty ? &s.defaultCptyId
                 : kind_ == kKindCategory     ? &s.defaultCtgyId
                                              : &s.defaultPotId;
  if (*setting == id) {
    if (!AskYes(QStringLiteral("Unset Default marker for this item?"))) return;
    *setting = 0;
  } else {
    if (!AskYes(QStringLiteral("Make selected item the default for this account type?"))) return;
    *setting = id;
  }
  updateDefaultButton();
}

void TFAccs::deleteCurrent() {
  const int id = currentId();
  if (id <= 0 || FrozenRefusal(QStringLiteral("change accounts"))) return;
  const int row = currentRow();
  CanDeleteAccount(id);
  refresh(id, row);
}

void TFAccs::search() {
  if (mode_ == 1) {
    TObj a = NewObj();
    a.kind = uint8_t(kind_);
    a.name = name_->text().left(kNameWidth);
    if (FindAccountFor(kind_, a)) accept();
    return;
  }
  LastAccountSearchText() = name_->text();
  SearchAccounts(kind_);
  reject();
}

void TFAccs::askDormancy() {
  TDbSettings& s = Session().settings;
  int n = s.dormantAfter;
  if (!AskInt(QStringLiteral("Dormant after (days)"), n)) return;
  if (n < 1 || n > kMaxDormantDays) {
    Flash(QStringLiteral("Out of range"));
    return;
  }
  s.dormantAfter = n;
  TDateRec cutoff = Today();
  SubtractDays(cutoff, n);
  Session().dormantCutoff = DateRecToYmd(cutoff);
  updateHints();
  refresh(currentId());
}

void TFAccs::preparePopup() {
  const int row = currentRow();
  const bool any = row >= 0;
  const TAccountListRow r = any ? model_->rows()[row] : TAccountListRow();
  for (QAction* a : popup_->actions()) a->setEnabled(any);
  QAction* fav = popupAction(QStringLiteral("Fa&vorite"));
  fav->setChecked(any && r.favourite);
  QAction* dft = popupAction(QStringLiteral("De&fault"));
  dft->setEnabled(any && r.kind == kind_);
  dft->setChecked(any && r.id == defaultId());
}

void TFAccs::keyPressEvent(QKeyEvent* e) {
  // Enter chooses the current row, except on a button, which it presses.
  const bool onButton = qobject_cast<QPushButton*>(focusWidget()) != nullptr;
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !onButton) {
    chooseCurrent();
    return;
  }
  QDialog::keyPressEvent(e);
}

bool TFAccs::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, e);
  auto* k = static_cast<QKeyEvent*>(e);
  if (watched == name_) {
    switch (k->key()) {
      case Qt::Key_Up:
        setCurrentRow(std::max(0, currentRow() - 1));
        return true;
      case Qt::Key_Down:
        setCurrentRow(std::min(model_->rowCount() - 1, currentRow() + 1));
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        chooseCurrent();
        return true;
      default:
        break;
    }
  } else if (watched == grid_) {
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      chooseCurrent();
      return true;
    }
    const QString text = k->text();
    const bool typed = !text.isEmpty() && text.at(0).isPrint() &&
                       !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typed) {
      // Typing in the grid goes to the name box.
      if (smarter_->isChecked()) name_->setFocus();
      name_->setText(name_->text() + text);
      name_->setCursorPosition(int(name_->text().size()));
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

// ---- Opening -------------------------------------------------------------------------

TFAccs* AccountsListWindow(int kind) {
  static TFAccs* windows[3] = {nullptr, nullptr, nullptr};
  const int family = familyOf(kind);
  const int slot = family == kKindExternal ? 0 : family == kKindCategory ? 1 : 2;
  if (family == 0) return nullptr;
  if (!windows[slot]) windows[slot] = new TFAccs(family);
  return windows[slot];
}

bool OpenAccountsList(int kind, int mode, int preselectId) {
  TFAccs* w = AccountsListWindow(kind);
  if (!w) {
    ShowProgramError(QStringLiteral("accs.init"));
    return false;
  }
  if (w->isVisible()) {
    ShowProgramError("Cannot list " + AccountKindName(kind, 'U', 'P') +
                     ", the Select Account form is already in use");
    return false;
  }
  return w->run(kind, mode, preselectId);
}
