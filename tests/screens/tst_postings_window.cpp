// The postings window driven offscreen on real books: opening each kind of
// account, the statement view, reconciliation from the grid, "Last
// reconciled" under the filters, moves within a day, assignments, exports,
// the jumps between statements and the reset when other books are opened.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "ledger/accounts.h"
#include "reports/postings_books.h"
#include "screens/screen_hooks.h"
#include "screens/views/postings_window.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QStringList column(const TFPstgs* w, int c) {
  QStringList out;
  const PostingsModel* m = w->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->text(r, c);
  return out;
}

QStringList comboItems(const QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

QString reconciledOf(int32_t id) {
  TObj a;
  ReadAccount(id, a);
  return a.reconciledText;
}

}  // namespace

class TstPostingsWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  PostingsBooks b_;
  TFPstgs* w_ = nullptr;

  void select(int row, bool add = true) {
    w_->grid()->selectionModel()->select(
        w_->model()->index(row, 0),
        (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
            QItemSelectionModel::Rows);
  }
  int rowOf(int32_t txnId) { return RowOfTxn(w_->model()->rows(), txnId); }

 private Q_SLOTS:
  void initTestCase() { InstallPostingsScreens(); }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QVERIFY(b_.build());
    w_ = ThePostingsWindow();
    w_->resetState();
    w_->whenButton(TPostingsWhen::PeriodPlus)->setChecked(true);
  }
  void cleanup() {
    w_->resetState();
    books_.reset();
  }

  void openExternalAndStatement() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    QVERIFY(w_->isVisible());
    QCOMPARE(w_->windowTitle(), QStringLiteral("Postings"));
    QCOMPARE(w_->nameButton()->text(), QStringLiteral("bank "));
    QCOMPARE(w_->kindLabel()->text(),
             " ( " + AccountKindName(kKindExternal, 'U', 'S').trimmed() + " ) ");
    QCOMPARE(comboItems(w_->channelCombo()),
             QStringList({"<All>", "<default channel>", "Cheque", "Visa"}));
    QCOMPARE(w_->channelCombo()->currentText(), QStringLiteral("<All>"));
    QVERIFY(!w_->currencyCombo()->isEnabled());
    QCOMPARE(w_->grid()->accessibleName(), QStringLiteral("Postings"));
    QCOMPARE(w_->currencyCombo()->accessibleName(), QStringLiteral("Currency"));
    QCOMPARE(w_->countLabel()->text(), QStringLiteral("6 items  "));
    QCOMPARE(w_->totalLabel(0)->text(), QStringLiteral("+25.00"));
    QCOMPARE(w_->totalLabel(1)->text(), QStringLiteral("-210.00"));
    QCOMPARE(w_->totalLabel(2)->text(), QStringLiteral("Net = -185.00"));
    QVERIFY(w_->grid()->isColumnHidden(kColRunningBal));
    QVERIFY(!w_->action("Reconcile balance")->isEnabled());

    w_->button("Statement")->click();
    QVERIFY(w_->statementOn());
    QVERIFY(!w_->grid()->isColumnHidden(kColRunningBal));
    QCOMPARE(column(w_, kColType).first(), QStringLiteral("B/FD"));
    QCOMPARE(column(w_, kColRunningBal),
             QStringList({"+950.00", "", "", "", "+965.00", "", "+765.00"}));
    QCOMPARE(column(w_, kColReconciled).at(4), QStringLiteral("BAL OK"));

    // A channel filters on the postings' channel; a refresh goes back to the plain list.
    w_->channelCombo()->setCurrentIndex(w_->channelCombo()->findText("Visa"));
    QVERIFY(!w_->statementOn());
    QCOMPARE(column(w_, kColTxnId), QStringList{QString::number(b_.payment)});
    QVERIFY(w_->channelCombo()->styleSheet().contains("lime"));
    VERIFY_PROMPTS(p);
  }

  void openOtherKinds_data() {
    QTest::addColumn<int>("which");  // 0 counterparty, 1 diary, 2 category, 3 savings
    QTest::addColumn<bool>("statement");
    QTest::addColumn<bool>("ccyEnabled");
    QTest::addColumn<bool>("ccyVisible");
    QTest::addColumn<bool>("channelVisible");
    QTest::addColumn<int>("rows");
    QTest::newRow("counterparty") << 0 << false << true << true << false << 3;
    QTest::newRow("diary") << 1 << true << false << false << false << 1;
    QTest::newRow("category") << 2 << true << false << true << false << 3;
    QTest::newRow("single channel") << 3 << true << false << true << true << 1;
  }
  void openOtherKinds() {
    QFETCH(int, which);
    ScriptedPrompter p;
    TTxn d = NewTxn();
    d.type = QChar('D');
    d.txnDate = YmdToDateRec(20240105);
    d.narrative = "dentist";
    QVERIFY(WriteTransaction(d) && CommitIfActive());
    const int32_t ids[] = {b_.shop, 0, b_.food, b_.savings};
    ShowPostings(ids[which]);
    QTEST(w_->button("Statement")->isEnabled(), "statement");
    QTEST(w_->currencyCombo()->isEnabled(), "ccyEnabled");
    QTEST(w_->currencyCombo()->isVisibleTo(w_), "ccyVisible");
    QTEST(w_->channelCombo()->isVisibleTo(w_), "channelVisible");
    QTEST(w_->model()->rowCount(), "rows");
    if (which == 1) {
      QVERIFY(w_->whenButton(TPostingsWhen::All)->isChecked());
      QCOMPARE(column(w_, kColDescription), QStringList{"dentist"});
    }
    if (which == 3) {
      QVERIFY(!w_->channelCombo()->isEnabled());
      QCOMPARE(w_->channelCombo()->count(), 0);
    }
    if (which == 0) {
      // A counterparty lists any currency; its transfer items are off.
      w_->currencyCombo()->setCurrentText("USD");
      Q_EMIT w_->currencyCombo()->activated(w_->currencyCombo()->currentIndex());
      QCOMPARE(w_->listCurrency(), QStringLiteral("USD"));
      QCOMPARE(w_->model()->rowCount(), 0);
      Q_EMIT w_->action("Transact")->menu()->aboutToShow();
      QVERIFY(!w_->action("Transfer into this Account")->isEnabled());
      QVERIFY(w_->action("Payment / Purchase to this Counterparty") != nullptr);
      ShowPostings(b_.usdShop);
      QCOMPARE(w_->model()->rowCount(), 1);
    }
    VERIFY_PROMPTS(p);
  }

  void otherCurrencyExternal() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    w_->setCurrentRow(2);
    const QString ask =
        "Switch working currency from GBP to USD to view postings for this account - OK ?";
    p.no(ask);
    ShowPostings(b_.usdBank);
    QCOMPARE(w_->account().id, b_.bank);
    QCOMPARE(w_->currentRow(), 2);
    QCOMPARE(Session().workingCurrency, QStringLiteral("GBP"));
    QVERIFY(!w_->action("Back")->isEnabled());
    // Declined from a transaction's jump, the date filter stays too.
    p.no(ask);
    ShowPostingsAtTxn(b_.usdBank, b_.usdPayment);
    QVERIFY(w_->whenButton(TPostingsWhen::PeriodPlus)->isChecked());
    QCOMPARE(w_->account().id, b_.bank);
    p.yes(ask);
    ShowPostings(b_.usdBank);
    QCOMPARE(w_->account().id, b_.usdBank);
    QCOMPARE(w_->listCurrency(), QStringLiteral("USD"));
    QCOMPARE(w_->model()->rowCount(), 1);
    // Back returns to the bank in GBP, on the row that was current.
    w_->action("Back")->trigger();
    QCOMPARE(w_->account().id, b_.bank);
    QCOMPARE(Session().workingCurrency, QStringLiteral("GBP"));
    QCOMPARE(w_->model()->row(w_->currentRow()).txnId, b_.cancelled);
    QVERIFY(!w_->action("Back")->isEnabled());
    VERIFY_PROMPTS(p);
  }

  void reconcileFromGrid() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    w_->setCurrentRow(rowOf(b_.payment));
    w_->prepareContextMenu();
    QVERIFY(w_->contextMenu()->actions().first()->isEnabled());
    w_->action("Auto refresh after reconcile")->setChecked(false);
    w_->reconcilePosting();
    QVERIFY(w_->refreshOutstanding()->isVisibleTo(w_));
    w_->refreshOutstanding()->click();
    QVERIFY(!w_->refreshOutstanding()->isVisibleTo(w_));
    QCOMPARE(w_->model()->text(rowOf(b_.payment), kColReconciled), QStringLiteral("pstg ok"));
    w_->prepareContextMenu();
    QCOMPARE(w_->contextMenu()->actions().first()->text(), QStringLiteral("Unreconcile posting"));
    // Reconciling a balance row is not offered, nor anything on the B/fd line.
    w_->setCurrentRow(rowOf(b_.balanceOk));
    w_->prepareContextMenu();
    QVERIFY(!w_->contextMenu()->actions().first()->isEnabled());

    // "&Sum" over a selection.
    p.info("No items selected (use CTRL+Click to select)");
    w_->sumSelected();
    select(rowOf(b_.receipt), false);
    select(rowOf(b_.transfer));
    p.yes("2 postings selected sum to -175.00 - Reconcile?");
    w_->action("Sum")->trigger();
    QCOMPARE(w_->model()->text(rowOf(b_.transfer), kColReconciled), QStringLiteral("pstg ok"));
    QCOMPARE(w_->model()->text(rowOf(b_.receipt), kColReconciled), QStringLiteral("pstg ok"));
    VERIFY_PROMPTS(p);
  }

  void reconcileBalanceRow() {
    ScriptedPrompter p;
    ShowPostings(b_.savings);
    w_->showStatement();
    w_->setCurrentRow(rowOf(b_.transfer));
    w_->prepareContextMenu();
    QVERIFY(w_->action("Reconcile balance")->isEnabled());
    QCOMPARE(w_->findChild<QAction*>("sweep")->text(), QStringLiteral("Sweep balance  +200.00"));
    w_->reconcileBalance();
    QVERIFY(w_->statementOn());
    const TPostingRow z = w_->model()->row(w_->currentRow());
    QCOMPARE(z.type, QChar('Z'));
    QCOMPARE(w_->model()->text(w_->currentRow(), kColReconciled), QStringLiteral("BAL OK"));
    QCOMPARE(reconciledOf(b_.savings), QStringLiteral("2024-03-01"));
    // The B/fd line offers nothing.
    w_->setCurrentRow(0);
    w_->prepareContextMenu();
    QVERIFY(!w_->action("Reconcile balance")->isEnabled());
    QVERIFY(!w_->action("View transaction")->isEnabled());
    VERIFY_PROMPTS(p);
  }

  void lastReconciled_data() {
    QTest::addColumn<int>("when");   // 0 All, 1 Period+
    QTest::addColumn<bool>("visa");  // a single channel chosen
    QTest::addColumn<bool>("dropBalances");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reconciled");
    QTest::newRow("latest is current") << 1 << false << false << ""
                                       << "2024-03-01";
    QTest::newRow("cleared under All")
        << 0 << false << true << "Latest \"balance reconciled\" date  cleared"
        << "";
    QTest::newRow("kept under Period+") << 1 << false << true << ""
                                        << "2024-01-31";
    QTest::newRow("kept with a channel") << 0 << true << true << ""
                                         << "2024-01-31";
  }
  void lastReconciled() {
    QFETCH(int, when);
    QFETCH(bool, visa);
    QFETCH(bool, dropBalances);
    QFETCH(QString, message);
    ScriptedPrompter p;
    if (dropBalances) {
      QVERIFY(ExecSql("delete from pstg where txntype = 'Z'"));
      QVERIFY(ExecSql("update account set reconciled = '2024-01-31' where id = ?", {b_.bank}));
      QVERIFY(CommitIfActive());
    }
    if (when == 0) w_->whenButton(TPostingsWhen::All)->setChecked(true);
    ShowPostings(b_.bank);
    if (visa) w_->channelCombo()->setCurrentIndex(w_->channelCombo()->findText("Visa"));
    if (!message.isEmpty()) p.info(message);
    w_->button("Last reconciled")->click();
    QTEST(reconciledOf(b_.bank), "reconciled");
    if (!dropBalances) QCOMPARE(w_->model()->row(w_->currentRow()).txnId, b_.balanceOff);
    // Disabled under "&Period".
    w_->whenButton(TPostingsWhen::Period)->setChecked(true);
    QVERIFY(!w_->button("Last reconciled")->isEnabled());
    VERIFY_PROMPTS(p);
  }

  void moveWithinDay() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    // Never past a reconciled balance, never onto another date.
    w_->setCurrentRow(rowOf(b_.cancelled));
    w_->moveRow(1);
    QCOMPARE(rowOf(b_.cancelled), 2);
    w_->setCurrentRow(rowOf(b_.balanceOk));
    w_->moveRow(1);
    QCOMPARE(rowOf(b_.balanceOk), 3);
    w_->setCurrentRow(rowOf(b_.payment));
    w_->moveRow(1);
    QCOMPARE(rowOf(b_.payment), 1);
    QCOMPARE(w_->model()->row(w_->currentRow()).txnId, b_.payment);
    w_->fullRefresh();
    QCOMPARE(rowOf(b_.payment), 1);
    QCOMPARE(rowOf(b_.receipt), 0);
    VERIFY_PROMPTS(p);
  }

  void assignWholeList() {
    ScriptedPrompter p;
    ScreenHooks().pickAccount = [this](int kind, int) {
      if (kind != kKindCategory) return false;
      ReadAccount(b_.holiday, SelectedAccount());
      return true;
    };
    // The holiday pot stands in for the category finder's choice.
    ShowPostings(b_.bank);
    p.choice("Assign " + AccountKindName(kKindCategory, 'U', 'S').trimmed() + " \"holiday\" ...",
             1);
    p.info("No items selected (use CTRL+Click to select)");
    w_->grid()->clearSelection();
    w_->assign(kKindCategory);
    p.choice("Assign " + AccountKindName(kKindCategory, 'U', 'S').trimmed() + " \"holiday\" ...",
             2);
    for (int32_t id : {b_.balanceOk, b_.transfer, b_.balanceOff})
      p.info("Skipping txn #" + QString::number(id));
    w_->assign(kKindCategory);
    ScreenHooks().pickAccount = nullptr;
    TTxn t;
    QVERIFY(ReadTxn(b_.receipt, t));
    QCOMPARE(t.accId4, b_.holiday);
    QVERIFY(ReadTxn(b_.prePeriod, t));
    QCOMPARE(t.accId4, b_.food);  // not listed under Period+
    VERIFY_PROMPTS(p);
  }

  void exportFiles() {
    ScriptedPrompter p;
    const QString folder = Session().dataFolder;
    for (int i = 0; i < 43; ++i) {
      QFile f(folder + QStringLiteral("pstgs%1.csv").arg(i, 2, 10, QLatin1Char('0')));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    ShowPostings(b_.bank);
    p.info("Exported OK to " + folder + "pstgs43.csv");
    w_->action("to File ( CSV )")->trigger();
    QFile f(folder + "pstgs43.csv");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    QCOMPARE(lines[0], "VORBEK \"" + Session().settings.databaseName +
                           "\"  Postings \"bank \"  From 2024-01-01  B/fd bal = 950.00");
    QVERIFY(lines[1].startsWith("Exported at "));
    QCOMPARE(lines[3], QStringLiteral("\"Date\",\"Txn id\",\"Instance\",\"Type\",\"Channel, "
                                      "Ref\",\"Contra\",\" \",\"Pstg amt (+)\",\"Pstg amt "
                                      "(-)\",\"Reconciled\",\"Ctgy : Description\""));
    QCOMPARE(lines[4], "\"2024-02-10\",\"" + QString::number(b_.payment) +
                           "\",\"\",\"Payt/Purch\",\"Visa a'b\",\"shop\",\"\",\"\",\"-10.00\","
                           "\"\",\"Tea & \"\"cakes\"\" <b>; ok\"");
    QCOMPARE(lines.size(), 4 + 6 + 1);
    // An unwritable folder: its error, and no file.
    Session().dataFolder = folder + "missing/";
    QSaveFile probe(Session().dataFolder + "pstgs00.txt");
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    p.info("Cannot write " + Session().dataFolder + "pstgs00.txt : " + probe.errorString());
    w_->action("to File ( tab delimited )")->trigger();
    QVERIFY(!QFile::exists(Session().dataFolder + "pstgs00.txt"));
    Session().dataFolder = folder;
    p.info(
        "Printing is unfortunately no longer supported because of a bug in Quick Reports - "
        "apologies.\rSuggest export to Excel & print from there.");
    w_->action("to Printer")->trigger();
    VERIFY_PROMPTS(p);
  }

  void atTxnAndNavigation_data() {
    QTest::addColumn<int>("which");  // 0 pre-period, 1 payment, 2 after the period
    QTest::addColumn<int>("when");   // TPostingsWhen
    QTest::newRow("before the period") << 0 << int(TPostingsWhen::All);
    QTest::newRow("within") << 1 << int(TPostingsWhen::Period);
    QTest::newRow("after") << 2 << int(TPostingsWhen::PeriodPlus);
  }
  void atTxnAndNavigation() {
    QFETCH(int, which);
    QFETCH(int, when);
    ScriptedPrompter p;
    const int32_t late = b_.txn('P', 20250105, 100, b_.bank, b_.shop, b_.food);
    const int32_t ids[] = {b_.prePeriod, b_.payment, late};
    ShowPostingsAtTxn(b_.bank, ids[which]);
    QVERIFY(w_->whenButton(TPostingsWhen(when))->isChecked());
    QCOMPARE(w_->model()->row(w_->currentRow()).txnId, ids[which]);
    // To the category of the row and back.
    w_->listCategory();
    QCOMPARE(w_->account().id, b_.food);
    QCOMPARE(w_->model()->row(w_->currentRow()).txnId, ids[which]);
    QVERIFY(w_->action("Back")->isEnabled());
    w_->goBack();
    QCOMPARE(w_->account().id, b_.bank);
    QCOMPARE(w_->model()->row(w_->currentRow()).txnId, ids[which]);
    VERIFY_PROMPTS(p);
  }

  void postingDetailsAndStaleRow() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    TPstg z;
    QVERIFY(ReadPosting(b_.balanceOff, b_.bank, z));
    const auto lines = PostingDetailsLines(z);
    QCOMPARE(lines[0].second,
             QString::number(b_.balanceOff) + " (type Z=" + TxnTypeName(QChar('Z')) + ")");
    QCOMPARE(lines[1].second, QStringLiteral("99999999"));
    QCOMPARE(lines[11].second, QStringLiteral("700.00"));
    QCOMPARE(lines[12].second, QStringLiteral("0"));
    // A posting deleted behind the window's back is reported, never written again.
    w_->setCurrentRow(rowOf(b_.receipt));
    QVERIFY(ExecSql("delete from pstg where txnid = ?", {b_.receipt}) && CommitIfActive());
    p.info("txn not found " + QString::number(b_.receipt));
    w_->reconcilePosting();
    QVERIFY(!LocatePosting(b_.receipt, b_.bank));
    VERIFY_PROMPTS(p);
  }

  void otherBooksReset() {
    ScriptedPrompter p;
    ShowPostings(b_.bank);
    ShowPostings(b_.savings);
    QVERIFY(w_->action("Back")->isEnabled());
    CloseDatabase(false);
    QCOMPARE(w_->account().id, 0);
    QVERIFY(!w_->action("Back")->isEnabled());
    QVERIFY(!w_->isVisible());
    QCOMPARE(w_->model()->rowCount(), 0);
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TstPostingsWindow)
#include "tst_postings_window.moc"
