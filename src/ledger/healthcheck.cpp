#include "ledger/healthcheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "foundation/dates.h"
#include "foundation/files.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/freeze.h"
#include "ledger/healthcheck_run.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

bool g_abort = false;
bool g_running = false;
bool g_repairRunning = false;
int g_lineCap = kHealthcheckLineCap;

QString num(int64_t n) { return QString::number(n); }

// While a fix runs, whatever the ledger would say goes nowhere: a scan shows
// no box per row, and a refused fix is reported as a failed repair instead.
class QuietPrompter : public Prompter {
 public:
  QuietPrompter() : previous_(InstallPrompter(this)) {}
  ~QuietPrompter() override { InstallPrompter(previous_); }
  void showInfo(const QString&, bool) override {}
  char askYesNoCancel(const QString&) override { return 'C'; }
  bool askText(const QString&, const QString&, QString&, int, int) override { return false; }
  int askChoice(const QString&, const QString&, const QString&) override { return 0; }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}

 private:
  Prompter* previous_;
};

// The copies a backup makes: the books' file and the notepad when there is one.
bool copyChecked(const QString& file, const QString& folder, QString& error) {
  if (!CopyFileInto(file, folder, &error)) {
    if (error.isEmpty()) error = "Cannot copy " + file;
    return false;
  }
  const QString copy = folder + QFileInfo(file).fileName();
  if (QFileInfo(copy).size() != QFileInfo(file).size()) {
    error = "Backup copy " + copy + " is incomplete";
    QFile::remove(copy);
    return false;
  }
  return true;
}

// Closes the books, copies them into folder and opens them again. False (the
// reason told, "Healthcheck abandoned" too) when no whole copy was made.
bool makeBackup(const QString& folder, bool& reopened) {
  TSession& s = Session();
  reopened = true;
  if (IsServerLocation(s.dataFolder)) {
    ShowInfo(QStringLiteral("Cannot back up a database on a server"));
    ShowInfo(QStringLiteral("Healthcheck abandoned"));
    return false;
  }
  // Opening clears the session's conversion state; the run still needs it.
  const bool converted = s.converted;
  const QString database = DatabaseLocation();
  CloseDatabase();
  FlashKeep(QStringLiteral("Backing-up datafile VORBEK.FDB"));
  QString error;
  bool ok = copyChecked(database, folder, error);
  const QString notepad = ProgramFolder() + QStringLiteral("npad.txt");
  if (ok && QFileInfo::exists(notepad)) ok = copyChecked(notepad, folder, error);
  FlashClose();
  if (!ok) {
    ShowInfo(error);
    ShowInfo(QStringLiteral("Healthcheck abandoned"));
  }
  reopened = OpenDatabase();
  s.converted = converted;
  RefreshControlPanel();
  return ok && reopened;
}

void saveLog(const QString& path, const QStringList& lines) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return;
  f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
  f.commit();
}

}  // namespace

// ------------------------------------------------------------------ the run state

QString HcText(const QVariant& v) {
  if (v.isNull()) return QString();
  if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
  return v.toString();
}

QString HcLinkKey(int32_t cpty, int32_t ctgy, const QString& code) {
  return num(cpty) + QLatin1Char('-') + num(ctgy) + QLatin1Char('-') + code.trimmed();
}

THcRun::THcRun(HcMode m, HealthcheckSink& s)
    : mode(m), repair(m == HcMode::Repair), text(m == HcMode::Text), sink(s) {
  autoPrefix = repair ? QStringLiteral("(repaired) : ") : QStringLiteral("(for auto-repair) : ");
}

void THcRun::line(const QString& text, bool finding) {
  if (finding) {
    if (capReached) return;
    if (log.size() >= g_lineCap) {
      capReached = true;
      aborted = true;
      ShowInfo(QStringLiteral("Scan abandoned - error limit reached "));
      return;
    }
  }
  log << text;
  sink.line(text);
}

void THcRun::info(const QString& text) { line("Info : " + text, true); }

void THcRun::manual(const QString& text) {
  if (capReached) return;
  line("Error (for manual repair) : " + text, true);
  if (!capReached) ++table.manualErrors;
}

bool THcRun::fix(const QStringList& texts, const std::function<bool()>& apply, bool heldBack,
                 bool housekeeping, bool quiet) {
  if (capReached) return false;
  if (heldBack) {
    for (const QString& t : texts) manual(t);
    return false;
  }
  const QString lead =
      (housekeeping ? QStringLiteral("Housekeeping ") : QStringLiteral("Error ")) + autoPrefix;
  bool ok = true;
  if (repair) {
    QuietPrompter prompter;
    QuietDbErrors quietErrors;
    WriteUnit unit;
    ok = unit.begin() && apply() && unit.done() && CommitIfActive();
    if (!ok) {
      unit.undo();
      RollbackIfActive();
    }
  }
  if (!ok) {
    ++failedFixes;
    for (const QString& t : texts) manual(t + " - repair failed");
    return false;
  }
  for (const QString& t : texts) {
    if (!quiet) line(lead + t, true);
    if (capReached) break;
    (housekeeping ? table.housekeeping : table.autoErrors) += 1;
  }
  return repair;
}

void THcRun::textCheck(const QString& prefix, const QString& word, const QString& s) {
  if (!text) return;
  // Walked in place: nearly every text is plain ASCII, and a copy of each
  // would cost more than the test.
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = s.at(i);
    if (c.unicode() <= 127) continue;
    const bool pair = c.isHighSurrogate() && i + 1 < n && s.at(i + 1).isLowSurrogate();
    manual(prefix + word + " contains non-ASCII (>127) ch " + s.mid(i, pair ? 2 : 1));
    return;
  }
}

void THcRun::beginTable(const QString& name, int rows) {
  line(name + " : " + num(rows) + " record(s)");
  toGo_ = rows;
  sink.countdown(toGo_);
  ProcessPendingMessages();
  pump_.start();
}

bool THcRun::nextRow() {
  if (g_abort) aborted = true;
  if (aborted) return false;
  --toGo_;
  if (pump_.elapsed() >= 50) {
    sink.countdown(toGo_);
    ProcessPendingMessages();
    pump_.restart();
  }
  return true;
}

void THcRun::countLines(const THcCounts& c) {
  auto s = [](int n) { return n == 1 ? QString() : QStringLiteral("s"); };
  if (c.housekeeping != 0)
    line(num(c.housekeeping) + " housekeeping update" + s(c.housekeeping) +
         (repair ? " made" : " found"));
  if (c.autoErrors != 0)
    line(num(c.autoErrors) + " error" + s(c.autoErrors) +
         (repair ? " auto-repaired" : " found for auto-repair"));
  if (c.manualErrors != 0)
    line(num(c.manualErrors) + " error" + s(c.manualErrors) + " found for manual repair");
}

void THcRun::endTable(const QString& name) {
  if (g_abort) aborted = true;
  if (!aborted && toGo_ != 0)
    manual("Record count error, eof with " + num(toGo_) + " record(s) to go");
  sink.countdown(0);
  if (!aborted) line(name + " scan complete");
  countLines(table);
  line(QString());
  total.autoErrors += table.autoErrors;
  total.manualErrors += table.manualErrors;
  total.housekeeping += table.housekeeping;
  table = THcCounts();
}

// ------------------------------------------------------------------ public

void SetHealthcheckLineCap(int lines) { g_lineCap = lines > 0 ? lines : kHealthcheckLineCap; }

void AbortHealthcheck() {
  if (g_running) g_abort = true;
}
bool HealthcheckRunning() { return g_running; }
bool HealthcheckRepairRunning() { return g_running && g_repairRunning; }

QString HealthcheckFolder(const QDateTime& stamp) {
  const TSession& s = Session();
  const QString base =
      IsServerLocation(s.dataFolder) || s.dataFolder.isEmpty() ? ProgramFolder() : s.dataFolder;
  return WithTrailingSeparator(base) + "Healthchecks/HCHK" + StampText(StampOf(stamp), 0) + "/";
}

THcResult RunHealthcheck(HcMode mode, HealthcheckSink& sink, HcBackup backup) {
  THcResult result;
  if (g_running || !DatabaseIsOpen()) return result;
  TSession& s = Session();
  g_abort = false;
  THcRun run(mode, sink);
  run.stamp = NowToSecond();
  result.logFolder = HealthcheckFolder(run.stamp);
  result.logFile = result.logFolder + "HCHK.TXT";
  if (!MakeFolderIfMissing(result.logFolder)) {
    ShowInfo("Cannot create folder " + result.logFolder);
    ShowInfo(QStringLiteral("Healthcheck abandoned"));
    return result;
  }

  // Until the repair a conversion asked for has run, the books are not copied.
  if (mode != HcMode::Text && !s.converted) {
    bool copy = backup == HcBackup::Yes;
    if (backup == HcBackup::Ask) {
      const char answer =
          AskYesNoCancel(QStringLiteral("OK to make a backup copy of your Vorbek data?"));
      if (answer != 'Y' && answer != 'N') {
        ShowInfo(QStringLiteral("Healthcheck abandoned"));
        return result;
      }
      copy = answer == 'Y';
    }
    // Books on a server cannot be copied as a file: refused before anything runs.
    if (copy && FileCopyRefusal(QStringLiteral("make a backup copy"))) return result;
    if (copy) {
      bool reopened = true;
      if (!makeBackup(result.logFolder, reopened)) return result;
      result.backupMade = true;
    }
  }

  g_running = true;
  g_repairRunning = run.repair;
  run.frozen = s.settings.dbFrozen;
  run.leaveOutOrphans = s.converted;
  sink.started(run.repair);
  run.line("Database path = " + s.dataFolder);
  run.line("Healthcheck (" + QString(run.repair ? "and" : "no") + " repair) at " +
           StampText(StampOf(run.stamp), 1));
  run.line("This log (HCHK.TXT) " + QString(result.backupMade ? "and database backup " : "") +
           " saved to");
  run.line("   " + result.logFolder);
  run.line("Database version = " + num(s.schemaVersion));
  run.line(QString());
  result.ran = true;

  const QList<std::pair<bool, void (*)(THcRun&)>> scans{
      {true, HcScanAccounts},  {true, HcScanTxns},       {!run.text, HcScanPostings},
      {true, HcScanRepeaters}, {!run.text, HcScanLinks}, {run.text, HcScanChannels},
  };
  for (const auto& [wanted, scan] : scans) {
    if (g_abort) run.aborted = true;
    if (run.aborted) break;
    if (wanted) scan(run);
  }
  CommitIfActive();

  run.line(QString(run.aborted ? "Scan aborted" : "Scan completed") + " at " +
           StampText(StampNow(), 1));
  run.countLines(run.total);
  saveLog(result.logFile, run.log);

  result.aborted = run.aborted;
  result.capReached = run.capReached;
  result.autoErrors = run.total.autoErrors;
  result.manualErrors = run.total.manualErrors;
  result.housekeeping = run.total.housekeeping;
  result.failedFixes = run.failedFixes;
  g_running = false;
  g_repairRunning = false;
  g_abort = false;
  sink.finished();
  RefreshControlPanel();
  return result;
}

THcResult RunCheck(HealthcheckSink& sink, HcBackup backup) {
  return RunHealthcheck(HcMode::Check, sink, backup);
}

THcResult RunRepair(HealthcheckSink& sink, HcBackup backup, bool confirmed) {
  TSession& s = Session();
  if (FrozenRefusal(QStringLiteral("repair database"))) return THcResult();
  if (s.repairPending) {
    s.repairPending = false;
    FillCreationStamps();
    return THcResult();
  }
  if (!confirmed && !AskYes(QStringLiteral("OK to Repair now?"))) return THcResult();
  THcResult result = RunHealthcheck(HcMode::Repair, sink, backup);
  if (result.ran && !result.aborted) s.converted = false;
  return result;
}

THcResult RunTextCheck(HealthcheckSink& sink) {
  ShowInfo(QStringLiteral("Checks for UTF-8 compatibility before migration to Linux"));
  return RunHealthcheck(HcMode::Text, sink, HcBackup::No);
}

bool FillCreationStamps() {
  BusyOn();
  // One statement: the date and time numbers of CREATETS, 0 and 0 without one.
  const bool ok = ExecSqlCommitted(QStringLiteral(
      "update txn set "
      "createdate = coalesce(extract(year from createts) * 10000 + "
      "extract(month from createts) * 100 + extract(day from createts), 0), "
      "createtime = coalesce(extract(hour from createts) * 10000 + "
      "extract(minute from createts) * 100 + "
      "cast(floor(extract(second from createts)) as integer), 0) "
      "where createdate = 0 or createtime = 0 or createdate is null or createtime is null"));
  BusyOff();
  return ok;
}
