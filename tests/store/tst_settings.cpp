// The two settings files: reading with defaults, saving, migration of older keys.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString mainValue(const QString& path, const QString& key) {
  return IniFile(path).readString(QStringLiteral("main"), key, QStringLiteral("<absent>"));
}

}  // namespace

class TstSettings : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  QString path(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

 private Q_SLOTS:
  void init() {
    ResetSession();
    SetClock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    SetProgramFolder(dir_.path());
    QDir(dir_.path()).removeRecursively();
    QDir().mkpath(dir_.path());
  }
  void cleanup() { ResetClock(); }

  void iniKeepsWhatItDoesNotOwn() {
    const QString p = path("a.ini");
    writeFile(p,
              "; a comment\r\n[Main]\r\nbasecurrency = \"gbp\"\r\nOther=keep me\r\n\r\n"
              "[Positions]\r\nTFCtrl=1,2,3,4\r\n");
    IniFile ini(p);
    QCOMPARE(ini.readString("main", "BaseCurrency", "x"), QStringLiteral("gbp"));  // case-blind
    ini.writeString("main", "BaseCurrency", "EUR");
    ini.writeBool("main", "RebalNeeded", true);
    ini.writeBool("main", "WashCtgies", false);
    ini.deleteKey("main", "Other");
    ini.writeString("main", "DatabaseName", "two\nlines");
    QVERIFY(ini.save());
    QCOMPARE(readFile(p),
             QByteArray("; a comment\r\n[Main]\r\nbasecurrency=EUR\r\nRebalNeeded=1\r\n"
                        "WashCtgies=0\r\nDatabaseName=two lines\r\n\r\n"
                        "[Positions]\r\nTFCtrl=1,2,3,4\r\n"));
  }

  void iniReadsGarbageAsDefault_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("boolean");
    QTest::addRow("number") << " 42 " << 42 << true;
    QTest::addRow("negative") << "-1" << -1 << true;
    QTest::addRow("zero") << "0" << 0 << false;
    QTest::addRow("word") << "abc" << 7 << true;
    QTest::addRow("true") << "TRUE" << 7 << true;
    QTest::addRow("false") << "false" << 7 << false;
    QTest::addRow("empty") << "" << 7 << true;
    QTest::addRow("too big") << "99999999999" << 7 << true;
    QTest::addRow("decimal") << "1.5" << 7 << true;
  }
  void iniReadsGarbageAsDefault() {
    QFETCH(QString, value);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    const QString p = path("g.ini");
    writeFile(p, "[main]\nK=" + value.toUtf8() + "\n");
    IniFile ini(p);
    QCOMPARE(ini.readInteger("main", "K", 7), integer);
    QCOMPARE(ini.readBool("main", "K", true), boolean);
  }

  void iniAddsMissingSectionAndReadsOldCodePage() {
    const QString p = path("l.ini");
    writeFile(p, "[other]\nx=1\n[main]\nDatabaseName=Caf\xe9\n");  // Windows code page
    IniFile ini(p);
    QCOMPARE(ini.readString("main", "DatabaseName", ""), QStringLiteral("Café"));
    const QString q = path("new.ini");
    IniFile fresh(q);
    QVERIFY(!fresh.existed());
    fresh.writeInteger("main", "DBvn", 19);
    QVERIFY(fresh.save());
    QCOMPARE(readFile(q), QByteArray("[main]\nDBvn=19\n"));
  }

  // An older VORBEK2.INI names its database by folder; the folder keeps its case.
  void programIniMigratesOlderKeys() {
    writeFile(ProgramIniPath(),
              "[main]\r\nCurrentDB_Path=D:\\Books\\\r\nCurrentDB_Name=x\r\n"
              "PreviousDB_Path=/srv/Old Books\r\nPreviousDB_Name=y\r\nDBPATH=z\r\n"
              "[other]\r\nkeep=1\r\n");
    ScriptedPrompter p;
    p.info("Database not found \"D:\\Books\\vorbek.fdb\"");  // no such file here
    ReadProgramIni();
    VERIFY_PROMPTS(p);
    QCOMPARE(RecentDatabases().slot[0], QStringLiteral("D:\\Books\\vorbek.fdb"));
    QCOMPARE(RecentDatabases().slot[1], QStringLiteral("/srv/Old Books/vorbek.fdb"));
    QCOMPARE(RecentDatabases().which, 0);
    QCOMPARE(Session().dataFolder, QStringLiteral("D:\\Books\\"));
    QVERIFY(SaveProgramIni());
    IniFile ini(ProgramIniPath());
    for (const char* gone :
         {"CurrentDB_Path", "CurrentDB_Name", "PreviousDB_Path", "PreviousDB_Name", "DBPATH"})
      QVERIFY2(!ini.hasKey("main", gone), gone);
    for (int i = 0; i < kRecentSlots; ++i)
      QVERIFY(ini.hasKey("main", QStringLiteral("DB%1").arg(i, 2, 10, QLatin1Char('0'))));
    QCOMPARE(ini.readString("main", "DB00", ""), QStringLiteral("D:\\Books\\vorbek.fdb"));
    QCOMPARE(ini.readString("main", "DB02", "x"), QString());
    QCOMPARE(ini.readInteger("main", "WHICHDB", -5), 0);
    QCOMPARE(ini.readString("other", "keep", ""), QStringLiteral("1"));
  }

  // The first run's default books need not exist yet: no "not found" for them.
  void programIniFirstRunUsesDefaultFolder() {
    ScriptedPrompter p;
    ReadProgramIni();
    VERIFY_PROMPTS(p);
    QCOMPARE(RecentDatabases().slot[0], ProgramFolder() + "data/vorbek.fdb");
    QCOMPARE(Session().dataFolder, ProgramFolder() + "data/");
  }

  void programIniMissingSelectedFile() {
    const QString gone = dir_.path() + "/Gone/vorbek.fdb";
    writeFile(ProgramIniPath(),
              "[main]\nDB00=/x/vorbek.fdb\nDB02=" + gone.toUtf8() + "\nWHICHDB=2\n");
    ScriptedPrompter p;
    p.info("Database not found \"" + gone + "\"");
    ReadProgramIni();
    VERIFY_PROMPTS(p);
    QCOMPARE(RecentDatabases().which, 0);
    QCOMPARE(Session().dataFolder, QStringLiteral("/x/"));
  }

  void programIniBadWhichDb_data() {
    QTest::addColumn<QByteArray>("which");
    QTest::addRow("garbage") << QByteArray("two");
    QTest::addRow("out of range") << QByteArray("12");
    QTest::addRow("negative") << QByteArray("-1");
  }
  void programIniBadWhichDb() {
    QFETCH(QByteArray, which);
    writeFile(ProgramIniPath(), "[main]\nDB00=/x/vorbek.fdb\nWHICHDB=" + which + "\n");
    ReadProgramIni();
    QCOMPARE(RecentDatabases().which, 0);
    QCOMPARE(Session().dataFolder, QStringLiteral("/x/"));
  }

  // WHICHDB pointing at an empty slot: the default location, here holding the
  // empty starting books of a new installation.
  void emptySelectedSlotOpensDefaultLocation() {
    writeFile(ProgramIniPath(), "[main]\nDB00=/x/vorbek.fdb\nWHICHDB=3\n");
    ReadProgramIni();
    QCOMPARE(Session().dataFolder, QString());
    QString error;
    QVERIFY2(CreateEmptyBooks(ProgramFolder() + "data", error), qPrintable(error));
    ScriptedPrompter p;
    p.info("Using database at default location \"" + ProgramFolder() + "data/vorbek.fdb\"");
    p.text("VORBEK2 first time installation ...\rPlease enter base currency\r(eg GBP, EUR, USD)",
           "GBP");
    QVERIFY(OpenDatabaseAtStart());
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().dataFolder, ProgramFolder() + "data/");
    QVERIFY(QFile::exists(ProgramFolder() + "data/vorbek.fdb"));
    QVERIFY(!RebalanceNeeded());  // a first-time installation is not a later day
    CloseDatabase();
  }

  void databaseIniDefaults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addRow("no file") << QByteArray();
    QTest::addRow("other section only")
        << QByteArray("[Positions]\nBaseCurrency=EUR\nDormantAfter=3\n");
    QTest::addRow("garbage values") << QByteArray(
        "[main]\nBaseCurrency=pounds\nDefaultPotId=abc\nDormantAfter=\nBalFrom=2023-01-01\n"
        "BalAt=20231399\nRebalNeeded=maybe\nWashCtgies=yes "
        "please\nPeriodType=9\nFlashInterval=fast\n"
        "DatabaseName=x\nDBvn=x19\n");
  }
  void databaseIniDefaults() {
    QFETCH(QByteArray, content);
    Session().settingsPath = path("ZADEZEVU.INI");
    if (!content.isEmpty()) writeFile(Session().settingsPath, content);
    ReadDatabaseIni();
    const TDbSettings& t = Session().settings;
    const TDbSettings d;
    QCOMPARE(t.baseCurrency, QString());
    QCOMPARE(t.defaultPotId, -1);
    QCOMPARE(t.dormantAfter, 365);
    QCOMPARE(t.balFrom, 0);
    QCOMPARE(t.balAt, 20240315);  // today
    QCOMPARE(Session().periodTo, 20240315);
    QCOMPARE(t.rebalNeeded, false);
    QCOMPARE(t.washCtgies, true);
    QCOMPARE(t.periodType, 2);
    QCOMPARE(t.flashInterval, 1500);
    QCOMPARE(t.databaseName, QStringLiteral("x"));
    QCOMPARE(t.dbvn, 0);
    QCOMPARE(t.dbStartDate, -1);
    QCOMPARE(t.postingsTxnIdVisible, d.postingsTxnIdVisible);
    QCOMPARE(t.postingsCtgyNameVisible, d.postingsCtgyNameVisible);
    QCOMPARE(Session().dbStartDate, 0);
  }

  void databaseIniReadApplies() {
    Session().settingsPath = path("ZADEZEVU.INI");
    writeFile(
        Session().settingsPath,
        "[main]\nBaseCurrency=eur\nBalFrom=20230101\nBalAt=20231231\nRebalNeeded=1\n"
        "DBStartDate=20200101\nDBEndDate=-1\nDBvn=21\nFlashInterval=900\nFinancialYearMonth1=4\n");
    ReadDatabaseIni();
    const TSession& s = Session();
    QCOMPARE(s.settings.baseCurrency, QStringLiteral("EUR"));
    QCOMPARE(s.workingCurrency, QStringLiteral("EUR"));
    QCOMPARE(s.externalWorkingCurrency, QStringLiteral("EUR"));
    QCOMPARE(s.periodFrom, 20230101);
    QCOMPARE(s.periodTo, 20231231);
    QVERIFY(RebalanceNeeded());
    QCOMPARE(s.dbStartDate, 20200101);
    QCOMPARE(s.dbEndDate, 0);
    QCOMPARE(s.schemaVersion, 21);
    QCOMPARE(FlashInterval(), 900);
    QCOMPARE(s.settings.financialYearMonth1, 4);
  }

  // Saving writes every key (booleans 1/0), removes the obsolete ones, keeps the rest.
  void databaseIniSave_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("dbvn");
    QTest::addColumn<QString>("start");
    QTest::addRow("version 21") << 21 << "21"
                                << "20200101";
    QTest::addRow("version 22") << 22 << "-1"
                                << "-1";
    QTest::addRow("version 33") << 33 << "-1"
                                << "-1";
  }
  void databaseIniSave() {
    QFETCH(int, version);
    QFETCH(QString, dbvn);
    QFETCH(QString, start);
    TSession& s = Session();
    s.settingsPath = path("ZADEZEVU.INI");
    writeFile(s.settingsPath,
              "[main]\nVATAccountId=3\nPeriodAutoRefresh=1\nPostingsPotNameVisible=0\n"
              "VATAccPurchId=1\nVATAccSalesId=2\nMyOwnKey=stays\n[TFCtrl]\nLeft=10\n");
    ReadDatabaseIni();
    s.schemaVersion = version;
    s.dbStartDate = 20200101;
    s.runStartDate = 20240314;
    s.settings.databaseName = "Family books";
    s.settings.oneClickSelect = true;
    SetPeriodDates(20230401, 20240331);
    SetRebalanceNeeded(true);
    QVERIFY(SaveDatabaseIni());
    const QString p = s.settingsPath;
    for (const char* gone : {"VATAccountId", "PeriodAutoRefresh", "PostingsPotNameVisible",
                             "VATAccPurchId", "VATAccSalesId"})
      QCOMPARE(mainValue(p, gone), QStringLiteral("<absent>"));
    QCOMPARE(mainValue(p, "MyOwnKey"), QStringLiteral("stays"));
    QCOMPARE(IniFile(p).readString("TFCtrl", "Left", ""), QStringLiteral("10"));
    QCOMPARE(mainValue(p, "DBvn"), dbvn);
    QCOMPARE(mainValue(p, "DBStartDate"), start);
    QCOMPARE(mainValue(p, "DBEndDate"), version > 21 ? QStringLiteral("-1") : QStringLiteral("0"));
    QCOMPARE(mainValue(p, "BalFrom"), QStringLiteral("20230401"));
    QCOMPARE(mainValue(p, "BalAt"), QStringLiteral("20240331"));
    QCOMPARE(mainValue(p, "GenTo"), QStringLiteral("20240314"));
    QCOMPARE(mainValue(p, "RebalNeeded"), QStringLiteral("1"));
    QCOMPARE(mainValue(p, "OneClickSelect"), QStringLiteral("1"));
    QCOMPARE(mainValue(p, "ResetPaths"), QStringLiteral("0"));
    QCOMPARE(mainValue(p, "WashCtgies"), QStringLiteral("1"));
    QCOMPARE(mainValue(p, "ShowPots"), QStringLiteral("1"));
    QCOMPARE(mainValue(p, "DatabaseName"), QStringLiteral("Family books"));
    const QStringList keys = {
        "BaseCurrency",        "DefaultCashId",        "DefaultCptyId",
        "DefaultCtgyId",       "DefaultPotId",         "SweepToPotId",
        "OpeningBalPotId",     "DormantAfter",         "FinancialYearDay1",
        "FinancialYearMonth1", "PostingsTxnIdVisible", "PostingsInstIdVisible",
        "PostingsTypeVisible", "PostingsRefVisible",   "PostingsCtgyNameVisible",
        "LastGenTo",           "CashbackAccId",        "PeriodType",
        "FXGainLossCtgy",      "FXGainLossPot",        "FlashInterval",
        "JournalBlockSize",    "IgnoredRemdrs",        "DBFrozen",
        "FreezeBefore",        "ExcludeClosedChannels"};
    for (const QString& k : keys) QVERIFY2(IniFile(p).hasKey("main", k), qPrintable(k));
    // What was saved reads back the same.
    const TDbSettings before = s.settings;
    ReadDatabaseIni();
    QCOMPARE(s.settings.databaseName, before.databaseName);
    QCOMPARE(s.periodFrom, 20230401);
    QVERIFY(RebalanceNeeded());
  }

  // Switching saves the old books' settings in their own folder and reads the new folder's.
  void switchingDatabases() {
    TestBooks first;
    QVERIFY2(first.ok(), qPrintable(first.error()));
    TestBooks second(TestBooks::Closed);
    // No settings there: all defaults, but for the facts the books themselves keep.
    QVERIFY(QFile::remove(second.iniPath()));
    ResetSession();
    Session().dataFolder = first.folder();
    QVERIFY(OpenDatabase());
    Session().settings.databaseName = "First books";
    int refreshed = 0;
    SetControlPanelHook([&] { ++refreshed; });
    ScriptedPrompter p;
    p.info("Settings file \"" + second.iniPath() +
           "\" was missing - base currency GBP and default pot #1 were taken from the database");
    QVERIFY(SwitchDatabase(second.folder()));
    VERIFY_PROMPTS(p);
    SetControlPanelHook(nullptr);
    QVERIFY(refreshed >= 1);
    QCOMPARE(mainValue(first.iniPath(), "DatabaseName"), QStringLiteral("First books"));
    QCOMPARE(Session().dataFolder, second.folder());
    QCOMPARE(Session().settings.databaseName, QStringLiteral("x"));
    QCOMPARE(Session().settings.baseCurrency, QStringLiteral("GBP"));
    QCOMPARE(Session().settings.defaultPotId, 1);
    QCOMPARE(mainValue(second.iniPath(), "BaseCurrency"), QStringLiteral("GBP"));
    QCOMPARE(Session().schemaVersion, 34);
    QVERIFY(DatabaseIsOpen());
  }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
