#include "cli/open_books.h"

#include <QDir>
#include <QFileInfo>

#include "cli/commands.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"

QString CliDataFolder(const QString& arg) {
  if (IsServerLocation(arg)) return WithTrailingSeparator(arg);
  return WithTrailingSeparator(QDir::cleanPath(QFileInfo(arg).absoluteFilePath()));
}

bool CliOpenBooks(const QString& dirArg) {
  ResetSession();
  Session().dataFolder = CliDataFolder(dirArg);
  if (OpenDatabase()) return true;
  CliErr(ProgramEndRequested() ? QStringLiteral("vorbek-cli: the books could not be opened")
                               : QStringLiteral("vorbek-cli: the books were not opened"));
  return false;
}

int CliUsage(const QString& line) {
  CliErr("usage: vorbek-cli " + line);
  return 2;
}

int CliRefused() {
  RollbackIfActive();
  CloseDatabase(false);
  return 1;
}

int CliCommitted() {
  if (!CommitIfActive()) return CliRefused();
  CloseDatabase();  // keeps flags such as rebalance-needed in the settings
  return 0;
}
