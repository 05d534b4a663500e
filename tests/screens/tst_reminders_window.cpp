// The "Reminders" window and the "New Reminder" dialog driven offscreen on real
// books with a fixed clock: the columns and the two filters, the transaction,
// re-dating and deletion of a row, a new reminder with its refusals, and the
// nag on the user's closes while reminders are announced.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/posting.h"
#include "ledger/reminders.h"
#include "screens/lists/list_screens.h"
#include "screens/lists/new_reminder_dialog.h"
#include "screens/lists/reminders_window.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

int32_t addReminder(int32_t txnId, int32_t rm, int32_t tg, const QString& text) {
  TRemdr r;
  r.txnId = txnId;
  r.rmDate = YmdToDateRec(rm);
  r.tgDate = YmdToDateRec(tg);
  r.text = text;
  return AddReminder(r) && CommitIfActive() ? r.id : 0;
}

}  // namespace

class TstRemindersWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TFRemdrs* w_ = nullptr;
  int32_t rent_ = 0;

  QStringList row(int r) const {
    QStringList out;
    for (int c = 0; c < w_->model()->columnCount(); ++c)
      out << w_->model()->index(r, c).data().toString();
    return out;
  }
  QString ids() const {
    QStringList out;
    for (const TRemdrRow& r : w_->model()->rows()) out << QString::number(r.id);
    return out.join(' ');
  }

 private Q_SLOTS:
  void initTestCase() { InstallListScreens(); }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetClock(QDateTime(QDate(2024, 4, 24), QTime(9, 0)));
    const int32_t cur = AddTestAccount(1, "Current");
    const int32_t landlord = AddTestAccount(4, "Landlord");
    const int32_t housing = AddTestAccount(3, "Housing");
    TTxn t = NewTxn();
    t.type = QChar('P');
    t.ccy = "GBP";
    t.txnDate = TDateRec{2024, 5, 1};
    t.amount = t.value = 50000;
    t.accId1 = cur;
    t.accId2 = landlord;
    t.accId4 = housing;
    t.narrative = "Rent";
    QVERIFY(WriteTransaction(t) && CommitIfActive());
    rent_ = t.id;
    QCOMPARE(addReminder(0, 20240301, 20240305, "Pay tax"), 1);
    QCOMPARE(addReminder(rent_, 20240424, 20240501, QString()), 2);
    QCOMPARE(addReminder(0, 20240601, 20240610, "Later"), 3);
    QCOMPARE(addReminder(0, 20240301, 20240302, "Earlier deadline"), 4);
    ShowRemindersWindow();
    w_ = RemindersListWindow();
    QVERIFY(w_->isVisible());
    QCOMPARE(RemindersWindow(), static_cast<QWidget*>(w_));
  }
  void cleanup() {
    w_->setViewCurrent(true);
    w_->hide();
    SetShowTransactionHook(nullptr);
    SetNewReminderDialogHook(nullptr);
    books_.reset();
    ResetClock();
  }

  void columnsAndFilter() {
    QCOMPARE(w_->windowTitle(), QString("Reminders"));
    QVERIFY(!w_->isModal());
    QStringList titles;
    for (int c = 0; c < w_->model()->columnCount(); ++c)
      titles << w_->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(titles, QString("Start|Deadline|Counterparty|Category|Text").split('|'));
    QCOMPARE(w_->filterMenu()->title(), QString("FILTER"));
    QVERIFY(w_->action("View current")->isChecked());
    // Ordered by start, then deadline; a free reminder has blank names and
    // its text after a blank.
    QCOMPARE(ids(), QString("4 1 2"));
    QCOMPARE(row(1), QString("2024-03-01|2024-03-05||| Pay tax").split('|'));
    QCOMPARE(row(2), QString("2024-04-24|2024-05-01|Landlord|Housing|Rent ").split('|'));

    w_->action("View all")->trigger();
    QCOMPARE(w_->filterMenu()->title(), QString("Filter"));
    QVERIFY(!RemindersViewCurrent());
    QCOMPARE(ids(), QString("4 1 2 3"));

    // A day with nothing due lists nothing under "View current".
    SetClock(QDateTime(QDate(2024, 2, 1), QTime(9, 0)));
    w_->action("View current")->trigger();
    QCOMPARE(w_->filterMenu()->title(), QString("FILTER"));
    QCOMPARE(w_->model()->rowCount(), 0);
  }

  void viewTransaction() {
    QList<int32_t> shown;
    SetShowTransactionHook([&](int32_t id) { shown << id; });
    w_->setCurrentRow(1);  // free
    w_->preparePopup();
    QVERIFY(!w_->action("View transaction")->isEnabled());
    QVERIFY(w_->action("Re-date reminder")->isEnabled());
    const QRect free = w_->grid()->visualRect(w_->model()->index(1, 0));
    QTest::mouseClick(w_->grid()->viewport(), Qt::LeftButton, {}, free.center());
    QTest::mouseDClick(w_->grid()->viewport(), Qt::LeftButton, {}, free.center());
    QVERIFY(shown.isEmpty());
    w_->setCurrentRow(2);
    w_->preparePopup();
    QVERIFY(w_->action("View transaction")->isEnabled());
    w_->action("View transaction")->trigger();
    const QRect rent = w_->grid()->visualRect(w_->model()->index(2, 0));
    QTest::mouseClick(w_->grid()->viewport(), Qt::LeftButton, {}, rent.center());
    QTest::mouseDClick(w_->grid()->viewport(), Qt::LeftButton, {}, rent.center());
    QCOMPARE(shown, (QList<int32_t>{rent_, rent_}));
  }

  // Re-dated past its deadline, a reminder leaves the current view; a
  // deleted one is gone. Frozen books allow both.
  void redateAndDelete() {
    Session().settings.dbFrozen = true;  // reminders stay changeable on frozen books
    w_->setCurrentRow(1);
    ScriptedPrompter p;
    p.date(QString(), 20240615).no("OK to delete?").yes("OK to delete?");
    w_->action("Re-date reminder")->trigger();
    QCOMPARE(ids(), QString("4 2"));
    QCOMPARE(QueryValue("select rmdate from remdr where id = 1").toInt(), 20240615);
    QCOMPARE(QueryValue("select tgdate from remdr where id = 1").toInt(), 20240305);
    w_->setCurrentRow(0);
    w_->action("Delete reminder")->trigger();
    QCOMPARE(ids(), QString("4 2"));
    w_->action("Delete reminder")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(ids(), QString("2"));
    RollbackIfActive();
    QCOMPARE(CountAll("remdr"), 3);
  }

  // "New": the dialog refuses bad texts and stays; OK adds the reminder and
  // the list's cursor goes onto it. Cancel (Escape) adds nothing.
  void newReminder_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("OK") << false;
    QTest::newRow("Escape") << true;
  }
  void newReminder() {
    QFETCH(bool, cancel);
    w_->setViewCurrent(false);
    ScriptedPrompter p;
    QStringList checks;
    SetNewReminderDialogHook([&](TFRmDets* d) {
      auto check = [&](bool ok, const char* what) {
        if (!ok) checks << what;
      };
      check(d->windowTitle() == "New Reminder" && d->isModal(), "caption, modal");
      check(d->focusWidget() == d->cancelButton(), "focus on Cancel");
      check(d->daysBox()->text() == "31" && d->daysBeforeRadio()->isChecked(), "31 days");
      check(d->daysBeforeRadio()->accessibleName() == "Reminder days before" &&
                d->daysBox()->accessibleName() == "days before",
            "accessible names");
      if (cancel) {
        QTest::keyClick(d, Qt::Key_Escape);
        return;
      }
      // The calendar fills the target box; a 30 February typed is refused.
      QTest::mouseClick(d->targetBox(), Qt::LeftButton);
      check(d->targetBox()->text() == "2024-03-05 (Tue)", "calendar");
      d->targetBox()->setText("2024-02-30");
      QTest::mouseClick(d->okButton(), Qt::LeftButton);
      check(d->isVisible(), "stays after a bad date");
      d->targetBox()->setText("2024-03-05");
      for (const char* days : {"", "-5", "99999999"}) {
        d->daysBox()->setText(days);
        QTest::mouseClick(d->okButton(), Qt::LeftButton);
        check(d->isVisible(), "stays after bad days");
      }
      d->onDateRadio()->click();
      check(!d->daysBox()->isEnabled(), "on date disables the days");
      d->daysBeforeRadio()->click();
      check(d->daysBox()->isEnabled(), "the other radio enables them");
      d->daysBox()->setText("31");
      QTest::keyClicks(d->textBox(), QString(300, QChar('x')));
      QTest::mouseClick(d->okButton(), Qt::LeftButton);
    });
    if (!cancel) {
      p.date(QString(), 20240305)
          .info("Invalid date \"2024-02-30\"")
          .info("Invalid integer \"\"")
          .info("Invalid integer \"-5\"")
          .info("Invalid integer \"99999999\"");
    }
    w_->setCurrentRow(0);
    w_->action("New")->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY2(checks.isEmpty(), qPrintable(checks.join(", ")));
    RollbackIfActive();
    QCOMPARE(CountAll("remdr"), cancel ? 4 : 5);
    if (cancel) {
      QCOMPARE(w_->currentId(), 4);
      return;
    }
    QCOMPARE(w_->currentId(), 5);
    TRemdr r;
    QVERIFY(ReadRemdrRow(5, r));
    QCOMPARE(DateRecToYmd(r.rmDate), 20240203);
    QCOMPARE(DateRecToYmd(r.tgDate), 20240305);
    QCOMPARE(r.txnId, 0);
    QCOMPARE(r.text, QString(255, QChar('x')));
  }

  // After the announcement the fourth close is refused; the program's own
  // close (switching books) always goes through.
  void nag() {
    w_->hide();
    ScriptedPrompter p;
    p.info("You have outstanding reminder(s)");
    QVERIFY(CheckDueReminders());
    QVERIFY(w_->isVisible());
    QVERIFY(w_->userClose());
    ShowRemindersWindow();
    QTest::keyClick(w_, Qt::Key_Escape);
    QVERIFY(!w_->isVisible());
    ShowRemindersWindow();
    w_->action("Close")->trigger();
    QVERIFY(!w_->isVisible());
    ShowRemindersWindow();
    p.info("OI, STOP IGNORING YOUR REMINDERS !");
    w_->action("Close")->trigger();
    QVERIFY(w_->isVisible());
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().settings.ignoredRemdrs, 0);
    for (int i = 0; i < 3; ++i) QVERIFY(RemindersWindowMayClose());
    CloseWorkWindows();
    QVERIFY(!w_->isVisible());
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TstRemindersWindow)
#include "tst_reminders_window.moc"
