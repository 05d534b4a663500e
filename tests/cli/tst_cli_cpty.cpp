// vorbek-cli cpty categories, channel list / add / delete and txn add
// --channel, run as the real program on real books: what the windows list,
// the refusals with their texts, and the bypass question answered by flag.
#include <QtTest>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

struct Ids {
  int32_t bank = 0, shop = 0, shopOwn = 0, food = 0, fuel = 0;
};

}  // namespace

class TstCliCpty : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QString folder_;
  Ids ids_;

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  // A bank, a counterparty with an open account of its own, two categories.
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    folder_ = books_->folder();
    ids_.bank = AddTestAccount(kKindExternal, "Bank");
    ids_.shop = AddTestAccount(kKindCounterparty, "Shop");
    ids_.shopOwn = AddTestAccount(kKindExternal, "Shop owes");
    ids_.food = AddTestAccount(kKindCategory, "Food");
    ids_.fuel = AddTestAccount(kKindCategory, "Fuel");
    QVERIFY(ExecSql("update account set opendate = 20200101"));
    QVERIFY(ExecSql("update account set accwith = ? where id = ?", {ids_.shop, ids_.shopOwn}));
    QVERIFY(ExecSql("update account set cptypays = 0, cptyrcvs = 1 where id = ?", {ids_.shop}));
    QVERIFY(CommitIfActive());
    CloseDatabase(false);
  }
  void cleanup() { books_.reset(); }

  void channels() {
    const QString bank = QString::number(ids_.bank);
    QCOMPARE(RunCliOk({"channel", "add", folder_, bank, "--name", "Card; drop table txn;--",
                       "--type", "p"})
                 .out.trimmed(),
             QString("Added channel #1 \"Card; drop table txn\""));
    RunCliOk({"channel", "add", folder_, bank, "--name", "Paying in", "--type", "R"});
    RunCliOk({"channel", "add", folder_, bank, "--name", "Old book", "--closed"});

    auto listed = [&](const QStringList& extra) {
      QStringList out;
      for (const auto& r :
           CsvRecords(RunCliOk(QStringList{"--csv", "channel", "list", folder_, bank} + extra).out))
        out << r.value("chnum") + " " + r.value("channel");
      return out;
    };
    QCOMPARE(listed({}), QStringList({"0 < no channel >", "3 (closed) Old book",
                                      "1 Card; drop table txn", "2 Paying in"}));
    QCOMPARE(listed({"--direction", "P"}),
             QStringList({"0 < no channel >", "3 (closed) Old book", "1 Card; drop table txn"}));
    const CliRun json = RunCliOk({"--json", "channel", "list", folder_, bank});
    QCOMPARE(JsonRecords(json.out).size(), 4);

    // Refusals: no name, not an external account, a bad type.
    CliRun r = RunCli({"channel", "add", folder_, bank, "--name", " "});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Channel name must be specified"), qPrintable(r.err));
    r = RunCli({"channel", "add", folder_, QString::number(ids_.food), "--name", "X"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("is not an external account"), qPrintable(r.err));
    QCOMPARE(RunCli({"channel", "add", folder_, bank, "--name", "X", "--type", "Q"}).code, 2);

    // A payment through channel 1 keeps it; a channel of another account is refused.
    const QStringList pay{"txn",
                          "add",
                          folder_,
                          "--type",
                          "P",
                          "--date",
                          "2024-01-05",
                          "--amount",
                          "10.00",
                          "--ext",
                          QString::number(ids_.shopOwn),
                          "--cpty",
                          QString::number(ids_.shop),
                          "--int",
                          QString::number(ids_.food)};
    r = RunCli(pay + QStringList{"--channel", "1"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("channel 1 belongs to account " + bank), qPrintable(r.err));
    RunCliOk({"channel", "add", folder_, QString::number(ids_.shopOwn), "--name", "Tab"});
    RunCliOk(pay + QStringList{"--channel", "4"});

    // A channel a transaction used stays; an unused one goes after Yes.
    r = RunCli({"--yes", "channel", "delete", folder_, "4"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Channel has transaction(s) - cannot delete"), qPrintable(r.err));
    QCOMPARE(RunCli({"--no", "channel", "delete", folder_, "2"}).code, 1);
    QCOMPARE(RunCliOk({"--yes", "channel", "delete", folder_, "2"}).out.trimmed(),
             QString("Deleted channel #2"));
    r = RunCli({"--yes", "channel", "delete", folder_, "2"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Channel 2 not found"), qPrintable(r.err));
  }

  // Paying the shop from the bank bypasses the shop's own account: --no
  // refuses, --yes saves, and the category becomes one of the shop's.
  void bypassAndCategories() {
    const QStringList pay{"txn",
                          "add",
                          folder_,
                          "--type",
                          "P",
                          "--date",
                          "2024-01-05",
                          "--amount",
                          "10.00",
                          "--ext",
                          QString::number(ids_.bank),
                          "--cpty",
                          QString::number(ids_.shop),
                          "--int",
                          QString::number(ids_.fuel)};
    const CliRun no = RunCli(QStringList{"--no"} + pay);
    QCOMPARE(no.code, 1);
    QVERIFY2(no.err.contains("This transaction will bypass your external account with this "
                             "counterparty - continue anyway? ?"),
             qPrintable(no.err));
    const CliRun none =
        RunCliOk({"--csv", "cpty", "categories", folder_, QString::number(ids_.shop)});
    QVERIFY(CsvRecords(none.out).isEmpty());

    RunCliOk(QStringList{"--yes"} + pay);
    QStringList sale = pay;
    sale[4] = "R";
    sale.last() = QString::number(ids_.food);
    RunCliOk(QStringList{"--yes"} + sale);
    auto pages = [&](bool s) {
      QStringList out;
      QStringList args{"--csv", "cpty", "categories", folder_, QString::number(ids_.shop)};
      if (s) args << "--sale";
      for (const auto& r : CsvRecords(RunCliOk(args).out))
        out << r.value("page") + " " + r.value("id") + " " + r.value("category");
      return out;
    };
    QCOMPARE(pages(false), QStringList({"Preferred " + QString::number(ids_.fuel) + " Fuel"}));
    QCOMPARE(pages(true), QStringList({"Preferred " + QString::number(ids_.food) + " Food"}));
    const CliRun notCpty = RunCli({"cpty", "categories", folder_, QString::number(ids_.bank)});
    QCOMPARE(notCpty.code, 1);
    QVERIFY2(notCpty.err.contains("is not a counterparty"), qPrintable(notCpty.err));
  }
};

QTEST_GUILESS_MAIN(TstCliCpty)
#include "tst_cli_cpty.moc"
