#include "screens/masterdata/account_details.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "screens/screen_hooks.h"
#include "store/session.h"

namespace {

const QString kReopenHint = QStringLiteral("to reopen the account, delete this date");
const TDateRec kOpenEndedDate{9999, 99, 99};

// A label in front of its control, which takes the label's text as its name.
QPushButton* button(const QString& text, const QString& hint = QString()) {
  auto* b = new QPushButton(text);
  b->setAccessibleName(QString(text).remove(QLatin1Char('&')).trimmed());
  b->setAutoDefault(false);
  if (!hint.isEmpty()) b->setToolTip(hint);
  return b;
}

QLineEdit* readOnlyBox(const QString& hint = QString()) {
  auto* e = new QLineEdit;
  e->setReadOnly(true);
  if (!hint.isEmpty()) e->setToolTip(hint);
  return e;
}

bool noRealDate(const TDateRec& d) { return d.isZero() || d == kOpenEndedDate; }

// "First used" / "Last used": the date, or "see archive" for an account whose
// postings went into an archive.
QString usedText(const TObj& o, const TDateRec& d) {
  if (d.isZero() && DateRecToYmd(o.openDate) < Session().dbStartDate && !o.openDate.isZero())
    return QStringLiteral("see archive");
  return OpenDateText(d);
}

QString statusText(const TObj& o) {
  if (o.id <= 0) return QString();
  if (o.closeDate != kOpenEndedDate) return QStringLiteral("Account is closed");
  if (noRealDate(o.lastPstgDate)) {
    QString s = QStringLiteral("Account has no postings");
    if (RebalanceNeeded())
      s += QStringLiteral("? (Rebalance!)");
    else if (!o.openDate.isZero() && DateRecToYmd(o.openDate) < Session().dbStartDate)
      s += QStringLiteral("- archived?");
    else
      s += QStringLiteral("- yet?");
    return s;
  }
  if (DateRecToYmd(o.lastPstgDate) < Session().dormantCutoff)
    return QStringLiteral("Account is dormant");
  return QString();
}

QString stampsText(const TObj& o) {
  QString s;
  if (o.created.isValid()) s = "Created " + StampText(StampOf(o.created), 1);
  if (o.edited.isValid()) s += "  Edited " + StampText(StampOf(o.edited), 1);
  return s;
}

QString balanceFromText() {
  TDateRec d = YmdToDateRec(Session().dbStartDate);
  if (d.isZero()) return QStringLiteral("B/fd");
  PrevDay(d);
  return "B/fd from " + DateRecToText(d);
}

// Each form exists once; while it shows, a second opening is refused.
bool refuseWhileShowing(const QWidget* form) {
  if (!form->isVisible()) return false;
  ShowProgramError(QStringLiteral("Account details form is already in use"));
  return true;
}

}  // namespace

// ------------------------------------------------------------------ common

TAccountDetailsForm::TAccountDetailsForm(QWidget* parent) : QDialog(parent) { setModal(true); }

void TAccountDetailsForm::buildCommon(QVBoxLayout* top) {
  auto* menu = new QMenuBar(this);
  auto* file = menu->addMenu(QStringLiteral("&Account"));
  delete_ = file->addAction(QStringLiteral("Delete"), this, &TAccountDetailsForm::deleteAccount);
  refresh_ = file->addAction(QStringLiteral("Refresh"), this, &TAccountDetailsForm::refill);
  close_ = file->addAction(QStringLiteral("Close"), this, &TAccountDetailsForm::reject);
  top->setMenuBar(menu);

  heading_ = new QLabel;
  heading_->setTextFormat(Qt::PlainText);
  QFont f = heading_->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  heading_->setFont(f);
  idLabel_ = new QLabel;
  auto* head = new QHBoxLayout;
  head->addWidget(heading_, 1);
  head->addWidget(idLabel_);
  top->addLayout(head);

  pages_ = new QTabWidget;
  details_ = new QWidget;
  details_->setAccessibleName(QStringLiteral("Details"));
  auto* dl = new QVBoxLayout(details_);

  name_ = new QLineEdit;
  name_->setMaxLength(kNameWidth);
  favourite_ = new QCheckBox(QStringLiteral("Favorite"));
  favourite_->setAccessibleName(QStringLiteral("Favorite"));
  ccyLabel_ = new QLabel;
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(LabelFor(QStringLiteral("Account name"), name_));
  nameRow->addWidget(name_, 1);
  nameRow->addWidget(favourite_);
  nameRow->addWidget(ccyLabel_);
  dl->addLayout(nameRow);

  // The form's own rows, made here so that they come next in reading order.
  auto* own = new QVBoxLayout;
  dl->addLayout(own);
  addOwnRows(own);

  auto* grid = new QGridLayout;
  openDate_ = new QLineEdit;
  calendar_ = button(QStringLiteral("Calendar"), QStringLiteral("Calendar"));
  firstUsed_ = readOnlyBox(QStringLiteral("excluding any archives"));
  lastUsed_ = readOnlyBox(QStringLiteral("excluding any archives"));
  closed_ = readOnlyBox();
  closed_->installEventFilter(this);
  status_ = new QLabel;
  grid->addWidget(LabelFor(QStringLiteral("Opened"), openDate_), 0, 0);
  grid->addWidget(openDate_, 0, 1);
  grid->addWidget(calendar_, 0, 2, Qt::AlignLeft);
  grid->addWidget(LabelFor(QStringLiteral("First used"), firstUsed_), 1, 0);
  grid->addWidget(firstUsed_, 1, 1);
  grid->addWidget(LabelFor(QStringLiteral("Last used"), lastUsed_), 2, 0);
  grid->addWidget(lastUsed_, 2, 1);
  grid->addWidget(LabelFor(QStringLiteral("Closed"), closed_), 3, 0);
  grid->addWidget(closed_, 3, 1);
  grid->addWidget(status_, 3, 2);
  grid->setColumnStretch(1, 1);
  dl->addLayout(grid);

  group_ = new QComboBox;
  auto* groupRow = new QHBoxLayout;
  groupRow->addWidget(LabelFor(QStringLiteral("Group"), group_));
  groupRow->addWidget(group_, 1);
  dl->addLayout(groupRow);

  auto* expected = new QGroupBox(QStringLiteral("Expected"));
  auto* el = new QHBoxLayout(expected);
  negative_ = new QCheckBox(QStringLiteral("< 0"));
  negative_->setAccessibleName(QStringLiteral("< 0"));
  positive_ = new QCheckBox(QStringLiteral("> 0"));
  positive_->setAccessibleName(QStringLiteral("> 0"));
  el->addWidget(negative_);
  el->addWidget(positive_);
  balanceFrom_ = new QLabel;
  balance_ = new QLabel;
  auto* balRow = new QHBoxLayout;
  balRow->addWidget(expected);
  balRow->addStretch(1);
  balRow->addWidget(balanceFrom_);
  balRow->addWidget(balance_);
  dl->addLayout(balRow);
  dl->addStretch(1);

  pages_->addTab(details_, QStringLiteral("Details"));
  notesPage_ = new QWidget;
  auto* nl = new QVBoxLayout(notesPage_);
  notes_ = new QPlainTextEdit;
  notes_->setTabChangesFocus(true);
  notes_->setAccessibleName(QStringLiteral("Notes"));
  nl->addWidget(notes_);
  pages_->addTab(notesPage_, QStringLiteral("Notes"));
  top->addWidget(pages_, 1);

  stamps_ = new QLabel;
  ok_ = new QPushButton(QStringLiteral("Update"));
  cancel_ = new QPushButton(QStringLiteral("Close"));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(stamps_, 1);
  bottom->addWidget(ok_);
  bottom->addWidget(cancel_);
  top->addLayout(bottom);

  connect(ok_, &QPushButton::clicked, this, &TAccountDetailsForm::pressOk);
  connect(cancel_, &QPushButton::clicked, this, &TAccountDetailsForm::reject);
  connect(calendar_, &QPushButton::clicked, this, [this] {
    if (PickDateIntoEdit(openDate_)) markChanged();
  });
  connect(name_, &QLineEdit::textChanged, this, &TAccountDetailsForm::userChanged);
  connect(openDate_, &QLineEdit::textChanged, this, &TAccountDetailsForm::userChanged);
  connect(closed_, &QLineEdit::textChanged, this, [this](const QString& t) {
    closed_->setToolTip(t.isEmpty() ? QString() : kReopenHint);
    userChanged();
  });
  connect(notes_, &QPlainTextEdit::textChanged, this, &TAccountDetailsForm::userChanged);
  connect(favourite_, &QCheckBox::toggled, this, &TAccountDetailsForm::userChanged);
  connect(negative_, &QCheckBox::toggled, this, &TAccountDetailsForm::userChanged);
  connect(positive_, &QCheckBox::toggled, this, &TAccountDetailsForm::userChanged);
  connect(group_, &QComboBox::currentIndexChanged, this, &TAccountDetailsForm::userChanged);
}

void TAccountDetailsForm::userChanged() {
  if (TakeQuietFlag()) return;
  markChanged();
}

void TAccountDetailsForm::markChanged() {
  changed_ = true;
  if (mode_ == Mode::Display) setMode(Mode::Edit);
}

void TAccountDetailsForm::setMode(Mode m) {
  mode_ = m;
  switch (m) {
    case Mode::New:
      ok_->setText(QStringLiteral("Insert"));
      ok_->setEnabled(true);
      cancel_->setText(QStringLiteral("Cancel"));
      break;
    case Mode::Display:
      ok_->setText(QStringLiteral("Update"));
      ok_->setEnabled(false);
      cancel_->setText(QStringLiteral("Close"));
      break;
    case Mode::Edit:
      ok_->setText(QStringLiteral("Update"));
      ok_->setEnabled(true);
      cancel_->setText(QStringLiteral("Cancel"));
      break;
  }
  ok_->setAccessibleName(ok_->text());
  cancel_->setAccessibleName(cancel_->text());
  delete_->setEnabled(m != Mode::New);
}

void TAccountDetailsForm::fillGroups() {
  TChoiceList choices;
  {
    // Groups of external accounts are offered in the account's own currency.
    WorkingCurrencyAs ccy(obj_.ccy);
    GroupChoices(groupKind(), false, choices);
  }
  ClearItemsWithIds(group_);
  for (const auto& c : choices) AddItemWithId(group_, c.first, c.second);
  if (obj_.groupId > 0 && !SelectById(group_, obj_.groupId)) {
    // A group the list leaves out stays the account's group until changed.
    TObj g;
    const QString text = ReadAccount(obj_.groupId, g) ? g.name : "#" + QString::number(g.id);
    AddItemWithId(group_, text, obj_.groupId);
    SelectById(group_, obj_.groupId);
  } else if (obj_.groupId <= 0) {
    group_->setCurrentIndex(0);
  }
}

void TAccountDetailsForm::fill() {
  const bool wasUpdating = ScreenUpdating();
  SetScreenUpdating(true);
  heading_->setText(" " + obj_.name);
  name_->setText(obj_.name);
  favourite_->setChecked(obj_.favourite);
  ccyLabel_->setText("Currency = " + obj_.ccy);
  balance_->setText(FormatAmount(obj_.openingBalance));
  balanceFrom_->setText(balanceFromText());
  openDate_->setText(OpenDateText(obj_.openDate));
  const bool isNew = obj_.id <= 0;
  firstUsed_->setText(isNew ? QString() : usedText(obj_, obj_.firstPstgDate));
  lastUsed_->setText(isNew ? QString() : usedText(obj_, obj_.lastPstgDate));
  closed_->setText(obj_.closeDate == kOpenEndedDate ? QString() : DateRecToText(obj_.closeDate));
  closed_->setToolTip(closed_->text().isEmpty() ? QString() : kReopenHint);
  status_->setText(statusText(obj_));
  negative_->setChecked(obj_.allowNegative);
  positive_->setChecked(obj_.allowPositive);
  const QString note = isNew ? QString() : AccountNotes();
  notes_->setPlainText(note);
  pages_->setTabText(pages_->indexOf(notesPage_),
                     note.isEmpty() ? QStringLiteral("Notes") : QStringLiteral("NOTES"));
  notesPage_->setAccessibleName(pages_->tabText(pages_->indexOf(notesPage_)));
  stamps_->setText(stampsText(obj_));
  fillGroups();
  fillOwn();
  SetScreenUpdating(wasUpdating);
  TakeQuietFlag();
  changed_ = false;
}

void TAccountDetailsForm::refill() {
  // The notes of the record held: re-read only the note, the record stays.
  TObj again;
  if (obj_.id > 0) ReadAccount(obj_.id, again);
  fill();
  if (mode_ == Mode::Edit) setMode(Mode::Display);
}

void TAccountDetailsForm::entryCommon(TAccountEntry& e) const {
  e.isNew = mode_ == Mode::New;
  e.loaded = obj_;
  e.nameText = name_->text();
  e.favourite = favourite_->isChecked();
  e.openDateText = openDate_->text();
  e.closedText = closed_->text();
  e.groupId = qMax(0, SelectedId(group_));
  e.allowNegative = negative_->isChecked();
  e.allowPositive = positive_->isChecked();
  e.note = notes_->toPlainText();
}

void TAccountDetailsForm::pressOk() {
  if (mode_ == Mode::Display) {
    accept();
    return;
  }
  TObj saved;
  if (!save(saved)) return;
  obj_ = saved;
  SelectedAccount() = saved;
  changed_ = false;
  accept();
}

void TAccountDetailsForm::askCloseDate() {
  if (!closed_->text().isEmpty()) return;
  TObj a = obj_;
  a.kind = uint8_t(currentKind());
  TDateRec d;
  if (!askClose(a, d)) return;
  closed_->setText(DateRecToText(d));
  markChanged();
}

bool TAccountDetailsForm::askClose(const TObj& account, TDateRec& date) {
  return AskAccountCloseDate(account, date);
}

void TAccountDetailsForm::deleteAccount() {
  if (obj_.id <= 0 || AccountChangesFrozen()) return;
  if (!CanDeleteAccount(obj_.id)) return;
  changed_ = false;
  accept();
}

void TAccountDetailsForm::startAtNameEnd() {
  name_->setFocus();
  // Showing the form focuses the box and selects its text: move to the end after that.
  QTimer::singleShot(0, name_, [this] {
    name_->deselect();
    name_->setCursorPosition(name_->text().size());
  });
}

void TAccountDetailsForm::reject() {
  if (changed_ && !AskYes(QStringLiteral("Discard changes?"))) return;
  changed_ = false;
  QDialog::reject();
}

bool TAccountDetailsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == closed_) {
    // The close date comes from the close questions; typing may only clear it.
    if (event->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(event);
      if ((k->key() == Qt::Key_Delete || k->key() == Qt::Key_Backspace) &&
          !closed_->text().isEmpty()) {
        closed_->clear();
        return true;
      }
      // From the keyboard, Enter or Space on the empty box does what a click does.
      if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Space) &&
          closed_->text().isEmpty()) {
        askCloseDate();
        return true;
      }
    } else if (event->type() == QEvent::MouseButtonRelease) {
      if (closed_->text().isEmpty()) askCloseDate();
    }
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- external

TFExtAcc::TFExtAcc(QWidget* parent) : TAccountDetailsForm(parent) {
  setObjectName(QStringLiteral("FExtAcc"));
  setWindowTitle(QStringLiteral("External Account details"));
  auto* top = new QVBoxLayout(this);
  buildCommon(top);

  openDate_->setToolTip(QStringLiteral("The Account cannot be posted before this date"));
  group_->setToolTip(QStringLiteral("Only open groups are listed here"));
  connect(designation_, &QLineEdit::textChanged, this, &TFExtAcc::userChanged);
  connect(providerButton_, &QPushButton::clicked, this, &TFExtAcc::pickProvider);
  connect(noProvider_, &QPushButton::clicked, this, &TFExtAcc::clearProvider);
  connect(viewProvider_, &QPushButton::clicked, this, &TFExtAcc::viewProvider);
  connect(generate_, &QPushButton::clicked, this, &TFExtAcc::generateName);
  connect(channels_, &QPushButton::clicked, this, [this] {
    if (obj_.id > 0) ShowChannelsOf(obj_);
  });
  resize(560, 420);
  RegisterWindowPosition(this, objectName());
}

void TFExtAcc::addOwnRows(QVBoxLayout* rows) {
  designation_ = new QLineEdit;
  designation_->setMaxLength(kDesigWidth);
  auto* desigRow = new QHBoxLayout;
  desigRow->addWidget(LabelFor(QStringLiteral("Designation"), designation_));
  desigRow->addWidget(designation_, 1);
  generate_ =
      button(QStringLiteral("Generate"),
             QStringLiteral("Generate default account name from Counterparty & Designation"));
  desigRow->addWidget(generate_);
  rows->addLayout(desigRow);

  provider_ = readOnlyBox();
  providerButton_ = button(
      QStringLiteral("Provider"),
      QStringLiteral("Select 'account provider' from list of Counterparties, or enter a new one"));
  noProvider_ =
      button(QStringLiteral("X"), QStringLiteral("Account with no-one (for hard cash accounts)"));
  viewProvider_ =
      button(QStringLiteral("..."), QStringLiteral("View 'account provider' Counterparty details"));
  auto* provRow = new QHBoxLayout;
  provRow->addWidget(LabelFor(QStringLiteral("Account provider"), provider_));
  provRow->addWidget(provider_, 1);
  provRow->addWidget(providerButton_);
  provRow->addWidget(noProvider_);
  provRow->addWidget(viewProvider_);
  rows->addLayout(provRow);

  reconciled_ =
      readOnlyBox(QStringLiteral("Date of most recent balance reconciliation for this account"));
  channels_ = button(QStringLiteral("Channels"));
  auto* recRow = new QHBoxLayout;
  recRow->addWidget(LabelFor(QStringLiteral("Reconciled"), reconciled_));
  recRow->addWidget(reconciled_);
  recRow->addStretch(1);
  recRow->addWidget(channels_);
  rows->addLayout(recRow);
}

void TFExtAcc::setProvider(int32_t id) {
  providerId_ = id;
  TObj p;
  provider_->setText(id > 0 && ReadAccount(id, p) ? p.name : QString());
}

void TFExtAcc::fillOwn() {
  idLabel_->setText(obj_.id > 0 ? "Id = " + QString::number(obj_.id)
                                : QStringLiteral("New Account"));
  designation_->setText(obj_.designation);
  reconciled_->setText(obj_.reconciledText);
  setProvider(obj_.heldWith);
  channels_->setEnabled(obj_.id > 0);
  if (obj_.id <= 0) status_->clear();
}

int TFExtAcc::groupKind() const { return kKindExternalGroup; }
int TFExtAcc::currentKind() const { return kKindExternal; }

void TFExtAcc::pickProvider() {
  if (!PickAccount(kKindCounterparty, providerId_)) return;
  setProvider(SelectedAccount().id);
  markChanged();
}

void TFExtAcc::clearProvider() {
  if (providerId_ == 0) return;
  setProvider(0);
  markChanged();
}

void TFExtAcc::viewProvider() {
  if (providerId_ <= 0) return;
  if (EditCounterparty(providerId_)) setProvider(providerId_);
}

void TFExtAcc::generateName() {
  QString name;
  if (!GenerateAccountName(name_->text(), providerId_, designation_->text(), name)) return;
  name_->setText(name);  // the box holds at most 40
  markChanged();
}

bool TFExtAcc::save(TObj& saved) {
  TAccountEntry e;
  entryCommon(e);
  e.designationText = designation_->text();
  e.providerId = providerId_;
  return SaveExternalAccount(e, saved);
}

int TFExtAcc::openNew(const QString& name) {
  obj_ = NewObj();
  obj_.kind = kKindExternal;
  obj_.name = name.left(kNameWidth);
  obj_.ccy = Session().workingCurrency;
  setMode(Mode::New);
  fill();
  pages_->setCurrentWidget(details_);
  startAtNameEnd();
  return exec();
}

int TFExtAcc::openExisting(const TObj& account) {
  obj_ = account;
  setMode(Mode::Display);
  fill();
  pages_->setCurrentWidget(details_);
  return exec();
}

// ---------------------------------------------------------------- internal

TFCtgy::TFCtgy(QWidget* parent) : TAccountDetailsForm(parent) {
  setObjectName(QStringLiteral("FCtgy"));
  setWindowTitle(QStringLiteral("Internal Account details"));
  auto* top = new QVBoxLayout(this);
  buildCommon(top);

  auto* debugPage = new QWidget;
  debugPage->setAccessibleName(QStringLiteral("Debug"));
  auto* dl = new QVBoxLayout(debugPage);
  debug_ = new QLabel;
  debug_->setTextFormat(Qt::PlainText);
  dl->addWidget(debug_);
  dl->addStretch(1);
  pages_->addTab(debugPage, QStringLiteral("Debug"));

  openDate_->setToolTip(QStringLiteral("The Category cannot be posted before this date"));
  connect(category_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) userChanged();
  });
  connect(pot_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) userChanged();
  });
  resize(520, 400);
  RegisterWindowPosition(this, objectName());
}

void TFCtgy::addOwnRows(QVBoxLayout* rows) {
  auto* type = new QGroupBox(QStringLiteral("Type"));
  auto* tl = new QHBoxLayout(type);
  category_ = new QRadioButton(QStringLiteral("Category"));
  category_->setAccessibleName(QStringLiteral("Category"));
  pot_ = new QRadioButton(QStringLiteral("Pot"));
  pot_->setAccessibleName(QStringLiteral("Pot"));
  tl->addWidget(category_);
  tl->addWidget(pot_);
  tl->addStretch(1);
  rows->addWidget(type);
}

void TFCtgy::fillOwn() {
  idLabel_->setText("Id " + QString::number(qMax(0, obj_.id)));
  (obj_.kind == kKindPot ? pot_ : category_)->setChecked(true);
  // The default pot must stay a pot.
  category_->setEnabled(!(obj_.id > 0 && obj_.id == Session().settings.defaultPotId));
  QString was;
  if (obj_.kind == kKindCategory)
    was = QStringLiteral("\"Category\"");
  else if (obj_.kind == kKindPot)
    was = QStringLiteral("\"Pot\"");
  else
    was = QString::number(obj_.kind);
  debug_->setText("pre version 2.11.00 (May 2015) account type was " + was);
}

int TFCtgy::groupKind() const { return kKindInternalGroup; }
int TFCtgy::currentKind() const { return pot_->isChecked() ? kKindPot : kKindCategory; }

bool TFCtgy::save(TObj& saved) {
  TAccountEntry e;
  entryCommon(e);
  e.kind = currentKind();
  return SaveInternalAccount(e, saved);
}

int TFCtgy::openNew(int kind, const QString& name) {
  setWindowTitle(QStringLiteral("Internal Account details - New"));
  obj_ = NewObj();
  obj_.kind = uint8_t(kind == kKindPot ? kKindPot : kKindCategory);
  obj_.name = CapitalizeFirst(name).left(kNameWidth);
  obj_.ccy = Session().settings.baseCurrency;
  obj_.openDate = TDateRec{};
  obj_.closeDate = kOpenEndedDate;
  setMode(Mode::New);
  fill();
  pages_->setCurrentWidget(details_);
  startAtNameEnd();
  return exec();
}

int TFCtgy::openExisting(const TObj& account) {
  setWindowTitle(QStringLiteral("Internal Account details"));
  obj_ = account;
  setMode(Mode::Display);
  fill();
  pages_->setCurrentWidget(notes_->toPlainText().isEmpty() ? details_ : notesPage_);
  return exec();
}

// -------------------------------------------------------------- entry points

TFExtAcc* TheExternalAccountForm() {
  static TFExtAcc* form = new TFExtAcc;
  return form;
}

TFCtgy* TheInternalAccountForm() {
  static TFCtgy* form = new TFCtgy;
  return form;
}

int AddExternalAccount(const QString& name) {
  TFExtAcc* f = TheExternalAccountForm();
  if (refuseWhileShowing(f)) return 0;
  if (f->openNew(name) != QDialog::Accepted) return 0;
  return f->record().id;
}

int AddInternalAccount(int kind, const QString& name) {
  TFCtgy* f = TheInternalAccountForm();
  if (refuseWhileShowing(f)) return 0;
  if (!BaseCurrencyPresent()) return 0;
  if (f->openNew(kind, name) != QDialog::Accepted) return 0;
  return f->record().id;
}

bool EditExternalAccount(int id) {
  if (id <= 0) return false;
  TFExtAcc* f = TheExternalAccountForm();
  if (refuseWhileShowing(f)) return false;
  TObj a;
  if (!ReadAccount(id, a)) return false;
  return f->openExisting(a) == QDialog::Accepted;
}

bool EditInternalAccount(int id) {
  if (id <= 0) return false;
  TFCtgy* f = TheInternalAccountForm();
  if (refuseWhileShowing(f)) return false;
  TObj a;
  if (!ReadAccount(id, a)) return false;
  return f->openExisting(a) == QDialog::Accepted;
}
