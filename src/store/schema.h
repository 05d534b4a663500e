#pragma once
// The empty starting database. Every new set of books - made by the program,
// by vorbek-cli, by trelg or by a test - starts from this one script, at the
// version that awaits the first-time installation; the upgrade steps then
// bring it to the current version.
#include <QString>
#include <QStringList>

inline constexpr int kStartingSchemaVersion = 19;

// The statements of the starting database, in order.
QStringList StartingSchemaScript();

// Makes dataFolder (with parents) when missing, creates vorbek.fdb in it from the
// starting script and writes a ZADEZEVU.INI holding only [main] DBvn=19 (replacing
// any settings file there). Refuses when vorbek.fdb already exists. dataFolder may
// be "host:/path" for a server: the server makes the file (and refuses one that
// exists), and the settings file goes into the books' ServerSettingsFolder. On
// failure nothing new is left behind (but for that folder) and error says why.
bool CreateEmptyBooks(const QString& dataFolder, QString& error);

// Books made before an index joined the starting script get it when opened;
// an index is only a speed-up, so one that cannot be made is left out quietly.
void EnsureWorkingIndexes();
