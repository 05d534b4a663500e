#include "foundation/clock.h"

namespace {
QDateTime g_fixed;  // invalid = use the machine's clock
}

QDateTime ClockNow() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }
void SetClock(const QDateTime& now) { g_fixed = now; }
void AdvanceClock(qint64 msecs) {
  if (g_fixed.isValid()) g_fixed = g_fixed.addMSecs(msecs);
}
void ResetClock() { g_fixed = QDateTime(); }
