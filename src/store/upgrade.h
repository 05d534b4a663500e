#pragma once
// Schema versions and the numbered upgrade steps. Up to version 21 the version
// lives in ZADEZEVU.INI (DBvn); from 22 on in row 1 of PARAM, with the
// database's start and end dates in rows 2 and 3.
#include <QString>

// Establishes Session().schemaVersion from the settings (a positive DBvn wins,
// asking first when it is above 21) or from PARAM. A missing version or one of
// 1..18 shows its message and ends the program (EndProgram): false.
bool DetermineSchemaVersion();

// Reads PARAM into the session: version, and each of the start and end dates the
// settings file did not give; writes the dates in effect back unless both were
// missing. False when PARAM cannot be read, has no rows or no positive version.
bool ReadParams();

// Stores the session's start and end dates in PARAM rows 2 and 3.
bool WriteParamDates();
// Sets the version in memory and in PARAM row 1.
bool SetSchemaVersion(int n);

// Brings a version 19..33 database to the current version, asking before each
// step unless this is a first-time installation. False when the version is too
// new (the database is not to be opened), when the user declines a step or the
// first-time base currency is not given (both end the program), or when a step fails.
bool UpgradeSchema();

// Runs the steps after Session().schemaVersion up to target, with the same
// questions, messages and flags as UpgradeSchema but without its busy cursor,
// flash clearing and final message. Test fixtures use it to build books at
// any older version.
bool UpgradeSchemaTo(int target);

// The description a step's question shows; empty for the steps that ask nothing.
QString SchemaStepDescription(int version);
