#pragma once
// What the control window shares with the windows it opens: the rebalance
// question, the reminders window, the repair that a later part provides, and
// the work windows closed before switching books.
#include <QString>
#include <functional>

class QWidget;

// "Rebalance now ?" when a rebalance is needed: yes rebalances and gives
// whether it completed (a refused rebalance leaves the summaries stale, so the
// caller must not take them as current), no gives false; true at once when
// none is needed.
bool AskRebalanceNow();

// The reminders window, given the focus at start when it is visible.
void SetRemindersWindow(QWidget* window);
QWidget* RemindersWindow();

// The repair that a pending upgrade asked for. Default: ShowNotSupported("Repair").
void SetRepairHook(std::function<void()> repair);
// Runs the repair when one is pending and clears the flag; true when it ran.
bool RunPendingRepair();

// Windows closed (restored from minimised first) before another set of books
// is opened. A window joins once, when it is created; deleted windows drop out.
void RegisterWorkWindow(QWidget* window);
void CloseWorkWindows();
