#pragma once
// The two settings files. VORBEK2.INI in the program folder remembers ten
// database files and which one to open; ZADEZEVU.INI in the data folder holds
// the settings of one set of books (section "main", booleans written 1/0).
// Paths keep their case: Linux paths are case-sensitive.
#include <QString>

inline constexpr const char* kIniSection = "main";
inline constexpr const char* kProgramIniName = "VORBEK2.INI";
inline constexpr const char* kDatabaseIniName = "ZADEZEVU.INI";
inline constexpr const char* kDatabaseFileName = "vorbek.fdb";
inline constexpr int kRecentSlots = 10;

// The recent-database list: ten full paths of vorbek.fdb files (or empty) and
// the index of the one to open.
struct TRecentDatabases {
  QString slot[kRecentSlots];
  int which = 0;
};
TRecentDatabases& RecentDatabases();

QString ProgramIniPath();     // program folder + VORBEK2.INI
QString DefaultDataFolder();  // program folder + "data/"

// "host:/path" (or "host/port:/path", "host:C:\path") names a database on a
// Firebird server; a plain path, including a Windows drive path, does not. A
// name that only looks like a server's (":/x", "host:") counts as one, so
// that CheckDatabaseName refuses it rather than a file of that name being made.
bool IsServerLocation(const QString& location);
// False, with "Invalid database name ..." in error, for a server name without a
// host, with a port that is not a number, or without an absolute path.
bool CheckDatabaseName(const QString& location, QString& error);
// The settings of server books live on this machine, below the program folder:
// servers/<host>/<path>/, host (with "/port") and path (without its trailing
// separator) percent-encoded so that every name gets a folder of its own, e.g.
// "localhost:/srv/books/" -> servers/localhost/%2Fsrv%2Fbooks/. Empty for local books.
QString ServerSettingsFolder(const QString& dataFolder);
// The ZADEZEVU.INI of the books in dataFolder: beside vorbek.fdb, or for a
// server in ServerSettingsFolder.
QString DatabaseIniPath(const QString& dataFolder);
// The folder part of a database file path, with its trailing separator.
QString FolderOfPath(const QString& path);

// Reads VORBEK2.INI into RecentDatabases() (migrating the older keys) and sets
// the session's data folder from the selected slot (empty when that slot is empty).
void ReadProgramIni();
// Writes the ten slots and WHICHDB, deleting DBPATH and the migrated older keys.
bool SaveProgramIni();

// Reads Session().settingsPath into Session().settings (every key with its
// default) and applies it: working currencies, period, rebalance flag, start
// and end dates, version, flash interval; then refreshes the control panel.
void ReadDatabaseIni();
// Writes every setting of the session into Session().settingsPath, deleting the
// obsolete keys. False (with a message shown) when the file cannot be written.
bool SaveDatabaseIni();
// Records in the settings file that the version and dates now live in PARAM
// (DBvn, DBStartDate and DBEndDate become -1), touching no other key.
bool SaveIniVersionInParam();
