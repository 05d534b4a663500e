#include "ledger/archive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/files.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"

namespace {

const QString kCannot = QStringLiteral("Cannot archive - ");
const QString kFailed = QStringLiteral("Archive failed");

// How the books stood before the archive touched them: put back on any stop.
struct TBefore {
  int32_t startDate = 0;
  int32_t endDate = 0;
  bool frozen = false;
};

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

// Opens the live books again. They still carry the archive date as their end
// date (it was written for the copy), so the opening must not announce them as
// an archive and freeze them.
bool reopenLiveBooks() {
  SetArchiveStateHook([] {});
  const bool ok = OpenDatabase();
  InstallArchiveState();
  return ok;
}

bool writeDates(int32_t start, int32_t end) {
  TSession& s = Session();
  s.dbStartDate = start;
  s.dbEndDate = end;
  if (WriteParamDates() && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

// The settings file was saved frozen for the copy; the live books get their
// own flag back at once, not only at the next closing.
void restoreFrozen(bool frozen) {
  Session().settings.dbFrozen = frozen;
  SaveDatabaseIni();
}

// A stop once the books were closed for the copy: they are opened again with
// their dates and frozen flag as before. False when they cannot be opened.
bool reopenAsBefore(const TBefore& b) {
  const bool opened = reopenLiveBooks();
  if (opened) {
    restoreFrozen(b.frozen);
    writeDates(b.startDate, b.endDate);
    ShowArchiveState();
  }
  BusyOff();
  return opened;
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
         WriteParamDates() && CommitIfActive();
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
    ShowInfo(kCannot + "folder already exists " + folder);
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

  // The copy must carry the archive date as its end date and the frozen flag.
  BusyOn();
  TBefore before;
  before.startDate = s.dbStartDate;
  before.endDate = s.dbEndDate;
  before.frozen = s.settings.dbFrozen;
  if (!writeDates(before.startDate, archiveDate)) {
    s.dbEndDate = before.endDate;
    BusyOff();
    ShowInfo(kFailed);
    return false;
  }
  s.settings.dbFrozen = true;
  CloseDatabase();

  const QString dataFolder = s.dataFolder;
  const QString database = dataFolder + QLatin1String(kDatabaseFileName);
  const qint64 size = QFileInfo(database).size();

  const QString notepad = ProgramFolder() + QStringLiteral("npad.txt");
  if (QFileInfo::exists(notepad) && copyAsking(notepad, folder) == 'C') {
    reopenAsBefore(before);
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
      reopenAsBefore(before);
      return false;
    }
  }
  Flash("Archiving data " + dataFolder);
  const QString copyFolder = folder + QStringLiteral("DATA/");
  if (!CopyFolderFiles(dataFolder, copyFolder)) {
    reopenAsBefore(before);
    return false;
  }
  // Nothing is deleted unless the archived database is there in full.
  const QString copy = copyFolder + QLatin1String(kDatabaseFileName);
  const QFileInfo copied(copy);
  if (size <= 0 || !copied.isFile() || copied.size() != size) {
    ShowInfo("Archive stopped - the copy " + copy +
             " is missing or not the size of the database; nothing was deleted");
    reopenAsBefore(before);
    return false;
  }
  rememberCopy(copy);

  if (!reopenLiveBooks()) {
    BusyOff();
    ShowInfo(kFailed);
    return false;
  }
  restoreFrozen(before.frozen);

  Flash(QStringLiteral("Purging archived txns ..."));
  s.dbEndDate = 0;
  s.dbStartDate = newStart;
  if (!CommitIfActive() || !StartTxIfNone() || !purgeArchived(archiveDate)) {
    RollbackIfActive();
    writeDates(before.startDate, before.endDate);
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
