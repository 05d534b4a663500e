// Transactions and postings against real books (base GBP): the postings of
// every type, writing all or nothing, texts stored exactly, reconciled
// balances, the protection questions, deleting (FX rule, repeater instances),
// cancelling, batches, reassigning, redating, straddles and journal flags.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

int32_t addAccount(int kind, const QString& name, const QString& ccy = QStringLiteral("GBP")) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.ccy = ccy;
  return WriteAccount(o) ? o.id : 0;
}

const QString kSure = QStringLiteral("\rAre you sure you want to add/amend/delete transaction?");

}  // namespace

class TstPosting : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t euro_ = 0, cur_ = 0, save_ = 0, shop_ = 0, food_ = 0, fuel_ = 0, pub_ = 0;

  // Postings of a transaction as "who amt val ccy date contra ch seq", by account id.
  QStringList postings(int32_t txnId) {
    QStringList out;
    QSqlQuery q = RunQuery(
        "select objid, amt, val, ccy, pstgdate, contra, chnum, seq, recamt, rngbal, dppstgdate, "
        "dprngbal, batchnum from pstg where txnid = ? order by objid",
        {txnId});
    while (q.next()) {
      QString line =
          who(q.value(0).toInt()) + " " + q.value(1).toString() + " " + q.value(2).toString() +
          " " + q.value(3).toString().trimmed() + " " + q.value(4).toString() + " c" +
          who(q.value(5).toInt()) + " ch" + q.value(6).toString() + " " +
          (q.value(7).toInt() == txnId ? QString("seq=id") : "seq=" + q.value(7).toString());
      if (q.value(8).toLongLong() != 0 || q.value(9).toLongLong() != 0)
        line += " rec" + q.value(8).toString() + "/" + q.value(9).toString();
      if (q.value(10).toInt() != 1 || q.value(11).toInt() != 1)
        line += " dp" + q.value(10).toString() + q.value(11).toString();
      if (q.value(12).toInt() != 0)
        line += " b" + QString(q.value(12).toInt() == txnId ? "id" : q.value(12).toString());
      out << line;
    }
    return out;
  }
  QString who(int32_t id) {
    if (id == 0) return "0";
    if (id == euro_) return "EUR";
    if (id == cur_) return "CUR";
    if (id == save_) return "SAVE";
    if (id == shop_) return "SHOP";
    if (id == food_) return "FOOD";
    if (id == fuel_) return "FUEL";
    if (id == pub_) return "PUB";
    return "#" + QString::number(id);
  }
  int32_t idOf(const QString& w) {
    const QMap<QString, int32_t> m{{"EUR", euro_},  {"CUR", cur_},   {"SAVE", save_},
                                   {"SHOP", shop_}, {"FOOD", food_}, {"FUEL", fuel_},
                                   {"PUB", pub_}};
    return m.value(w, 0);
  }
  TTxn txn(QChar type, int32_t ymd, int64_t amount, int32_t a1, int32_t a2, int32_t a4 = 0,
           int32_t date2 = 0) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = "GBP";
    t.txnDate = YmdToDateRec(ymd);
    t.postingDate = YmdToDateRec(date2);
    t.amount = amount;
    t.value = amount;
    t.accId1 = a1;
    t.accId2 = a2;
    t.accId4 = a4;
    return t;
  }
  int32_t written(TTxn t) {
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }
  void reconcile(int32_t account, const QString& date) {
    TObj a;
    QVERIFY(ReadAccount(account, a));
    a.reconciledText = date;
    QVERIFY(WriteAccount(a));
    QVERIFY(CommitIfActive());
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    Session().periodTo = 20241231;
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    euro_ = addAccount(1, "Euro acc", "EUR");
    cur_ = addAccount(1, "Current");
    shop_ = addAccount(4, "Shop");
    food_ = addAccount(3, "Food");
    fuel_ = addAccount(3, "Fuel");
    pub_ = addAccount(4, "Pub");
    save_ = addAccount(1, "Savings");
    QVERIFY(euro_ && cur_ && shop_ && food_ && fuel_ && pub_ && save_);
    exec("insert into rate (ccycode, rdate, rate) values ('EUR', 20240510, ?)", {1000.0 / 850.0});
    QVERIFY(CommitIfActive());
  }
  void cleanup() { books_.reset(); }

  void postingsOfEachType_data() {
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QString>("accounts");  // ACCID1 ACCID2 ACCID4
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<int>("date2");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("EUR payment valued in GBP")
        << QChar('P') << "EUR SHOP FOOD" << qint64(1000) << false << 0
        << QStringList{"EUR -1000 -850 EUR 20240510 cSHOP ch3 seq=id",
                       "SHOP 1000 850 EUR 20240510 cEUR ch0 seq=id",
                       "FOOD -850 -850 GBP 20240510 cSHOP ch0 seq=id"};
    QTest::newRow("the same cancelled")
        << QChar('P') << "EUR SHOP FOOD" << qint64(1000) << true << 0
        << QStringList{"EUR 0 0 EUR 20240510 cSHOP ch3 seq=id",
                       "SHOP 0 0 EUR 20240510 cEUR ch0 seq=id",
                       "FOOD 0 0 GBP 20240510 cSHOP ch0 seq=id"};
    QTest::newRow("EUR payment with a posting date")
        << QChar('P') << "EUR SHOP FOOD" << qint64(1000) << false << 20240513
        << QStringList{"EUR -1000 -850 EUR 20240513 cSHOP ch3 seq=id",
                       "SHOP 1000 850 EUR 20240513 cEUR ch0 seq=id",
                       "FOOD -850 -850 GBP 20240510 cSHOP ch0 seq=id"};
    QTest::newRow("receipt without internal account")
        << QChar('R') << "CUR SHOP -" << qint64(2500) << false << 0
        << QStringList{"CUR 2500 2500 GBP 20240510 cSHOP ch3 seq=id",
                       "SHOP -2500 -2500 GBP 20240510 cCUR ch0 seq=id"};
    QTest::newRow("receipt with internal account")
        << QChar('R') << "CUR SHOP FOOD" << qint64(2500) << false << 0
        << QStringList{"CUR 2500 2500 GBP 20240510 cSHOP ch3 seq=id",
                       "SHOP -2500 -2500 GBP 20240510 cCUR ch0 seq=id",
                       "FOOD 2500 2500 GBP 20240510 cSHOP ch0 seq=id"};
    QTest::newRow("transfer") << QChar('C') << "CUR SAVE -" << qint64(700) << false << 0
                              << QStringList{"SAVE 700 700 GBP 20240510 cCUR ch0 seq=id",
                                             "CUR -700 -700 GBP 20240510 cSAVE ch3 seq=id"};
    QTest::newRow("FX loss keeps its sign")
        << QChar('F') << "FOOD - -" << qint64(-321) << false << 0
        << QStringList{"FOOD -321 -321 GBP 20240510 c0 ch3 seq=id"};
    QTest::newRow("diary") << QChar('D') << "- - -" << qint64(0) << false << 0
                           << QStringList{"0 0 0 GBP 20240510 c0 ch3 seq=id dp10"};
    QTest::newRow("reconciled balance")
        << QChar('Z') << "CUR - -" << qint64(4200) << false << 0
        << QStringList{"CUR 0 0 GBP 20240510 c0 ch3 seq=99999999 rec4200/4200"};
  }
  void postingsOfEachType() {
    QFETCH(QChar, type);
    QFETCH(QString, accounts);
    QFETCH(qint64, amount);
    QFETCH(bool, cancelled);
    QFETCH(int, date2);
    QFETCH(QStringList, expected);
    const QStringList a = accounts.split(' ');
    TTxn t = txn(type, 20240510, amount, idOf(a[0]), idOf(a[1]), idOf(a[2]), date2);
    t.channel = 3;
    t.cancelled = cancelled;
    if (a[0] == "EUR") {
      t.ccy = "EUR";
      ScriptedPrompter p;
      QVERIFY(SetTxnValue(t));
      VERIFY_PROMPTS(p);
      QCOMPARE(qint64(t.value), qint64(850));
    }
    const int32_t id = written(t);
    QVERIFY(id > 0);
    QStringList want = expected;
    want.sort();
    QStringList got = postings(id);
    got.sort();
    QCOMPARE(got, want);
    // A payment or receipt records its counterparty/internal pair once.
    const int pairs = CountAll("cptyctgy");
    QCOMPARE(pairs, (type == 'P' || type == 'R') && a[2] != "-" ? 1 : 0);
  }

  void textsStoredExactly() {
    TTxn t = txn('P', 20240510, 100, cur_, shop_, food_);
    t.narrative = "O'Brien \"Q\"; drop table txn; --";
    t.reference = "'); delete from pstg";
    const int32_t id = written(t);
    QVERIFY(id > 0);
    TTxn back;
    QVERIFY(ReadTxn(id, back));
    QCOMPARE(back.narrative, t.narrative);
    QCOMPARE(back.reference, t.reference);
    QCOMPARE(CountRows("pstg", "txnid = ?", {id}), 3);
  }

  void missingAccountRefusedNothingWritten() {
    const int32_t before = written(txn('P', 20240501, 100, cur_, shop_, food_));
    QVERIFY(before > 0);
    const int txns = CountAll("txn"), pstgs = CountAll("pstg"), pairs = CountAll("cptyctgy");
    Session().settings.rebalNeeded = false;
    ScriptedPrompter p;
    p.info("Account #999 not found - transaction not written");
    TTxn t = txn('P', 20240510, 100, cur_, shop_, 999);
    QVERIFY(!WriteTransaction(t));
    VERIFY_PROMPTS(p);
    QVERIFY(CommitIfActive());
    QCOMPARE(CountAll("txn"), txns);
    QCOMPARE(CountAll("pstg"), pstgs);
    QCOMPARE(CountAll("cptyctgy"), pairs);
    // The next transaction still gets the next id (TXN and PSTG still end together).
    QCOMPARE(written(txn('P', 20240510, 100, cur_, shop_, food_)), before + 1);
  }

  // Transactions the books must never hold, whoever writes them: refused with
  // nothing written (a master included, which would write such instances).
  void impossibleTxnRefused_data() {
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QString>("accounts");  // ACCID1 ACCID2 ACCID4
    QTest::addColumn<QString>("ccy");
    QTest::addColumn<int>("date");
    QTest::addColumn<bool>("master");
    QTest::addColumn<QString>("message");  // {NAME} stands for the account's id
    const QString twice = "Program error : Account #{CUR} twice in one transaction";
    QTest::newRow("transfer to its own account") << QChar('C') << "CUR CUR -"
                                                 << "GBP" << 20240510 << false << twice;
    QTest::newRow("repeater master from and to one account") << QChar('C') << "CUR CUR -"
                                                             << "GBP" << 20240510 << true << twice;
    QTest::newRow("internal account = counterparty")
        << QChar('P') << "CUR SHOP SHOP"
        << "GBP" << 20240510 << false << "Program error : Account #{SHOP} twice in one transaction";
    QTest::newRow("category as counterparty")
        << QChar('P') << "CUR FOOD FUEL"
        << "GBP" << 20240510 << false
        << "Program error : Account #{FOOD} (internal account) cannot be the counterparty of a "
           "Payment/Purchase";
    QTest::newRow("external account as category")
        << QChar('R') << "CUR SHOP SAVE"
        << "GBP" << 20240510 << false
        << "Program error : Account #{SAVE} (external account) cannot be the internal account of "
           "a Receipt/Sale";
    QTest::newRow("counterparty as external account")
        << QChar('P') << "SHOP PUB FOOD"
        << "GBP" << 20240510 << false
        << "Program error : Account #{SHOP} (counterparty) cannot be the external account of a "
           "Payment/Purchase";
    QTest::newRow("group in a transfer")
        << QChar('C') << "CUR BANKS -"
        << "GBP" << 20240510 << false
        << "Program error : Account #{BANKS} (external group) cannot be the transfer account of a "
           "Transfer";
    QTest::newRow("transfer from a bank to a category")
        << QChar('C') << "CUR FOOD -"
        << "GBP" << 20240510 << false
        << "Program error : Account #{FOOD} (internal account) cannot be the transfer account of "
           "a Transfer";
    QTest::newRow("GBP transfer into a EUR account")
        << QChar('C') << "CUR EUR -"
        << "GBP" << 20240510 << false
        << "Program error : Account/currency mismatch : account #{EUR} is EUR, the posting GBP";
    QTest::newRow("EUR payment from a GBP account")
        << QChar('P') << "CUR SHOP FOOD"
        << "EUR" << 20240510 << false
        << "Program error : Account/currency mismatch : account #{CUR} is GBP, the posting EUR";
    QTest::newRow("USD reconciled balance on a EUR account")
        << QChar('Z') << "EUR - -"
        << "USD" << 20240510 << false
        << "Program error : Account/currency mismatch : account #{EUR} is EUR, the posting USD";
    QTest::newRow("no date") << QChar('P') << "CUR SHOP FOOD"
                             << "GBP" << 0 << false
                             << "One or both of Actual Transaction/Posting Dates must be completed";
  }
  void impossibleTxnRefused() {
    QFETCH(QChar, type);
    QFETCH(QString, accounts);
    QFETCH(QString, ccy);
    QFETCH(int, date);
    QFETCH(bool, master);
    QFETCH(QString, message);
    const int32_t banks = addAccount(8, "Banks");
    QVERIFY(banks > 0 && CommitIfActive());
    auto id = [&](const QString& w) { return w == "BANKS" ? banks : idOf(w); };
    const QStringList a = accounts.split(' ');
    TTxn t = txn(type, date, 1000, id(a[0]), id(a[1]), id(a[2]));
    t.ccy = ccy;
    if (master) {
      t.status = 1;
      t.rpt.freq = 'M';
      t.rpt.rptInc = 1;
      t.rpt.startDate = t.txnDate;
    }
    QString expected =
        message + (message.startsWith("Program") ? " - transaction not written" : "");
    for (const QString w : {"CUR", "SAVE", "EUR", "SHOP", "PUB", "FOOD", "BANKS"})
      expected.replace("{" + w + "}", QString::number(id(w)));
    const int txns = CountAll("txn"), pstgs = CountAll("pstg"), masters = CountAll("rptr");
    ScriptedPrompter p;
    p.info(expected);
    QVERIFY(!WriteTransaction(t));
    if (!master) {
      p.info(expected);
      QVERIFY(!PostTransaction(t));  // the repeater generator's way in
    }
    VERIFY_PROMPTS(p);
    QVERIFY(CommitIfActive());
    QCOMPARE(CountAll("txn"), txns);
    QCOMPARE(CountAll("pstg"), pstgs);
    QCOMPARE(CountAll("rptr"), masters);
  }

  void postingFailureLeavesNothing() {
    const int32_t first = written(txn('P', 20240501, 100, cur_, shop_, food_));
    QVERIFY(first > 0);
    // The database refuses the third posting; the row and the first two go too.
    QVERIFY(ExecSqlCommitted("alter table pstg add constraint pstg_test_ck check (amt <> -777)"));
    Session().settings.rebalNeeded = false;
    const int txns = CountAll("txn"), pstgs = CountAll("pstg");
    ScriptedPrompter p;
    TTxn t = txn('P', 20240510, 777, cur_, shop_, food_);
    QVERIFY(!WriteTransaction(t));
    QCOMPARE(p.seen().size(), 1);
    QVERIFY2(p.seen().first().contains("Database error : "), qPrintable(p.seen().first()));
    QCOMPARE(CountAll("txn"), txns);
    QCOMPARE(CountAll("pstg"), pstgs);
    QVERIFY(!RebalanceNeeded());
    QCOMPARE(t.id, 0);
    QVERIFY(CommitIfActive());
    QCOMPARE(written(txn('P', 20240510, 5, cur_, shop_, food_)), first + 1);
  }

  void rowWriterStatuses() {
    ScriptedPrompter p;
    TTxn master = txn('P', 20240510, 100, cur_, shop_, food_);
    master.status = 1;
    QVERIFY(WriteTransaction(master));  // a master goes to RPTR only
    QCOMPARE(CountAll("txn"), 0);
    QCOMPARE(CountAll("pstg"), 0);
    QVERIFY(LocateRepeater(master.masterId));
    TTxn orphan = txn('P', 20240510, 100, cur_, shop_, food_);
    orphan.status = 2;
    orphan.narrative = QString(30, 'n');
    p.info("Program error : wr_txn_ok 2");
    QVERIFY(WriteTransaction(orphan));
    VERIFY_PROMPTS(p);
    TTxn back;
    QVERIFY(ReadTxn(orphan.id, back));
    QCOMPARE(back.narrative, QString(30, 'n') + "progerr wr");
    QCOMPARE(back.instance, 0);
  }

  void reconciledBalanceSortsLast() {
    const int32_t pay = written(txn('P', 20240510, 1500, cur_, shop_, food_));
    const int32_t rec = WriteReconciledBalance(cur_, TDateRec{2024, 5, 10}, -1500);
    QVERIFY(rec > pay);
    QCOMPARE(postings(rec), QStringList{"CUR 0 0 GBP 20240510 c0 ch0 seq=99999999 rec-1500/-1500"});
    QSqlQuery q = RunQuery(
        "select txnid from pstg where objid = ? and pstgdate = 20240510 order by pstgdate, seq",
        {cur_});
    QList<int> order;
    while (q.next()) order << q.value(0).toInt();
    QCOMPARE(order, (QList<int>{pay, rec}));
    TObj a;
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, QString("2024-05-10"));
    // An earlier reconciled balance leaves the account's date alone.
    QVERIFY(WriteReconciledBalance(cur_, TDateRec{2024, 5, 1}, 0) > 0);
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, QString("2024-05-10"));

    // Deleting it asks to unreconcile; the account's date falls back to the balance left.
    ScriptedPrompter p;
    p.yes("Unreconcile balance?");
    QVERIFY(DeleteTransaction(rec));
    VERIFY_PROMPTS(p);
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, QString("2024-05-01"));
    QCOMPARE(CountRows("pstg", "txnid = ?", {rec}), 0);
  }

  void protectionQuestions() {
    const int32_t id = written(txn('P', 20240510, 1000, cur_, shop_, food_));
    reconcile(cur_, "2024-05-31");
    TTxn old;
    QVERIFY(ReadTxn(id, old));

    ScriptedPrompter p;
    // Only the narrative changes: no net change on any account, no question.
    TTxn renamed = old;
    renamed.narrative = "new words";
    QVERIFY(CheckReconciledAndFreeze(old, renamed));
    VERIFY_PROMPTS(p);

    // The amount changes on an account reconciled to a later date.
    const QString question = "Reconciled balance for account \"Current\"will be altered!" + kSure;
    p.text("Enter amount", "12.00").no(question);
    QVERIFY(!EditTxnAmount(id));
    TTxn back;
    QVERIFY(ReadTxn(id, back));
    QCOMPARE(qint64(back.amount), qint64(1000));
    p.text("Enter amount", "12.00").yes(question);
    QVERIFY(EditTxnAmount(id));
    VERIFY_PROMPTS(p);
    QVERIFY(ReadTxn(id, back));
    QCOMPARE(qint64(back.amount), qint64(1200));
    QVERIFY(postings(id).contains("CUR -1200 -1200 GBP 20240510 cSHOP ch0 seq=id"));

    // New and deleted transactions before the reconciled date ask too; after it, nothing.
    p.no(question);
    QVERIFY(!CheckNewTxn(txn('R', 20240520, 5, cur_, shop_)));
    QVERIFY(CheckNewTxn(txn('R', 20240601, 5, cur_, shop_)));
    QVERIFY(CheckNewTxn(txn('Z', 20240501, 5, cur_, 0)));
    p.yes(question);
    QVERIFY(CheckDeleteTxn(back));
    p.no(question);
    QVERIFY(!CheckCancelToggle(back));
    p.text("Enter amount", "-1").info("Amount must be >= 0");
    QVERIFY(!EditTxnAmount(id));
    VERIFY_PROMPTS(p);
  }

  void fxDeleteRule() {
    const int32_t jan = written(txn('F', 20240131, -300, food_, 0));
    const int32_t feb = written(txn('F', 20240229, 200, food_, 0));
    QCOMPARE(CheckFxDelete(20240201), 20240229);
    QCOMPARE(CheckFxDelete(20240301), 0);
    ScriptedPrompter p;
    p.info("Cannot delete FX gain/loss - more recent found");
    QVERIFY(!DeleteTransaction(jan));
    p.no("Delete txn #" + QString::number(feb) + " ?");
    QVERIFY(!DeleteTransaction(feb));
    p.yes("Delete txn #" + QString::number(feb) + " ?");
    QVERIFY(DeleteTransaction(feb));
    p.yes("Delete txn #" + QString::number(jan) + " ?");
    QVERIFY(DeleteTransaction(jan));
    p.info("txn not found 4242");
    QVERIFY(!DeleteTransaction(4242));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 0);
    QCOMPARE(CountRows("pstg", "txnid > 0"), 0);
  }

  void deleteTakesPostingsAndReminders() {
    const int32_t id = written(txn('P', 20240510, 100, cur_, shop_, food_));
    exec(
        "insert into remdr (id, txnid, rmdate, tgdate, text) values (1, ?, 20240509, 20240510, "
        "'x')",
        {id});
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    p.yes("Delete txn #" + QString::number(id) + " ?");
    QVERIFY(DeleteTransaction(id));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("pstg", "txnid = ?", {id}), 0);
    QCOMPARE(CountAll("remdr"), 0);
    QVERIFY(!LocateTxn(id));
  }

  void repeaterInstances() {
    TRptr r;
    r.id = 1;
    r.ccy = "GBP";
    r.amount = 100;
    r.accId1 = cur_;
    r.accId2 = shop_;
    r.sched.freq = QChar('M');
    r.sched.startDate = TDateRec{2024, 1, 1};
    r.sched.active = true;
    r.sched.genTo = 5;
    QVERIFY(WriteRptrRow(r));
    QList<int32_t> ids;
    for (int i = 1; i <= 5; ++i) {
      TTxn t = txn('P', 20240100 + i, 100, cur_, shop_);
      t.masterId = 1;
      t.instance = i;
      ids << written(t);
    }
    ScriptedPrompter p;
    p.ask("Txn is an instance of a Active Repeater. Also delete all later instances?", 'C')
        .ask("Txn is an instance of a Active Repeater. Also delete all later instances?", 'N')
        .yes("Deleted instance will not be regenerated at next Rebal. Still OK to delete?");
    QVERIFY(!DeleteTransaction(ids[2]));
    QVERIFY(DeleteTransaction(ids[2]));
    QCOMPARE(CountRows("txn", "masterid = 1"), 4);
    QVERIFY(!LocateTxn(ids[2]));
    p.ask("Txn is an instance of a Active Repeater. Also delete all later instances?", 'Y')
        .yes(
            "Deleted instance(s) will be regenerated at next Rebal : use Cancel instead to avoid "
            "this. Still OK to delete?")
        .no("Regenerate deleted instances now?");
    QVERIFY(DeleteTransaction(ids[3]));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("txn", "masterid = 1"), 2);
    QCOMPARE(CountRows("pstg", "txnid in (?, ?)", {ids[3], ids[4]}), 0);
    QCOMPARE(QueryValue("select gento from rptr where id = 1").toInt(), 3);

    // Instance 3 is gone but the master's GENTO is 3: instance 2 is not its last.
    p.ask("Txn is an instance of a Active Repeater. Also delete all later instances?", 'C');
    QVERIFY(!DeleteTransaction(ids[1]));
    VERIFY_PROMPTS(p);

    // A deleted master: the latest instance goes alone without a question.
    exec("delete from rptr");
    QVERIFY(CommitIfActive());
    p.ask("Txn is an instance of a deleted Repeater. Also delete all later instances?", 'N');
    QVERIFY(DeleteTransaction(ids[0]));
    QVERIFY(DeleteTransaction(ids[1]));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("txn", "masterid = 1"), 0);
  }

  void cancelAndUncancel() {
    const int32_t id = written(txn('P', 20240510, 900, cur_, shop_, food_));
    QCOMPARE(CancelCaption(true), QString("Cancel transaction"));
    QCOMPARE(CancelCaption(false), QString("Uncancel transaction"));
    ScriptedPrompter p;
    QVERIFY(CancelTransaction(id, true));
    QCOMPARE(postings(id).filter(" 0 0 GBP").size(), 3);
    QVERIFY(CancelTransaction(id, false));
    QVERIFY(postings(id).contains("FOOD -900 -900 GBP 20240510 cSHOP ch0 seq=id"));
    VERIFY_PROMPTS(p);
  }

  void batches() {
    const int32_t a = written(txn('P', 20240510, 100, cur_, shop_, food_));
    const int32_t b = written(txn('P', 20240511, 200, cur_, shop_, food_));
    ScriptedPrompter p;
    p.text("Batch number", QString::number(a));
    QVERIFY(SetBatch(b));
    TTxn ta, tb;
    QVERIFY(ReadTxn(a, ta) && ReadTxn(b, tb));
    QCOMPARE(ta.batch, a);
    QCOMPARE(tb.batch, a);
    QCOMPARE(CountRows("pstg", "batchnum = ?", {a}), 6);
    p.info("Transaction #" + QString::number(b) + " is already in a batch (#" + QString::number(a) +
           ")");
    QVERIFY(!StartBatch(b));
    QVERIFY(StartBatch(a));
    QVERIFY(LeaveBatch(b));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("pstg", "batchnum = ?", {a}), 3);
    QCOMPARE(CountRows("pstg", "txnid = ? and batchnum = 0", {b}), 3);
  }

  void reassign() {
    const int32_t id = written(txn('P', 20240510, 400, cur_, shop_, food_));
    QVERIFY(ReassignAccount(id, fuel_, 3));
    QVERIFY(ReassignAccount(id, pub_, 4));
    QVERIFY(CommitIfActive());
    QStringList got = postings(id);
    got.sort();
    QCOMPARE(got, (QStringList{"CUR -400 -400 GBP 20240510 cPUB ch0 seq=id",
                               "FUEL -400 -400 GBP 20240510 cPUB ch0 seq=id",
                               "PUB 400 400 GBP 20240510 cCUR ch0 seq=id"}));
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QCOMPARE(t.accId4, fuel_);
    QCOMPARE(t.accId2, pub_);
    QVERIFY(LocateCptyCtgy(pub_, fuel_, "P"));
    const int32_t tfr = written(txn('C', 20240510, 5, cur_, save_));
    ScriptedPrompter p;
    p.info("Skipping txn #" + QString::number(tfr))
        .info("Account #999 not found - transaction not written");
    QVERIFY(!ReassignAccount(tfr, food_, 3));
    QVERIFY(!ReassignAccount(id, 999, 1));
    VERIFY_PROMPTS(p);
  }

  void redate() {
    const int32_t id = written(txn('P', 20240510, 400, cur_, shop_, food_));
    TPstg ext;
    QVERIFY(ReadPosting(id, cur_, ext));
    ScriptedPrompter p;
    p.date("", 0);  // calendar closed: nothing
    QVERIFY(!RedatePosting(ext));
    p.date("", 20240515);
    QVERIFY(RedatePosting(ext));
    QStringList got = postings(id);
    got.sort();
    QCOMPARE(got, (QStringList{"CUR -400 -400 GBP 20240515 cSHOP ch0 seq=id",
                               "FOOD -400 -400 GBP 20240510 cSHOP ch0 seq=id",
                               "SHOP 400 400 GBP 20240515 cCUR ch0 seq=id"}));
    reconcile(cur_, "2024-05-12");
    QVERIFY(ReadPosting(id, cur_, ext));
    p.date("", 20240511).info("Cannot redate : will upset reconciled balance");
    QVERIFY(!RedatePosting(ext));
    VERIFY_PROMPTS(p);
  }

  void straddles_data() {
    QTest::addColumn<int>("txnDate");
    QTest::addColumn<int>("date2");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<int>("boundary");
    QTest::addColumn<QChar>("side");
    QTest::addColumn<bool>("found");
    QTest::newRow("B: before, posted after")
        << 20240331 << 20240402 << false << 20240401 << QChar('B') << true;
    QTest::newRow("B: both before")
        << 20240331 << 20240331 << false << 20240401 << QChar('B') << false;
    QTest::newRow("B: cancelled") << 20240331 << 20240402 << true << 20240401 << QChar('B')
                                  << false;
    QTest::newRow("B: on the day, posted before")
        << 20240401 << 20240330 << false << 20240401 << QChar('B') << true;
    QTest::newRow("B: no posting date")
        << 20240331 << 0 << false << 20240401 << QChar('B') << false;
    QTest::newRow("F: on the day, posted after")
        << 20240331 << 20240401 << false << 20240331 << QChar('F') << true;
    QTest::newRow("F: after, posted on the day")
        << 20240401 << 20240331 << false << 20240331 << QChar('F') << true;
    QTest::newRow("F: both on or before")
        << 20240330 << 20240331 << false << 20240331 << QChar('F') << false;
  }
  void straddles() {
    QFETCH(int, txnDate);
    QFETCH(int, date2);
    QFETCH(bool, cancelled);
    QFETCH(int, boundary);
    QFETCH(QChar, side);
    QFETCH(bool, found);
    TTxn t = txn('P', txnDate, 100, cur_, shop_, food_, date2);
    t.cancelled = cancelled;
    const int32_t id = written(t);
    QCOMPARE(FindStraddlingTxn(boundary, side), found ? id : 0);
    int32_t shown = 0;
    SetShowTransactionHook([&](int32_t x) { shown = x; });
    ScriptedPrompter p;
    if (found)
      p.info("Transaction #" + QString::number(id) + " (displayed) straddles " +
             YmdToText(boundary) + " and a " + (side == 'B' ? "prior" : "later") +
             " date\r(use Edit|Unstraddle to resolve this)");
    QCOMPARE(CheckNoStraddle(boundary, side), !found);
    VERIFY_PROMPTS(p);
    SetShowTransactionHook(nullptr);
    QCOMPARE(shown, found ? id : 0);
  }

  void unstraddle() {
    TTxn t = txn('P', 20240331, 400, cur_, shop_, food_, 20240402);
    t.channel = 2;
    t.reference = "chq 1";
    const int32_t id = written(t);
    ScriptedPrompter p;
    p.info("External Account \"Shop owes\" created");
    QVERIFY(Unstraddle(id));
    VERIFY_PROMPTS(p);
    QCOMPARE(FindStraddlingTxn(20240401, 'B'), 0);
    TObj shop, owes;
    QVERIFY(ReadAccount(shop_, shop));
    QVERIFY(shop.heldWith > 0);
    QVERIFY(ReadAccount(shop.heldWith, owes));
    QCOMPARE(owes.name, QString("Shop owes"));
    QCOMPARE(owes.heldWith, shop_);
    QCOMPARE(DateRecToYmd(owes.openDate), 20240402);
    TTxn back;
    QVERIFY(ReadTxn(id, back));
    QCOMPARE(back.accId1, owes.id);
    QCOMPARE(back.batch, id);
    QCOMPARE(back.reference, QString());
    QCOMPARE(back.channel, 0);
    QVERIFY(back.postingDate.isZero());
    const int32_t u = QueryValue("select id from txn where narrative = 'unstraddle'").toInt();
    TTxn tfr;
    QVERIFY(ReadTxn(u, tfr));
    QCOMPARE(tfr.type, QChar('C'));
    QCOMPARE(tfr.accId1, cur_);
    QCOMPARE(tfr.accId2, owes.id);
    QCOMPARE(DateRecToYmd(tfr.txnDate), 20240402);
    QCOMPARE(tfr.batch, id);
    QCOMPARE(qint64(tfr.amount), qint64(400));
  }

  void journalFlags() {
    const int32_t a = written(txn('P', 20240510, 1, cur_, shop_));
    const int32_t b = written(txn('P', 20240510, 1, cur_, shop_));
    const int32_t c = written(txn('P', 20240509, 1, cur_, shop_));
    exec("update txn set dpdate = 1");
    QVERIFY(CommitIfActive());
    QVERIFY(RefreshJournalFlags());
    QCOMPARE(QueryValue("select dpdate from txn where id = ?", {c}).toInt(), 1);
    QCOMPARE(QueryValue("select dpdate from txn where id = ?", {a}).toInt(), 1);
    QCOMPARE(QueryValue("select dpdate from txn where id = ?", {b}).toInt(), 0);
  }

  void typeNames_data() {
    QTest::addColumn<QChar>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shortName");
    QTest::newRow("P") << QChar('P') << "Payment/Purchase"
                       << "Payt/Purch";
    QTest::newRow("R") << QChar('R') << "Receipt/Sale"
                       << "Rcpt/Sale";
    QTest::newRow("C") << QChar('C') << "Transfer"
                       << "Tfr";
    QTest::newRow("F") << QChar('F') << "FX Gain/Loss"
                       << "FXGainLoss";
    QTest::newRow("D") << QChar('D') << "Diary"
                       << "Diary";
    QTest::newRow("Z") << QChar('Z') << "Reconciled Balance"
                       << "ReconBal";
    QTest::newRow("A") << QChar('A') << "Brought-Forward (b/fd) posting"
                       << "unknown";
    QTest::newRow("Q") << QChar('Q') << "unknown!"
                       << "unknown";
  }
  void typeNames() {
    QFETCH(QChar, code);
    QFETCH(QString, name);
    QFETCH(QString, shortName);
    QCOMPARE(TxnTypeName(code), name);
    QCOMPARE(TxnTypeShortName(code), shortName);
  }
};

QTEST_GUILESS_MAIN(TstPosting)
#include "tst_posting.moc"
