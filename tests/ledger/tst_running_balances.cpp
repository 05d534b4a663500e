// Running balances of one account against real books (base GBP, period
// 2024): the balance after each posting, the two display flags per date, a
// category under the wash, postings of other currencies and types left alone,
// and only rows that differ written.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

}  // namespace

class TstRunningBalances : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t cur_ = 0, euro_ = 0, shop_ = 0, food_ = 0;

  int32_t account(int kind, const QString& name, const QString& ccy, int64_t opening) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.ccy = ccy;
    o.openingBalance = o.openingValue = opening;
    return WriteAccount(o) ? o.id : 0;
  }
  int32_t txn(QChar type, int32_t ymd, int64_t amount, int32_t a1, int32_t a2, int32_t a4 = 0,
              const QString& ccy = QStringLiteral("GBP")) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = ccy;
    t.txnDate = YmdToDateRec(ymd);
    t.amount = amount;
    t.value = amount;
    t.accId1 = a1;
    t.accId2 = a2;
    t.accId4 = a4;
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }
  // The account's GBP postings in statement order as "date type rngbal first shown".
  QStringList statement(int32_t account) {
    QStringList out;
    QSqlQuery q = RunQuery(
        "select pstgdate, txntype, rngbal, dppstgdate, dprngbal from pstg "
        "where objid = ? and ccy = 'GBP' order by ccy, objid, pstgdate, seq, txnid",
        {account});
    while (q.next())
      out << QStringLiteral("%1 %2 %3 %4%5")
                 .arg(q.value(0).toString(), q.value(1).toString().trimmed(), q.value(2).toString(),
                      q.value(3).toString(), q.value(4).toString());
    return out;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetPeriodDates(20240101, 20241231);
    Session().settings.washCtgies = true;
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    cur_ = account(1, "cur", "GBP", 50000);
    euro_ = account(1, "euro", "EUR", 0);
    shop_ = account(4, "shop", "GBP", 0);
    food_ = account(3, "food", "GBP", 10000);
    QVERIFY(cur_ && euro_ && shop_ && food_);
    QVERIFY(CommitIfActive());
  }
  void cleanup() { books_.reset(); }

  // Two postings on one date, one alone, a reconciled balance last on its
  // date; the diary and postings in another currency are not the account's.
  void balancesAndFlags() {
    QVERIFY(txn('P', 20240105, 1000, cur_, shop_, food_));
    QVERIFY(txn('R', 20240105, 2000, cur_, shop_, food_));
    QVERIFY(txn('P', 20240107, 500, cur_, shop_, food_));
    {
      // A EUR posting on cur, as books written before postings had to be in
      // their account's currency may hold: the record layer writes it as it is.
      TTxn t = NewTxn();
      t.type = 'C';
      t.ccy = "EUR";
      t.txnDate = YmdToDateRec(20240109);
      t.amount = t.value = 300;
      t.accId1 = cur_;
      t.accId2 = euro_;
      QVERIFY(InsertTxnRow(t));
      for (const TPstg& p : PostingsOf(t)) QVERIFY(WritePosting(p));
      QVERIFY(CommitIfActive());
    }
    QVERIFY(txn('P', 20240111, 700, cur_, shop_, food_));
    QVERIFY(txn('D', 20240111, 0, 0, 0));
    {
      ScriptedPrompter quiet;
      Session().workingCurrency = "GBP";
      QVERIFY(WriteReconciledBalance(cur_, YmdToDateRec(20240111), 50000));
    }
    ScriptedPrompter p;
    QVERIFY(CalcRunningBalances(cur_));
    VERIFY_PROMPTS(p);
    QVERIFY(CommitIfActive());
    QCOMPARE(p.flashes(), QStringList{"Calculating running balances"});
    // The reconciled balance comes after every posting of its date.
    QCOMPARE(statement(cur_),
             (QStringList{"20240105 P 49000 10", "20240105 R 51000 01", "20240107 P 50500 11",
                          "20240111 P 49800 10", "20240111 Z 49800 01"}));
    // The EUR posting is not in the account's currency: left as written.
    QCOMPARE(QueryValue("select rngbal || ' ' || ccy from pstg where objid = ? and txntype = 'C'",
                        {cur_})
                 .toString(),
             QStringLiteral("0 EUR"));
  }

  // With the wash on, a category's balance moves only from the period start:
  // its postings before show the opening balance.
  void categoryWash_data() {
    QTest::addColumn<bool>("wash");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("wash on") << true
                             << QStringList{"20231115 P 10000 11", "20231220 P 10000 11",
                                            "20240310 P 7500 11"};
    QTest::newRow("wash off") << false
                              << QStringList{"20231115 P 6000 11", "20231220 P 5000 11",
                                             "20240310 P 2500 11"};
  }
  void categoryWash() {
    QFETCH(bool, wash);
    QFETCH(QStringList, expected);
    Session().settings.washCtgies = wash;
    QVERIFY(txn('P', 20231115, 4000, cur_, shop_, food_));
    QVERIFY(txn('P', 20231220, 1000, cur_, shop_, food_));
    QVERIFY(txn('P', 20240310, 2500, cur_, shop_, food_));
    ScriptedPrompter p;
    QVERIFY(CalcRunningBalances(food_));
    QVERIFY(CommitIfActive());
    QCOMPARE(statement(food_), expected);
    // The wash is for categories only: the external account runs through.
    QVERIFY(CalcRunningBalances(cur_));
    QVERIFY(CommitIfActive());
    QCOMPARE(statement(cur_),
             (QStringList{"20231115 P 46000 11", "20231220 P 45000 11", "20240310 P 42500 11"}));
    VERIFY_PROMPTS(p);
  }

  // A second pass over unchanged postings writes nothing; a changed posting
  // rewrites just the rows whose values moved.
  // A second pass over unchanged postings writes nothing; a changed posting
  // rewrites just the rows whose values moved. Seventy postings fill more
  // than one block of writes.
  void writesOnlyDifferences() {
    QStringList expected;
    for (int k = 1; k <= 70; ++k) {
      const int32_t ymd = QDate(2024, 1, 1).addDays(k - 1).toString("yyyyMMdd").toInt();
      QVERIFY(txn('P', ymd, 100, cur_, shop_, food_));
      expected << QStringLiteral("%1 P %2 11").arg(ymd).arg(50000 - 100 * k);
    }
    exec("create table upd_log (txnid integer)");
    QVERIFY(CommitIfActive());
    exec(
        "create trigger pstg_upd for pstg after update as begin "
        "insert into upd_log (txnid) values (old.txnid); end");
    QVERIFY(CommitIfActive());

    ScriptedPrompter p;
    QVERIFY(CalcRunningBalances(cur_));
    QVERIFY(CommitIfActive());
    // Written postings start with both flags set: only the balances change here.
    QCOMPARE(CountAll("upd_log"), 70);
    QCOMPARE(statement(cur_), expected);
    exec("delete from upd_log");
    QVERIFY(CalcRunningBalances(cur_));
    QVERIFY(CommitIfActive());
    QCOMPARE(CountAll("upd_log"), 0);

    // The seventh posting moves onto the sixth's date: the flags of those two
    // change, every balance stays.
    exec("update pstg set pstgdate = 20240106 where objid = ? and pstgdate = 20240107", {cur_});
    exec("delete from upd_log");
    QVERIFY(CommitIfActive());
    QVERIFY(CalcRunningBalances(cur_));
    QVERIFY(CommitIfActive());
    QCOMPARE(CountAll("upd_log"), 2);
    expected[5] = "20240106 P 49400 10";
    expected[6] = "20240106 P 49300 01";
    QCOMPARE(statement(cur_), expected);
    VERIFY_PROMPTS(p);
  }

  // Receipts or payments near the 64-bit limit: the running balance stops
  // with a message at the posting that would pass it, rather than wrapping
  // round to a plausible balance of the wrong sign. From the opening 50000,
  // two receipts of 2^62 pass the top; three payments pass the bottom (two
  // reach 50000 - 2^63, still in range).
  void balanceBeyondTheLimit_data() {
    QTest::addColumn<QChar>("type");
    QTest::addColumn<int>("postings");
    QTest::newRow("above") << QChar('R') << 2;
    QTest::newRow("below") << QChar('P') << 3;
  }
  void balanceBeyondTheLimit() {
    QFETCH(QChar, type);
    QFETCH(int, postings);
    const qint64 big = Q_INT64_C(4611686018427387904);  // 2^62
    int32_t last = 0;
    for (int k = 0; k < postings; ++k)
      QVERIFY((last = txn(type, 20240105 + k, big, cur_, shop_, food_)));
    ScriptedPrompter p;
    p.info("Running balance of \"cur\" out of range at txn #" + QString::number(last) + " on " +
           YmdToText(20240104 + postings));
    QVERIFY(!CalcRunningBalances(cur_));
    VERIFY_PROMPTS(p);
    QVERIFY(CommitIfActive());
    // Nothing wrapped: every balance written has the sign of its postings.
    QCOMPARE(CountRows("pstg",
                       type == QChar('R') ? "objid = ? and rngbal < 0" : "objid = ? and rngbal > 0",
                       {cur_}),
             0);
  }

  // The balances follow the list's order: postings of one date and one SEQ
  // by transaction id; the balance shows on the last of a date even when the
  // next posting is of a type that carries none (that one is left alone);
  // the B/fd marker, undated, counts for nothing.
  void orderOfTheList() {
    const int32_t a = txn('P', 20240105, 100, cur_, shop_, food_);
    const int32_t b = txn('R', 20240105, 300, cur_, shop_, food_);
    const int32_t c = txn('P', 20240107, 50, cur_, shop_, food_);
    QVERIFY(a && b && c);
    exec("update pstg set seq = 7 where objid = ? and txnid in (?, ?)", {cur_, a, b});
    // A posting of a type with no balance, last on c's date.
    exec(
        "insert into pstg (txnid, objid, txntype, pstgdate, amt, ccy, seq, rngbal, dppstgdate, "
        "dprngbal) values (?, ?, 'X', 20240107, 999, 'GBP', ?, 12345, 1, 1)",
        {c + 1, cur_, c + 100});
    TObj cur;
    QVERIFY(ReadAccount(cur_, cur));
    QVERIFY(EnsureBfdMarker(cur));
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    QVERIFY(CalcRunningBalances(cur_));
    QVERIFY(CommitIfActive());
    VERIFY_PROMPTS(p);
    QCOMPARE(statement(cur_), (QStringList{"0 A 0 11", "20240105 P 49900 10", "20240105 R 50200 01",
                                           "20240107 P 50150 10", "20240107 X 12345 11"}));
  }

  void unknownAccount() {
    ScriptedPrompter p;
    p.info("Account not found : #999");
    QVERIFY(!CalcRunningBalances(999));
    VERIFY_PROMPTS(p);
  }
};

QTEST_GUILESS_MAIN(TstRunningBalances)
#include "tst_running_balances.moc"
