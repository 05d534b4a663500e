#pragma once
// The single-instance lock: LOCK.TXT in the program folder, held under an
// exclusive lock for the whole life of the process. The operating system drops
// the lock when the process ends, however it ends, so a crashed run never
// blocks the next start.
#include <QString>

enum class LockResult { Taken, AlreadyRunning, Failed };

// The text of a new LOCK.TXT.
QString LockFileText(const QString& title);

// Creates path with LockFileText when it is missing, then takes the lock and
// keeps it until ReleaseInstanceLock or the end of the process. error says why
// on Failed (the file could be neither created nor opened).
LockResult TakeInstanceLock(const QString& path, const QString& title, QString& error);

// Lets the lock go (only tests need this; the program keeps it to the end).
void ReleaseInstanceLock();
