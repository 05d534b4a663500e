// Feeds arbitrary bytes to the amount and date texts. Any amount that parses must
// survive FormatAmount and parse back to the same value; any 64-bit value must
// survive the opposite trip; a parsed date must print and parse back unchanged; and
// nothing may read outside its buffers (AddressSanitizer watches).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"

namespace {

[[noreturn]] void Fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "fuzz_values: %s: %s\n", what, qPrintable(detail));
  std::abort();
}

void CheckAmountText(const QString& text) {
  int64_t v = 0;
  if (!ParseAmount(text, v)) return;
  for (const QString& shown : {FormatAmount(v), FormatAmountSigned(v)}) {
    int64_t back = 0;
    if (!ParseAmount(shown, back)) Fail("formatted amount does not parse", shown);
    if (back != v) Fail("amount changed on the way back", text + " -> " + shown);
  }
}

void CheckAmountValue(int64_t v) {
  const QString shown = FormatAmount(v);
  int64_t back = 0;
  if (!ParseAmount(shown, back) || back != v) Fail("amount value lost", shown);
}

void ExerciseDate(TDateRec d) {
  (void)DayOfWeek(d);
  (void)MonthLength(d);
  (void)DateWithDayNameInBrackets(d);
  TDateRec e = d;
  NextDay(e);
  e = d;
  PrevDay(e);
  e = d;
  RollDayOverflow(e);
  e = d;
  AddPeriods(e, 3, QLatin1Char('M'));
  AddMonths(e, -40);
}

void CheckDateText(const QString& text) {
  TDateRec d;
  if (!ParseDateText(text, d)) return;
  const QString shown = DateRecToText(d);
  TDateRec back;
  if (!ParseDateText(shown, back) || !(back == d)) Fail("date changed on the way back", shown);
  ExerciseDate(d);
  (void)StepDateText(text, QLatin1Char('+'));
  (void)StepDateText(text, QLatin1Char('-'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const qsizetype n = qsizetype(size);
  for (const QString& text : {QString::fromUtf8(bytes, n), QString::fromLatin1(bytes, n)}) {
    CheckAmountText(text);
    CheckDateText(text);
    int i = 0;
    (void)ParseIntOrZero(text, i);
    int16_t s = 0;
    (void)ParseSmallInt(text, s);
    double x = 0;
    if (ParseFloatOrZero(text, x)) (void)FormatNumber(x, int(size % 20));
    (void)StartsWithFolded(text, QStringLiteral("ab"));
  }
  if (size >= 8) {
    int64_t v;
    std::memcpy(&v, data, 8);
    CheckAmountValue(v);
    double x;
    std::memcpy(&x, data, 8);
    (void)FormatNumber(x, int(data[0] % 24) - 2);
    int32_t ymd;
    std::memcpy(&ymd, data, 4);
    (void)YmdToText(ymd);
    ExerciseDate(YmdToDateRec(ymd));
  }
  return 0;
}
