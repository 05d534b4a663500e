#include "store/settings.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <climits>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/inifile.h"
#include "store/session.h"

namespace {

TRecentDatabases g_recent;
QStringList g_migratedKeys;  // older VORBEK2.INI keys read once, deleted at the next save

const QString kMain = QString::fromLatin1(kIniSection);

QString slotKey(int i) { return QStringLiteral("DB%1").arg(i, 2, 10, QLatin1Char('0')); }

// A folder value from an older file, with the separator it already has or '/'.
QString folderPlusFile(const QString& folder) {
  if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
    return folder + QLatin1String(kDatabaseFileName);
  return folder + QLatin1Char('/') + QLatin1String(kDatabaseFileName);
}

bool validDate(int32_t n) {
  if (n <= 0) return false;
  const TDateRec d = YmdToDateRec(n);
  return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= MonthLength(d);
}

int32_t todayYmd() { return DateRecToYmd(Today()); }

}  // namespace

TRecentDatabases& RecentDatabases() { return g_recent; }

QString ProgramIniPath() { return ProgramFolder() + QLatin1String(kProgramIniName); }
QString DefaultDataFolder() { return ProgramFolder() + QStringLiteral("data/"); }

bool IsServerLocation(const QString& location) {
  if (location.isEmpty()) return false;
  const QChar first = location.front();
  if (first == QLatin1Char('/') || first == QLatin1Char('.') || first == QLatin1Char('~') ||
      first == QLatin1Char('\\'))
    return false;
  const qsizetype colon = location.indexOf(QLatin1Char(':'));
  if (colon < 0 || (colon == 1 && first.isLetter())) return false;  // no colon, or a drive
  // Before the colon a host, or a host and a port (the engine reads "a/b:c" so
  // too); a deeper relative folder stays a local path.
  static const QRegularExpression head(QStringLiteral("^[^/\\\\]*(/[^/\\\\]*)?$"));
  return head.match(location.left(colon)).hasMatch();
}

bool CheckDatabaseName(const QString& location, QString& error) {
  error.clear();
  if (!IsServerLocation(location)) return true;
  static const QRegularExpression form(
      QStringLiteral("^[^/\\\\:\\s]+(/[0-9]+)?:(/|[A-Za-z]:[/\\\\])"));
  if (form.match(location).hasMatch()) return true;
  error = "Invalid database name \"" + location +
          "\" - books on a server are named host:/folder/ or host/port:/folder/";
  return false;
}

QString ServerSettingsFolder(const QString& dataFolder) {
  if (!IsServerLocation(dataFolder)) return QString();
  const qsizetype colon = dataFolder.indexOf(QLatin1Char(':'));
  const QString host = dataFolder.left(colon).toLower();  // host names ignore case
  QString path = dataFolder.mid(colon + 1);
  while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
    path.chop(1);
  auto encoded = [](const QString& s) { return QString::fromLatin1(QUrl::toPercentEncoding(s)); };
  return ProgramFolder() + QStringLiteral("servers/") + encoded(host) + QLatin1Char('/') +
         encoded(path) + QLatin1Char('/');
}

QString DatabaseIniPath(const QString& dataFolder) {
  const QString server = ServerSettingsFolder(dataFolder);
  return (server.isEmpty() ? dataFolder : server) + QLatin1String(kDatabaseIniName);
}

QString FolderOfPath(const QString& path) {
  const qsizetype cut =
      qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return cut < 0 ? QString() : path.left(cut + 1);
}

void ReadProgramIni() {
  IniFile ini(ProgramIniPath());
  g_recent = TRecentDatabases();
  g_migratedKeys.clear();
  for (int i = 0; i < kRecentSlots; ++i)
    g_recent.slot[i] = ini.readString(kMain, slotKey(i), QString());

  if (g_recent.slot[0].isEmpty()) {
    g_recent.slot[0] = DefaultDataFolder() + QLatin1String(kDatabaseFileName);
    const QString current = ini.readString(kMain, QStringLiteral("CurrentDB_Path"), QString());
    if (!current.isEmpty()) {
      g_recent.slot[0] = folderPlusFile(current);
      g_migratedKeys << QStringLiteral("CurrentDB_Path");
    }
    for (const char* k : {"CurrentDB_Name", "PreviousDB_Name"})
      if (ini.hasKey(kMain, QLatin1String(k))) g_migratedKeys << QLatin1String(k);
    const QString previous = ini.readString(kMain, QStringLiteral("PreviousDB_Path"), QString());
    if (!previous.isEmpty()) {
      g_recent.slot[1] = folderPlusFile(previous);
      g_migratedKeys << QStringLiteral("PreviousDB_Path");
    }
  }

  int which = ini.readInteger(kMain, QStringLiteral("WHICHDB"), 0);
  if (which < 0 || which >= kRecentSlots) which = 0;
  const QString chosen = g_recent.slot[which];
  // The default folder's books may simply not exist yet: the start-up offers to
  // create them there, so their absence is not reported here.
  const bool defaultBooks = chosen == DefaultDataFolder() + QLatin1String(kDatabaseFileName);
  if (!chosen.isEmpty() && !defaultBooks && !IsServerLocation(chosen) &&
      !QFileInfo::exists(chosen)) {
    ShowInfo("Database not found \"" + chosen + "\"");
    which = 0;
  }
  g_recent.which = which;
  Session().dataFolder = FolderOfPath(g_recent.slot[which]);
}

bool SaveProgramIni() {
  IniFile ini(ProgramIniPath());
  ini.deleteKey(kMain, QStringLiteral("DBPATH"));
  for (const QString& k : g_migratedKeys) ini.deleteKey(kMain, k);
  for (int i = 0; i < kRecentSlots; ++i) ini.writeString(kMain, slotKey(i), g_recent.slot[i]);
  ini.writeInteger(kMain, QStringLiteral("WHICHDB"), g_recent.which);
  QString error;
  if (!ini.save(&error)) {
    ShowInfo("Cannot save \"" + ini.path() + "\" : " + error);
    return false;
  }
  g_migratedKeys.clear();
  return true;
}

void ReadDatabaseIni() {
  TSession& s = Session();
  IniFile ini(s.settingsPath);
  TDbSettings d;  // defaults
  TDbSettings& t = s.settings;
  auto str = [&](const char* k, const QString& def) {
    return ini.readString(kMain, QLatin1String(k), def);
  };
  auto num = [&](const char* k, int def) { return ini.readInteger(kMain, QLatin1String(k), def); };
  auto flag = [&](const char* k, bool def) { return ini.readBool(kMain, QLatin1String(k), def); };

  // A code that is not three characters counts as none; the base-currency check then
  // takes the base from the currency table.
  t.baseCurrency = str("BaseCurrency", d.baseCurrency).trimmed().toUpper();
  if (t.baseCurrency.size() != 3) t.baseCurrency.clear();
  t.defaultCashId = num("DefaultCashId", d.defaultCashId);
  t.defaultCptyId = num("DefaultCptyId", d.defaultCptyId);
  t.defaultCtgyId = num("DefaultCtgyId", d.defaultCtgyId);
  t.defaultPotId = num("DefaultPotId", d.defaultPotId);
  t.sweepToPotId = num("SweepToPotId", d.sweepToPotId);
  t.openingBalPotId = num("OpeningBalPotId", d.openingBalPotId);
  // A number outside what the setting can mean counts as absent.
  auto numIn = [&](const char* k, int def, int lo, int hi) {
    const int v = num(k, def);
    return v >= lo && v <= hi ? v : def;
  };
  t.dormantAfter = numIn("DormantAfter", d.dormantAfter, 0, 3660000);  // up to ten thousand years
  // A period date that is not a real date would upset every period calculation.
  t.balFrom = num("BalFrom", 0);
  if (t.balFrom != 0 && !validDate(t.balFrom)) t.balFrom = 0;
  t.balAt = num("BalAt", 0);
  if (!validDate(t.balAt)) t.balAt = todayYmd();
  t.resetPaths = flag("ResetPaths", d.resetPaths);
  t.rebalNeeded = flag("RebalNeeded", d.rebalNeeded);
  t.databaseName = str("DatabaseName", d.databaseName);
  t.financialYearDay1 = numIn("FinancialYearDay1", d.financialYearDay1, 1, 31);
  t.financialYearMonth1 = numIn("FinancialYearMonth1", d.financialYearMonth1, 1, 12);
  t.postingsTxnIdVisible = flag("PostingsTxnIdVisible", d.postingsTxnIdVisible);
  t.postingsInstIdVisible = flag("PostingsInstIdVisible", d.postingsInstIdVisible);
  t.postingsTypeVisible = flag("PostingsTypeVisible", d.postingsTypeVisible);
  t.postingsRefVisible = flag("PostingsRefVisible", d.postingsRefVisible);
  t.postingsCtgyNameVisible = flag("PostingsCtgyNameVisible", d.postingsCtgyNameVisible);
  t.dbStartDate = num("DBStartDate", d.dbStartDate);
  t.dbEndDate = num("DBEndDate", d.dbEndDate);
  t.dbvn = num("DBvn", d.dbvn);
  t.genTo = num("GenTo", d.genTo);
  t.lastGenTo = num("LastGenTo", d.lastGenTo);
  t.cashbackAccId = num("CashbackAccId", d.cashbackAccId);
  t.periodType = num("PeriodType", d.periodType);
  if (t.periodType < 0 || t.periodType > 2) t.periodType = d.periodType;
  t.fxGainLossCtgy = num("FXGainLossCtgy", d.fxGainLossCtgy);
  t.fxGainLossPot = num("FXGainLossPot", d.fxGainLossPot);
  t.oneClickSelect = flag("OneClickSelect", d.oneClickSelect);
  t.flashInterval = numIn("FlashInterval", d.flashInterval, 0, INT_MAX);
  t.journalBlockSize = numIn("JournalBlockSize", d.journalBlockSize, 1, INT_MAX);
  t.ignoredRemdrs = num("IgnoredRemdrs", d.ignoredRemdrs);
  t.washCtgies = flag("WashCtgies", d.washCtgies);
  t.dbFrozen = flag("DBFrozen", d.dbFrozen);
  t.freezeBefore = num("FreezeBefore", d.freezeBefore);
  t.excludeClosedChannels = flag("ExcludeClosedChannels", d.excludeClosedChannels);

  s.workingCurrency = t.baseCurrency;
  s.externalWorkingCurrency = t.baseCurrency;
  SetPeriodDates(t.balFrom, t.balAt);
  SetRebalanceNeeded(t.rebalNeeded);
  s.dbStartDate = t.dbStartDate >= 0 ? t.dbStartDate : 0;
  s.dbEndDate = t.dbEndDate >= 0 ? t.dbEndDate : 0;
  s.schemaVersion = t.dbvn;
  SetFlashInterval(t.flashInterval);
  RefreshControlPanel();
}

bool SaveDatabaseIni() {
  FlashKeep(QStringLiteral("Saving settings ( see ZADEZEVU.INI )"));
  TSession& s = Session();
  TDbSettings& t = s.settings;
  IniFile ini(s.settingsPath);
  auto str = [&](const char* k, const QString& v) { ini.writeString(kMain, QLatin1String(k), v); };
  auto num = [&](const char* k, int v) { ini.writeInteger(kMain, QLatin1String(k), v); };
  auto flag = [&](const char* k, bool v) { ini.writeBool(kMain, QLatin1String(k), v); };

  t.balFrom = s.periodFrom;
  t.balAt = s.periodTo;
  t.genTo = s.runStartDate > 0 ? s.runStartDate : todayYmd();
  t.flashInterval = FlashInterval();
  const bool inParam = s.schemaVersion > 21;
  t.dbvn = inParam ? -1 : s.schemaVersion;
  t.dbStartDate = inParam ? -1 : s.dbStartDate;
  t.dbEndDate = inParam ? -1 : s.dbEndDate;

  str("BaseCurrency", t.baseCurrency);
  num("DefaultCashId", t.defaultCashId);
  num("DefaultCptyId", t.defaultCptyId);
  num("DefaultCtgyId", t.defaultCtgyId);
  num("DefaultPotId", t.defaultPotId);
  num("SweepToPotId", t.sweepToPotId);
  num("OpeningBalPotId", t.openingBalPotId);
  num("DormantAfter", t.dormantAfter);
  num("BalFrom", t.balFrom);
  num("BalAt", t.balAt);
  flag("ResetPaths", t.resetPaths);
  flag("RebalNeeded", t.rebalNeeded);
  str("DatabaseName", t.databaseName);
  num("FinancialYearDay1", t.financialYearDay1);
  num("FinancialYearMonth1", t.financialYearMonth1);
  flag("PostingsTxnIdVisible", t.postingsTxnIdVisible);
  flag("PostingsInstIdVisible", t.postingsInstIdVisible);
  flag("PostingsTypeVisible", t.postingsTypeVisible);
  flag("PostingsRefVisible", t.postingsRefVisible);
  flag("PostingsCtgyNameVisible", t.postingsCtgyNameVisible);
  num("DBStartDate", t.dbStartDate);
  num("DBEndDate", t.dbEndDate);
  num("DBvn", t.dbvn);
  num("GenTo", t.genTo);
  num("LastGenTo", t.lastGenTo);
  num("CashbackAccId", t.cashbackAccId);
  num("PeriodType", t.periodType);
  num("FXGainLossCtgy", t.fxGainLossCtgy);
  num("FXGainLossPot", t.fxGainLossPot);
  flag("OneClickSelect", t.oneClickSelect);
  num("FlashInterval", t.flashInterval);
  num("JournalBlockSize", t.journalBlockSize);
  num("IgnoredRemdrs", t.ignoredRemdrs);
  flag("WashCtgies", t.washCtgies);
  flag("DBFrozen", s.readOnlyOpening ? s.frozenInFile : t.dbFrozen);
  num("FreezeBefore", t.freezeBefore);
  flag("ExcludeClosedChannels", t.excludeClosedChannels);
  flag("ShowPots", true);
  for (const char* k : {"PostingsPotNameVisible", "VATAccountId", "VATAccPurchId", "VATAccSalesId",
                        "PeriodAutoRefresh"})
    ini.deleteKey(kMain, QLatin1String(k));

  QString error;
  const bool ok = ini.save(&error);
  FlashClose();
  if (!ok) ShowInfo("Cannot save \"" + ini.path() + "\" : " + error);
  return ok;
}

bool SaveIniVersionInParam() {
  IniFile ini(Session().settingsPath);
  for (const char* k : {"DBvn", "DBStartDate", "DBEndDate"})
    ini.writeInteger(kMain, QLatin1String(k), -1);
  QString error;
  if (!ini.save(&error)) {
    ShowInfo("Cannot save \"" + ini.path() + "\" : " + error);
    return false;
  }
  Session().settings.dbvn = -1;
  return true;
}
