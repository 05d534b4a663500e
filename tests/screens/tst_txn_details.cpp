// The transaction details window driven offscreen on real books (base GBP,
// USD listed): what it shows for each kind of transaction and for a master
// record, the lost-posting mark, the links it follows through the screens'
// hooks (with the working currency each statement gets), the questions of its
// actions, "New" as an ordinary entry, and the accessible names.
#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/transactions/txn_details.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QObject* g_testScope = nullptr;

// Runs script on the entry form once it shows; a form still open is cancelled.
void onForm(std::function<void(TFtxnip3*)> script) {
  QTimer::singleShot(0, g_testScope, [script] {
    TFtxnip3* f = TheEntryForm();
    QVERIFY(f->isVisible());
    script(f);
    if (f->isVisible()) f->reject();
  });
}

}  // namespace

class TstTxnDetails : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TScreenHooks savedHooks_;
  QStringList calls_;  // what the hooks were asked, in order
  int32_t cur_ = 0, usd_ = 0, shop_ = 0, food_ = 0, pot_ = 0, save_ = 0;

  Tfdptxn* w() { return TxnDetailsWindow(); }

  int32_t write(QChar type, int64_t amount, int32_t a1, int32_t a2, int32_t a4,
                const QString& ccy = QStringLiteral("GBP"), int64_t value = -1, int32_t date2 = 0,
                bool cancelled = false) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = ccy;
    t.txnDate = t.actualDate = YmdToDateRec(20240510);
    t.postingDate = YmdToDateRec(date2);
    t.amount = amount;
    t.value = value < 0 ? amount : value;
    t.rate = double(t.amount) / double(t.value);
    t.accId1 = a1;
    t.accId2 = a2;
    t.accId4 = a4;
    t.cancelled = cancelled;
    t.narrative = QStringLiteral("Tom & Jerry <b>");
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }

  QString rowCaption(int row) { return w()->accountRow(row).caption->text(); }
  bool rowShown(int row) { return !w()->accountRow(row).name->isHidden(); }

 private Q_SLOTS:
  void init() {
    g_testScope = new QObject;
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetClock(QDateTime(QDate(2024, 5, 10), QTime(12, 0)));
    Session().periodTo = 20241231;
    QVERIFY(InsertCurrency(TCcy{"USD", "Dollar", false}));
    cur_ = AddTestAccount(1, "Current");
    usd_ = AddTestAccount(1, "Dollars", "USD");
    shop_ = AddTestAccount(4, "Shop & Co");
    food_ = AddTestAccount(3, "Food");
    pot_ = AddTestAccount(6, "Holiday pot");
    save_ = AddTestAccount(1, "Savings");
    QVERIFY(cur_ && usd_ && shop_ && food_ && pot_ && save_);
    QVERIFY(CommitIfActive());
    Session().workingCurrency = QStringLiteral("GBP");
    ResetEntryForm();
    savedHooks_ = ScreenHooks();
    calls_.clear();
    InstallTransactionScreens();
    auto& h = ScreenHooks();
    h.showPostingsAtTxn = [this](int acc, int32_t txn) {
      calls_
          << QStringLiteral("postings %1 %2 %3").arg(acc).arg(txn).arg(Session().workingCurrency);
    };
    h.showBatch = [this](int32_t b) { calls_ << QStringLiteral("batch %1").arg(b); };
    h.showJournalAround = [this](int32_t d, int32_t id) {
      calls_ << QStringLiteral("journal %1 %2").arg(d).arg(id);
    };
    h.showInstances = [this](int32_t m, int32_t id) {
      calls_ << QStringLiteral("instances %1 %2").arg(m).arg(id);
    };
    h.showInputOn = [this](int32_t d) { calls_ << QStringLiteral("input %1").arg(d); };
    h.showChannel = [this](int32_t c) { calls_ << QStringLiteral("channel %1").arg(c); };
  }
  void cleanup() {
    w()->hide();
    ScreenHooks() = savedHooks_;
    SetShowTransactionHook(nullptr);
    books_.reset();
    delete g_testScope;
    ResetClock();
  }

  // What each kind of transaction shows: id, amount, value line, account
  // captions with their directions, and which rows are shown.
  void fill_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("value");         // empty: no "Value" line
    QTest::addColumn<QStringList>("captions");  // rows 1, 2, 3; empty: hidden
    QTest::newRow("payment in the base currency")
        << "P"
        << "12.00  GBP"
        << ""
        << QStringList{"Account 1 = External Account  ( FROM )", "Account 2 = Counterparty  ( TO )",
                       "Account 3 = Internal Account  ( FROM )"};
    QTest::newRow("foreign payment valued in GBP")
        << "USD"
        << "10.00  USD"
        << "8.50  GBP @ 1.17647"
        << QStringList{"Account 1 = External Account  ( FROM )", "Account 2 = Counterparty  ( TO )",
                       "Account 3 = Internal Account  ( FROM )"};
    QTest::newRow("receipt, cancelled")
        << "R"
        << "12.00  GBP   cancelled"
        << ""
        << QStringList{"Account 1 = External Account  ( TO )", "Account 2 = Counterparty  ( FROM )",
                       "Account 3 = Internal Account  ( TO )"};
    QTest::newRow("transfer: no third row")
        << "C"
        << "12.00  GBP"
        << ""
        << QStringList{"Account 1 = External Account  ( FROM )",
                       "Account 2 = External Account  ( TO )", ""};
  }
  void fill() {
    QFETCH(QString, kind);
    QFETCH(QString, amount);
    QFETCH(QString, value);
    QFETCH(QStringList, captions);
    int32_t id = 0;
    if (kind == "USD")
      id = write('P', 1000, usd_, shop_, food_, "USD", 850);
    else if (kind == "C")
      id = write('C', 1200, cur_, save_, 0);
    else
      id = write(kind.at(0), 1200, cur_, shop_, food_, "GBP", -1, 0, kind == "R");
    QVERIFY(id);
    ScriptedPrompter p;
    QVERIFY(ShowTransaction(id));
    VERIFY_PROMPTS(p);
    QVERIFY(w()->isVisible());
    QVERIFY(!w()->isModal());
    QCOMPARE(w()->windowTitle(), QString("Transaction details"));
    QCOMPARE(w()->idCaption()->text(), QString("Txn id "));
    QCOMPARE(w()->idValue()->text(), QString::number(id));
    QCOMPARE(w()->dateValue()->text(), QString("2024-05-10  Fri"));
    QCOMPARE(w()->postingDateValue()->text(), QString());
    QCOMPARE(w()->amountValue()->text(), amount);
    QCOMPARE(!w()->valueValue()->isHidden(), !value.isEmpty());
    QCOMPARE(!w()->valueCaption()->isHidden(), !value.isEmpty());
    if (!value.isEmpty()) QCOMPARE(w()->valueValue()->text(), value);
    for (int row = 0; row < 3; ++row) {
      QCOMPARE(rowShown(row), !captions[row].isEmpty());
      QCOMPARE(!w()->accountRow(row).postings->isHidden(), !captions[row].isEmpty());
      if (!captions[row].isEmpty()) QCOMPARE(rowCaption(row), captions[row]);
    }
    QVERIFY(!rowShown(3));  // ACCID3 is 0
    QVERIFY(w()->panel()->isHidden());
    QVERIFY(w()->repeatBox()->isHidden());
    QVERIFY(w()->channelButton()->isHidden());  // no channel, no reference
    QCOMPARE(w()->stampsValue()->text(), QString("Input: 2024-05-10 12:00:00"));
    QVERIFY(!w()->inputOnButton()->isHidden());
    QVERIFY(!w()->viewBatchButton()->isEnabled());
  }

  // User texts as typed in labels; "&" doubled only on the buttons' captions.
  void textsAndAccessibleNames() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    ShowTransactionDetails(id);
    QCOMPARE(w()->descriptionValue()->text(), QString("Tom & Jerry <b>"));
    QCOMPARE(w()->descriptionValue()->textFormat(), Qt::PlainText);
    const Tfdptxn::AccountRow& cpty = w()->accountRow(1);
    QVERIFY(cpty.name->isFlat());
    QCOMPARE(cpty.name->text(), QString("Shop && Co"));
    QCOMPARE(cpty.name->toolTip(), QString("Account #%1").arg(shop_));
    for (int row = 0; row < 3; ++row) {
      QPushButton* b = w()->accountRow(row).postings;
      QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(b);
      QCOMPARE(ai->text(QAccessible::Name), QString("View account postings"));
      QCOMPARE(ai->text(QAccessible::Description), QString("Account %1").arg(row + 1));
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(cpty.name)->text(QAccessible::Name),
             QString("Shop & Co"));
    for (QPushButton* b : w()->findChildren<QPushButton*>()) {
      if (b->isFlat()) continue;
      QCOMPARE(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name),
               b->text().remove('&').trimmed());
    }
  }

  // The links of the window reach the other windows with the right arguments;
  // a category or pot on the third row is listed in the base currency.
  void links_data() {
    QTest::addColumn<int32_t>("third");
    QTest::newRow("category") << int32_t(0);
    QTest::newRow("pot") << int32_t(1);
  }
  void links() {
    QFETCH(int32_t, third);
    const int32_t id = write('P', 1000, usd_, shop_, third ? pot_ : food_, "USD", 850);
    QVERIFY(ExecSql("update txn set batchnum = ?, chnum = 7, ref = 'R1' where id = ?", {id, id}));
    TChannel ch;
    ch.chnum = 7;
    ch.accId = usd_;
    ch.name = QStringLiteral("Visa");
    QVERIFY(WriteChannelRow(ch));
    QVERIFY(CommitIfActive());
    ShowTransactionDetails(id);
    QCOMPARE(w()->channelButton()->text(), QString("Visa R1"));
    QVERIFY(w()->viewBatchButton()->isEnabled());
    QVERIFY(!w()->instancesButton()->isEnabled());
    ScriptedPrompter p;
    for (int row = 0; row < 3; ++row) w()->accountRow(row).postings->click();
    w()->viewBatchButton()->click();
    w()->journalButton()->click();
    w()->inputOnButton()->click();
    w()->channelButton()->click();
    VERIFY_PROMPTS(p);
    const int32_t acc3 = third ? pot_ : food_;
    QCOMPARE(
        calls_,
        QStringList({QString("postings %1 %2 USD").arg(usd_).arg(id),
                     QString("postings %1 %2 USD").arg(shop_).arg(id),
                     QString("postings %1 %2 GBP").arg(acc3).arg(id), QString("batch %1").arg(id),
                     QString("journal 20240510 %1").arg(id), "input 20240510", "channel 7"}));
  }

  void lostPostingIsMarked() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    QVERIFY(ExecSql("delete from pstg where txnid = ? and objid = ?", {id, cur_}));
    QVERIFY(CommitIfActive());
    ShowTransactionDetails(id);
    QVERIFY(!w()->panel()->isHidden());
    QCOMPARE(w()->panel()->text(), QString(" !! - Posting not found"));
    QVERIFY(!w()->accountRow(0).mark->isHidden());
    QVERIFY(w()->accountRow(1).mark->isHidden());
    QVERIFY(w()->accountRow(2).mark->isHidden());
  }

  void missingTransaction() {
    ScriptedPrompter p;
    p.info("txn not found 99");
    ShowTransactionDetails(99);
    VERIFY_PROMPTS(p);
    QVERIFY(!w()->isVisible());
  }

  // "Just next year" and "Yearly" make the same repeater; the window then
  // shows the transaction as instance 1 with its repeat box.
  void repeat_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("every");
    QTest::addColumn<int>("rmdays");
    QTest::newRow("Monthly") << "Monthly"
                             << "Make transaction a monthly repeater ?"
                             << "Every month" << 0;
    QTest::newRow("Yearly") << "Yearly"
                            << "Make transaction a yearly repeater ?"
                            << "Every year" << 31;
    QTest::newRow("Just next year") << "Just next year"
                                    << "Make transaction a yearly repeater ?"
                                    << "Every year" << 31;
  }
  void repeat() {
    QFETCH(QString, item);
    QFETCH(QString, question);
    QFETCH(QString, every);
    QFETCH(int, rmdays);
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    ShowTransactionDetails(id);
    QVERIFY(w()->repeatBox()->isHidden());
    ScriptedPrompter p;
    p.yes(question);
    w()->action(item)->trigger();
    VERIFY_PROMPTS(p);
    QSqlQuery q = RunQuery("select id, freq, rptinc, enddate, rptct, rmdays, rptactive from rptr");
    QVERIFY(q.next());
    const int32_t master = q.value(0).toInt();
    QCOMPARE(q.value(1).toString().trimmed(), item == "Monthly" ? QString("M") : QString("Y"));
    QCOMPARE(q.value(2).toInt(), 1);
    QCOMPARE(q.value(3).toInt(), 0);
    QCOMPARE(q.value(4).toInt(), 0);
    QCOMPARE(q.value(5).toInt(), rmdays);
    QVERIFY(!q.next());
    QCOMPARE(w()->idCaption()->text(), QString("Txn / Instance id "));
    QCOMPARE(w()->idValue()->text(), QString("%1 / %2-1").arg(id).arg(master));
    QVERIFY(!w()->repeatBox()->isHidden());
    QCOMPARE(w()->repeatBox()->title(), QString("Repeat - Active "));
    const QString reminder = rmdays ? QString("Reminder 31 days before") : QString("Reminder none");
    QCOMPARE(w()->repeatText()->text(),
             QStringList({every, "Start date 2024-05-10", "End date 0000-00-00", "End count 0",
                          QString("Master %1").arg(master), "Generated 1  2024-05-10", reminder})
                 .join('\n'));
    QVERIFY(w()->instancesButton()->isEnabled());
    QVERIFY(!w()->deactivateButton()->isHidden());

    // Repeating an instance asks first; No changes nothing.
    p.no("Transaction is already an instance, OK to re-repeat?");
    w()->action("Monthly")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("rptr"), 1);
    w()->instancesButton()->click();
    QCOMPARE(calls_, QStringList{QString("instances %1 %2").arg(master).arg(id)});
  }

  // A master record from the repeaters list: its own caption and id, no
  // "Edit"/"Repeat" menus, and "Delete" offers the repeater deletion.
  void masterRecord() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QVERIFY(MakeRepeaterFromTxn(t, 'M'));
    TRptr r;
    QVERIFY(ReadRepeater(t.masterId, r));
    ShowRecordDetails(MasterRecord(r));
    QVERIFY(w()->isVisible());
    QCOMPARE(w()->windowTitle(), QString("Repeater Master details"));
    QCOMPARE(w()->idValue()->text(), QString("0 / %1-0").arg(r.id));
    QVERIFY(!w()->editMenu()->menuAction()->isEnabled());
    QVERIFY(!w()->repeatMenu()->menuAction()->isEnabled());
    QVERIFY(w()->valueValue()->isHidden());
    QVERIFY(w()->panel()->isHidden());  // a master has no postings to miss
    QVERIFY(w()->masterEditButton()->isEnabled());
    QCOMPARE(w()->masterEditButton()->toolTip(), QString("Edit Repeater Master details"));

    ScriptedPrompter p;
    p.info("Cannot delete - Repeater Master is still active");
    w()->action("Delete")->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(w()->isVisible());

    // Deactivated, the refresh reads the master again.
    p.yes(QString("Deactivate Repeater #%1 - OK ?").arg(r.id));
    w()->deactivateButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(w()->repeatBox()->title(), QString("Repeat - Inactive "));
    QVERIFY(w()->deactivateButton()->isHidden());
  }

  // The repeat box's "Edit" on an instance edits its master; a save marks a
  // rebalance as needed and the window shows the transaction again.
  void editMasterFromInstance() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QVERIFY(MakeRepeaterFromTxn(t, 'M'));
    ShowTransactionDetails(id);
    SetRebalanceNeeded(false);
    QString title;
    ScriptedPrompter p;
    p.yes("Update  Repeater Master - OK ?");
    onForm([&](TFtxnip3* f) {
      title = f->windowTitle();
      f->descriptionBox()->setText("Rent");
      f->saveButton()->click();
    });
    w()->masterEditButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(title, QString("Edit transaction - Repeater Master"));
    TRptr r;
    QVERIFY(ReadRepeater(t.masterId, r));
    QCOMPARE(r.narrative, QString("Rent"));
    QVERIFY(RebalanceNeeded());
    QVERIFY(w()->isVisible());
    QCOMPARE(w()->record().id, id);
  }

  void unstraddleQuestion_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("question");
    QTest::newRow("live") << false
                          << "Unstraddle transaction ?\r(the txn will be split into two, one for "
                             "each date)";
    QTest::newRow("cancelled") << true << "Unstraddle transaction ?";
  }
  void unstraddleQuestion() {
    QFETCH(bool, cancelled);
    QFETCH(QString, question);
    const int32_t id = write('P', 1200, cur_, shop_, food_, "GBP", -1, 20240602, cancelled);
    ShowTransactionDetails(id);
    QCOMPARE(w()->postingDateValue()->text(), QString("2024-06-02  Sun"));
    QVERIFY(w()->action("Unstraddle")->isEnabled());
    ScriptedPrompter p;
    p.no(question);
    w()->action("Unstraddle")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 1);
  }

  // Gone from under the window: a refresh closes it.
  void refreshOfVanishedTransactionCloses() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    ShowTransactionDetails(id);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QVERIFY(DeleteTxnRows(t) && CommitIfActive());
    ScriptedPrompter p;
    w()->action("Refresh")->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(!w()->isVisible());
  }

  void newIsDisabledForDiaryFxAndReconciled_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("P") << "P" << true;
    QTest::newRow("D") << "D" << false;
    QTest::newRow("F") << "F" << false;
    QTest::newRow("Z") << "Z" << false;
  }
  void newIsDisabledForDiaryFxAndReconciled() {
    QFETCH(QString, type);
    QFETCH(bool, enabled);
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    QVERIFY(ExecSql("update txn set \"type\" = ? where id = ?", {type, id}));
    QVERIFY(CommitIfActive());
    ShowTransactionDetails(id);
    QCOMPARE(w()->action("New")->isEnabled(), enabled);
  }

  // "New" from an instance in a batch starts an ordinary transaction; the
  // saved one is shown.
  void newFromInstanceIsOrdinary() {
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QVERIFY(MakeRepeaterFromTxn(t, 'M'));
    QVERIFY(ExecSql("update txn set batchnum = ? where id = ?", {id, id}));
    QVERIFY(CommitIfActive());
    ShowTransactionDetails(id);
    TTxn loaded;
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      loaded = f->loaded();
      f->amountBox()->setText("7.00");
      f->saveButton()->click();
    });
    w()->action("New")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(loaded.masterId, 0);
    QCOMPARE(loaded.instance, 0);
    QCOMPARE(loaded.status, 0);
    QCOMPARE(loaded.batch, 0);
    QCOMPARE(loaded.accId1, cur_);
    QSqlQuery q = RunQuery("select max(id) from txn");
    QVERIFY(q.next());
    const int32_t newId = q.value(0).toInt();
    QVERIFY(newId > id);
    TTxn saved;
    QVERIFY(ReadTxn(newId, saved));
    QCOMPARE(saved.masterId, 0);
    QCOMPARE(saved.batch, 0);
    QCOMPARE(saved.amount, 700);
    QCOMPARE(w()->idValue()->text(), QString::number(newId));
  }

  // Quick edits refresh the window; frozen books refuse them before asking.
  void quickEdit_data() {
    QTest::addColumn<bool>("frozen");
    QTest::newRow("open books") << false;
    QTest::newRow("frozen books") << true;
  }
  void quickEdit() {
    QFETCH(bool, frozen);
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    ShowTransactionDetails(id);
    Session().settings.dbFrozen = frozen;
    ScriptedPrompter p;
    if (frozen)
      p.info("Cannot edit txn, database is frozen");
    else
      p.textStartingWith("Edit transaction description", "Tom & Jerry <b>", "O'Hara & Co");
    w()->action("- Description")->trigger();
    VERIFY_PROMPTS(p);
    Session().settings.dbFrozen = false;
    const QString now = frozen ? "Tom & Jerry <b>" : "O'Hara & Co";
    QCOMPARE(w()->descriptionValue()->text(), now);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QCOMPARE(t.narrative, now);
  }

  // A deleted transaction's window closes; a declined deletion keeps it.
  void deleteClosesTheWindow_data() {
    QTest::addColumn<char>("answer");
    QTest::newRow("No") << 'N';
    QTest::newRow("Yes") << 'Y';
  }
  void deleteClosesTheWindow() {
    QFETCH(char, answer);
    const int32_t id = write('P', 1200, cur_, shop_, food_);
    ShowTransactionDetails(id);
    {
      RecordingPrompter p(answer);
      w()->action("Delete")->trigger();
      QVERIFY(!p.questions.isEmpty());
    }
    QCOMPARE(w()->isVisible(), answer == 'N');
    QCOMPARE(LocateTxn(id), answer == 'N');
  }

  // "View last input/edit" with nothing saved in this run: the latest created
  // or edited transaction.
  void lastInputOrEdited() {
    const int32_t first = write('P', 1200, cur_, shop_, food_);
    const int32_t second = write('P', 1300, cur_, shop_, food_);
    QVERIFY(first && second);
    QCOMPARE(LastInputOrEditedId(), second);
    QVERIFY(ExecSql("update txn set editts = ? where id = ?",
                    {QDateTime(QDate(2024, 5, 11), QTime(9, 0)), first}));
    QVERIFY(CommitIfActive());
    QCOMPARE(LastInputOrEditedId(), first);
  }
};

QTEST_MAIN(TstTxnDetails)
#include "tst_txn_details.moc"
