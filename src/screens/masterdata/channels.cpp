#include "screens/masterdata/channels.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/messages.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/channels.h"
#include "reports/cpty_lists.h"
#include "screens/screen_hooks.h"
#include "store/session.h"

namespace {

TFChannels* g_active = nullptr;

QPushButton* button(const QString& text) {
  auto* b = new QPushButton(text);
  b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
  b->setAutoDefault(false);
  return b;
}

// A labelled control of the channel form: the label names the control.
void addRow(QFormLayout* form, const QString& text, QWidget* control) {
  auto* l = new QLabel(text);
  l->setBuddy(control);
  control->setAccessibleName(text);
  form->addRow(l, control);
}

}  // namespace

// ------------------------------------------------------------------ window

TFChannels::TFChannels(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FChannels"));
  setWindowTitle(QStringLiteral("Channels"));
  setModal(true);
  auto* top = new QVBoxLayout(this);

  auto* bar = new QMenuBar(this);
  new_ = bar->addAction(QStringLiteral("New"), this, &TFChannels::newChannel);
  refresh_ = bar->addAction(QStringLiteral("Refresh"), this, &TFChannels::refill);
  filter_ = bar->addMenu(QStringLiteral("Filter"));
  excludeClosed_ = filter_->addAction(QStringLiteral("Exclude closed channels"));
  excludeClosed_->setCheckable(true);
  connect(excludeClosed_, &QAction::triggered, this, [this](bool on) {
    Session().settings.excludeClosedChannels = on;
    refill();
  });
  filter_->addSeparator();
  auto* group = new QActionGroup(this);
  payments_ = filter_->addAction(QStringLiteral("Just Payment channels"));
  receipts_ = filter_->addAction(QStringLiteral("Just Receipt channels"));
  both_ = filter_->addAction(QStringLiteral("Payment && Receipt channels"));
  for (QAction* a : {payments_, receipts_, both_}) {
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, &TFChannels::refill);
  }
  both_->setChecked(true);
  close_ = bar->addAction(QStringLiteral("Close"), this, &TFChannels::reject);
  top->setMenuBar(bar);

  account_ = new QLabel;
  account_->setTextFormat(Qt::PlainText);
  account_->setToolTip(QStringLiteral("this is the External Account whose channels are listed"));
  top->addWidget(account_);

  list_ = new QListWidget;
  list_->setAccessibleName(QStringLiteral("Channels"));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  CurrentFollowsSelection(list_);
  top->addWidget(list_, 1);

  popup_ = new QMenu(this);
  view_ = popup_->addAction(QStringLiteral("View Channel details"), this, &TFChannels::viewChannel);
  delete_ = popup_->addAction(QStringLiteral("Delete Channel"), this, &TFChannels::deleteChannel);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    QListWidgetItem* item = list_->itemAt(pos);
    if (!item) return;
    list_->setCurrentItem(item);
    popup_->popup(list_->viewport()->mapToGlobal(pos));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, &TFChannels::acceptSelected);
  connect(list_, &QListWidget::itemClicked, this, [this] {
    if (Session().settings.oneClickSelect) acceptSelected();
  });

  ok_ = button(QStringLiteral("OK"));
  cancel_ = button(QStringLiteral("Cancel"));
  connect(ok_, &QPushButton::clicked, this, &TFChannels::acceptSelected);
  connect(cancel_, &QPushButton::clicked, this, &TFChannels::reject);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  top->addLayout(buttons);

  resize(320, 360);
  RegisterWindowPosition(this, objectName());
}

QChar TFChannels::filterDirection() const {
  if (payments_->isChecked()) return QChar('P');
  if (receipts_->isChecked()) return QChar('R');
  return QChar(' ');
}

void TFChannels::captions() {
  const QChar d = filterDirection();
  const bool narrowed = Session().settings.excludeClosedChannels || d != QChar(' ');
  filter_->setTitle(narrowed ? QStringLiteral("FILTER") : QStringLiteral("Filter"));
  setWindowTitle(d == QChar('P')   ? QStringLiteral("Payment channels")
                 : d == QChar('R') ? QStringLiteral("Receipt channels")
                                   : QStringLiteral("Channels"));
}

int TFChannels::prepare(const TObj& account, QChar direction) {
  accountObj_ = account;
  choice_ = TChannel();
  account_->setText(account.name);
  (direction == QChar('P')   ? payments_
   : direction == QChar('R') ? receipts_
                             : both_)
      ->setChecked(true);
  excludeClosed_->setChecked(Session().settings.excludeClosedChannels);
  refill();
  return list_->count() - 1;
}

void TFChannels::refill() {
  captions();
  const int keep = SelectedId(list_);
  QList<TIdText> entries;
  ListChannels(accountObj_.id, entries, Session().settings.excludeClosedChannels,
               filterDirection());
  ClearItemsWithIds(list_);
  for (const TIdText& e : entries) AddItemWithId(list_, e.text, e.id);
  if (!SelectById(list_, keep)) list_->setCurrentRow(0);
}

void TFChannels::showEvent(QShowEvent* event) {
  list_->setToolTip(Session().settings.oneClickSelect
                        ? QStringLiteral("One-click select : click once for drill-down / postings")
                        : QString());
  list_->setFocus();
  QDialog::showEvent(event);
}

void TFChannels::acceptSelected() {
  const int id = SelectedId(list_);
  if (id < 0) return;
  TChannel ch;
  // "< no channel >" is a choice too: the empty channel.
  if (id > 0 && !ReadChannel(id, ch)) return;
  choice_ = ch;
  accept();
}

void TFChannels::newChannel() {
  if (NewChannel(accountObj_.id) <= 0) return;
  both_->setChecked(true);
  refill();
}

void TFChannels::viewChannel() {
  const int id = SelectedId(list_);
  if (id > 0) ShowChannel(id);
}

void TFChannels::deleteChannel() {
  const int id = SelectedId(list_);
  if (id > 0 && DeleteChannel(id)) refill();
}

// -------------------------------------------------------------------- form

TFChDets::TFChDets(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FChDets"));
  setWindowTitle(QStringLiteral("Channel details"));
  auto* top = new QVBoxLayout(this);

  auto* bar = new QMenuBar(this);
  new_ = bar->addAction(QStringLiteral("New"), this, &TFChDets::menuNew);
  edit_ = bar->addAction(QStringLiteral("Edit"), this, &TFChDets::menuEdit);
  delete_ = bar->addAction(QStringLiteral("Delete"), this, &TFChDets::menuDelete);
  top->setMenuBar(bar);

  pages_ = new QTabWidget;
  auto* details = new QWidget;
  details->setAccessibleName(QStringLiteral("Details"));
  auto* form = new QFormLayout(details);
  id_ = new QLineEdit;
  id_->setReadOnly(true);
  account_ = new QLineEdit;
  account_->setReadOnly(true);
  name_ = new QLineEdit;
  name_->setMaxLength(kChannelNameWidth);
  name_->setToolTip(QStringLiteral(
      "for example \"Cheque\", \"Debit Card\", \"Standing Order\", \"Direct Debit\" ..."));
  status_ = new QComboBox;
  status_->addItems({QStringLiteral("Open"), QStringLiteral("Closed")});
  addRow(form, QStringLiteral("Channel id"), id_);
  addRow(form, QStringLiteral("External account"), account_);
  addRow(form, QStringLiteral("Channel name"), name_);
  addRow(form, QStringLiteral("Status"), status_);
  auto* type = new QGroupBox(QStringLiteral("Type"));
  auto* tl = new QHBoxLayout(type);
  payment_ = new QRadioButton(QStringLiteral("Payment"));
  receipt_ = new QRadioButton(QStringLiteral("Receipt"));
  for (QRadioButton* r : {payment_, receipt_}) {
    r->setAccessibleName(r->text());
    // Both may be off ("X": payments and receipts): a click on the ticked one unticks it.
    r->setAutoExclusive(false);
    tl->addWidget(r);
  }
  connect(payment_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) receipt_->setChecked(false);
  });
  connect(receipt_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) payment_->setChecked(false);
  });
  tl->addStretch(1);
  form->addRow(type);
  pages_->addTab(details, QStringLiteral("Details"));
  notePage_ = new QWidget;
  auto* nl = new QVBoxLayout(notePage_);
  note_ = new QPlainTextEdit;
  note_->setTabChangesFocus(true);
  note_->setAccessibleName(QStringLiteral("Note"));
  nl->addWidget(note_);
  pages_->addTab(notePage_, QStringLiteral("Note"));
  top->addWidget(pages_, 1);

  ok_ = button(QStringLiteral("OK"));
  cancel_ = button(QStringLiteral("Close"));
  connect(ok_, &QPushButton::clicked, this, &TFChDets::pressOk);
  connect(cancel_, &QPushButton::clicked, this, &TFChDets::pressCancel);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  top->addLayout(buttons);

  resize(380, 300);
  RegisterWindowPosition(this, objectName());
}

void TFChDets::setMode(Mode m) {
  mode_ = m;
  const bool typing = m != Mode::Display;
  for (QWidget* w : std::initializer_list<QWidget*>{name_, status_, payment_, receipt_, note_})
    w->setEnabled(typing);
  ok_->setEnabled(typing);
  cancel_->setText(typing ? QStringLiteral("Cancel") : QStringLiteral("Close"));
  cancel_->setAccessibleName(cancel_->text());
  for (QAction* a : {new_, edit_, delete_}) a->setEnabled(!typing);
}

void TFChDets::fillFrom(const TChannel& ch) {
  ch_ = ch;
  id_->setText(ch.chnum > 0 ? QString::number(ch.chnum) : QStringLiteral("new"));
  TObj a;
  account_->setText(ReadAccount(ch.accId, a) ? a.name : QString());
  name_->setText(ch.name);
  status_->setCurrentIndex(ch.status != 0 ? 1 : 0);
  payment_->setChecked(ch.type == QChar('P'));
  receipt_->setChecked(ch.type == QChar('R'));
  note_->setPlainText(ch.note);
  pages_->setTabText(pages_->indexOf(notePage_),
                     ch.note.isEmpty() ? QStringLiteral("Note") : QStringLiteral("NOTE"));
  pages_->setCurrentIndex(0);
}

bool TFChDets::showStored(int32_t chnum) {
  TChannel ch;
  if (!ReadChannel(chnum, ch)) {
    ShowInfo("Channel " + QString::number(chnum) + " not found");
    return false;
  }
  saved_ = 0;
  fillFrom(ch);
  setMode(Mode::Display);
  return true;
}

bool TFChDets::startNew(int accountId) {
  TObj a;
  if (!ReadAccount(accountId, a)) return false;
  TChannel ch;
  ch.accId = accountId;
  ch.type = QChar('X');
  saved_ = 0;
  fillFrom(ch);
  setMode(Mode::New);
  name_->setFocus();
  return true;
}

void TFChDets::pressOk() {
  if (mode_ == Mode::Display) {
    accept();
    return;
  }
  TChannelEntry e;
  e.isNew = mode_ == Mode::New;
  e.chnum = ch_.chnum;
  e.accountId = ch_.accId;
  e.name = name_->text();
  e.closed = status_->currentIndex() == 1;
  e.payment = payment_->isChecked();
  e.receipt = receipt_->isChecked();
  e.note = note_->toPlainText();
  TChannel saved;
  if (!SaveChannel(e, saved)) return;
  saved_ = saved.chnum;
  ch_ = saved;
  setMode(Mode::Display);
  accept();
}

void TFChDets::pressCancel() {
  if (mode_ == Mode::Edit) {
    TChannel ch;
    fillFrom(ReadChannel(ch_.chnum, ch) ? ch : ch_);
    setMode(Mode::Display);
    return;
  }
  reject();
}

void TFChDets::menuNew() {
  if (mode_ != Mode::Display) return;
  startNew(ch_.accId);
}

void TFChDets::menuEdit() {
  if (mode_ != Mode::Display || ch_.chnum <= 0) return;
  setMode(Mode::Edit);
  name_->setFocus();
}

void TFChDets::menuDelete() {
  if (mode_ != Mode::Display || ch_.chnum <= 0) return;
  if (DeleteChannel(ch_.chnum)) reject();
}

void TFChDets::reject() {
  // Closing abandons an unsaved edit: the next opening fills afresh.
  setMode(Mode::Display);
  QDialog::reject();
}

// ------------------------------------------------------------ entry points

TFChannels* TheChannelsWindow() {
  static TFChannels* w = new TFChannels;
  return w;
}

TFChDets* TheChannelForm() {
  static TFChDets* f = new TFChDets;
  return f;
}

TFChannels* ActiveChannelsWindow() { return g_active; }

bool ChooseChannelWindow(const TObj& account, TChannel& channel, QChar direction,
                         bool skipWhenEmpty) {
  if (account.kind != 1) return false;
  TFChannels* w = TheChannelsWindow();
  if (w->isVisible()) return false;
  const int count = w->prepare(account, direction);
  if (count == 0 && skipWhenEmpty) {
    channel = TChannel();
    return true;
  }
  TFChannels* outer = g_active;
  g_active = w;
  const bool chosen = w->exec() == QDialog::Accepted;
  g_active = outer;
  if (chosen) channel = w->choice();
  return chosen;
}

void ShowChannelsWindow(const TObj& account) {
  TChannel ignored;
  ChooseChannelWindow(account, ignored, QChar(' '), false);
}

int NewChannel(int accountId) {
  // Its own form, so that a channel shown meanwhile keeps its window.
  static TFChDets* f = new TFChDets;
  if (f->isVisible() || !f->startNew(accountId)) return 0;
  f->setWindowModality(Qt::ApplicationModal);
  if (f->exec() != QDialog::Accepted) return 0;
  return f->savedChnum();
}

void ShowChannelForm(int32_t chnum) {
  TFChDets* f = TheChannelForm();
  if (f->isVisible() && f->mode() != TFChDets::Mode::Display) {
    f->raise();
    f->activateWindow();
    return;
  }
  if (f->isVisible()) f->hide();
  if (!f->showStored(chnum)) return;
  // Shown from a modal window (the channels window), a plain window would get
  // no input until that one closes.
  f->setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
  ShowRestored(f);
}

void FillChannelCombo(int accountId, QComboBox* combo) {
  QList<TIdText> entries;
  ChannelComboEntries(accountId, entries);
  ClearItemsWithIds(combo);
  for (const TIdText& e : entries) AddItemWithId(combo, e.text, e.id);
  combo->setCurrentIndex(0);
}
