#include "store/opening.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/inifile.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"
#include "store/upgrade_guard.h"

namespace {

bool g_open = false;
TObj g_sweepToPot;
TObj g_openingBalPot;
std::function<void()> g_archiveState;
QList<std::function<void()>> g_closingHooks;

int32_t todayYmd() { return DateRecToYmd(Today()); }

void loadPot(int32_t id, TObj& pot) {
  pot = TObj();
  if (id > 0) ReadAccount(id, pot);
}

// The first-time installation's default pot: an internal account of the pot
// sort in the base currency, marked as favourite.
bool createDefaultPot() {
  TObj pot = NewObj();
  pot.kind = 6;
  pot.name = QStringLiteral("Default pot");
  pot.ccy = Session().settings.baseCurrency;
  pot.favourite = true;
  if (!WriteAccount(pot) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  Session().settings.defaultPotId = pot.id;
  return true;
}

// How the settings file stood when it was read, for the recovery's message.
enum class IniState { Sound, Missing, Damaged };
IniState g_iniState = IniState::Sound;

IniState iniStateOf(const QString& path) {
  const IniFile ini(path);
  if (!ini.existed()) return IniState::Missing;
  return ini.hasSection(QLatin1String(kIniSection)) ? IniState::Sound : IniState::Damaged;
}

// Ids are allocated as max + 1, so a second program writing the same books would
// collide: another attachment to them on their server opens them frozen, or not
// at all. False when the user does not want them opened.
bool checkOtherAttachments() {
  TSession& s = Session();
  s.readOnlyOpening = false;
  if (!IsServerLocation(s.dataFolder)) return true;
  QStringList others;
  {
    QuietDbErrors quiet;
    bool ok = false;
    QSqlQuery q = RunQuery(QStringLiteral("select mon$remote_address from mon$attachments "
                                          "where mon$attachment_id <> current_connection "
                                          "and mon$system_flag = 0"),
                           {}, &ok);
    while (ok && q.next()) {
      // "address/port" names the machine by its address.
      const QString address = q.value(0).toString().trimmed().section(QLatin1Char('/'), 0, 0);
      const QString shown = address.isEmpty() ? QStringLiteral("the server itself") : address;
      if (!others.contains(shown)) others << shown;
    }
  }
  RollbackIfActive();
  if (others.isEmpty()) return true;
  if (!AskYes("These books are open on another machine (" + others.join(QStringLiteral(", ")) +
              ") - open read-only?"))
    return false;
  s.readOnlyOpening = true;
  s.frozenInFile = s.settings.dbFrozen;
  s.settings.dbFrozen = true;
  return true;
}

bool failOpening() {
  FlashClose();
  ShowStatus(QString());
  RollbackIfActive();
  CloseConnection();
  return false;
}

bool switchOnForcedWrites() {
  if (SwitchOnForcedWrites(DatabaseLocation())) return true;
  ShowInfo("Cannot open database \"" + DatabaseLocation() + "\"\r" + LastDbError());
  return false;
}

}  // namespace

bool DatabaseIsOpen() { return g_open && IsConnected(); }

QString DatabaseLocation() { return Session().dataFolder + QLatin1String(kDatabaseFileName); }

const TObj& SweepToPot() { return g_sweepToPot; }

bool FileCopyRefusal(const QString& action) {
  const QString folder = Session().dataFolder;
  if (!IsServerLocation(folder)) return false;
  ShowInfo("Cannot " + action + " - the books are on a server (" + folder +
           "), where vorbek.fdb cannot be copied as a file; back them up on the server (gbak)");
  return true;
}

bool RecoverSettingsFromBooks() {
  TSession& s = Session();
  TDbSettings& t = s.settings;
  const bool needBase = t.baseCurrency.isEmpty();
  // Older and converted books may never have had a default pot: a lost one is
  // asked for only when the settings were lost.
  const bool needPot = t.defaultPotId <= 0;
  if (!needBase && !needPot) return true;
  QStringList taken;
  bool changed = g_iniState != IniState::Sound;
  if (needBase) {
    QStringList bases;
    bool ok = false;
    QSqlQuery q =
        RunQuery(QStringLiteral("select id from ccy where base = 1 order by id"), {}, &ok);
    while (ok && q.next()) bases << q.value(0).toString().trimmed().toUpper();
    q.finish();
    if (bases.size() == 1 && bases.first().size() == 3) {
      t.baseCurrency = bases.first();
      taken << "base currency " + t.baseCurrency;
    } else {
      QString code;
      const QString why = bases.isEmpty() ? QStringLiteral("no base currency")
                                          : "several base currencies (" + bases.join(", ") + ")";
      if (!AskText("The database names " + why + "\rPlease enter base currency\r(eg GBP, EUR, USD)",
                   code) ||
          code.trimmed().size() != 3) {
        EndProgram(1);
        return false;
      }
      t.baseCurrency = code.trimmed().toUpper();
      changed = true;
    }
    s.workingCurrency = t.baseCurrency;
    s.externalWorkingCurrency = t.baseCurrency;
  }
  if (needPot) {
    QList<int32_t> pots;
    bool ok = false;
    QSqlQuery q = RunQuery(
        QStringLiteral("select id from account where type2 = 6 and trim(name) = ? order by id"),
        {QStringLiteral("Default pot")}, &ok);
    while (ok && q.next()) pots << q.value(0).toInt();
    q.finish();
    if (pots.size() == 1) {
      t.defaultPotId = pots.first();
      taken << "default pot #" + QString::number(t.defaultPotId);
    } else if (!s.readOnlyOpening && g_iniState != IniState::Sound &&
               AskYes(QStringLiteral("The database names no single \"Default pot\" - create a new "
                                     "one as the default pot?"))) {
      if (!createDefaultPot()) return false;
      changed = true;
    }
  }
  RollbackIfActive();
  if (!taken.isEmpty()) {
    const char* how = g_iniState == IniState::Missing   ? "was missing"
                      : g_iniState == IniState::Damaged ? "was damaged"
                                                        : "was incomplete";
    ShowInfo("Settings file \"" + s.settingsPath + "\" " + how + " - " +
             taken.join(QStringLiteral(" and ")) + (taken.size() > 1 ? " were" : " was") +
             " taken from the database");
  }
  // A damaged file is kept aside for the user; the mended one replaces it.
  if (g_iniState == IniState::Damaged) {
    const QString kept = s.settingsPath + QStringLiteral(".damaged");
    QFile::remove(kept);
    QFile::rename(s.settingsPath, kept);
  }
  // Books that never had a default pot keep their settings file untouched.
  if (changed || !taken.isEmpty()) SaveDatabaseIni();
  g_iniState = IniState::Sound;
  return true;
}
const TObj& OpeningBalPot() { return g_openingBalPot; }

void SetArchiveStateHook(std::function<void()> show) { g_archiveState = std::move(show); }
void AddDatabaseClosingHook(std::function<void()> hook) { g_closingHooks.append(std::move(hook)); }

void AnnounceArchiveCopy() {
  TSession& s = Session();
  if (s.dbEndDate <= 0) return;
  ShowInfo(QStringLiteral("This database is an archive") + ", you must not make changes to it");
  if (!s.settings.dbFrozen) {
    ShowInfo(QStringLiteral("freezing"));
    s.settings.dbFrozen = true;
  }
}

bool OpenDatabaseAtStart() {
  TSession& s = Session();
  if (s.runStartDate == 0) s.runStartDate = todayYmd();
  ShowStatus(QStringLiteral("Opening database ..."));
  if (s.dataFolder.isEmpty()) {
    const QString folder = DefaultDataFolder();
    ShowInfo("Using database at default location \"" + folder + QLatin1String(kDatabaseFileName) +
             "\"");
    s.dataFolder = folder;
  }
  if (!OpenDatabase()) return false;
  if (!s.firstTimeInstall && s.settings.genTo != todayYmd()) SetRebalanceNeeded(true);
  return true;
}

bool OpenDatabase() {
  TSession& s = Session();
  g_open = false;
  s.initialising = false;
  s.converted = false;
  s.repairPending = false;
  s.firstTimeInstall = false;
  if (s.runStartDate == 0) s.runStartDate = todayYmd();

  QString error;
  if (!CheckDatabaseName(s.dataFolder, error)) {
    ShowInfo(error);
    return false;
  }
  CloseConnection();
  // An upgrade cut short is undone before anything of the books is read.
  if (!RestoreInterruptedUpgrade()) return failOpening();

  ShowStatus(QStringLiteral("Reading ini file ..."));
  s.settingsPath = DatabaseIniPath(s.dataFolder);
  // The settings of server books live on this machine, in a folder made on first use.
  if (IsServerLocation(s.dataFolder)) QDir().mkpath(FolderOfPath(s.settingsPath));
  g_iniState = iniStateOf(s.settingsPath);
  ReadDatabaseIni();

  ShowStatus(QStringLiteral("Opening database ..."));
  if (!OpenConnection(DatabaseLocation(), error)) {
    ShowInfo("Cannot open database \"" + DatabaseLocation() + "\"\r" + error);
    EndProgram(1);
    return failOpening();
  }
  if (!checkOtherAttachments()) return failOpening();

  if (!DetermineSchemaVersion()) return failOpening();
  if (s.readOnlyOpening && s.schemaVersion != kCurrentSchemaVersion) {
    ShowInfo(
        QStringLiteral("These books need an upgrade, which cannot run while they are open "
                       "on another machine"));
    return failOpening();
  }
  // New books stay without forced writes through their upgrade: the copy taken
  // before it is made safe, and only that copy is put back if it is cut short.
  HoldNewFileUnforced(true);
  const bool upgraded = UpgradeSchema();
  HoldNewFileUnforced(false);
  if (!upgraded) return failOpening();
  if (!s.readOnlyOpening) EnsureWorkingIndexes();

  OpenTables();

  if (s.initialising) {
    if (!createDefaultPot()) return failOpening();
    s.initialising = false;
    // New books are complete only with their settings: keep them now, not at closing.
    if (!SaveDatabaseIni()) return failOpening();
    // Safe before the copy goes.
    if (!switchOnForcedWrites()) return failOpening();
    EndUpgradeGuard(false);
  } else if (!RecoverSettingsFromBooks()) {
    return failOpening();
  }

  NewTxnId();  // reports a TXN / PSTG mismatch; the opening goes on
  RollbackIfActive();
  // New books were made and upgraded without forced writes; from here on they hold data.
  if (!switchOnForcedWrites()) return failOpening();

  loadPot(s.settings.sweepToPotId, g_sweepToPot);
  loadPot(s.settings.openingBalPotId, g_openingBalPot);

  TDateRec cutoff = Today();
  SubtractDays(cutoff, s.settings.dormantAfter);
  s.dormantCutoff = DateRecToYmd(cutoff);

  g_open = true;
  // Whoever opens the books, an archive copy is announced and frozen.
  if (g_archiveState)
    g_archiveState();
  else
    AnnounceArchiveCopy();
  ShowStatus(QString());
  return true;
}

void CloseDatabase(bool saveSettings) {
  const bool wasOpen = g_open;
  g_open = false;
  if (wasOpen && saveSettings && !ProgramEndRequested()) SaveDatabaseIni();
  if (wasOpen)
    for (const auto& hook : g_closingHooks) hook();
  if (IsConnected()) {
    Flash(QStringLiteral("Closing database"));
    CommitIfActive();
    CloseTables();
    CloseConnection();
  }
  g_sweepToPot = TObj();
  g_openingBalPot = TObj();
}

bool SwitchDatabase(const QString& folder) {
  CloseDatabase();
  Session().dataFolder = WithTrailingSeparator(folder);
  if (!OpenDatabase()) return false;
  RefreshControlPanel();
  return true;
}
