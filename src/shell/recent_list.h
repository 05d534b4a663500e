#pragma once
// Changes to the recent-database list that the Database menu makes.
#include <QString>

#include "store/settings.h"

// Clears every slot that holds path; the number of slots cleared.
int RemoveRecentPath(TRecentDatabases& recent, const QString& path);

// The slot of a database chosen from the list: where it stands, or slot 9
// (replacing what was there) when it is not listed.
int SlotOfChosenPath(TRecentDatabases& recent, const QString& path);

// The slot of a database found by browsing: where it stands already, else the
// first empty slot, else slot 9 (replacing what was there).
int SlotOfBrowsedPath(TRecentDatabases& recent, const QString& path);
