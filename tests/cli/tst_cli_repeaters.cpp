// vorbek-cli repeater verbs (add, list, deactivate, delete, weed), run as the real program on real
// books whose balance date is 2024-03-15.
#include <QtTest>

#include "store/db.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/upgrade.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

class TstCliRepeaters : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  void setting(const QString& key, int value) {
    IniFile ini(folder_ + "ZADEZEVU.INI");
    ini.writeInteger("main", key, value);
    QVERIFY(ini.save());
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);  // GBP books, default pot #1
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current"});       // #2
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Landlord"});  // #3
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Housing"});       // #4
    RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Savings"});       // #5
    setting("BalFrom", 20240101);
    setting("BalAt", 20240315);
  }
  void cleanup() { books_.reset(); }

  void addAndList() {
    QCOMPARE(
        RunCliOk({"repeater",   "add",    folder_, "--type",   "P",      "--amount", "1,250.00",
                  "--from",     "2",      "--to",  "4",        "--cpty", "3",        "--start",
                  "2024-01-31", "--freq", "M",     "--remind", "3",      "--desc",   "Rent; 'flat'",
                  "--ref",      "R1"})
            .out,
        QString("Added repeater #1\nGenerated 3 instance(s)\n"));
    const QString shown = RunCliOk({"txn", "show", folder_, "2"}).out;
    QVERIFY2(shown.contains("Date 2024-03-02\n"), qPrintable(shown));
    QVERIFY(shown.contains("Instance 2 of repeater 1\n"));
    QVERIFY(shown.contains("Description Rent; 'flat'\n"));
    QVERIFY(shown.contains("  2 Current 2024-03-02 -1,250.00 GBP"));
    QVERIFY(shown.contains("  4 Housing 2024-03-02 -1,250.00 GBP"));

    // A transfer every two weeks, once only: made inactive by the same run.
    QCOMPARE(RunCliOk({"repeater", "add", folder_, "--type", "C", "--amount", "10", "--from", "2",
                       "--to", "5", "--start", "2024-03-01", "--freq", "w", "--inc", "2", "--count",
                       "1"})
                 .out,
             QString("Added repeater #2\nGenerated 1 instance(s)\n"));
    QCOMPARE(RunCliOk({"txn", "show", folder_, "4"}).out.count("Instance 1 of repeater 2"), 1);

    const QString header =
        "id,start,end,freq,txn_type,amount,gen_to,description,active,"
        "account_1,account_2,account_3,account_4\n";
    const QString rent =
        "1,2024-01-31,,1M,Payt/Purch,1250.00,3,Rent; "
        "'flat',ACTIVE,Current,Landlord,,Housing\n";
    QCOMPARE(RunCliOk({"--csv", "repeater", "list", folder_}).out, header + rent);
    QCOMPARE(RunCliOk({"--csv", "repeater", "list", folder_, "--all"}).out,
             header + rent + "2,2024-03-01,,2W,Tfr,10.00,1,,,Current,Savings,,\n");
    QCOMPARE(JsonRecords(RunCliOk({"--json", "repeater", "list", folder_, "--all"}).out),
             CsvRecords(header + rent + "2,2024-03-01,,2W,Tfr,10.00,1,,,Current,Savings,,\n"));
    const QString text = RunCliOk({"repeater", "list", folder_}).out;
    QVERIFY2(text.startsWith("Id  Start       End  Freq  Txn type    Amount    GenTo"),
             qPrintable(text));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("extra");  // after "repeater add DIR"
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const QStringList base{"--amount", "5", "--from", "2", "--to", "4", "--start", "2024-01-01"};
    QTest::newRow("payment without counterparty")
        << base + QStringList{"--type", "P", "--freq", "M"} << 2
        << "a payment or receipt needs --cpty";
    QTest::newRow("unknown frequency")
        << base + QStringList{"--type", "P", "--cpty", "3", "--freq", "Q"} << 2
        << "--freq must be one of D, W, M, Y";
    QTest::newRow("diary type") << base + QStringList{"--type", "D", "--freq", "M"} << 2
                                << "--type must be one of P, R, C";
    QTest::newRow("unknown account")
        << base + QStringList{"--type", "P", "--cpty", "9", "--freq", "M"} << 1
        << "Account #9 not found - transaction not written";
    QTest::newRow("yearly without reminder, declined")
        << base + QStringList{"--type", "P", "--cpty", "3", "--freq", "Y", "--no"} << 1
        << " No reminder, are you sure? [no]";
    QTest::newRow("increment 0") << base + QStringList{"--type", "P", "--cpty", "3",
                                                       "--freq", "M", "--inc",  "0"}
                                 << 1 << "Increment must be from 1 to 100";
    QTest::newRow("impossible end")
        << base + QStringList{"--type", "P", "--cpty", "3", "--freq", "M", "--end", "2024-02-30"}
        << 1 << "Invalid date \"2024-02-30\"";
    QTest::newRow("frozen") << base + QStringList{"--type", "C", "--freq", "M", "FROZEN"} << 1
                            << "Cannot enter new transactions, database is frozen";
  }
  void refusals() {
    QFETCH(QStringList, extra);
    QFETCH(int, code);
    QFETCH(QString, message);
    if (extra.removeAll("FROZEN") > 0) setting("DBFrozen", 1);
    const CliRun r = RunCli(QStringList{"repeater", "add", folder_} + extra);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(RunCliOk({"--csv", "repeater", "list", folder_, "--all"}).out.count('\n'), 1);
    QCOMPARE(RunCli({"txn", "show", folder_, "1"}).code, 1);
  }

  // An archive copy that was unfrozen once is frozen again by every verb's
  // opening: a rebalance generates no instances into it.
  void archiveCopyGetsNoInstances() {
    RunCliOk({"repeater", "add", folder_, "--type", "P", "--amount", "10", "--from", "2", "--to",
              "4", "--cpty", "3", "--start", "2024-01-31", "--freq", "M"});
    QVERIFY(books_->open());
    const int txns = CountAll("txn");
    Session().dbEndDate = 20240315;
    QVERIFY(WriteParamDates() && CommitIfActive());
    Session().settings.dbFrozen = false;
    CloseDatabase();
    setting("BalAt", 20240630);

    const CliRun r = RunCliOk({"rebalance", folder_});
    QVERIFY2(r.err.contains("This database is an archive, you must not make changes to it\n"
                            "freezing\n"),
             qPrintable(r.err));
    QVERIFY(r.err.contains("Cannot generate repeater instances, database is frozen"));
    QVERIFY(books_->open());
    QCOMPARE(CountAll("txn"), txns);
    CloseDatabase(false);
  }

  // Deactivate, delete (keeping or deleting the instances) and weed, with the
  // list showing what is left; frozen books refuse each of them.
  void masterCommands() {
    const QStringList rent{"repeater", "add",     folder_,      "--type", "P", "--amount",
                           "10",       "--from",  "2",          "--to",   "4", "--cpty",
                           "3",        "--start", "2024-01-31", "--freq", "M"};
    RunCliOk(rent);  // #1, instances 1-3 (txns 1-3)
    RunCliOk(rent);  // #2, txns 4-6
    RunCliOk(rent);  // #3, txns 7-9
    auto ids = [this] {
      QStringList out;
      const auto records =
          CsvRecords(RunCliOk({"--csv", "repeater", "list", folder_, "--all"}).out);
      for (const auto& r : records) out << r["id"] + (r["active"].isEmpty() ? "-" : "+");
      return out.join(' ');
    };

    setting("DBFrozen", 1);
    for (const QStringList& verb :
         {QStringList{"deactivate", folder_, "1", "--yes"},
          QStringList{"delete", folder_, "1", "--yes"}, QStringList{"weed", folder_, "--yes"}}) {
      const CliRun r = RunCli(QStringList{"repeater"} + verb);
      QCOMPARE(r.code, 1);
      QVERIFY2(r.err.contains(verb.first() == "deactivate"
                                  ? "Cannot deactivate repeater, database is frozen"
                                  : "Cannot delete repeater, database is frozen"),
               qPrintable(r.err));
    }
    setting("DBFrozen", 0);
    QCOMPARE(ids(), QString("1+ 2+ 3+"));

    const CliRun missing = RunCli({"repeater", "deactivate", folder_, "9", "--yes"});
    QCOMPARE(missing.code, 1);
    QVERIFY2(missing.err.contains("Repeater Master #9 not found\n"), qPrintable(missing.err));
    for (const char* id : {"1", "2", "3"})
      QCOMPARE(RunCliOk({"repeater", "deactivate", folder_, id, "--yes"}).out,
               "Deactivated repeater #" + QString(id) + "\n");
    QCOMPARE(ids(), QString("1- 2- 3-"));

    const CliRun kept =
        RunCliOk({"repeater", "delete", folder_, "1", "--instances", "retain", "--yes"});
    QCOMPARE(kept.out, QString("Deleted repeater #1\n"));
    QVERIFY2(
        kept.err.contains("Delete Repeater #1 : also delete 3 Instance(s)? [Retain Instances]"),
        qPrintable(kept.err));
    QCOMPARE(RunCliOk({"repeater", "delete", folder_, "2", "--instances", "delete", "--yes"}).out,
             QString("Deleted repeater #2\n"));
    QCOMPARE(RunCli({"repeater", "delete", folder_, "3", "--instances", "later"}).code, 2);
    QCOMPARE(ids(), QString("3-"));
    QCOMPARE(RunCli({"txn", "show", folder_, "1"}).code, 0);  // retained
    QCOMPARE(RunCli({"txn", "show", folder_, "4"}).code, 1);  // deleted with its master

    QCOMPARE(RunCliOk({"repeater", "weed", folder_, "--yes"}).out,
             QString("Deleted 1 inactive repeater(s)\n"));
    QCOMPARE(ids(), QString());
    QCOMPARE(RunCli({"txn", "show", folder_, "7"}).code, 0);  // weeding keeps the instances
  }
};

QTEST_GUILESS_MAIN(TstCliRepeaters)
#include "tst_cli_repeaters.moc"
