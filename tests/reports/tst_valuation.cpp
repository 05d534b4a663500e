// The valuation of the period's closing balances against real books (base
// GBP): its rows and sums, its refusals, values that do not fit 64 bits, and
// the FX gain/loss posting with its checks.
#include <QtTest>
#include <memory>

#include "ledger/currencies.h"
#include "ledger/fx_gain_loss.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "reports/valuation.h"
#include "reports/valuation_books.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

using namespace valuation_books;

class TstValuation : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  Ids ids_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ids_ = Make();
    QVERIFY(!QTest::currentTestFailed());
  }
  void cleanup() { books_.reset(); }

  void rowsAndSums() {
    // A RATE row for the base currency is never used: its rate is 1.
    exec("insert into rate (ccycode, rdate, rate) values ('GBP', 20241231, 2.0)");
    ScriptedPrompter p;
    TValuation v;
    QVERIFY(ComputeValuation(kFrom, kTo, v));
    VERIFY_PROMPTS(p);
    QCOMPARE(v.caption(), QString("Account values  2024-01-01 to 2024-12-31"));
    QCOMPARE(v.external.size(), 2);
    QCOMPARE(v.external[0].name, QString("Bank"));
    QCOMPARE(v.external[0].rate, 1.0);
    QCOMPARE(v.external[0].value, 5000);
    QCOMPARE(v.external[1].name, QString("Dollars"));
    QCOMPARE(v.external[1].ccy, QString("USD"));
    QCOMPARE(v.external[1].balance, 12500);
    QCOMPARE(v.external[1].value, 12500);
    QCOMPARE(v.internal.size(), 1);
    QCOMPARE(v.internal[0].id, ids_.salary);
    QCOMPARE(v.internal[0].balance, 15000);
    QCOMPARE(v.internalTotal, 15000);
    QCOMPARE(v.baseValue, 5000);
    QCOMPARE(v.foreignValue, 12500);
    QCOMPARE(v.total, 17500);
    QCOMPARE(v.difference, 2500);
  }

  void refusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("only a rate the day before To")
        << "update rate set rdate = 20241230 where rdate = 20241231"
        << "Exchange rate not found for USD";
    QTest::newRow("rate 0 at To") << "update rate set rate = 0 where rdate = 20241231"
                                  << "Exchange rate not found for USD";
    QTest::newRow("rebalance pending") << "pending"
                                       << "Rebalance needed";
    QTest::newRow("straddle") << "straddle"
                              << "Transaction #3 (displayed) straddles 2024-12-31 and a later "
                                 "date\r(use Edit|Unstraddle to resolve this)";
    QTest::newRow("value beyond 64 bits")
        << "update movtg set pdcfd = 9000000000000000000 where ccy = 'USD'; "
           "update rate set rate = 0.5 where rdate = 20241231"
        << "Value of 90000000,000,000,000.00 USD at rate 0.50000 is out of range";
    QTest::newRow("sum beyond 64 bits")
        << "update movtg set pdcfd = 9000000000000000000 where ccy = 'USD'; "
           "update movtg set pdcfd = 9000000000000000000 where accid = BANK"
        << "Account values are out of range";
  }
  void refusals() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    if (setup == "pending") {
      SetRebalanceNeeded(true);
    } else if (setup == "straddle") {
      TTxn t = NewTxn();
      t.type = QChar('P');
      t.ccy = "GBP";
      t.txnDate = TDateRec{2024, 12, 30};
      t.postingDate = TDateRec{2025, 1, 2};
      t.amount = 100;
      t.value = 100;
      t.accId1 = ids_.bank;
      t.accId2 = ids_.boss;
      t.accId4 = ids_.salary;
      QVERIFY(WriteTransaction(t));
      QCOMPARE(t.id, 3);
      QVERIFY(CommitIfActive());
      SetRebalanceNeeded(true);  // the straddle is told first
    } else {
      for (const QString& sql : setup.split("; "))
        exec(QString(sql).replace("BANK", QString::number(ids_.bank)));
    }
    ScriptedPrompter p;
    p.info(message);
    TValuation v;
    QVERIFY(!ComputeValuation(kFrom, kTo, v));
    VERIFY_PROMPTS(p);
  }

  void internalValuesDiffer() {
    exec("insert into movtg (accid, ccy, amtval, pdcfd) values (?, 'USD', 'A', 700)",
         {ids_.salary});
    ScriptedPrompter p;
    p.info("Internal values differ 157.00  150.00");
    TValuation v;
    QVERIFY(ComputeValuation(kFrom, kTo, v));
    VERIFY_PROMPTS(p);
    QCOMPARE(v.difference, 17500 - 15700);
  }

  void postThenRebalance() {
    ScriptedPrompter p;
    QVERIFY(FxPostAllowed(kTo));
    int32_t id = 0;
    QVERIFY(WriteFxGainLoss(kTo, 2500, ids_.fx, &id));
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().settings.fxGainLossCtgy, ids_.fx);

    RollbackIfActive();  // committed: nothing to lose
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QCOMPARE(t.type, QChar('F'));
    QCOMPARE(t.ccy.trimmed(), QString("GBP"));
    QCOMPARE(t.txnDate, (TDateRec{2024, 12, 31}));
    QCOMPARE(t.actualDate, (TDateRec{2024, 12, 31}));
    QVERIFY(t.postingDate.isZero());
    QCOMPARE(t.amount, 2500);
    QCOMPARE(t.value, 2500);
    QCOMPARE(t.rate, 1.0);
    QCOMPARE(t.reference, QString("FX Gain/Loss"));
    QCOMPARE(t.accId1, ids_.fx);
    QCOMPARE(t.accId2, 0);
    QSqlQuery q =
        RunQuery("select objid, amt, val, pstgdate, txntype from pstg where txnid = ?", {id});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), ids_.fx);
    QCOMPARE(q.value(1).toLongLong(), 2500);
    QCOMPARE(q.value(2).toLongLong(), 2500);
    QCOMPARE(q.value(3).toInt(), kTo);
    QCOMPARE(q.value(4).toString().trimmed(), QString("F"));
    QVERIFY(!q.next());
    q = QSqlQuery();

    QVERIFY(RebalanceNeeded());
    p.info("Rebalance needed");
    QVERIFY(!FxPostAllowed(kTo));
    QVERIFY(Rebalance());
    TValuation v;
    QVERIFY(ComputeValuation(kFrom, kTo, v));
    QCOMPARE(v.internalTotal, 17500);
    QCOMPARE(v.difference, 0);
    p.info("This FX gain/loss is included in that already posted on 2024-12-31");
    QVERIFY(!FxPostAllowed(kTo));
    VERIFY_PROMPTS(p);
  }

  void postRefusals_data() {
    QTest::addColumn<int>("account");  // -1: the FX category
    QTest::addColumn<int>("pot");
    QTest::newRow("no category") << 0 << 0;
    QTest::newRow("category gone") << 999 << 0;
    QTest::newRow("FXGainLossPot names no account") << -1 << 999;
  }
  void postRefusals() {
    QFETCH(int, account);
    QFETCH(int, pot);
    Session().settings.fxGainLossPot = pot;
    ScriptedPrompter p;
    p.info("Account not specified");
    QVERIFY(!WriteFxGainLoss(kTo, 2500, account < 0 ? ids_.fx : account));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("txn", "\"type\" = 'F'"), 0);
    QCOMPARE(Session().settings.fxGainLossCtgy, 0);
  }

  void postOnClosedCategoryAsks() {
    exec("update account set closedate = 20240630 where id = ?", {ids_.fx});
    QVERIFY(CommitIfActive());
    RecordingPrompter p('N');
    QVERIFY(!WriteFxGainLoss(kTo, 2500, ids_.fx));
    QCOMPARE(p.questions.size(), 1);
    QCOMPARE(CountRows("txn", "\"type\" = 'F'"), 0);
  }
};

QTEST_MAIN(TstValuation)
#include "tst_valuation.moc"
