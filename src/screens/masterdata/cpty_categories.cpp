#include "screens/masterdata/cpty_categories.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/cpty_categories.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "store/records.h"
#include "store/session.h"

namespace {

Tfcptypots* g_chooser = nullptr;

const char* const kPageNames[] = {"Preferred", "Hidden", "Closed"};

QPushButton* button(const QString& text, const QString& hint = QString()) {
  auto* b = new QPushButton(text);
  b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
  b->setAutoDefault(false);
  if (!hint.isEmpty()) b->setToolTip(hint);
  return b;
}

}  // namespace

Tfcptypots::Tfcptypots(bool chooser, QWidget* parent) : QDialog(parent), chooser_(chooser) {
  setObjectName(QStringLiteral("fcptypots"));
  setWindowTitle(QStringLiteral("Counterparty Categories"));
  setModal(chooser);
  auto* top = new QVBoxLayout(this);

  auto* bar = new QMenuBar(this);
  hideAll_ = bar->addAction(QStringLiteral("Hideall"));
  connect(hideAll_, &QAction::triggered, this, &Tfcptypots::hideAll);
  connect(bar->addAction(QStringLiteral("Close")), &QAction::triggered, this, &Tfcptypots::reject);
  top->setMenuBar(bar);

  name_ = new QLabel;
  name_->setTextFormat(Qt::PlainText);
  name_->setToolTip(QStringLiteral("This is the Counterparty"));
  QFont f = name_->font();
  f.setBold(true);
  name_->setFont(f);
  top->addWidget(name_);

  auto* dirBox = new QGroupBox;
  auto* dl = new QHBoxLayout(dirBox);
  purchase_ = new QRadioButton(QStringLiteral("Purchase from"));
  sale_ = new QRadioButton(QStringLiteral("Sale to"));
  for (QRadioButton* r : {purchase_, sale_}) {
    r->setAccessibleName(r->text());
    dl->addWidget(r);
  }
  dl->addStretch(1);
  top->addWidget(dirBox);
  connect(purchase_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) directionChosen(QChar('P'));
  });
  connect(sale_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) directionChosen(QChar('S'));
  });

  popup_ = new QMenu(this);
  select_ = popup_->addAction(QStringLiteral("Select"), this, &Tfcptypots::selectEntry);
  hide_ = popup_->addAction(QStringLiteral("Hide"), this, &Tfcptypots::hideEntry);
  unhide_ = popup_->addAction(QStringLiteral("Unhide"), this, &Tfcptypots::unhideEntry);
  default_ = popup_->addAction(QStringLiteral("Set as default"), this, &Tfcptypots::setAsDefault);
  list_ =
      popup_->addAction(QStringLiteral("List transactions"), this, &Tfcptypots::listTransactions);
  details_ = popup_->addAction(QStringLiteral("View details"), this, &Tfcptypots::viewDetails);
  closeAccount_ =
      popup_->addAction(QStringLiteral("Close account"), this, &Tfcptypots::closeAccount);

  pages_ = new QTabWidget;
  for (int i = 0; i < 3; ++i) {
    auto* list = new QListWidget;
    list->setAccessibleName(QString::fromLatin1(kPageNames[i]));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
      QListWidgetItem* item = list->itemAt(pos);
      if (!item) return;
      list->setCurrentItem(item);
      enableItems();
      popup_->popup(list->viewport()->mapToGlobal(pos));
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this] {
      if (chooser_) selectEntry();
    });
    connect(list, &QListWidget::itemClicked, this, [this] {
      if (chooser_ && Session().settings.oneClickSelect) selectEntry();
    });
    CurrentFollowsSelection(list);
    lists_ui_[i] = list;
    pages_->addTab(list, QString::fromLatin1(kPageNames[i]));
  }
  connect(pages_, &QTabWidget::currentChanged, this, [this] { enableItems(); });
  top->addWidget(pages_, 1);

  ok_ = button(QStringLiteral("OK"));
  other_ = button(QStringLiteral("Other/New"),
                  QStringLiteral("Other Categories not yet used for this Counterparty"));
  cancel_ = button(QStringLiteral("Cancel"));
  connect(ok_, &QPushButton::clicked, this, &Tfcptypots::selectEntry);
  connect(other_, &QPushButton::clicked, this, &Tfcptypots::otherNew);
  connect(cancel_, &QPushButton::clicked, this, &Tfcptypots::reject);
  ok_->setVisible(chooser_);
  other_->setVisible(chooser_);
  auto* buttons = RightAlignedButtons({ok_, other_, cancel_});
  top->addLayout(buttons);

  resize(360, 420);
  RegisterWindowPosition(this, objectName());
}

void Tfcptypots::fillFor(int cptyId, QChar direction) {
  cptyId_ = cptyId;
  direction_ = direction;
  chosen_ = -1;
  TObj c;
  name_->setText(ReadAccount(cptyId, c) ? c.name : QString());
  // The program sets the direction: its change handler must not refill again.
  if (direction == QChar('P'))
    CheckRadioQuietly(purchase_);
  else if (direction == QChar('S'))
    CheckRadioQuietly(sale_);
  TakeQuietFlag();
  refill();
}

void Tfcptypots::directionChosen(QChar d) {
  if (TakeQuietFlag()) return;
  direction_ = d;
  refill();
}

void Tfcptypots::refill() {
  const int keep = selectedId();
  ListCptyCategories(cptyId_, direction_, lists_);
  const QList<TIdText>* entries[] = {&lists_.preferred, &lists_.hidden, &lists_.closed};
  for (int i = 0; i < 3; ++i) {
    QListWidget* list = lists_ui_[i];
    ClearItemsWithIds(list);
    for (const TIdText& e : *entries[i]) AddItemWithId(list, e.text, e.id);
    if (!SelectById(list, keep) && list->count() > 0) list->setCurrentRow(0);
  }
  enableItems();
}

int Tfcptypots::selectedId() const {
  if (!pages_) return -1;
  return SelectedId(lists_ui_[pages_->currentIndex()]);
}

void Tfcptypots::enableItems() {
  const int page = pages_->currentIndex();
  select_->setEnabled(chooser_);
  hide_->setEnabled(page == kPreferred);
  unhide_->setEnabled(page == kHidden);
  default_->setEnabled(page == kPreferred);
  closeAccount_->setEnabled(page != kClosed);
}

void Tfcptypots::popupAt(int row) {
  QListWidget* list = lists_ui_[pages_->currentIndex()];
  if (row < 0 || row >= list->count()) return;
  list->setCurrentRow(row);
  enableItems();
  popup_->popup(list->viewport()->mapToGlobal(list->visualItemRect(list->item(row)).center()));
}

void Tfcptypots::selectEntry() {
  if (!chooser_) return;
  const int id = selectedId();
  if (id <= 0) return;
  chosen_ = id;
  accept();
}

void Tfcptypots::hideEntry() {
  const int id = selectedId();
  if (id <= 0 || pages_->currentIndex() != kPreferred) return;
  if (SetCptyCategoryHidden(cptyId_, id, direction_, true)) refill();
}

void Tfcptypots::unhideEntry() {
  const int id = selectedId();
  if (id <= 0 || pages_->currentIndex() != kHidden) return;
  if (SetCptyCategoryHidden(cptyId_, id, direction_, false)) refill();
}

void Tfcptypots::setAsDefault() {
  const int id = selectedId();
  if (id <= 0 || pages_->currentIndex() != kPreferred || lists_.preferred.size() < 2) return;
  if (SetCptyCategoryAsDefault(cptyId_, id, direction_)) refill();
}

void Tfcptypots::listTransactions() {
  const int id = selectedId();
  if (id > 0) ShowCptyCategoryTxns(cptyId_, id);
}

void Tfcptypots::viewDetails() {
  const int id = selectedId();
  if (id > 0 && EditAccount(id)) refill();
}

void Tfcptypots::closeAccount() {
  const int id = selectedId();
  if (id <= 0 || pages_->currentIndex() == kClosed) return;
  if (CloseAccount(id)) refill();
}

void Tfcptypots::hideAll() {
  QList<int32_t> ids;
  for (const TIdText& e : lists_.preferred) ids << e.id;
  if (HideAllCptyCategories(cptyId_, direction_, ids)) refill();
}

void Tfcptypots::otherNew() {
  if (!chooser_ || !PickAccount(kKindCategory, 0)) return;
  chosen_ = SelectedAccount().id;
  accept();
}

void Tfcptypots::reject() {
  chosen_ = -1;
  QDialog::reject();
}

Tfcptypots* TheCptyCategoriesWindow() {
  static Tfcptypots* w = new Tfcptypots(false);
  return w;
}

Tfcptypots* ActiveCptyCategoryChooser() { return g_chooser; }

void ShowCptyCategoriesWindow(int cptyId) {
  TObj c;
  if (!ReadAccount(cptyId, c)) return;
  Tfcptypots* w = TheCptyCategoriesWindow();
  w->fillFor(cptyId, CptyCategoryDirection(c.cptyPays));
  w->pages()->setCurrentIndex(Tfcptypots::kPreferred);
  ShowRestored(w);
}

int ChooseCptyCategoryWindow(int cptyId, QChar direction, int mode) {
  // The chooser is a window of its own, so that the non-modal one keeps its state.
  static Tfcptypots* w = new Tfcptypots(true);
  if (w->isVisible()) return -1;
  w->fillFor(cptyId, direction);
  w->pages()->setCurrentIndex(Tfcptypots::kPreferred);
  const auto& preferred = w->lists().preferred;
  if (preferred.isEmpty()) return 0;
  if (mode == 2) return w->lists().singlePreferred();
  if (mode == 1 && preferred.size() == 1) return preferred.first().id;
  g_chooser = w;
  w->exec();
  g_chooser = nullptr;
  return w->chosen();
}
