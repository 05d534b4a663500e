// The templates window offscreen on real books (base GBP): making a template
// from the details view (once per transaction, names stored exactly as typed
// and bound), renaming and deleting, "New" only from the details view, and
// using a template: a clean ordinary entry on the last saved date, the
// instances list for an active repeater's instance, and a vanished
// transaction's template offered for deletion.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "ledger/templates.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/transactions/templates_window.h"
#include "screens/transactions/txn_details.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QObject* g_testScope = nullptr;

void onForm(std::function<void(TFtxnip3*)> script) {
  QTimer::singleShot(0, g_testScope, [script] {
    TFtxnip3* f = TheEntryForm();
    QVERIFY(f->isVisible());
    script(f);
    if (f->isVisible()) f->reject();
  });
}

QStringList templateRows() {
  QStringList out;
  for (const TTemplateRow& r : ListTemplates()) out << QString::number(r.txnId) + " " + r.name;
  return out;
}

}  // namespace

class TstTemplatesWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TScreenHooks savedHooks_;
  QStringList calls_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0;

  TFttemplates* w() { return TemplatesWindow(); }

  int32_t write(int64_t amount, bool cancelled = false, int32_t date2 = 0) {
    TTxn t = NewTxn();
    t.type = QChar('P');
    t.ccy = QStringLiteral("GBP");
    t.txnDate = t.actualDate = YmdToDateRec(20240301);
    t.postingDate = YmdToDateRec(date2);
    t.amount = t.value = amount;
    t.accId1 = cur_;
    t.accId2 = shop_;
    t.accId4 = food_;
    t.cancelled = cancelled;
    t.narrative = QStringLiteral("Weekly shop");
    t.reference = QStringLiteral("R7");
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }

  // "New" from the details view of txn id, naming the template name.
  void makeFromDetails(int32_t id, const QString& name) {
    ShowTransactionDetails(id);
    TxnDetailsWindow()->action("Templates")->trigger();
    QVERIFY(w()->isVisible());
    QVERIFY(w()->action("New")->isEnabled());
    ScriptedPrompter p;
    p.yes(QString("Make template from transaction #%1 ?").arg(id));
    p.text("Template name", name);
    w()->action("New")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(p.flashes(), QStringList{"Template created ok"});
  }

 private Q_SLOTS:
  void init() {
    g_testScope = new QObject;
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetClock(QDateTime(QDate(2024, 5, 10), QTime(12, 0)));
    Session().periodTo = 20241231;
    cur_ = AddTestAccount(1, "Current");
    shop_ = AddTestAccount(4, "Shop");
    food_ = AddTestAccount(3, "Food");
    QVERIFY(cur_ && shop_ && food_);
    QVERIFY(CommitIfActive());
    Session().workingCurrency = QStringLiteral("GBP");
    ResetEntryForm();
    savedHooks_ = ScreenHooks();
    InstallTransactionScreens();
    calls_.clear();
    ScreenHooks().showInstances = [this](int32_t m, int32_t id) {
      calls_ << QStringLiteral("instances %1 %2").arg(m).arg(id);
    };
  }
  void cleanup() {
    w()->hide();
    TxnDetailsWindow()->hide();
    ScreenHooks() = savedHooks_;
    SetShowTransactionHook(nullptr);
    books_.reset();
    delete g_testScope;
    ResetClock();
  }

  // Names go in exactly as typed, bound: quotes, SQL and 300 characters (cut to 255).
  void namesStoredAsTyped_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::newRow("apostrophe") << "O'Brien"
                                << "O'Brien";
    QTest::newRow("statement") << "x'); delete from txn;--"
                               << "x'); delete from txn;--";
    QTest::newRow("300 characters") << QString(300, 'n') << QString(255, 'n');
  }
  void namesStoredAsTyped() {
    QFETCH(QString, name);
    QFETCH(QString, stored);
    const int32_t id = write(1200);
    makeFromDetails(id, name);
    QCOMPARE(templateRows(), QStringList{QString::number(id) + " " + stored});
    QCOMPARE(CountAll("txn"), 1);
    QCOMPARE(w()->model()->rowCount(), 1);
    QCOMPARE(w()->model()->data(w()->model()->index(0, 0), Qt::DisplayRole).toString(), stored);
    QCOMPARE(w()->currentTxnId(), id);

    // Renamed through the pop-up, starting from the current name.
    ScriptedPrompter p;
    p.textStartingWith("Template name", stored, "Mc'Lean \"2\"");
    w()->renameCurrent();
    VERIFY_PROMPTS(p);
    QCOMPARE(templateRows(), QStringList{QString::number(id) + " Mc'Lean \"2\""});
    // An empty name changes nothing.
    p.text("Template name", "");
    w()->renameCurrent();
    VERIFY_PROMPTS(p);
    QCOMPARE(templateRows(), QStringList{QString::number(id) + " Mc'Lean \"2\""});
  }

  void secondTemplateOfOneTransactionRefused() {
    const int32_t id = write(1200);
    makeFromDetails(id, "O'Brien");
    ScriptedPrompter p;
    p.info("This transaction is already in a template : \"O'Brien\"");
    w()->action("New")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(templateRows().size(), 1);
  }

  // Opened from the control window (or with no stored transaction shown), "New" is off.
  void newOnlyFromTheDetailsView() {
    ShowTemplatesWindow(false);
    QVERIFY(!w()->action("New")->isEnabled());
    ScriptedPrompter p;
    w()->action("New")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("ttemplate"), 0);
  }

  void listedByNameAndDeleted() {
    const int32_t a = write(100), b = write(200);
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (?, 'Zebra')", {a}));
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (?, 'Apple')", {b}));
    QVERIFY(CommitIfActive());
    ShowTemplatesWindow(false);
    QCOMPARE(w()->model()->rows().size(), 2);
    QCOMPARE(w()->model()->rows()[0].name, QString("Apple"));
    QVERIFY(w()->selectTxn(a));
    ScriptedPrompter p;
    p.no("Delete template?");
    w()->deleteCurrent();
    p.yes("Delete template?");
    w()->deleteCurrent();
    VERIFY_PROMPTS(p);
    QCOMPARE(templateRows(), QStringList{QString::number(b) + " Apple"});
    QCOMPARE(w()->currentTxnId(), b);
  }

  // A cancelled 12.00 payment with a posting date three days on, used while
  // the last saved entry is dated 2024-05-10: the form opens with 12.00,
  // unticked, empty texts, no links, dated that day, posting date 2024-05-13;
  // saved, its details show and the window closes.
  void useMakesACleanEntry() {
    const int32_t id = write(1200, true, 20240304);
    QVERIFY(ExecSql("update txn set batchnum = ? where id = ?", {id, id}));
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (?, 'Shop')", {id}));
    QVERIFY(CommitIfActive());
    // The last saved entry gives the date, not today.
    SetClock(QDateTime(QDate(2024, 6, 20), QTime(12, 0)));
    {
      ScriptedPrompter p;
      onForm([](TFtxnip3* f) {
        f->amountBox()->setText("1.00");
        f->saveButton()->click();
      });
      TTxn t;
      QVERIFY(ReadTxn(id, t));
      t = OrdinaryCopy(t);
      t.txnDate = t.actualDate = YmdToDateRec(20240510);
      t.postingDate = TDateRec();
      QVERIFY(EnterTransaction(t));
      VERIFY_PROMPTS(p);
    }
    ShowTemplatesWindow(false);
    QVERIFY(w()->selectTxn(id));
    TTxn loaded;
    QString amountText, description, reference;
    bool cancelledTicked = true;
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      loaded = f->loaded();
      amountText = f->amountBox()->text();
      description = f->descriptionBox()->text();
      reference = f->referenceBox()->text();
      cancelledTicked = f->cancelledCheck()->isChecked();
      f->saveButton()->click();
    });
    w()->popupMenu()->actions()[0]->trigger();  // "Use template"
    VERIFY_PROMPTS(p);
    QCOMPARE(amountText, QString("12.00"));
    QVERIFY(!cancelledTicked);
    QCOMPARE(description, QString());
    QCOMPARE(reference, QString());
    QCOMPARE(loaded.masterId, 0);
    QCOMPARE(loaded.batch, 0);
    QCOMPARE(StoredDate(loaded.txnDate), 20240510);
    QCOMPARE(StoredDate(loaded.actualDate), 20240510);
    QCOMPARE(StoredDate(loaded.postingDate), 20240513);
    const int32_t newId = QueryValue("select max(id) from txn").toInt();
    TTxn saved;
    QVERIFY(ReadTxn(newId, saved));
    QCOMPARE(saved.amount, 1200);
    QVERIFY(!saved.cancelled);
    QCOMPARE(StoredDate(saved.txnDate), 20240510);
    QVERIFY(TxnDetailsWindow()->isVisible());
    QCOMPARE(TxnDetailsWindow()->record().id, newId);
    QVERIFY(!w()->isVisible());
  }

  void useOfAnActiveInstanceListsTheInstances() {
    const int32_t id = write(1200);
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QVERIFY(MakeRepeaterFromTxn(t, 'M'));
    QCOMPARE(TemplateStartRecord(id, Today(), t), TemplateStart::Instances);
    ScriptedPrompter p;
    QCOMPARE(UseTemplate(id), 0);
    VERIFY_PROMPTS(p);
    QCOMPARE(calls_, QStringList{QString("instances %1 0").arg(t.masterId)});
    QVERIFY(!TheEntryForm()->isVisible());
  }

  void useOfAVanishedTransaction_data() {
    QTest::addColumn<char>("answer");
    QTest::newRow("kept") << 'N';
    QTest::newRow("deleted") << 'Y';
  }
  void useOfAVanishedTransaction() {
    QFETCH(char, answer);
    QVERIFY(ExecSql("insert into ttemplate (txnid, ttname) values (42, 'Gone')"));
    QVERIFY(CommitIfActive());
    ShowTemplatesWindow(false);
    ScriptedPrompter p;
    p.info("txn not found 42");
    p.ask("Delete template?", answer);
    w()->useCurrent();
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("ttemplate"), answer == 'Y' ? 0 : 1);
    QCOMPARE(w()->model()->rowCount(), answer == 'Y' ? 0 : 1);
    QVERIFY(w()->isVisible());
  }
};

QTEST_MAIN(TstTemplatesWindow)
#include "tst_templates_window.moc"
