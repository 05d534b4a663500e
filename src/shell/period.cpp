#include "shell/period.h"

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "store/session.h"

namespace {

// A day past the month's end becomes the month's last day; true when it was past.
bool clampDay(TDateRec& d) {
  const int len = MonthLength(d);
  if (d.day < 1) d.day = 1;
  if (len > 0 && d.day > len) {
    d.day = uint16_t(len);
    return true;
  }
  return false;
}

int32_t addMonths(int32_t ymd, int months, bool* clamped) {
  TDateRec d = YmdToDateRec(ymd);
  AddMonths(d, months);
  const bool c = clampDay(d);
  if (clamped) *clamped = c;
  return DateRecToYmd(d);
}

int32_t todayYmd() { return DateRecToYmd(Today()); }

}  // namespace

int32_t AddMonthsKeepingMonthEnd(int32_t ymd, int months) {
  if (ymd == 0) return 0;
  return addMonths(ymd, months, nullptr);
}

int32_t AddYearsKeepingMonthEnd(int32_t ymd, int years) {
  if (ymd == 0) return 0;
  TDateRec d = YmdToDateRec(ymd);
  for (int i = 0; i < years; ++i) NextYear(d);
  for (int i = 0; i > years; --i) PrevYear(d);
  clampDay(d);
  return DateRecToYmd(d);
}

int32_t NextDayYmd(int32_t ymd) {
  TDateRec d = YmdToDateRec(ymd);
  NextDay(d);
  return DateRecToYmd(d);
}

int32_t PrevDayYmd(int32_t ymd) {
  TDateRec d = YmdToDateRec(ymd);
  PrevDay(d);
  return DateRecToYmd(d);
}

int32_t FinancialYearStart(int year, int fyDay, int fyMonth) {
  TDateRec d{uint16_t(year), uint16_t(qBound(1, fyMonth, 12)), uint16_t(qBound(1, fyDay, 31))};
  clampDay(d);
  return DateRecToYmd(d);
}

TPeriod RollingYearTo(int32_t today) { return SpanTo(today, 12); }

TPeriod YearSoFar(int32_t today, int fyDay, int fyMonth) {
  const int year = today / 10000;
  int32_t from = FinancialYearStart(year, fyDay, fyMonth);
  if (from > today) from = FinancialYearStart(year - 1, fyDay, fyMonth);
  return {from, today};
}

TPeriod PeriodOfType(int type, int32_t today, int fyDay, int fyMonth) {
  if (type == kPeriodYearSoFar) return YearSoFar(today, fyDay, fyMonth);
  if (type == kPeriodRollingYear) return RollingYearTo(today);
  return {};
}

// The day before from + months; when that day is past the target month's end
// (2024-01-31 one month on), the month's last day ends the span instead, so
// the span never stops short of the month it reaches into.
TPeriod SpanFrom(int32_t from, int months) {
  if (from == 0) return {};
  bool clamped = false;
  const int32_t end = addMonths(from, months, &clamped);
  return {from, clamped ? end : PrevDayYmd(end)};
}

TPeriod SpanTo(int32_t to, int months) {
  if (to == 0) return {};
  return {addMonths(NextDayYmd(to), -months, nullptr), to};
}

// Up to the day before the next financial year's start, so that consecutive
// years meet even when the start day is one that February lacks.
TPeriod FinancialYearPeriod(int year, int fyDay, int fyMonth) {
  return {FinancialYearStart(year, fyDay, fyMonth),
          PrevDayYmd(FinancialYearStart(year + 1, fyDay, fyMonth))};
}

QString FinancialYearLabel(int year, int fyDay, int fyMonth) {
  const QString y = QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
  if (fyDay == 1 && fyMonth == 1) return y;
  return y + "/" + QStringLiteral("%1").arg((year + 1) % 100, 2, 10, QLatin1Char('0'));
}

TPeriod ShiftYears(const TPeriod& p, int years) {
  return {AddYearsKeepingMonthEnd(p.from, years), AddYearsKeepingMonthEnd(p.to, years)};
}

TPeriod AllPeriod(int32_t dbEndDate, int32_t today) {
  return {0, dbEndDate > 0 ? dbEndDate : today};
}

QString FinancialYearStartText(int fyDay, int fyMonth) {
  return QStringLiteral("%1/%2")
      .arg(fyDay, 2, 10, QLatin1Char('0'))
      .arg(fyMonth, 2, 10, QLatin1Char('0'));
}

bool ParseFinancialYearStart(const QString& text, int& fyDay, int& fyMonth) {
  if (text.size() != 5) return false;
  int day = 0;
  int month = 0;
  if (!ParseIntOrWarn(text.left(2), day) || day < 1 || day > 31) return false;
  if (!ParseIntOrWarn(text.mid(3, 2), month) || month < 1 || month > 12) return false;
  fyDay = day;
  fyMonth = month;
  return true;
}

void SetPeriod(int32_t from, int32_t to) { SetPeriodDates(from, to); }

bool RollPeriodAtStart() {
  TSession& s = Session();
  const int type = s.settings.periodType;
  if (type != kPeriodYearSoFar && type != kPeriodRollingYear) return false;
  const TPeriod p =
      PeriodOfType(type, todayYmd(), s.settings.financialYearDay1, s.settings.financialYearMonth1);
  if (p.from == s.periodFrom && p.to == s.periodTo) return false;
  Flash(QStringLiteral("Period end has been reset = today"));
  SetPeriod(p.from, p.to);
  SetRebalanceNeeded(true);
  return true;
}
