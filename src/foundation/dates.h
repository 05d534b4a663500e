#pragma once
// Date numbers (yyyymmdd), date records and the date arithmetic, including the
// switch from the Julian to the Gregorian calendar.
#include <QDateTime>
#include <QString>

#include "foundation/daterec.h"

// The calendar switch: last Julian date and first Gregorian date. Settable at run
// time (the calendar's options page); not stored.
TDateRec LastJulianDate();
TDateRec FirstGregorianDate();
void SetCalendarSwitch(const TDateRec& lastJulian, const TDateRec& firstGregorian);
void ResetCalendarSwitch();  // 1752-09-02 / 1752-09-14

QString YmdToText(int32_t n);
TDateRec YmdToDateRec(int32_t n);
int32_t DateRecToYmd(const TDateRec& d);
QString DateRecToText(const TDateRec& d);
QString DateRecToTextOrBlank(const TDateRec& d);
bool ParseDateText(const QString& text, TDateRec& d);
TDateRec ParseDateTextOrZero(const QString& text);
bool ParseDateTextOrWarn(const QString& text, TDateRec& d);
int32_t DateTextToYmd(const QString& text);
bool DateTextIsValid(const QString& text);
QString DateWithDayAbbrev(const TDateRec& d);
QString DateWithDayInBrackets(const TDateRec& d);
QString DateWithDayNameInBrackets(const TDateRec& d);
QString DateMarkToday(const TDateRec& d);

TDateRec Today();
QDateTime NowToSecond();
TStampRec StampNow();
TStampRec StampOf(const QDateTime& t);
void StampToNumbers(const QDateTime& t, int32_t& dateNumber, int32_t& timeNumber);
QDateTime StampToDateTime(const TStampRec& s);

int CompareDates(const TDateRec& a, const TDateRec& b);
bool DateBetween(const TDateRec& d, const TDateRec& lo, const TDateRec& hi);
int DayOfWeek(const TDateRec& d);  // 1 = Monday .. 7 = Sunday; 0 for year 0
QString MonthName(int m);
QString DayName(int k);
QString DayAbbrev(int k);
bool IsLeapYearAt(const TDateRec& d);
// Length of d's month under the leap rule in force at d; 0 for a month outside 1..12.
int MonthLength(const TDateRec& d);

void NextDay(TDateRec& d);
void PrevDay(TDateRec& d);
void AddWeek(TDateRec& d);
void SubtractDays(TDateRec& d, int n);
void NextMonth(TDateRec& d);
void PrevMonth(TDateRec& d);
void AddMonths(TDateRec& d, int n);
void NextYear(TDateRec& d);
void PrevYear(TDateRec& d);
void RollDayOverflow(TDateRec& d);
void AddPeriods(TDateRec& d, int count, QChar unit);
QString StepDateText(const QString& text, QChar c);
