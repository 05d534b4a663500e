#pragma once
// Named points inside long operations (an upgrade step, an archive) where the
// process may die part-way, as a crash or a power cut ends it. A test stops an
// operation at such a point as that death would: the operation returns at once,
// leaving files and books as they stand, and the test then opens the books again.
//
// Without a test hook, VORBEK_KILL_AT=point (or point#n, the n-th arrival) in the
// environment makes the process kill itself there: the crash test uses it to end
// runs at exact moments.
#include <functional>

// True when the operation is to stop here as if the process had died.
bool InterruptedAt(const char* point);
// Installs the test hook (an empty function removes it).
void SetInterruptionHook(std::function<bool(const char* point)> hook);
