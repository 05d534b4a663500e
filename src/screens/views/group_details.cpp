#include "screens/views/group_details.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "ledger/group_save.h"
#include "screens/screen_hooks.h"
#include "store/session.h"

namespace {

const TDateRec kOpen{9999, 99, 99};

// The group kind for the kind of its members (or a group kind itself); 0 for none.
int groupKindOf(int kind) {
  switch (kind) {
    case 1:
    case 8:
      return 8;
    case 3:
    case 6:
    case 10:
      return 10;
    case 4:
    case 9:
      return 9;
    default:
      return 0;
  }
}

QString kindWord(int groupKind) {
  return groupKind == 8   ? QStringLiteral("External")
         : groupKind == 9 ? QStringLiteral("Counterparty")
                          : QStringLiteral("Internal");
}

QString usedText(const TDateRec& d) {
  if (d.isZero() || d == kOpen) return QString();
  return DateRecToText(d);
}

void fillGroupCombo(QComboBox* combo, int groupKind) {
  ClearItemsWithIds(combo);
  TChoiceList choices;
  GroupChoices(groupKind, false, choices);
  for (const auto& c : choices) AddItemWithId(combo, c.first, c.second);
  combo->setCurrentIndex(0);
}

}  // namespace

// ================================================================== group details

TFPgrp::TFPgrp(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FPgrp"));
  setWindowTitle(QStringLiteral("Account Group details"));

  auto* menu = new QMenuBar(this);
  QAction* close = menu->addAction(QStringLiteral("Close"));
  connect(close, &QAction::triggered, this, &TFPgrp::reject);
  delete_ = menu->addAction(QStringLiteral("Delete"));
  connect(delete_, &QAction::triggered, this, &TFPgrp::deleteGroup);

  tabs_ = new QTabWidget(this);
  auto* details = new QWidget;
  name_ = new QLineEdit(details);
  name_->setMaxLength(kNameWidth);
  parent_ = new QComboBox(details);
  id_ = new QLabel(details);
  ccy_ = new QLabel(details);
  opening_ = new QLabel(details);
  opened_ = new QLineEdit(details);
  opened_->setToolTip(
      QStringLiteral("the Group is available for use from this date, and not before"));
  closed_ = new QLineEdit(details);
  calendar_ = NamedButton(QStringLiteral("Calendar"), details);
  calendar_->setToolTip(QStringLiteral("Calendar"));
  firstUsed_ = new QLabel(details);
  lastUsed_ = new QLabel(details);

  auto* grid = new QGridLayout(details);
  grid->addWidget(LabelFor(QStringLiteral("Name"), name_, details), 0, 0);
  grid->addWidget(name_, 0, 1, 1, 2);
  grid->addWidget(LabelFor(QStringLiteral("in higher Group"), parent_, details), 1, 0);
  grid->addWidget(parent_, 1, 1, 1, 2);
  grid->addWidget(id_, 2, 0);
  grid->addWidget(ccy_, 2, 1);
  grid->addWidget(opening_, 2, 2);
  grid->addWidget(LabelFor(QStringLiteral("Opened"), opened_, details), 3, 0);
  grid->addWidget(opened_, 3, 1);
  grid->addWidget(LabelFor(QStringLiteral("Closed"), closed_, details), 4, 0);
  grid->addWidget(closed_, 4, 1);
  grid->addWidget(calendar_, 4, 2);
  grid->addWidget(firstUsed_, 5, 0, 1, 2);
  grid->addWidget(lastUsed_, 6, 0, 1, 2);
  grid->setRowStretch(7, 1);
  tabs_->addTab(details, QStringLiteral("Details"));
  notes_ = new QPlainTextEdit;
  notes_->setAccessibleName(QStringLiteral("Notes"));
  tabs_->addTab(notes_, QStringLiteral("Notes"));

  stamps_ = new QLabel(this);
  status_ = new QLabel(this);
  ok_ = NamedButton(QStringLiteral("Update"), this);
  ok_->setDefault(true);
  cancel_ = NamedButton(QStringLiteral("Close"), this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(stamps_, 1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menu);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);
  layout->addWidget(status_);

  setTabOrder(name_, parent_);
  setTabOrder(parent_, opened_);
  setTabOrder(opened_, closed_);
  setTabOrder(closed_, calendar_);
  setTabOrder(calendar_, ok_);
  setTabOrder(ok_, cancel_);

  connect(ok_, &QPushButton::clicked, this, &TFPgrp::save);
  connect(cancel_, &QPushButton::clicked, this, &TFPgrp::reject);
  connect(calendar_, &QPushButton::clicked, this, &TFPgrp::pickCloseDate);
  connect(name_, &QLineEdit::textChanged, this, &TFPgrp::changed);
  connect(opened_, &QLineEdit::textChanged, this, &TFPgrp::changed);
  connect(closed_, &QLineEdit::textChanged, this, &TFPgrp::changed);
  connect(parent_, &QComboBox::currentIndexChanged, this, &TFPgrp::changed);
  connect(notes_, &QPlainTextEdit::textChanged, this, &TFPgrp::changed);
  resize(460, 320);
}

void TFPgrp::fillParents(int kind, const QString& ccy) {
  // External groups list the parents of their own currency.
  WorkingCurrencyAs working(ccy);
  fillGroupCombo(parent_, kind);
}

bool TFPgrp::prepareNew(int kind, const QString& proposedName) {
  const int groupKind = groupKindOf(kind);
  if (groupKind == 0) {
    ShowInfo(InvalidAccountKindText(kind));
    return false;
  }
  filling_ = true;
  isNew_ = true;
  dirty_ = false;
  kind_ = groupKind;
  group_ = NewObj();
  group_.kind = uint8_t(groupKind);
  const TSession& s = Session();
  const QString ccy = groupKind == 10 ? s.settings.baseCurrency : s.workingCurrency;
  setWindowTitle("Account group - " + kindWord(groupKind));
  name_->setText(proposedName.left(kNameWidth));
  fillParents(groupKind, ccy);
  id_->setText(QStringLiteral("Id 0"));
  ccy_->setText(groupKind == 9 ? QString() : "Currency = " + ccy);
  opening_->hide();
  opened_->setText(YmdToText(s.periodFrom));
  closed_->clear();
  firstUsed_->setText(QStringLiteral("First used "));
  lastUsed_->setText(QStringLiteral("Last used "));
  notes_->clear();
  stamps_->clear();
  status_->setText(" " + name_->text());
  tabs_->setCurrentIndex(0);
  delete_->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{name_, opened_, closed_, notes_})
    w->setStyleSheet(QStringLiteral("background-color: #e0ffff"));
  setMode();
  filling_ = false;
  return true;
}

bool TFPgrp::prepareExisting(int32_t id) {
  TObj g;
  if (!ReadAccount(id, g)) return false;
  if (!IsGroupKind(g.kind)) {
    ShowInfo(InvalidAccountKindText(g.kind));
    return false;
  }
  const QString note = AccountNotes();
  filling_ = true;
  isNew_ = false;
  dirty_ = false;
  kind_ = g.kind;
  group_ = g;
  setWindowTitle("Account group - " + kindWord(kind_));
  name_->setText(g.name);
  fillParents(kind_, g.ccy);
  if (!SelectById(parent_, g.groupId)) {
    // A parent outside the list (another currency) stays as it is.
    TObj p;
    AddItemWithId(parent_, ReadAccount(g.groupId, p) ? p.name : "#" + QString::number(g.groupId),
                  g.groupId);
    SelectById(parent_, g.groupId);
  }
  id_->setText("Id " + QString::number(g.id));
  ccy_->setText(kind_ == 9 ? QString() : "Currency = " + g.ccy.trimmed());
  opening_->setText("Opening balance  " + FormatAmount(g.openingBalance));
  opening_->setVisible(g.openingBalance != 0);
  opened_->setText(OpenDateText(g.openDate));
  closed_->setText(g.closeDate.year == 9999 ? QString() : DateRecToText(g.closeDate));
  firstUsed_->setText("First used " + usedText(g.firstPstgDate));
  lastUsed_->setText("Last used " + usedText(g.lastPstgDate));
  notes_->setPlainText(note);
  QString stamps;
  if (g.created.isValid()) stamps = "Created " + g.created.toString("yyyy-MM-dd hh:mm:ss");
  if (g.edited.isValid()) stamps += "  Edited " + g.edited.toString("yyyy-MM-dd hh:mm:ss");
  stamps_->setText(stamps);
  status_->setText(" " + g.name);
  tabs_->setCurrentIndex(note.isEmpty() ? 0 : 1);
  delete_->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{name_, opened_, closed_, notes_})
    w->setStyleSheet(QStringLiteral("background-color: #ffffe0"));
  setMode();
  filling_ = false;
  return true;
}

void TFPgrp::setMode() {
  if (isNew_) {
    ok_->setText(QStringLiteral("Insert"));
    ok_->setEnabled(true);
    cancel_->setText(QStringLiteral("Cancel"));
  } else {
    ok_->setText(QStringLiteral("Update"));
    ok_->setEnabled(dirty_);
    cancel_->setText(dirty_ ? QStringLiteral("Cancel") : QStringLiteral("Close"));
  }
  ok_->setAccessibleName(ok_->text());
  cancel_->setAccessibleName(cancel_->text());
}

void TFPgrp::changed() {
  if (filling_ || dirty_) return;
  dirty_ = true;
  setMode();
}

void TFPgrp::save() {
  if (!isNew_ && !dirty_) {
    accept();
    return;
  }
  TGroupEntry e;
  e.isNew = isNew_;
  e.kind = kind_;
  e.loaded = group_;
  e.nameText = name_->text();
  e.parentId = qMax(0, SelectedId(parent_));
  e.openedText = opened_->text();
  e.closedText = closed_->text();
  e.note = notes_->toPlainText();
  TObj saved;
  if (!SaveGroup(e, saved)) return;  // the dialog stays open as typed
  saved_ = saved;
  QDialog::accept();
}

void TFPgrp::pickCloseDate() {
  TDateRec d;
  const bool picked = isNew_ ? PickDate(d) : CanCloseGroup(group_, d);
  if (picked) closed_->setText(DateRecToText(d));
}

void TFPgrp::deleteGroup() {
  if (isNew_ || AccountChangesFrozen()) return;
  if (!CanDeleteAccount(group_.id)) return;
  saved_ = TObj();
  QDialog::accept();
}

void TFPgrp::reject() {
  if (dirty_ && !AskYes(QStringLiteral("Discard changes?"))) return;
  QDialog::reject();
}

// ================================================================== regroup

TFRegrp::TFRegrp(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRegrp"));
  setWindowTitle(QStringLiteral("Regroup"));
  parent_ = new QComboBox(this);
  list_ = new QListWidget(this);
  ok_ = NamedButton(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  auto* cancel = NamedButton(QStringLiteral("Cancel"), this);
  auto* buttons = RightAlignedButtons({ok_, cancel});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelFor(QStringLiteral("New parent Group"), parent_, this));
  layout->addWidget(parent_);
  layout->addWidget(LabelFor(QStringLiteral("Accounts / Groups for regrouping "), list_, this));
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &TFRegrp::accept);
  connect(cancel, &QPushButton::clicked, this, &TFRegrp::reject);
  resize(360, 400);
}

void TFRegrp::prepare(int groupKind) {
  ClearItemsWithIds(list_);
  fillGroupCombo(parent_, groupKind);
}

void TFRegrp::addItem(int32_t id, const QString& name) { AddItemWithId(list_, name, id); }

void TFRegrp::accept() {
  if (!AskYes(QStringLiteral("Regroup these Accounts / Groups - are you sure ?"))) return;
  QList<int32_t> ids;
  for (int i = 0; i < list_->count(); ++i) ids << ItemId(list_, i);
  if (!RegroupAccounts(ids, qMax(0, SelectedId(parent_)))) return;
  QDialog::accept();
}

// ================================================================== entry points

int32_t NewGroup(int kind, const QString& proposedName) {
  TFPgrp dialog;
  if (!dialog.prepareNew(kind, proposedName)) return 0;
  if (ShowModalAtPointer(&dialog) != QDialog::Accepted) return 0;
  SelectedAccount() = dialog.saved();
  return dialog.saved().id;
}

bool ShowGroupDetails(int32_t id) {
  TFPgrp dialog;
  if (!dialog.prepareExisting(id)) return false;
  return ShowModalAtPointer(&dialog) == QDialog::Accepted;
}

bool Regroup(int groupKind, const QList<QPair<int32_t, QString>>& items) {
  TFRegrp dialog;
  dialog.prepare(groupKind);
  for (const auto& item : items) dialog.addItem(item.first, item.second);
  return ShowModalAtPointer(&dialog) == QDialog::Accepted;
}
