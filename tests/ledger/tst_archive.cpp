// Archiving against real books in a program folder of their own: the copy with
// its end date and frozen flag, the purge carrying 64-bit sums into the
// brought-forward balances (categories into the default pot), the refusals with
// their messages, the stop when the copied database is incomplete, a failing
// purge rolled back, opening the copy, and editing the two dates.
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/archive.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "store/settings.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

const QString kHealthcheck = QStringLiteral("Archive - Have you run Database Healthcheck ?");
const QString kBackup = QStringLiteral(
    "Archive - Have you made your own backup copies of the database *and* the program ?");
const QString kLastChance =
    QStringLiteral("OK to archive txns on/before 2023-12-31 (last chance)?");
const QString kArchiveDate = QStringLiteral("Enter archive date");
constexpr int32_t kA = 20231231;

qint64 bfdbal(int32_t id) {
  return QueryValue("select bfdbal from account where id = ?", {id}, -1).toLongLong();
}

qint64 bfdval(int32_t id) {
  return QueryValue("select bfdval from account where id = ?", {id}, -1).toLongLong();
}

int32_t paramDate(int row) {
  return QueryValue("select pmint from param where pmid = ?", {row}).toInt();
}

// Steps of the prompter script: "Y|question", "N|question", "I|message",
// "T|archive date answer", "C|" (date box cancelled), "R|question" answered No
// (the copy's skip). FOLDER and ID in texts are replaced.
void script(ScriptedPrompter& p, const QStringList& steps, const QString& folder, int32_t id = 0) {
  for (const QString& step : steps) {
    QString text = step.mid(2);
    text.replace("FOLDER", folder).replace("ID", QString::number(id));
    switch (step.at(0).toLatin1()) {
      case 'Y':
        p.yes(text);
        break;
      case 'N':
      case 'R':
        p.no(text);
        break;
      case 'I':
        p.info(text);
        break;
      case 'T':
        p.textStartingWith(kArchiveDate, "yyyy-mm-dd", text);
        break;
      case 'C':
        p.text(kArchiveDate, QString(), false);
        break;
    }
  }
}

const QStringList kAsked{"Y|" + kHealthcheck, "Y|" + kBackup, "T|2023-12-31"};

// Spoils the copy of the database: when the data folder is about to be copied,
// a folder takes the place of the copy's vorbek.fdb.
class SpoilingPrompter : public ScriptedPrompter {
 public:
  QString blockedCopy;
  void flash(const QString& text, FlashMode mode) override {
    ScriptedPrompter::flash(text, mode);
    if (text.startsWith("Archiving data ")) QDir().mkpath(blockedCopy);
  }
};

}  // namespace

class TstArchive : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  std::unique_ptr<QTemporaryDir> home_;
  int32_t cur_ = 0, sav_ = 0, food_ = 0, fuel_ = 0, shop_ = 0, pot_ = 0, kept_ = 0;
  int txns_ = 0, postings_ = 0;

  QString folder() const { return ArchiveFolder(kA); }

  int32_t write(QChar type, int32_t ymd, qint64 amount, int32_t a1, int32_t a2, int32_t a4,
                int32_t date2 = 0) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = "GBP";
    t.txnDate = YmdToDateRec(ymd);
    t.postingDate = YmdToDateRec(date2);
    t.amount = t.value = amount;
    t.accId1 = a1;
    t.accId2 = a2;
    t.accId4 = a4;
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }
  void rawPosting(int32_t txn, int32_t account, const char* type, int32_t ymd, qint64 amt) {
    QVERIFY(
        ExecSql("insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, ccy, val, seq) "
                "values (?, ?, 0, ?, ?, ?, 'GBP', ?, ?)",
                {txn, account, type, ymd, amt, amt, txn}));
  }
  // Nothing of the books changed: rows, balances, dates, flag, still open.
  void verifyUntouched() {
    QVERIFY(DatabaseIsOpen());
    QCOMPARE(CountAll("txn"), txns_);
    QCOMPARE(CountAll("pstg"), postings_);
    for (int32_t id : {cur_, sav_, food_, fuel_, shop_, pot_}) QCOMPARE(bfdbal(id), qint64(0));
    QCOMPARE(bfdbal(1), qint64(0));
    QCOMPARE(bfdbal(cur_ + 100), qint64(-1));  // no such account: the check itself works
    QCOMPARE(paramDate(2), 0);
    QCOMPARE(paramDate(3), 0);
    QCOMPARE(Session().dbStartDate, 0);
    QCOMPARE(Session().dbEndDate, 0);
    QCOMPARE(Session().settings.dbFrozen, false);
    QCOMPARE(IniFile(books_->iniPath()).readBool("main", "DBFrozen", false), false);
    QCOMPARE(BusyDepth(), 0);
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    SetProgramFolder(home_->path());
    for (int i = 0; i < kRecentSlots; ++i) RecentDatabases().slot[i].clear();
    QFile npad(ProgramFolder() + "npad.txt");
    QVERIFY(npad.open(QIODevice::WriteOnly));
    npad.write("notes\n");
    QVERIFY(npad.flush());
    QVERIFY(npad.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 10)),
                             QFileDevice::FileModificationTime));
    npad.close();

    cur_ = AddTestAccount(1, "Current");
    sav_ = AddTestAccount(1, "Savings");
    food_ = AddTestAccount(3, "Food");
    fuel_ = AddTestAccount(3, "Fuel");
    shop_ = AddTestAccount(4, "Shop");
    pot_ = AddTestAccount(6, "Holiday");
    QVERIFY(cur_ && sav_ && food_ && fuel_ && shop_ && pot_);
    const int32_t first = write('P', 20230601, 10000, cur_, shop_, food_);
    QVERIFY(first);
    QVERIFY(write('R', 20230701, 3000, cur_, shop_, fuel_));
    // 30,000,000.00: beyond what 32 bits hold.
    QVERIFY(write('R', 20230801, Q_INT64_C(3000000000), cur_, shop_, pot_));
    QVERIFY(WriteReconciledBalance(cur_, TDateRec{2023, 9, 1}, 123));
    kept_ = write('P', 20240201, 500, cur_, shop_, food_);
    QVERIFY(kept_);
    // Postings of the other kinds: transfer and FX gain count, marker and diary do not.
    rawPosting(first, sav_, "C", 20231001, 700);
    rawPosting(first, sav_, "F", 20231002, -50);
    rawPosting(first, cur_, "A", 0, 111);
    rawPosting(first, cur_, "D", 20230505, 222);
    QVERIFY(CommitIfActive());
    txns_ = CountAll("txn");
    postings_ = CountAll("pstg");
    Session().settings.dbFrozen = false;
    Session().settings.washCtgies = true;
    SetPeriodDates(20240101, 20241231);
    SetRebalanceNeeded(false);
  }
  void cleanup() {
    RollbackIfActive();
    books_.reset();
    SetArchiveStateHook(nullptr);
    home_.reset();
  }

  void archiveAndOpenTheCopy() {
    // A transfer between two EUR accounts: their base-currency values are carried too.
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    TObj e1 = NewObj(), e2 = NewObj();
    e1.kind = e2.kind = 1;
    e1.ccy = e2.ccy = "EUR";
    e1.name = "Euro 1";
    e2.name = "Euro 2";
    QVERIFY(WriteAccount(e1) && WriteAccount(e2));
    TTxn eur = NewTxn();
    eur.type = 'C';
    eur.ccy = "EUR";
    eur.txnDate = YmdToDateRec(20230615);
    eur.amount = 100000;
    eur.value = 72000;
    eur.accId1 = e1.id;
    eur.accId2 = e2.id;
    QVERIFY(WriteTransaction(eur) && CommitIfActive());
    txns_ += 1;
    SetRebalanceNeeded(false);

    TArchiveLabels labels;
    SetArchiveLabelsHook([&](const TArchiveLabels& l) { labels = l; });
    InstallArchiveState();  // as the control window does: reopening the live books stays quiet
    ScriptedPrompter p;
    script(p,
           kAsked + QStringList{"Y|" + kLastChance, "I|Making directory FOLDERDATA/",
                                "I|Archive complete - run now Database Repair to check / tidy-up"},
           folder());
    QVERIFY(ArchiveDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(p.flashes().contains("Archiving data " + books_->folder()));
    QVERIFY(p.flashes().contains("Purging archived txns ..."));
    QVERIFY(p.flashes().contains("Rebalanced OK"));
    SetArchiveLabelsHook(nullptr);
    QCOMPARE(labels.startDate, QString("2024-01-01"));
    QCOMPARE(labels.endNote, QString("This database is current"));

    // The sums up to the archive date, categories into the default pot #1.
    QCOMPARE(bfdbal(cur_), qint64(-10000 + 3000) + Q_INT64_C(3000000000));
    QCOMPARE(bfdbal(sav_), qint64(650));
    QCOMPARE(bfdbal(pot_), Q_INT64_C(3000000000));
    QCOMPARE(bfdbal(1), qint64(-10000 + 3000));
    QCOMPARE(bfdbal(food_), qint64(0));
    QCOMPARE(bfdbal(fuel_), qint64(0));
    QCOMPARE(bfdbal(shop_), qint64(0));
    QCOMPARE(bfdbal(e2.id), qint64(100000));
    QCOMPARE(bfdval(e2.id), qint64(72000));
    QCOMPARE(bfdval(e1.id), qint64(-72000));
    QCOMPARE(bfdval(cur_), qint64(0));
    QCOMPARE(CountAll("txn"), 1);
    QCOMPARE(QueryValue("select id from txn").toInt(), kept_);
    QCOMPARE(CountRows("pstg", "pstgdate <= ?", {kA}), 0);
    QCOMPARE(CountRows("pstg", "txnid = ?", {kept_}), 3);
    QCOMPARE(paramDate(2), 20240101);
    QCOMPARE(paramDate(3), 0);
    QCOMPARE(Session().dbStartDate, 20240101);
    QCOMPARE(Session().dbEndDate, 0);
    QCOMPARE(Session().settings.dbFrozen, false);
    QVERIFY(DatabaseIsOpen());
    QCOMPARE(BusyDepth(), 0);

    // The copy: notepad with its time stamp, the data folder, the recent list.
    const QString copy = folder() + "DATA/vorbek.fdb";
    QCOMPARE(QFileInfo(folder() + "npad.txt").lastModified(),
             QFileInfo(ProgramFolder() + "npad.txt").lastModified());
    QVERIFY(QFileInfo::exists(folder() +
                              QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    QCOMPARE(IniFile(folder() + "DATA/ZADEZEVU.INI").readBool("main", "DBFrozen", false), true);
    QCOMPARE(IniFile(books_->iniPath()).readBool("main", "DBFrozen", true), false);
    QVERIFY(QFileInfo(copy).isFile());
    QCOMPARE(RecentDatabases().slot[0], copy);

    // Opening the copy announces it and leaves it frozen, with every transaction.
    CloseDatabase(false);
    Session().dataFolder = folder() + "DATA/";
    ScriptedPrompter opening;
    opening.info("This database is an archive, you must not make changes to it")
        .info("Cannot enter new transactions, database is frozen")
        .no("Allow changes to this archived database - are you sure ?");
    QVERIFY(OpenDatabase());
    QCOMPARE(Session().dbEndDate, kA);
    QCOMPARE(Session().dbStartDate, 0);
    QCOMPARE(CountAll("txn"), txns_);
    QCOMPARE(bfdbal(cur_), qint64(0));
    QVERIFY(FrozenRefusal("enter new transactions"));
    QVERIFY(SetDatabaseFrozen(false));  // declined: still frozen
    VERIFY_PROMPTS(opening);
    CloseDatabase(false);

    // A second archive to the same date is refused.
    Session().dataFolder = books_->folder();
    QVERIFY(OpenDatabase());
    SetRebalanceNeeded(false);
    ScriptedPrompter again;
    script(again, kAsked + QStringList{"I|Cannot archive - folder already exists FOLDER"},
           folder());
    QVERIFY(!ArchiveDatabase());
    VERIFY_PROMPTS(again);
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("steps");
    const QString straddle =
        "I|Transaction #ID (displayed) straddles 2023-12-31 and a later date\r"
        "(use Edit|Unstraddle to resolve this)";
    QTest::newRow("frozen books") << QStringList{"I|Cannot archive, database is frozen"};
    QTest::newRow("rebalance needed") << QStringList{"I|Rebalance needed"};
    QTest::newRow("no default pot")
        << QStringList{"I|Cannot archive - need auto-wash of Category balances"};
    QTest::newRow("wash off") << QStringList{
        "I|Cannot archive - need auto-wash of Category balances"};
    QTest::newRow("no healthcheck") << QStringList{"N|" + kHealthcheck};
    QTest::newRow("no backup") << QStringList{"Y|" + kHealthcheck, "N|" + kBackup};
    QTest::newRow("date cancelled") << QStringList{"Y|" + kHealthcheck, "Y|" + kBackup, "C|"};
    QTest::newRow("no date") << QStringList{"Y|" + kHealthcheck, "Y|" + kBackup, "T|2023-12",
                                            "I|Invalid date \"2023-12\""};
    QTest::newRow("no such day") << QStringList{"Y|" + kHealthcheck, "Y|" + kBackup, "T|2023-02-29",
                                                "I|Invalid date \"2023-02-29\""};
    QTest::newRow("no such month") << QStringList{"Y|" + kHealthcheck, "Y|" + kBackup,
                                                  "T|2023-13-01", "I|Invalid date \"2023-13-01\""};
    QTest::newRow("straddle") << kAsked + QStringList{straddle};
    QTest::newRow("folder exists")
        << kAsked + QStringList{"I|Cannot archive - folder already exists FOLDER"};
    QTest::newRow("last chance declined") << kAsked + QStringList{"N|" + kLastChance};
  }
  void refusals() {
    QFETCH(QStringList, steps);
    const QString tag = QTest::currentDataTag();
    int32_t straddling = 0;
    if (tag == "frozen books") Session().settings.dbFrozen = true;
    if (tag == "rebalance needed") SetRebalanceNeeded(true);
    if (tag == "no default pot") Session().settings.defaultPotId = 0;
    if (tag == "wash off") Session().settings.washCtgies = false;
    if (tag == "straddle") {
      straddling = write('P', 20231230, 100, cur_, shop_, food_, 20240102);
      QVERIFY(straddling);
      txns_ += 1;
      postings_ += 3;
      SetRebalanceNeeded(false);
    }
    if (tag == "folder exists") QVERIFY(QDir().mkpath(folder()));
    int32_t shown = 0;
    SetShowTransactionHook([&](int32_t id) { shown = id; });

    ScriptedPrompter p;
    script(p, steps, folder(), straddling);
    QVERIFY(!ArchiveDatabase());
    VERIFY_PROMPTS(p);
    if (tag == "frozen books") Session().settings.dbFrozen = false;
    SetShowTransactionHook(nullptr);
    QCOMPARE(shown, straddling);
    verifyUntouched();
    QCOMPARE(QFileInfo::exists(folder()), tag == "folder exists");
  }

  // A distant balance date: the rebalance's question is asked before anything
  // is copied or purged, and the rebalance after the purge asks nothing.
  void distantBalanceDateAskedFirst() {
    TDateRec far = Today();
    NextYear(far);
    NextYear(far);
    SetPeriodDates(20240101, DateRecToYmd(far));
    ScriptedPrompter p;
    script(p, kAsked, folder());
    p.choice("Balance date " + DateRecToText(far) + " is distant! Generate repeaters to ...", 2);
    script(p,
           {"Y|" + kLastChance, "I|Making directory FOLDERDATA/",
            "I|Archive complete - run now Database Repair to check / tidy-up"},
           folder());
    QVERIFY(ArchiveDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(!RebalanceNeeded());
    QCOMPARE(CountAll("txn"), 1);
  }

  // The rebalance after the purge stops (a transaction straddles the balance
  // date): the books stay marked as needing one, in the settings file too.
  void rebalanceStoppedAfterPurgeLeavesFlag() {
    const int32_t straddling = write('P', 20241230, 100, cur_, shop_, food_, 20250102);
    QVERIFY(straddling);
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    script(p,
           kAsked + QStringList{"Y|" + kLastChance, "I|Making directory FOLDERDATA/",
                                "I|Transaction #ID (displayed) straddles 2024-12-31 and a later "
                                "date\r(use Edit|Unstraddle to resolve this)",
                                "I|Archive complete - run now Database Repair to check / tidy-up"},
           folder(), straddling);
    QVERIFY(ArchiveDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 2);
    QVERIFY(RebalanceNeeded());
    QCOMPARE(IniFile(books_->iniPath()).readBool("main", "RebalNeeded", false), true);
    QCOMPARE(RecentDatabases().slot[0], folder() + "DATA/vorbek.fdb");
  }

  // The copy's vorbek.fdb cannot be written (skipped after the question): the
  // purge never runs, and the books are reopened as they were.
  void incompleteCopyDeletesNothing() {
    SpoilingPrompter p;
    p.blockedCopy = folder() + "DATA/vorbek.fdb";
    script(p,
           kAsked + QStringList{"Y|" + kLastChance, "R|File open error on vorbek.fdb - retry?",
                                "I|Archive stopped - the copy FOLDERDATA/vorbek.fdb is missing or "
                                "not the size of the database; nothing was deleted"},
           folder());
    QVERIFY(!ArchiveDatabase());
    VERIFY_PROMPTS(p);
    verifyUntouched();
    QCOMPARE(RecentDatabases().slot[0], QString());
  }

  // A category's sum with no default pot to take it: nothing is purged, the
  // copy stays, the live books keep their dates.
  void failedPurgeRollsBack() {
    Session().settings.defaultPotId = 999;
    ScriptedPrompter p;
    script(p,
           kAsked + QStringList{"Y|" + kLastChance, "I|Making directory FOLDERDATA/",
                                "I|Account not found : #999", "I|Archive failed"},
           folder());
    QVERIFY(!ArchiveDatabase());
    VERIFY_PROMPTS(p);
    Session().settings.defaultPotId = 1;
    verifyUntouched();
    QVERIFY(QFileInfo(folder() + "DATA/vorbek.fdb").isFile());
    QCOMPARE(RecentDatabases().slot[0], folder() + "DATA/vorbek.fdb");
  }

  // The process dying during the archive (stopped through the test hook): the live
  // books open current and whole, and the next attempt says what the folder holds.
  void interruptedArchive_data() {
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("held");  // what the next attempt says of the folder
    const QString unfinished =
        "It holds an unfinished copy left by an archive that was interrupted; nothing was "
        "deleted from these books. Delete the folder, then archive again.";
    const QString unpurged =
        "It holds a complete copy, but these books still hold the transactions up to that date "
        "(the archive was interrupted before they were removed). Delete the folder, then archive "
        "again.";
    QTest::newRow("while copying") << "archive copying" << unfinished;
    QTest::newRow("after the copy") << "archive copy made" << unpurged;
    QTest::newRow("during the purge") << "archive purge" << unpurged;
  }
  void interruptedArchive() {
    QFETCH(QString, point);
    QFETCH(QString, held);
    SetInterruptionHook([&](const char* at) { return point == QLatin1String(at); });
    {
      ScriptedPrompter p;
      script(p, kAsked + QStringList{"Y|" + kLastChance, "I|Making directory FOLDERDATA/"},
             folder());
      const bool archived = ArchiveDatabase();
      SetInterruptionHook({});
      QVERIFY(!archived);
      VERIFY_PROMPTS(p);
    }
    // What dying does: the open transaction is lost, the settings are not saved.
    RollbackIfActive();
    CloseConnection();
    BusyOff();

    ResetSession();
    Session().dataFolder = books_->folder();
    {
      ScriptedPrompter quiet;
      QVERIFY(OpenDatabase());
      VERIFY_PROMPTS(quiet);
    }
    verifyUntouched();
    if (point != "archive copying")
      QCOMPARE(IniFile(folder() + "DATA/ZADEZEVU.INI").readBool("main", "DBFrozen", false), true);

    Session().settings.washCtgies = true;
    SetRebalanceNeeded(false);
    ScriptedPrompter again;
    script(again, kAsked + QStringList{"I|Cannot archive - folder already exists FOLDER\r" + held},
           folder());
    QVERIFY(!ArchiveDatabase());
    VERIFY_PROMPTS(again);
  }

  void editDates_data() {
    QTest::addColumn<bool>("start");
    QTest::addColumn<int>("picked");  // 0 = calendar closed
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("frozen");
    QTest::newRow("start date") << true << 20200101 << QStringList() << false;
    QTest::newRow("end date makes an archive")
        << false << 20231231
        << QStringList{"This database is an archive, you must not make changes to it", "freezing"}
        << true;
    QTest::newRow("closed") << true << 0 << QStringList() << false;
  }
  void editDates() {
    QFETCH(bool, start);
    QFETCH(int, picked);
    QFETCH(QStringList, messages);
    QFETCH(bool, frozen);
    ScriptedPrompter p;
    p.date(start ? "Enter database start date ..." : "Enter database end date ...", picked);
    for (const QString& m : messages) p.info(m);
    QCOMPARE(start ? EditDatabaseStartDate() : EditDatabaseEndDate(), picked != 0);
    VERIFY_PROMPTS(p);
    QCOMPARE(paramDate(start ? 2 : 3), picked);
    QCOMPARE(start ? Session().dbStartDate : Session().dbEndDate, picked);
    QCOMPARE(Session().settings.dbFrozen, frozen);
  }
};

QTEST_GUILESS_MAIN(TstArchive)
#include "tst_archive.moc"
