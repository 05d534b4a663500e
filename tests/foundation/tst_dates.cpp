// Date numbers, date texts and parsing, weekdays across the calendar switch and the
// day/month/year arithmetic, including months outside 1..12.
#include <QCalendar>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "support/scripted_prompter.h"

namespace {
TDateRec D(int y, int m, int d) { return TDateRec{uint16_t(y), uint16_t(m), uint16_t(d)}; }
}  // namespace

class TstDates : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() {
    ResetCalendarSwitch();
    ResetClock();
  }

  void numbersAndTexts_data() {
    QTest::addColumn<int>("ymd");
    QTest::addColumn<QString>("text");
    QTest::newRow("no date") << 0 << "0000-00-00";
    QTest::newRow("open-ended") << 99999999 << "9999-99-99";
    QTest::newRow("ordinary") << 20240305 << "2024-03-05";
    QTest::newRow("year 1") << 10101 << "0001-01-01";
    QTest::newRow("odd month kept") << 20241340 << "2024-13-40";
  }
  void numbersAndTexts() {
    QFETCH(int, ymd);
    QFETCH(QString, text);
    QCOMPARE(YmdToText(ymd), text);
    const TDateRec d = YmdToDateRec(ymd);
    QCOMPARE(DateRecToYmd(d), ymd);
    QCOMPARE(DateRecToText(d), text);
    QCOMPARE(DateRecToTextOrBlank(d), ymd == 0 ? QString() : text);
  }

  void parseDateText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("ymd");
    QTest::newRow("plain") << "2024-03-05" << true << 20240305;
    QTest::newRow("with day abbreviation") << "2024-03-05  Tue" << true << 20240305;
    QTest::newRow("other separators") << "2024/03/05" << true << 20240305;
    QTest::newRow("month and day unchecked") << "2024-13-40" << true << 20241340;
    QTest::newRow("zero date") << "0000-00-00" << true << 0;
    QTest::newRow("edit mask") << "yyyy-mm-dd" << false << 0;
    QTest::newRow("edit mask in capitals") << "YYYY-MM-DD" << false << 0;
    QTest::newRow("too short") << "2024-3-5" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("letters") << "abcd-ef-gh" << false << 0;
    QTest::newRow("blank day") << "2024-03-  " << false << 0;
    QTest::newRow("binary") << QString::fromLatin1("\x01\x02\x03\x04\x05\x06\x07\x08\xff\xfe", 10)
                            << false << 0;
    // Positions 5 and 8 are never looked at, so a long number is read in pieces.
    QTest::newRow("forty digits") << "1234567890123456789012345678901234567890" << true << 12346790;
    QTest::newRow("negative year") << "-001-01-01" << false << 0;
    QTest::newRow("huge") << "2024-03-05" + QString(100000, QLatin1Char('x')) << true << 20240305;
  }
  void parseDateText() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, ymd);
    TDateRec d = D(1999, 9, 9);
    QCOMPARE(ParseDateText(text, d), ok);
    QCOMPARE(DateRecToYmd(d), ok ? ymd : 19990909);  // untouched on failure
    QCOMPARE(DateRecToYmd(ParseDateTextOrZero(text)), ok ? ymd : 0);

    ScriptedPrompter p;
    if (!ok) p.info("Invalid date \"" + text + "\"");
    TDateRec w;
    QCOMPARE(ParseDateTextOrWarn(text, w), ok);
    VERIFY_PROMPTS(p);
  }

  void dateTextToYmd() {
    ScriptedPrompter p;
    p.info("Invalid date \"2024-3-5\"");
    QCOMPARE(DateTextToYmd("2024-3-5"), 0);
    QCOMPARE(DateTextToYmd("2024-03-05"), 20240305);
    QVERIFY(DateTextIsValid("2024-03-05"));
    QVERIFY(!DateTextIsValid("0000-00-00"));  // a date, but the zero one: no message
    VERIFY_PROMPTS(p);
  }

  void textsWithDays() {
    const TDateRec d = D(2024, 3, 5);
    QCOMPARE(DateWithDayAbbrev(d), QString("2024-03-05  Tue"));
    QCOMPARE(DateWithDayInBrackets(d), QString("2024-03-05 (Tue)"));
    QCOMPARE(DateWithDayNameInBrackets(d), QString("2024-03-05 (Tuesday)"));
    QCOMPARE(MonthName(1), QString("January"));
    QCOMPARE(MonthName(12), QString("December"));
    QCOMPARE(MonthName(0), QString());
    QCOMPARE(MonthName(13), QString());
    QCOMPARE(DayName(7), QString("Sunday"));
    QCOMPARE(DayName(0), QString());
    QCOMPARE(DayName(8), QString());
    QCOMPARE(DayAbbrev(3), QString("Wed"));
    QCOMPARE(DayAbbrev(0), QString());
  }

  void clockDerived() {
    SetClock(QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 600)));
    QCOMPARE(Today(), D(2024, 3, 5));
    QCOMPARE(DateMarkToday(D(2024, 3, 5)), QString("2024-03-05 (today)"));
    QCOMPARE(DateMarkToday(D(2024, 3, 6)), QString("2024-03-06"));
    QCOMPARE(NowToSecond(), QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)));
    QCOMPARE(StampNow(), (TStampRec{{2024, 3, 5}, {10, 20, 31}}));  // 600 ms round up

    QCOMPARE(StampOf(QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30, 499))),
             (TStampRec{{2024, 3, 5}, {10, 20, 30}}));
    // A rounded-up last second carries through minute, hour, day and year.
    int32_t dn = -1, tn = -1;
    StampToNumbers(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 700)), dn, tn);
    QCOMPARE(dn, 20250101);
    QCOMPARE(tn, 0);
    StampToNumbers(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 3)), dn, tn);
    QCOMPARE(dn, 20240305);
    QCOMPARE(tn, 90703);
    StampToNumbers(QDateTime(), dn, tn);
    QCOMPARE(dn, 0);
    QCOMPARE(StampToDateTime(TStampRec{{2024, 3, 5}, {9, 7, 3}}),
             QDateTime(QDate(2024, 3, 5), QTime(9, 7, 3)));
  }

  void compare() {
    QCOMPARE(CompareDates(D(2024, 3, 5), D(2024, 3, 5)), 0);
    QCOMPARE(CompareDates(D(2023, 12, 31), D(2024, 1, 1)), -1);
    QCOMPARE(CompareDates(D(2024, 2, 1), D(2024, 1, 31)), 1);
    QCOMPARE(CompareDates(D(2024, 1, 6), D(2024, 1, 5)), 1);
    QVERIFY(DateBetween(D(2024, 1, 1), D(2024, 1, 1), D(2024, 12, 31)));
    QVERIFY(DateBetween(D(2024, 12, 31), D(2024, 1, 1), D(2024, 12, 31)));
    QVERIFY(!DateBetween(D(2025, 1, 1), D(2024, 1, 1), D(2024, 12, 31)));
  }

  void dayOfWeek_data() {
    QTest::addColumn<int>("ymd");
    QTest::addColumn<int>("weekday");
    QTest::newRow("first day") << 10101 << 6;
    QTest::newRow("last Julian") << 17520902 << 3;
    QTest::newRow("first Gregorian") << 17520914 << 4;
    QTest::newRow("day after") << 17520915 << 5;
    QTest::newRow("gap counts as last Julian") << 17520908 << 3;
    QTest::newRow("2024 new year") << 20240101 << 1;
    QTest::newRow("Sunday") << 20240107 << 7;
    QTest::newRow("year 0") << 101 << 0;
    QTest::newRow("month 0") << 20240005 << 0;
    QTest::newRow("month 13") << 20241305 << 0;
    QTest::newRow("day overflow counts on") << 20240231 << 6;  // as 2024-03-02
  }
  void dayOfWeek() {
    QFETCH(int, ymd);
    QFETCH(int, weekday);
    QCOMPARE(DayOfWeek(YmdToDateRec(ymd)), weekday);
  }

  // Every day of both calendars against Qt's own Julian and Gregorian calendars,
  // walked with NextDay so that the day stepping is checked along the way.
  void dayOfWeekAgainstQt() {
    const QCalendar julian(QCalendar::System::Julian);
    TDateRec d = D(1, 1, 1);
    while (CompareDates(d, D(1752, 9, 2)) <= 0) {
      const QDate q(d.year, d.month, d.day, julian);
      QVERIFY2(q.isValid(), qPrintable(DateRecToText(d)));
      if (DayOfWeek(d) != q.dayOfWeek())
        QFAIL(qPrintable(DateRecToText(d) + " Julian weekday " + QString::number(DayOfWeek(d))));
      NextDay(d);
    }
    d = D(1752, 9, 14);
    while (CompareDates(d, D(2400, 12, 31)) <= 0) {
      const QDate q(d.year, d.month, d.day);
      QVERIFY2(q.isValid(), qPrintable(DateRecToText(d)));
      if (DayOfWeek(d) != q.dayOfWeek())
        QFAIL(qPrintable(DateRecToText(d) + " weekday " + QString::number(DayOfWeek(d))));
      NextDay(d);
    }
  }

  void changedSwitch() {
    SetCalendarSwitch(D(1582, 10, 4), D(1582, 10, 15));
    QCOMPARE(LastJulianDate(), D(1582, 10, 4));
    QCOMPARE(FirstGregorianDate(), D(1582, 10, 15));
    QCOMPARE(DayOfWeek(D(1582, 10, 4)), 4);
    QCOMPARE(DayOfWeek(D(1582, 10, 15)), 5);
    QCOMPARE(DayOfWeek(D(1752, 9, 2)), 6);  // now a Gregorian date
    QVERIFY(!IsLeapYearAt(D(1700, 1, 1)));
    TDateRec d = D(1700, 2, 28);
    NextDay(d);
    QCOMPARE(d, D(1700, 3, 1));
    ResetCalendarSwitch();
    QCOMPARE(LastJulianDate(), D(1752, 9, 2));
    QCOMPARE(FirstGregorianDate(), D(1752, 9, 14));
    QVERIFY(IsLeapYearAt(D(1700, 1, 1)));
  }

  void leapYears_data() {
    QTest::addColumn<int>("ymd");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<int>("length");
    QTest::newRow("2024 Feb") << 20240201 << true << 29;
    QTest::newRow("2023 Feb") << 20230201 << false << 28;
    QTest::newRow("1900 Feb") << 19000201 << false << 28;
    QTest::newRow("2000 Feb") << 20000201 << true << 29;
    QTest::newRow("1700 Feb Julian") << 17000201 << true << 29;
    QTest::newRow("1752 last Julian") << 17520902 << true << 30;
    QTest::newRow("1800 Gregorian") << 18000201 << false << 28;
    QTest::newRow("April") << 20240415 << true << 30;
    QTest::newRow("month 0") << 20240001 << true << 0;
    QTest::newRow("month 13") << 20241301 << true << 0;
    QTest::newRow("month 99") << 20249901 << true << 0;
  }
  void leapYears() {
    QFETCH(int, ymd);
    QFETCH(bool, leap);
    QFETCH(int, length);
    QCOMPARE(IsLeapYearAt(YmdToDateRec(ymd)), leap);
    QCOMPARE(MonthLength(YmdToDateRec(ymd)), length);
  }

  // op: + NextDay, - PrevDay, w AddWeek, s SubtractDays(n), M NextMonth, m PrevMonth,
  // a AddMonths(n), Y NextYear, y PrevYear, r RollDayOverflow, and D/W/X AddPeriods(n, unit).
  void arithmetic_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("to");
    QTest::newRow("next day no skip") << 17520902 << "+" << 0 << 17520903;
    QTest::newRow("next 1900-02-28") << 19000228 << "+" << 0 << 19000301;
    QTest::newRow("next 2000-02-28") << 20000228 << "+" << 0 << 20000229;
    QTest::newRow("next 1700-02-28 Julian") << 17000228 << "+" << 0 << 17000229;
    QTest::newRow("next leap day") << 20240229 << "+" << 0 << 20240301;
    QTest::newRow("next year end") << 20241231 << "+" << 0 << 20250101;
    QTest::newRow("next 9999 end") << 99991231 << "+" << 0 << 101;
    QTest::newRow("next past month end") << 20240231 << "+" << 0 << 20240301;
    QTest::newRow("next month 13") << 20241305 << "+" << 0 << 20250101;
    QTest::newRow("next month 0") << 20240005 << "+" << 0 << 20240101;
    QTest::newRow("next month 99") << 20249901 << "+" << 0 << 20250101;
    QTest::newRow("prev 2024-03-01") << 20240301 << "-" << 0 << 20240229;
    QTest::newRow("prev 2023-03-01") << 20230301 << "-" << 0 << 20230228;
    QTest::newRow("prev new year") << 20240101 << "-" << 0 << 20231231;
    QTest::newRow("prev year 0") << 101 << "-" << 0 << 99991231;
    QTest::newRow("prev day 0") << 20240300 << "-" << 0 << 20240229;
    QTest::newRow("prev month 13 day 1") << 20241301 << "-" << 0 << 20241231;
    QTest::newRow("prev month 13 day 5") << 20241305 << "-" << 0 << 20241304;
    QTest::newRow("prev month 0 day 1") << 20240001 << "-" << 0 << 20231231;
    QTest::newRow("prev month 99 day 1") << 20249901 << "-" << 0 << 20241231;
    QTest::newRow("week over month end") << 20240226 << "w" << 0 << 20240304;
    QTest::newRow("subtract days") << 20240302 << "s" << 2 << 20240229;
    QTest::newRow("subtract none") << 20240302 << "s" << 0 << 20240302;
    QTest::newRow("next month keeps day") << 20240131 << "M" << 0 << 20240231;
    QTest::newRow("next month December") << 20241215 << "M" << 0 << 20250115;
    QTest::newRow("prev month January") << 20240115 << "m" << 0 << 20231215;
    QTest::newRow("prev month 13") << 20241315 << "m" << 0 << 20241215;
    QTest::newRow("add months forward") << 20241110 << "a" << 25 << 20261210;
    QTest::newRow("add months back") << 20240115 << "a" << -13 << 20221215;
    QTest::newRow("add months from 13") << 20241305 << "a" << 1 << 20250105;
    QTest::newRow("add months over 9999") << 99991101 << "a" << 3 << 201;
    QTest::newRow("next year 9999") << 99990601 << "Y" << 0 << 601;
    QTest::newRow("prev year 0") << 601 << "y" << 0 << 99990601;
    QTest::newRow("roll 2023-02-31") << 20230231 << "r" << 0 << 20230303;
    QTest::newRow("roll 2024-02-31") << 20240231 << "r" << 0 << 20240302;
    QTest::newRow("roll 2024-04-31") << 20240431 << "r" << 0 << 20240501;
    QTest::newRow("roll December") << 20241232 << "r" << 0 << 20250101;
    QTest::newRow("roll nothing to roll") << 20240430 << "r" << 0 << 20240430;
    QTest::newRow("roll month 13 left") << 20241340 << "r" << 0 << 20241340;
    QTest::newRow("roll month 0 left") << 20240040 << "r" << 0 << 20240040;
    QTest::newRow("periods days") << 20240227 << "D" << 3 << 20240301;
    QTest::newRow("periods weeks") << 20240101 << "W" << 2 << 20240115;
    QTest::newRow("periods none") << 20240101 << "D" << 0 << 20240101;
    QTest::newRow("periods unknown unit") << 20240101 << "X" << 5 << 20240101;
  }
  void arithmetic() {
    QFETCH(int, from);
    QFETCH(QString, op);
    QFETCH(int, n);
    QFETCH(int, to);
    TDateRec d = YmdToDateRec(from);
    switch (op.at(0).toLatin1()) {
      case '+':
        NextDay(d);
        break;
      case '-':
        PrevDay(d);
        break;
      case 'w':
        AddWeek(d);
        break;
      case 's':
        SubtractDays(d, n);
        break;
      case 'M':
        NextMonth(d);
        break;
      case 'm':
        PrevMonth(d);
        break;
      case 'a':
        AddMonths(d, n);
        break;
      case 'Y':
        NextYear(d);
        break;
      case 'y':
        PrevYear(d);
        break;
      case 'r':
        RollDayOverflow(d);
        break;
      default:
        AddPeriods(d, n, op.at(0));
        break;
    }
    QCOMPARE(DateRecToYmd(d), to);
  }

  // AddMonths and the 'M'/'Y' periods jump at once; they must land where single steps do.
  void jumpsMatchSteps() {
    for (int start : {20240131, 20241305, 20240015, 99990315, 1215}) {
      for (int n = -30; n <= 30; ++n) {
        TDateRec jumped = YmdToDateRec(start), stepped = jumped;
        AddMonths(jumped, n);
        for (int i = 0; i < qAbs(n); ++i) n > 0 ? NextMonth(stepped) : PrevMonth(stepped);
        QVERIFY2(jumped == stepped, qPrintable(QString("%1 %2").arg(start).arg(n)));
        if (n >= 0) {
          TDateRec periods = YmdToDateRec(start), years = periods;
          AddPeriods(periods, n, QLatin1Char('Y'));
          for (int i = 0; i < n; ++i) NextYear(years);
          QCOMPARE(periods, years);
        }
      }
    }
  }

  // SubtractDays jumps by months, years and the ten-thousand-year wrap; it
  // must land where as many PrevDay steps do, odd dates and the switch included.
  void subtractDaysMatchesSteps() {
    for (int start : {20240315, 20240231, 20241305, 20240015, 17520914, 101, 99991231, 120001231}) {
      for (int n : {1, 29, 400, 3000, 800000, 3652438 + 50}) {
        TDateRec jumped = YmdToDateRec(start), stepped = jumped;
        SubtractDays(jumped, n);
        for (int i = 0; i < n; ++i) PrevDay(stepped);
        QVERIFY2(jumped == stepped, qPrintable(QString("%1 %2").arg(start).arg(n)));
      }
    }
  }

  void monthlySeriesFromThe31st() {
    // Repeaters step from the unrolled start and roll each result.
    const QList<int> expected{20230131, 20230303, 20230331, 20230501, 20230531};
    for (int i = 0; i < expected.size(); ++i) {
      TDateRec d = D(2023, 1, 31);
      AddPeriods(d, i, QLatin1Char('M'));
      RollDayOverflow(d);
      QCOMPARE(DateRecToYmd(d), expected[i]);
    }
    TDateRec d = D(2024, 1, 31);
    AddPeriods(d, 1, QLatin1Char('M'));
    QCOMPARE(d, D(2024, 2, 31));
    RollDayOverflow(d);
    QCOMPARE(d, D(2024, 3, 2));
  }

  void stepDateText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("result");
    QTest::newRow("forward") << "2024-02-28"
                             << "+"
                             << "2024-02-29  Thu";
    QTest::newRow("back with day") << "2024-03-01  Fri"
                                   << "-"
                                   << "2024-02-29  Thu";
    QTest::newRow("other character") << "2024-03-01"
                                     << "x"
                                     << "2024-03-01  Fri";
    QTest::newRow("not a date") << "garbage"
                                << "+"
                                << "garbage";
  }
  void stepDateText() {
    QFETCH(QString, text);
    QFETCH(QString, c);
    QFETCH(QString, result);
    QCOMPARE(StepDateText(text, c.at(0)), result);
  }
};

QTEST_GUILESS_MAIN(TstDates)
#include "tst_dates.moc"
