// The frozen flag and the freeze-before date against real books: every
// changing transaction operation refuses while frozen, the freeze-before
// question, unfreezing an archive copy, the freeze-before choice and the
// archive state.
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/dates.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

int32_t addAccount(int kind, const QString& name) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  return WriteAccount(o) ? o.id : 0;
}

}  // namespace

class TstFreeze : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0, txnId_ = 0;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = addAccount(1, "Current");
    shop_ = addAccount(4, "Shop");
    food_ = addAccount(3, "Food");
    TTxn t = NewTxn();
    t.ccy = "GBP";
    t.txnDate = TDateRec{2024, 3, 15};
    t.postingDate = TDateRec{2024, 4, 2};
    t.amount = t.value = 500;
    t.accId1 = cur_;
    t.accId2 = shop_;
    t.accId4 = food_;
    QVERIFY(WriteTransaction(t));
    QVERIFY(CommitIfActive());
    txnId_ = t.id;
  }
  void cleanup() { books_.reset(); }

  void frozenRefusals_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("action");
    QTest::newRow("delete") << 0 << "delete txn";
    QTest::newRow("cancel") << 1 << "cancel txn";
    QTest::newRow("amount") << 2 << "edit txn amount";
    QTest::newRow("posting date") << 3 << "edit posting date";
    QTest::newRow("unstraddle") << 4 << "unstraddle txn";
    QTest::newRow("entry form") << 5 << "enter new transactions";
    QTest::newRow("full edit") << 6 << "edit txn";
    QTest::newRow("FX gain") << 7 << "post FX gain";
    QTest::newRow("repeaters") << 8 << "generate repeater instances";
  }
  void frozenRefusals() {
    QFETCH(int, op);
    QFETCH(QString, action);
    Session().settings.dbFrozen = true;
    TPstg posting;
    QVERIFY(ReadPosting(txnId_, cur_, posting));
    const QList<std::function<bool()>> ops{
        [&] { return DeleteTransaction(txnId_); },
        [&] { return CancelTransaction(txnId_, true); },
        [&] { return EditTxnAmount(txnId_); },
        [&] { return RedatePosting(posting); },
        [&] { return Unstraddle(txnId_); },
        [&] { return !FrozenRefusal("enter new transactions"); },
        [&] { return !FrozenRefusal("edit txn"); },
        [&] { return !FrozenRefusal("post FX gain"); },
        [&] { return !FrozenRefusal("generate repeater instances"); },
    };
    ScriptedPrompter p;
    p.info("Cannot " + action + ", database is frozen");
    QVERIFY(!ops[op]());
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 1);
    QCOMPARE(CountRows("pstg", "txnid = ? and amt <> 0", {txnId_}), 3);
    Session().settings.dbFrozen = false;
    QVERIFY(!FrozenRefusal(action));
  }

  void freezeBeforeQuestion() {
    Session().settings.freezeBefore = 20240331;
    QVERIFY(FreezeBeforeCovers(20240331));
    QVERIFY(!FreezeBeforeCovers(20240401));
    const QString question = QStringLiteral(
        "Posting is on/before account posting freeze date\r"
        "Are you sure you want to add/amend/delete transaction?");
    ScriptedPrompter p;
    // The internal account's posting is dated 2024-03-15 (the external one 2024-04-02).
    p.text("Enter amount", "6.00").no(question);
    QVERIFY(!EditTxnAmount(txnId_));
    p.text("Enter amount", "6.00").yes(question);
    QVERIFY(EditTxnAmount(txnId_));
    VERIFY_PROMPTS(p);
    QCOMPARE(QueryValue("select amt from txn where id = ?", {txnId_}).toLongLong(), 600LL);
    // With the date before the transaction nothing is asked.
    Session().settings.freezeBefore = 20240314;
    p.text("Enter amount", "7.00");
    QVERIFY(EditTxnAmount(txnId_));
    VERIFY_PROMPTS(p);
  }

  void unfreezing() {
    TSession& s = Session();
    QVERIFY(SetDatabaseFrozen(true));
    ScriptedPrompter p;
    QVERIFY(!SetDatabaseFrozen(false));  // a current database: no question
    QVERIFY(SetDatabaseFrozen(true));
    s.dbEndDate = 20231231;
    p.no("Allow changes to this archived database - are you sure ?");
    QVERIFY(SetDatabaseFrozen(false));
    p.yes("Allow changes to this archived database - are you sure ?")
        .yes("... really really sure ?");
    QVERIFY(!SetDatabaseFrozen(false));
    VERIFY_PROMPTS(p);
  }

  void freezeBeforeChoice() {
    TDbSettings& st = Session().settings;
    ScriptedPrompter p;
    p.date("Freeze account postings on/before ", 0);
    QVERIFY(!ChooseFreezeBefore());
    p.date("Freeze account postings on/before ", 20240331);
    QVERIFY(ChooseFreezeBefore());
    QCOMPARE(st.freezeBefore, 20240331);
    QCOMPARE(p.flashes().value(0), QString("Account postings frozen on/before 2024-03-31"));
    p.choice("Freeze account postings on/before 2024-03-31", 0);
    QVERIFY(!ChooseFreezeBefore());
    p.choice("Freeze account postings on/before 2024-03-31", 1)
        .date("Freeze account postings on/before ", 20240430);
    QVERIFY(ChooseFreezeBefore());
    QCOMPARE(st.freezeBefore, 20240430);
    p.choice("Freeze account postings on/before 2024-04-30", 2);
    QVERIFY(ChooseFreezeBefore());
    QCOMPARE(st.freezeBefore, 0);
    VERIFY_PROMPTS(p);
  }

  void archiveState() {
    TSession& s = Session();
    TArchiveLabels shown;
    SetArchiveLabelsHook([&](const TArchiveLabels& l) { shown = l; });
    InstallArchiveState();
    ScriptedPrompter p;
    s.dbStartDate = 0;
    s.dbEndDate = 0;
    ShowArchiveState();
    QCOMPARE(shown.startDate, QString("0000-00-00"));
    QCOMPARE(shown.startNote, QString("No earlier archives"));
    QCOMPARE(shown.endDate, QString("0000-00-00"));
    QCOMPARE(shown.endNote, QString("This database is current"));
    QVERIFY(!s.settings.dbFrozen);

    // An archive copy is announced and frozen, once.
    s.dbStartDate = 20230101;
    s.dbEndDate = 20231231;
    p.info("This database is an archive, you must not make changes to it").info("freezing");
    ShowArchiveState();
    QVERIFY(s.settings.dbFrozen);
    QCOMPARE(shown.startDate, QString("2023-01-01"));
    QCOMPARE(
        shown.startNote,
        QString("Earlier records (ie to 2022-12-31) have been archived\r(or are outside Vorbek)"));
    QCOMPARE(shown.endDate, QString("2023-12-31"));
    QCOMPARE(shown.endNote, QString("This database is an archive"));
    p.info("This database is an archive, you must not make changes to it");
    ShowArchiveState();
    VERIFY_PROMPTS(p);

    // The opening of books shows the state through the installed hook.
    shown = TArchiveLabels();
    CloseDatabase(false);
    QVERIFY(books_->open());
    QCOMPARE(shown.endNote, QString("This database is current"));
    SetArchiveLabelsHook(nullptr);
    SetArchiveStateHook(nullptr);
    VERIFY_PROMPTS(p);
  }
};

QTEST_GUILESS_MAIN(TstFreeze)
#include "tst_freeze.moc"
