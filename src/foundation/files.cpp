#include "foundation/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "foundation/messages.h"

namespace {

constexpr qint64 kBlockSize = 65536;

QString withSep(const QString& path) {
  return path.isEmpty() || path.endsWith('/') ? path : path + '/';
}

QString withoutSep(const QString& path) {
  return path.size() > 1 && path.endsWith('/') ? path.chopped(1) : path;
}

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

// Copying a file onto itself would truncate it before reading a byte.
bool sameFile(const QString& a, const QString& b) {
  struct stat sa, sb;
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
  if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

bool CopyFileRaw(const QString& source, const QString& target, QString* error) {
  QString dest = target;
  if (QFileInfo(dest).isDir()) dest = withSep(dest) + QFileInfo(source).fileName();

  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    setError(error, "Grr cannot open file " + source);
    return false;
  }
  if (sameFile(source, dest)) {
    setError(error, "Grr cannot create file " + dest);
    return false;
  }
  QFile out(dest);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    setError(error, "Grr cannot create file " + dest);
    return false;
  }

  QByteArray block(kBlockSize, Qt::Uninitialized);
  for (;;) {
    ProcessPendingMessages();
    const qint64 n = in.read(block.data(), kBlockSize);
    if (n < 0) {
      setError(error, "Grr cannot read file " + source + " : " + in.errorString());
      return false;
    }
    if (n == 0) break;
    if (out.write(block.constData(), n) != n) {
      setError(error, "Grr cannot write file " + dest + " : " + out.errorString());
      return false;
    }
  }
  if (!out.flush()) {
    setError(error, "Grr cannot write file " + dest + " : " + out.errorString());
    return false;
  }
  return true;
}

bool CopyFileInto(const QString& file, const QString& folder, QString* error) {
  const QString dir = withSep(folder);
  const QString target = dir + QFileInfo(file).fileName();
  if (!MakeFolderIfMissing(dir)) {
    // Without the folder the copy would land on a file of the folder's name.
    setError(error, "Grr cannot create file " + target);
    return false;
  }

  // The copy reads the source and so may touch its access time: take that first.
  struct stat before;
  const bool haveBefore = ::stat(QFile::encodeName(file).constData(), &before) == 0;
  if (!CopyFileRaw(file, withoutSep(dir), error)) return false;

  ProcessPendingMessages();
  struct stat after;
  if (::stat(QFile::encodeName(file).constData(), &after) != 0) {
    if (!haveBefore) return true;  // source gone meanwhile; the bytes are copied
    after = before;
  }
  if (!haveBefore) before = after;

  int fd = -1;
  for (;;) {
    fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) break;
    if (!AskYes("Destination file open error \"" + target + " - retry?")) return true;
  }
  // Linux has no call that sets a file's birth time, so the copy carries the
  // modification time and the access time.
  const struct timespec times[2] = {before.st_atim, after.st_mtim};
  if (::futimens(fd, times) != 0)
    ShowInfo("FileSetDate error (Last Mod TS) " + QString::number(errno));
  ::close(fd);
  return true;
}

bool CopyFileBetweenFolders(const QString& name, const QString& sourceFolder,
                            const QString& targetFolder) {
  const QString folder = QFileInfo(withSep(targetFolder) + name).path();
  return CopyFileInto(withSep(sourceFolder) + name, folder);
}

bool CopyFolderFiles(const QString& sourceFolder, const QString& targetFolder, QString* error) {
  if (!QFileInfo(targetFolder).isDir()) {
    ShowInfo("Making directory " + targetFolder);
    if (!MakeFolderIfMissing(targetFolder)) {
      setError(error, "Cannot create directory " + targetFolder);
      return false;
    }
  }

  BusyOn();
  bool completed = true;
  const QStringList names = QDir(sourceFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString& name : names) {
    bool next = false;
    while (!next) {
      if (CopyFileBetweenFolders(name, sourceFolder, targetFolder)) break;
      switch (AskYesNoCancel("File open error on " + name + " - retry?")) {
        case 'Y':
          break;
        case 'N':
          next = true;
          break;
        default:
          completed = false;
          next = true;
          break;
      }
    }
    if (!completed) break;
    ProcessPendingMessages();
  }
  BusyOff();
  if (!completed) setError(error, QStringLiteral("Copy cancelled"));
  return completed;
}

bool MakeFolderIfMissing(const QString& path) {
  if (QFileInfo(path).isDir()) return true;
  return QDir().mkpath(path);
}

int32_t PackDosDateTime(const QDateTime& local) {
  const QDate d = local.date();
  const QTime t = local.time();
  if (!d.isValid() || !t.isValid() || d.year() < 1980 || d.year() > 2107) return -1;
  const uint32_t date = uint32_t(d.year() - 1980) << 9 | uint32_t(d.month()) << 5 | d.day();
  const uint32_t time = uint32_t(t.hour()) << 11 | uint32_t(t.minute()) << 5 | t.second() / 2;
  return int32_t(date << 16 | time);
}

int32_t FileCreationStamp(const QString& file) {
  struct statx stx;
  if (::statx(AT_FDCWD, QFile::encodeName(file).constData(), 0,
              STATX_TYPE | STATX_MTIME | STATX_BTIME, &stx) != 0)
    return -1;
  if (S_ISDIR(stx.stx_mode)) return -1;
  const qint64 secs = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
  return PackDosDateTime(QDateTime::fromSecsSinceEpoch(secs));
}

namespace {

bool syncFile(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// A rename or removal lasts only once the folder holding the name is flushed too.
void syncFolderOf(const QString& path) { syncFile(QFileInfo(path).absolutePath()); }

bool renameOver(const QString& from, const QString& to, QString* error) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
    setError(error, "Grr cannot rename " + from + " to " + to + " : " +
                        QString::fromLocal8Bit(std::strerror(errno)));
    QFile::remove(from);
    return false;
  }
  syncFolderOf(to);
  return true;
}

}  // namespace

bool CopyFileDurably(const QString& source, const QString& target, QString* error) {
  const QString part = target + QStringLiteral(".part");
  QFile::remove(part);
  if (!CopyFileRaw(source, part, error)) {
    QFile::remove(part);
    return false;
  }
  if (!syncFile(part)) {
    setError(error, "Grr cannot write file " + part);
    QFile::remove(part);
    return false;
  }
  return renameOver(part, target, error);
}

bool WriteFileDurably(const QString& target, const QByteArray& bytes, QString* error) {
  const QString part = target + QStringLiteral(".part");
  {
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush()) {
      setError(error, "Grr cannot create file " + part);
      out.close();
      QFile::remove(part);
      return false;
    }
  }
  if (!syncFile(part)) {
    setError(error, "Grr cannot write file " + part);
    QFile::remove(part);
    return false;
  }
  return renameOver(part, target, error);
}

bool RemoveFileDurably(const QString& path) {
  if (!QFileInfo::exists(path)) return true;
  if (!QFile::remove(path)) return false;
  syncFolderOf(path);
  return true;
}
