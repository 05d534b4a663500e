#pragma once
// What the control window calls but other parts of the program provide: the
// rebalance, the due-reminders and base-currency checks of the start-up, the
// repair, and the work windows closed before switching books. Until a part
// installs its operation the defaults below apply.
#include <QString>
#include <functional>

class QWidget;

// The full rebalance; true when it completed.
bool RunRebalance();

// "Rebalance now ?" when a rebalance is needed: yes rebalances and gives
// whether it completed (a refused rebalance leaves the summaries stale, so the
// caller must not take them as current), no gives false; true at once when
// none is needed.
bool AskRebalanceNow();

// Start-up task: check for due reminders.
void CheckDueRemindersAtStart();
// The reminders window, given the focus at start when it is visible.
void SetRemindersWindow(QWidget* window);
QWidget* RemindersWindow();

// Start-up task: the base-currency check. Default: nothing.
void SetBaseCurrencyCheckHook(std::function<bool()> check);
void CheckBaseCurrencyAtStart();

// The repair that a pending upgrade asked for. Default: ShowNotSupported("Repair").
void SetRepairHook(std::function<void()> repair);
// Runs the repair when one is pending and clears the flag; true when it ran.
bool RunPendingRepair();

// Windows closed (restored from minimised first) before another set of books
// is opened. A window joins once, when it is created; deleted windows drop out.
void RegisterWorkWindow(QWidget* window);
void CloseWorkWindows();
