#include "screens/masterdata/account_finder.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "reports/account_lists.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "store/records.h"
#include "store/session.h"

namespace {

TFinpacc* g_active = nullptr;

const char* const kPageNames[] = {"Actives", "Dormants", "Closed"};

}  // namespace

TFinpacc* ActiveFinder() { return g_active; }

TFinpacc::TFinpacc(int kind, const QString& text, QWidget* parent) : QDialog(parent), kind_(kind) {
  setObjectName(QStringLiteral("Finpacc"));
  setModal(true);
  setWindowTitle(AccountKindName(kind, 'U', 'S') + " search (old-style)");

  auto* menuBar = new QMenuBar(this);
  newSearch_ = menuBar->addAction(QStringLiteral("&New search"));
  connect(newSearch_, &QAction::triggered, this, [this] { newSearch(); });
  QAction* close = menuBar->addAction(QStringLiteral("&Close"));
  connect(close, &QAction::triggered, this, [this] { reject(); });

  auto* nameLabel = new QLabel(QStringLiteral("Account name"), this);
  name_ = new QLineEdit(this);
  name_->setMaxLength(kNameWidth);
  nameLabel->setBuddy(name_);
  name_->setAccessibleName(QStringLiteral("Account name"));

  auto* mode = new QGroupBox(QStringLiteral("Account name ..."), this);
  auto* modeLayout = new QHBoxLayout(mode);
  startsWith_ = new QRadioButton(QStringLiteral("Starts &with"), mode);
  contains_ = new QRadioButton(QStringLiteral("&Contains"), mode);
  for (QRadioButton* b : {startsWith_, contains_}) {
    b->setAccessibleName(QString(b->text()).remove(QLatin1Char('&')));
    modeLayout->addWidget(b);
  }
  startsWith_->setChecked(true);

  search_ = new QPushButton(QStringLiteral("Search"), this);
  select_ = new QPushButton(QStringLiteral("Select"), this);
  new_ = new QPushButton(QStringLiteral("New"), this);
  new_->setToolTip(QStringLiteral("New account"));
  for (QPushButton* b : {search_, select_, new_}) b->setAccessibleName(b->text());
  search_->setDefault(true);
  select_->setEnabled(false);
  connect(search_, &QPushButton::clicked, this, [this] { runSearch(); });
  connect(select_, &QPushButton::clicked, this, [this] { selectShown(); });
  connect(new_, &QPushButton::clicked, this, [this] { addNew(); });

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("Details")), &QAction::triggered, this,
          [this] { details(); });

  pages_ = new QTabWidget(this);
  for (int i = 0; i < 3; ++i) {
    auto* list = new QListWidget(pages_);
    CurrentFollowsSelection(list);
    list->setAccessibleName(QString::fromLatin1(kPageNames[i]));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { selectShown(); });
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& p) {
      if (QListWidgetItem* item = list->itemAt(p)) list->setCurrentItem(item);
      popup_->popup(list->viewport()->mapToGlobal(p));
    });
    lists_[i] = list;
    pages_->addTab(list, QString::fromLatin1(kPageNames[i]));
  }

  auto* top = new QHBoxLayout;
  top->addWidget(nameLabel);
  top->addWidget(name_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(search_);
  buttons->addWidget(select_);
  buttons->addWidget(new_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(top);
  layout->addWidget(mode);
  layout->addLayout(buttons);
  layout->addWidget(pages_, 1);
  setTabOrder(name_, startsWith_);
  setTabOrder(startsWith_, contains_);
  setTabOrder(contains_, search_);
  setTabOrder(search_, select_);
  setTabOrder(select_, new_);
  setTabOrder(new_, pages_);

  name_->setText(text);
  name_->setCursorPosition(int(text.size()));
  resize(380, 420);
  RegisterWindowPosition(this, QStringLiteral("Finpacc"));
}

void TFinpacc::runSearch() {
  if (shown_) return;
  const TSession& s = Session();
  TFinderPages found;
  FindAccounts(kind_, name_->text(), contains_->isChecked(), s.dormantCutoff,
               s.settings.baseCurrency, found);
  int firstShown = -1;
  for (int i = 0; i < 3; ++i) {
    QListWidget* list = lists_[i];
    ClearItemsWithIds(list);
    for (const TFinderHit& h : found.page[i]) AddItemWithId(list, h.text, h.id);
    if (list->count() > 0) {
      list->setCurrentRow(0);
      if (firstShown < 0) firstShown = i;
    }
    pages_->setTabText(
        i, QString::fromLatin1(kPageNames[i]) + " - " + QString::number(found.page[i].size()));
  }
  shown_ = true;
  EnableEdit(name_, false);
  search_->setEnabled(false);
  select_->setEnabled(true);
  search_->setDefault(false);
  select_->setDefault(true);
  if (firstShown >= 0) {
    pages_->setCurrentIndex(firstShown);
    lists_[firstShown]->setFocus();
  } else {
    // Nothing found: offer to create it.
    addNew();
  }
}

void TFinpacc::newSearch() {
  for (int i = 0; i < 3; ++i) {
    ClearItemsWithIds(lists_[i]);
    pages_->setTabText(i, QString::fromLatin1(kPageNames[i]));
  }
  shown_ = false;
  EnableEdit(name_, true);
  search_->setEnabled(true);
  select_->setEnabled(false);
  select_->setDefault(false);
  search_->setDefault(true);
  name_->setFocus();
}

void TFinpacc::selectShown() {
  const int id = SelectedId(lists_[pages_->currentIndex()]);
  if (id <= 0) return;
  TObj a;
  if (!ReadAccount(id, a)) return;
  SelectedAccount() = a;
  SelectedChannel() = TChannel();
  if (a.kind == 1 && !ChooseChannel(a, SelectedChannel(), QChar(' '), true))
    SelectedChannel() = TChannel();
  accept();
}

void TFinpacc::addNew() {
  QString text = name_->text();
  if (startsWith_->isChecked() && !text.isEmpty()) text = CapitalizeFirst(text);
  const int id = AddAccount(kind_, text);
  if (id <= 0) return;
  // The caller reads the choice from SelectedAccount, as after "Select".
  TObj a;
  if (ReadAccount(id, a)) {
    SelectedAccount() = a;
    SelectedChannel() = TChannel();
  }
  accept();
}

void TFinpacc::details() {
  const int id = SelectedId(lists_[pages_->currentIndex()]);
  if (id <= 0) return;
  if (EditAccount(id) && shown_) {
    const int page = pages_->currentIndex();
    shown_ = false;
    runSearch();
    pages_->setCurrentIndex(page);
  }
}

// ---- Operations ----------------------------------------------------------------------

namespace {

bool runFinder(int kind, const QString& text) {
  SelectedAccount() = TObj();
  SelectedChannel() = TChannel();
  TFinpacc finder(kind, text);
  TFinpacc* outer = g_active;
  g_active = &finder;
  const bool chosen = ShowModalAtPointer(&finder) == QDialog::Accepted;
  g_active = outer;
  if (!chosen) {
    SelectedAccount() = TObj();
    SelectedChannel() = TChannel();
  }
  return chosen;
}

}  // namespace

bool FindAccountByName(int kind, const QString& text) { return runFinder(kind, text); }

bool FindAccountFor(int kind, const TObj& account) { return runFinder(kind, account.name); }
