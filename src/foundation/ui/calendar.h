#pragma once
// The calendar (TFCal): a month page to pick a day and an options page to set the
// switch from the Julian to the Gregorian calendar, with national presets.
#include <QDialog>
#include <QString>

#include "foundation/daterec.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableWidget;

// The days of date's month as the calendar lays them out: six rows of seven columns,
// Monday first, 0 for an empty cell. The days between the last Julian and the first
// Gregorian date are left out. Empty for a month outside 1..12 or year 0.
struct CalendarGrid {
  int day[6][7] = {};
  // Row and column of day n, or false when n is not on the page.
  bool find(int n, int& row, int& col) const;
};
CalendarGrid CalendarMonthGrid(const TDateRec& date);

// A day that the month page cannot show is brought back into it: past the month's
// end to its last day, inside the switch gap to the first Gregorian date.
TDateRec KeepDayInMonth(const TDateRec& d);

// One of the national presets of the options page.
struct CalendarPreset {
  QString name;
  QString lastJulian;
  QString firstGregorian;
};
const QList<CalendarPreset>& CalendarPresets();

class TFCal : public QDialog {
  Q_OBJECT
 public:
  explicit TFCal(QWidget* parent = nullptr);

  void setCalendarDate(const TDateRec& d);  // shows its month
  TDateRec calendarDate() const { return date_; }

  // Controls, for the tests and the callers that drive the dialog.
  QTableWidget* grid() const { return grid_; }
  QPushButton* yearButton() const { return yearButton_; }
  QPushButton* monthButton() const { return monthButton_; }
  QPushButton* prevYearButton() const { return prevYear_; }
  QPushButton* nextYearButton() const { return nextYear_; }
  QPushButton* prevMonthButton() const { return prevMonth_; }
  QPushButton* nextMonthButton() const { return nextMonth_; }
  QPushButton* todayButton() const { return today_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QLineEdit* dateBox() const { return dateBox_; }
  QTabWidget* pages() const { return pages_; }
  QLineEdit* lastJulianBox() const { return lastJulianBox_; }
  QLineEdit* firstGregorianBox() const { return firstGregorianBox_; }
  QPushButton* defaultsButton() const { return defaults_; }
  QPushButton* optionsOkButton() const { return optionsOk_; }
  QPushButton* optionsCancelButton() const { return optionsCancel_; }
  QMenu* monthMenu() const { return monthMenu_; }
  QMenu* presetMenu() const { return presetMenu_; }
  // Texts of the grid's cells (row 0 = day names).
  QString cellText(int row, int col) const;

  // The month page's actions.
  void askYear();
  void chooseMonth(int month);
  void applyPreset(int index);  // fills the two boxes of the options page
  void acceptOptions();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refresh();
  void fillGrid();
  void stepDate(void (*step)(TDateRec&));
  void dayCellClicked(int row, int col, bool close);
  void currentCellMoved(int row, int col);
  void pressOk();
  void showOptions();

  TDateRec date_;
  QTabWidget* pages_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QPushButton* yearButton_ = nullptr;
  QPushButton* monthButton_ = nullptr;
  QPushButton* prevYear_ = nullptr;
  QPushButton* nextYear_ = nullptr;
  QPushButton* prevMonth_ = nullptr;
  QPushButton* nextMonth_ = nullptr;
  QPushButton* today_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLineEdit* dateBox_ = nullptr;
  QLineEdit* lastJulianBox_ = nullptr;
  QLineEdit* firstGregorianBox_ = nullptr;
  QPushButton* defaults_ = nullptr;
  QPushButton* optionsOk_ = nullptr;
  QPushButton* optionsCancel_ = nullptr;
  QMenu* monthMenu_ = nullptr;
  QMenu* presetMenu_ = nullptr;
  QWidget* monthPanel_ = nullptr;
  bool filling_ = false;
};

// The one calendar of the program (created on first use, then reused).
TFCal* TheCalendar();

// The prompter's calendar: starts on date when it is plausible (year neither 0 nor
// 9999, month 1-12, day 1-31), otherwise on today; caption " " + title when a title
// is given. True with the chosen date after OK.
bool RunCalendar(const QString& title, TDateRec& date);

// Date boxes with a calendar button. The edit gets the calendar's date-box text
// (for example 2024-03-05 (Tue)), which every date parse of the program accepts.
bool PickDateIntoEdit(QLineEdit* edit);
// As PickDateIntoEdit, then the plain "yyyy-mm-dd".
bool PickPlainDateIntoEdit(QLineEdit* edit);
// As PickDateIntoEdit on a text; a text that is no date starts on the text chosen
// last time.
bool PickDateIntoText(QString& text);
