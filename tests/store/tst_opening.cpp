// Opening and closing real books, and the files the opening must refuse untouched.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstOpening : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    ResetSession();
    SetClock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
  }
  void cleanup() { ResetClock(); }

  void createEmptyBooks() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/new/books";
    QString error;
    QVERIFY2(CreateEmptyBooks(folder, error), qPrintable(error));
    QFile ini(folder + "/ZADEZEVU.INI");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("[main]\nDBvn=19\n"));
    const QByteArray db = FileFingerprint(folder + "/vorbek.fdb");
    const QByteArray settings = FileFingerprint(folder + "/ZADEZEVU.INI");
    QVERIFY(!CreateEmptyBooks(folder + "/", error));
    QCOMPARE(error, "Database already exists \"" + folder + "/vorbek.fdb\"");
    QCOMPARE(FileFingerprint(folder + "/vorbek.fdb"), db);
    QCOMPARE(FileFingerprint(folder + "/ZADEZEVU.INI"), settings);
  }

  // A creation cut short (a kill, a crash) leaves no half-made vorbek.fdb to be
  // taken for books: the next creation in the folder works.
  void createEmptyBooksCutShort() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/books/";
    SetInterruptionHook([](const char* point) { return QByteArray(point) == "books creation"; });
    QString error;
    const bool made = CreateEmptyBooks(folder, error);
    SetInterruptionHook({});
    QVERIFY(!made);
    QVERIFY(!QFile::exists(folder + "vorbek.fdb"));
    QVERIFY2(CreateEmptyBooks(folder, error), qPrintable(error));
    QVERIFY(!QFile::exists(folder + "vorbek.fdb.new"));
    Session().dataFolder = folder;
    ScriptedPrompter p;
    p.text("VORBEK2 first time installation ...\rPlease enter base currency\r(eg GBP, EUR, USD)",
           "GBP");
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    CloseDatabase();
  }

  // Files that are not usable books: the engine's words, the program ends, nothing changes.
  void unusableDatabaseFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("engineWords");
    QTest::addRow("missing") << "missing"
                             << "No such file or directory";
    QTest::addRow("empty") << "empty"
                           << "File size is less than expected";
    QTest::addRow("not a database") << "garbage"
                                    << "is not a valid database";
    QTest::addRow("text file") << "text"
                               << "is not a valid database";
    // Root may write anywhere, but the engine itself refuses a file without write bits.
    QTest::addRow("read-only") << "readonly"
                               << "no permission for read-write access";
  }
  void unusableDatabaseFile() {
    QFETCH(QString, kind);
    QFETCH(QString, engineWords);
    TestBooks books(TestBooks::Closed);
    QFile db(books.dbPath());
    if (kind == "missing") {
      QVERIFY(db.remove());
    } else if (kind == "readonly") {
      QVERIFY(db.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else {
      QVERIFY(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
      if (kind == "garbage") {
        QByteArray bytes(64 * 1024, '\0');
        for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919) % 251);
        db.write(bytes);
      } else if (kind == "text") {
        db.write(QByteArray("[main]\nDBvn=33\n").repeated(2000));
      }
      db.close();
    }
    const QByteArray dbBefore = FileFingerprint(books.dbPath());
    const QByteArray iniBefore = FileFingerprint(books.iniPath());
    RecordingPrompter p('N');
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    QCOMPARE(p.infos.size(), 1);
    QVERIFY2(p.infos[0].startsWith("Cannot open database \"" + books.dbPath() + "\"\r"),
             qPrintable(p.infos[0]));
    QVERIFY2(p.infos[0].contains(engineWords), qPrintable(p.infos[0]));
    QCOMPARE(p.questions.size(), 0);
    QVERIFY(ProgramEndRequested());
    QVERIFY(!IsConnected());
    CloseDatabase();
    QCOMPARE(FileFingerprint(books.dbPath()), dbBefore);
    QCOMPARE(FileFingerprint(books.iniPath()), iniBefore);
    QVERIFY(!QFile::exists(books.folder() + "vorbek.fdb") || kind != "missing");
  }

  // Embedded Firebird gives one process the file: a second process is refused.
  void lockedByAnotherProcess() {
    const QString cli = qEnvironmentVariable("VORBEK_CLI");
    if (cli.isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    const QByteArray iniBefore = FileFingerprint(books.iniPath());
    QProcess other;
    other.start(cli, {"--quiet", "info", books.folder()});
    QVERIFY(other.waitForFinished(60000));
    const QString err = QString::fromUtf8(other.readAllStandardError());
    QCOMPARE(other.exitCode(), 1);
    QVERIFY2(err.contains("Cannot open database \"" + books.dbPath() + "\"\n"), qPrintable(err));
    QVERIFY2(err.contains("lock"), qPrintable(err));
    QCOMPARE(FileFingerprint(books.iniPath()), iniBefore);
    // This process still works on its books.
    QCOMPARE(CountAll("account"), 1);
  }

  void txnIdMismatchIsReportedButOpens() {
    TestBooks books;
    QVERIFY(ExecSqlCommitted(
        "insert into txn (id, \"type\", txndate, amt) values (56, 'P', 20240101, 1)"));
    QVERIFY(
        ExecSqlCommitted("insert into pstg (txnid, objid, txntype, pstgdate, amt) values (56, 1, "
                         "'P', 20240101, 1)"));
    QVERIFY(ExecSqlCommitted(
        "insert into txn (id, \"type\", txndate, amt) values (57, 'P', 20240101, 1)"));
    CloseDatabase(false);
    ScriptedPrompter p;
    p.info("Txn id mismatch on last rows on TXN / PSTG tables : 57 / 56 - run DB check");
    QVERIFY(books.open());
    VERIFY_PROMPTS(p);
    QVERIFY(DatabaseIsOpen());
  }

  // Books made before the working indexes joined the starting script get them.
  void missingWorkingIndexesAreMade() {
    const QStringList names{
        "PSTG_DATE",    "PSTG_TXNOBJ",   "TXN_ID_DESC",        "PSTG_TXNID_DESC", "ACCOUNT_ID_DESC",
        "RPTR_ID_DESC", "REMDR_ID_DESC", "CHANNEL_CHNUM_DESC", "TXN_MASTER_DESC", "TXN_DATE2",
        "PSTG_CONTRA",  "TXN_CHNUM",     "PSTG_STMT"};
    const QString inList = "rdb$index_name in ('" + names.join("', '") + "')";
    TestBooks books;
    QCOMPARE(CountRows("rdb$indices", inList), names.size());
    for (const QString& name : names) QVERIFY(ExecSqlCommitted("DROP INDEX " + name));
    CloseDatabase(false);
    QVERIFY(books.open());
    QCOMPARE(CountRows("rdb$indices", inList), names.size());
  }

  // New books are written without forced writes until they are handed over:
  // by the opening, or by closing the connection of whoever filled them.
  void newBooksGetForcedWrites() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    QString error;
    QVERIFY2(CreateEmptyBooks(folder + "filled", error), qPrintable(error));
    QVERIFY2(OpenConnection(folder + "filled/vorbek.fdb", error), qPrintable(error));
    QVERIFY(!ConnectionForcedWrites());
    CloseConnection();
    QVERIFY2(OpenConnection(folder + "filled/vorbek.fdb", error), qPrintable(error));
    QVERIFY(ConnectionForcedWrites());
    CloseConnection();

    QVERIFY2(CreateEmptyBooks(folder + "opened", error), qPrintable(error));
    Session().dataFolder = folder + "opened/";
    ScriptedPrompter p;
    p.text("VORBEK2 first time installation ...\rPlease enter base currency\r(eg GBP, EUR, USD)",
           "GBP");
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(ConnectionForcedWrites());
    CloseDatabase();
  }

  // New books carry the larger page cache in their header; older books with
  // the engine's default get it at their opening, in that same session.
  void pageCacheOfNewAndOlderBooks() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/b/vorbek.fdb";
    QString error;
    QVERIFY2(CreateEmptyBooks(dir.path() + "/b", error), qPrintable(error));
    QVERIFY2(OpenConnection(path, error), qPrintable(error));
    QCOMPARE(ConnectionPageBuffers(), kPageBuffers);
    CloseConnection();
    QCOMPARE(QProcess::execute(
                 "gfix", {"-user", kDbUser, "-password", kDbPassword, "-buffers", "2048", path}),
             0);
    QVERIFY2(OpenConnection(path, error), qPrintable(error));
    QCOMPARE(ConnectionPageBuffers(), kPageBuffers);
    CloseConnection();
  }

  void postOpenSteps() {
    TestBooks books(TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "SweepToPotId", "1");
    SetBooksIniKey(books.iniPath(), "DormantAfter", "10");
    int archiveShown = 0;
    SetArchiveStateHook([&] { ++archiveShown; });
    ScriptedPrompter p;
    QVERIFY(books.open());
    VERIFY_PROMPTS(p);
    SetArchiveStateHook(nullptr);
    QCOMPARE(SweepToPot().id, 1);
    QCOMPARE(SweepToPot().name, QStringLiteral("Default pot"));
    QCOMPARE(OpeningBalPot().id, 0);
    QCOMPARE(Session().dormantCutoff, 20240305);
    QCOMPARE(archiveShown, 1);
    QVERIFY(p.statuses().contains("Reading ini file ..."));
    QVERIFY(p.statuses().contains("Opening database ..."));
  }

  // Whoever opens an archive copy (no archive rules installed, as for a
  // command-line verb), it is announced and frozen, even after it was unfrozen.
  void archiveCopyFrozenByEveryOpening() {
    TestBooks books;
    Session().dbEndDate = 20231231;
    QVERIFY(WriteParamDates() && CommitIfActive());
    Session().settings.dbFrozen = false;
    CloseDatabase();
    QCOMPARE(BooksIniValue(books.iniPath(), "DBFrozen"), QStringLiteral("0"));
    ScriptedPrompter p;
    p.info("This database is an archive, you must not make changes to it").info("freezing");
    QVERIFY(books.open());
    VERIFY_PROMPTS(p);
    QVERIFY(Session().settings.dbFrozen);
  }

  // A setting outside what it can mean reads as its default.
  void outOfRangeSettingsReadAsDefault_data() {
    QTest::addColumn<QString>("dormantAfter");
    QTest::addColumn<int>("cutoff");
    QTest::addRow("huge") << "2000000000" << 20230316;
    QTest::addRow("negative") << "-5" << 20230316;
  }
  void outOfRangeSettingsReadAsDefault() {
    QFETCH(QString, dormantAfter);
    QFETCH(int, cutoff);
    TestBooks books(TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "DormantAfter", dormantAfter);
    SetBooksIniKey(books.iniPath(), "FinancialYearMonth1", "13");
    SetBooksIniKey(books.iniPath(), "FinancialYearDay1", "0");
    SetBooksIniKey(books.iniPath(), "JournalBlockSize", "0");
    QVERIFY(books.open());
    QCOMPARE(Session().dormantCutoff, cutoff);
    QCOMPARE(Session().settings.financialYearMonth1, 1);
    QCOMPARE(Session().settings.financialYearDay1, 1);
    QCOMPARE(Session().settings.journalBlockSize, 1);
  }

  // The books last used on another day need a rebalance; the same day does not.
  void startOpeningComparesGenTo_data() {
    QTest::addColumn<QString>("genTo");
    QTest::addColumn<bool>("needed");
    QTest::addRow("yesterday") << "20240314" << true;
    QTest::addRow("today") << "20240315" << false;
  }
  void startOpeningComparesGenTo() {
    QFETCH(QString, genTo);
    QFETCH(bool, needed);
    TestBooks books(TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "GenTo", genTo);
    SetBooksIniKey(books.iniPath(), "RebalNeeded", "0");
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabaseAtStart());
    QCOMPARE(RebalanceNeeded(), needed);
    CloseDatabase();
    QCOMPARE(BooksIniValue(books.iniPath(), "GenTo"), QStringLiteral("20240315"));
  }

  // The facts the books keep themselves come back from the database when the
  // settings file lost them; where the books do not say, the user is asked.
  void settingsRecoveredFromBooks_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("told");  // after the file's name; empty: nothing taken
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("pot");
    QTest::addRow("random bytes")
        << "bytes"
        << "was damaged - base currency GBP and default pot #1 were taken from the database"
        << "GBP" << 1;
    QTest::addRow("no BaseCurrency")
        << "base"
        << "was incomplete - base currency GBP was taken from the database"
        << "GBP" << 1;
    QTest::addRow("no DefaultPotId")
        << "pot"
        << "was incomplete - default pot #1 was taken from the database"
        << "GBP" << 1;
    QTest::addRow("several base rows") << "bases"
                                       << ""
                                       << "USD" << 1;
    QTest::addRow("damaged, no pot named so")
        << "renamed"
        << "was damaged - base currency GBP was taken from the database"
        << "GBP" << 2;
  }
  void settingsRecoveredFromBooks() {
    QFETCH(QString, damage);
    QFETCH(QString, told);
    QFETCH(QString, base);
    QFETCH(int, pot);
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    if (damage == "bases")
      QVERIFY(ExecSqlCommitted("insert into ccy (id, base) values ('USD', 1)"));
    if (damage == "renamed")
      QVERIFY(ExecSqlCommitted("update account set name = 'Rainy day' where id = 1"));
    CloseDatabase(false);
    if (damage == "bytes" || damage == "renamed") {
      QFile f(books.iniPath());
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      QByteArray bytes(4096, '\0');
      for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919 + 13) % 256);
      f.write(bytes);
    }
    if (damage == "base" || damage == "bases")
      SetBooksIniKey(books.iniPath(), "BaseCurrency", QString());
    if (damage == "pot") SetBooksIniKey(books.iniPath(), "DefaultPotId", QString());

    ResetSession();
    Session().dataFolder = books.folder();
    {
      ScriptedPrompter p;
      if (damage == "bases")
        p.text(
            "The database names several base currencies (GBP, USD)\rPlease enter base "
            "currency\r(eg GBP, EUR, USD)",
            "usd");
      if (damage == "renamed")
        p.yes(
            "The database names no single \"Default pot\" - create a new one as the default "
            "pot?");
      if (!told.isEmpty()) p.info("Settings file \"" + books.iniPath() + "\" " + told);
      QVERIFY(OpenDatabase());
      VERIFY_PROMPTS(p);
    }
    QCOMPARE(Session().settings.baseCurrency, base);
    QCOMPARE(Session().settings.defaultPotId, pot);
    QCOMPARE(Session().workingCurrency, base);
    TObj potAccount;
    QVERIFY(ReadAccount(pot, potAccount));
    QCOMPARE(potAccount.kind, 6);
    CloseDatabase(false);
    // The mended file was saved at once; a damaged one is kept aside.
    QCOMPARE(BooksIniValue(books.iniPath(), "BaseCurrency"), base);
    QCOMPARE(BooksIniValue(books.iniPath(), "DefaultPotId"), QString::number(pot));
    QCOMPARE(QFile::exists(books.iniPath() + ".damaged"), damage == "bytes" || damage == "renamed");
    ScriptedPrompter quiet;  // told once
    QVERIFY(books.open());
    VERIFY_PROMPTS(quiet);
  }

  // Without an answer the books cannot be used: the program ends, the file stays.
  void unknownBaseCurrencyNotGiven() {
    TestBooks books(TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "BaseCurrency", QString());
    {
      TestBooks open;  // a second copy, to give the first one no base row
      QVERIFY(ExecSqlCommitted("update ccy set base = 0"));
      CloseDatabase(false);
      QVERIFY(CopyBooks(open.folder(), books.folder()));
    }
    SetBooksIniKey(books.iniPath(), "BaseCurrency", QString());
    const QByteArray before = FileFingerprint(books.iniPath());
    ResetSession();
    Session().dataFolder = books.folder();
    ScriptedPrompter p;
    p.text("The database names no base currency\rPlease enter base currency\r(eg GBP, EUR, USD)",
           "", false);
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(ProgramEndRequested());
    QVERIFY(!IsConnected());
    QCOMPARE(FileFingerprint(books.iniPath()), before);
  }

  void closingSavesOnlyWhatWasOpened() {
    TestBooks books;
    Session().settings.databaseName = "Renamed";
    CloseDatabase();
    QVERIFY(!IsConnected());
    QCOMPARE(BooksIniValue(books.iniPath(), "DatabaseName"), QStringLiteral("Renamed"));

    // A program that is ending keeps its settings file as it was.
    QVERIFY(books.open());
    Session().settings.databaseName = "Not kept";
    EndProgram(1);
    CloseDatabase();
    QCOMPARE(BooksIniValue(books.iniPath(), "DatabaseName"), QStringLiteral("Renamed"));
  }
};

QTEST_GUILESS_MAIN(TstOpening)
#include "tst_opening.moc"
