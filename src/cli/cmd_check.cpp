// vorbek-cli check: the healthcheck without windows. Its lines go to stdout
// as they are written, HCHK.TXT to the run's dated folder (--log: a copy too).
#include <QFile>

#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/messages.h"
#include "ledger/freeze.h"
#include "ledger/healthcheck.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

class StdoutSink : public HealthcheckSink {
 public:
  void line(const QString& text) override { CliOut(text); }
};

// Exit codes: 0 nothing left to mend, 1 errors remain, 2 usage, 3 an
// unanswered question (the prompter's), 4 not run or cut short.
constexpr int kNotRun = 4;

int runCheck(CliContext& ctx) {
  const QString line =
      QStringLiteral("check DIR [--repair | --text] [--backup | --no-backup] [--log FILE]");
  const bool repair = ctx.takeFlag(QStringLiteral("--repair"));
  const bool text = ctx.takeFlag(QStringLiteral("--text"));
  const bool backupOn = ctx.takeFlag(QStringLiteral("--backup"));
  const bool backupOff = ctx.takeFlag(QStringLiteral("--no-backup"));
  QString logCopy;
  const bool hasLog = ctx.takeOption(QStringLiteral("--log"), logCopy);
  if (ctx.args.size() != 1 || (repair && text) || (backupOn && backupOff) ||
      (hasLog && logCopy.isEmpty()))
    return CliUsage(line);
  if (!CliOpenBooks(ctx.args.first())) return kNotRun;

  StdoutSink sink;
  TSession& s = Session();
  // The work a conversion left comes first, as at start-up.
  if (s.repairPending) {
    s.repairPending = false;
    FillCreationStamps();
  }
  const HcBackup backup = backupOn    ? HcBackup::Yes
                          : backupOff ? HcBackup::No
                          : repair    ? HcBackup::Yes
                                      : HcBackup::No;
  THcResult r;
  if (repair) {
    if (FrozenRefusal(QStringLiteral("repair database"))) {
      CloseDatabase(false);
      return kNotRun;
    }
    r = RunRepair(sink, backup, true);
  } else if (text) {
    r = RunHealthcheck(HcMode::Text, sink, HcBackup::No);
  } else {
    r = RunCheck(sink, backup);
  }
  if (r.ran && hasLog) {
    QFile::remove(logCopy);
    if (!QFile::copy(r.logFile, logCopy)) CliErr("vorbek-cli: cannot write " + logCopy);
  }
  const bool open = DatabaseIsOpen();
  if (open) {
    CommitIfActive();
    CloseDatabase();
  }
  if (!r.ran || r.aborted) return kNotRun;
  const bool errors = repair ? r.manualErrors > 0 : r.autoErrors + r.manualErrors > 0;
  return errors ? 1 : 0;
}

const CliRegistration kCheck({QStringLiteral("check"),
                              QStringLiteral("DIR [--repair | --text] [--backup | --no-backup] "
                                             "[--log FILE]"),
                              QStringLiteral("healthcheck: find (and with --repair fix) what "
                                             "breaks the rules, or --text for non-ASCII texts"),
                              runCheck});

}  // namespace
