#pragma once
// The healthcheck: one walk over the books, table by table, that finds what
// breaks the ledger's rules, fixes what can be fixed without a person (repair
// mode), and looks for texts that are not plain ASCII (text check). Findings
// go to a sink (the window's log, or stdout) and to HCHK.TXT in a dated folder.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>

enum class HcMode { Check, Repair, Text };
// Whether the run copies the books first: ask the user, or decided already.
enum class HcBackup { Ask, Yes, No };

// Where a run reports. Every call comes on the one thread, between rows.
class HealthcheckSink {
 public:
  virtual ~HealthcheckSink() = default;
  // The header is about to be written: the log is to be cleared.
  virtual void started(bool repair) { (void)repair; }
  virtual void line(const QString& text) = 0;
  // Rows still to go in the current table (now and then, not every row).
  virtual void countdown(int toGo) { (void)toGo; }
  virtual void finished() {}
};

// How a run ended.
struct THcResult {
  bool ran = false;      // the scans started (false: abandoned before them)
  bool aborted = false;  // cancelled or the line cap reached
  bool capReached = false;
  bool backupMade = false;
  int autoErrors = 0;  // found (check) or repaired (repair)
  int manualErrors = 0;
  int housekeeping = 0;
  int failedFixes = 0;  // counted in manualErrors too
  QString logFolder;    // with a trailing separator
  QString logFile;      // logFolder + "HCHK.TXT"
};

// The log holds at most this many finding lines; then the run stops with
// "Scan abandoned - error limit reached ". Tests lower it.
inline constexpr int kHealthcheckLineCap = 100000;
void SetHealthcheckLineCap(int lines);  // 0 restores the default

// Steps 1-7 of a run: log folder, backup, header, scans, totals, HCHK.TXT.
THcResult RunHealthcheck(HcMode mode, HealthcheckSink& sink, HcBackup backup = HcBackup::Ask);
// Check only.
THcResult RunCheck(HealthcheckSink& sink, HcBackup backup = HcBackup::Ask);
// Refused on frozen books; the route a conversion left pending fills the
// creation stamps only; otherwise "OK to Repair now?" and a repair run, which
// ends the session's converted state. result.ran is false when nothing ran.
// confirmed skips the question (the command line asked for the repair itself).
THcResult RunRepair(HealthcheckSink& sink, HcBackup backup = HcBackup::Ask, bool confirmed = false);
// "Checks for UTF-8 compatibility before migration to Linux", then a text check.
THcResult RunTextCheck(HealthcheckSink& sink);

// The work a schema conversion leaves: CREATEDATE / CREATETIME of every
// transaction that lacks them, from CREATETS (0 and 0 without one). Commits.
bool FillCreationStamps();

// The abort flag: the window's Cancel sets it; every scan tests it before each row.
void AbortHealthcheck();
bool HealthcheckRunning();
bool HealthcheckRepairRunning();

// "Cannot back up a database on a server" and the other backup refusals are
// shown through the message seam; this is the log folder a run at stamp uses.
QString HealthcheckFolder(const QDateTime& stamp);
