// The days-with-input window offscreen on real books: the distinct input
// dates (0 as "0000-00-00"), the latest current, queried again on every show;
// a day leads to ShowInputOn by the pop-up item, a double click, or one click
// with one-click select; Escape closes. Also the control window's items that
// open the windows of this area.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/posting.h"
#include "reports/input_days.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/input_days_window.h"
#include "screens/transactions/templates_window.h"
#include "screens/transactions/txn_details.h"
#include "shell/ctrl_window.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstInputDaysWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TScreenHooks savedHooks_;
  QStringList calls_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0;

  TfTxnInpDays* w() { return InputDaysWindow(); }

  // A payment typed in at the clock's moment.
  int32_t typeIn(const QDateTime& at) {
    SetClock(at);
    TTxn t = NewTxn();
    t.ccy = QStringLiteral("GBP");
    t.txnDate = t.actualDate = YmdToDateRec(20240301);
    t.amount = t.value = 500;
    t.accId1 = cur_;
    t.accId2 = shop_;
    t.accId4 = food_;
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }

  QStringList shownDays() {
    QStringList out;
    for (int i = 0; i < w()->list()->count(); ++i) out << w()->list()->item(i)->text();
    return out;
  }

  QPoint centreOf(int row) { return w()->list()->visualItemRect(w()->list()->item(row)).center(); }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = AddTestAccount(1, "Current");
    shop_ = AddTestAccount(4, "Shop");
    food_ = AddTestAccount(3, "Food");
    QVERIFY(cur_ && shop_ && food_);
    const int32_t old = typeIn(QDateTime(QDate(2024, 3, 1), QTime(9, 0)));
    typeIn(QDateTime(QDate(2024, 5, 10), QTime(9, 0)));
    typeIn(QDateTime(QDate(2024, 5, 10), QTime(17, 0)));
    typeIn(QDateTime(QDate(2024, 4, 2), QTime(8, 0)));
    // A transaction from before input dates were kept.
    QVERIFY(ExecSql("update txn set createdate = 0, createtime = 0, createts = null where id = ?",
                    {old}));
    QVERIFY(CommitIfActive());
    savedHooks_ = ScreenHooks();
    calls_.clear();
    ScreenHooks().showInputOn = [this](int32_t d) { calls_ << QString::number(d); };
    Session().settings.oneClickSelect = false;
  }
  void cleanup() {
    w()->hide();
    ScreenHooks() = savedHooks_;
    books_.reset();
    ResetClock();
  }

  void listsTheDays() {
    QCOMPARE(InputDays(), (QList<int32_t>{0, 20240402, 20240510}));
    ShowInputDaysWindow();
    QVERIFY(w()->isVisible());
    QVERIFY(!w()->isModal());
    QCOMPARE(w()->windowTitle(), QString("Days with transaction input"));
    QCOMPARE(shownDays(), (QStringList{"0000-00-00", "2024-04-02", "2024-05-10"}));
    QCOMPARE(w()->list()->currentRow(), 2);

    // Shown again, a new day is there and current.
    w()->hide();
    typeIn(QDateTime(QDate(2024, 6, 1), QTime(8, 0)));
    ShowInputDaysWindow();
    QCOMPARE(shownDays().last(), QString("2024-06-01"));
    QCOMPARE(w()->list()->currentRow(), 3);

    QTest::keyClick(w()->list(), Qt::Key_Escape);
    QVERIFY(!w()->isVisible());
  }

  void aDayLeadsToItsInput_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("oneClick");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("pop-up item") << "popup" << false << QStringList{"0"};
    QTest::newRow("double click") << "double" << false << QStringList{"0"};
    QTest::newRow("one click, off") << "click" << false << QStringList{};
    QTest::newRow("one click, on") << "click" << true << QStringList{"0"};
  }
  void aDayLeadsToItsInput() {
    QFETCH(QString, how);
    QFETCH(bool, oneClick);
    QFETCH(QStringList, expected);
    Session().settings.oneClickSelect = oneClick;
    ShowInputDaysWindow();
    QCOMPARE(w()->popupMenu()->actions().first()->text(), QString("List transactions"));
    QWidget* vp = w()->list()->viewport();
    if (how == "popup") {
      w()->list()->setCurrentRow(0);
      w()->listAction()->trigger();
    } else if (how == "double") {
      QTest::mouseClick(vp, Qt::LeftButton, {}, centreOf(0));
      QTest::mouseDClick(vp, Qt::LeftButton, {}, centreOf(0));
    } else {
      QTest::mouseClick(vp, Qt::LeftButton, {}, centreOf(0));
    }
    QCOMPARE(calls_, expected);
  }

  // The control window's items reach these windows; "View last input/edit"
  // with nothing saved in this run shows the latest created transaction.
  void controlWindowItems() {
    InstallTransactionScreens();
    TFCtrl ctrl;
    ScriptedPrompter p;
    ctrl.menu().daysWithInput->trigger();
    QVERIFY(w()->isVisible());
    ctrl.menu().templates->trigger();
    QVERIFY(TemplatesWindow()->isVisible());
    QVERIFY(!TemplatesWindow()->action("New")->isEnabled());
    ctrl.menu().viewLast->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(TxnDetailsWindow()->isVisible());
    QCOMPARE(TxnDetailsWindow()->record().id, LatestInputTxnId());
    QCOMPARE(TxnDetailsWindow()->record().createDate, 20240510);
    TemplatesWindow()->hide();
    TxnDetailsWindow()->hide();
    SetShowTransactionHook(nullptr);
  }
};

QTEST_MAIN(TstInputDaysWindow)
#include "tst_input_days_window.moc"
