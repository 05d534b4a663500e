// The healthcheck window driven offscreen on real books: its captions, the
// menu while a run goes on ("Cancel", "Recheck" and "Repair" disabled,
// application-modal), cancelling mid-run by the menu or Escape, showing it
// again without a new run, and the log emptied when the books close.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>
#include <memory>

#include "ledger/healthcheck.h"
#include "screens/maintenance/repair_window.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

// Looks at the window when the TXN scan starts, and cancels there when told.
class ProbeRpr : public TFRpr {
 public:
  enum Cancel { None, Menu, Escape };
  Cancel cancel = None;
  QString title, closeText;
  bool recheckEnabled = true, repairEnabled = true, modal = false, seen = false;

  void line(const QString& text) override {
    TFRpr::line(text);
    if (!text.startsWith("TXN : ")) return;
    seen = true;
    title = windowTitle();
    closeText = closeAction()->text();
    recheckEnabled = recheckAction()->isEnabled();
    repairEnabled = repairAction()->isEnabled();
    modal = windowModality() == Qt::ApplicationModal;
    if (cancel == Menu) closeAction()->trigger();
    if (cancel == Escape) QTest::keyClick(logView(), Qt::Key_Escape);
  }
  QStringList lines() const { return logView()->toPlainText().split('\n'); }
};

}  // namespace

class TstRepairWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    AddTestAccount(1, "Current");
    QVERIFY(CommitIfActive());
  }
  void cleanup() { books_.reset(); }

  void runsAndTheirMenu_data() {
    QTest::addColumn<bool>("repair");
    QTest::addColumn<int>("cancel");
    QTest::addColumn<QString>("title");
    QTest::newRow("check") << false << int(ProbeRpr::None) << "Database Healthcheck - checking";
    QTest::newRow("repair") << true << int(ProbeRpr::None) << "Database Healthcheck - repairing";
    QTest::newRow("cancel by the menu")
        << false << int(ProbeRpr::Menu) << "Database Healthcheck - checking";
    QTest::newRow("cancel by Escape")
        << true << int(ProbeRpr::Escape) << "Database Healthcheck - repairing";
  }
  void runsAndTheirMenu() {
    QFETCH(bool, repair);
    QFETCH(int, cancel);
    QFETCH(QString, title);
    ProbeRpr w;
    w.cancel = ProbeRpr::Cancel(cancel);
    ScriptedPrompter p;
    if (repair) p.yes("OK to Repair now?");
    p.no("OK to make a backup copy of your Vorbek data?");
    (repair ? w.repairAction() : w.recheckAction())->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(w.seen);
    QCOMPARE(w.title, title);
    QCOMPARE(w.closeText, QStringLiteral("Cancel"));
    QVERIFY(!w.recheckEnabled && !w.repairEnabled && w.modal);
    QVERIFY(w.isVisible());
    // After the run the menu is back as it was.
    QCOMPARE(w.closeAction()->text(), QStringLiteral("Close"));
    QVERIFY(w.recheckAction()->isEnabled() && w.repairAction()->isEnabled());
    QCOMPARE(w.windowModality(), Qt::NonModal);
    const QString last = w.lines().last();
    QVERIFY2(last.startsWith(cancel == ProbeRpr::None ? "Scan completed at " : "Scan aborted at "),
             qPrintable(last));
    QCOMPARE(w.lines().contains("TXN scan complete"), cancel == ProbeRpr::None);
    // "Close" now closes.
    w.closeAction()->trigger();
    QVERIFY(!w.isVisible());
  }

  // At start-up and after a switch, a pending conversion repair fills the
  // creation stamps without a question and without a run in the window.
  void pendingRepairAtStart() {
    QVERIFY(ExecSql("insert into txn (id, \"type\", txndate, createts, createdate, createtime) "
                    "values (1, 'D', 20240101, '2024-01-02 03:04:05', 0, 0)") &&
            CommitIfActive());
    InstallHealthcheckScreens();
    Session().repairPending = true;
    ScriptedPrompter p;
    QVERIFY(RunPendingRepair());
    VERIFY_PROMPTS(p);
    QVERIFY(!Session().repairPending);
    QCOMPARE(QueryValue("select createdate from txn where id = 1").toInt(), 20240102);
    QCOMPARE(QueryValue("select createtime from txn where id = 1").toInt(), 30405);
    QVERIFY(!TheRepairWindow()->isVisible());
  }

  void showAgainKeepsTheLogUntilTheBooksClose() {
    ScriptedPrompter p;
    p.no("OK to make a backup copy of your Vorbek data?");
    ShowHealthcheck();
    TFRpr* w = TheRepairWindow();
    QVERIFY(w->isVisible());
    QVERIFY(w->logView()->toPlainText().contains("ACCOUNT : 2 record(s)"));
    ShowHealthcheck();  // the log is there: no new run, no question
    VERIFY_PROMPTS(p);
    QCOMPARE(w->logView()->accessibleName(), QStringLiteral("Healthcheck log"));
    QCOMPARE(w->counter()->accessibleName(), QStringLiteral("Records to go"));
    QVERIFY(w->logView()->isReadOnly());

    CloseDatabase(false);
    QVERIFY(w->logView()->toPlainText().isEmpty());
    QVERIFY(books_->open());
    // The text check says what it is for once, and asks nothing else.
    p.info("Checks for UTF-8 compatibility before migration to Linux");
    ShowTextCheck();
    VERIFY_PROMPTS(p);
    QVERIFY(w->logView()->toPlainText().contains("CHANNEL scan complete"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Database Healthcheck - checking"));
    w->close();
  }
};

QTEST_MAIN(TstRepairWindow)
#include "tst_repair_window.moc"
