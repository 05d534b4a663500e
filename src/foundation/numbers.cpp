#include "foundation/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"

namespace {

QChar g_padChar = QLatin1Char('0');
bool g_plusSign = false;  // on only while FormatAmountSigned runs

// Decimal integer: leading blanks, at most one sign, then digits only, within lo..hi.
// Written by hand so that every byte is checked and the range test cannot overflow.
bool ParseIntegerText(QStringView text, int64_t lo, int64_t hi, int64_t& out) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  if (i >= n) return false;
  // The magnitude limit: hi for positive values, -lo (computed unsigned) for negative ones.
  const uint64_t limit = negative ? (lo < 0 ? uint64_t(0) - uint64_t(lo) : 0) : uint64_t(hi);
  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return false;
    const unsigned digit = unsigned(c - u'0');
    if (magnitude > limit / 10 || (magnitude == limit / 10 && digit > limit % 10)) return false;
    magnitude = magnitude * 10 + digit;
  }
  out = negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude);
  return true;
}

QString AmountText(int64_t v, bool plus) {
  QString sign;
  uint64_t magnitude;
  if (v < 0) {
    sign = QStringLiteral("-");
    magnitude = uint64_t(0) - uint64_t(v);
  } else {
    if (v > 0 && plus) sign = QStringLiteral("+");
    magnitude = uint64_t(v);
  }
  QString s = QString::number(magnitude);
  if (s.size() == 1)
    s.prepend(QStringLiteral("0.0"));
  else if (s.size() == 2)
    s.prepend(QStringLiteral("0."));
  else
    s.insert(s.size() - 2, QLatin1Char('.'));
  // Three separators at most: a value of a million million or more keeps a long
  // leading group, as the books have always shown it.
  if (s.size() > 6) s.insert(s.size() - 6, QLatin1Char(','));
  if (s.size() > 10) s.insert(s.size() - 10, QLatin1Char(','));
  if (s.size() > 14) s.insert(s.size() - 14, QLatin1Char(','));
  return sign + s;
}

QString GroupThousands(const QString& digits) {
  QString r;
  const qsizetype n = digits.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) r += QLatin1Char(',');
    r += digits[i];
  }
  return r;
}

QString Two(int n) { return PadInt(n, 2); }

}  // namespace

QString FormatAmount(int64_t v) { return AmountText(v, g_plusSign); }

QString FormatAmountSigned(int64_t v) {
  g_plusSign = true;
  QString r = FormatAmount(v);
  g_plusSign = false;
  return r;
}

bool ParseAmount(const QString& text, int64_t& v) {
  QString s = text;
  s.remove(QLatin1Char(','));
  if (s.isEmpty()) return false;
  const qsizetype dot = s.indexOf(QLatin1Char('.'));
  if (dot >= 0) {
    if (s.size() - (dot + 1) != 2) return false;
    s.remove(dot, 1);
  } else {
    s += QStringLiteral("00");
  }
  int64_t value = 0;
  if (!ParseIntegerText(s, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                        value))
    return false;
  v = value;
  return true;
}

bool ParseAmountOrWarn(const QString& text, int64_t& v) {
  if (ParseAmount(text, v)) return true;
  ShowPlainInfo("Invalid amount " + InQuotes(text));
  return false;
}

bool ParseIntOrWarn(const QString& text, int& n) {
  if (text.isEmpty()) return false;
  int64_t value = 0;
  if (!ParseIntegerText(text, std::numeric_limits<int32_t>::min(),
                        std::numeric_limits<int32_t>::max(), value)) {
    ShowInfo("Invalid integer " + InQuotes(text));
    return false;
  }
  n = int(value);
  return true;
}

bool ParseIntOrZero(const QString& text, int& n) {
  n = 0;
  if (text.isEmpty()) return true;
  int64_t value = 0;
  if (!ParseIntegerText(text, std::numeric_limits<int32_t>::min(),
                        std::numeric_limits<int32_t>::max(), value))
    return false;
  n = int(value);
  return true;
}

bool ParseSmallInt(const QString& text, int16_t& n) {
  int64_t value = 0;
  if (!ParseIntegerText(text, std::numeric_limits<int16_t>::min(),
                        std::numeric_limits<int16_t>::max(), value))
    return false;
  n = int16_t(value);
  return true;
}

bool ParseFloatOrZero(const QString& text, double& x) {
  x = 0;
  if (text.isEmpty()) return true;
  bool ok = false;
  const double value = text.toDouble(&ok);  // C locale: '.' decimal point, no grouping
  if (!ok || !std::isfinite(value)) return false;
  x = value;
  return true;
}

QChar PadChar() { return g_padChar; }
void SetPadChar(QChar c) { g_padChar = c; }

QString PadInt(int64_t n, int width) {
  QString s = QString::number(n);
  if (s.size() < width) s.prepend(QString(width - s.size(), g_padChar));
  return s;
}

QString SignedIntText(int64_t n) {
  return n >= 0 ? QLatin1Char('+') + QString::number(n) : QString::number(n);
}

QString FormatNumber(double x, int decimals) {
  if (std::isnan(x)) return QStringLiteral("NAN");
  if (std::isinf(x)) return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  decimals = std::clamp(decimals, 0, 18);
  const bool negative = std::signbit(x);
  const double a = std::fabs(x);

  // The value to 15 significant digits, d.dddddddddddddde±xx, correctly rounded.
  char sci[40];
  std::snprintf(sci, sizeof sci, "%.14e", a);
  const QString digits15 = QString::fromLatin1(sci, 1) + QString::fromLatin1(sci + 2, 14);
  const int exponent = a == 0 ? 0 : std::atoi(sci + 17);
  // Too many integer digits for 15 significant ones: scientific notation instead.
  if (exponent >= 15) {
    const QString e = QString::number(a, 'E', 14);
    return negative ? QLatin1Char('-') + e : e;
  }

  // Keep the digits down to the last wanted decimal and round half away from zero
  // on the first one dropped; kept then holds the value times 10^decimals.
  const int keep = exponent + decimals + 1;
  QString kept;
  if (keep >= 15) {
    kept = digits15 + QString(keep - 15, QLatin1Char('0'));
  } else if (keep >= 0) {
    kept = digits15.left(keep);
    if (digits15[keep] >= QLatin1Char('5')) {
      qsizetype i = kept.size() - 1;
      while (i >= 0 && kept[i] == QLatin1Char('9')) kept[i--] = QLatin1Char('0');
      if (i >= 0)
        kept[i] = QChar(kept[i].unicode() + 1);
      else
        kept.prepend(QLatin1Char('1'));
    }
  }
  if (kept.size() < decimals + 1)
    kept.prepend(QString(decimals + 1 - kept.size(), QLatin1Char('0')));
  // Leading zeros beyond the units digit come from a small exponent: drop them.
  qsizetype lead = 0;
  while (lead < kept.size() - decimals - 1 && kept[lead] == QLatin1Char('0')) ++lead;
  kept.remove(0, lead);

  QString r = GroupThousands(kept.left(kept.size() - decimals));
  if (decimals > 0) r += QLatin1Char('.') + kept.right(decimals);
  // A value that rounds to zero shows no sign.
  const bool allZero = kept.count(QLatin1Char('0')) == kept.size();
  if (negative && !allZero) r.prepend(QLatin1Char('-'));
  return r;
}

QString MinutesToHhmm(int m) {
  if (m < 0) return QStringLiteral("error");
  return Two(m / 60) + QLatin1Char(':') + Two(m % 60);
}

QString TimeNumberToText(int32_t n) {
  return Two(n / 10000) + QLatin1Char(':') + Two(n / 100 % 100) + QLatin1Char(':') + Two(n % 100);
}

QString StampText(const TStampRec& s, int style) {
  const QString hhmm = Two(s.time.hour) + QLatin1Char(':') + Two(s.time.minute);
  switch (style) {
    case 0:
      return PadInt(DateRecToYmd(s.date), 8) +
             PadInt(int64_t(s.time.hour) * 10000 + s.time.minute * 100 + s.time.second, 6);
    case 1:
      return DateRecToText(s.date) + QLatin1Char(' ') + hhmm + QLatin1Char(':') +
             Two(s.time.second);
    case 2:
      return DateRecToText(s.date) + QLatin1Char(' ') + hhmm + QLatin1Char(' ');
    case 3:
      return DateWithDayInBrackets(s.date) + QLatin1Char(' ') + hhmm;
    case 4:
      return DateWithDayNameInBrackets(s.date) + QLatin1Char(' ') + hhmm;
    default:
      return QStringLiteral("?");
  }
}

QString LogStampText(const QDateTime& t) {
  return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}
