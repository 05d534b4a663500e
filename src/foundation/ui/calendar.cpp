#include "foundation/ui/calendar.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "store/session.h"

namespace {

constexpr int kRows = 7;  // the day names, then six weeks
constexpr int kCols = 7;

bool SameMonth(const TDateRec& a, const TDateRec& b) {
  return a.year == b.year && a.month == b.month;
}

bool InSwitchGap(const TDateRec& d) {
  return CompareDates(d, LastJulianDate()) > 0 && CompareDates(d, FirstGregorianDate()) < 0;
}

bool OneClickSelect() { return Session().settings.oneClickSelect; }

QString g_lastText;  // the date-box text at the last OK of PickDateIntoText

}  // namespace

bool CalendarGrid::find(int n, int& row, int& col) const {
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 7; ++c)
      if (n > 0 && day[r][c] == n) {
        row = r;
        col = c;
        return true;
      }
  return false;
}

CalendarGrid CalendarMonthGrid(const TDateRec& date) {
  CalendarGrid g;
  const int length = MonthLength(date);
  if (length == 0 || date.year == 0) return g;
  const TDateRec lastJulian = LastJulianDate();
  const TDateRec firstGregorian = FirstGregorianDate();
  TDateRec d{date.year, date.month, 1};
  if (InSwitchGap(d)) {
    // The month starts inside the days that never were.
    if (!SameMonth(firstGregorian, d)) return g;
    d = firstGregorian;
  }
  int col = DayOfWeek(d) - 1;
  if (col < 0) return g;
  int row = 0;
  while (d.day <= length && row < 6) {
    g.day[row][col] = d.day;
    if (d == lastJulian) {
      if (!SameMonth(firstGregorian, d) || CompareDates(firstGregorian, d) <= 0) break;
      d = firstGregorian;
    } else {
      ++d.day;
    }
    if (++col == kCols) {
      col = 0;
      ++row;
    }
  }
  return g;
}

TDateRec KeepDayInMonth(const TDateRec& d) {
  TDateRec r = d;
  const int length = MonthLength(r);
  if (length > 0 && r.day > length) r.day = uint16_t(length);
  if (InSwitchGap(r) && SameMonth(r, FirstGregorianDate())) r = FirstGregorianDate();
  return r;
}

const QList<CalendarPreset>& CalendarPresets() {
  static const QList<CalendarPreset> presets = {
      {QStringLiteral("Spain / Portugal / Italy / Poland "), QStringLiteral("1582-10-04"),
       QStringLiteral("1582-10-15")},
      {QStringLiteral("France"), QStringLiteral("1582-12-09"), QStringLiteral("1582-12-20")},
      {QStringLiteral("Denmark / Norway"), QStringLiteral("1700-02-18"),
       QStringLiteral("1700-03-01")},
      {QStringLiteral("Great Britain and (then) colonies"), QStringLiteral("1752-09-02"),
       QStringLiteral("1752-09-14")},
  };
  return presets;
}

TFCal::TFCal(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FCal"));
  setWindowTitle(QStringLiteral(" Calendar"));
  auto* outer = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  outer->addWidget(pages_);

  // ---- Month page
  auto* monthPage = new QWidget(pages_);
  auto* page = new QVBoxLayout(monthPage);
  auto* top = new QHBoxLayout();
  prevYear_ = new QPushButton(QStringLiteral("<"), monthPage);
  yearButton_ = new QPushButton(monthPage);
  nextYear_ = new QPushButton(QStringLiteral(">"), monthPage);
  monthPanel_ = new QWidget(monthPage);
  auto* monthRow = new QHBoxLayout(monthPanel_);
  monthRow->setContentsMargins(0, 0, 0, 0);
  prevMonth_ = new QPushButton(QStringLiteral("<"), monthPanel_);
  monthButton_ = new QPushButton(monthPanel_);
  nextMonth_ = new QPushButton(QStringLiteral(">"), monthPanel_);
  for (QPushButton* b : {prevYear_, nextYear_, prevMonth_, nextMonth_}) b->setFixedWidth(24);
  monthButton_->setMinimumWidth(90);
  top->addWidget(prevYear_);
  top->addWidget(yearButton_);
  top->addWidget(nextYear_);
  top->addSpacing(12);
  monthRow->addWidget(prevMonth_);
  monthRow->addWidget(monthButton_);
  monthRow->addWidget(nextMonth_);
  top->addWidget(monthPanel_);
  page->addLayout(top);

  grid_ = new QTableWidget(kRows, kCols, monthPage);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont mono = grid_->font();
  mono.setFamily(QStringLiteral("Monospace"));
  mono.setStyleHint(QFont::TypeWriter);
  grid_->setFont(mono);
  for (int c = 0; c < kCols; ++c) grid_->setColumnWidth(c, 44);
  for (int r = 0; r < kRows; ++r) grid_->setRowHeight(r, 22);
  grid_->setFixedSize(kCols * 44 + 4, kRows * 22 + 4);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) {
      auto* item = new QTableWidgetItem();
      if (r == 0) item->setFlags(Qt::ItemIsEnabled);
      grid_->setItem(r, c, item);
    }
  page->addWidget(grid_);

  auto* bottom = new QHBoxLayout();
  dateBox_ = new QLineEdit(monthPage);
  dateBox_->installEventFilter(this);
  // The box has no label of its own; a screen reader still needs to say what it holds.
  dateBox_->setAccessibleName(QStringLiteral("Date"));
  today_ = new QPushButton(QStringLiteral("Today"), monthPage);
  ok_ = new QPushButton(QStringLiteral("OK"), monthPage);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), monthPage);
  bottom->addWidget(dateBox_, 1);
  bottom->addWidget(today_);
  bottom->addWidget(ok_);
  bottom->addWidget(cancel_);
  page->addLayout(bottom);
  pages_->addTab(monthPage, QStringLiteral("Calendar"));

  monthMenu_ = new QMenu(this);
  for (int m = 1; m <= 12; ++m)
    monthMenu_->addAction(MonthName(m), this, [this, m] { chooseMonth(m); });
  monthPanel_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(monthPanel_, &QWidget::customContextMenuRequested, this,
          [this] { PopupAtPointer(monthMenu_); });
  connect(monthButton_, &QPushButton::clicked, this, [this] { PopupAtPointer(monthMenu_); });
  connect(yearButton_, &QPushButton::clicked, this, &TFCal::askYear);
  connect(prevYear_, &QPushButton::clicked, this, [this] { stepDate(PrevYear); });
  connect(nextYear_, &QPushButton::clicked, this, [this] { stepDate(NextYear); });
  connect(prevMonth_, &QPushButton::clicked, this, [this] { stepDate(PrevMonth); });
  connect(nextMonth_, &QPushButton::clicked, this, [this] { stepDate(NextMonth); });
  connect(today_, &QPushButton::clicked, this, [this] {
    setCalendarDate(Today());
    if (OneClickSelect()) accept();
  });
  connect(ok_, &QPushButton::clicked, this, &TFCal::pressOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(grid_, &QTableWidget::cellClicked, this,
          [this](int r, int c) { dayCellClicked(r, c, OneClickSelect()); });
  connect(grid_, &QTableWidget::cellDoubleClicked, this,
          [this](int r, int c) { dayCellClicked(r, c, true); });
  connect(grid_, &QTableWidget::currentCellChanged, this,
          [this](int r, int c, int, int) { currentCellMoved(r, c); });

  // ---- Options page
  auto* optionsPage = new QWidget(pages_);
  auto* opts = new QVBoxLayout(optionsPage);
  auto* group =
      new QGroupBox(QStringLiteral("Transition from Julian to Gregorian calendar"), optionsPage);
  auto* form = new QGridLayout(group);
  lastJulianBox_ = new QLineEdit(group);
  lastJulianBox_->setToolTip(QStringLiteral("date in format yyyy-mm-dd ( see ISO 8601 )"));
  firstGregorianBox_ = new QLineEdit(group);
  form->addWidget(LabelFor(QStringLiteral("last Julian day"), lastJulianBox_, group), 0, 0);
  form->addWidget(lastJulianBox_, 0, 1);
  form->addWidget(LabelFor(QStringLiteral("first Gregorian day"), firstGregorianBox_, group), 1, 0);
  form->addWidget(firstGregorianBox_, 1, 1);
  defaults_ = new QPushButton(QStringLiteral("some defaults"), group);
  defaults_->setToolTip(
      QStringLiteral("a huge variety of national transitions to Gregorian calendar since 1582") +
      QStringLiteral("\n") +
      QStringLiteral("complicated by significant changes to national boundaries since then"));
  form->addWidget(defaults_, 2, 1);
  opts->addWidget(group);
  opts->addStretch(1);
  auto* optButtons = new QHBoxLayout();
  optButtons->addStretch(1);
  optionsOk_ = new QPushButton(QStringLiteral("OK"), optionsPage);
  optionsCancel_ = new QPushButton(QStringLiteral("Cancel"), optionsPage);
  optButtons->addWidget(optionsOk_);
  optButtons->addWidget(optionsCancel_);
  opts->addLayout(optButtons);
  pages_->addTab(optionsPage, QStringLiteral("Options"));

  presetMenu_ = new QMenu(this);
  for (int i = 0; i < CalendarPresets().size(); ++i)
    presetMenu_->addAction(CalendarPresets()[i].name, this, [this, i] { applyPreset(i); });
  connect(defaults_, &QPushButton::clicked, this, [this] { PopupAtPointer(presetMenu_); });
  connect(optionsOk_, &QPushButton::clicked, this, &TFCal::acceptOptions);
  connect(optionsCancel_, &QPushButton::clicked, this, [this] { pages_->setCurrentIndex(0); });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 1) showOptions();
  });

  setCalendarDate(Today());
}

QString TFCal::cellText(int row, int col) const {
  const QTableWidgetItem* item = grid_->item(row, col);
  return item ? item->text() : QString();
}

void TFCal::setCalendarDate(const TDateRec& d) {
  date_ = d;
  refresh();
}

void TFCal::refresh() {
  yearButton_->setText(QString::number(date_.year));
  monthButton_->setText(MonthName(date_.month));
  dateBox_->setText(DateWithDayInBrackets(date_));
  fillGrid();
}

void TFCal::fillGrid() {
  filling_ = true;
  SetScreenUpdating(true);
  const QChar pad = PadChar();
  SetPadChar(QLatin1Char(' '));
  for (int c = 0; c < kCols; ++c)
    grid_->item(0, c)->setText(QStringLiteral(" ") + DayAbbrev(c + 1));
  const CalendarGrid g = CalendarMonthGrid(date_);
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < kCols; ++c) {
      const int day = g.day[r][c];
      grid_->item(r + 1, c)->setText(day > 0 ? QStringLiteral("  ") + PadInt(day, 2) : QString());
    }
  SetPadChar(pad);
  int row = 0;
  int col = 0;
  if (g.find(date_.day, row, col)) {
    grid_->setCurrentCell(row + 1, col);
  } else {
    grid_->clearSelection();
    grid_->setCurrentItem(nullptr);
  }
  SetScreenUpdating(false);
  filling_ = false;
}

void TFCal::stepDate(void (*step)(TDateRec&)) {
  TDateRec d = date_;
  step(d);
  setCalendarDate(KeepDayInMonth(d));
}

void TFCal::chooseMonth(int month) {
  if (month < 1 || month > 12) return;
  TDateRec d = date_;
  d.month = uint16_t(month);
  setCalendarDate(KeepDayInMonth(d));
}

void TFCal::askYear() {
  int year = date_.year;
  if (!AskInt(QStringLiteral("Enter year"), year)) return;
  if (year == 0) {
    ShowInfo(QStringLiteral("Year 0 does not exist, the Julian calendar jumps from 1BC to 1AD"));
    return;
  }
  // A date record holds years 1 to 9999 only.
  if (year < 1 || year > 9999) return;
  TDateRec d = date_;
  d.year = uint16_t(year);
  setCalendarDate(KeepDayInMonth(d));
}

void TFCal::dayCellClicked(int row, int col, bool close) {
  if (filling_ || row < 1) return;
  bool ok = false;
  const int day = cellText(row, col).trimmed().toInt(&ok);
  if (!ok || day < 1) return;
  date_.day = uint16_t(day);
  dateBox_->setText(DateWithDayInBrackets(date_));
  if (close) accept();
}

void TFCal::currentCellMoved(int row, int col) {
  // The program's own selection while it fills the grid is not the user's choice.
  if (filling_ || ScreenUpdating() || row < 1) return;
  bool ok = false;
  const int day = cellText(row, col).trimmed().toInt(&ok);
  if (!ok || day < 1) return;
  date_.day = uint16_t(day);
  dateBox_->setText(DateWithDayInBrackets(date_));
}

void TFCal::pressOk() {
  // A typing slip in the date box is reported rather than handed back as "no date".
  TDateRec d;
  if (!ParseDateTextOrWarn(dateBox_->text(), d)) return;
  date_ = d;
  accept();
}

void TFCal::showOptions() {
  lastJulianBox_->setText(DateRecToText(LastJulianDate()));
  firstGregorianBox_->setText(DateRecToText(FirstGregorianDate()));
}

void TFCal::applyPreset(int index) {
  if (index < 0 || index >= CalendarPresets().size()) return;
  lastJulianBox_->setText(CalendarPresets()[index].lastJulian);
  firstGregorianBox_->setText(CalendarPresets()[index].firstGregorian);
}

void TFCal::acceptOptions() {
  TDateRec lastJulian;
  TDateRec firstGregorian;
  if (!ParseDateText(lastJulianBox_->text(), lastJulian) ||
      !ParseDateText(firstGregorianBox_->text(), firstGregorian))
    return;
  // A switch that goes backwards or lands on an impossible date would make every
  // weekday and leap year after it wrong.
  if (lastJulian.month < 1 || lastJulian.month > 12 || firstGregorian.month < 1 ||
      firstGregorian.month > 12 || lastJulian.day < 1 || firstGregorian.day < 1 ||
      CompareDates(firstGregorian, lastJulian) <= 0)
    return;
  SetCalendarSwitch(lastJulian, firstGregorian);
  pages_->setCurrentIndex(0);
  setCalendarDate(firstGregorian);
}

bool TFCal::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dateBox_ && event->type() == QEvent::MouseButtonRelease) {
    // A click into the date box takes the whole text, ready to be typed over.
    QTimer::singleShot(0, dateBox_, [box = dateBox_] { box->selectAll(); });
  }
  return QDialog::eventFilter(watched, event);
}

TFCal* TheCalendar() {
  static QPointer<TFCal> calendar;
  if (!calendar) calendar = new TFCal();
  return calendar;
}

bool RunCalendar(const QString& title, TDateRec& date) {
  TFCal* cal = TheCalendar();
  const bool plausible = date.year != 0 && date.year != 9999 && date.month >= 1 &&
                         date.month <= 12 && date.day >= 1 && date.day <= 31;
  cal->pages()->setCurrentIndex(0);
  cal->setCalendarDate(plausible ? date : Today());
  cal->setWindowTitle(title.isEmpty() ? QStringLiteral(" Calendar") : QStringLiteral(" ") + title);
  cal->dateBox()->setFocus();
  const int result = ShowModalAtPointer(cal);
  cal->setWindowTitle(QStringLiteral(" Calendar"));
  if (result != QDialog::Accepted) return false;
  date = cal->calendarDate();
  return true;
}

namespace {

bool PickIntoText(QString& text, const QString& fallback) {
  TDateRec d;
  if (!ParseDateText(text, d) && !ParseDateText(fallback, d)) d = Today();
  if (!PickDate(d)) return false;
  text = DateWithDayInBrackets(d);
  return true;
}

}  // namespace

bool PickDateIntoEdit(QLineEdit* edit) {
  QString text = edit->text();
  if (!PickIntoText(text, QString())) return false;
  edit->setText(text);
  return true;
}

bool PickPlainDateIntoEdit(QLineEdit* edit) {
  QString text = edit->text();
  if (!PickIntoText(text, QString())) return false;
  edit->setText(DateRecToText(ParseDateTextOrZero(text)));
  return true;
}

bool PickDateIntoText(QString& text) {
  if (!PickIntoText(text, g_lastText)) return false;
  g_lastText = text;
  return true;
}
