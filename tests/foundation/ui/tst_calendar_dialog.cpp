#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/ui/calendar.h"
#include "store/session.h"
#include "support/scripted_prompter.h"

// Dates read as yyyy-mm-dd in failure reports.
char* toString(const TDateRec& d) { return qstrdup(qPrintable(DateRecToText(d))); }

namespace {

TDateRec D(int y, int m, int d) { return TDateRec{uint16_t(y), uint16_t(m), uint16_t(d)}; }

// The days of the page in reading order, and the column of each.
QList<int> Days(const CalendarGrid& g, QList<int>* cols = nullptr) {
  QList<int> days;
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 7; ++c)
      if (g.day[r][c] > 0) {
        days << g.day[r][c];
        if (cols) *cols << c;
      }
  return days;
}

QList<int> Range(int from, int to) {
  QList<int> r;
  for (int i = from; i <= to; ++i) r << i;
  return r;
}

// Acts on the calendar once its modal loop runs.
void OnCalendar(std::function<void(TFCal*)> act) {
  QTimer::singleShot(0, [act] {
    auto* cal = qobject_cast<TFCal*>(QApplication::activeModalWidget());
    QVERIFY(cal);
    act(cal);
  });
}

QPoint CellCentre(QTableWidget* grid, int row, int col) {
  return grid->visualRect(grid->model()->index(row, col)).center();
}

}  // namespace

class TestCalendarDialog : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void init() {
    ResetCalendarSwitch();
    SetClock(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    Session().settings.oneClickSelect = false;
  }
  void cleanup() {
    ResetCalendarSwitch();
    ResetClock();
    Session().settings.oneClickSelect = false;
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  }

  void grid_data() {
    QTest::addColumn<TDateRec>("lastJulian");
    QTest::addColumn<TDateRec>("firstGregorian");
    QTest::addColumn<TDateRec>("page");
    QTest::addColumn<QList<int>>("days");
    QTest::addColumn<int>("firstColumn");
    const TDateRec gbL = D(1752, 9, 2), gbG = D(1752, 9, 14);
    QTest::newRow("September 1752 skips 3-13")
        << gbL << gbG << D(1752, 9, 20) << Range(1, 2) + Range(14, 30) << 1;
    QTest::newRow("August 1752 untouched") << gbL << gbG << D(1752, 8, 1) << Range(1, 31) << 5;
    QTest::newRow("October 1582 without the switch there")
        << gbL << gbG << D(1582, 10, 1) << Range(1, 31) << 0;
    QTest::newRow("October 1582 switched")
        << D(1582, 10, 4) << D(1582, 10, 15) << D(1582, 10, 1) << Range(1, 4) + Range(15, 31) << 0;
    QTest::newRow("December 1582 France")
        << D(1582, 12, 9) << D(1582, 12, 20) << D(1582, 12, 1) << Range(1, 9) + Range(20, 31) << 5;
    QTest::newRow("February 1700 ends on the 18th")
        << D(1700, 2, 18) << D(1700, 3, 1) << D(1700, 2, 1) << Range(1, 18) << 3;
    QTest::newRow("March 1700 after the switch")
        << D(1700, 2, 18) << D(1700, 3, 1) << D(1700, 3, 1) << Range(1, 31) << 0;
    QTest::newRow("February 1700 Julian leap") << gbL << gbG << D(1700, 2, 1) << Range(1, 29) << 3;
    QTest::newRow("February 2024") << gbL << gbG << D(2024, 2, 10) << Range(1, 29) << 3;
    QTest::newRow("month 13 is empty") << gbL << gbG << D(2024, 13, 1) << QList<int>() << -1;
  }
  void grid() {
    QFETCH(TDateRec, lastJulian);
    QFETCH(TDateRec, firstGregorian);
    QFETCH(TDateRec, page);
    QFETCH(QList<int>, days);
    QFETCH(int, firstColumn);
    SetCalendarSwitch(lastJulian, firstGregorian);
    QList<int> cols;
    QCOMPARE(Days(CalendarMonthGrid(page), &cols), days);
    if (firstColumn >= 0) {
      QCOMPARE(cols.first(), firstColumn);
      // Every shown day follows the one before it in the next column.
      for (int i = 1; i < cols.size(); ++i) QCOMPARE(cols[i], (cols[i - 1] + 1) % 7);
    }
  }

  void september1752OnThePage() {
    TFCal cal;
    cal.setCalendarDate(D(1752, 9, 14));
    QCOMPARE(cal.cellText(0, 0), QStringLiteral(" Mon"));
    QCOMPARE(cal.cellText(0, 6), QStringLiteral(" Sun"));
    // Tuesday 1st and Wednesday 2nd, then Thursday 14th directly.
    QCOMPARE(cal.cellText(1, 0), QString());
    QCOMPARE(cal.cellText(1, 1), QStringLiteral("   1"));
    QCOMPARE(cal.cellText(1, 2), QStringLiteral("   2"));
    QCOMPARE(cal.cellText(1, 3), QStringLiteral("  14"));
    QCOMPARE(cal.cellText(3, 5), QStringLiteral("  30"));
    QCOMPARE(cal.cellText(3, 6), QString());
    // The calendar date's cell is the selected one, and selecting it was not a click.
    QCOMPARE(cal.grid()->currentRow(), 1);
    QCOMPARE(cal.grid()->currentColumn(), 3);
    QCOMPARE(cal.calendarDate(), D(1752, 9, 14));
    QCOMPARE(cal.yearButton()->text(), QStringLiteral("1752"));
    QCOMPARE(cal.monthButton()->text(), QStringLiteral("September"));
    QCOMPARE(cal.dateBox()->text(), QStringLiteral("1752-09-14 (Thu)"));
  }

  void presetSwitchesToOctober1582() {
    TFCal cal;
    cal.show();
    cal.pages()->setCurrentIndex(1);
    QCOMPARE(cal.lastJulianBox()->text(), QStringLiteral("1752-09-02"));
    QCOMPARE(cal.firstGregorianBox()->text(), QStringLiteral("1752-09-14"));
    QCOMPARE(cal.presetMenu()->actions().size(), 4);
    cal.presetMenu()->actions().at(0)->trigger();
    QCOMPARE(cal.lastJulianBox()->text(), QStringLiteral("1582-10-04"));
    QCOMPARE(cal.firstGregorianBox()->text(), QStringLiteral("1582-10-15"));
    cal.optionsOkButton()->click();

    QCOMPARE(LastJulianDate(), D(1582, 10, 4));
    QCOMPARE(FirstGregorianDate(), D(1582, 10, 15));
    QCOMPARE(cal.pages()->currentIndex(), 0);
    QCOMPARE(cal.calendarDate(), D(1582, 10, 15));
    // Monday 1st to Thursday 4th, then Friday 15th.
    QCOMPARE(cal.cellText(1, 3), QStringLiteral("   4"));
    QCOMPARE(cal.cellText(1, 4), QStringLiteral("  15"));
    QCOMPARE(cal.cellText(3, 6), QStringLiteral("  31"));
    // September 1752 is a plain month now.
    QCOMPARE(Days(CalendarMonthGrid(D(1752, 9, 1))), Range(1, 30));
  }

  void optionsRefuseBadDates_data() {
    QTest::addColumn<QString>("lastJulian");
    QTest::addColumn<QString>("firstGregorian");
    QTest::newRow("not a date") << "1582-10-04"
                                << "soon";
    QTest::newRow("backwards") << "1582-10-15"
                               << "1582-10-04";
  }
  void optionsRefuseBadDates() {
    QFETCH(QString, lastJulian);
    QFETCH(QString, firstGregorian);
    TFCal cal;
    cal.setCalendarDate(D(2024, 3, 5));
    cal.pages()->setCurrentIndex(1);
    cal.lastJulianBox()->setText(lastJulian);
    cal.firstGregorianBox()->setText(firstGregorian);
    cal.optionsOkButton()->click();
    QCOMPARE(LastJulianDate(), D(1752, 9, 2));
    QCOMPARE(FirstGregorianDate(), D(1752, 9, 14));
    QCOMPARE(cal.pages()->currentIndex(), 1);
    QCOMPARE(cal.calendarDate(), D(2024, 3, 5));
  }

  void stepsKeepTheDayOnThePage() {
    TFCal cal;
    cal.setCalendarDate(D(2024, 1, 31));
    cal.nextMonthButton()->click();
    QCOMPARE(cal.calendarDate(), D(2024, 2, 29));
    cal.prevYearButton()->click();
    QCOMPARE(cal.calendarDate(), D(2023, 2, 28));
    cal.nextYearButton()->click();
    cal.prevMonthButton()->click();
    QCOMPARE(cal.calendarDate(), D(2024, 1, 28));
    cal.monthMenu()->actions().at(8)->trigger();  // September
    QCOMPARE(cal.monthButton()->text(), QStringLiteral("September"));
    cal.setCalendarDate(D(1752, 8, 5));
    cal.nextMonthButton()->click();  // the 5th of September 1752 never was
    QCOMPARE(cal.calendarDate(), D(1752, 9, 14));
  }

  void yearEntry() {
    TFCal cal;
    cal.setCalendarDate(D(2024, 3, 5));
    {
      ScriptedPrompter p;
      p.textStartingWith("Enter year", "2024", "0")
          .info("Year 0 does not exist, the Julian calendar jumps from 1BC to 1AD");
      cal.yearButton()->click();
      VERIFY_PROMPTS(p);
      QCOMPARE(cal.calendarDate(), D(2024, 3, 5));
    }
    {
      ScriptedPrompter p;
      p.text("Enter year", "1");
      cal.yearButton()->click();
      VERIFY_PROMPTS(p);
      QCOMPARE(cal.yearButton()->text(), QStringLiteral("1"));
      QCOMPARE(cal.calendarDate(), D(1, 3, 5));
    }
    {
      ScriptedPrompter p;
      p.text("Enter year", "1999", false);
      cal.yearButton()->click();
      VERIFY_PROMPTS(p);
      QCOMPARE(cal.calendarDate(), D(1, 3, 5));
    }
  }

  void pickDateStartsOnPlausibleDatesOnly_data() {
    QTest::addColumn<TDateRec>("given");
    QTest::addColumn<TDateRec>("start");
    QTest::newRow("plausible") << D(2021, 7, 9) << D(2021, 7, 9);
    QTest::newRow("open-ended") << D(9999, 99, 99) << D(2024, 3, 5);
    QTest::newRow("zero") << TDateRec() << D(2024, 3, 5);
    QTest::newRow("month 13") << D(2021, 13, 1) << D(2024, 3, 5);
  }
  void pickDateStartsOnPlausibleDatesOnly() {
    QFETCH(TDateRec, given);
    QFETCH(TDateRec, start);
    TDateRec seen;
    QString caption;
    OnCalendar([&](TFCal* cal) {
      seen = cal->calendarDate();
      caption = cal->windowTitle();
      cal->cancelButton()->click();
    });
    TDateRec d = given;
    QVERIFY(!RunCalendar(QString(), d));
    QCOMPARE(seen, start);
    QCOMPARE(d, given);
    QCOMPARE(caption, QStringLiteral(" Calendar"));
  }

  void titledPickAndOk() {
    QString caption;
    OnCalendar([&](TFCal* cal) {
      caption = cal->windowTitle();
      cal->dateBox()->setText(QStringLiteral("2023-12-24"));
      cal->okButton()->click();
    });
    TDateRec d;
    QVERIFY(RunCalendar(QStringLiteral("Freeze before"), d));
    QCOMPARE(caption, QStringLiteral(" Freeze before"));
    QCOMPARE(d, D(2023, 12, 24));
    QCOMPARE(TheCalendar()->windowTitle(), QStringLiteral(" Calendar"));
  }

  void okWithAnUnreadableDateBoxStaysOpen() {
    TFCal cal;
    cal.setCalendarDate(D(2024, 3, 5));
    ScriptedPrompter p;
    p.info("Invalid date \"next week\"");
    cal.show();
    cal.dateBox()->setText(QStringLiteral("next week"));
    cal.okButton()->click();
    VERIFY_PROMPTS(p);
    QVERIFY(cal.isVisible());
    QCOMPARE(cal.result(), int(QDialog::Rejected));
  }

  void clicksOnDays_data() {
    QTest::addColumn<bool>("oneClick");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<bool>("closes");
    QTest::newRow("single click") << false << false << false;
    QTest::newRow("single click, one-click select") << true << false << true;
    QTest::newRow("double click") << false << true << true;
  }
  void clicksOnDays() {
    QFETCH(bool, oneClick);
    QFETCH(bool, doubleClick);
    QFETCH(bool, closes);
    Session().settings.oneClickSelect = oneClick;
    TFCal cal;
    cal.setCalendarDate(D(2024, 3, 5));
    cal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cal));
    QWidget* vp = cal.grid()->viewport();
    // March 2024 starts on a Friday: the 20th is a Wednesday in the fourth week.
    QCOMPARE(cal.cellText(4, 2), QStringLiteral("  20"));
    const QPoint at = CellCentre(cal.grid(), 4, 2);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at);
    if (doubleClick) {
      // A real double click: the first click, then the double-click event and its release.
      QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
      QTest::mouseRelease(vp, Qt::LeftButton, {}, at);
    }
    QCOMPARE(cal.calendarDate(), D(2024, 3, 20));
    QCOMPARE(cal.dateBox()->text(), QStringLiteral("2024-03-20 (Wed)"));
    QCOMPARE(cal.isVisible(), !closes);
    // An empty cell does nothing.
    if (!closes) {
      QTest::mouseClick(vp, Qt::LeftButton, {}, CellCentre(cal.grid(), 6, 6));
      QCOMPARE(cal.calendarDate(), D(2024, 3, 20));
    }
  }

  void todayButton_data() {
    QTest::addColumn<bool>("oneClick");
    QTest::newRow("stays open") << false;
    QTest::newRow("one-click select closes") << true;
  }
  void todayButton() {
    QFETCH(bool, oneClick);
    Session().settings.oneClickSelect = oneClick;
    TFCal cal;
    cal.setCalendarDate(D(1999, 1, 1));
    cal.show();
    cal.todayButton()->click();
    QCOMPARE(cal.calendarDate(), D(2024, 3, 5));
    QCOMPARE(cal.isVisible(), !oneClick);
  }

  void datesIntoEdits() {
    QLineEdit edit;
    edit.setText(QStringLiteral("2024-02-01"));
    {
      ScriptedPrompter p;
      p.date(QString(), 20240305);
      QVERIFY(PickDateIntoEdit(&edit));
      VERIFY_PROMPTS(p);
      QCOMPARE(edit.text(), QStringLiteral("2024-03-05 (Tue)"));
    }
    {
      ScriptedPrompter p;
      p.date(QString(), 20240306);
      QVERIFY(PickPlainDateIntoEdit(&edit));
      VERIFY_PROMPTS(p);
      QCOMPARE(edit.text(), QStringLiteral("2024-03-06"));
    }
    {
      ScriptedPrompter p;
      p.date(QString(), 0);
      QVERIFY(!PickDateIntoEdit(&edit));
      VERIFY_PROMPTS(p);
      QCOMPARE(edit.text(), QStringLiteral("2024-03-06"));
    }
    {
      ScriptedPrompter p;
      p.date(QString(), 20231130);
      QString text;
      QVERIFY(PickDateIntoText(text));
      VERIFY_PROMPTS(p);
      QCOMPARE(text, QStringLiteral("2023-11-30 (Thu)"));
    }
  }
};

QTEST_MAIN(TestCalendarDialog)
#include "tst_calendar_dialog.moc"
