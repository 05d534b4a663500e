// The "Repeating transactions" window driven offscreen on real books: its
// columns and filter, the query run again on every show, the pop-up's
// details, instances, deactivation and deletion with the cursor put on the
// following row, and Weed under "All" only.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/repeaters.h"
#include "screens/lists/reminders_window.h"
#include "screens/lists/repeaters_window.h"
#include "screens/screen_hooks.h"
#include "shell/ctrl_window.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstRepeatersWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TFRptrs* w_ = nullptr;
  int32_t cur_ = 0, landlord_ = 0, housing_ = 0;

  int32_t master(int32_t start, QChar freq, int inc, int32_t end, bool active, int64_t amount) {
    TRptr r;
    r.ccy = "GBP";
    r.amount = amount;
    r.type = QChar('P');
    r.narrative = "Rent";
    r.accId1 = cur_;
    r.accId2 = landlord_;
    r.accId4 = housing_;
    r.sched.freq = freq;
    r.sched.rptInc = inc;
    r.sched.startDate = YmdToDateRec(start);
    r.sched.endDate = YmdToDateRec(end);
    r.sched.active = active;
    ScriptedPrompter quiet;
    if (!WriteRepeater(r) || !CommitIfActive()) return 0;
    return r.id;
  }
  // The shown texts of one row.
  QStringList row(int r) const {
    QStringList out;
    for (int c = 0; c < w_->model()->columnCount(); ++c)
      out << w_->model()->index(r, c).data().toString();
    return out;
  }
  QString ids() const {
    QStringList out;
    for (const TRptrListRow& r : w_->model()->rows()) out << QString::number(r.id);
    return out.join(' ');
  }
  void chooseAll() {
    w_->action("All")->trigger();
    QCOMPARE(w_->filterMenu()->title(), QString("Filter"));
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = AddTestAccount(1, "Current");
    landlord_ = AddTestAccount(4, "Landlord");
    housing_ = AddTestAccount(3, "Housing");
    QVERIFY(CommitIfActive());
    Session().periodTo = 20240315;
    SetGenerateToDate(TDateRec());
    QCOMPARE(master(20240131, QChar('M'), 1, 0, true, 1250), 1);
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());  // #1: 3 instances (txns 1-3)
    }
    QCOMPARE(master(20240105, QChar('W'), 2, 20241231, false, 99), 2);
    QCOMPARE(master(20240201, QChar('Y'), 1, 99999999, true, 123456), 3);
    QVERIFY(ExecSql("update rptr set rptactive = 0 where id = 1") && CommitIfActive());
    QVERIFY(ExecSql("update rptr set rptactive = 1 where id = 2") && CommitIfActive());
    // #1 inactive with instances, #2 active, #3 active open-ended
    ShowRepeatersWindow();
    w_ = RepeatersWindow();
    QVERIFY(w_->isVisible());
  }
  void cleanup() {
    w_->action("Active")->trigger();
    w_->hide();
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  void columnsAndFilter() {
    QCOMPARE(w_->windowTitle(), QString("Repeating transactions"));
    QVERIFY(!w_->isModal());
    QStringList titles;
    for (int c = 0; c < w_->model()->columnCount(); ++c)
      titles << w_->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QCOMPARE(titles, QString("Id|Freq|Txn type|Amount|Accname1|Accname2|Accname3|Start date|"
                             "End date|Active?|Accname4")
                         .split('|'));
    QCOMPARE(w_->filterMenu()->title(), QString("FILTER"));
    QVERIFY(w_->action("Active")->isChecked());
    QVERIFY(!w_->action("Weed")->isEnabled());
    QCOMPARE(ids(), QString("2 3"));
    QCOMPARE(w_->statusPanel()->text(), QString("2 items  "));
    QCOMPARE(row(0), QString("2|2W|Payt/Purch|0.99|Current|Landlord||2024-01-05|2024-12-31|"
                             "ACTIVE|Housing")
                         .split('|'));
    QCOMPARE(row(1).at(3), QString("1,234.56"));
    QCOMPARE(row(1).at(8), QString());  // 99999999: no end

    chooseAll();
    QVERIFY(w_->action("Weed")->isEnabled());
    QCOMPARE(ids(), QString("1 2 3"));
    QCOMPARE(w_->statusPanel()->text(), QString("3 items  "));
    QCOMPARE(row(0),
             QString("1|1M|Payt/Purch|12.50|Current|Landlord||2024-01-31|||Housing").split('|'));

    // Shown again: queried again, the filter kept.
    w_->hide();
    QCOMPARE(master(20240301, QChar('D'), 1, 0, false, 5), 4);
    ShowRepeatersWindow();
    QCOMPARE(ids(), QString("1 2 3 4"));
    QCOMPARE(w_->filterMenu()->title(), QString("Filter"));
  }

  // Details opens the master record, Instances the master's instances;
  // Deactivate is greyed for an inactive master.
  void popup() {
    TTxn shown;
    QList<int32_t> instancesOf;
    ScreenHooks().showRecordDetails = [&](const TTxn& t) { shown = t; };
    ScreenHooks().showInstances = [&](int32_t master, int32_t txn) {
      instancesOf << master << txn;
    };
    chooseAll();
    w_->setCurrentRow(0);
    w_->preparePopup();
    QVERIFY(!w_->action("Deactivate")->isEnabled());
    QVERIFY(w_->action("Delete")->isEnabled());
    w_->action("Instances")->trigger();
    QCOMPARE(instancesOf, (QList<int32_t>{1, 0}));

    w_->setCurrentRow(2);
    w_->preparePopup();
    QVERIFY(w_->action("Deactivate")->isEnabled());
    const QRect cell = w_->grid()->visualRect(w_->model()->index(2, 1));
    QVERIFY(w_->grid()->viewport()->rect().contains(cell.center()));
    QTest::mouseClick(w_->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w_->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(shown.status, 1);
    QCOMPARE(shown.masterId, 3);
    QCOMPARE(shown.id, 0);
    QCOMPARE(shown.amount, 123456);
    QCOMPARE(DateRecToYmd(shown.txnDate), 20240201);
  }

  void deactivate() {
    chooseAll();
    w_->goToId(2);
    ScriptedPrompter p;
    p.no("Deactivate Repeater #2 - OK ?").yes("Deactivate Repeater #2 - OK ?");
    w_->action("Deactivate")->trigger();
    QCOMPARE(row(1).at(9), QString("ACTIVE"));
    w_->action("Deactivate")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(w_->currentId(), 2);
    QCOMPARE(row(1).at(9), QString());
    RollbackIfActive();
    QCOMPARE(QueryValue("select rptactive from rptr where id = 2").toInt(), 0);
  }

  // The cursor goes to the row after the deleted one; after the last, to the end.
  void deleteMovesToTheFollowingRow() {
    chooseAll();
    QVERIFY(ExecSql("update rptr set rptactive = 0") && CommitIfActive());
    w_->refresh();
    ScriptedPrompter p;
    p.choice("Delete Repeater #1 : also delete 3 Instance(s)?", 1)
        .yes("Delete Repeater #1 Master, retaining Instances as stand-alone txns - are you sure?")
        .yes("Delete Repeater #3  Master with no instances - are you sure?");
    w_->goToId(1);
    w_->action("Delete")->trigger();
    QCOMPARE(ids(), QString("2 3"));
    QCOMPARE(w_->currentId(), 2);
    w_->goToId(3);
    w_->action("Delete")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(ids(), QString("2"));
    QCOMPARE(w_->currentId(), 2);
    QCOMPARE(CountAll("txn"), 3);
  }

  // Weed only under "All"; a master shown inactive but active again since stays.
  void weed() {
    QVERIFY(!w_->action("Weed")->isEnabled());
    chooseAll();
    QVERIFY(ExecSql("update rptr set rptactive = 0 where id = 2") && CommitIfActive());
    w_->refresh();
    QCOMPARE(row(1).at(9), QString());
    QVERIFY(ExecSql("update rptr set rptactive = 1 where id = 2") && CommitIfActive());
    ScriptedPrompter p;
    p.yes(
         "OK to delete all inactive Masters?\r(their Instances will be retained as stand-alone "
         "transactions)")
        .info("Weeded OK");
    w_->action("Weed")->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(ids(), QString("2 3"));
    QCOMPARE(w_->statusPanel()->text(), QString("2 items  "));
    RollbackIfActive();
    QCOMPARE(CountRows("txn", "masterid = 1"), 3);
  }

  // The control window's items open the two lists.
  void controlWindowItems() {
    w_->hide();
    TFCtrl ctrl;
    ctrl.menu().repeaters->trigger();
    QVERIFY(w_->isVisible());
    ScriptedPrompter p;
    ctrl.menu().reminders->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(RemindersListWindow()->isVisible());
    RemindersListWindow()->hide();
  }
};

QTEST_MAIN(TstRepeatersWindow)
#include "tst_repeaters_window.moc"
