#pragma once
// An upgrade that survives the process dying part-way. Before the first statement
// of an upgrade the books (vorbek.fdb and ZADEZEVU.INI) are copied to dated files
// beside them, and a note records that an upgrade is under way. The note goes once
// the books stand at the new version. The next opening that still finds it puts the
// copies back: the books are then at their old version with nothing of the
// interrupted step applied, and are upgraded again from there. (Books on a
// Firebird server cannot be copied from here and are upgraded without a guard.)
#include <QString>

// The note's name in the data folder.
inline constexpr const char* kUpgradeNoteName = "vorbek-upgrade-under-way.txt";

// Copies the books and writes the note, closing the connection for the copy and
// opening it again. True at once when the guard is already up or the books are
// on a server. False with a message when the copy cannot be made: the upgrade
// must then not start.
bool BeginUpgradeGuard(int fromVersion);
bool UpgradeGuardUp();
// The books stand at a version where they can be used: the note goes. The
// copy is kept (it is the user's backup) or removed (new, empty books).
void EndUpgradeGuard(bool keepCopy);
// The copy of vorbek.fdb the last guard made; empty when none.
QString UpgradeCopyPath();

// Before the settings are read: when the data folder holds the note of an
// interrupted upgrade, the copies are put back and the user told so. False
// (with a message) when they cannot be put back; the books must not be opened.
bool RestoreInterruptedUpgrade();
