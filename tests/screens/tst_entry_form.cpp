// The transaction entry form driven through its widgets offscreen, on real
// books (base GBP, USD listed), with a scripted prompter and a scripted account
// picker: what the controls do, what reaches the books when "Add"/"Update" is
// pressed, the entry operations' questions, and the accessible names.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
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
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

// One transaction row as "type amt ccy acc1/acc2/acc4 txndate/date2/actual ref b<batch>".
QString row(int32_t id) {
  TTxn t;
  if (!ReadTxn(id, t)) return QStringLiteral("missing");
  return QStringLiteral("%1 %2 %3 %4/%5/%6 %7/%8/%9 %10 b%11")
      .arg(t.type)
      .arg(t.amount)
      .arg(t.ccy.trimmed())
      .arg(t.accId1)
      .arg(t.accId2)
      .arg(t.accId4)
      .arg(StoredDate(t.txnDate))
      .arg(StoredDate(t.postingDate))
      .arg(StoredDate(t.actualDate))
      .arg(t.reference)
      .arg(t.batch);
}

int32_t lastTxnId() { return QueryValue("select coalesce(max(id), 0) from txn").toInt(); }

// A button is clicked as a user clicks it (a page just brought forward may not
// be laid out yet for a click at a position); a box takes the mouse.
void click(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    b->click();
  else
    QTest::mouseClick(w, Qt::LeftButton);
}

// Lives for one test function: a script whose form never showed is dropped
// with it instead of running in a later test.
QObject* g_testScope = nullptr;

// Runs script on the form once it shows; a form still open afterwards is cancelled.
void onForm(std::function<void(TFtxnip3*)> script) {
  QTimer::singleShot(0, g_testScope, [script] {
    TFtxnip3* f = TheEntryForm();
    QVERIFY(f->isVisible());
    script(f);
    if (f->isVisible()) f->reject();
  });
}

const QString kEnterRefusal = QStringLiteral(
    "The Windows control which currently has focus precludes using ENTER to save this form.\r"
    "Click on the %1 button instead");

// Lets queued window messages run whenever the busy cursor goes on, as the
// application's prompter does.
class EventfulPrompter : public ScriptedPrompter {
 public:
  void processEvents() override { QCoreApplication::processEvents(); }
};

}  // namespace

class TstEntryForm : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TScreenHooks savedHooks_;
  QList<int32_t> picks_;  // what the picker answers, in order; empty = cancelled
  QList<int> pickKinds_;  // the kinds it was asked for
  int32_t cur_ = 0, card_ = 0, usd_ = 0, shop_ = 0, food_ = 0, pot_ = 0, pot2_ = 0, fuel_ = 0;

  // Fills a payment of amount from Current to Shop for Food through the boxes.
  void fillPayment(TFtxnip3* f, const QString& amount) {
    picks_ = {cur_, shop_, food_};  // the counterparty's pick goes on to its category
    click(f->externalBox());
    click(f->counterpartyBox());
    f->amountBox()->setText(amount);
  }

  // A monthly master of 10.00 from 2024-05-10 to 2024-07-10, saved through the form.
  void saveMonthlyMaster() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      f->pages()->setCurrentIndex(TFtxnip3::Repeat);  // selecting the page ticks it
      QVERIFY(f->repeatCheck()->isChecked());
      QCOMPARE(f->pages()->tabText(TFtxnip3::Repeat), QString("REPEAT!"));
      click(f->freqRadio(2));
      f->untilBox()->setText("2024-07-10");
      click(f->saveButton());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(saved);
  }

  // Every input control and button is named as its label says.
  void checkAccessibleNames(TFtxnip3* f) {
    const QStringList unlabelled{"Amount",           "Currency",         "Actual previous day",
                                 "Actual next day",  "Actual calendar",  "Posting previous day",
                                 "Posting next day", "Posting calendar", "+/-",
                                 "Provider",         "Channel",          "Foreign currency",
                                 "Foreign amount",   "Foreign channel",  "Until calendar",
                                 "Batch number",     "Category 1",       "Amount 1",
                                 "Category 2",       "Amount 2"};
    QStringList names;
    for (QWidget* w : f->findChildren<QWidget*>()) {
      const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                         qobject_cast<QComboBox*>(w) || qobject_cast<QSpinBox*>(w);
      // The line edits inside the combo and spin boxes belong to them.
      if (!input || qobject_cast<QComboBox*>(w->parentWidget()) ||
          qobject_cast<QSpinBox*>(w->parentWidget()) ||
          qobject_cast<QTabWidget*>(w->parentWidget()) || w->inherits("QTabBar") ||
          w->inherits("QToolButton"))
        continue;
      QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(w);
      QVERIFY(ai);
      const QString name = ai->text(QAccessible::Name);
      names << name;
      QVERIFY2(!name.isEmpty(), qPrintable(w->metaObject()->className()));
      QCOMPARE(name, name.trimmed());
      auto* b = qobject_cast<QAbstractButton*>(w);
      if (b && !unlabelled.contains(name)) QCOMPARE(name, b->text().remove('&').trimmed());
      QLabel* label = nullptr;
      for (QLabel* l : f->findChildren<QLabel*>())
        if (l->buddy() == w) label = l;
      if (label) QCOMPARE(name, label->text().trimmed());
    }
    for (const QString& n : unlabelled) QVERIFY2(names.contains(n), qPrintable(n));
    for (const char* n : {"External account", "Counterparty", "Internal account", "Description",
                          "Reference", "Commission amount", "Cash account", "Cashback amount",
                          "Total amount", "Add", "Cancel", "until", "Reminder (days)", "Increment",
                          "count", "from", "Posting date", "Actual txn date"})
      QVERIFY2(names.contains(n), qPrintable(n));
  }

 private Q_SLOTS:
  void init() {
    g_testScope = new QObject;
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetClock(QDateTime(QDate(2024, 5, 10), QTime(12, 0)));
    SetPeriodDates(20240101, 20241231);
    QVERIFY(InsertCurrency(TCcy{"USD", "Dollar", false}));
    cur_ = AddTestAccount(1, "Current");
    card_ = AddTestAccount(1, "Card");
    usd_ = AddTestAccount(1, "Dollars", "USD");
    shop_ = AddTestAccount(4, "Shop");
    food_ = AddTestAccount(3, "Food");
    pot_ = AddTestAccount(6, "Savings pot");
    pot2_ = AddTestAccount(6, "Holiday pot");
    fuel_ = AddTestAccount(3, "Fuel");
    QVERIFY(cur_ && card_ && usd_ && shop_ && food_ && pot_ && pot2_ && fuel_);
    QVERIFY(CommitIfActive());
    QVERIFY(CheckBaseCurrency());
    Session().workingCurrency = QStringLiteral("GBP");

    savedHooks_ = ScreenHooks();
    picks_.clear();
    pickKinds_.clear();
    ScreenHooks().pickAccount = [this](int kind, int) {
      pickKinds_ << kind;
      TObj a;
      if (picks_.isEmpty() || !ReadAccount(picks_.takeFirst(), a)) return false;
      SelectedAccount() = a;
      return true;
    };
  }
  void cleanup() {
    ScreenHooks() = savedHooks_;
    ResetClock();
    delete g_testScope;
    g_testScope = nullptr;
    books_.reset();  // closing the books resets the form
  }

  // ---------------------------------------------------------------- dates

  void dates_data() {
    QTest::addColumn<bool>("internalTransfer");
    QTest::addColumn<bool>("actual");
    QTest::addColumn<bool>("posting");
    QTest::addColumn<QString>("postingText");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");  // row() of the saved transaction
    QTest::newRow("both dates the same day")
        << false << true << true << "2024-05-10"
        << "\"Actual txn date\" and \"posting date\" must not be the same"
        << "";
    QTest::newRow("only posting") << false << false << true << "2024-05-12"
                                  << ""
                                  << "P 1000 GBP 2/5/6 20240512/20240512/0  b0";
    QTest::newRow("only actual") << false << true << false << ""
                                 << ""
                                 << "P 1000 GBP 2/5/6 20240510/0/20240510  b0";
    QTest::newRow("both dates") << false << true << true << "2024-05-12"
                                << ""
                                << "P 1000 GBP 2/5/6 20240510/20240512/20240510  b0";
    // The posting panel goes and "Actual txn date" is forced on, even when unticked before.
    QTest::newRow("internal transfer") << true << false << true << "2024-05-12"
                                       << ""
                                       << "C 1000 GBP 7/8/0 20240510/0/20240510  b0";
  }
  void dates() {
    QFETCH(bool, internalTransfer);
    QFETCH(bool, actual);
    QFETCH(bool, posting);
    QFETCH(QString, postingText);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    bool panelShown = true, actualForced = false;
    onForm([&](TFtxnip3* f) {
      QCOMPARE(f->actualDate()->text(), QString("2024-05-10"));  // today, from the template
      if (actual != f->actualCheck()->isChecked()) click(f->actualCheck());
      if (posting) {
        click(f->postingCheck());
        QCOMPARE(f->postingDate()->text(), f->actualDate()->text().isEmpty()
                                               ? QString("2024-05-10")
                                               : f->actualDate()->text());
        f->postingDate()->setText(postingText);
      }
      if (internalTransfer) {
        click(f->typeRadio(EntryType::Transfer));
        click(f->internalRadio());
        panelShown = f->postingPanel()->isVisible();
        actualForced = f->actualCheck()->isChecked();
        QCOMPARE(f->externalLabel()->text(), QString("From account "));
        QCOMPARE(f->counterpartyLabel()->text(), QString("To account "));
        picks_ = {pot_, pot2_};
        click(f->externalBox());
        click(f->counterpartyBox());
        QCOMPARE(pickKinds_, (QList<int>{3, 3}));
        f->amountBox()->setText("10.00");
      } else {
        fillPayment(f, "10.00");
      }
      click(f->saveButton());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QCOMPARE(saved, message.isEmpty());
    if (internalTransfer) {
      QVERIFY(!panelShown);
      QVERIFY(actualForced);
    }
    QCOMPARE(expected.isEmpty() ? QString() : row(lastTxnId()), expected);
    QCOMPARE(LastInputId(), saved ? lastTxnId() : 0);
  }

  void dateButtons() {
    ScriptedPrompter p;
    p.date(QString(), 20240601);
    QStringList texts;
    onForm([&](TFtxnip3* f) {
      click(f->actualButton(0));
      texts << f->actualDate()->text();
      QVERIFY(!f->postingDate()->isEnabled());
      click(f->postingCheck());
      texts << f->postingDate()->text();
      // An emptied posting date starts again from the actual date.
      f->postingDate()->clear();
      click(f->postingButton(1));
      texts << f->postingDate()->text();
      f->postingDate()->clear();
      QTest::mouseClick(f->postingDate(), Qt::LeftButton);
      texts << f->postingDate()->text();
      click(f->postingButton(2));
      texts << f->postingDate()->text();
      click(f->actualCheck());
      texts << f->actualDate()->text();
      QVERIFY(!f->actualDate()->isEnabled());
      QVERIFY(!f->actualButton(1)->isEnabled());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QCOMPARE(texts, (QStringList{"2024-05-09  Thu", "2024-05-09  Thu", "2024-05-10  Fri",
                                 "2024-05-09  Thu", "2024-06-01 (Sat)", ""}));
  }

  // ---------------------------------------------------------------- amount and type

  void plusMinus_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("flash");
    QTest::newRow("payment") << int(EntryType::Payment) << "Transaction is now a Receipt";
    QTest::newRow("receipt") << int(EntryType::Receipt) << "Transaction is now a Payment";
    QTest::newRow("transfer") << int(EntryType::Transfer) << "From & To accounts switched";
  }
  void plusMinus() {
    QFETCH(int, type);
    QFETCH(QString, flash);
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      click(f->typeRadio(EntryType(type)));
      if (EntryType(type) == EntryType::Transfer) {
        click(f->externalRadio());
        picks_ = {cur_, card_};
        click(f->externalBox());
        click(f->counterpartyBox());
      }
      f->amountBox()->setText("-5.00");
      click(f->plusMinusButton());
      QCOMPARE(f->amountBox()->text(), QString("5.00"));
      switch (EntryType(type)) {
        case EntryType::Payment:
          QVERIFY(f->typeRadio(EntryType::Receipt)->isChecked());
          QCOMPARE(f->paymentTypeBox()->title(), QString(" Receipt type"));
          QVERIFY(!f->pages()->isTabVisible(TFtxnip3::Cashback));
          break;
        case EntryType::Receipt:
          QVERIFY(f->typeRadio(EntryType::Payment)->isChecked());
          QVERIFY(f->pages()->isTabVisible(TFtxnip3::Cashback));
          break;
        default:
          QCOMPARE(f->externalAccount().id, card_);
          QCOMPARE(f->secondExternal().id, cur_);
          QCOMPARE(f->externalBox()->text(), QString("Card"));
          QCOMPARE(f->counterpartyBox()->text(), QString("Current"));
          break;
      }
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QCOMPARE(p.flashes(), QStringList{flash});
  }

  void currencyChangeEmptiesSlotsButTheCounterparty() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      // A change the form makes itself (the FX switch back to the base
      // currency is one) is quiet; the user's change through the keyboard is not.
      QCOMPARE(f->currencyBox()->currentText(), QString("GBP"));
      f->currencyBox()->setFocus();
      QTest::keyClick(f->currencyBox(), Qt::Key_Down);
      QCOMPARE(f->currencyBox()->currentText(), QString("USD"));
      QCOMPARE(f->externalAccount().id, 0);
      QCOMPARE(f->internalAccount().id, 0);
      QCOMPARE(f->externalBox()->text(), QString());
      QCOMPARE(f->internalBox()->text(), QString());
      QCOMPARE(f->counterparty().id, shop_);
      QCOMPARE(f->counterpartyBox()->text(), QString("Shop"));
      QCOMPARE(Session().workingCurrency, QString("USD"));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  void wrongCurrencyPickRefused() {
    ScriptedPrompter p;
    p.info("Account in wrong currency for this transaction");
    onForm([&](TFtxnip3* f) {
      picks_ = {cur_, usd_};
      click(f->externalBox());
      QCOMPARE(f->externalBox()->text(), QString("Current"));
      click(f->externalBox());
      QCOMPARE(f->externalAccount().id, cur_);
      QCOMPARE(f->externalBox()->text(), QString("Current"));
      QCOMPARE(pickKinds_, (QList<int>{1, 1}));
      QCOMPARE(ChannelDirection(), QChar('P'));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  // ---------------------------------------------------------------- batches

  void newBatchThenNextEntry() {
    int32_t first = 0;
    {
      ScriptedPrompter p;
      onForm([&](TFtxnip3* f) {
        fillPayment(f, "10.00");
        f->pages()->setCurrentIndex(TFtxnip3::Batch);
        click(f->batchRadio(EntryBatch::New));
        QCOMPARE(f->pages()->tabText(TFtxnip3::Batch), QString("BATCH!"));
        click(f->saveButton());
      });
      const bool saved = EnterNewTransaction(&first);
      VERIFY_PROMPTS(p);
      QVERIFY(saved);
    }
    QCOMPARE(row(first), QString("P 1000 GBP 2/5/6 20240510/0/20240510  b%1").arg(first));

    // The next entry opens in that batch; a save refused after "Keep batch open"
    // was answered No leaves the radio as it was.
    TObj own = NewObj();
    own.kind = 1;
    own.name = "Shop card";
    own.heldWith = shop_;
    QVERIFY(WriteAccount(own));
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    p.yes(QString("Transaction will be included in Batch #%1 - OK?").arg(first))
        .no("Keep batch open for next txn input? (you can always add to it later)")
        .no("This transaction will bypass your external account with this counterparty - "
            "continue anyway? ?");
    bool existing = false, existingAfter = false;
    QString number, numberAfter;
    onForm([&](TFtxnip3* f) {
      existing = f->batchRadio(EntryBatch::AddToExisting)->isChecked();
      number = f->batchNumberBox()->text();
      f->amountBox()->setText("12.00");
      click(f->saveButton());
      QVERIFY(f->isVisible());
      existingAfter = f->batchRadio(EntryBatch::AddToExisting)->isChecked();
      numberAfter = f->batchNumberBox()->text();
      QCOMPARE(f->amountBox()->text(), QString("12.00"));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QVERIFY(existing);
    QCOMPARE(number, QString::number(first));
    QVERIFY(existingAfter);
    QCOMPARE(numberAfter, QString::number(first));
    QCOMPARE(CountAll("txn"), 1);
  }

  // ---------------------------------------------------------------- Enter, Esc and clicks

  void enterKey_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("saves");
    QTest::newRow("radio") << "radio" << false;
    QTest::newRow("check box") << "check" << false;
    QTest::newRow("list") << "list" << false;
    QTest::newRow("amount box") << "edit" << true;
  }
  void enterKey() {
    QFETCH(QString, focus);
    QFETCH(bool, saves);
    ScriptedPrompter p;
    if (!saves) p.info(kEnterRefusal.arg("Add"));
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      QWidget* w = focus == "radio"   ? static_cast<QWidget*>(f->typeRadio(EntryType::Payment))
                   : focus == "check" ? static_cast<QWidget*>(f->cancelledCheck())
                   : focus == "list"  ? static_cast<QWidget*>(f->currencyBox())
                                      : static_cast<QWidget*>(f->amountBox());
      w->setFocus();
      QTest::keyClick(w, Qt::Key_Return);
      QCOMPARE(f->isVisible(), !saves);
    });
    QCOMPARE(EnterNewTransaction(), saves);
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), saves ? 1 : 0);
  }

  void escapeCancels() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      QTest::keyClick(f->amountBox(), Qt::Key_Escape);
      QVERIFY(!f->isVisible());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QCOMPARE(CountAll("txn"), 0);
  }

  void oneSaveAtATime_data() {
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("double click on Add") << true;
    QTest::newRow("click queued while saving") << false;
  }
  void oneSaveAtATime() {
    QFETCH(bool, doubleClick);
    EventfulPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      if (doubleClick) {
        // As the window system reports it: press, release, double click, release.
        QTest::mouseClick(f->saveButton(), Qt::LeftButton);
        QTest::mouseDClick(f->saveButton(), Qt::LeftButton);
        QTest::mouseRelease(f->saveButton(), Qt::LeftButton);
      } else {
        // The second click waits in the queue until the busy cursor lets it through.
        QPushButton* b = f->saveButton();
        QTimer::singleShot(0, b, [b] { QTest::mouseClick(b, Qt::LeftButton); });
        click(b);
      }
    });
    QVERIFY(EnterNewTransaction());
    QCoreApplication::processEvents();
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 1);
  }

  // ---------------------------------------------------------------- templates and reset

  void newEntryAfterAMasterCarriesNoRepeater() {
    saveMonthlyMaster();
    if (QTest::currentTestFailed()) return;
    QCOMPARE(CountAll("rptr"), 1);
    QCOMPARE(CountRows("txn", "masterid > 0"), 3);

    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      QVERIFY(!f->repeatCheck()->isChecked());
      QCOMPARE(f->instanceLabel()->text(), QString());
      QCOMPARE(f->idLabel()->text(), QString("NEW"));
      QCOMPARE(f->externalBox()->text(), QString("Current"));
      QCOMPARE(f->counterpartyBox()->text(), QString("Shop"));
      QCOMPARE(f->internalBox()->text(), QString("Food"));
      f->amountBox()->setText("3.00");
      click(f->saveButton());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(saved);
    QCOMPARE(CountAll("rptr"), 1);
    TTxn t;
    QVERIFY(ReadTxn(lastTxnId(), t));
    QCOMPARE(t.masterId, 0);
    QCOMPARE(t.instance, 0);
    QCOMPARE(t.amount, int64_t(300));
  }

  void resetOnOtherBooks() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      f->pages()->setCurrentIndex(TFtxnip3::Batch);
      click(f->batchRadio(EntryBatch::New));
      click(f->saveButton());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(saved);
    TFtxnip3* f = TheEntryForm();
    QVERIFY(LastInputId() > 0);
    QVERIFY(f->batchRadio(EntryBatch::AddToExisting)->isChecked());
    CloseDatabase(false);
    QCOMPARE(LastInputId(), 0);
    QVERIFY(f->batchRadio(EntryBatch::None)->isChecked());
    QCOMPARE(f->externalAccount().id, 0);
    QCOMPARE(f->counterparty().id, 0);
    QCOMPARE(f->internalAccount().id, 0);
    QCOMPARE(f->lastSaved().id, 0);
  }

  void descriptionTakes40Characters() {
    TFtxnip3* f = TheEntryForm();
    f->descriptionBox()->clear();
    QTest::keyClicks(f->descriptionBox(), QString(45, QChar('x')));
    QCOMPARE(f->descriptionBox()->text(), QString(40, QChar('x')));
    // Never cut inside a character.
    f->descriptionBox()->setText(QString(39, QChar('x')) + QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(f->descriptionBox()->text(), QString(39, QChar('x')));
  }

  void recallDescription() {
    {
      ScriptedPrompter p;
      onForm([&](TFtxnip3* f) {
        fillPayment(f, "10.00");
        f->descriptionBox()->setText("Weekly shop");
        click(f->saveButton());
      });
      const bool saved = EnterNewTransaction();
      VERIFY_PROMPTS(p);
      QVERIFY(saved);
    }
    ScriptedPrompter p;
    p.no("Overwrite description with \"Weekly shop\" - OK ?")
        .yes("Overwrite description with \"Weekly shop\" - OK ?");
    QStringList texts;
    onForm([&](TFtxnip3* f) {
      texts << f->descriptionBox()->text();
      click(f->recallDescriptionButton());
      texts << f->descriptionBox()->text();
      f->descriptionBox()->setText("Other");
      click(f->recallDescriptionButton());
      texts << f->descriptionBox()->text();
      click(f->recallDescriptionButton());
      texts << f->descriptionBox()->text();
      click(f->clearDescriptionButton());
      texts << f->descriptionBox()->text();
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QCOMPARE(texts, (QStringList{"", "Weekly shop", "Other", "Weekly shop", ""}));
  }

  // ---------------------------------------------------------------- edits

  void editOfReconciledPostings_data() {
    QTest::addColumn<QString>("answers");
    QTest::newRow("both accepted") << "YY";
    QTest::newRow("second declined") << "YN";
    QTest::newRow("first declined") << "N";
  }
  void editOfReconciledPostings() {
    QFETCH(QString, answers);
    {
      ScriptedPrompter p;
      onForm([&](TFtxnip3* f) {
        fillPayment(f, "10.00");
        click(f->saveButton());
      });
      const bool saved = EnterNewTransaction();
      VERIFY_PROMPTS(p);
      QVERIFY(saved);
    }
    const int32_t id = lastTxnId();
    QVERIFY(ExecSql("update pstg set reconcode = 1 where txnid = ? and objid in (?, ?)",
                    {id, cur_, food_}));
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    const QStringList names{"Current", "Food"};
    for (int i = 0; i < answers.size(); ++i)
      p.ask("Editing this txn will cause its posting to account \"" + names[i] +
                "\" to be un-reconciled - OK?",
            answers[i].toLatin1() == 'Y' ? 'Y' : 'N');
    bool shown = false;
    QString title, button;
    QTimer::singleShot(0, g_testScope, [&] {
      TFtxnip3* f = TheEntryForm();
      shown = f->isVisible();
      title = f->windowTitle();
      button = f->saveButton()->text();
      if (shown) f->reject();
    });
    const bool edited = EditTransaction(id);
    VERIFY_PROMPTS(p);
    QVERIFY(!edited);
    QCOMPARE(shown, answers == "YY");
    if (shown) {
      QCOMPARE(title, QString("Edit transaction"));
      QCOMPARE(button, QString("Update"));
    }
  }

  void counterpartyCategoryRule() {
    // Shop prefers Fuel; Current is held with Shop, its provider.
    QList<QPair<QChar, int>> asked;
    int answer = fuel_;
    ScreenHooks().chooseCounterpartyCategory = [&](int cpty, QChar direction, int mode) {
      asked << qMakePair(direction, mode);
      return cpty == shop_ ? answer : 0;
    };
    TObj current;
    QVERIFY(ReadAccount(cur_, current));
    current.heldWith = shop_;
    QVERIFY(WriteAccount(current));
    QVERIFY(CommitIfActive());
    {
      ScriptedPrompter p;
      onForm([&](TFtxnip3* f) {
        picks_ = {cur_};
        click(f->externalBox());
        click(f->providerButton());  // as if Shop were picked: its category follows
        QCOMPARE(f->counterpartyBox()->text(), QString("Shop"));
        QCOMPARE(f->internalBox()->text(), QString("Fuel"));
        answer = -1;  // cancelled: nothing changes
        click(f->internalBox());
        QCOMPARE(f->internalBox()->text(), QString("Fuel"));
        f->amountBox()->setText("10.00");
        click(f->saveButton());
      });
      const bool saved = EnterNewTransaction();
      VERIFY_PROMPTS(p);
      QVERIFY(saved);
    }
    QCOMPARE(pickKinds_, QList<int>{1});  // no finder for the category
    // Editing: the preferred category is offered, not imposed.
    answer = food_;
    ScriptedPrompter p;
    p.yes("Also reset Category to the default for this Counterparty = \"Food\"?");
    QString category;
    onForm([&](TFtxnip3* f) {
      picks_ = {shop_};
      click(f->counterpartyBox());
      category = f->internalBox()->text();
    });
    const bool edited = EditTransaction(lastTxnId());
    VERIFY_PROMPTS(p);
    QVERIFY(!edited);
    QCOMPARE(category, QString("Food"));
    QCOMPARE(asked, (QList<QPair<QChar, int>>{{'P', 1}, {'P', 0}, {'P', 2}}));
  }

  void editRefusals() {
    {
      ScriptedPrompter p;
      p.info("txn not found 99");
      const bool edited = EditTransaction(99);
      VERIFY_PROMPTS(p);
      QVERIFY(!edited);
    }

    // Enter on a radio names "Update" in edit mode; the form cannot be opened twice.
    {
      ScriptedPrompter q;
      onForm([&](TFtxnip3* f) {
        fillPayment(f, "10.00");
        click(f->saveButton());
      });
      const bool saved = EnterNewTransaction();
      VERIFY_PROMPTS(q);
      QVERIFY(saved);
    }
    ScriptedPrompter r;
    r.info(kEnterRefusal.arg("Update")).info("Cannot edit - Transaction form already in use");
    onForm([&](TFtxnip3* f) {
      f->typeRadio(EntryType::Payment)->setFocus();
      QTest::keyClick(f->typeRadio(EntryType::Payment), Qt::Key_Return);
      QVERIFY(f->isVisible());
      TTxn t;
      QVERIFY(ReadTxn(lastTxnId(), t));
      QVERIFY(!EditTransactionRecord(t));
    });
    const bool edited = EditTransaction(lastTxnId());
    VERIFY_PROMPTS(r);
    QVERIFY(!edited);
  }

  void redateReconciledBalance() {
    int32_t id = 0;
    {
      ScriptedPrompter quiet;
      id = WriteReconciledBalance(cur_, YmdToDateRec(20240531), 0);
      VERIFY_PROMPTS(quiet);
    }
    QVERIFY(id > 0);
    ScriptedPrompter p;
    p.yes("Only the txndate may be edited for this txn type - OK ?").date(QString(), 20240615);
    bool formShown = false;
    QTimer::singleShot(0, g_testScope, [&] { formShown = TheEntryForm()->isVisible(); });
    const bool edited = EditTransaction(id);
    VERIFY_PROMPTS(p);
    QVERIFY(edited);
    QCoreApplication::processEvents();
    QVERIFY(!formShown);
    RollbackIfActive();  // committed: nothing to lose
    TTxn t;
    QVERIFY(ReadTxn(id, t));
    QCOMPARE(StoredDate(t.txnDate), 20240615);
    QCOMPARE(StoredDate(t.postingDate), 0);
    TObj a;
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, QString("2024-06-15"));
  }

  void editOfAMaster() {
    saveMonthlyMaster();
    if (QTest::currentTestFailed()) return;
    TRptr r;
    QVERIFY(ReadRepeater(QueryValue("select max(id) from rptr").toInt(), r));
    TTxn record = MasterRecord(r);
    ScriptedPrompter p;
    p.yes("Update  Repeater Master - OK ?");  // and no period question
    onForm([&](TFtxnip3* f) {
      QCOMPARE(f->windowTitle(), QString("Edit transaction - Repeater Master"));
      QVERIFY(f->repeatCheck()->isChecked());
      QVERIFY(!f->repeatCheck()->isEnabled());
      QVERIFY(f->freqRadio(2)->isChecked());
      QCOMPARE(f->untilBox()->text(), QString("2024-07-10"));
      QCOMPARE(f->fromBox()->text(), QString("2024-05-10"));
      QCOMPARE(f->instanceLabel()->text(), QString("%1 / 0").arg(r.id));
      QVERIFY(!f->postingPanel()->isEnabled());
      QVERIFY(f->pages()->isTabVisible(TFtxnip3::Repeat));
      QVERIFY(!f->pages()->isTabVisible(TFtxnip3::Cashback));
      QVERIFY(!f->pages()->isTabVisible(TFtxnip3::Split));
      f->amountBox()->setText("15.00");
      click(f->saveButton());
    });
    const bool edited = EditTransactionRecord(record);
    VERIFY_PROMPTS(p);
    QVERIFY(edited);
    QVERIFY(ReadRepeater(r.id, r));
    QCOMPARE(r.amount, int64_t(1500));
    QCOMPARE(CountRows("txn", "amt = 1000 and masterid = ?", {r.id}), 3);
  }

  // ---------------------------------------------------------------- pages and layout

  void layoutByType_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("tabs");   // the pages shown after "Basics"
    QTest::addColumn<QString>("shown");  // the controls shown among those that come and go
    QTest::addColumn<QString>("labels");
    QTest::newRow("payment") << "P"
                             << "Repeat Cashback Batch Split"
                             << "external provider internal reference posting"
                             << "External account |Counterparty  |Basics";
    QTest::newRow("payment on credit") << "PC"
                                       << "Repeat Cashback Batch Split"
                                       << "internal reference posting"
                                       << "External account |Counterparty  |Basics";
    QTest::newRow("receipt") << "R"
                             << "Repeat Batch Split"
                             << "external provider internal reference posting"
                             << "External account |Counterparty  |Basics";
    QTest::newRow("external transfer") << "CE"
                                       << "Repeat Batch"
                                       << "external reference posting"
                                       << "From account |To account |Basics";
    QTest::newRow("internal transfer") << "CI"
                                       << "Repeat Batch"
                                       << "external reference"
                                       << "From account |To account |Basics";
    QTest::newRow("FX buy") << "FB"
                            << "Foreign currency Batch"
                            << "external provider internal commission posting"
                            << "External account - from|Counterparty  |Home currency|Receive|"
                               "Sell-rate |External account - to";
    QTest::newRow("FX sell") << "FS"
                             << "Foreign currency Batch"
                             << "external provider internal commission posting"
                             << "External account - to|Counterparty  |Home currency|Pay|"
                                "Buy-rate |External account - from";
  }
  void layoutByType() {
    QFETCH(QString, type);
    QFETCH(QString, tabs);
    QFETCH(QString, shown);
    QFETCH(QString, labels);
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      const QChar t = type[0];
      click(f->typeRadio(t == 'P'   ? EntryType::Payment
                         : t == 'R' ? EntryType::Receipt
                         : t == 'C' ? EntryType::Transfer
                                    : EntryType::Fx));
      if (type == "PC") click(f->creditRadio());
      if (type == "CE") click(f->externalRadio());
      if (type == "CI") click(f->internalRadio());
      if (type == "FB") click(f->buyRadio());
      if (type == "FS") click(f->sellRadio());
      QStringList pages;
      for (int i = 1; i < f->pages()->count(); ++i)
        if (f->pages()->isTabVisible(i)) pages << f->pages()->tabText(i);
      QCOMPARE(pages.join(' '), tabs);
      QStringList controls;
      const QList<QPair<QString, QWidget*>> all{
          {"external", f->externalBox()},     {"provider", f->providerButton()},
          {"internal", f->internalBox()},     {"reference", f->referenceBox()},
          {"commission", f->commissionBox()}, {"posting", f->postingPanel()}};
      for (const auto& c : all)
        if (c.second->isVisible()) controls << c.first;
      QCOMPARE(controls.join(' '), shown);
      QStringList texts{f->externalLabel()->text(), f->counterpartyLabel()->text(),
                        f->pages()->tabText(TFtxnip3::Basics)};
      if (t == 'F')
        texts << f->foreignGroup()->title() << f->rateLabel()->text()
              << f->foreignAccountLabel()->text();
      QCOMPARE(texts.join('|'), labels);
      QCOMPARE(f->currencyBox()->isEnabled(), t != 'F');
      QCOMPARE(f->paymentTypeBox()->isVisible(), t == 'P' || t == 'R');
      QCOMPARE(f->transferTypeBox()->isVisible(), t == 'C');
      QCOMPARE(f->fxTypeBox()->isVisible(), t == 'F');
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  void fxSwitchesToTheBaseCurrency() {
    ScriptedPrompter p;
    p.info("Switching home-currency to base-currency for FX transaction ...");
    onForm([&](TFtxnip3* f) {
      f->currencyBox()->setFocus();
      QTest::keyClick(f->currencyBox(), Qt::Key_Down);
      QCOMPARE(f->currencyBox()->currentText(), QString("USD"));
      picks_ = {cur_};
      click(f->typeRadio(EntryType::Fx));
      QCOMPARE(f->currencyBox()->currentText(), QString("GBP"));
      QCOMPARE(f->foreignCurrencyBox()->currentText(), QString("USD"));
      QCOMPARE(pickKinds_, QList<int>{1});  // the finder opened again
      QCOMPARE(f->externalBox()->text(), QString("Current"));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  void fxCalculations_data() {
    QTest::addColumn<bool>("home");  // "calc home", else "calc fgn "
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("result");  // the other amount box, or the message
    QTest::newRow("foreign from home") << false << "100.00"
                                       << "1.25"
                                       << "125.00";
    QTest::newRow("foreign, half to even") << false << "0.01"
                                           << "0.5"
                                           << "0.00";
    QTest::newRow("home from foreign") << true << "125.00"
                                       << "1.25"
                                       << "100.00";
    QTest::newRow("home, half to even") << true << "0.03"
                                        << "2"
                                        << "0.02";
    QTest::newRow("beyond 64 bits") << false << "90,000,000,000,000,000.00"
                                    << "1000"
                                    << "Invalid amount \"90,000,000,000,000,000.00\"";
  }
  void fxCalculations() {
    QFETCH(bool, home);
    QFETCH(QString, amount);
    QFETCH(QString, rate);
    QFETCH(QString, result);
    ScriptedPrompter p;
    const bool refused = result.startsWith("Invalid");
    if (refused) p.info(result);
    onForm([&](TFtxnip3* f) {
      click(f->typeRadio(EntryType::Fx));
      f->pages()->setCurrentIndex(TFtxnip3::Foreign);
      f->rateBox()->setText(rate);
      (home ? f->foreignAmountBox() : f->amountBox())->setText(amount);
      QLineEdit* other = home ? f->amountBox() : f->foreignAmountBox();
      other->clear();
      click(home ? f->calcHomeButton() : f->calcForeignButton());
      QCOMPARE(other->text(), refused ? QString() : result);
      if (home) QCOMPARE(f->pages()->currentIndex(), int(TFtxnip3::Basics));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  void splitAndCashback_data() {
    QTest::addColumn<bool>("split");
    QTest::addColumn<QStringList>("rows");  // the transactions written, in id order
    QTest::newRow("split 100 / 30 / empty")
        << true
        << QStringList{"P 3000 GBP 2/5/6 20240510/0/20240510  b1",
                       "P 7000 GBP 2/5/9 20240510/0/20240510  b1"};
    QTest::newRow("cashback 10.00")
        << false
        << QStringList{"P 10000 GBP 2/5/6 20240510/0/20240510  b1",
                       "R 1000 GBP 3/5/6 20240510/20240510/0 Cashback b1"};
  }
  void splitAndCashback() {
    QFETCH(bool, split);
    QFETCH(QStringList, rows);
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "100.00");
      if (split) {
        f->pages()->setCurrentIndex(TFtxnip3::Split);  // ticks the split
        QVERIFY(f->splitCheck()->isChecked());
        QCOMPARE(f->splitTotalBox()->text(), QString("100.00"));
        QCOMPARE(f->splitCategoryBox(0)->text(), QString("Food"));
        picks_ = {fuel_};
        click(f->splitCategoryBox(1));
        f->splitAmountBox(0)->setText("30.00");
        f->pages()->setCurrentIndex(TFtxnip3::Basics);  // runs the split check
        QCOMPARE(f->splitAmountBox(1)->text(), QString("70.00"));
        QVERIFY(f->splitMark()->isVisible());
      } else {
        picks_ = {card_};  // no cash account remembered yet: the finder opens
        f->pages()->setCurrentIndex(TFtxnip3::Cashback);
        QVERIFY(f->cashbackCheck()->isChecked());
        QCOMPARE(f->cashAccountBox()->text(), QString("Card"));
        QCOMPARE(Session().settings.cashbackAccId, card_);
        f->cashbackAmountBox()->setText("10.00");
      }
      click(f->saveButton());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(saved);
    QStringList written;
    for (int32_t id = 1; id <= lastTxnId(); ++id) written << row(id);
    QCOMPARE(written, rows);
  }

  void cancelledPagesAreFlashed() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      fillPayment(f, "10.00");
      picks_ = {card_};
      f->pages()->setCurrentIndex(TFtxnip3::Cashback);
      click(f->cashbackCheck());
      f->pages()->setCurrentIndex(TFtxnip3::Split);
      click(f->splitCheck());
      f->pages()->setCurrentIndex(TFtxnip3::Repeat);
      click(f->repeatCheck());
      QCOMPARE(f->pages()->tabText(TFtxnip3::Cashback), QString("Cashback"));
      QVERIFY(!f->freqRadio(0)->isEnabled());
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
    QCOMPARE(p.flashes(),
             (QStringList{"Cashback cancelled OK", "Split cancelled OK", "Repeat cancelled OK"}));
  }

  // ---------------------------------------------------------------- from an account

  void entryForAccount_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("expected");  // type, then the two boxes that show the accounts
    QTest::newRow("payment for a category") << 1 << "Food"
                                            << "Payment|Current|Food";
    QTest::newRow("receipt into an account") << 2 << "Card"
                                             << "Receipt|Card|Food";
    QTest::newRow("transfer out of an account") << 4 << "Card"
                                                << "Transfer|Card|";
    QTest::newRow("transfer into a pot") << 3 << "Holiday pot"
                                         << "Transfer|Savings pot|Holiday pot";
  }
  void entryForAccount() {
    QFETCH(int, kind);
    QFETCH(QString, account);
    QFETCH(QString, expected);
    // The form's slots as a previous entry left them.
    TFtxnip3* f = TheEntryForm();
    TObj a;
    QVERIFY(ReadAccount(cur_, a));
    f->setExternalAccount(a, TChannel());
    QVERIFY(ReadAccount(food_, a));
    f->setInternalAccount(a);
    QVERIFY(ReadAccount(pot_, a));
    f->setInternalAccount(kind == 3 ? a : f->internalAccount());
    const int32_t id = QueryValue("select id from account where name = ?", {account}).toInt();
    ScriptedPrompter p;
    QString seen;
    onForm([&](TFtxnip3* form) {
      const QString type = form->typeRadio(EntryType::Payment)->isChecked()   ? "Payment"
                           : form->typeRadio(EntryType::Receipt)->isChecked() ? "Receipt"
                                                                              : "Transfer";
      const QString second =
          type == "Transfer" ? form->counterpartyBox()->text() : form->internalBox()->text();
      seen = type + "|" + form->externalBox()->text() + "|" + second;
    });
    QCOMPARE(EnterTransactionForAccount(kind, id), 0);
    VERIFY_PROMPTS(p);
    QCOMPARE(seen, expected);
  }

  void sweep() {
    {
      ScriptedPrompter p;
      p.choice("Sweep off this account : via Purchase/Payt or via Transfer?", 0);
      QCOMPARE(SweepAccount(cur_, YmdToDateRec(20240531), 1000), -1);
      VERIFY_PROMPTS(p);
    }
    ScriptedPrompter p;
    p.choice("Sweep off this account : via Purchase/Payt or via Transfer?", 1);
    QString reference, amount, external;
    onForm([&](TFtxnip3* f) {
      reference = f->referenceBox()->text();
      amount = f->amountBox()->text();
      external = f->externalBox()->text();
      picks_ = {shop_, food_};
      click(f->counterpartyBox());
      click(f->saveButton());
    });
    const int32_t z = SweepAccount(cur_, YmdToDateRec(20240531), 1000);
    VERIFY_PROMPTS(p);
    QCOMPARE(reference, QString("sweep"));
    QCOMPARE(amount, QString("10.00"));
    QCOMPARE(external, QString("Current"));
    QVERIFY(z > 0);
    QCOMPARE(row(1), QString("P 1000 GBP 2/5/6 20240531/0/20240531 sweep b0"));
    TTxn t;
    QVERIFY(ReadTxn(z, t));
    QCOMPARE(t.type, QChar('Z'));
    QCOMPARE(StoredDate(t.txnDate), 20240531);
  }

  // ---------------------------------------------------------------- accessibility

  void accessibleNames() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) { checkAccessibleNames(f); });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }

  void chooserBoxesOpenOnSpaceAndPress() {
    ScriptedPrompter p;
    onForm([&](TFtxnip3* f) {
      picks_ = {cur_, food_};
      f->externalBox()->setFocus();
      QTest::keyClick(f->externalBox(), Qt::Key_Space);
      QCOMPARE(f->externalBox()->text(), QString("Current"));
      QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(f->internalBox());
      QVERIFY(ai && ai->actionInterface());
      QCOMPARE(ai->actionInterface()->actionNames(),
               QStringList{QAccessibleActionInterface::pressAction()});
      QCOMPARE(ai->text(QAccessible::Name), QString("Internal account"));
      ai->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
      QTRY_COMPARE(f->internalBox()->text(), QString("Food"));
      QCOMPARE(ai->text(QAccessible::Value), QString("Food"));
      QVERIFY(ai->textInterface());
      QCOMPARE(ai->textInterface()->text(0, ai->textInterface()->characterCount()),
               QString("Food"));
      QAccessibleInterface* ccy = QAccessible::queryAccessibleInterface(f->currencyBox());
      QCOMPARE(ccy->text(QAccessible::Name), QString("Currency"));
      QCOMPARE(ccy->text(QAccessible::Value), QString("GBP"));
      QCOMPARE(pickKinds_, (QList<int>{1, 3}));
    });
    const bool saved = EnterNewTransaction();
    VERIFY_PROMPTS(p);
    QVERIFY(!saved);
  }
};

QTEST_MAIN(TstEntryForm)
#include "tst_entry_form.moc"
