#include "ledger/archive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/files.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"

namespace {

const QString kCannot = QStringLiteral("Cannot archive - ");
const QString kFailed = QStringLiteral("Archive failed");

// Kept in the archive folder from before the first file is copied until the copy
// is complete and marked: a folder that still holds it is an unfinished copy.
// A test stopped the purge before its commit, as a sudden end would.
bool g_stoppedInPurge = false;

const QString kUnfinishedNote = QStringLiteral("ARCHIVE-UNFINISHED.TXT");

// Copies file into folder; a failure asks as the folder copy does.
// 'Y' copied, 'N' skipped, 'C' stop.
char copyAsking(const QString& file, const QString& folder) {
  for (;;) {
    if (CopyFileInto(file, folder)) return 'Y';
    const char c = AskYesNoCancel("File open error on " + QFileInfo(file).fileName() + " - retry?");
    if (c == 'Y') continue;
    return c == 'N' ? 'N' : 'C';
  }
}

bool writeDates(int32_t start, int32_t end) {
  TSession& s = Session();
  s.dbStartDate = start;
  s.dbEndDate = end;
  if (WriteParamDates() && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

// A stop once the books were closed for the copy: they are opened again as they
// were (nothing of them was changed). False when they cannot be opened.
bool reopenAsBefore() {
  const bool opened = OpenDatabase();
  BusyOff();
  return opened;
}

// The copy is made an archive: its end date (and the start date it had) in its
// own PARAM, its settings file frozen. The live books are closed meanwhile, so
// the one connection serves the copy.
bool markCopy(const QString& copyFolder, int32_t startDate, int32_t archiveDate, QString& error) {
  const QString database = copyFolder + QLatin1String(kDatabaseFileName);
  if (!OpenConnection(database, error)) return false;
  bool ok = ExecSql(QStringLiteral("update or insert into param (pmid, pmstr, pmint) values "
                                   "(2, 'dbstartdate', ?) matching (pmid)"),
                    {startDate}) &&
            ExecSql(QStringLiteral("update or insert into param (pmid, pmstr, pmint) values "
                                   "(3, 'dbenddate', ?) matching (pmid)"),
                    {archiveDate}) &&
            CommitIfActive();
  if (!ok) error = LastDbError();
  RollbackIfActive();
  CloseConnection();
  if (!ok) return false;
  IniFile ini(copyFolder + QLatin1String(kDatabaseIniName));
  ini.writeBool(QString::fromLatin1(kIniSection), QStringLiteral("DBFrozen"), true);
  return ini.save(&error);
}

// Why the archive folder of this date is there already, and how to go on.
QString folderAlreadyThere(const QString& folder, int32_t archiveDate) {
  const QString there = kCannot + "folder already exists " + folder;
  if (QFileInfo::exists(folder + kUnfinishedNote))
    return there + "\r" +
           "It holds an unfinished copy left by an archive that was interrupted; nothing was "
           "deleted from these books. Delete the folder, then archive again.";
  if (!QFileInfo(folder + QStringLiteral("DATA/") + QLatin1String(kDatabaseFileName)).isFile())
    return there;
  const int rows = CountRows(QStringLiteral("txn"), QStringLiteral("txndate <= ?"), {archiveDate});
  const int postings =
      CountRows(QStringLiteral("pstg"), QStringLiteral("pstgdate <= ?"), {archiveDate});
  if (rows > 0 || postings > 0)
    return there + "\r" +
           "It holds a complete copy, but these books still hold the transactions up to that "
           "date (the archive was interrupted before they were removed). Delete the folder, "
           "then archive again.";
  return there;
}

// The session's dates into PARAM inside the open transaction (WriteParamDates
// commits each row: the purge and its new start date must commit together).
bool writeDatesInTransaction() {
  const TSession& s = Session();
  return ExecSql(QStringLiteral("update or insert into param (pmid, pmstr, pmint) values "
                                "(2, 'dbstartdate', ?) matching (pmid)"),
                 {s.dbStartDate}) &&
         ExecSql(QStringLiteral("update or insert into param (pmid, pmstr, pmint) values "
                                "(3, 'dbenddate', ?) matching (pmid)"),
                 {s.dbEndDate});
}

// The purge, in the open database transaction: the archived postings' sums go
// into the brought-forward balances (a category's into the default pot), then
// the rows go. False at the first failure; the caller rolls back.
bool purgeArchived(int32_t archiveDate) {
  struct TSums {
    int32_t account;
    qint64 amount;
    qint64 value;
  };
  QList<TSums> sums;
  bool ok = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select p.objid, sum(p.amt), sum(p.val) from pstg p "
                              "inner join account a on a.id = p.objid "
                              "where p.pstgdate <= ? and p.txntype in ('P', 'R', 'F', 'C') "
                              "and a.type2 in (1, 3, 6) group by p.objid"),
               {archiveDate}, &ok);
  if (!ok) return false;
  while (q.next())
    sums.append({q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toLongLong()});
  q.finish();

  const int32_t defaultPot = Session().settings.defaultPotId;
  const QString base = Session().settings.baseCurrency.trimmed();
  for (const auto& [id, sum, value] : sums) {
    TObj account;
    if (!ReadAccount(id, account)) return false;
    int32_t target = id;
    if (account.kind == 3) {
      // Without the pot the category sums would vanish.
      TObj pot;
      if (!ReadAccount(defaultPot, pot)) return false;
      target = defaultPot;
    }
    if (!ExecSql(QStringLiteral("update account set bfdbal = coalesce(bfdbal, 0) + ? where id = ?"),
                 {qlonglong(sum), target}))
      return false;
    // A foreign account's opening value in the base currency is carried too.
    if (target == id && account.ccy.trimmed() != base &&
        !ExecSql(QStringLiteral("update account set bfdval = coalesce(bfdval, 0) + ? where id = ?"),
                 {qlonglong(value), id}))
      return false;
  }
  return ExecSql(QStringLiteral("delete from txn where txndate <= ?"), {archiveDate}) &&
         ExecSql(QStringLiteral("delete from pstg where pstgdate <= ?"), {archiveDate}) &&
         writeDatesInTransaction() && !(g_stoppedInPurge = InterruptedAt("archive purge")) &&
         CommitIfActive();
}

// The copy's database path goes into the first empty slot of the recent list,
// or the last one when all are used.
void rememberCopy(const QString& path) {
  TRecentDatabases& recent = RecentDatabases();
  for (const QString& known : recent.slot)
    if (known == path) return;
  int slot = kRecentSlots - 1;
  for (int i = 0; i < kRecentSlots; ++i) {
    if (recent.slot[i].isEmpty()) {
      slot = i;
      break;
    }
  }
  recent.slot[slot] = path;
}

bool editDate(const QString& caption, bool start) {
  TSession& s = Session();
  const int32_t current = start ? s.dbStartDate : s.dbEndDate;
  TDateRec d = current > 0 ? YmdToDateRec(current) : Today();
  if (!PickDateTitled(caption, d)) return false;
  const int32_t chosen = DateRecToYmd(d);
  const int32_t oldStart = s.dbStartDate, oldEnd = s.dbEndDate;
  if (!writeDates(start ? chosen : oldStart, start ? oldEnd : chosen)) {
    s.dbStartDate = oldStart;
    s.dbEndDate = oldEnd;
    return false;
  }
  ShowArchiveState();
  return true;
}

}  // namespace

QString ArchiveFolder(int32_t archiveDate) {
  return ProgramFolder() + QStringLiteral("ARCHIVE/") + YmdToText(archiveDate) + QLatin1Char('/');
}

bool ArchiveDatabase() {
  TSession& s = Session();
  // An archive copy archived again would be purged and marked current.
  if (FrozenRefusal(QStringLiteral("archive"))) return false;
  if (FileCopyRefusal(QStringLiteral("archive"))) return false;
  if (RebalanceNeeded()) {
    ShowInfo(QStringLiteral("Rebalance needed"));
    return false;
  }
  if (s.settings.defaultPotId <= 0 || !s.settings.washCtgies) {
    ShowInfo(kCannot + "need auto-wash of Category balances");
    return false;
  }
  if (!AskYes(QStringLiteral("Archive - ") + "Have you run Database Healthcheck" + " ?") ||
      !AskYes(QStringLiteral("Archive - ") +
              "Have you made your own backup copies of the database *and* the program" + " ?"))
    return false;

  QString answer = QStringLiteral("yyyy-mm-dd");
  if (!AskText2(QStringLiteral("Enter archive date"),
                QStringLiteral("(all transactions up to & including this date will be archived)"),
                answer, 1))
    return false;
  // The parse leaves month and day unchecked; a purge needs a real day.
  TDateRec date;
  if (!ParseDateTextOrWarn(answer.trimmed(), date)) return false;
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > MonthLength(date)) {
    ShowInfo("Invalid date " + InQuotes(answer.trimmed()));
    return false;
  }
  const int32_t archiveDate = DateRecToYmd(date);
  NextDay(date);
  const int32_t newStart = DateRecToYmd(date);

  if (!CheckNoStraddle(archiveDate, QChar('F'))) return false;
  const QString folder = ArchiveFolder(archiveDate);
  if (QFileInfo::exists(folder)) {
    ShowInfo(folderAlreadyThere(folder, archiveDate));
    return false;
  }
  const QString archives = ProgramFolder() + QStringLiteral("ARCHIVE/");
  if (!MakeFolderIfMissing(archives)) {
    ShowInfo(kCannot + "cannot create folder " + archives);
    return false;
  }
  // The rebalance after the purge asks nothing more: once the books are purged,
  // nothing may stop halfway for want of an answer.
  struct TForgetChoice {
    ~TForgetChoice() { ForgetGenerateToChoice(); }
  } forgetChoice;
  if (!ChooseGenerateToDateAhead()) return false;
  if (!AskYes("OK to archive txns on/before " + YmdToText(archiveDate) + " (last chance)?"))
    return false;

  // The live books are never marked: the end date and the frozen flag are written
  // into the copy alone, so that whenever the run ends the books are current.
  BusyOn();
  const int32_t startDate = s.dbStartDate;
  const int32_t endDate = s.dbEndDate;
  g_stoppedInPurge = false;
  CloseDatabase();
  QString error;
  if (!MakeFolderIfMissing(folder) ||
      !WriteFileDurably(folder + kUnfinishedNote,
                        "This copy was not finished; nothing was deleted from the books. "
                        "Delete this folder, then archive again.\n",
                        &error)) {
    ShowInfo(kCannot + "cannot create folder " + folder + " " + error);
    reopenAsBefore();
    return false;
  }

  const QString dataFolder = s.dataFolder;
  const QString database = dataFolder + QLatin1String(kDatabaseFileName);
  const qint64 size = QFileInfo(database).size();

  const QString notepad = ProgramFolder() + QStringLiteral("npad.txt");
  if (QFileInfo::exists(notepad) && copyAsking(notepad, folder) == 'C') {
    reopenAsBefore();
    return false;
  }
  // Without a readable program file (a test run, a removed binary) there is
  // nothing to keep beside the data.
  const QString program =
      QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
  const QFileInfo programInfo(program);
  if (!program.isEmpty() && programInfo.isFile() && programInfo.isReadable()) {
    Flash("Archiving " + programInfo.fileName());
    if (!CopyFileInto(program, folder)) {
      ShowInfo(QStringLiteral("fail"));
      reopenAsBefore();
      return false;
    }
  }
  Flash("Archiving data " + dataFolder);
  const QString copyFolder = folder + QStringLiteral("DATA/");
  if (!CopyFolderFiles(dataFolder, copyFolder)) {
    reopenAsBefore();
    return false;
  }
  if (InterruptedAt("archive copying")) return false;
  // Nothing is deleted unless the archived database is there in full.
  const QString copy = copyFolder + QLatin1String(kDatabaseFileName);
  const QFileInfo copied(copy);
  if (size <= 0 || !copied.isFile() || copied.size() != size) {
    ShowInfo("Archive stopped - the copy " + copy +
             " is missing or not the size of the database; nothing was deleted");
    reopenAsBefore();
    return false;
  }
  if (!markCopy(copyFolder, startDate, archiveDate, error) ||
      !RemoveFileDurably(folder + kUnfinishedNote)) {
    ShowInfo("Archive stopped - the copy " + copy + " cannot be marked as an archive (" + error +
             "); nothing was deleted");
    reopenAsBefore();
    return false;
  }
  rememberCopy(copy);
  if (InterruptedAt("archive copy made")) return false;

  if (!OpenDatabase()) {
    BusyOff();
    ShowInfo(kFailed);
    return false;
  }

  Flash(QStringLiteral("Purging archived txns ..."));
  s.dbEndDate = 0;
  s.dbStartDate = newStart;
  if (!CommitIfActive() || !StartTxIfNone() || !purgeArchived(archiveDate)) {
    if (g_stoppedInPurge) return false;
    RollbackIfActive();
    writeDates(startDate, endDate);
    ShowArchiveState();
    BusyOff();
    ShowInfo(kFailed);
    return false;
  }
  // The summaries no longer match the books until the rebalance below has run;
  // the flag is kept in the settings at once, whatever stops that rebalance.
  SetRebalanceNeeded(true);
  SaveDatabaseIni();
  ShowArchiveState();
  BusyOff();
  Rebalance();
  ShowInfo(QStringLiteral("Archive complete - run now Database Repair to check / tidy-up"));
  return true;
}

bool EditDatabaseStartDate() {
  return editDate(QStringLiteral("Enter database start date ..."), true);
}

bool EditDatabaseEndDate() {
  return editDate(QStringLiteral("Enter database end date ..."), false);
}
