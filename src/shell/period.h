#pragma once
// The accounting period: the date arithmetic behind the Period dialog's choices
// and the start-up roll of a rolling period. Dates are yyyymmdd numbers; a From
// date of 0 means "from the beginning of the data".
#include <QString>
#include <cstdint>

// Period types as stored in the settings.
inline constexpr int kPeriodFixed = 0;
inline constexpr int kPeriodYearSoFar = 1;
inline constexpr int kPeriodRollingYear = 2;

struct TPeriod {
  int32_t from = 0;
  int32_t to = 0;
  friend bool operator==(const TPeriod&, const TPeriod&) = default;
};

// Moves a date by whole months or years. A day that the target month does not
// have becomes that month's last day (2024-02-29 one year on is 2025-02-28), so
// the results are always real dates. 0 stays 0.
int32_t AddMonthsKeepingMonthEnd(int32_t ymd, int months);
int32_t AddYearsKeepingMonthEnd(int32_t ymd, int years);
int32_t NextDayYmd(int32_t ymd);
int32_t PrevDayYmd(int32_t ymd);

// The first day of the financial year of that year (day and month as stored;
// a day the month lacks becomes its last day).
int32_t FinancialYearStart(int year, int fyDay, int fyMonth);

// "Rolling year to today": the year ending today (SpanTo 12 months).
TPeriod RollingYearTo(int32_t today);
// "Current year so far": the latest financial-year start on or before today, to today.
TPeriod YearSoFar(int32_t today, int fyDay, int fyMonth);
// The period a rolling type gives today; {0, 0} for the fixed type.
TPeriod PeriodOfType(int type, int32_t today, int fyDay, int fyMonth);

// From a start date, months long ("Month from" 1, "Quarter from" 3, "Year from"
// 12): to the day before from + months, or to the last day of the month reached
// when that month is too short for from's day (2024-01-31 gives 2024-02-29).
TPeriod SpanFrom(int32_t from, int months);
// To an end date, months long ("Month to", "Quarter to", "Year to"): from
// to + 1 day, months back (2024-02-29 gives 2024-02-01).
TPeriod SpanTo(int32_t to, int months);
// "Financial year": the year starting on the financial-year start of that year.
TPeriod FinancialYearPeriod(int year, int fyDay, int fyMonth);
// "2023" for a year starting on 1 January, otherwise "2023/24".
QString FinancialYearLabel(int year, int fyDay, int fyMonth);
// "Increment year" / "Decrement year": both dates moved (a From of 0 stays 0).
TPeriod ShiftYears(const TPeriod& p, int years);
// "All": from the beginning to the database end date, or today when there is none.
TPeriod AllPeriod(int32_t dbEndDate, int32_t today);

// The financial-year start as the button shows it: "dd/mm".
QString FinancialYearStartText(int fyDay, int fyMonth);
// Reads "dd/mm": exactly five characters, day 1-31 in the first two, month
// 1-12 in the last two (the middle one is not looked at). False leaves day and
// month alone; a part that is no integer says so through ParseIntOrWarn.
bool ParseFinancialYearStart(const QString& text, int& fyDay, int& fyMonth);

// Sets the program's period (both dates; To is the balance date).
void SetPeriod(int32_t from, int32_t to);

// The start-up roll: for a rolling period type, recompute the period from
// today; when it moved, flash "Period end has been reset = today", set it and
// mark a rebalance as needed. True when the period moved.
bool RollPeriodAtStart();
