#include "cli/open_books.h"

#include <QDir>
#include <QFileInfo>

#include "cli/commands.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"

QString CliDataFolder(const QString& arg) {
  // A server's name is kept as given ("host:" stays invalid, not "host:/").
  if (IsServerLocation(arg))
    return arg.endsWith(QLatin1Char(':')) ? arg : WithTrailingSeparator(arg);
  return WithTrailingSeparator(QDir::cleanPath(QFileInfo(arg).absoluteFilePath()));
}

void CliShowTransaction(int32_t id) {
  TTxn t;
  if (!ReadTxn(id, t)) {
    CliErr("txn not found " + QString::number(id));
    return;
  }
  auto acc = [](int32_t accId, const QString& name) {
    return accId > 0 ? "#" + QString::number(accId) + " " + name : QStringLiteral("-");
  };
  CliOut("Txn #" + QString::number(t.id) + " " + TxnTypeName(t.type) + " " +
         DateRecToTextOrBlank(t.txnDate) +
         (t.postingDate.isZero() ? QString() : " posting date " + DateRecToText(t.postingDate)) +
         " " + FormatAmount(t.amount) + " " + t.ccy + " " + acc(t.accId1, t.accName1) + " / " +
         acc(t.accId2, t.accName2) + " / " + acc(t.accId4, t.accName4));
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
