#include "store/opening.h"

#include <QList>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
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

bool failOpening() {
  FlashClose();
  ShowStatus(QString());
  RollbackIfActive();
  CloseConnection();
  return false;
}

}  // namespace

bool DatabaseIsOpen() { return g_open && IsConnected(); }

QString DatabaseLocation() { return Session().dataFolder + QLatin1String(kDatabaseFileName); }

const TObj& SweepToPot() { return g_sweepToPot; }
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

  CloseConnection();
  // An upgrade cut short is undone before anything of the books is read.
  if (!RestoreInterruptedUpgrade()) return failOpening();

  ShowStatus(QStringLiteral("Reading ini file ..."));
  s.settingsPath = s.dataFolder + QLatin1String(kDatabaseIniName);
  ReadDatabaseIni();

  ShowStatus(QStringLiteral("Opening database ..."));
  QString error;
  if (!OpenConnection(DatabaseLocation(), error)) {
    ShowInfo("Cannot open database \"" + DatabaseLocation() + "\"\r" + error);
    EndProgram(1);
    return failOpening();
  }

  if (!DetermineSchemaVersion() || !UpgradeSchema()) return failOpening();
  EnsureWorkingIndexes();

  OpenTables();

  if (s.initialising) {
    if (!createDefaultPot()) return failOpening();
    s.initialising = false;
    // New books are complete only with their settings: keep them now, not at closing.
    if (!SaveDatabaseIni()) return failOpening();
    EndUpgradeGuard(false);
  }

  NewTxnId();  // reports a TXN / PSTG mismatch; the opening goes on
  RollbackIfActive();
  // New books were made and upgraded without forced writes; from here on they hold data.
  if (!SwitchOnForcedWrites(DatabaseLocation())) {
    ShowInfo("Cannot open database \"" + DatabaseLocation() + "\"\r" + LastDbError());
    return failOpening();
  }

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
