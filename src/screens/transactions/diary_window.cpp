#include "screens/transactions/diary_window.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/reminders.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/records.h"

TFDiary::TFDiary(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FDiary"));
  setWindowTitle(QStringLiteral("Diary entry"));
  setModal(false);

  date_ = new QLineEdit(this);
  description_ = new QLineEdit(this);
  description_->setMaxLength(kNarrativeWidth);
  calendar1_ = new QPushButton(QStringLiteral("Calendar"), this);
  calendar2_ = new QPushButton(QStringLiteral("Calendar"), this);
  add_ = new QPushButton(QStringLiteral("Add"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  add_->setDefault(true);
  for (QPushButton* b : {calendar1_, calendar2_, cancel_}) b->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Date "), this), 0, 0);
  grid->addWidget(date_, 0, 1);
  grid->addWidget(calendar1_, 0, 2);
  grid->addWidget(calendar2_, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Description "), this), 1, 0);
  grid->addWidget(description_, 1, 1, 1, 3);
  grid->setColumnStretch(1, 1);

  auto* buttons = RightAlignedButtons({add_, cancel_});

  auto* menuBar = new QMenuBar(this);
  close_ = menuBar->addAction(QStringLiteral("Close"));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(calendar1_, &QPushButton::clicked, this, [this] { PickDateIntoEdit(date_); });
  connect(calendar2_, &QPushButton::clicked, this, [this] { PickDateIntoEdit(date_); });
  connect(add_, &QPushButton::clicked, this, &TFDiary::pressAdd);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::close);
  connect(close_, &QAction::triggered, this, &QDialog::close);

  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

void TFDiary::pressAdd() {
  if (AddDiaryEntry(date_->text(), description_->text()) == 0) return;
  if (!CommitIfActive()) {
    RollbackIfActive();
    return;
  }
  close();
}

TFDiary* TheDiaryWindow(QWidget* parent) {
  static QPointer<TFDiary> window;
  if (!window) window = new TFDiary(parent);
  return window;
}

void ShowDiaryEntryWindow(QWidget* parent) {
  TFDiary* w = TheDiaryWindow(parent);
  ShowRestored(w);
  w->raise();
  w->activateWindow();
}
