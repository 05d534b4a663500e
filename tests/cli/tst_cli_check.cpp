// vorbek-cli check, run as the real program on books damaged through SQL: the
// exit codes of each outcome, the lines on stdout, --log as a copy of HCHK.TXT,
// and the backup a repair makes still holding the damage it then mends.
#include <QDir>
#include <QFile>
#include <QtTest>
#include <memory>

#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliCheck : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;
  int32_t txn_ = 0, food_ = 0;

  void damage(const QString& sql) {
    QVERIFY(books_->open());
    QVERIFY(ExecSql(sql, {txn_, food_}));
    QVERIFY(CommitIfActive());
    CloseDatabase(false);
  }

  static QString logFolderOf(const QString& out) {
    const QStringList lines = out.split('\n');
    const int i = int(lines.indexOf("This log (HCHK.TXT) and database backup  saved to"));
    const int j = i >= 0 ? i : int(lines.indexOf("This log (HCHK.TXT)  saved to"));
    return j >= 0 ? lines.value(j + 1).trimmed() : QString();
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    TTxn t = NewTxn();
    t.ccy = "GBP";
    t.txnDate = TDateRec{2024, 3, 15};
    t.amount = t.value = 500;
    t.accId1 = AddTestAccount(1, "Current");
    t.accId2 = AddTestAccount(4, "Shop");
    t.accId4 = food_ = AddTestAccount(3, "Food");
    QVERIFY(WriteTransaction(t) && CommitIfActive());
    txn_ = t.id;
    CloseDatabase(false);
  }
  void cleanup() { books_.reset(); }

  void cleanBooks() {
    const CliRun check = RunCli({"check", folder_});
    QCOMPARE(check.code, 0);
    QVERIFY(check.out.contains("\nScan completed at "));
    QCOMPARE(RunCli({"check", folder_, "--text"}).code, 0);
    QCOMPARE(RunCli({"check", folder_, "--repair", "--text"}).code, 2);
  }

  void repairMendsAndTheBackupKeepsTheDamage() {
    damage("delete from pstg where txnid = ? and objid = ?");
    const QString line =
        QString("Error (for auto-repair) : Txn %1 posting not found accid4").arg(txn_);
    QTemporaryDir dir;
    const QString copy = dir.filePath("log.txt");
    const CliRun check = RunCli({"check", folder_, "--log", copy});
    QCOMPARE(check.code, 1);
    QVERIFY2(check.out.contains(line), qPrintable(check.out));
    QFile a(copy), b(logFolderOf(check.out) + "/HCHK.TXT");
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
    QVERIFY(!QFile::exists(logFolderOf(check.out) + "/vorbek.fdb"));  // no backup for a check

    const CliRun repair = RunCli({"check", folder_, "--repair"});
    QCOMPARE(repair.code, 0);
    QVERIFY(repair.out.contains(
        QString("Error (repaired) : Txn %1 posting not found accid4").arg(txn_)));
    const QString backup = logFolderOf(repair.out);
    QVERIFY2(QFile::exists(backup + "/vorbek.fdb"), qPrintable(repair.out));
    QCOMPARE(RunCli({"check", folder_}).code, 0);

    // The copy, opened as books of its own, still lacks the posting.
    QVERIFY(QFile::copy(books_->iniPath(), backup + "/ZADEZEVU.INI"));
    const CliRun old = RunCli({"check", backup, "--no-backup"});
    QCOMPARE(old.code, 1);
    QVERIFY(old.out.contains(line));
  }

  void manualErrorsRemain() {
    damage("update txn set val = 0 where id = ? and ? > 0");
    const CliRun repair = RunCli({"check", folder_, "--repair", "--no-backup"});
    QCOMPARE(repair.code, 1);
    QVERIFY2(repair.out.contains(
                 QString("Error (for manual repair) : Txn P %1 txn value not set").arg(txn_)),
             qPrintable(repair.out));
  }

  void notRun() {
    SetBooksIniKey(books_->iniPath(), "DBFrozen", "1");
    const CliRun frozen = RunCli({"check", folder_, "--repair"});
    QCOMPARE(frozen.code, 4);
    QVERIFY(frozen.err.contains("Cannot repair database, database is frozen"));
    QCOMPARE(RunCli({"check", folder_}).code, 0);  // a check of frozen books runs

    // A file where the log folder should go.
    QVERIFY(QDir(folder_ + "Healthchecks").removeRecursively());
    QFile blocker(folder_ + "Healthchecks");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const CliRun noFolder = RunCli({"check", folder_});
    QCOMPARE(noFolder.code, 4);
    QVERIFY(noFolder.err.contains("Cannot create folder " + folder_ + "Healthchecks/HCHK"));
    QVERIFY(noFolder.err.contains("Healthcheck abandoned"));
    QCOMPARE(RunCli({"check", folder_ + "nothing-here"}).code, 4);
  }
};

QTEST_GUILESS_MAIN(TstCliCheck)
#include "tst_cli_check.moc"
