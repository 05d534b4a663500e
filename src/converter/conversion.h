#pragma once
// The conversion of the previous generation's seven Paradox tables into a new
// database. The target is a data folder holding vorbek.fdb at the starting
// version and its ZADEZEVU.INI; after the conversion the settings say version 20
// and that a rebalance is needed, so the program upgrades and rebuilds the rest.
//
// The conversion is made in copies beside the target's files (vorbek.fdb and
// ZADEZEVU.INI with ".converting" appended), which take the target's names only
// once the work is whole and committed. When it stops part-way the copies go, so
// the target is left exactly as it was found; when the process dies part-way the
// copies stay behind until the next run removes them. The source folder is only
// ever read.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

inline constexpr int kConvertedSchemaVersion = 20;

// How a target column gets its value.
enum class TColumnKind {
  Integer,    // a whole number, 32 bits
  Amount,     // a whole number of minor units, stored in 64 bits
  Text,       // alpha or memo text, from the table's code page
  Logical,    // 1 for true, 0 for false or empty
  Stamp,      // a date-time (NULL when empty)
  DateText,   // "yyyy-mm-dd" text to a date number; anything else gives 0, silently
  Fixed,      // the constant given, no source field
  BaseKind,   // ACCOUNT.BTYPE from the old Type
  GroupFlag,  // ACCOUNT.ISGRP from the old Type
};

struct TColumnMap {
  const char* target;  // column of the target table (quoted where the schema needs it)
  const char* source;  // field of the source table (matched ignoring case)
  TColumnKind kind;
  int fixed = 0;
};

struct TTableMap {
  const char* sourceFile;  // as the old program named it
  const char* target;
  const char* shownName;  // in the progress text and in messages
  std::vector<TColumnMap> columns;
};

// The seven tables in the order they are converted, with every column mapped.
const std::vector<TTableMap>& ConvertedTables();
// The fourteen target tables emptied before converting, in order.
const QStringList& EmptiedTables();

// The old account kinds 7..10 (groups) as base kind and group flag.
int BaseKindOfOldType(int type);
int GroupFlagOfOldType(int type);

// "yyyy-mm-dd" by position to yyyymmdd; 0 for anything that does not parse.
int32_t DateTextToNumberSilently(const QString& text);

// ---- The target -------------------------------------------------------------------

// DBvn of the data folder's ZADEZEVU.INI (0 when the file or the key is missing).
int TargetSchemaVersion(const QString& dataFolder);
// The red status text of a target at the wrong version.
QString TargetVersionError(int found);

// Removes what a conversion into dataFolder that did not finish left behind,
// telling the user so; the target's own files are never touched. False (after
// its message) when they cannot be removed.
bool RemoveUnfinishedConversion(const QString& dataFolder);
// First removes what an unfinished conversion left (RemoveUnfinishedConversion).
// When dataFolder has no vorbek.fdb, asks whether to create the empty starting
// database there and does so. False (after its message) when there is still no
// database: declined, or the creation failed.
bool ProvideTargetDatabase(const QString& dataFolder);
// Opens the connection to dataFolder's vorbek.fdb; false with the engine's text.
bool OpenTargetDatabase(const QString& dataFolder, QString& error);

// ---- The source -------------------------------------------------------------------

// True when folder holds the old settings file (any letter case); otherwise shows
// "Folder does not hold Vorbek data ( looking for ZADEZEVU.INI )" and returns false.
bool SourceHoldsBooks(const QString& folder);

// ---- Converting -------------------------------------------------------------------

// Called before every row: the table's shown name and the rows still to go
// (counting down from the table's row count).
using TConvertProgress = std::function<void(const QString& table, int remaining)>;

// Converts the seven tables of sourceFolder into the target database of
// dataFolder (open on entry, and open again on return): every table is read and
// checked first, then the settings copy, then in a copy of the database one
// transaction emptying the fourteen tables and filling the seven, then commit, and
// the copies take the target's names. The copy is filled with the indexes that
// refuse no row switched off and without forced writes; both are on again
// before it takes the target's name. On failure the copies go and false is
// returned with message saying why (naming the table and row where a row failed);
// message is empty when the settings copy failed and has shown its own box.
bool ConvertBooks(const QString& sourceFolder, const QString& dataFolder,
                  const TConvertProgress& progress, QString& message);

// A stop asked for by a signal (SIGTERM, SIGINT; 0 clears it). Safe to call from
// any thread. A conversion under way stops before its next row, is rolled back and
// fails with "Conversion stopped\rThe target has not been changed."
void RequestConversionStop(int signal);
// The signal that asked for the stop; 0 when none did.
int ConversionStopSignal();

// What the caller sees of a conversion run: started() after the question was
// answered Yes, progress() before every row, finished() after the work and
// before the closing message.
struct TConvertHooks {
  std::function<void()> started;
  TConvertProgress progress;
  std::function<void()> finished;
};

// The whole "Convert" step: "OK to convert from Source to Target ?", the busy
// cursor, ConvertBooks, then "Converted ok" or the failure message. False when
// declined or failed.
bool RunConversion(const QString& sourceFolder, const QString& dataFolder,
                   const TConvertHooks& hooks = {});
