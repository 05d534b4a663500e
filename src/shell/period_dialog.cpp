#include "shell/period_dialog.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "shell/shell_hooks.h"
#include "store/session.h"

namespace {

int32_t todayYmd() { return DateRecToYmd(Today()); }

QString withDay(int32_t ymd) { return DateWithDayAbbrev(YmdToDateRec(ymd)); }

}  // namespace

TFRebal::TFRebal(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRebal"));
  setWindowTitle(QStringLiteral("Period "));

  today_ = new QLabel(this);
  from_ = new QLabel(this);
  to_ = new QLabel(this);
  fyLabel_ = new QLabel(this);
  change_ = new QPushButton(QStringLiteral("Change From/To dates"), this);
  fyStart_ = new QPushButton(this);
  fyStart_->setToolTip(QStringLiteral("First day of the financial year (dd/mm)"));
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("From"), this), 0, 0);
  grid->addWidget(from_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("To"), this), 1, 0);
  grid->addWidget(to_, 1, 1);
  grid->addWidget(today_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Financial year starts"), this), 3, 0);
  auto* fyRow = new QHBoxLayout;
  fyRow->addWidget(fyStart_);
  fyRow->addWidget(fyLabel_);
  fyRow->addStretch();
  grid->addLayout(fyRow, 3, 1);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(change_);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  menu_ = new QMenu(this);
  auto add = [this](Choice c, const QString& caption) {
    QAction* a = menu_->addAction(caption);
    actions_[int(c)] = a;
    connect(a, &QAction::triggered, this, [this, c] { choose(c); });
  };
  add(Choice::RollingYear, QStringLiteral("Rolling year to today"));
  add(Choice::YearSoFar, QStringLiteral("Current year so far"));
  autoRefresh_ = menu_->addAction(QStringLiteral("Auto-refresh at startup"));
  autoRefresh_->setCheckable(true);
  autoRefresh_->setChecked(true);
  menu_->addSeparator();
  add(Choice::FromDate, QStringLiteral("From"));
  add(Choice::ToDate, QStringLiteral("To"));
  menu_->addSeparator();
  add(Choice::MonthFrom, QStringLiteral("Month from"));
  add(Choice::MonthTo, QStringLiteral("Month to"));
  add(Choice::QuarterFrom, QStringLiteral("Quarter from"));
  add(Choice::QuarterTo, QStringLiteral("Quarter to"));
  add(Choice::YearFrom, QStringLiteral("Year from"));
  add(Choice::YearTo, QStringLiteral("Year to"));
  add(Choice::FinancialYear, QStringLiteral("Financial year"));
  menu_->addSeparator();
  add(Choice::IncrementYear, QStringLiteral("Increment year"));
  add(Choice::DecrementYear, QStringLiteral("Decrement year"));
  menu_->addSeparator();
  add(Choice::All, QStringLiteral("All"));

  popupTimer_ = new QTimer(this);
  popupTimer_->setSingleShot(true);
  popupTimer_->setInterval(200);
  connect(popupTimer_, &QTimer::timeout, this, &TFRebal::popupUnderButton);
  connect(change_, &QPushButton::clicked, this, &TFRebal::changeDates);
  connect(fyStart_, &QPushButton::clicked, this, &TFRebal::changeFinancialYearStart);
  connect(ok_, &QPushButton::clicked, this, &TFRebal::pressOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  RegisterWindowPosition(this, objectName());
}

QAction* TFRebal::choiceAction(Choice c) const { return actions_[int(c)]; }

void TFRebal::loadPeriod() {
  const TSession& s = Session();
  working_ = {s.periodFrom, s.periodTo};
  workingType_ = s.settings.periodType;
  fyLabel_->clear();
  refresh();
}

void TFRebal::setWorking(const TPeriod& p, int type) {
  working_ = p;
  workingType_ = type;
  refresh();
}

void TFRebal::showEvent(QShowEvent* e) {
  loadPeriod();
  QDialog::showEvent(e);
  popupTimer_->start();
}

void TFRebal::refresh() {
  const TSession& s = Session();
  const int32_t today = todayYmd();
  today_->setText("Today = " + withDay(today));
  from_->setText(withDay(working_.from));
  QString to = withDay(working_.to);
  if (working_.to == today) to += QStringLiteral(" = today !");
  to_->setText(to);
  today_->setVisible(working_.to != today);
  fyStart_->setText(
      FinancialYearStartText(s.settings.financialYearDay1, s.settings.financialYearMonth1));
  actions_[int(Choice::FromDate)]->setText("From " + YmdToText(working_.from));
  actions_[int(Choice::ToDate)]->setText("To " + YmdToText(working_.to));
  ok_->setEnabled(working_.from != s.periodFrom || working_.to != s.periodTo);
}

void TFRebal::popupUnderButton() {
  if (!isVisible()) return;
  menu_->popup(change_->mapToGlobal(QPoint(0, change_->height())));
}

void TFRebal::changeDates() {
  workingType_ = kPeriodFixed;
  PopupAtPointer(menu_);
}

// The calendar for one end of the working period, starting on that end (or today).
bool TFRebal::pickEnd(bool toEnd, TDateRec& d) {
  const int32_t start = toEnd ? working_.to : working_.from;
  d = start > 0 ? YmdToDateRec(start) : Today();
  return PickDateTitled(toEnd ? QStringLiteral("To date") : QStringLiteral("From date"), d);
}

void TFRebal::choose(Choice c) {
  const TSession& s = Session();
  const int fyDay = s.settings.financialYearDay1;
  const int fyMonth = s.settings.financialYearMonth1;
  const int32_t today = todayYmd();
  TPeriod p = working_;
  int type = kPeriodFixed;  // every choice but the two rolling ones makes a fixed period
  QString fyText;
  TDateRec d;
  switch (c) {
    case Choice::RollingYear:
      p = RollingYearTo(today);
      type = kPeriodRollingYear;
      break;
    case Choice::YearSoFar:
      p = YearSoFar(today, fyDay, fyMonth);
      type = kPeriodYearSoFar;
      break;
    case Choice::FromDate:
    case Choice::ToDate: {
      const bool toEnd = c == Choice::ToDate;
      if (!pickEnd(toEnd, d)) return;
      (toEnd ? p.to : p.from) = DateRecToYmd(d);
      break;
    }
    case Choice::MonthFrom:
    case Choice::QuarterFrom:
      if (!pickEnd(false, d)) return;
      p = SpanFrom(DateRecToYmd(d), c == Choice::MonthFrom ? 1 : 3);
      break;
    case Choice::MonthTo:
    case Choice::QuarterTo:
      if (!pickEnd(true, d)) return;
      p = SpanTo(DateRecToYmd(d), c == Choice::MonthTo ? 1 : 3);
      break;
    case Choice::YearFrom:
      if (p.from == 0) return;  // no start to count from
      p = SpanFrom(p.from, 12);
      break;
    case Choice::YearTo:
      if (p.to == 0) return;
      p = SpanTo(p.to, 12);
      break;
    case Choice::FinancialYear: {
      QString text = QStringLiteral("yyyy");
      int year = 0;
      if (!AskText(QStringLiteral("Enter financial year"), text)) return;
      if (!ParseIntOrWarn(text.trimmed(), year) || year < 1 || year > 9998) return;
      p = FinancialYearPeriod(year, fyDay, fyMonth);
      fyText = FinancialYearLabel(year, fyDay, fyMonth);
      break;
    }
    case Choice::IncrementYear:
      p = ShiftYears(p, 1);
      break;
    case Choice::DecrementYear:
      p = ShiftYears(p, -1);
      break;
    case Choice::All:
      p = AllPeriod(s.dbEndDate, today);
      break;
  }
  fyLabel_->setText(fyText);
  setWorking(p, type);
}

void TFRebal::changeFinancialYearStart() {
  QString text = QStringLiteral("dd/mm");
  if (!AskText(QStringLiteral("Enter first day of financial year"), text)) return;
  TDbSettings& st = Session().settings;
  if (ParseFinancialYearStart(text, st.financialYearDay1, st.financialYearMonth1)) refresh();
}

void TFRebal::pressOk() {
  const int32_t today = todayYmd();
  if (working_.from > 0 && working_.to > 0 && working_.from > working_.to) {
    ShowInfo("Period start " + YmdToText(working_.from) + " is after its end " +
             YmdToText(working_.to));
    return;
  }
  if (working_.to > today &&
      !AskYes(QStringLiteral(
          "Balance date is in the future - are you sure? (rptr insts will be gend to this date) ")))
    return;
  Session().settings.periodType =
      workingType_ != kPeriodFixed && autoRefresh_->isChecked() ? workingType_ : kPeriodFixed;
  SetPeriod(working_.from, working_.to);
  SetRebalanceNeeded(true);
  accept();
  AskRebalanceNow();
}

TFRebal* ThePeriodDialog() {
  static QPointer<TFRebal> dialog;
  if (!dialog) dialog = new TFRebal();
  return dialog;
}

bool ShowPeriodDialog() { return ThePeriodDialog()->exec() == QDialog::Accepted; }
