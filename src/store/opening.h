#pragma once
// Opening, closing and switching the one database. The data folder is
// Session().dataFolder (with a trailing separator, or "host:/path/" for a
// server); the database is that folder's vorbek.fdb and its settings are
// the folder's ZADEZEVU.INI.
#include <QString>
#include <functional>

#include "store/records.h"

// The start-up opening: the default data folder when none is known, then
// OpenDatabase; sets the rebalance-needed flag when the books were last used on
// another day. (Making new books where there are none is the start-up's choice,
// asked before this is called.)
bool OpenDatabaseAtStart();

// Reads the settings, opens vorbek.fdb, establishes and upgrades the version
// (first-time installation included), creates the default pot of new books,
// checks the transaction ids, loads the sweep and opening-balance pots and
// fixes the dormancy cut-off. False when the database cannot be used; when the
// program is to end, ProgramEndRequested() is set too.
bool OpenDatabase();

// Saves the settings (unless saveSettings is false, or the program is ending
// or nothing was opened), runs the closing hooks and closes the connection.
void CloseDatabase(bool saveSettings = true);

// Closes the open database (saving its settings into its own folder), opens
// the one in folder and refreshes the control panel.
bool SwitchDatabase(const QString& folder);

// Settings that can be recovered: when the settings file of existing books is
// missing, damaged (no "main" section) or lacks BaseCurrency or DefaultPotId,
// the base currency is taken from the one CCY row with BASE = 1 and the default
// pot from the one pot named "Default pot" (what the first-time installation
// made); the user is told once and the mended file is saved. Where the books do
// not say (several or no base rows, no such pot) the user is asked as the
// first-time installation does: the base currency in its input box (Cancel ends
// the program), and - when the file was missing or damaged, not for books that
// never had a default pot - a new "Default pot" after a question. False when
// the program is to end.
// OpenDatabase runs it after the upgrade.
bool RecoverSettingsFromBooks();

// Archive copies and backups copy vorbek.fdb as a file, which books on a
// server are not: true, after "Cannot " + action + " - ...", for server books.
bool FileCopyRefusal(const QString& action);

bool DatabaseIsOpen();
QString DatabaseLocation();  // data folder + vorbek.fdb

// The accounts named by SweepToPotId and OpeningBalPotId, loaded at opening
// (id 0 when the setting is 0 or the account is missing).
const TObj& SweepToPot();
const TObj& OpeningBalPot();

// An archive copy (end date set): "This database is an archive …", then, unless
// frozen already, "freezing" and the frozen flag set. Every opening does this.
void AnnounceArchiveCopy();
// Shows the archive state of the opened database in place of AnnounceArchiveCopy
// (the archive rules install the fuller step, which also fills the control
// window's labels). A hook that does nothing keeps an opening quiet.
void SetArchiveStateHook(std::function<void()> show);
// Run by CloseDatabase after the settings are saved: window positions, and
// screens forgetting the records they cached.
void AddDatabaseClosingHook(std::function<void()> hook);
