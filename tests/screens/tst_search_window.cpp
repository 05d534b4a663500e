// The transaction search dialog and results window offscreen on real books:
// the entry hooks, the dialog's radios and refusals, the journal's blocks and
// spread, batches, missing instances, bulk assignment, the pop-up's changes
// and the frozen books' refusals; the control window's two items.
#include <QAction>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/search_window.h"
#include "shell/ctrl_window.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstSearchWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TScreenHooks savedHooks_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0, travel_ = 0, savings_ = 0;
  QList<int32_t> shown_;

  TFSearchR* w() { return TheSearchResults(); }
  TFSearch* dialog() { return TheSearchDialog(); }

  int32_t pay(int32_t ymd, int64_t amount, const QString& narrative = QString("shop"),
              QChar type = QChar('P')) {
    TTxn t = NewTxn();
    t.ccy = QStringLiteral("GBP");
    t.type = type;
    t.txnDate = t.actualDate = YmdToDateRec(ymd);
    t.amount = t.value = amount;
    t.narrative = narrative;
    t.accId1 = cur_;
    if (type == QChar('C')) {
      t.accId2 = savings_;
    } else {
      t.accId2 = shop_;
      t.accId4 = food_;
    }
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }

  QList<int32_t> listed() {
    QList<int32_t> out;
    for (const TSearchRow& r : w()->model()->rows()) out << r.id;
    return out;
  }

  int intOf(const QString& sql, const QVariantList& binds = {}) {
    return QueryValue(sql, binds, -1).toInt();
  }

  // A master of monthly payments from 2024-01-05 with the instances given, GENTO 4.
  int32_t repeater(const QList<int32_t>& instances) {
    TRptr r;
    r.ccy = "GBP";
    r.amount = 2500;
    r.narrative = "rent";
    r.accId1 = cur_;
    r.accId2 = shop_;
    r.accId4 = food_;
    r.sched.freq = QChar('M');
    r.sched.rptInc = 1;
    r.sched.startDate = YmdToDateRec(20240105);
    r.sched.genTo = 4;
    r.sched.active = true;
    if (!WriteRepeater(r)) return 0;
    for (int32_t n : instances)
      if (GenerateInstance(r, n) == 0) return 0;
    return CommitIfActive() ? r.id : 0;
  }

  void select(const QList<int>& rows) {
    w()->grid()->clearSelection();
    for (int r : rows)
      w()->grid()->selectionModel()->select(
          w()->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

 private Q_SLOTS:
  void initTestCase() { InstallSearchScreens(); }

  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = AddTestAccount(kKindExternal, "Current");
    savings_ = AddTestAccount(kKindExternal, "Savings");
    shop_ = AddTestAccount(kKindCounterparty, "Shop");
    food_ = AddTestAccount(kKindCategory, "Food");
    travel_ = AddTestAccount(kKindCategory, "Travel");
    QVERIFY(cur_ && savings_ && shop_ && food_ && travel_);
    savedHooks_ = ScreenHooks();
    shown_.clear();
    SetShowTransactionHook([this](int32_t id) { shown_ << id; });
    Session().settings.journalBlockSize = 1;
  }
  void cleanup() {
    w()->hide();
    dialog()->hide();
    SetShowTransactionHook(nullptr);
    ScreenHooks() = savedHooks_;
    books_.reset();
  }

  // Each entry of the other windows opens the results window with its list.
  void hooksOpenTheResults_data() {
    QTest::addColumn<QString>("hook");
    QTest::addColumn<QString>("caption");
    QTest::newRow("batch") << "batch"
                           << "Batch %1";
    QTest::newRow("journal") << "journal"
                             << "Journal 2024-03-02";
    QTest::newRow("instances") << "instances"
                               << "Repeater #%2 instances";
    QTest::newRow("input") << "input"
                           << "Input on 0000-00-00";
    QTest::newRow("text") << "text"
                          << "\"shop\"";
    QTest::newRow("cpty/ctgy") << "cpty"
                               << "Counterparty/Category = %3 / %4";
  }
  void hooksOpenTheResults() {
    QFETCH(QString, hook);
    QFETCH(QString, caption);
    const int32_t a = pay(20240301, 100), b = pay(20240302, 200);
    QVERIFY(StartBatch(a) && ExecSql("update txn set batchnum = ? where id = ?", {a, b}) &&
            CommitIfActive());
    const int32_t master = repeater({1, 2});
    QVERIFY(master);
    QVERIFY(ExecSql("update txn set createdate = 0") && CommitIfActive());
    ScriptedPrompter p;
    if (hook == "batch") ShowBatch(a);
    if (hook == "journal") ShowJournalAround(20240302, b);
    if (hook == "instances") ShowInstances(master, 0);
    if (hook == "input") ShowInputOn(0);
    if (hook == "text") {
      p.no("Also search for Internal Accounts relating to \"shop\" ?");
      SearchText("shop");
    }
    if (hook == "cpty") ShowCptyCategoryTxns(shop_, food_);
    VERIFY_PROMPTS(p);
    QVERIFY(w()->isVisible());
    QVERIFY(!w()->isModal());
    caption.replace("%1", QString::number(a)).replace("%2", QString::number(master));
    caption.replace("%3", QString::number(shop_)).replace("%4", QString::number(food_));
    QCOMPARE(w()->windowTitle(), "Transaction search results  :  " + caption);
    QVERIFY(w()->model()->rowCount() >= 2);
    // A refresh asks nothing again.
    w()->refresh();
    VERIFY_PROMPTS(p);
    if (hook == "journal") QCOMPARE(w()->model()->row(w()->currentRow()).id, b);
  }

  void dialogReadsItsCriteria() {
    const int32_t a = pay(20240301, 1000), b = pay(20240302, 20000), c = pay(20240303, 3456);
    ShowSearch();
    QVERIFY(dialog()->isVisible());
    QCOMPARE(dialog()->windowTitle(), QString("Transaction Search"));
    QCOMPARE(dialog()->textBox()->accessibleName(), QString("Search text"));
    QCOMPARE(dialog()->radio(kSearchIdRange)->text(), QString("Transaction id range "));
    QCOMPARE(dialog()->radio(kSearchIdRange)->accessibleName(), QString("Transaction id range"));
    QVERIFY(dialog()->regenerate()->isChecked());

    // Ticking by the user: the box and the check box follow the radio.
    dialog()->radio(kSearchIdRange)->click();
    QVERIFY(!dialog()->textBox()->isEnabled());
    dialog()->radio(kSearchInstances)->click();
    QVERIFY(dialog()->textBox()->isEnabled());
    QVERIFY(dialog()->regenerate()->isEnabled());
    {
      ScriptedPrompter p;
      p.date("", 20240302);
      dialog()->radio(kSearchJournal)->click();
      VERIFY_PROMPTS(p);
      QCOMPARE(dialog()->textBox()->text(), QString("2024-03-02 (Sat)"));
      QVERIFY(!dialog()->regenerate()->isEnabled());
    }

    // Empty text, then a bad amount: said, nothing listed, the window as it was.
    dialog()->radio(kSearchAmount)->click();
    dialog()->textBox()->clear();
    ScriptedPrompter p;
    p.info("Amount / id / journal date / straddle date / text missing");
    dialog()->ok();
    VERIFY_PROMPTS(p);
    QVERIFY(!w()->isVisible());
    QVERIFY(dialog()->isVisible());

    // The id range's two questions, both left blank: everything in id order.
    dialog()->radio(kSearchIdRange)->click();
    p.text("Start of range", "").text("End of range (blank for max)", "");
    dialog()->ok();
    VERIFY_PROMPTS(p);
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(listed(), (QList<int32_t>{a, b, c}));
    QCOMPARE(w()->windowTitle(),
             QString("Transaction search results  :  Transaction id range 0 - 2147483647"));
    QCOMPARE(w()->statusLine()->text(), QString("3 item(s),  value 244.56"));
    QCOMPARE(w()->currentRow(), 2);
    QCOMPARE(w()->model()->headerData(kSearchColCcy, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Ccy "));

    p.text("Start of range", "abc").info("Invalid integer \"abc\"");
    dialog()->ok();
    p.info("Invalid amount \"12.5\"");
    QVERIFY(!w()->runText(kSearchAmount, "12.5", TSearchRun::User));
    VERIFY_PROMPTS(p);
    QCOMPARE(listed(), (QList<int32_t>{a, b, c}));

    // A transaction id shows its details and closes the results.
    ShowSearch();
    dialog()->radio(kSearchTxnId)->click();
    dialog()->textBox()->setText(QString::number(b));
    dialog()->ok();
    QCOMPARE(shown_, (QList<int32_t>{b}));
    QVERIFY(!w()->isVisible());
    VERIFY_PROMPTS(p);
  }

  void journalBlocksAndSpread() {
    const int32_t before = pay(20240514, 100);
    const int32_t first = pay(20240515, 100);
    const int32_t early = pay(20240610, 100);
    const int32_t centre1 = pay(20240615, 100);
    const int32_t centre2 = pay(20240615, 100);
    const int32_t last = pay(20240715, 100);
    const int32_t august = pay(20240815, 100);
    ScriptedPrompter p;
    ShowJournalAround(20240615, 0);
    QCOMPARE(listed(), (QList<int32_t>{first, early, centre1, centre2, last}));
    QCOMPARE(w()->model()->row(w()->currentRow()).id, centre1);
    QVERIFY(w()->journalMenu()->menuAction()->isEnabled());
    QCOMPARE(w()->model()->text(3, kSearchColDate), QString());
    w()->nextBlock(1);
    QCOMPARE(w()->search().centre, 20240815);
    QCOMPARE(w()->model()->row(w()->currentRow()).id, august);
    w()->nextBlock(-1);
    QCOMPARE(w()->search().centre, 20240615);

    // Jump to a date inside the block moves the cursor; outside it, a new block.
    p.date("", 20240610);
    w()->jumpToDate();
    QCOMPARE(w()->model()->row(w()->currentRow()).id, early);
    p.date("", 20240414);
    w()->jumpToDate();
    QVERIFY(listed().contains(before));

    // The spread: checked, kept, shown in the menu's caption.
    p.text("Journal spread (months either side of date)", "0")
        .info("Journal spread must be 1 to 120 months");
    w()->askSpread();
    p.text("Journal spread (months either side of date)", "3");
    w()->askSpread();
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().settings.journalBlockSize, 3);
    Q_EMIT w()->journalMenu()->aboutToShow();
    QCOMPARE(w()->action("Journal spread = 3 months either side of date")->isEnabled(), true);

    // Another list disables the journal menu.
    w()->runSearch(IdRangeSearch(0, kSearchMaxId), TSearchRun::User);
    QVERIFY(!w()->journalMenu()->menuAction()->isEnabled());
  }

  void batches() {
    const int32_t alone = pay(20240301, 100);
    const int32_t a = pay(20240302, 200), b = pay(20240303, 300);
    QVERIFY(StartBatch(alone) && StartBatch(a) && CommitIfActive());
    QVERIFY(ExecSql("update txn set batchnum = ? where id = ?", {a, b}) &&
            ExecSql("update pstg set batchnum = ? where txnid = ?", {a, b}) && CommitIfActive());

    ScriptedPrompter p;
    p.yes("Transaction " + QString::number(alone) + " is in a batch of 1, OK to un-batch ?");
    ShowBatch(alone);
    VERIFY_PROMPTS(p);
    QVERIFY(!w()->isVisible());
    QCOMPARE(intOf("select batchnum from txn where id = ?", {alone}), 0);
    QCOMPARE(intOf("select count(*) from pstg where txnid = ? and batchnum <> 0", {alone}), 0);

    ShowBatch(a);
    QCOMPARE(listed(), (QList<int32_t>{a, b}));
    w()->setCurrentRow(1);
    w()->prepareContextMenu();
    QVERIFY(w()->action("View batch")->isEnabled());
    p.ask("Un-batch transaction " + QString::number(b) + " - OK ?", 'Y');
    w()->removeFromBatch();
    VERIFY_PROMPTS(p);
    QCOMPARE(listed(), (QList<int32_t>{a}));
    QCOMPARE(intOf("select count(*) from pstg where txnid = ? and batchnum <> 0", {b}), 0);
  }

  void missingInstances_data() {
    QTest::addColumn<QList<int32_t>>("instances");
    QTest::addColumn<bool>("redate");
    QTest::addColumn<QString>("message");
    QTest::newRow("gap") << QList<int32_t>{1, 2, 4} << false << "Regenerate missing instance #3 ?";
    QTest::newRow("twice") << QList<int32_t>{1, 1, 2} << false
                           << "Cannot check for missing instances";
    QTest::newRow("re-dated") << QList<int32_t>{1, 2, 3, 4} << true << "";
  }
  void missingInstances() {
    QFETCH(QList<int32_t>, instances);
    QFETCH(bool, redate);
    QFETCH(QString, message);
    const int32_t master = repeater(instances);
    QVERIFY(master);
    if (redate)
      QVERIFY(ExecSql("update txn set txndate = 20240520 where masterid = ? and instance = 3",
                      {master}) &&
              CommitIfActive());
    const int before = intOf("select count(*) from txn where masterid = ?", {master});
    ScriptedPrompter p;
    if (message.startsWith("Regenerate"))
      p.yes(message).info("Use Refresh to confirm instance has been regenerated OK");
    else if (!message.isEmpty())
      p.info(message);
    ShowInstances(master, 0);
    VERIFY_PROMPTS(p);
    if (message.startsWith("Regenerate")) {
      QCOMPARE(intOf("select count(*) from txn where masterid = ? and instance = 3", {master}), 1);
      QCOMPARE(intOf("select txndate from txn where masterid = ? and instance = 3", {master}),
               20240305);
    } else {
      QCOMPARE(intOf("select count(*) from txn where masterid = ?", {master}), before);
    }
    QCOMPARE(intOf("select gento from rptr where id = ?", {master}), 4);
    // Unticked in the dialog: no check.
    dialog()->regenerate()->setChecked(false);
    ShowInstances(master, 0);
    dialog()->regenerate()->setChecked(true);
    VERIFY_PROMPTS(p);
  }

  void assignCategory() {
    const int32_t a = pay(20240301, 100), b = pay(20240302, 200), c = pay(20240303, 300);
    const int32_t transfer = pay(20240304, 400, "move", QChar('C'));
    ScreenHooks().pickAccount = [this](int kind, int) {
      return kind == kKindCategory && ReadAccount(travel_, SelectedAccount());
    };
    const QString question =
        "Assign " + AccountKindName(kKindCategory, 'U', 'S').trimmed() + " \"Travel\" ...";
    w()->runSearch(IdRangeSearch(0, kSearchMaxId), TSearchRun::User);
    ScriptedPrompter p;
    p.choice(question, 1).info("No items selected (use CTRL+Click to select)");
    w()->grid()->clearSelection();
    w()->assign(kKindCategory);
    VERIFY_PROMPTS(p);

    // Behind the freeze date: asked once, No changes nothing.
    Session().settings.freezeBefore = 20241231;
    select({0, 1, 3});
    p.choice(question, 1)
        .info("Skipping txn #" + QString::number(transfer))
        .no("Posting is on/before account posting freeze date\rAre you sure you want to "
            "add/amend/delete transaction?");
    w()->assign(kKindCategory);
    VERIFY_PROMPTS(p);
    QCOMPARE(intOf("select count(*) from pstg where objid = ?", {travel_}), 0);
    Session().settings.freezeBefore = 0;

    SetRebalanceNeeded(false);
    select({0, 1});
    p.choice(question, 1);
    w()->assign(kKindCategory);
    VERIFY_PROMPTS(p);
    for (int32_t id : {a, b}) {
      QCOMPARE(intOf("select accid4 from txn where id = ?", {id}), travel_);
      QCOMPARE(intOf("select count(*) from pstg where txnid = ? and objid = ?", {id, travel_}), 1);
      QCOMPARE(intOf("select count(*) from pstg where txnid = ? and objid = ?", {id, food_}), 0);
    }
    QCOMPARE(intOf("select accid4 from txn where id = ?", {c}), food_);
    QCOMPARE(intOf("select count(*) from pstg where txnid = ? and objid = ?", {c, food_}), 1);
    QVERIFY(RebalanceNeeded());
    QCOMPARE(listed().size(), 4);

    // Frozen books: refused before the pick.
    ScreenHooks().pickAccount = [](int, int) {
      qWarning("picked on frozen books");
      return false;
    };
    Session().settings.dbFrozen = true;
    p.info("Cannot reassign txns, database is frozen");
    w()->assign(kKindCounterparty);
    VERIFY_PROMPTS(p);
    Session().settings.dbFrozen = false;
  }

  void popupChanges() {
    const int32_t a = pay(20240301, 100), b = pay(20240302, 200), c = pay(20240303, 300);
    QVERIFY(ExecSql("update txn set cancelled = 1 where id = ?", {b}) && CommitIfActive());
    w()->runSearch(IdRangeSearch(0, kSearchMaxId), TSearchRun::User);
    w()->setCurrentRow(1);
    w()->prepareContextMenu();
    QCOMPARE(w()->findChild<QAction*>("cancelTxn")->text(), QString("Uncancel transaction"));
    QVERIFY(!w()->action("Remove from batch")->isEnabled());

    // Frozen: each change refused before it asks.
    Session().settings.dbFrozen = true;
    ScriptedPrompter p;
    p.info("Cannot cancel txn, database is frozen")
        .info("Cannot edit txn, database is frozen")
        .info("Cannot change batch, database is frozen")
        .info("Cannot delete txn, database is frozen");
    w()->cancelTxn();
    w()->quickEdit(QChar('D'));
    w()->addToBatch();
    w()->deleteTxn();
    VERIFY_PROMPTS(p);
    Session().settings.dbFrozen = false;

    p.yes("Uncancel transaction?");
    w()->cancelTxn();
    VERIFY_PROMPTS(p);
    QCOMPARE(intOf("select cancelled from txn where id = ?", {b}), 0);
    QCOMPARE(w()->model()->row(w()->currentRow()).id, b);

    p.text("Edit transaction description", "bus fare");
    w()->quickEdit(QChar('D'));
    VERIFY_PROMPTS(p);
    QCOMPARE(w()->model()->text(1, kSearchColDescription), QString("bus fare"));

    // Deleting puts the cursor on the following row.
    p.yes("Delete txn #" + QString::number(b) + " ?");
    w()->deleteTxn();
    VERIFY_PROMPTS(p);
    QCOMPARE(listed(), (QList<int32_t>{a, c}));
    QCOMPARE(w()->model()->row(w()->currentRow()).id, c);
  }

  void controlWindowItems() {
    TFCtrl ctrl;
    ScriptedPrompter p;
    ctrl.menu().txnSearch->trigger();
    QVERIFY(dialog()->isVisible());
    dialog()->hide();
    p.date("", 0);
    ctrl.menu().journal->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(dialog()->radio(kSearchJournal)->isChecked(), true);
    QVERIFY(!w()->isVisible());
  }
};

QTEST_MAIN(TstSearchWindow)
#include "tst_search_window.moc"
