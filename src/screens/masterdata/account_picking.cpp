#include "screens/masterdata/account_picking.h"

#include "foundation/messages.h"
#include "ledger/accounts.h"
#include "screens/masterdata/account_details.h"
#include "screens/masterdata/account_search.h"
#include "screens/masterdata/accounts_list.h"
#include "screens/screen_hooks.h"

namespace {

QString g_lastSearchText;

}  // namespace

QString& LastAccountSearchText() { return g_lastSearchText; }

void InstallAccountScreens() {
  ScreenHooks().pickAccount = [](int kind, int preselectId) {
    return OpenAccountsList(kind, 1, preselectId);
  };
}

void BrowseAccounts(int kind) {
  SelectedAccount() = TObj();
  SelectedChannel() = TChannel();
  OpenAccountsList(kind, 2, 0);
}

void SearchAccounts(int kind) {
  QString text = g_lastSearchText;
  if (!AskText2(AccountKindName(kind, 'U', 'S') + "name/notes search (new-style)",
                QStringLiteral("Enter search text"), text))
    return;
  g_lastSearchText = text;
  SearchAccountsFor(kind, text);
}

void SearchAccountsFor(int kind, const QString& text) {
  if (text.isEmpty()) return;
  AccountSearchWindow()->showResults(kind, text);
}

int AddAccount(int kind, const QString& name) {
  switch (kind) {
    case kKindExternal:
      return AddExternalAccount(name);
    case kKindCategory:
    case kKindPot:
      return AddInternalAccount(kind, name);
    case kKindCounterparty:
      return AddCounterparty(name);
    case kKindExternalGroup:
    case kKindInternalGroup:
      return AddGroup(kind, name);
    default:
      ShowInfo(InvalidAccountKindText(kind));
      return 0;
  }
}

int AddAccountOfKind(int kind) {
  switch (kind) {
    case kKindCounterpartyGroup:
      return AddGroup(kind, QString());
    case kKindExternal:
    case kKindCategory:
    case kKindPot:
    case kKindCounterparty:
    case kKindExternalGroup:
    case kKindInternalGroup:
      return AddAccount(kind, QString());
    default:
      ShowProgramError(QStringLiteral("Acc.add"));
      return 0;
  }
}

bool EditAccount(int id) {
  TObj a;
  if (id <= 0 || !ReadAccount(id, a)) return false;
  switch (a.kind) {
    case kKindExternal:
      return EditExternalAccount(id);
    case kKindCategory:
    case kKindPot:
      return EditInternalAccount(id);
    case kKindCounterparty:
      return EditCounterparty(id);
    case kKindExternalGroup:
    case kKindCounterpartyGroup:
    case kKindInternalGroup:
      return EditGroup(id);
    default:
      ShowInfo(InvalidAccountKindText(a.kind));
      return false;
  }
}
