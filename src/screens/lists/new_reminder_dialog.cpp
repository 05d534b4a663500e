#include "screens/lists/new_reminder_dialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "ledger/reminders.h"
#include "store/records.h"

namespace {

std::function<void(TFRmDets*)> g_dialogHook;

}  // namespace

TFRmDets::TFRmDets(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRmDets"));
  setWindowTitle(QStringLiteral("New Reminder"));
  setModal(true);

  target_ = new QLineEdit(this);
  target_->installEventFilter(this);
  auto* targetLabel = new QLabel(QStringLiteral("Target date"), this);
  targetLabel->setBuddy(target_);

  auto* box = new QGroupBox(QStringLiteral("Reminder "), this);
  onDate_ = new QRadioButton(QStringLiteral("on date"), box);
  daysBefore_ = new QRadioButton(box);
  daysBefore_->setAccessibleName(QStringLiteral("Reminder days before"));
  days_ = new QLineEdit(QStringLiteral("31"), box);
  days_->setAccessibleName(QStringLiteral("days before"));
  days_->setMaximumWidth(60);
  auto* daysLabel = new QLabel(QStringLiteral("days before"), box);
  daysLabel->setBuddy(days_);
  daysBefore_->setChecked(true);
  auto* boxLayout = new QHBoxLayout(box);
  boxLayout->addWidget(onDate_);
  boxLayout->addWidget(daysBefore_);
  boxLayout->addWidget(days_);
  boxLayout->addWidget(daysLabel);
  boxLayout->addStretch();

  text_ = new QLineEdit(this);
  text_->setMaxLength(kReminderTextWidth);
  auto* textLabel = new QLabel(QStringLiteral("Reminder text"), this);
  textLabel->setBuddy(text_);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(targetLabel, 0, 0);
  grid->addWidget(target_, 0, 1);
  grid->addWidget(box, 1, 0, 1, 2);
  grid->addWidget(textLabel, 2, 0);
  grid->addWidget(text_, 2, 1);
  grid->setColumnStretch(1, 1);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  setTabOrder(target_, onDate_);
  setTabOrder(onDate_, daysBefore_);
  setTabOrder(daysBefore_, days_);
  setTabOrder(days_, text_);
  setTabOrder(text_, ok_);
  setTabOrder(ok_, cancel_);

  connect(onDate_, &QRadioButton::toggled, this, [this](bool on) { EnableEdit(days_, !on); });
  connect(ok_, &QPushButton::clicked, this, &TFRmDets::pressOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  cancel_->setFocus();
  resize(420, sizeHint().height());
}

bool TFRmDets::eventFilter(QObject* watched, QEvent* e) {
  if (watched == target_ && e->type() == QEvent::MouseButtonRelease) {
    PickDateIntoEdit(target_);
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void TFRmDets::pressOk() {
  newId_ = NewReminder(target_->text(), onDate_->isChecked(), days_->text(), text_->text());
  if (newId_ > 0) accept();
}

int32_t RunNewReminderDialog(QWidget* parent) {
  TFRmDets dialog(parent);
  if (g_dialogHook) QTimer::singleShot(0, &dialog, [&dialog] { g_dialogHook(&dialog); });
  ShowModalAtPointer(&dialog);
  return dialog.result() == QDialog::Accepted ? dialog.newId() : 0;
}

void SetNewReminderDialogHook(std::function<void(TFRmDets*)> hook) {
  g_dialogHook = std::move(hook);
}
