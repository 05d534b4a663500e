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

// The "&Archive" item, asking its questions on the way. The end date and the
// frozen flag are written into the copy only, never into the live books; a note
// in the archive folder marks the copy unfinished until it is complete and
// marked. The live books are purged only then, in one transaction; a purge that
// fails is rolled back ("Archive failed"). A stop after the books were closed
// for the copy reopens them as they were. When the folder of the date is there
// already, the refusal says whether it holds an unfinished copy or a copy whose
// purge never happened, and how to go on. True when archived.
bool ArchiveDatabase();

// The clickable date labels of the control window: the calendar sets the
// database start or end date, which is stored in PARAM and committed, and the
// archive state is shown again. True when a date was chosen and stored.
bool EditDatabaseStartDate();
bool EditDatabaseEndDate();
