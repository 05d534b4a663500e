#pragma once
// Copying files and folders for backups, archives and the converter. Copies keep
// the source's timestamps. Paths use '/'; folder arguments may or may not end in one.
#include <QDateTime>
#include <QString>
#include <cstdint>

// Copies the bytes of source to target; when target is an existing folder the file
// goes into it under the source's name. Runs in 64 KiB blocks and lets pending window
// messages run before each block. On failure returns false and, when error is given,
// "Grr cannot open file <source>", "Grr cannot create file <target>" or the system's
// read/write error.
bool CopyFileRaw(const QString& source, const QString& target, QString* error = nullptr);

// Copies file into folder (created when missing) and gives the copy the source's
// modification and access times. False only when the bytes could not be copied;
// a timestamp that cannot be set is reported but still counts as done.
bool CopyFileInto(const QString& file, const QString& folder, QString* error = nullptr);

// CopyFileInto(sourceFolder + name, folder part of targetFolder + name).
bool CopyFileBetweenFolders(const QString& name, const QString& sourceFolder,
                            const QString& targetFolder);

// Copies every file directly in sourceFolder (no subfolders) into targetFolder,
// making targetFolder first when missing. A file that fails asks whether to retry;
// No skips it, Cancel stops. False when cancelled or the folder could not be made.
bool CopyFolderFiles(const QString& sourceFolder, const QString& targetFolder,
                     QString* error = nullptr);

// Creates the folder with any missing parents; true when it exists afterwards.
bool MakeFolderIfMissing(const QString& path);

// The file's creation time (birth time where the file system keeps one, else its
// modification time) in local time as a packed DOS date-time; -1 for a folder, a
// missing file, or a time outside the DOS range (1980-2107).
int32_t FileCreationStamp(const QString& file);

// Packs a local date-time the DOS way (two-second resolution); -1 outside 1980-2107.
int32_t PackDosDateTime(const QDateTime& local);

// Files that must be whole or absent whatever moment the process dies: the new
// content goes into target + ".part", is flushed to the disk, and then takes the
// target's name in one step (replacing any file there). False with the reason.
bool CopyFileDurably(const QString& source, const QString& target, QString* error = nullptr);
bool WriteFileDurably(const QString& target, const QByteArray& bytes, QString* error = nullptr);
// Removes the file and makes its removal last; true when it is gone.
bool RemoveFileDurably(const QString& path);
