#include "store/session.h"

#include "foundation/messages.h"

namespace {
TSession g_session;
std::function<void()> g_refresh;
std::function<void(const QString&)> g_status;
std::function<void(int)> g_end;
bool g_endRequested = false;
}  // namespace

TSession& Session() { return g_session; }
void ResetSession() {
  g_session = TSession();
  g_endRequested = false;
}

void SetPeriodDates(int32_t from, int32_t to) {
  g_session.periodFrom = from;
  g_session.periodTo = to;
  g_session.settings.balFrom = from;
  g_session.settings.balAt = to;
}

bool RebalanceNeeded() { return g_session.settings.rebalNeeded; }
void SetRebalanceNeeded(bool on) {
  g_session.settings.rebalNeeded = on;
  RefreshControlPanel();
}

void SetControlPanelHook(std::function<void()> refresh) { g_refresh = std::move(refresh); }
void RefreshControlPanel() {
  if (g_refresh) g_refresh();
}

void SetStatusHook(std::function<void(const QString&)> show) { g_status = std::move(show); }
void ShowStatus(const QString& text) {
  if (g_status)
    g_status(text);
  else
    SetStatusText(text);
}

void SetProgramEndHook(std::function<void(int)> end) { g_end = std::move(end); }
void EndProgram(int code) {
  g_endRequested = true;
  if (g_end) g_end(code);
}
bool ProgramEndRequested() { return g_endRequested; }
