#include "store/upgrade_guard.h"

#include <QFile>
#include <QFileInfo>

#include "foundation/dates.h"
#include "foundation/files.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "store/db.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

bool g_up = false;
QString g_copy;     // full path of the copy of vorbek.fdb
QString g_iniCopy;  // full path of the copy of ZADEZEVU.INI; empty when there was none

QString folder() { return Session().dataFolder; }
QString notePath() { return folder() + QLatin1String(kUpgradeNoteName); }
QString databasePath() { return folder() + QLatin1String(kDatabaseFileName); }
QString iniPath() { return folder() + QLatin1String(kDatabaseIniName); }

bool onServer() { return IsServerLocation(folder()); }

}  // namespace

bool UpgradeGuardUp() { return g_up; }
QString UpgradeCopyPath() { return g_copy; }

bool BeginUpgradeGuard(int fromVersion) {
  if (g_up || onServer()) return true;
  const QString stamp =
      "-v" + QString::number(fromVersion) + "-" + YmdToText(DateRecToYmd(Today()));
  const QString copy = folder() + "vorbek" + stamp + ".fdb";
  const QString iniCopy = folder() + "ZADEZEVU" + stamp + ".INI";
  const bool hasIni = QFileInfo::exists(iniPath());

  // The engine lets go of the file while it is copied, so the copy is whole.
  CommitIfActive();
  const QString location = ConnectionLocation();
  CloseConnection();
  QString error;
  bool ok = CopyFileDurably(databasePath(), copy, &error) &&
            (!hasIni || CopyFileDurably(iniPath(), iniCopy, &error));
  if (ok) {
    // Only now does the next opening know to put the copies back.
    const QString note = QFileInfo(copy).fileName() + "\n" +
                         (hasIni ? QFileInfo(iniCopy).fileName() : QString()) + "\n";
    ok = WriteFileDurably(notePath(), note.toUtf8(), &error);
  }
  QString openError;
  const bool reopened = OpenConnection(location, openError);
  if (!ok) {
    ShowInfo("Cannot upgrade - the books cannot be copied before the upgrade : " + error);
    return false;
  }
  if (!reopened) {
    ShowInfo("Cannot open database \"" + location + "\"\r" + openError);
    return false;
  }
  g_up = true;
  g_copy = copy;
  g_iniCopy = hasIni ? iniCopy : QString();
  return !InterruptedAt("upgrade copy made");
}

void EndUpgradeGuard(bool keepCopy) {
  if (!g_up) return;
  g_up = false;
  RemoveFileDurably(notePath());
  if (!keepCopy) {
    QFile::remove(g_copy);
    if (!g_iniCopy.isEmpty()) QFile::remove(g_iniCopy);
    g_copy.clear();
  }
}

bool RestoreInterruptedUpgrade() {
  g_up = false;
  g_copy.clear();
  g_iniCopy.clear();
  if (onServer() || !QFileInfo::exists(notePath())) return true;
  QFile f(notePath());
  QStringList names;
  if (f.open(QIODevice::ReadOnly)) names = QString::fromUtf8(f.readAll()).split('\n');
  f.close();
  const QString copy =
      names.value(0).trimmed().isEmpty() ? QString() : folder() + names.value(0).trimmed();
  const QString iniCopy =
      names.value(1).trimmed().isEmpty() ? QString() : folder() + names.value(1).trimmed();
  if (copy.isEmpty() || !QFileInfo(copy).isFile() ||
      (!iniCopy.isEmpty() && !QFileInfo(iniCopy).isFile())) {
    ShowInfo("The last upgrade of the books in " + folder() +
             " was interrupted, and the copy taken before it is missing - see " + notePath());
    return false;
  }
  // The note goes last: dying during the restore leaves it to be done again.
  QString error;
  if (!CopyFileDurably(copy, databasePath(), &error) ||
      (iniCopy.isEmpty() ? !RemoveFileDurably(iniPath())
                         : !CopyFileDurably(iniCopy, iniPath(), &error)) ||
      !RemoveFileDurably(notePath())) {
    ShowInfo("The last upgrade of the books in " + folder() +
             " was interrupted, and they cannot be put back as they were : " + error);
    return false;
  }
  ShowInfo(
      "The last upgrade of these books was interrupted - they were put back as they were "
      "before it, from " +
      copy);
  return true;
}
