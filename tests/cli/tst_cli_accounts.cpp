// vorbek-cli account add / list / find / search / close / delete / move and
// hierarchy rebuild, run as the real program on real books.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/dates.h"
#include "reports/account_books.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

using Run = CliRun;
using account_books::DaysAgo;
Run cli(const QStringList& args) { return RunCli(args); }

// account list --csv as rows of fields (header dropped); a field never holds a comma here.
QList<QStringList> listed(const QString& folder) {
  const Run r = cli({"--csv", "account", "list", folder});
  QList<QStringList> rows;
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  for (int i = 1; i < lines.size(); ++i) rows << lines[i].split(',');
  return rows;
}

QStringList rowOf(const QString& folder, const QString& id) {
  for (const QStringList& r : listed(folder))
    if (r.value(0) == id) return r;
  return {};
}

}  // namespace

class TstCliAccounts : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;

  // The books of the accounts-list reports, written here and closed for the program.
  void buildStatusBooks() {
    QVERIFY(books_->open());
    QString error;
    QVERIFY2(account_books::BuildAccountBooks(error), qPrintable(error));
    CloseDatabase(false);
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>(TestBooks::Closed);  // GBP books, default pot #1
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
  }
  void cleanup() { books_.reset(); }

  void addListMoveRebuild() {
    QCOMPARE(RunCliOk({"account", "add", folder_, "--kind", "intgroup", "--name", "Household"})
                 .out.trimmed(),
             QString("Added internal group #2 \"Household\""));
    RunCliOk({"account", "add", folder_, "--kind", "10", "--name", "Bob's", "--group", "2"});
    RunCliOk({"account", "add", folder_, "--kind", "category", "--name", "Power", "--group", "3"});
    QCOMPARE(RunCliOk({"account", "add", folder_, "--kind", "external", "--name", "Current",
                       "--ccy", "gbp", "--opening", "1,234.50"})
                 .out.trimmed(),
             QString("Added external account #5 \"Current\""));
    RunCliOk({"account", "add", folder_, "--kind", "counterparty", "--name", "Landlord"});

    // The settings now ask for a path rebuild and a rebalance; the first
    // external account and counterparty became the defaults.
    IniFile ini(folder_ + "ZADEZEVU.INI");
    QCOMPARE(ini.readInteger("main", "ResetPaths", 0), 1);
    QCOMPARE(ini.readInteger("main", "RebalNeeded", 0), 1);
    QCOMPARE(ini.readInteger("main", "DefaultCashId", 0), 5);
    QCOMPARE(ini.readInteger("main", "DefaultCptyId", 0), 6);

    QCOMPARE(rowOf(folder_, "4"), (QStringList{"4", "category", "Power", "3",
                                               "Household : Bob's :", "GBP", "", "", ""}));
    const Run text = RunCliOk({"account", "list", folder_, "--kind", "external"});
    QVERIFY(text.out.startsWith("Id  Kind"));
    QCOMPARE(text.out.count('\n'), 2);  // the header and Current

    // Bob's moves to the top: its member's stored path is only right after the rebuild.
    QCOMPARE(RunCliOk({"account", "move", folder_, "3", "--group", "0"}).out.trimmed(),
             QString("Moved internal group #3 \"Bob's\" to the top level"));
    QCOMPARE(rowOf(folder_, "4").value(4), QString("Household : Bob's :"));
    const Run rebuilt = RunCliOk({"hierarchy", "rebuild", folder_});
    QCOMPARE(rebuilt.out.trimmed(),
             QString("Paths rebuilt: 1 accounts in groups, 1 account-in-group rows"));
    QVERIFY(rebuilt.err.contains("Paths rebuilt OK"));
    QCOMPARE(rowOf(folder_, "4").value(4), QString("Bob's :"));
    QCOMPARE(IniFile(folder_ + "ZADEZEVU.INI").readInteger("main", "ResetPaths", 1), 0);

    RunCliOk({"account", "move", folder_, "3", "--group", "2"});
    QCOMPARE(rowOf(folder_, "4").value(4), QString("Bob's :"));  // until the next rebuild
    QCOMPARE(rowOf(folder_, "3").value(4), QString("Household :"));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");  // in stderr
    QTest::newRow("name taken, other case")
        << QStringList{"account", "add", "@", "--kind", "pot", "--name", "DEFAULT POT"} << 1
        << "Internal Account \"Default pot\"already exists";
    QTest::newRow("wrong group kind")
        << QStringList{"account", "add",  "@",       "--kind", "external",
                       "--name",  "Bank", "--group", "1"}
        << 1 << "Acc/Grp invalid acctype combi";
    QTest::newRow("missing group")
        << QStringList{"account", "add", "@", "--kind", "pot", "--name", "Spare", "--group", "9"}
        << 1 << "Account not found : #9";
    QTest::newRow("unknown kind") << QStringList{"account", "add",    "@", "--kind",
                                                 "bucket",  "--name", "X"}
                                  << 2 << "unknown account kind \"bucket\"";
    QTest::newRow("invalid kind number")
        << QStringList{"account", "list", "@", "--kind", "7"} << 2 << "unknown account kind \"7\"";
    QTest::newRow("opening on a counterparty")
        << QStringList{"account", "add", "@", "--kind", "4", "--name", "X", "--opening", "5"} << 2
        << "only external and internal accounts have an opening balance";
    QTest::newRow("internal account in a currency")
        << QStringList{"account", "add", "@", "--kind", "pot", "--name", "X", "--ccy", "USD"} << 1
        << "internal accounts are in the base currency GBP";
    QTest::newRow("unknown currency")
        << QStringList{"account", "add", "@", "--kind", "external", "--name", "X", "--ccy", "USD"}
        << 1 << "currency USD is not in the currency table";
    QTest::newRow("delete default pot")
        << QStringList{"account", "delete", "@", "1"} << 1 << "Cannot delete  default Pot";
    QTest::newRow("delete unknown")
        << QStringList{"account", "delete", "@", "42"} << 1 << "Account not found : #42";
    QTest::newRow("into an account") << QStringList{"account", "move", "@", "1", "--group", "1"}
                                     << 1 << "Acc/Grp invalid acctype combi";
    QTest::newRow("close needs an answer")
        << QStringList{"account", "close", "@", "1"} << 3 << "question needs an answer";
    QTest::newRow("bad date") << QStringList{"account", "close", "@", "1", "--date", "2024-02-30"}
                              << 2 << "--date needs a date";
    QTest::newRow("usage") << QStringList{"account", "move", "@", "1"} << 2
                           << "usage: vorbek-cli account move DIR ID --group ID";
  }

  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    args.replaceInStrings("@", folder_);
    const QByteArray settings = FileFingerprint(folder_ + "ZADEZEVU.INI");
    const Run r = cli(args);
    QVERIFY2(r.code == code, qPrintable(QString::number(r.code) + "\n" + r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(listed(folder_).size(), 1);  // only the default pot, as before
    if (code == 2) QCOMPARE(FileFingerprint(folder_ + "ZADEZEVU.INI"), settings);
  }

  void closeAndDelete() {
    RunCliOk({"account", "add", folder_, "--kind", "extgroup", "--name", "Banks"});
    RunCliOk(
        {"account", "add", folder_, "--kind", "external", "--name", "Current", "--group", "2"});
    RunCliOk(
        {"account", "add", folder_, "--kind", "external", "--name", "Savings", "--group", "2"});

    // A group with an open member cannot close.
    const Run refused = cli({"account", "close", folder_, "2"});
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.err.contains("Group contains open subgroup/account \"Current\"- cannot close"));

    QCOMPARE(RunCliOk({"account", "close", folder_, "3", "--date", "2024-03-31"}).out.trimmed(),
             QString("Closed external account #3 \"Current\" on 2024-03-31"));
    RunCliOk({"account", "close", folder_, "4", "--date", "2024-04-30"});
    const Run group = RunCliOk({"account", "close", folder_, "2"});  // the latest member date
    QVERIFY(group.err.contains("OK to use latest account close date in group 2024-04-30 ?"));
    QCOMPARE(rowOf(folder_, "2").value(7), QString("2024-04-30"));

    // Deleting the group asks to empty it, then asks to delete it.
    const Run no = cli({"--no", "account", "delete", folder_, "2"});
    QCOMPARE(no.code, 1);
    QVERIFY(
        no.err.contains("Cannot delete group - it contains 2 account(s) / subgroup(s) - "
                        "empty the Group? [no]"));
    QCOMPARE(rowOf(folder_, "3").value(3), QString("2"));
    const Run yes = cli({"--yes", "account", "delete", folder_, "2"});
    QVERIFY2(yes.code == 0, qPrintable(yes.err));
    QVERIFY(yes.err.contains("Delete external group \"Banks\"? [yes]"));
    QCOMPARE(yes.out.trimmed(), QString("Deleted external group #2 \"Banks\""));
    QCOMPARE(rowOf(folder_, "2"), QStringList());
    QCOMPARE(rowOf(folder_, "3").value(3), QString());
    QCOMPARE(IniFile(folder_ + "ZADEZEVU.INI").readInteger("main", "ResetPaths", 0), 1);
  }

  // The accounts list, finder and search reports on books holding every status.
  void listFindSearch_data() {
    QTest::addColumn<QStringList>("args");  // after DIR
    QTest::addColumn<QString>("csv");       // the rows' Name/Status (list) or all columns
    QTest::newRow("list recent") << QStringList{"--kind", "external", "--status", "recent"}
                                 << "delta:new foxtrot: Golf:";
    QTest::newRow("list closed") << QStringList{"--kind", "1", "--status", "CLOSED"}
                                 << "Alpha:favorite bravo:closed";
    QTest::newRow("list all in GBP")
        << QStringList{"--kind", "external", "--ccy", "gbp"}
        << "Alpha:favorite bravo:closed Charlie:archived delta:new Echo:dormant foxtrot:";
    QTest::newRow("list another currency") << QStringList{"--ccy", "USD"} << "Golf:";
    QTest::newRow("list favourites of a family")
        << QStringList{"--kind", "category", "--status", "favorites"} << "Default pot:favorite";
  }
  void listFindSearch() {
    QFETCH(QStringList, args);
    QFETCH(QString, csv);
    buildStatusBooks();
    const Run r = RunCliOk(QStringList{"--csv", "account", "list", folder_} + args);
    QStringList got;
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QString("id,kind,name,group,path,currency,opened,closed,status"));
    for (int i = 1; i < lines.size(); ++i) {
      const QStringList f = lines[i].split(',');
      got << f.value(2) + ":" + f.value(8);
    }
    QCOMPARE(got.join(' '), csv);
  }

  void findAndSearch() {
    buildStatusBooks();
    const Run found =
        RunCliOk({"account", "find", folder_, "--kind", "external", "O", "--contains"});
    QCOMPARE(found.out, QString("Page      Id  Account\n"
                                "Actives   7   foxtrot\n"
                                "Actives   8   Golf (USD)\n"
                                "Dormants  6   Echo\n"
                                "Closed    3   bravo\n"
                                "Actives - 2, Dormants - 1, Closed - 1\n"));
    QCOMPARE(RunCliOk({"--csv", "account", "find", folder_, "--kind", "1", "ch"}).out,
             QString("page,id,account\nDormants,4,Charlie\n"));
    QCOMPARE(JsonRecords(RunCliOk({"--json", "account", "list", folder_, "--status", "all"}).out),
             CsvRecords(RunCliOk({"--csv", "account", "list", folder_, "--status", "all"}).out));

    // Texts with quotes, '&' and '%' are found as typed, in the notes too.
    const Run searched = RunCliOk(
        {"--csv", "account", "search", folder_, "--kind", "external", "O'BRIEN & co \"50%\""});
    QCOMPARE(searched.out,
             "id,account_name,group,ccy,first_used,last_used,closed\n7,foxtrot,,GBP," +
                 YmdToText(DaysAgo(700)) + "," + YmdToText(DaysAgo(5)) + ",\n");
    QCOMPARE(RunCliOk({"account", "search", folder_, "--kind", "external", "%"}).out.count('\n'),
             3);  // header, foxtrot, "1 items"
    QVERIFY(RunCliOk({"account", "search", folder_, "--kind", "1", "bank"}).out.contains("GROUP"));
  }

  void findAndSearchRefusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown status")
        << QStringList{"account", "list", "@", "--status", "asleep"}
        << "--status must be one of favorites|recent|dormant|closed|all";
    QTest::newRow("bad currency") << QStringList{"account", "list", "@", "--ccy", "EURO"}
                                  << "--ccy needs a three-letter currency code";
    QTest::newRow("find groups") << QStringList{"account", "find", "@", "--kind", "extgroup", "x"}
                                 << "--kind must be external, category, counterparty or pot";
    QTest::newRow("find without kind")
        << QStringList{"account", "find", "@", "x"} << "usage: vorbek-cli account find";
    QTest::newRow("empty search") << QStringList{"account", "search", "@", "--kind", "4", ""}
                                  << "the search text is empty";
  }
  void findAndSearchRefusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    args.replaceInStrings("@", folder_);
    const Run r = cli(args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
  }
};

QTEST_GUILESS_MAIN(TstCliAccounts)
#include "tst_cli_accounts.moc"
