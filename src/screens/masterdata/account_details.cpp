#include "screens/masterdata/account_details.h"

#include "screens/screen_hooks.h"

// Stand-ins until the forms are built.
int AddExternalAccount(const QString&) {
  WindowNotBuilt(QStringLiteral("External account details"));
  return 0;
}

int AddInternalAccount(int, const QString&) {
  WindowNotBuilt(QStringLiteral("Internal account details"));
  return 0;
}

bool EditExternalAccount(int) {
  WindowNotBuilt(QStringLiteral("External account details"));
  return false;
}

bool EditInternalAccount(int) {
  WindowNotBuilt(QStringLiteral("Internal account details"));
  return false;
}
