// The period: its date arithmetic and the Period dialog's choices and OK.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "shell/period.h"
#include "shell/period_dialog.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TestPeriod : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    ResetSession();
    SetClock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
  }
  void cleanup() { ResetClock(); }

  void arithmetic_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("date");  // the date the choice works from (a year for "fy")
    QTest::addColumn<int>("fyDay");
    QTest::addColumn<int>("fyMonth");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("financial year 06/04") << "fy" << 2023 << 6 << 4 << 20230406 << 20240405;
    QTest::newRow("financial year 01/01") << "fy" << 2023 << 1 << 1 << 20230101 << 20231231;
    QTest::newRow("financial year 31/02 ends on the month end")
        << "fy" << 2023 << 31 << 2 << 20230228 << 20240228;
    QTest::newRow("month to leap day") << "monthTo" << 20240229 << 1 << 1 << 20240201 << 20240229;
    QTest::newRow("month to 30 March") << "monthTo" << 20240330 << 1 << 1 << 20240229 << 20240330;
    QTest::newRow("month from 15th") << "monthFrom" << 20240115 << 1 << 1 << 20240115 << 20240214;
    QTest::newRow("month from 31 January reaches February's end")
        << "monthFrom" << 20240131 << 1 << 1 << 20240131 << 20240229;
    QTest::newRow("month from 1 March")
        << "monthFrom" << 20240301 << 1 << 1 << 20240301 << 20240331;
    QTest::newRow("quarter from") << "quarterFrom" << 20240101 << 1 << 1 << 20240101 << 20240331;
    QTest::newRow("quarter to") << "quarterTo" << 20240630 << 1 << 1 << 20240401 << 20240630;
    QTest::newRow("year from leap day") << "yearFrom" << 20240229 << 1 << 1 << 20240229 << 20250228;
    QTest::newRow("year to") << "yearTo" << 20241231 << 1 << 1 << 20240101 << 20241231;
    QTest::newRow("rolling year") << "rolling" << 20240315 << 1 << 1 << 20230316 << 20240315;
    QTest::newRow("rolling year on leap day")
        << "rolling" << 20240229 << 1 << 1 << 20230301 << 20240229;
    QTest::newRow("year so far, start passed")
        << "yearSoFar" << 20240315 << 6 << 4 << 20230406 << 20240315;
    QTest::newRow("year so far, start this year")
        << "yearSoFar" << 20240415 << 6 << 4 << 20240406 << 20240415;
    QTest::newRow("year so far on the start day")
        << "yearSoFar" << 20240406 << 6 << 4 << 20240406 << 20240406;
  }

  void arithmetic() {
    QFETCH(QString, what);
    QFETCH(int, date);
    QFETCH(int, fyDay);
    QFETCH(int, fyMonth);
    TPeriod p;
    if (what == "fy") p = FinancialYearPeriod(date, fyDay, fyMonth);
    if (what == "monthTo") p = SpanTo(date, 1);
    if (what == "monthFrom") p = SpanFrom(date, 1);
    if (what == "quarterFrom") p = SpanFrom(date, 3);
    if (what == "quarterTo") p = SpanTo(date, 3);
    if (what == "yearFrom") p = SpanFrom(date, 12);
    if (what == "yearTo") p = SpanTo(date, 12);
    if (what == "rolling") p = RollingYearTo(date);
    if (what == "yearSoFar") p = YearSoFar(date, fyDay, fyMonth);
    QTEST(p.from, "from");
    QTEST(p.to, "to");
  }

  void yearShiftsAndAll() {
    QCOMPARE(ShiftYears({20230406, 20240405}, 1), (TPeriod{20240406, 20250405}));
    QCOMPARE(ShiftYears({20230301, 20240229}, -1), (TPeriod{20220301, 20230228}));
    QCOMPARE(ShiftYears({0, 20240315}, 1), (TPeriod{0, 20250315}));  // "from the start" stays
    QCOMPARE(AllPeriod(0, 20240315), (TPeriod{0, 20240315}));
    QCOMPARE(AllPeriod(20221231, 20240315), (TPeriod{0, 20221231}));
    QCOMPARE(FinancialYearLabel(2023, 6, 4), QString("2023/24"));
    QCOMPARE(FinancialYearLabel(2023, 1, 1), QString("2023"));
    QCOMPARE(FinancialYearLabel(1999, 1, 4), QString("1999/00"));
    QCOMPARE(FinancialYearStartText(6, 4), QString("06/04"));
  }

  void financialYearStartText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("message");
    QTest::newRow("06/04") << "06/04" << true << 6 << 4 << "";
    QTest::newRow("31.12 (middle not looked at)") << "31.12" << true << 31 << 12 << "";
    QTest::newRow("6/4 too short") << "6/4" << false << 0 << 0 << "";
    QTest::newRow("31/13 month out of range") << "31/13" << false << 0 << 0 << "";
    QTest::newRow("00/04 day out of range") << "00/04" << false << 0 << 0 << "";
    QTest::newRow("06/04/ too long") << "06/04/" << false << 0 << 0 << "";
    QTest::newRow("dd/mm untouched") << "dd/mm" << false << 0 << 0 << "Invalid integer \"dd\"";
    QTest::newRow("month not a number") << "06/xx" << false << 0 << 0 << "Invalid integer \"xx\"";
  }

  void financialYearStartText() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    int day = 0;
    int month = 0;
    QCOMPARE(ParseFinancialYearStart(text, day, month), accepted);
    QTEST(day, "day");
    QTEST(month, "month");
    VERIFY_PROMPTS(p);
  }

  // The dialog's financial-year choice follows the start set through its button.
  void dialogFinancialYear() {
    SetPeriodDates(20230316, 20240315);
    TFRebal dlg;
    dlg.loadPeriod();
    ScriptedPrompter p;
    p.textStartingWith("Enter first day of financial year", "dd/mm", "06/04");
    p.textStartingWith("Enter financial year", "yyyy", "2023");
    dlg.changeFinancialYearStart();
    QCOMPARE(dlg.fyStartButton()->text(), QString("06/04"));
    QCOMPARE(Session().settings.financialYearDay1, 6);
    QCOMPARE(Session().settings.financialYearMonth1, 4);
    dlg.choose(TFRebal::Choice::FinancialYear);
    QCOMPARE(dlg.working(), (TPeriod{20230406, 20240405}));
    QCOMPARE(dlg.fyLabel()->text(), QString("2023/24"));
    QCOMPARE(dlg.fromLabel()->text(), QString("2023-04-06  Thu"));

    p.text("Enter first day of financial year", "6/4");  // ignored: stays 06/04
    p.text("Enter first day of financial year", "01/01");
    p.text("Enter financial year", "2023");
    dlg.changeFinancialYearStart();
    QCOMPARE(dlg.fyStartButton()->text(), QString("06/04"));
    dlg.changeFinancialYearStart();
    dlg.choose(TFRebal::Choice::FinancialYear);
    QCOMPARE(dlg.working(), (TPeriod{20230101, 20231231}));
    QCOMPARE(dlg.fyLabel()->text(), QString("2023"));

    // Another choice clears the financial-year label.
    dlg.choose(TFRebal::Choice::IncrementYear);
    QCOMPARE(dlg.working(), (TPeriod{20240101, 20241231}));
    QCOMPARE(dlg.fyLabel()->text(), QString());
    dlg.choose(TFRebal::Choice::DecrementYear);
    dlg.choose(TFRebal::Choice::DecrementYear);
    QCOMPARE(dlg.working(), (TPeriod{20220101, 20221231}));

    p.text("Enter financial year", "yyyy", false);  // cancelled: nothing changes
    dlg.choose(TFRebal::Choice::FinancialYear);
    QCOMPARE(dlg.working(), (TPeriod{20220101, 20221231}));
    VERIFY_PROMPTS(p);
  }

  void dialogCalendarChoicesAndAll() {
    SetPeriodDates(20230316, 20240315);
    Session().dbEndDate = 0;
    TFRebal dlg;
    dlg.loadPeriod();
    QVERIFY(!dlg.okButton()->isEnabled());  // nothing changed yet
    QCOMPARE(dlg.toLabel()->text(), QString("2024-03-15  Fri = today !"));
    QVERIFY(dlg.todayLabel()->isHidden());
    ScriptedPrompter p;
    p.date("To date", 20240229).date("From date", 20240131).date("To date", 0);
    dlg.choose(TFRebal::Choice::MonthTo);
    QCOMPARE(dlg.working(), (TPeriod{20240201, 20240229}));
    QCOMPARE(dlg.workingType(), kPeriodFixed);
    QVERIFY(dlg.okButton()->isEnabled());
    QCOMPARE(dlg.todayLabel()->text(), QString("Today = 2024-03-15  Fri"));
    QVERIFY(!dlg.todayLabel()->isHidden());
    dlg.choose(TFRebal::Choice::FromDate);
    QCOMPARE(dlg.working(), (TPeriod{20240131, 20240229}));
    QCOMPARE(dlg.choiceAction(TFRebal::Choice::FromDate)->text(), QString("From 2024-01-31"));
    dlg.choose(TFRebal::Choice::ToDate);  // calendar cancelled
    QCOMPARE(dlg.working(), (TPeriod{20240131, 20240229}));

    dlg.choose(TFRebal::Choice::All);
    QCOMPARE(dlg.working(), (TPeriod{0, 20240315}));
    Session().dbEndDate = 20221231;  // an archive ends on its end date
    dlg.choose(TFRebal::Choice::All);
    QCOMPARE(dlg.working(), (TPeriod{0, 20221231}));

    dlg.choose(TFRebal::Choice::RollingYear);
    QCOMPARE(dlg.working(), (TPeriod{20230316, 20240315}));
    QCOMPARE(dlg.workingType(), kPeriodRollingYear);
    VERIFY_PROMPTS(p);
  }

  void dialogOk_data() {
    QTest::addColumn<int>("choiceTo");  // To date picked through "Month to"
    QTest::addColumn<bool>("rolling");  // choose "Current year so far" instead
    QTest::addColumn<bool>("autoRefresh");
    QTest::addColumn<char>("futureAnswer");  // ' ' = no question expected
    QTest::addColumn<char>("rebalanceAnswer");
    QTest::addColumn<int>("type");  // the period type afterwards
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("fixed month") << 20240229 << false << true << ' ' << 'N' << 0 << 20240201
                                 << 20240229 << true;
    QTest::newRow("future refused")
        << 20240430 << false << true << 'N' << ' ' << 2 << 20230316 << 20240315 << false;
    QTest::newRow("future accepted")
        << 20240430 << false << true << 'Y' << 'N' << 0 << 20240401 << 20240430 << true;
    QTest::newRow("year so far kept rolling")
        << 0 << true << true << ' ' << 'N' << 1 << 20240101 << 20240315 << true;
    QTest::newRow("year so far, no auto-refresh")
        << 0 << true << false << ' ' << 'N' << 0 << 20240101 << 20240315 << true;
    QTest::newRow("rebalance asked and run")
        << 20240229 << false << true << ' ' << 'Y' << 0 << 20240201 << 20240229 << true;
  }

  void dialogOk() {
    QFETCH(int, choiceTo);
    QFETCH(bool, rolling);
    QFETCH(bool, autoRefresh);
    QFETCH(char, futureAnswer);
    QFETCH(char, rebalanceAnswer);
    // The rebalance the dialog asks for runs on real books.
    std::unique_ptr<TestBooks> books;
    if (rebalanceAnswer == 'Y') {
      books = std::make_unique<TestBooks>();
      QVERIFY2(books->ok(), qPrintable(books->error()));
    }
    SetPeriodDates(20230316, 20240315);
    Session().settings.periodType = kPeriodRollingYear;
    SetRebalanceNeeded(false);
    TFRebal dlg;
    dlg.loadPeriod();
    dlg.autoRefreshAction()->setChecked(autoRefresh);
    ScriptedPrompter p;
    if (rolling) {
      dlg.choose(TFRebal::Choice::YearSoFar);
    } else {
      p.date("To date", choiceTo);
      dlg.choose(TFRebal::Choice::MonthTo);
    }
    if (futureAnswer != ' ')
      p.ask("Balance date is in the future - are you sure? (rptr insts will be gend to this date) ",
            futureAnswer);
    if (rebalanceAnswer != ' ') p.ask("Rebalance now ?", rebalanceAnswer);
    dlg.pressOk();
    VERIFY_PROMPTS(p);
    QTEST(Session().settings.periodType, "type");
    QTEST(Session().periodFrom, "from");
    QTEST(Session().periodTo, "to");
    QFETCH(bool, accepted);
    QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
    QCOMPARE(RebalanceNeeded(), accepted && rebalanceAnswer != 'Y');
    if (rebalanceAnswer == 'Y') QCOMPARE(p.flashes().value(p.flashes().size() - 1), QString("Rebalanced OK"));
  }

  void dialogRefusesStartAfterEnd() {
    SetPeriodDates(20230316, 20240315);
    TFRebal dlg;
    dlg.loadPeriod();
    dlg.setWorking({20240301, 20240201}, kPeriodFixed);
    ScriptedPrompter p;
    p.info("Period start 2024-03-01 is after its end 2024-02-01");
    dlg.pressOk();
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().periodFrom, 20230316);
  }

  // The choice menu comes up by itself shortly after the dialog shows.
  void dialogMenuPopsUp() {
    SetPeriodDates(20230316, 20240315);
    TFRebal dlg;
    dlg.show();
    QTRY_VERIFY(dlg.choiceMenu()->isVisible());
    dlg.choiceMenu()->hide();
    QCOMPARE(dlg.popupTimer()->interval(), 200);
  }

  void startupRoll_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("storedFrom");
    QTest::addColumn<int>("storedTo");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("rolling year ending yesterday")
        << 2 << 20230315 << 20240314 << true << 20230316 << 20240315;
    QTest::newRow("rolling year already today")
        << 2 << 20230316 << 20240315 << false << 20230316 << 20240315;
    QTest::newRow("year so far") << 1 << 20230101 << 20231231 << true << 20240101 << 20240315;
    QTest::newRow("fixed period stays")
        << 0 << 20230101 << 20231231 << false << 20230101 << 20231231;
  }

  void startupRoll() {
    QFETCH(int, type);
    QFETCH(int, storedFrom);
    QFETCH(int, storedTo);
    QFETCH(bool, moved);
    Session().settings.periodType = type;
    SetPeriodDates(storedFrom, storedTo);
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    QCOMPARE(RollPeriodAtStart(), moved);
    QCOMPARE(p.flashes(), moved ? QStringList{"Period end has been reset = today"} : QStringList());
    QTEST(Session().periodFrom, "from");
    QTEST(Session().periodTo, "to");
    QCOMPARE(RebalanceNeeded(), moved);
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TestPeriod)
#include "tst_period.moc"
