#pragma once
// Getting an account from the user, and opening the right details form for
// an account of any kind. PickAccount (screens/screen_hooks.h) reaches the
// accounts list through the hook InstallAccountScreens puts in place.
#include <QString>

#include "store/records.h"

// Installs the accounts list as the pick hook. Called once at program start.
void InstallAccountScreens();

// The accounts list of kind (1, 3, 4 or 6) in browse mode: choosing an account
// opens its postings and closes the list.
void BrowseAccounts(int kind);
// The finder with text in its name box; true with the choice in SelectedAccount.
bool FindAccountByName(int kind, const QString& text);
// The finder with the account's name in its name box.
bool FindAccountFor(int kind, const TObj& account);
// Asks for a search text and shows the search results window.
void SearchAccounts(int kind);
// The search results window for kind and text; nothing when text is empty.
void SearchAccountsFor(int kind, const QString& text);
// The "new" form of kind with name proposed: the new id, 0 when cancelled.
int AddAccount(int kind, const QString& name);
// As AddAccount with no name; counterparty groups (kind 9) too.
int AddAccountOfKind(int kind);
// The details form of the account: true when it was closed with its OK button.
bool EditAccount(int id);

// The accounts-list state: the kind and mode (1 pick, 2 browse) of the list
// showing now (0 when none), restored to the outer list's when one closes.
int AccountsListKind();
int AccountsListMode();
// The text the search asks with: the last one typed.
QString& LastAccountSearchText();
