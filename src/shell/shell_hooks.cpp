#include "shell/shell_hooks.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include "foundation/messages.h"
#include "ledger/rebalance.h"
#include "store/session.h"

namespace {
std::function<void()> g_repair;
QPointer<QWidget> g_reminders;
QList<QPointer<QWidget>> g_workWindows;
}  // namespace

bool AskRebalanceNow() {
  if (!RebalanceNeeded()) return true;
  if (!AskYes(QStringLiteral("Rebalance now ?"))) return false;
  return Rebalance();
}

void SetRemindersWindow(QWidget* window) { g_reminders = window; }
QWidget* RemindersWindow() { return g_reminders.data(); }

void SetRepairHook(std::function<void()> repair) { g_repair = std::move(repair); }

bool RunPendingRepair() {
  TSession& s = Session();
  if (!s.repairPending) return false;
  s.repairPending = false;
  if (g_repair)
    g_repair();
  else
    ShowNotSupported(QStringLiteral("Repair"));
  return true;
}

void RegisterWorkWindow(QWidget* window) {
  if (window && !g_workWindows.contains(window)) g_workWindows.append(window);
}

void CloseWorkWindows() {
  g_workWindows.removeAll(nullptr);
  for (const QPointer<QWidget>& w : g_workWindows) {
    if (!w || !w->isVisible()) continue;
    if (w->isMinimized()) w->showNormal();
    w->close();
  }
}
