#include "shell/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {
int g_lockFd = -1;
}  // namespace

QString LockFileText(const QString& title) {
  return "This file LOCK.TXT is used to prevent multiple instances of program \"" + title +
         "\" running on your PC.\r\nIf the file is absent it will be created automatically.";
}

LockResult TakeInstanceLock(const QString& path, const QString& title, QString& error) {
  if (g_lockFd >= 0) return LockResult::Taken;
  if (!QFile::exists(path)) {
    // NewOnly: a copy starting at the same moment may have written it already.
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) f.write(LockFileText(title).toUtf8());
  }
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "Cannot open \"" + path + "\" : " + QString::fromLocal8Bit(std::strerror(errno));
    return LockResult::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return LockResult::AlreadyRunning;
    error = "Cannot lock \"" + path + "\" : " + QString::fromLocal8Bit(std::strerror(e));
    return LockResult::Failed;
  }
  g_lockFd = fd;
  return LockResult::Taken;
}

void ReleaseInstanceLock() {
  if (g_lockFd < 0) return;
  ::flock(g_lockFd, LOCK_UN);
  ::close(g_lockFd);
  g_lockFd = -1;
}
