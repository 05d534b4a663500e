#include "foundation/dates.h"

#include "foundation/clock.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"

namespace {

constexpr TDateRec kStartLastJulian{1752, 9, 2};
constexpr TDateRec kStartFirstGregorian{1752, 9, 14};
TDateRec g_lastJulian = kStartLastJulian;
TDateRec g_firstGregorian = kStartFirstGregorian;

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Days in the months before month m (index m-1) of a common year.
constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool ValidMonth(int m) { return m >= 1 && m <= 12; }

bool JulianLeap(int64_t y) { return y % 4 == 0; }
bool GregorianLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Day counts with 0001-01-01 as day 1, each calendar taken proleptically. The
// month must be valid; day overflow simply counts on.
int64_t JulianDayCount(const TDateRec& d) {
  const int64_t y = int64_t(d.year) - 1;
  return 365 * y + y / 4 + kDaysBefore[d.month - 1] + (d.month > 2 && JulianLeap(d.year)) + d.day;
}
int64_t GregorianDayCount(const TDateRec& d) {
  const int64_t y = int64_t(d.year) - 1;
  return 365 * y + y / 4 - y / 100 + y / 400 + kDaysBefore[d.month - 1] +
         (d.month > 2 && GregorianLeap(d.year)) + d.day;
}

// k steps of NextYear (k > 0) or PrevYear (k < 0) at once: 9999 is followed by 0.
void StepYears(TDateRec& d, int64_t k) {
  int64_t y = d.year;
  if (k > 0) {
    if (y > 9999) {  // a year beyond 9999 wraps to 0 on its first step
      y = 0;
      --k;
    }
    y = (y + k) % 10000;
  } else if (k < 0) {
    k = -k;
    if (y > 9999) {
      const int64_t down = y - 9999;  // steps until the range 0..9999 is reached
      if (k <= down) {
        d.year = uint16_t(y - k);
        return;
      }
      k -= down;
      y = 9999;
    }
    y = ((y - k) % 10000 + 10000) % 10000;
  }
  d.year = uint16_t(y);
}

}  // namespace

TDateRec LastJulianDate() { return g_lastJulian; }
TDateRec FirstGregorianDate() { return g_firstGregorian; }

void SetCalendarSwitch(const TDateRec& lastJulian, const TDateRec& firstGregorian) {
  g_lastJulian = lastJulian;
  g_firstGregorian = firstGregorian;
}

void ResetCalendarSwitch() {
  g_lastJulian = kStartLastJulian;
  g_firstGregorian = kStartFirstGregorian;
}

QString YmdToText(int32_t n) {
  QString s = QString::number(n);
  if (s.size() < 8) s.prepend(QString(8 - s.size(), QLatin1Char('0')));
  s.insert(4, QLatin1Char('-'));
  s.insert(7, QLatin1Char('-'));
  return s;
}

TDateRec YmdToDateRec(int32_t n) {
  TDateRec d;
  d.year = uint16_t(n / 10000);
  d.month = uint16_t(n / 100 % 100);
  d.day = uint16_t(n % 100);
  return d;
}

int32_t DateRecToYmd(const TDateRec& d) {
  return int32_t(d.year) * 10000 + int32_t(d.month) * 100 + int32_t(d.day);
}

QString DateRecToText(const TDateRec& d) {
  return QStringLiteral("%1-%2-%3")
      .arg(d.year, 4, 10, QLatin1Char('0'))
      .arg(d.month, 2, 10, QLatin1Char('0'))
      .arg(d.day, 2, 10, QLatin1Char('0'));
}

QString DateRecToTextOrBlank(const TDateRec& d) {
  return d.isZero() ? QString() : DateRecToText(d);
}

bool ParseDateText(const QString& text, TDateRec& d) {
  if (text.size() < 10) return false;
  // The empty edit mask of a date field is not a date.
  if (text.toLower() == QLatin1String("yyyy-mm-dd")) return false;
  int16_t y = 0, m = 0, day = 0;
  if (!ParseSmallInt(text.mid(0, 4), y) || !ParseSmallInt(text.mid(5, 2), m) ||
      !ParseSmallInt(text.mid(8, 2), day))
    return false;
  // The record holds unsigned parts: a negative part is not a date at all.
  if (y < 0 || m < 0 || day < 0) return false;
  d.year = uint16_t(y);
  d.month = uint16_t(m);
  d.day = uint16_t(day);
  return true;
}

TDateRec ParseDateTextOrZero(const QString& text) {
  TDateRec d;
  if (!ParseDateText(text, d)) return TDateRec{};
  return d;
}

bool ParseDateTextOrWarn(const QString& text, TDateRec& d) {
  if (ParseDateText(text, d)) return true;
  ShowInfo("Invalid date " + InQuotes(text));
  return false;
}

int32_t DateTextToYmd(const QString& text) {
  TDateRec d;
  if (!ParseDateTextOrWarn(text, d)) return 0;
  return DateRecToYmd(d);
}

bool DateTextIsValid(const QString& text) { return DateTextToYmd(text) > 0; }

QString DateWithDayAbbrev(const TDateRec& d) {
  return DateRecToText(d) + QStringLiteral("  ") + DayAbbrev(DayOfWeek(d));
}

QString DateWithDayInBrackets(const TDateRec& d) {
  return DateRecToText(d) + QStringLiteral(" (") + DayAbbrev(DayOfWeek(d)) + QLatin1Char(')');
}

QString DateWithDayNameInBrackets(const TDateRec& d) {
  return DateRecToText(d) + QStringLiteral(" (") + DayName(DayOfWeek(d)) + QLatin1Char(')');
}

QString DateMarkToday(const TDateRec& d) {
  QString s = DateRecToText(d);
  if (d == Today()) s += QStringLiteral(" (today)");
  return s;
}

TDateRec Today() {
  const QDate t = ClockNow().date();
  return TDateRec{uint16_t(t.year()), uint16_t(t.month()), uint16_t(t.day())};
}

QDateTime NowToSecond() {
  const QDateTime now = ClockNow();
  return now.addMSecs(-now.time().msec());
}

TStampRec StampOf(const QDateTime& t) {
  if (!t.isValid()) return TStampRec{};
  // Round to the second; a rounded-up 60th second carries into the minute (and on).
  const int ms = t.time().msec();
  const QDateTime r = t.addMSecs(ms > 499 ? 1000 - ms : -ms);
  const QDate date = r.date();
  const QTime time = r.time();
  TStampRec s;
  s.date = TDateRec{uint16_t(date.year()), uint16_t(date.month()), uint16_t(date.day())};
  s.time = TTimeRec{uint16_t(time.hour()), uint16_t(time.minute()), uint16_t(time.second())};
  return s;
}

TStampRec StampNow() { return StampOf(ClockNow()); }

void StampToNumbers(const QDateTime& t, int32_t& dateNumber, int32_t& timeNumber) {
  if (!t.isValid()) {
    dateNumber = 0;
    timeNumber = 0;
    return;
  }
  const TStampRec s = StampOf(t);
  dateNumber = DateRecToYmd(s.date);
  timeNumber = int32_t(s.time.hour) * 10000 + s.time.minute * 100 + s.time.second;
}

QDateTime StampToDateTime(const TStampRec& s) {
  return QDateTime(QDate(s.date.year, s.date.month, s.date.day),
                   QTime(s.time.hour, s.time.minute, s.time.second));
}

int CompareDates(const TDateRec& a, const TDateRec& b) {
  if (a.year != b.year) return a.year < b.year ? -1 : 1;
  if (a.month != b.month) return a.month < b.month ? -1 : 1;
  if (a.day != b.day) return a.day < b.day ? -1 : 1;
  return 0;
}

bool DateBetween(const TDateRec& d, const TDateRec& lo, const TDateRec& hi) {
  return CompareDates(lo, d) <= 0 && CompareDates(d, hi) <= 0;
}

int DayOfWeek(const TDateRec& d) {
  if (d.year == 0) return 0;
  // A month outside 1..12 has no place in either calendar: no weekday.
  if (!ValidMonth(d.month)) return 0;
  int64_t n;
  if (CompareDates(d, g_lastJulian) <= 0) {
    n = JulianDayCount(d);
  } else {
    // The switch dates themselves may carry odd months after a change of switch;
    // the count then falls back to the Julian count of d.
    if (!ValidMonth(g_lastJulian.month) || !ValidMonth(g_firstGregorian.month)) {
      n = JulianDayCount(d);
    } else {
      n = JulianDayCount(g_lastJulian);
      // The gap between the two calendars counts as the last Julian date.
      if (CompareDates(d, g_firstGregorian) >= 0)
        n += 1 + GregorianDayCount(d) - GregorianDayCount(g_firstGregorian);
    }
  }
  const int64_t r = (n + 4) % 7;
  return int((r + 7) % 7) + 1;
}

QString MonthName(int m) {
  static const char* const kNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
  return ValidMonth(m) ? QString::fromLatin1(kNames[m - 1]) : QString();
}

QString DayName(int k) {
  static const char* const kNames[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
  return k >= 1 && k <= 7 ? QString::fromLatin1(kNames[k - 1]) : QString();
}

QString DayAbbrev(int k) { return DayName(k).left(3); }

bool IsLeapYearAt(const TDateRec& d) {
  return CompareDates(d, g_lastJulian) <= 0 ? JulianLeap(d.year) : GregorianLeap(d.year);
}

int MonthLength(const TDateRec& d) {
  if (!ValidMonth(d.month)) return 0;
  if (d.month == 2 && IsLeapYearAt(d)) return 29;
  return kMonthDays[d.month - 1];
}

void NextDay(TDateRec& d) {
  // A month outside 1..12 has length 0, so the date moves on to the 1st of the
  // next real month (see NextMonth).
  if (d.day < MonthLength(d) || (d.month == 2 && d.day == 28 && IsLeapYearAt(d))) {
    ++d.day;
  } else {
    NextMonth(d);
    d.day = 1;
  }
}

void PrevDay(TDateRec& d) {
  if (d.day > 1) {
    --d.day;
    return;
  }
  // Day 1 (or a day 0) goes back to the last day of the previous month.
  const bool leap = IsLeapYearAt(d);
  PrevMonth(d);
  d.day = uint16_t(d.month == 2 && leap ? 29 : kMonthDays[d.month - 1]);
}

// Months outside 1..12 are pulled into the range by one step: a month above 12
// counts as past December, month 0 as before January.
void NextMonth(TDateRec& d) {
  if (d.month >= 12) {
    d.month = 1;
    NextYear(d);
  } else {
    ++d.month;
  }
}

void PrevMonth(TDateRec& d) {
  if (d.month <= 1) {
    d.month = 12;
    PrevYear(d);
  } else if (d.month > 12) {
    d.month = 12;
  } else {
    --d.month;
  }
}

void AddMonths(TDateRec& d, int n) {
  if (n == 0) return;
  // One real step first (it brings an odd month into range), the rest at once.
  int64_t rest;
  if (n > 0) {
    NextMonth(d);
    rest = int64_t(n) - 1;
  } else {
    PrevMonth(d);
    rest = int64_t(n) + 1;
  }
  const int64_t total = int64_t(d.month) - 1 + rest;
  int64_t years = total / 12;
  int64_t month0 = total % 12;
  if (month0 < 0) {
    month0 += 12;
    --years;
  }
  d.month = uint16_t(month0 + 1);
  StepYears(d, years);
}

void NextYear(TDateRec& d) { StepYears(d, 1); }
void PrevYear(TDateRec& d) { StepYears(d, -1); }

void AddWeek(TDateRec& d) {
  for (int i = 0; i < 7; ++i) NextDay(d);
}

namespace {

bool IsRegularDate(const TDateRec& d) {
  return ValidMonth(d.month) && d.day >= 1 && d.day <= MonthLength(d);
}

// PrevDay steps from 31 December of year y to 31 December of the year before.
int64_t YearLengthBack(uint16_t y) { return 365 + (IsLeapYearAt(TDateRec{y, 3, 1}) ? 1 : 0); }

uint16_t YearBefore(uint16_t y) { return y == 0 ? 9999 : uint16_t(y - 1); }

}  // namespace

// The same date as n steps of PrevDay, found a month, a year or a cycle of
// ten thousand years at a time (years wrap from 0 to 9999).
void SubtractDays(TDateRec& d, int n) {
  int64_t left = n;
  // An odd date (a day past its month's end, a month outside 1..12) first
  // steps as PrevDay takes it, until it is an ordinary one.
  while (left > 0 && !IsRegularDate(d)) {
    PrevDay(d);
    --left;
  }
  while (left > 0) {
    if (d.month == 12 && d.day == 31 && d.year <= 9999) {
      int64_t cycle = 0;
      if (left >= 366 * 10000) {
        for (int y = 0; y <= 9999; ++y) cycle += YearLengthBack(uint16_t(y));
        left %= cycle;
      }
      while (left >= YearLengthBack(d.year)) {
        left -= YearLengthBack(d.year);
        d.year = YearBefore(d.year);
      }
    }
    if (left < d.day) {
      d.day = uint16_t(d.day - left);
      return;
    }
    // d.day steps reach the last day of the month before.
    left -= d.day;
    const bool leap = IsLeapYearAt(TDateRec{d.year, d.month, 1});
    PrevMonth(d);
    d.day = uint16_t(d.month == 2 && leap ? 29 : kMonthDays[d.month - 1]);
  }
}

void RollDayOverflow(TDateRec& d) {
  // A month outside 1..12 has no length to overflow: such a date is left as it is.
  const int len = MonthLength(d);
  if (len == 0 || d.day <= len) return;
  d.day = uint16_t(d.day - len);
  NextMonth(d);
}

void AddPeriods(TDateRec& d, int count, QChar unit) {
  if (count <= 0) return;
  switch (unit.unicode()) {
    case u'D':
      for (int i = 0; i < count; ++i) NextDay(d);
      break;
    case u'W':
      for (int i = 0; i < count; ++i) AddWeek(d);
      break;
    case u'M':
      AddMonths(d, count);
      break;
    case u'Y':
      StepYears(d, count);
      break;
    default:
      break;
  }
}

QString StepDateText(const QString& text, QChar c) {
  TDateRec d;
  // A text that is not a date is given back as it was.
  if (!ParseDateText(text, d)) return text;
  if (c == QLatin1Char('+'))
    NextDay(d);
  else if (c == QLatin1Char('-'))
    PrevDay(d);
  return DateWithDayAbbrev(d);
}
