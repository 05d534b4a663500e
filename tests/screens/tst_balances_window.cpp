// The balances window driven offscreen on real, rebalanced books (period
// 2024): the figures and totals, show/hide amounts with stale books and the
// one-shot rebalance permission, drill-down, Back and Escape with the cursor,
// the group-totals check, the jump box, the row operations' captions, copy
// cell, the exports, a new group landing, refusals and a row deleted behind
// the window's back.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "ledger/hierarchy.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "screens/screen_hooks.h"
#include "screens/views/balances_window.h"
#include "shell/ctrl_window.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QStringList column(const TFBals* w, int c) {
  QStringList out;
  for (int r = 0; r < w->model()->rowCount(); ++r) out << w->model()->text(r, c);
  return out;
}

}  // namespace

class TstBalancesWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QMap<QString, int32_t> ids_;
  TFBals* w_ = nullptr;
  QList<int> postingsShown_;

  int32_t account(int kind, const QString& name, int32_t group = 0,
                  const QString& ccy = QStringLiteral("GBP")) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.ccy = ccy;
    o.groupId = group;
    if (!WriteAccount(o)) return 0;
    ids_[name] = o.id;
    return o.id;
  }
  bool txn(QChar type, int32_t ymd, int64_t amount, const QString& ext, const QString& cpty,
           const QString& ctgy, const QString& ccy = QStringLiteral("GBP"), int64_t value = -1) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = ccy;
    t.txnDate = YmdToDateRec(ymd);
    t.amount = amount;
    t.value = value < 0 ? amount : value;
    t.accId1 = ids_.value(ext);
    t.accId2 = ids_.value(cpty);
    t.accId4 = ids_.value(ctgy);
    return WriteTransaction(t) && CommitIfActive();
  }
  int rowOf(const QString& name) const {
    return BalancesRowOfId(w_->model()->rows(), ids_.value(name));
  }

 private Q_SLOTS:
  void initTestCase() { InstallBalancesScreens(); }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ids_.clear();
    ids_["Default pot"] = 1;
    SetPeriodDates(20240101, 20241231);
    Session().settings.washCtgies = true;
    ScreenHooks() = TScreenHooks();
    postingsShown_.clear();
    ScreenHooks().showPostings = [this](int id) { postingsShown_ << id; };
    QVERIFY(account(8, "Banks"));
    QVERIFY(account(8, "Savings", ids_["Banks"]));
    QVERIFY(account(1, "Current", ids_["Banks"]));
    QVERIFY(account(1, "Deposit", ids_["Savings"]));
    QVERIFY(account(1, "Cash"));
    QVERIFY(account(1, "bank \"x\", ltd"));
    QVERIFY(account(1, "Zloty", 0, "EUR"));
    QVERIFY(account(4, "Shop"));
    QVERIFY(account(4, "Employer"));
    QVERIFY(account(3, "Food"));
    QVERIFY(account(3, "Income"));
    QVERIFY(txn('P', 20240310, 2500, "Current", "Shop", "Food"));
    QVERIFY(txn('R', 20240601, 123456, "Current", "Employer", "Income"));
    QVERIFY(txn('P', 20240401, 1000, "Deposit", "Shop", "Food"));
    QVERIFY(txn('P', 20230601, 500, "Cash", "Shop", "Food"));
    QVERIFY(txn('P', 20240701, 1000, "bank \"x\", ltd", "Shop", "Food"));
    QVERIFY(txn('P', 20240801, 2000, "Zloty", "Shop", "Food", "EUR", 1700));
    MarkHierarchyChanged();
    QVERIFY(Rebalance());
    QVERIFY(!RebalanceNeeded());
    w_ = TheBalancesWindow();
    w_->resetState();
    w_->action("- Active")->setChecked(true);
    w_->action("Grouped")->setChecked(true);
  }
  void cleanup() {
    w_->resetState();
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  // The top level, amounts shown, drill-down with the cursor, Back and Escape.
  void figuresAndNavigation() {
    ScriptedPrompter p;
    ShowBalances(1);
    QVERIFY(w_->isVisible());
    QCOMPARE(w_->windowTitle(),
             QStringLiteral("External Account balances/movements in currency GBP"));
    QCOMPARE(w_->amountsButton()->text(), QStringLiteral("Show amounts"));
    QVERIFY(w_->grid()->isColumnHidden(kBalBalance));
    w_->amountsButton()->click();
    QCOMPARE(w_->amountsButton()->text(), QStringLiteral("Hide amounts"));
    QVERIFY(w_->balancesShown() && w_->movementsShown());
    QVERIFY(!w_->grid()->isColumnHidden(kBalBalance));
    QVERIFY(w_->grid()->isColumnHidden(kBalGroup));
    QCOMPARE(column(w_, kBalName), (QStringList{"bank \"x\", ltd", "Banks", "Cash"}));
    QCOMPARE(column(w_, kBalType), (QStringList{"", "GROUP", ""}));
    QCOMPARE(column(w_, kBalReceipts), (QStringList{"0.00", "+1,234.56", "0.00"}));
    QCOMPARE(column(w_, kBalBalance), (QStringList{"-10.00", "+1,199.56", "-5.00"}));
    QCOMPARE(w_->countLabel()->text(), QStringLiteral("3 items  "));
    QCOMPARE(w_->totalLabel(1)->text(), QStringLiteral("-45.00"));
    QCOMPARE(w_->totalLabel(2)->text(), QStringLiteral("+1,234.56"));
    QCOMPARE(w_->totalLabel(5)->text(), QStringLiteral("+1,184.56"));
    QVERIFY(!w_->action("Back")->isEnabled());
    QVERIFY(!w_->nativeButton()->isVisible());

    w_->setCurrentRow(rowOf("Banks"));
    QTest::keyClick(w_->grid(), Qt::Key_Return);
    QCOMPARE(w_->groupId(), ids_["Banks"]);
    QCOMPARE(w_->headerButton()->text(), QStringLiteral("Banks : "));
    QCOMPARE(column(w_, kBalName), (QStringList{"Current", "Savings"}));
    w_->setCurrentRow(rowOf("Savings"));
    w_->drillDown();
    QCOMPARE(w_->headerButton()->text(), QStringLiteral("Banks : Savings : "));
    QCOMPARE(column(w_, kBalName), QStringList{"Deposit"});
    w_->drillDown();  // an account: its postings
    QCOMPARE(postingsShown_, QList<int>{ids_["Deposit"]});

    QTest::keyClick(w_->grid(), Qt::Key_Escape);  // Back, onto the group left
    QCOMPARE(w_->groupId(), ids_["Banks"]);
    QCOMPARE(w_->currentId(), ids_["Savings"]);
    w_->action("Back")->trigger();
    QCOMPARE(w_->groupId(), 0);
    QCOMPARE(w_->currentId(), ids_["Banks"]);
    QVERIFY(w_->isVisible());
    QTest::keyClick(w_->grid(), Qt::Key_Escape);  // at the top: closes
    QVERIFY(!w_->isVisible());
    VERIFY_PROMPTS(p);
  }

  // A group row whose figures disagree with its members': one program error
  // for the drill-down, none for a refresh after it.
  void staleGroupTotals() {
    QVERIFY(ExecSql("update movtg set pdrcpts = pdrcpts + 1 where accid = ?", {ids_["Banks"]}));
    ScriptedPrompter p;
    ShowBalances(1);
    w_->showAmounts();
    w_->setCurrentRow(rowOf("Banks"));
    p.info("Program error : Group totals disagree (use Rebuild Hierarchy to resolve)");
    w_->drillDown();
    QCOMPARE(column(w_, kBalName), (QStringList{"Current", "Savings"}));
    w_->action("Refresh")->trigger();
    w_->goBack();
    VERIFY_PROMPTS(p);
  }

  void rebalance_data() {
    QTest::addColumn<char>("answer");
    QTest::newRow("declined") << 'N';
    QTest::newRow("accepted") << 'Y';
  }
  // Stale books: the question; then the permission is used by one refresh
  // only, and stale figures are never shown.
  void rebalance() {
    QFETCH(char, answer);
    ScriptedPrompter p;
    ShowBalances(1);
    SetRebalanceNeeded(true);
    p.ask("Rebalance now ?", answer);
    w_->showAmounts();
    VERIFY_PROMPTS(p);
    if (answer == 'N') {
      QVERIFY(!w_->movementsShown());
      QCOMPARE(w_->amountsButton()->text(), QStringLiteral("Show amounts"));
      return;
    }
    QVERIFY(w_->movementsShown() && !RebalanceNeeded());
    // The permission is still unused: the next stale refresh rebalances.
    SetRebalanceNeeded(true);
    w_->refresh();
    QVERIFY(w_->movementsShown() && !RebalanceNeeded());
    // Used up now: stale figures are dropped, the request kept.
    SetRebalanceNeeded(true);
    w_->refresh();
    QVERIFY(!w_->movementsShown() && RebalanceNeeded());
    QCOMPARE(column(w_, kBalBalance), (QStringList{"", "", ""}));
    QVERIFY(Rebalance());
    w_->refresh();
    QVERIFY(w_->movementsShown());
    VERIFY_PROMPTS(p);
  }

  // A rebalance that refuses leaves the amounts hidden, also when the
  // permission would have allowed it.
  void refusedRebalanceShowsNoFigures() {
    ScriptedPrompter p;
    ShowBalances(1);
    w_->showAmounts();
    QVERIFY(w_->movementsShown());
    Session().settings.defaultPotId = 0;  // the wash needs a default pot: refused
    SetRebalanceNeeded(true);
    p.info("Program error : no dftpot");
    w_->refresh();
    VERIFY_PROMPTS(p);
    QVERIFY(!w_->movementsShown());
    QCOMPARE(column(w_, kBalReceipts), (QStringList{"", "", ""}));
  }

  // Typed keys go to the jump box; Enter, arrows and Escape keep their roles.
  void jumpBox() {
    ScriptedPrompter p;
    w_->action("Show all accounts")->trigger();
    ShowBalances(1);
    QCOMPARE(column(w_, kBalName), (QStringList{"bank \"x\", ltd", "Cash", "Current", "Deposit"}));
    QVERIFY(!w_->grid()->isColumnHidden(kBalGroup));
    QCOMPARE(w_->action("FILTERING"), nullptr);
    w_->grid()->setFocus();
    QTest::keyClicks(w_->grid(), "ca");
    QCOMPARE(w_->jumpBox()->text(), QStringLiteral("ca"));
    QCOMPARE(w_->currentId(), ids_["Cash"]);
    QTest::keyClick(w_->grid(), Qt::Key_Down);
    QCOMPARE(w_->currentId(), ids_["Current"]);
    QCOMPARE(w_->jumpBox()->text(), QStringLiteral("ca"));
    w_->button("x")->click();
    QCOMPARE(w_->jumpBox()->text(), QString());
    QTest::keyClicks(w_->grid(), "zz");
    QCOMPARE(w_->currentId(), ids_["Deposit"]);  // after every name: the last row
    w_->button("x")->click();
    QTest::keyClicks(w_->grid(), "BA");
    QCOMPARE(w_->currentId(), ids_["bank \"x\", ltd"]);
    QTest::keyClick(w_->grid(), Qt::Key_Return);
    QCOMPARE(postingsShown_, QList<int>{ids_["bank \"x\", ltd"]});
    QCOMPARE(w_->jumpBox()->text(), QString());  // a drill-down clears it
    VERIFY_PROMPTS(p);
    w_->action("Grouped")->setChecked(true);
  }

  // Copy cell drops the thousands commas; the sweep caption takes the native
  // closing balance also while equivalents are listed.
  void cellAndSweepCaptions() {
    ScriptedPrompter p;
    ShowBalances(1);
    w_->showAmounts();
    w_->setCurrentRow(rowOf("Banks"));
    w_->grid()->setCurrentIndex(w_->model()->index(rowOf("Banks"), kBalReceipts));
    w_->prepareContextMenu();
    QCOMPARE(w_->action("Copy cell  +1,234.56")->isEnabled(), true);
    w_->copyCell();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("+1234.56"));
    QVERIFY(w_->action("Drill-down Group")->isEnabled());
    QVERIFY(!w_->action("Account postings")->isEnabled());
    QVERIFY(w_->action("Group details")->isEnabled());
    QVERIFY(!w_->action("Sweep")->isEnabled());  // groups are not swept
    w_->setCurrentRow(rowOf("Cash"));
    w_->prepareContextMenu();
    QVERIFY(w_->action("Sweep balance  -5.00")->isEnabled());
    QCOMPARE(w_->action("Account details")->isEnabled(), true);

    Session().workingCurrency = QStringLiteral("EUR");
    ShowBalances(1);
    w_->showAmounts();
    QVERIFY(w_->nativeButton()->isVisible());
    QCOMPARE(w_->nativeButton()->text(), QStringLiteral("native EUR"));
    QCOMPARE(w_->equivalentButton()->text(), QStringLiteral("GBP equivalent"));
    w_->equivalentButton()->click();
    QCOMPARE(column(w_, kBalBalance), QStringList{"-17.00"});
    w_->setCurrentRow(0);
    w_->prepareContextMenu();
    QVERIFY(w_->action("Sweep balance  -20.00")->isEnabled());
    w_->hideAmounts();
    QVERIFY(w_->nativeButton()->isChecked());
    Session().workingCurrency = QStringLiteral("GBP");
    VERIFY_PROMPTS(p);
  }

  // bals00 taken: the next name; all hundred taken: the refusal, no file.
  void exportToFile() {
    ScriptedPrompter p;
    ShowBalances(1);
    w_->showAmounts();
    const QString folder = Session().dataFolder;
    QFile f(folder + "bals00.csv");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    p.info("Exported OK to " + folder + "bals01.csv");
    w_->exportList(1);
    VERIFY_PROMPTS(p);
    QFile out(folder + "bals01.csv");
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(out.readAll());
    QVERIFY2(text.contains("\"bank \"\"x\"\", ltd\""), qPrintable(text));
    QVERIFY(text.contains("\"+1,199.56\""));
    QVERIFY(text.startsWith(
        "VORBEK External Account balances/movements in currency GBP    Period 2024-01-01 to "
        "2024-12-31\n"));
    for (int n = 2; n < 100; ++n) {
      QFile g(folder + QStringLiteral("bals%1.txt").arg(n, 2, 10, QLatin1Char('0')));
      QVERIFY(g.open(QIODevice::WriteOnly));
    }
    for (int n = 0; n < 2; ++n) {
      QFile g(folder + QStringLiteral("bals%1.txt").arg(n, 2, 10, QLatin1Char('0')));
      QVERIFY(g.open(QIODevice::WriteOnly));
    }
    const QStringList before = QDir(folder).entryList(QDir::Files);
    ScriptedPrompter q;
    q.info("Cannot export - all 99 filenames in use, have a clearout!");
    w_->exportList(2);
    VERIFY_PROMPTS(q);
    QCOMPARE(QDir(folder).entryList(QDir::Files), before);
  }

  // A new group lands on its row, or says it is not listed here.
  void newGroupLands() {
    ScreenHooks().addGroup = [this](int kind, const QString&) {
      return int(account(kind, kind == 8 ? "Brokers" : "Other"));
    };
    ScriptedPrompter p;
    w_->action("- All            ( include Closed )")->trigger();
    ShowBalances(1);
    w_->newGroup();
    QCOMPARE(w_->currentId(), ids_["Brokers"]);
    w_->setCurrentRow(rowOf("Banks"));
    w_->drillDown();
    p.info("New account added ok but not in this group or filter");
    w_->newGroup();
    VERIFY_PROMPTS(p);
    w_->action("- Active")->setChecked(true);
  }

  // Refusals and a row deleted behind the window's back.
  void refusals() {
    ScriptedPrompter p;
    p.info("Program error : Obj type shd be btype");
    ShowBalances(2);
    QVERIFY(!w_->isVisible());
    ShowBalances(1);
    p.info("No account/group selected (use CTRL+Click)");
    w_->grid()->clearSelection();
    w_->regroup(false);
    QVERIFY(ExecSql("delete from account where id = ?", {ids_["Cash"]}));
    CommitIfActive();
    w_->setCurrentRow(rowOf("Cash"));
    p.info("Account not found : #" + QString::number(ids_["Cash"]));
    w_->drillDown();
    QVERIFY(postingsShown_.isEmpty());
    Session().settings.dbFrozen = true;
    p.info("Cannot change accounts, database is frozen");
    w_->deleteRow();
    Session().settings.dbFrozen = false;
    VERIFY_PROMPTS(p);
  }

  // Internal accounts are listed in the base currency whatever the working one.
  void internalInBaseCurrency() {
    ScriptedPrompter p;
    Session().workingCurrency = QStringLiteral("EUR");
    ShowBalances(6);
    QCOMPARE(w_->listCurrency(), QStringLiteral("GBP"));
    w_->showAmounts();
    QVERIFY(!w_->nativeButton()->isVisible());
    QCOMPARE(column(w_, kBalType), (QStringList{"pot", "ctgy", "ctgy"}));
    QCOMPARE(column(w_, kBalDbBfd).at(1), QString());  // the wash: no b/fd for a category
    Session().workingCurrency = QStringLiteral("GBP");
    VERIFY_PROMPTS(p);
  }

  // The control window's items: "Internal" opens in the base currency and
  // gives the chosen currency back; "List by account Groups" takes the kind
  // chosen there.
  void controlWindowItems() {
    ScriptedPrompter p;
    TFCtrl ctrl;
    const TCtrlMenu& m = ctrl.menu();
    Session().workingCurrency = QStringLiteral("EUR");
    m.hierInternal->trigger();
    QVERIFY(w_->isVisible());
    QCOMPARE(w_->listKind(), 6);
    QCOMPARE(w_->listCurrency(), QStringLiteral("GBP"));
    QCOMPARE(Session().workingCurrency, QStringLiteral("EUR"));
    m.hierExternal->trigger();
    QCOMPARE(w_->listKind(), 1);
    QCOMPARE(w_->listCurrency(), QStringLiteral("EUR"));
    QCOMPARE(column(w_, kBalName), QStringList{"Zloty"});
    m.kindCpty->trigger();
    m.listByGroups->trigger();
    QCOMPARE(w_->listKind(), 4);
    QCOMPARE(w_->windowTitle(),
             QStringLiteral("Counterparty movements in currency ") + Session().workingCurrency);
    Session().workingCurrency = QStringLiteral("GBP");
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TstBalancesWindow)
#include "tst_balances_window.moc"
