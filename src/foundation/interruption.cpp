#include "foundation/interruption.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::function<bool(const char*)> g_hook;

// VORBEK_KILL_AT: the point's name and the arrival (1-based) to die at.
bool killHere(const char* point) {
  static const char* wanted = std::getenv("VORBEK_KILL_AT");
  static int arrivals = 0;
  if (!wanted || !*wanted) return false;
  const char* hash = std::strchr(wanted, '#');
  const std::string name = hash ? std::string(wanted, hash) : std::string(wanted);
  if (name != point) return false;
  const int nth = hash ? std::atoi(hash + 1) : 1;
  return ++arrivals == nth;
}

}  // namespace

bool InterruptedAt(const char* point) {
  if (g_hook) return g_hook(point);
  if (killHere(point)) std::raise(SIGKILL);
  return false;
}

void SetInterruptionHook(std::function<bool(const char* point)> hook) { g_hook = std::move(hook); }
