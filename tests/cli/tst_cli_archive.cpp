// vorbek-cli archive, run as the real program on real books: the questions
// need --yes, the live books lose the archived transactions, the copy keeps
// them, is listed in the program folder's VORBEK2.INI and refuses changes.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "store/inifile.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliArchive : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);  // GBP books, default pot #1
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current"});   // #2
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Shop"});  // #3
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Food"});      // #4
    RunCliOk({"txn", "add", folder_, "--type", "P", "--date", "2023-06-01", "--amount", "10.00",
              "--ext", "2", "--cpty", "3", "--int", "4"});  // #1
    RunCliOk({"txn", "add", folder_, "--type", "P", "--date", "2024-02-01", "--amount", "5.00",
              "--ext", "2", "--cpty", "3", "--int", "4"});  // #2
    RunCliOk({"rebalance", folder_});
  }
  void cleanup() { books_.reset(); }

  void archiveAndTheCopy() {
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QStringList archive{"archive", folder_, "--date", "2023-12-31", "--home", home.path()};

    // Without answers the first question ends the command and nothing happens.
    const CliRun unanswered = RunCli(archive);
    QCOMPARE(unanswered.code, 3);
    QVERIFY2(unanswered.err.contains("Archive - Have you run Database Healthcheck ?"),
             qPrintable(unanswered.err));
    QVERIFY(!QFileInfo::exists(home.path() + "/ARCHIVE/2023-12-31"));
    RunCliOk({"txn", "show", folder_, "1"});

    const QString copyFolder = home.path() + "/ARCHIVE/2023-12-31/DATA/";
    const CliRun done = RunCliOk(QStringList{"--yes"} + archive);
    QCOMPARE(done.out.trimmed(), "Archived to " + home.path() + "/ARCHIVE/2023-12-31/");
    QVERIFY2(done.err.contains("Archive complete - run now Database Repair to check / tidy-up"),
             qPrintable(done.err));
    QCOMPARE(RunCli({"txn", "show", folder_, "1"}).code, 1);  // purged
    RunCliOk({"txn", "show", folder_, "2"});
    IniFile ini(home.path() + "/VORBEK2.INI");
    bool listed = false;
    for (int i = 0; i < 10; ++i)
      listed |= ini.readString("main", QStringLiteral("DB%1").arg(i, 2, 10, QChar('0')), "") ==
                copyFolder + "vorbek.fdb";
    QVERIFY(listed);

    // The copy keeps the transaction, announces itself and refuses changes.
    const CliRun shown = RunCliOk({"txn", "show", copyFolder, "1"});
    QVERIFY(shown.out.contains("Txn #1 Payment/Purchase"));
    QVERIFY2(shown.err.contains("This database is an archive, you must not make changes to it"),
             qPrintable(shown.err));
    const CliRun refused = RunCli({"txn", "add", copyFolder, "--type", "P", "--date", "2023-07-01",
                                   "--amount", "1", "--ext", "2", "--cpty", "3"});
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.err.contains("Cannot enter new transactions, database is frozen"));

    // The same date again: the folder is there.
    const CliRun again = RunCli(QStringList{"--yes"} + archive);
    QCOMPARE(again.code, 1);
    QVERIFY2(again.err.contains("Cannot archive - folder already exists " + home.path() +
                                "/ARCHIVE/2023-12-31/"),
             qPrintable(again.err));
  }

  // A balance date years ahead: the rebalance's choice is asked before
  // anything is copied or purged, so an unanswered one leaves the books whole.
  void distantBalanceDate() {
    QTemporaryDir home;
    QVERIFY(home.isValid());
    SetBooksIniKey(books_->iniPath(), "BalAt", "29991231");
    const QStringList archive{"--yes",      "archive", folder_,    "--date",
                              "2023-12-31", "--home",  home.path()};
    const CliRun unanswered = RunCli(archive);
    QCOMPARE(unanswered.code, 3);
    QVERIFY2(unanswered.err.contains("Balance date 2999-12-31 is distant!"),
             qPrintable(unanswered.err));
    QVERIFY(!QFileInfo::exists(home.path() + "/ARCHIVE/2023-12-31"));
    RunCliOk({"txn", "show", folder_, "1"});

    const CliRun done = RunCliOk(QStringList{"--answer", "2"} + archive);
    QVERIFY2(done.err.contains("Archive complete"), qPrintable(done.err));
    QCOMPARE(RunCli({"txn", "show", folder_, "1"}).code, 1);  // purged
    QCOMPARE(BooksIniValue(books_->iniPath(), "RebalNeeded"), QStringLiteral("0"));
  }
};

QTEST_GUILESS_MAIN(TstCliArchive)
#include "tst_cli_archive.moc"
