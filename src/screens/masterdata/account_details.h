#pragma once
// The details forms of external accounts (TFExtAcc) and of internal accounts,
// categories and pots (TFCtgy): new, display and edit.
#include <QString>

// The "new account" form with name proposed: the new id, 0 when cancelled.
int AddExternalAccount(const QString& name);
// kind 3 category or 6 pot.
int AddInternalAccount(int kind, const QString& name);
// The form of an existing account: true when it was closed with its OK
// button (in display mode that only closes).
bool EditExternalAccount(int id);
bool EditInternalAccount(int id);
