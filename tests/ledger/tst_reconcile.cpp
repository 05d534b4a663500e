// Reconciliation and the statement's changes to postings: single postings
// and selections, the reconciled date, same-day swaps, assignments to many
// transactions, quick edits, and the refusals on frozen books, each with its
// exact message and nothing written.
#include <QtTest>
#include <memory>

#include "ledger/posting.h"
#include "ledger/reconcile.h"
#include "reports/postings_books.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstReconcile : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  PostingsBooks b_;

  TPstg posting(int32_t txn, int32_t account) {
    TPstg p;
    ReadPosting(txn, account, p);
    return p;
  }
  QString reconciled(int32_t account) {
    TObj a;
    ReadAccount(account, a);
    return a.reconciledText;
  }
  // A fingerprint of the rows a refused command must leave alone.
  QString state() {
    QSqlQuery q = RunQuery(
        "select p.txnid, p.objid, p.seq, p.pstgdate, p.amt, p.reconcode, p.batchnum, t.narrative, "
        "t.accid1, t.accid4, t.cancelled, o.reconciled from pstg p join txn t on t.id = p.txnid "
        "join account o on o.id = p.objid order by p.txnid, p.objid");
    QStringList out;
    while (q.next()) {
      QStringList r;
      for (int i = 0; i < 12; ++i) r << q.value(i).toString();
      out << r.join(',');
    }
    return out.join('\n');
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QVERIFY(b_.build());
  }
  void cleanup() { books_.reset(); }

  void reconcilePostings() {
    ScriptedPrompter p;
    QVERIFY(SetPostingReconciled(b_.payment, b_.bank, 1));
    QCOMPARE(posting(b_.payment, b_.bank).reconcileCode, 1);
    QVERIFY(SetPostingReconciled(b_.payment, b_.bank, 0));
    QCOMPARE(posting(b_.payment, b_.bank).reconcileCode, 0);
    QVERIFY(ReconcilePostings(b_.bank, {b_.payment, b_.receipt}));
    QCOMPARE(posting(b_.receipt, b_.bank).reconcileCode, 1);
    QVERIFY(!InTransaction());
    // A posting that went away is reported, never made again; a selection is all or nothing.
    p.info("txn not found 999").info("txn not found 999");
    QVERIFY(!SetPostingReconciled(999, b_.bank, 1));
    QVERIFY(!LocatePosting(999, b_.bank));
    QVERIFY(!ReconcilePostings(b_.bank, {b_.transfer, 999}));
    QCOMPARE(posting(b_.transfer, b_.bank).reconcileCode, 0);
    VERIFY_PROMPTS(p);
  }

  void reconciledDate() {
    ScriptedPrompter p;
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-03-01"));
    QCOMPARE(LatestReconciledText(b_.bank), QStringLiteral("2024-03-01"));
    QCOMPARE(LatestReconciledText(b_.savings), QString());
    p.info("Latest \"balance reconciled\" date  cleared")
        .info("Latest \"balance reconciled\" date  reset");
    QVERIFY(SetReconciledText(b_.bank, QString()));
    QCOMPARE(reconciled(b_.bank), QString());
    QVERIFY(SetReconciledText(b_.bank, "2024-02-10"));
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-02-10"));
    // A new balance moves the date forward only; a negative balance is allowed.
    const int32_t z = ReconcileBalance(b_.bank, YmdToDateRec(20240305), -1234);
    QVERIFY(z > 0);
    QCOMPARE(posting(z, b_.bank).reconciledAmount, -1234LL);
    QCOMPARE(posting(z, b_.bank).seq, kReconciledSeq);
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-03-05"));
    QVERIFY(ReconcileBalance(b_.bank, YmdToDateRec(20240201), 0) > 0);
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-03-05"));
    // Deleting a balance falls back to the latest one left.
    p.yes("Unreconcile balance?").yes("Unreconcile balance?");
    QVERIFY(DeleteTransaction(z));
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-03-01"));
    QVERIFY(DeleteTransaction(b_.balanceOff));
    QCOMPARE(reconciled(b_.bank), QStringLiteral("2024-02-10"));
    VERIFY_PROMPTS(p);
  }

  void swapSameDay() {
    ScriptedPrompter p;
    const int32_t seqP = posting(b_.payment, b_.bank).seq;
    const int32_t seqR = posting(b_.receipt, b_.bank).seq;
    QVERIFY(SwapPostingSeq(b_.bank, b_.payment, b_.receipt));
    QCOMPARE(posting(b_.payment, b_.bank).seq, seqR);
    QCOMPARE(posting(b_.receipt, b_.bank).seq, seqP);
    // Never with a reconciled balance, never across dates.
    const QString before = state();
    QVERIFY(!SwapPostingSeq(b_.bank, b_.cancelled, b_.balanceOk));
    QVERIFY(!SwapPostingSeq(b_.bank, b_.cancelled, b_.transfer));
    QCOMPARE(state(), before);
    VERIFY_PROMPTS(p);
  }

  void assign() {
    ScriptedPrompter p;
    const int32_t other = b_.account(3, "other", "GBP");
    const int32_t euroBank = b_.account(1, "usd two", "USD");
    // The transfer is skipped, the others get the category in one commit.
    p.info("Skipping txn #" + QString::number(b_.transfer));
    QCOMPARE(AssignAccount({b_.payment, b_.transfer, b_.receipt}, other, 3), 2);
    QVERIFY(!InTransaction());
    TTxn t;
    QVERIFY(ReadTxn(b_.payment, t));
    QCOMPARE(t.accId4, other);
    QVERIFY(LocatePosting(b_.receipt, other));
    QVERIFY(!LocatePosting(b_.receipt, b_.food));
    // An external account of another currency is skipped.
    p.info("Skipping txn #" + QString::number(b_.payment));
    QCOMPARE(AssignAccount({b_.payment, b_.usdPayment}, euroBank, 1), 1);
    QVERIFY(ReadTxn(b_.usdPayment, t));
    QCOMPARE(t.accId1, euroBank);
    // A change behind a reconciled balance asks; No skips that transaction alone.
    QVERIFY(ReadTxn(b_.receipt, t));
    p.no(
        "Reconciled balance for account \"bank\"will be altered!\rAre you sure you want to "
        "add/amend/delete transaction?");
    const QString before = state();
    QCOMPARE(AssignAccount({b_.receipt}, b_.savings, 1), 0);
    QCOMPARE(state(), before);
    VERIFY_PROMPTS(p);
  }

  void quickEdits() {
    ScriptedPrompter p;
    // Bad amounts change nothing.
    const QString before = state();
    p.text("Enter amount", "abc").info("Invalid amount \"abc\"");
    p.text("Enter amount", "1.234").info("Invalid amount \"1.234\"");
    p.text("Enter amount", "-5").info("Amount must be >= 0");
    for (int i = 0; i < 3; ++i) QVERIFY(!QuickEditAmount(b_.transfer));
    QCOMPARE(state(), before);
    // A reconciled posting is un-reconciled only after the user agreed.
    QVERIFY(SetPostingReconciled(b_.transfer, b_.savings, 1));
    p.no(
        "Editing this txn will cause its posting to account \"savings\" to be un-reconciled - OK?");
    QVERIFY(!QuickEditAmount(b_.transfer));
    QCOMPARE(posting(b_.transfer, b_.savings).reconcileCode, 1);
    VERIFY_PROMPTS(p);
  }

  void redate_data() {
    QTest::addColumn<int>("row");  // 0 bank's transfer, 1 bank's payment, 2 food's payment
    QTest::addColumn<int>("newDate");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("message");
    QTest::newRow("after the reconciled date")
        << 0 << 20240310 << false << "Cannot redate : will upset reconciled balance";
    QTest::newRow("from before it")
        << 1 << 20240501 << false << "Cannot redate : will upset reconciled balance";
    QTest::newRow("category row") << 2 << 20240501 << false << QString();
  }
  void redate() {
    QFETCH(int, row);
    QFETCH(int, newDate);
    QFETCH(QString, message);
    ScriptedPrompter p;
    const TPstg pst = row == 0   ? posting(b_.transfer, b_.bank)
                      : row == 1 ? posting(b_.payment, b_.bank)
                                 : posting(b_.payment, b_.food);
    if (row != 2) p.date(QString(), newDate).info(message);
    const QString before = state();
    QVERIFY(!QuickRedate(pst));
    QCOMPARE(state(), before);
    VERIFY_PROMPTS(p);
  }

  void redateMovesExternalSides() {
    ScriptedPrompter p;
    TObj a;
    QVERIFY(ReadAccount(b_.bank, a));
    a.reconciledText.clear();
    a.reconciledDate = TDateRec();
    QVERIFY(WriteAccount(a) && CommitIfActive());
    p.date(QString(), 20240305);
    QVERIFY(QuickRedate(posting(b_.payment, b_.bank)));
    QCOMPARE(StoredDate(posting(b_.payment, b_.bank).postingDate), 20240305);
    QCOMPARE(StoredDate(posting(b_.payment, b_.shop).postingDate), 20240305);
    QCOMPARE(StoredDate(posting(b_.payment, b_.food).postingDate), 20240210);
    VERIFY_PROMPTS(p);
  }

  void frozenRefusals_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("action");
    QTest::newRow("reconcile") << 0 << "reconcile posting";
    QTest::newRow("sum") << 1 << "reconcile posting";
    QTest::newRow("balance") << 2 << "reconcile balance";
    QTest::newRow("reset") << 3 << "reset reconciled date";
    QTest::newRow("move") << 4 << "move posting";
    QTest::newRow("assign") << 5 << "assign account";
    QTest::newRow("batch") << 6 << "edit batch";
    QTest::newRow("text") << 7 << "edit txn";
    QTest::newRow("amount") << 8 << "edit txn amount";
    QTest::newRow("redate") << 9 << "edit posting date";
    QTest::newRow("cancel") << 10 << "cancel txn";
  }
  void frozenRefusals() {
    QFETCH(int, op);
    QFETCH(QString, action);
    Session().settings.dbFrozen = true;
    ScriptedPrompter p;
    p.info("Cannot " + action + ", database is frozen");
    const QString before = state();
    QString text = "x";
    bool done = true;
    switch (op) {
      case 0:
        done = SetPostingReconciled(b_.payment, b_.bank, 1);
        break;
      case 1:
        done = ReconcilePostings(b_.bank, {b_.payment});
        break;
      case 2:
        done = ReconcileBalance(b_.bank, YmdToDateRec(20240401), 5) != 0;
        break;
      case 3:
        done = SetReconciledText(b_.bank, QString());
        break;
      case 4:
        done = SwapPostingSeq(b_.bank, b_.payment, b_.receipt);
        break;
      case 5:
        done = AssignAccount({b_.payment}, b_.holiday, 3) >= 0;
        break;
      case 6:
        done = QuickAddToBatch(b_.payment);
        break;
      case 7:
        done = QuickEditText(b_.payment, text, 'D');
        break;
      case 8:
        done = QuickEditAmount(b_.payment);
        break;
      case 9:
        done = QuickRedate(posting(b_.transfer, b_.bank));
        break;
      case 10:
        done = QuickCancel(b_.payment, true);
        break;
    }
    QVERIFY(!done);
    QCOMPARE(state(), before);
    VERIFY_PROMPTS(p);
  }

  void batch() {
    ScriptedPrompter p;
    p.text("Batch number", "x").text("Batch number", "0").info("txn not found 0");
    QVERIFY(!QuickAddToBatch(b_.receipt));
    QVERIFY(!QuickAddToBatch(b_.receipt));
    p.text("Batch number", QString::number(b_.payment));
    QVERIFY(QuickAddToBatch(b_.receipt));
    QCOMPARE(posting(b_.receipt, b_.bank).batch, b_.payment);
    VERIFY_PROMPTS(p);
  }
};

QTEST_GUILESS_MAIN(TstReconcile)
#include "tst_reconcile.moc"
