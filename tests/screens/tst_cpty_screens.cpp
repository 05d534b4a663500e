// The counterparty form, the counterparty-categories window and chooser, and
// the channel windows, driven offscreen against real books through the hooks
// the program installs: what each fills in, the refusals with their exact
// texts, what reached the books, and the accessible names of every control.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "screens/masterdata/channels.h"
#include "screens/masterdata/cpty_categories.h"
#include "screens/masterdata/cpty_details.h"
#include "screens/screen_hooks.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

int32_t addAccount(int kind, const QString& name, int32_t heldWith = 0, bool closed = false,
                   bool pays = false) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.heldWith = heldWith;
  o.cptyPays = pays;
  o.cptyReceives = !pays;
  o.openDate = YmdToDateRec(20200101);
  if (closed) o.closeDate = YmdToDateRec(20230101);
  if (!WriteAccount(o) || !CommitIfActive()) return 0;
  return o.id;
}

bool addPair(int32_t cpty, int32_t ctgy, const QString& dir, int hidden = 0) {
  return ExecSqlCommitted(
      QStringLiteral(
          "insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) values (?, ?, ?, ?)"),
      {cpty, ctgy, dir, hidden});
}

int32_t addChannel(int32_t acc, const QString& name, QChar type) {
  TChannel ch;
  ch.accId = acc;
  ch.name = name;
  ch.type = type;
  if (!WriteChannelRow(ch) || !CommitIfActive()) return 0;
  return ch.chnum;
}

TObj read(int32_t id) {
  TObj o;
  ReadAccount(id, o);
  return o;
}

QVariant value(const QString& sql, const QVariantList& binds = {}) {
  return QueryValue(sql, binds, QStringLiteral("<none>"));
}

QStringList itemTexts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Runs act once the next modal window is up (the dialog a call is about to
// show). A window that act left open is closed and reported, so a fault
// cannot hang the test; whether a window came at all is told by ran.
struct WhenModal {
  bool ran = false;
  bool leftOpen = false;
  explicit WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [this, act] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      ran = true;
      act(w);
      if (QWidget* still = QApplication::activeModalWidget(); still == w) {
        leftOpen = true;
        static_cast<QDialog*>(w)->done(QDialog::Rejected);
      }
    });
  }
  // Lets a timer that found no window run before act's captures go away.
  ~WhenModal() { QCoreApplication::processEvents(); }
};

// Every button and input control of a window: a button's name is its text;
// a control with a label is named by the label.
QStringList unnamedControls(QWidget* window) {
  QStringList bad;
  auto internal = [window](QWidget* w) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
      if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QTabBar*>(p) ||
          qobject_cast<QComboBox*>(p))
        return true;
    return w->objectName().startsWith(QLatin1String("qt_"));
  };
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (internal(b) || qobject_cast<QTabBar*>(b->parentWidget())) continue;
    const QString want = QString(b->text()).remove(QLatin1Char('&')).trimmed();
    if (b->accessibleName() != want) bad << "button \"" + want + "\": " + b->accessibleName();
  }
  QList<QWidget*> inputs;
  for (auto* w : window->findChildren<QLineEdit*>()) inputs << w;
  for (auto* w : window->findChildren<QComboBox*>()) inputs << w;
  for (auto* w : window->findChildren<QPlainTextEdit*>()) inputs << w;
  for (auto* w : window->findChildren<QAbstractItemView*>()) inputs << w;
  for (QWidget* w : inputs) {
    if (internal(w)) continue;
    QString want;
    for (QLabel* l : window->findChildren<QLabel*>())
      if (l->buddy() == w) want = QString(l->text()).remove(QLatin1Char('&')).trimmed();
    if (w->accessibleName().isEmpty() || (!want.isEmpty() && w->accessibleName() != want))
      bad << QString(w->metaObject()->className()) + " \"" + want + "\": " + w->accessibleName();
  }
  return bad;
}

const QString kCannotClose = QStringLiteral("Cannot close - Counterparty is in active Repeater #");

}  // namespace

class TstCptyScreens : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    Session().workingCurrency = "GBP";
    Session().settings.excludeClosedChannels = false;
    Session().settings.oneClickSelect = false;
    ScreenHooks() = TScreenHooks();
    InstallCounterpartyScreens();
  }
  void cleanup() {
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  // New: the proposed name capitalised, "Payee" ticked, no "Ext accounts"
  // page; no type box or an impossible date refuses without writing; then a
  // payer is saved and, the first one, becomes the default counterparty.
  void newCounterparty() {
    Session().settings.defaultCptyId = -1;
    TFCpty* f = TheCounterpartyForm();
    ScriptedPrompter p;
    p.info("Counterparty must be a payer or a payee (or both)");
    p.info("Opendate invalid");
    WhenModal run([&](QWidget*) {
      QCOMPARE(f->windowTitle(), QString("Counterparty details - New"));
      QCOMPARE(f->idLabel()->text(), QString("Id 0"));
      QCOMPARE(f->nameBox()->text(), QString("Acme"));
      QCOMPARE(f->okButton()->text(), QString("Insert"));
      QVERIFY(f->payeeBox()->isChecked());
      QVERIFY(!f->payerBox()->isChecked());
      QVERIFY(!f->pages()->isTabVisible(f->pages()->indexOf(f->extPage())));
      QCOMPARE(f->openDateBox()->text(), QString());
      QCOMPARE(f->groupCombo()->currentText(), QString("<none>"));
      f->payeeBox()->click();
      f->pressOk();
      QVERIFY(f->isVisible());
      f->payerBox()->click();
      f->openDateBox()->setText("2024-02-30");
      f->pressOk();
      QVERIFY(f->isVisible());
      QCOMPARE(value("select count(*) from account where type2 = 4").toInt(), 0);
      f->openDateBox()->setText("2024-02-29");
      f->pressOk();
    });
    const int id = AddCounterparty("acme");
    QVERIFY(run.ran && !run.leftOpen);
    VERIFY_PROMPTS(p);
    QVERIFY(id > 0);
    const TObj c = read(id);
    QCOMPARE(c.name, QString("Acme"));
    QCOMPARE(int(c.kind), 4);
    QCOMPARE(c.ccy, QString("GBP"));
    QVERIFY(c.cptyPays && !c.cptyReceives);
    QCOMPARE(DateRecToYmd(c.openDate), 20240229);
    QCOMPARE(Session().settings.defaultCptyId, id);
    QCOMPARE(SelectedAccount().id, id);

    // The next new one starts as a payee again.
    WhenModal again([&](QWidget*) {
      QVERIFY(f->payeeBox()->isChecked());
      QVERIFY(!f->payerBox()->isChecked());
      f->reject();
    });
    QCOMPARE(NewCounterparty("x'; drop table account; --"), 0);
    QVERIFY(again.ran);
  }

  // "Use as default" on the second of two external accounts is a change of
  // the form: "Update" stores it, "Close" after "Discard changes?" does not.
  void useAsDefault_data() {
    QTest::addColumn<bool>("update");
    QTest::newRow("update") << true;
    QTest::newRow("discard") << false;
  }
  void useAsDefault() {
    QFETCH(bool, update);
    const int32_t c = addAccount(kKindCounterparty, "Bank");
    const int32_t first = addAccount(kKindExternal, "Bank current", c);
    const int32_t second = addAccount(kKindExternal, "bank savings", c, true);
    QVERIFY(ExecSqlCommitted("update account set accwith = ? where id = ?", {first, c}));
    TFCpty* f = TheCounterpartyForm();
    ScriptedPrompter p;
    p.info("Use UPDATE button to commit this change");
    if (!update) p.yes("Discard changes?");
    WhenModal run([&](QWidget*) {
      QCOMPARE(f->windowTitle(), QString("Counterparty details"));
      QCOMPARE(f->idLabel()->text(), "Id " + QString::number(c));
      QCOMPARE(f->okButton()->text(), QString("Update"));
      QVERIFY(!f->okButton()->isEnabled());
      QTableWidget* t = f->extAccounts();
      QCOMPARE(f->pages()->tabText(f->pages()->indexOf(f->extPage())), QString("EXT ACCOUNTS"));
      QCOMPARE(t->rowCount(), 2);
      QCOMPARE(t->item(1, 0)->text(), QString("bank savings (closed)"));
      QCOMPARE(t->item(0, 1)->text(), QString("GBP"));
      QCOMPARE(t->item(0, 2)->text(), QString("default"));
      QVERIFY(!t->isColumnHidden(2));
      QVERIFY(!f->extNote()->isHidden());
      f->useAsDefault(1);
      QCOMPARE(t->item(1, 2)->text(), QString("default"));
      QCOMPARE(t->item(0, 2)->text(), QString());
      QCOMPARE(f->mode(), TAccountDetailsForm::Mode::Edit);
      QVERIFY(f->okButton()->isEnabled());
      if (update)
        f->pressOk();
      else
        f->reject();
    });
    QCOMPARE(EditCounterparty(c), update);
    QVERIFY(run.ran && !run.leftOpen);
    VERIFY_PROMPTS(p);
    QCOMPARE(read(c).heldWith, update ? second : first);
  }

  // A counterparty an active repeater uses cannot be closed from its form;
  // with one external account there is no "default" column.
  void closedWhileInRepeater() {
    const int32_t c = addAccount(kKindCounterparty, "Gym");
    addAccount(kKindExternal, "Gym owes", c);
    QVERIFY(ExecSqlCommitted(
        "insert into rptr (id, \"type\", rptactive, accid2) values (5, 'P', 1, ?)", {c}));
    TFCpty* f = TheCounterpartyForm();
    ScriptedPrompter p;
    p.info(kCannotClose + "5");
    WhenModal run([&](QWidget*) {
      QVERIFY(f->extAccounts()->isColumnHidden(2));
      QVERIFY(f->extNote()->isHidden());
      QTest::mouseClick(f->closedBox(), Qt::LeftButton);
      QCOMPARE(f->closedBox()->text(), QString());
      QCOMPARE(f->mode(), TAccountDetailsForm::Mode::Display);
      f->pressOk();
    });
    QVERIFY(EditCounterparty(c));
    QVERIFY(run.ran);
    VERIFY_PROMPTS(p);
    QCOMPARE(DateRecToYmd(read(c).closeDate), kOpenEnded);
  }

  // The chooser: no preferred category gives 0 at once; mode 1 takes a single
  // one without a window, mode 2 never shows one; otherwise the window picks,
  // and Cancel gives -1.
  void chooser_data() {
    QTest::addColumn<int>("preferred");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("window");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("expected");  // index of the category, -1 cancel, 0 none
    for (int mode : {0, 1, 2})
      QTest::addRow("none, mode %d", mode) << 0 << mode << false << false << 0;
    QTest::newRow("one, mode 0") << 1 << 0 << true << false << 1;
    QTest::newRow("one, mode 1") << 1 << 1 << false << false << 1;
    QTest::newRow("one, mode 2") << 1 << 2 << false << false << 1;
    QTest::newRow("two, mode 0") << 2 << 0 << true << false << 2;
    QTest::newRow("two, mode 1") << 2 << 1 << true << false << 2;
    QTest::newRow("two, mode 2") << 2 << 2 << false << false << 0;
    QTest::newRow("two, cancel") << 2 << 1 << true << true << -1;
  }
  void chooser() {
    QFETCH(int, preferred);
    QFETCH(int, mode);
    QFETCH(bool, window);
    QFETCH(bool, cancel);
    QFETCH(int, expected);
    const int32_t c = addAccount(kKindCounterparty, "Shop");
    const int32_t hidden = addAccount(kKindCategory, "Aaa hidden");
    QVERIFY(addPair(c, hidden, "P", 1));
    QList<int32_t> ids;
    for (int i = 0; i < preferred; ++i) {
      ids << addAccount(kKindCategory, "Cat " + QString::number(i + 1));
      QVERIFY(addPair(c, ids.last(), "P"));
    }
    WhenModal run([&](QWidget*) {
      Tfcptypots* w = ActiveCptyCategoryChooser();
      QVERIFY(w);
      QCOMPARE(w->pages()->currentIndex(), int(Tfcptypots::kPreferred));
      QCOMPARE(w->counterpartyLabel()->text(), QString("Shop"));
      QVERIFY(w->purchaseRadio()->isChecked());
      QVERIFY(w->selectAction()->isEnabled());
      if (cancel) {
        QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
        return;
      }
      w->page(Tfcptypots::kPreferred)->setCurrentRow(preferred - 1);
      QTest::mouseClick(w->okButton(), Qt::LeftButton);
    });
    const int got = ChooseCounterpartyCategory(c, QChar('P'), mode);
    QCOMPARE(run.ran, window);
    QVERIFY(!run.leftOpen);
    QCOMPARE(got, expected > 0 ? ids[expected - 1] : expected);
  }

  // "Other/New" returns the category picked from the accounts list.
  void chooserOtherNew() {
    const int32_t c = addAccount(kKindCounterparty, "Shop");
    for (const char* n : {"A", "B"}) QVERIFY(addPair(c, addAccount(kKindCategory, n), "S"));
    const int32_t picked = addAccount(kKindCategory, "Picked");
    int pickedKind = 0;
    ScreenHooks().pickAccount = [&](int kind, int) {
      pickedKind = kind;
      return ReadAccount(picked, SelectedAccount());
    };
    WhenModal run([&](QWidget*) {
      QVERIFY(ActiveCptyCategoryChooser()->saleRadio()->isChecked());
      QTest::mouseClick(ActiveCptyCategoryChooser()->otherButton(), Qt::LeftButton);
    });
    QCOMPARE(ChooseCounterpartyCategory(c, QChar('S'), 0), picked);
    QCOMPARE(pickedKind, 3);
  }

  // The window on its own: a payer opens on "Sale to"; the pop-up's items are
  // enabled by page; hiding and unhiding move an entry; the other direction
  // refills; "List transactions" opens the counterparty's category search.
  void categoriesWindow() {
    const int32_t c = addAccount(kKindCounterparty, "Employer & Co", 0, false, true);
    const int32_t salary = addAccount(kKindCategory, "Salary");
    const int32_t bonus = addAccount(kKindCategory, "Bonus");
    const int32_t closed = addAccount(kKindCategory, "Old", 0, true);
    const int32_t fees = addAccount(kKindCategory, "Fees");
    QVERIFY(addPair(c, salary, "S") && addPair(c, bonus, "S") && addPair(c, closed, "S") &&
            addPair(c, fees, "P"));
    QList<QPair<int, int>> listed;
    ScreenHooks().showCptyCategoryTxns = [&](int cpty, int ctgy) {
      listed << qMakePair(cpty, ctgy);
    };
    ShowCounterpartyCategories(c);
    Tfcptypots* w = TheCptyCategoriesWindow();
    QVERIFY(w->isVisible() && !w->isModal());
    QCOMPARE(w->windowTitle(), QString("Counterparty Categories"));
    QCOMPARE(w->counterpartyLabel()->text(), QString("Employer & Co"));
    QVERIFY(w->saleRadio()->isChecked());
    QVERIFY(w->okButton()->isHidden() && w->otherButton()->isHidden());
    QCOMPARE(itemTexts(w->page(0)), QStringList({"Bonus", "Salary"}));
    QCOMPARE(itemTexts(w->page(2)), QStringList({"Old"}));

    struct Enabled {
      bool select, hide, unhide, deflt, close;
    };
    const Enabled want[] = {{false, true, false, true, true},
                            {false, false, true, false, true},
                            {false, false, false, false, false}};
    for (int page = 0; page < 3; ++page) {
      w->pages()->setCurrentIndex(page);
      QCOMPARE(w->selectAction()->isEnabled(), want[page].select);
      QCOMPARE(w->hideAction()->isEnabled(), want[page].hide);
      QCOMPARE(w->unhideAction()->isEnabled(), want[page].unhide);
      QCOMPARE(w->defaultAction()->isEnabled(), want[page].deflt);
      QCOMPARE(w->closeAccountAction()->isEnabled(), want[page].close);
      QVERIFY(w->listAction()->isEnabled() && w->detailsAction()->isEnabled());
    }

    w->pages()->setCurrentIndex(0);
    w->page(0)->setCurrentRow(0);
    w->hideAction()->trigger();
    QCOMPARE(itemTexts(w->page(0)), QStringList({"Salary"}));
    QCOMPARE(itemTexts(w->page(1)), QStringList({"Bonus"}));
    QCOMPARE(
        value("select hidden from cptyctgy where cptyid = ? and ctgyid = ?", {c, bonus}).toInt(),
        1);
    {
      ScriptedPrompter quiet;  // one preferred entry: neither asks
      w->defaultAction()->trigger();
      w->hideAllAction()->trigger();
      VERIFY_PROMPTS(quiet);
    }
    w->pages()->setCurrentIndex(1);
    w->unhideAction()->trigger();
    QCOMPARE(itemTexts(w->page(0)), QStringList({"Bonus", "Salary"}));
    w->pages()->setCurrentIndex(0);
    w->page(0)->setCurrentRow(0);
    w->listAction()->trigger();
    QCOMPARE(listed, (QList<QPair<int, int>>{{c, bonus}}));

    QTest::mouseClick(w->purchaseRadio(), Qt::LeftButton);
    QCOMPARE(w->direction(), QChar('P'));
    QCOMPARE(itemTexts(w->page(0)), QStringList({"Fees"}));
    w->close();
  }

  // An account without channels: the picker's chooser shows nothing and
  // gives the empty channel; "Channels" shows the window with only
  // "< no channel >", which is a choice; Cancel keeps the caller's channel.
  void noChannels() {
    const TObj ext = read(addAccount(kKindExternal, "Cash"));
    TChannel ch;
    ch.chnum = 9;
    {
      WhenModal none([](QWidget*) {});
      QVERIFY(ChooseChannel(ext, ch, QChar('P'), true));
      QVERIFY(!none.ran);
    }
    QCOMPARE(ch.chnum, 0);

    WhenModal shown([&](QWidget* top) {
      TFChannels* w = ActiveChannelsWindow();
      QCOMPARE(top, static_cast<QWidget*>(w));
      QCOMPARE(w->windowTitle(), QString("Channels"));
      QCOMPARE(w->accountLabel()->text(), QString("Cash"));
      QCOMPARE(itemTexts(w->list()), QStringList({"< no channel >"}));
      QCOMPARE(w->filterMenu()->title(), QString("Filter"));
      QTest::mouseClick(w->okButton(), Qt::LeftButton);
    });
    ShowChannelsOf(ext);
    QVERIFY(shown.ran && !shown.leftOpen);

    ch.chnum = 9;
    {
      WhenModal pick(
          [](QWidget*) { QTest::mouseClick(ActiveChannelsWindow()->okButton(), Qt::LeftButton); });
      QVERIFY(ChooseChannel(ext, ch, QChar(' '), false));
    }
    QCOMPARE(ch.chnum, 0);
    ch.chnum = 9;
    {
      WhenModal cancel([](QWidget*) {
        QTest::mouseClick(ActiveChannelsWindow()->cancelButton(), Qt::LeftButton);
      });
      QVERIFY(!ChooseChannel(ext, ch, QChar(' '), false));
    }
    QCOMPARE(ch.chnum, 9);
    QVERIFY(!ChooseChannel(read(addAccount(kKindCategory, "Food")), ch, QChar(' '), false));
  }

  // The filters: a payment's chooser leaves out receipt-only channels and
  // says so in its captions; excluding closed ones is a setting.
  void channelFilters() {
    const int32_t acc = addAccount(kKindExternal, "Bank");
    const int32_t card = addChannel(acc, "Card", QChar('P'));
    addChannel(acc, "Paying in", QChar('R'));
    const int32_t both = addChannel(acc, "Both ways", QChar('X'));
    QVERIFY(ExecSqlCommitted("update channel set chsts = 1 where chnum = ?", {card}));
    TChannel ch;
    WhenModal run([&](QWidget*) {
      TFChannels* w = ActiveChannelsWindow();
      QCOMPARE(w->windowTitle(), QString("Payment channels"));
      QCOMPARE(w->filterMenu()->title(), QString("FILTER"));
      QVERIFY(w->paymentsAction()->isChecked());
      QCOMPARE(itemTexts(w->list()), QStringList({"< no channel >", "(closed) Card", "Both ways"}));
      w->excludeClosedAction()->trigger();
      QVERIFY(Session().settings.excludeClosedChannels);
      QCOMPARE(itemTexts(w->list()), QStringList({"< no channel >", "Both ways"}));
      w->bothAction()->trigger();
      QCOMPARE(w->windowTitle(), QString("Channels"));
      QCOMPARE(w->filterMenu()->title(), QString("FILTER"));
      QCOMPARE(itemTexts(w->list()), QStringList({"< no channel >", "Both ways", "Paying in"}));
      w->list()->setCurrentRow(1);
      QCoreApplication::processEvents();  // the list lays its items out later
      const QPoint at = w->list()->visualItemRect(w->list()->item(1)).center();
      QTest::mouseClick(w->list()->viewport(), Qt::LeftButton, {}, at);
      QVERIFY(w->isVisible());  // one click chooses only with one-click select
      QTest::mouseDClick(w->list()->viewport(), Qt::LeftButton, {}, at);
    });
    QVERIFY(ChooseChannel(read(acc), ch, QChar('P'), true));
    QVERIFY(run.ran && !run.leftOpen);
    QCOMPARE(ch.chnum, both);
    QCOMPARE(ch.name, QString("Both ways"));
  }

  // "New" in the channels window: the form wants a name, the "Type" radios
  // can both be off again, the first channel is number 1 and the list shows it.
  void newChannelFromWindow() {
    const int32_t acc = addAccount(kKindExternal, "Bank");
    ScriptedPrompter p;
    p.info("Channel name must be specified");
    QStringList afterNew;
    WhenModal run([&](QWidget*) {
      TFChannels* w = ActiveChannelsWindow();
      WhenModal form([&](QWidget* top) {
        auto* f = qobject_cast<TFChDets*>(top);
        QVERIFY(f);
        QCOMPARE(f->windowTitle(), QString("Channel details"));
        QCOMPARE(f->idBox()->text(), QString("new"));
        QCOMPARE(f->accountBox()->text(), QString("Bank"));
        QCOMPARE(f->statusCombo()->currentText(), QString("Open"));
        QCOMPARE(f->cancelButton()->text(), QString("Cancel"));
        QVERIFY(!f->editAction()->isEnabled());
        QTest::mouseClick(f->okButton(), Qt::LeftButton);
        QVERIFY(f->isVisible());
        QTest::keyClicks(f->nameBox(), "Cheque & \"book\"");
        QTest::mouseClick(f->paymentRadio(), Qt::LeftButton);
        QVERIFY(f->paymentRadio()->isChecked());
        QTest::mouseClick(f->paymentRadio(), Qt::LeftButton);
        QVERIFY(!f->paymentRadio()->isChecked() && !f->receiptRadio()->isChecked());
        QTest::mouseClick(f->receiptRadio(), Qt::LeftButton);
        QTest::mouseClick(f->paymentRadio(), Qt::LeftButton);
        QVERIFY(!f->receiptRadio()->isChecked());
        QTest::mouseClick(f->okButton(), Qt::LeftButton);
      });
      w->newAction()->trigger();
      QVERIFY(form.ran && !form.leftOpen);
      afterNew = itemTexts(w->list());
      QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    });
    TChannel ch;
    QVERIFY(!ChooseChannel(read(acc), ch, QChar('R'), false));
    QVERIFY(run.ran && !run.leftOpen);
    VERIFY_PROMPTS(p);
    QCOMPARE(afterNew, QStringList({"< no channel >", "Cheque & \"book\""}));
    TChannel saved;
    QVERIFY(ReadChannelRow(1, saved));
    QCOMPARE(saved.name, QString("Cheque & \"book\""));
    QCOMPARE(saved.type, QChar('P'));
    QCOMPARE(saved.accId, acc);
  }

  // "View Channel details" from the modal channels window shows a form that
  // takes input; "Edit" then "Cancel" goes back to the stored values; a
  // missing channel is told.
  void showChannelFromWindow() {
    const int32_t acc = addAccount(kKindExternal, "Bank");
    const int32_t chnum = addChannel(acc, "Card", QChar('R'));
    QVERIFY(ExecSqlCommitted("update channel set chnote = 'pin' where chnum = ?", {chnum}));
    TFChDets* f = TheChannelForm();
    WhenModal run([&](QWidget*) {
      TFChannels* w = ActiveChannelsWindow();
      w->list()->setCurrentRow(1);
      w->viewAction()->trigger();
      QVERIFY(f->isVisible());
      QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(f));
      QCOMPARE(f->idBox()->text(), QString::number(chnum));
      QCOMPARE(f->nameBox()->text(), QString("Card"));
      QVERIFY(f->receiptRadio()->isChecked() && !f->paymentRadio()->isChecked());
      QCOMPARE(f->pages()->tabText(1), QString("NOTE"));
      QVERIFY(!f->nameBox()->isEnabled() && !f->okButton()->isEnabled());
      QCOMPARE(f->cancelButton()->text(), QString("Close"));
      f->editAction()->trigger();
      QVERIFY(f->nameBox()->isEnabled());
      QTest::keyClicks(f->nameBox(), " typed");
      QCOMPARE(f->nameBox()->text(), QString("Card typed"));
      QTest::mouseClick(f->cancelButton(), Qt::LeftButton);
      QCOMPARE(f->mode(), TFChDets::Mode::Display);
      QCOMPARE(f->nameBox()->text(), QString("Card"));
      QTest::mouseClick(f->cancelButton(), Qt::LeftButton);
      QVERIFY(!f->isVisible());
      QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    });
    ShowChannelsOf(read(acc));
    QVERIFY(run.ran && !run.leftOpen);
    ScriptedPrompter p;
    p.info("Channel 77 not found");
    ShowChannel(77);
    VERIFY_PROMPTS(p);
    QVERIFY(!f->isVisible());
  }

  // Every window: each button and input control is named by its label.
  void accessibleNames() {
    QWidget* windows[] = {TheCounterpartyForm(), TheCptyCategoriesWindow(), TheChannelsWindow(),
                          TheChannelForm()};
    for (QWidget* w : windows) {
      const QStringList bad = unnamedControls(w);
      QVERIFY2(bad.isEmpty(), qPrintable(w->objectName() + ": " + bad.join("; ")));
    }
    QCOMPARE(TheCounterpartyForm()->payeeBox()->accessibleName(), QString("Payee (I pay you)"));
    QCOMPARE(TheChannelForm()->nameBox()->accessibleName(), QString("Channel name"));
  }
};

QTEST_MAIN(TstCptyScreens)
#include "tst_cpty_screens.moc"
