// vorbek-cli killed (SIGKILL) at fixed points of an upgrade, an archive and the
// making of new books, as a crash or a power cut would end it: the next run
// finds the books usable, current and whole, and says what was left behind.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "store/db.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

// Runs vorbek-cli with VORBEK_KILL_AT set, so that it kills itself at that point.
// Its Firebird lock files are its own: a process killed while it holds the
// engine's shared trace mutex would otherwise stall every later one.
CliRun RunKilledAt(const QString& point, const QStringList& args) {
  QTemporaryDir locks;
  const QByteArray previous = qgetenv("FIREBIRD_LOCK");
  qputenv("FIREBIRD_LOCK", locks.path().toUtf8());
  qputenv("VORBEK_KILL_AT", point.toUtf8());
  const CliRun run = RunCli(args);
  qunsetenv("VORBEK_KILL_AT");
  if (previous.isNull())
    qunsetenv("FIREBIRD_LOCK");
  else
    qputenv("FIREBIRD_LOCK", previous);
  return run;
}

}  // namespace

class TstCliKilled : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }

  void upgrade_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("point");
    QTest::addRow("step 21, first statement") << 20 << "upgrade statement#1";
    QTest::addRow("step 28, fifth statement") << 27 << "upgrade statement#5";
    QTest::addRow("copy made, no step yet") << 30 << "upgrade copy made";
    QTest::addRow("step 34, rates rewritten") << 33 << "upgrade statement#3";
  }
  void upgrade() {
    QFETCH(int, from);
    QFETCH(QString, point);
    TestBooks books(from, TestBooks::Closed);
    QVERIFY2(books.ok(), qPrintable(books.error()));
    const QStringList info{"--yes", "info", books.folder()};
    QCOMPARE(RunKilledAt(point, info).code, -2);
    const CliRun next = RunCliOk(info);
    QVERIFY2(next.out.contains("Schema version  34"), qPrintable(next.out));
    QVERIFY2(next.err.contains("The last upgrade of these books was interrupted - they were put "
                               "back as they were before it, from " +
                               books.folder() + "vorbek-v" + QString::number(from)),
             qPrintable(next.err));
    QVERIFY(!QFileInfo::exists(books.folder() + "vorbek-upgrade-under-way.txt"));
  }

  void archive_data() {
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("held");
    QTest::addRow("while copying") << "archive copying"
                                   << "It holds an unfinished copy";
    QTest::addRow("after the copy") << "archive copy made"
                                    << "It holds a complete copy";
    QTest::addRow("during the purge") << "archive purge"
                                      << "It holds a complete copy";
  }
  void archive() {
    QFETCH(QString, point);
    QFETCH(QString, held);
    TestBooks books(TestBooks::Closed);
    const QString folder = books.folder();
    RunCliOk({"account", "add", folder, "--kind", "external", "--name", "Current"});
    RunCliOk({"account", "add", folder, "--kind", "counterparty", "--name", "Shop"});
    RunCliOk({"account", "add", folder, "--kind", "category", "--name", "Food"});
    RunCliOk({"txn", "add", folder, "--type", "P", "--date", "2023-06-01", "--amount", "10.00",
              "--ext", "2", "--cpty", "3", "--int", "4"});
    RunCliOk({"rebalance", folder});
    QTemporaryDir home;
    const QStringList archive{"--yes",      "archive", folder,     "--date",
                              "2023-12-31", "--home",  home.path()};
    QCOMPARE(RunKilledAt(point, archive).code, -2);

    const CliRun info = RunCliOk({"info", folder});
    QVERIFY2(info.out.contains("End date        none"), qPrintable(info.out));
    QVERIFY2(info.err.isEmpty() || !info.err.contains("archive"), qPrintable(info.err));
    RunCliOk({"txn", "show", folder, "1"});
    // Still current: new transactions are taken.
    RunCliOk({"txn", "add", folder, "--type", "P", "--date", "2024-01-02", "--amount", "1.00",
              "--ext", "2", "--cpty", "3", "--int", "4"});
    RunCliOk({"rebalance", folder});

    const CliRun again = RunCli(archive);
    QVERIFY(again.code != 0);
    QVERIFY2(again.err.contains("Cannot archive - folder already exists " + home.path() +
                                "/ARCHIVE/2023-12-31/") &&
                 again.err.contains(held),
             qPrintable(again.err));
  }

  void creation() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/books";
    QCOMPARE(RunKilledAt("books creation", {"create", folder, "--base", "GBP"}).code, -2);
    QVERIFY(!QFileInfo::exists(folder + "/vorbek.fdb"));
    RunCliOk({"create", folder, "--base", "GBP"});
    RunCliOk({"info", folder});
  }

  // New books are upgraded without forced writes; what an interrupted upgrade
  // puts back must have them.
  void creationKilledInItsUpgrade() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/books/";
    QCOMPARE(RunKilledAt("upgrade statement#3", {"create", folder, "--base", "GBP"}).code, -2);
    const CliRun next = RunCliOk({"--answer", "GBP", "info", folder});
    QVERIFY2(next.out.contains("Schema version  34"), qPrintable(next.out));
    QVERIFY2(next.err.contains("The last upgrade of these books was interrupted"),
             qPrintable(next.err));
    QString error;
    QVERIFY2(OpenConnection(folder + "vorbek.fdb", error), qPrintable(error));
    QVERIFY(ConnectionForcedWrites());
    CloseConnection();
  }
};

QTEST_GUILESS_MAIN(TstCliKilled)
#include "tst_cli_killed.moc"
