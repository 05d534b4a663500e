#pragma once
// The one source of "now" for the whole program. Tests set it so that day
// rollover, rolling periods and due reminders can be checked at fixed moments.
#include <QDateTime>

QDateTime ClockNow();                 // local date-time, the set one when a test set it
void SetClock(const QDateTime& now);  // freeze the clock at this moment
void AdvanceClock(qint64 msecs);      // move a frozen clock on
void ResetClock();                    // back to the machine's clock
