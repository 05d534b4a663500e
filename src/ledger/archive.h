#pragma once
// Archiving old years: the program, its notepad text and the whole data folder
// are copied into a dated folder below the program folder, the copy marked as
// an archive (end date set, frozen), and the live books then lose every
// transaction and posting up to the archive date, their sums carried into the
// accounts' brought-forward balances. Also the editing of the two dates.
#include <QString>
#include <cstdint>

// ProgramFolder() + "ARCHIVE/" + the date as yyyy-mm-dd + "/".
QString ArchiveFolder(int32_t archiveDate);

// The "&Archive" item, asking its questions on the way. The live books are
// purged only after the copy of vorbek.fdb is found complete; a purge that fails
// is rolled back ("Archive failed"). A stop after the books were closed for
// the copy reopens them with their dates as they were. True when archived.
bool ArchiveDatabase();

// The clickable date labels of the control window: the calendar sets the
// database start or end date, which is stored in PARAM and committed, and the
// archive state is shown again. True when a date was chosen and stored.
bool EditDatabaseStartDate();
bool EditDatabaseEndDate();
