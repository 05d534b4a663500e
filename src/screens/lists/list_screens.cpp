#include "screens/lists/list_screens.h"

#include "foundation/ui/controls.h"
#include "ledger/reminders.h"
#include "screens/lists/reminders_window.h"

void InstallListScreens() {
  SetRemindersWindowHook([](bool show) {
    TFRemdrs* w = RemindersListWindow();
    w->refresh();
    if (show) ShowRestored(w);
  });
}
