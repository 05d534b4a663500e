// The external and internal account forms driven offscreen against real
// books, through the entry points the lists call: the three modes, what a
// form fills in, "Generate" and the provider, the refusals with the text kept
// as typed, the group combo of a foreign account, the close questions in the
// account's currency, "Discard changes?" on every way out, frozen books, and
// the second opening refused while a form shows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "screens/masterdata/account_details.h"
#include "screens/screen_hooks.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

const QString kNoGroup = QStringLiteral("Account is not in a group - OK ?");

int32_t addAccount(int kind, const QString& name, const QString& ccy = QStringLiteral("GBP"),
                   int32_t openYmd = 20200101, int32_t group = 0) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.ccy = ccy;
  o.groupId = group;
  o.openDate = YmdToDateRec(openYmd);
  if (!WriteAccount(o) || !CommitIfActive()) return 0;
  return o.id;
}

TObj read(int32_t id) {
  TObj o;
  ReadAccount(id, o);
  return o;
}

// Runs act inside the form's modal loop. A form that act left open is closed
// without questions and reported, so a fault cannot hang the test.
bool g_leftOpen = false;
void whileOpen(QDialog* form, std::function<void()> act) {
  g_leftOpen = false;
  QTimer::singleShot(0, form, [form, act] {
    act();
    if (form->isVisible()) {
      g_leftOpen = true;
      form->done(QDialog::Rejected);
    }
  });
}

}  // namespace

class TstAccountDetails : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TFExtAcc* ext_ = nullptr;
  TFCtgy* ctgy_ = nullptr;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    Session().settings.defaultCashId = -1;
    Session().settings.defaultCtgyId = -1;
    Session().workingCurrency = "GBP";
    ScreenHooks() = TScreenHooks();
    ext_ = TheExternalAccountForm();
    ctgy_ = TheInternalAccountForm();
  }
  void cleanup() {
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  // A new external account named by "Generate" from the picked provider and
  // the designation; saved, it is the first external account (the default)
  // and its provider learns it.
  void externalNewGenerated_data() {
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("designation");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("provider only") << "Bank"
                                   << ""
                                   << "Bank owes" << false;
    QTest::newRow("provider and designation") << "Bank"
                                              << "Card"
                                              << "Bank Card" << false;
    QTest::newRow("no provider") << ""
                                 << "Card"
                                 << "Notes & Coin" << false;
    QTest::newRow("over 40") << "Northern Building Society"
                             << "Instant access 12"
                             << "Northern Building Society Instant access" << true;
  }
  void externalNewGenerated() {
    QFETCH(QString, provider);
    QFETCH(QString, designation);
    QFETCH(QString, expected);
    QFETCH(bool, tooLong);
    const int32_t cpty = provider.isEmpty() ? 0 : addAccount(kKindCounterparty, provider);
    ScreenHooks().pickAccount = [cpty](int kind, int) {
      if (kind != kKindCounterparty) return false;
      return ReadAccount(cpty, SelectedAccount());
    };
    ScriptedPrompter p;
    p.yes("Overwrite account name with defaults - OK?");
    if (tooLong) p.info("Account name too long - edit to <= 40 characters");
    p.yes(kNoGroup);
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->windowTitle(), QString("External Account details"));
      QCOMPARE(ext_->mode(), TAccountDetailsForm::Mode::New);
      QCOMPARE(ext_->okButton()->text(), QString("Insert"));
      QCOMPARE(ext_->cancelButton()->text(), QString("Cancel"));
      QCOMPARE(ext_->idLabel()->text(), QString("New Account"));
      QCOMPARE(ext_->currencyLabel()->text(), QString("Currency = GBP"));
      QCOMPARE(ext_->openDateBox()->text(), QString("notyetposted"));
      QCOMPARE(ext_->nameBox()->text(), QString("proposed"));
      if (cpty) QTest::mouseClick(ext_->providerButton(), Qt::LeftButton);
      QCOMPARE(ext_->providerBox()->text(), provider);
      QTest::keyClicks(ext_->designationBox(), designation);
      QTest::mouseClick(ext_->generateButton(), Qt::LeftButton);
      QCOMPARE(ext_->nameBox()->text(), expected);
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
    });
    const int id = AddExternalAccount("proposed");
    QVERIFY(!g_leftOpen);
    VERIFY_PROMPTS(p);
    QVERIFY(id > 0);
    RollbackIfActive();
    const TObj a = read(id);
    QCOMPARE(a.name, expected);
    QCOMPARE(a.designation, designation);
    QCOMPARE(a.heldWith, cpty);
    QCOMPARE(StoredDate(a.openDate), 99999999);
    QCOMPARE(SelectedAccount().id, id);
    QCOMPARE(Session().settings.defaultCashId, id);
    if (cpty) QCOMPARE(read(cpty).heldWith, id);
  }

  // Refusals keep the form open with the text as typed; nothing is written.
  void externalRefusalsKeepText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("openDate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank name") << "  "
                                << "2024-01-01"
                                << "Account name must be specified";
    QTest::newRow("no such day") << "Cash"
                                 << "2024-02-30"
                                 << "Opendate invalid";
    QTest::newRow("day first") << "Cash"
                               << "31/12/2024"
                               << "Opendate invalid";
  }
  void externalRefusalsKeepText() {
    QFETCH(QString, name);
    QFETCH(QString, openDate);
    QFETCH(QString, expected);
    const int before = CountRows("account");
    ScriptedPrompter p;
    p.info(expected);
    p.yes("Discard changes?");
    whileOpen(ext_, [&] {
      ext_->nameBox()->setText(name);
      ext_->openDateBox()->setText(openDate);
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
      QVERIFY(ext_->isVisible());
      QCOMPARE(ext_->nameBox()->text(), name);
      QCOMPARE(ext_->openDateBox()->text(), openDate);
      QTest::keyClick(ext_, Qt::Key_Escape);
      QVERIFY(!ext_->isVisible());
    });
    QCOMPARE(AddExternalAccount(""), 0);
    QVERIFY(!g_leftOpen);
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("account"), before);
  }

  void nameBoxHolds40() {
    whileOpen(ext_, [&] {
      ext_->nameBox()->clear();
      QTest::keyClicks(ext_->nameBox(), QString(45, QChar('x')));
      QCOMPARE(ext_->nameBox()->text(), QString(40, QChar('x')));
      ext_->done(QDialog::Rejected);
    });
    AddExternalAccount("");
    QVERIFY(!g_leftOpen);
  }

  // An existing account opens in display mode; filling it is no change, the
  // first typed character is. Every way out then asks "Discard changes?":
  // No stays, Yes leaves with nothing written.
  void discardChangesOnEveryWayOut_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Esc") << 0;
    QTest::newRow("title-bar close") << 1;
    QTest::newRow("Cancel button") << 2;
    QTest::newRow("menu Close") << 3;
  }
  void discardChangesOnEveryWayOut() {
    QFETCH(int, way);
    const int32_t id = addAccount(kKindExternal, "Wallet");
    auto leave = [this, way] {
      switch (way) {
        case 0:
          QTest::keyClick(ext_->notesBox(), Qt::Key_Escape);
          break;
        case 1:
          ext_->close();
          break;
        case 2:
          QTest::mouseClick(ext_->cancelButton(), Qt::LeftButton);
          break;
        default:
          ext_->closeAction()->trigger();
          break;
      }
    };
    ScriptedPrompter p;
    p.no("Discard changes?");
    p.yes("Discard changes?");
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->mode(), TAccountDetailsForm::Mode::Display);
      QCOMPARE(ext_->okButton()->text(), QString("Update"));
      QVERIFY(!ext_->okButton()->isEnabled());
      QCOMPARE(ext_->cancelButton()->text(), QString("Close"));
      QCOMPARE(ext_->idLabel()->text(), QString("Id = %1").arg(id));
      QCOMPARE(ext_->headingLabel()->text(), QString(" Wallet"));
      ext_->refreshAction()->trigger();
      QVERIFY(!ext_->changed());
      ext_->notesBox()->setFocus();
      QTest::keyClicks(ext_->notesBox(), "n");
      QCOMPARE(ext_->mode(), TAccountDetailsForm::Mode::Edit);
      QVERIFY(ext_->okButton()->isEnabled());
      QCOMPARE(ext_->cancelButton()->text(), QString("Cancel"));
      leave();
      QVERIFY(ext_->isVisible());
      leave();
      QVERIFY(!ext_->isVisible());
    });
    QVERIFY(!EditExternalAccount(id));
    QVERIFY(!g_leftOpen);
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    TObj a;  // the stored note is still empty
    ReadAccount(id, a);
    QCOMPARE(AccountNotes(), QString());
  }

  // Closing without changes asks nothing; OK in display mode is disabled.
  void closeUnchangedAsksNothing() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    ScriptedPrompter p;
    whileOpen(ext_, [&] { QTest::keyClick(ext_, Qt::Key_Escape); });
    QVERIFY(!EditExternalAccount(id));
    QVERIFY(!g_leftOpen);
    VERIFY_PROMPTS(p);
  }

  // "&", "%", quotes and apostrophes are shown as they are and saved as
  // typed; Update closes with OK.
  void editAndUpdate() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    const QString odd = "Tom's 100% \"Bits\" & Co";
    ScriptedPrompter p;
    p.yes(kNoGroup);
    whileOpen(ext_, [&] {
      ext_->nameBox()->selectAll();
      QTest::keyClicks(ext_->nameBox(), odd);
      QTest::mouseClick(ext_->favouriteBox(), Qt::LeftButton);
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
    });
    QVERIFY(EditExternalAccount(id));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(read(id).name, odd);
    QVERIFY(read(id).favourite);
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->headingLabel()->text(), " " + odd);
      ext_->done(QDialog::Rejected);
    });
    EditExternalAccount(id);
  }

  // An account changed elsewhere after the form was filled is not overwritten.
  void changedMeanwhile() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    ScriptedPrompter p;
    p.yes(kNoGroup);
    p.info(QString("Program error : Downdating account #%1 \"Wallet 2\"").arg(id));
    p.yes("Discard changes?");
    whileOpen(ext_, [&] {
      QVERIFY(ExecSqlCommitted("update account set name = 'Purse', editts = ? where id = ?",
                               {QDateTime::currentDateTime().addSecs(5), id}));
      ext_->nameBox()->setText("Wallet 2");
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
      QVERIFY(ext_->isVisible());
      QCOMPARE(ext_->nameBox()->text(), QString("Wallet 2"));
      ext_->reject();
    });
    QVERIFY(!EditExternalAccount(id));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(read(id).name, QString("Purse"));
  }

  // Joining a group opened later: Yes to "back-date?", then a refusal (the
  // name is taken) leaves the group's open date as it was.
  void backDateThenRefusal() {
    const int32_t grp = addAccount(kKindExternalGroup, "Banks", "GBP", 20230101);
    addAccount(kKindExternal, "Taken");
    ScriptedPrompter p;
    p.yes(QString(" Group %1 \"Banks\" opened too late for Account / Sub-Group \"taken\" - "
                  "back-date?")
              .arg(grp));
    p.info("External Account \"Taken\"already exists");
    p.yes("Discard changes?");
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->groupCombo()->itemText(1), QString("Banks"));
      ext_->groupCombo()->setCurrentIndex(1);
      ext_->openDateBox()->setText("2022-06-01");
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
      QVERIFY(ext_->isVisible());
      ext_->reject();
    });
    QCOMPARE(AddExternalAccount("taken"), 0);
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(StoredDate(read(grp).openDate), 20230101);
  }

  // An account in another currency than the working one: its group is listed
  // (groups in its own currency) and kept on Update; closing asks about its
  // balance in its own currency.
  void foreignAccount() {
    const int32_t gbpGroup = addAccount(kKindExternalGroup, "Home banks");
    const int32_t usdGroup = addAccount(kKindExternalGroup, "US banks", "USD");
    const int32_t id = addAccount(kKindExternal, "Dollar account", "USD", 20200101, usdGroup);
    QVERIFY(gbpGroup > 0 && id > 0);
    QVERIFY(ExecSqlCommitted(
        "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdbfd, pdpayts, pdrcpts, pdtfrs, "
        "pdcfd) values (?, 'USD', 'A', 1234, 0, 1234, 0, 0, 0, 1234)",
        {id}));
    ScriptedPrompter p;
    p.no("Account balance not zero (12.34), are you sure you want to close?");
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->currencyLabel()->text(), QString("Currency = USD"));
      QCOMPARE(ext_->groupCombo()->count(), 2);
      QCOMPARE(ext_->groupCombo()->currentText(), QString("US banks"));
      QTest::keyClick(ext_->closedBox(), Qt::Key_Return);  // as a click, from the keyboard
      QCOMPARE(ext_->closedBox()->text(), QString());
      QTest::keyClicks(ext_->designationBox(), "Checking");
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
    });
    QVERIFY(EditExternalAccount(id));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(read(id).groupId, usdGroup);
    QCOMPARE(read(id).designation, QString("Checking"));
    QCOMPARE(Session().workingCurrency, QString("GBP"));
  }

  // The "Closed" box: typing does nothing, a click on it empty runs the close
  // questions (no postings: straight to the calendar), Delete clears it.
  void closedBox() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    ScriptedPrompter p;
    p.date(QString(), 20240315);
    p.yes(kNoGroup);
    whileOpen(ext_, [&] {
      QTest::keyClicks(ext_->closedBox(), "2024");
      QCOMPARE(ext_->closedBox()->text(), QString());
      QCOMPARE(ext_->mode(), TAccountDetailsForm::Mode::Display);
      QTest::mouseClick(ext_->closedBox(), Qt::LeftButton);
      QCOMPARE(ext_->closedBox()->text(), QString("2024-03-15"));
      QCOMPARE(ext_->closedBox()->toolTip(), QString("to reopen the account, delete this date"));
      QTest::keyClicks(ext_->closedBox(), "x");
      QCOMPARE(ext_->closedBox()->text(), QString("2024-03-15"));
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
    });
    QVERIFY(EditExternalAccount(id));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(StoredDate(read(id).closeDate), 20240315);

    ScriptedPrompter p2;
    p2.yes(kNoGroup);
    whileOpen(ext_, [&] {
      QCOMPARE(ext_->statusLabel()->text(), QString("Account is closed"));
      QTest::keyClick(ext_->closedBox(), Qt::Key_Delete);
      QCOMPARE(ext_->closedBox()->text(), QString());
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
    });
    QVERIFY(EditExternalAccount(id));
    VERIFY_PROMPTS(p2);
    QCOMPARE(StoredDate(read(id).closeDate), 99999999);
  }

  // A form already showing refuses a second opening.
  void alreadyInUse() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    ScriptedPrompter p;
    p.info("Program error : Account details form is already in use");
    bool second = true;
    whileOpen(ext_, [&] {
      second = EditExternalAccount(id);
      ext_->done(QDialog::Rejected);
    });
    QVERIFY(!EditExternalAccount(id));
    QVERIFY(!second);
    VERIFY_PROMPTS(p);
  }

  void frozenBooks() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    Session().settings.dbFrozen = true;
    const QString refusal = "Cannot change accounts, database is frozen";
    ScriptedPrompter p;
    p.info(refusal).info(refusal).info(refusal);
    p.yes("Discard changes?");
    whileOpen(ext_, [&] {
      ext_->deleteAction()->trigger();
      QTest::mouseClick(ext_->closedBox(), Qt::LeftButton);
      QTest::keyClicks(ext_->designationBox(), "x");
      QTest::mouseClick(ext_->okButton(), Qt::LeftButton);
      QVERIFY(ext_->isVisible());
      ext_->reject();
    });
    QVERIFY(!EditExternalAccount(id));
    VERIFY_PROMPTS(p);
    QVERIFY(LocateAccount(id));
    QCOMPARE(read(id).designation, QString());
  }

  // Delete from the form: the account goes and the form closes.
  void deleteFromForm() {
    const int32_t id = addAccount(kKindExternal, "Wallet");
    ScriptedPrompter p;
    p.yes("Delete external account \"Wallet\"?");
    whileOpen(ext_, [&] { ext_->deleteAction()->trigger(); });
    QVERIFY(EditExternalAccount(id));
    QVERIFY(!g_leftOpen);
    VERIFY_PROMPTS(p);
    QVERIFY(!LocateAccount(id));
  }

  // A new internal account: name capitalised, category by default; saved as
  // a pot it does not become the default category.
  void internalNew() {
    ScriptedPrompter p;
    p.yes(kNoGroup);
    whileOpen(ctgy_, [&] {
      QCOMPARE(ctgy_->windowTitle(), QString("Internal Account details - New"));
      QCOMPARE(ctgy_->idLabel()->text(), QString("Id 0"));
      QCOMPARE(ctgy_->nameBox()->text(), QString("holiday fund").replace(0, 1, "H"));
      QCOMPARE(ctgy_->currencyLabel()->text(), QString("Currency = GBP"));
      QCOMPARE(ctgy_->openDateBox()->text(), QString());
      QVERIFY(ctgy_->categoryRadio()->isChecked());
      QCOMPARE(ctgy_->groupCombo()->currentText(), QString("<none>"));
      QTest::mouseClick(ctgy_->potRadio(), Qt::LeftButton);
      QTest::mouseClick(ctgy_->okButton(), Qt::LeftButton);
    });
    const int id = AddInternalAccount(kKindCategory, "holiday fund");
    VERIFY_PROMPTS(p);
    QVERIFY(id > 0);
    QCOMPARE(read(id).kind, uint8_t(kKindPot));
    QCOMPARE(read(id).name, QString("Holiday fund"));
    QCOMPARE(Session().settings.defaultCtgyId, -1);
  }

  // An existing category: the stored "< 0"/"> 0" are shown and kept, the
  // "Debug" page names the sort it was opened with, and turning it into a
  // pot needs a rebalance. The default pot cannot become a category.
  void internalEdit() {
    const int32_t id = addAccount(kKindCategory, "Food");
    QVERIFY(ExecSqlCommitted("update account set allowposbal = 0 where id = ?", {id}));
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    p.yes(kNoGroup);
    whileOpen(ctgy_, [&] {
      QCOMPARE(ctgy_->windowTitle(), QString("Internal Account details"));
      QCOMPARE(ctgy_->idLabel()->text(), QString("Id %1").arg(id));
      QVERIFY(ctgy_->negativeBox()->isChecked());
      QVERIFY(!ctgy_->positiveBox()->isChecked());
      QCOMPARE(ctgy_->debugLabel()->text(),
               QString("pre version 2.11.00 (May 2015) account type was \"Category\""));
      QVERIFY(ctgy_->categoryRadio()->isEnabled());
      QCOMPARE(ctgy_->mode(), TAccountDetailsForm::Mode::Display);
      QTest::mouseClick(ctgy_->potRadio(), Qt::LeftButton);
      QCOMPARE(ctgy_->mode(), TAccountDetailsForm::Mode::Edit);
      QTest::mouseClick(ctgy_->okButton(), Qt::LeftButton);
    });
    QVERIFY(EditInternalAccount(id));
    VERIFY_PROMPTS(p);
    QCOMPARE(read(id).kind, uint8_t(kKindPot));
    QVERIFY(!read(id).allowPositive);
    QVERIFY(RebalanceNeeded());

    // A note: the "Notes" page, captioned "NOTES", is shown first.
    QVERIFY(ExecSqlCommitted("update account set note = 'Jars on the shelf' where id = ?", {id}));
    whileOpen(ctgy_, [&] {
      QCOMPARE(ctgy_->pages()->currentIndex(), 1);
      QCOMPARE(ctgy_->pages()->tabText(1), QString("NOTES"));
      QCOMPARE(ctgy_->notesBox()->toPlainText(), QString("Jars on the shelf"));
      ctgy_->done(QDialog::Rejected);
    });
    QVERIFY(!EditInternalAccount(id));

    whileOpen(ctgy_, [&] {
      QVERIFY(ctgy_->potRadio()->isChecked());
      QVERIFY(!ctgy_->categoryRadio()->isEnabled());
      ctgy_->done(QDialog::Rejected);
    });
    QVERIFY(!EditInternalAccount(Session().settings.defaultPotId));
  }

  void internalNeedsBaseCurrency() {
    QVERIFY(ExecSqlCommitted("delete from ccy"));
    Session().settings.baseCurrency.clear();
    ScriptedPrompter p;
    p.info("Use main menu option \"Currencies\" to enter base-currency (with rate = 1.0000)");
    QCOMPARE(AddInternalAccount(kKindCategory, "Food"), 0);
    VERIFY_PROMPTS(p);
    QVERIFY(!ctgy_->isVisible());
  }

  // Every control is named by its visible label.
  void accessibleNames() {
    QCOMPARE(ext_->openDateBox()->accessibleName(), QString("Opened"));
    QCOMPARE(ext_->providerBox()->accessibleName(), QString("Account provider"));
    QCOMPARE(ext_->providerButton()->accessibleName(), QString("Provider"));
    QCOMPARE(ext_->groupCombo()->accessibleName(), QString("Group"));
    QCOMPARE(ext_->calendarButton()->accessibleName(), QString("Calendar"));
    QCOMPARE(ext_->nameBox()->accessibleName(), QString("Account name"));
    QCOMPARE(ext_->designationBox()->accessibleName(), QString("Designation"));
    QCOMPARE(ext_->closedBox()->accessibleName(), QString("Closed"));
    QCOMPARE(ext_->pages()->tabText(0), QString("Details"));
    QCOMPARE(ext_->pages()->widget(0)->accessibleName(), QString("Details"));
    QCOMPARE(ctgy_->potRadio()->accessibleName(), QString("Pot"));
    for (QWidget* w : ext_->findChildren<QWidget*>()) {
      auto* b = qobject_cast<QAbstractButton*>(w);
      if (b && !b->text().isEmpty())  // the tab bar's scroll arrows have names of their own
        QCOMPARE(b->accessibleName(), b->text().remove('&').trimmed());
      if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QPlainTextEdit*>(w))
        QVERIFY(!w->accessibleName().isEmpty());
    }
  }
};

QTEST_MAIN(TstAccountDetails)
#include "tst_account_details.moc"
