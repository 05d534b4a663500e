#include "shell/startup.h"

#include <QFile>

#include "foundation/messages.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"

QString ChooseProgramFolder(const QStringList& args, const QString& envHome, const QString& exeDir,
                            bool exeDirWritable, const QString& fallback) {
  for (qsizetype i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--home") && i + 1 < args.size() && !args[i + 1].isEmpty())
      return args[i + 1];
    if (args[i].startsWith(QLatin1String("--home=")) && args[i].size() > 7) return args[i].mid(7);
  }
  if (!envHome.isEmpty()) return envHome;
  if (!exeDir.isEmpty() && exeDirWritable) return exeDir;
  return fallback;
}

QString NoBooksQuestion(const QString& folder) {
  return "No books found in " + folder + " - create a new empty set of books there?";
}

bool OpenBooksAtStart() {
  TSession& s = Session();
  if (s.dataFolder.isEmpty()) {
    s.dataFolder = DefaultDataFolder();
    ShowInfo("Using database at default location \"" + s.dataFolder +
             QLatin1String(kDatabaseFileName) + "\"");
  }
  const QString file = s.dataFolder + QLatin1String(kDatabaseFileName);
  QString invalid;
  if (!CheckDatabaseName(s.dataFolder, invalid)) {
    ShowInfo(invalid);
    ShowStatus(QString());
    return false;
  }
  // A server is asked whether the file is there; books are made there through it.
  const bool missing =
      IsServerLocation(s.dataFolder) ? DatabaseFileMissing(file) : !QFile::exists(file);
  if (missing) {
    if (!AskYes(NoBooksQuestion(s.dataFolder))) {
      ShowStatus(QString());
      return false;
    }
    QString error;
    if (!CreateEmptyBooks(s.dataFolder, error)) {
      ShowInfo(error);
      ShowStatus(QString());
      return false;
    }
  }
  return OpenDatabaseAtStart();
}
