// "Account balance valuations" and "Post FX Gain/Loss" driven offscreen
// against real books: the figures, the refusals that show no window, posting
// the difference and what the rebalance after it shows, and the checks
// before anything is written.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "ledger/fx_gain_loss.h"
#include "reports/valuation_books.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_widgets.h"
#include "screens/views/valuations.h"
#include "support/scripted_prompter.h"

using namespace valuation_books;

namespace {

// Runs start, which opens a modal window, and whileOpen once it is up.
void withModal(const std::function<void()>& start, const std::function<void(QWidget*)>& whileOpen) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    QWidget* w = QApplication::activeModalWidget();
    QVERIFY(w);
    ran = true;
    whileOpen(w);
  });
  start();
  QVERIFY(ran);
}

QStringList row(const QTableView* grid, int r) {
  QStringList out;
  const QAbstractItemModel* m = grid->model();
  for (int c = 0; c < m->columnCount(); ++c) out << m->index(r, c).data().toString();
  return out;
}

QStringList header(const QTableView* grid) {
  QStringList out;
  const QAbstractItemModel* m = grid->model();
  for (int c = 0; c < m->columnCount(); ++c) out << m->headerData(c, Qt::Horizontal).toString();
  return out;
}

int fxTxns() { return CountRows("txn", "\"type\" = 'F'"); }

}  // namespace

class TstValuationWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  Ids ids_;

  QStringList figures() {
    TFvalues* w = ValuationsWindow();
    QStringList out;
    for (const char* label : {"Total Int Acc value ", "- base currency", "- foreign currency",
                              "- total", "Difference (FX Gain/Loss) "})
      out << w->figure(label);
    return out;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ids_ = Make();
    QVERIFY(!QTest::currentTestFailed());
    ScreenHooks() = TScreenHooks();
  }
  void cleanup() {
    ValuationsWindow()->hide();
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  void figuresShown() {
    ScriptedPrompter p;
    ShowValuations();
    VERIFY_PROMPTS(p);
    TFvalues* w = ValuationsWindow();
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QCOMPARE(w->windowTitle(), QString("Account values  2024-01-01 to 2024-12-31"));
    QCOMPARE(w->pages()->tabText(0), QString("External Accounts"));
    QCOMPARE(w->pages()->tabText(1), QString("Internal Accounts"));
    QCOMPARE(w->pages()->currentIndex(), 0);
    QCOMPARE(header(w->externalGrid()),
             QStringList({"Account name", "Ccy  ", "Exch rate", "B/fd", "Balance", "Value"}));
    QCOMPARE(row(w->externalGrid(), 0),
             QStringList({"Bank", "GBP", "1.00000", "0.00", "50.00", "50.00"}));
    QCOMPARE(row(w->externalGrid(), 1),
             QStringList({"Dollars", "USD", "1.00000", "0.00", "125.00", "125.00"}));
    QCOMPARE(header(w->internalGrid()), QStringList({"NAME", "B/fd", "Balance (value)"}));
    QCOMPARE(row(w->internalGrid(), 0), QStringList({"Salary", "0.00", "150.00"}));
    QCOMPARE(figures(), QStringList({"150.00", "50.00", "125.00", "175.00", "25.00"}));
    QVERIFY(w->postButton()->isEnabled());
    QCOMPARE(w->postButton()->accessibleName(), QString("Post"));
    QCOMPARE(w->historyButton()->accessibleName(), QString("History"));

    // The pop-up's "Postings" shows the account in its own currency.
    QList<QPair<int, QString>> shown;
    ScreenHooks().showPostings = [&](int id) { shown << qMakePair(id, Session().workingCurrency); };
    w->externalGrid()->setCurrentIndex(w->externalGrid()->model()->index(1, 0));
    w->popupMenu()->actions().at(0)->trigger();
    w->pages()->setCurrentIndex(1);
    w->popupMenu()->actions().at(0)->trigger();
    QCOMPARE(shown, (QList<QPair<int, QString>>{{ids_.dollars, "USD"}, {ids_.salary, "GBP"}}));

    QString searched;
    ScreenHooks().searchText = [&](const QString& text) { searched = text; };
    QTest::mouseClick(w->historyButton(), Qt::LeftButton);
    QCOMPARE(searched, QString("FX Gain/Loss"));

    // The shown page goes to the export.
    p.info("Exported OK to " + books_->folder() + "values00.csv");
    w->menuAction("to File ( &CSV )")->trigger();
    VERIFY_PROMPTS(p);
    QFile file(books_->folder() + "values00.csv");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readLine().startsWith("VORBEK Internal Account Values at 2024-12-31"));
  }

  void refusalsShowNoWindow_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("only a rate the day before To") << "rate"
                                                   << "Exchange rate not found for USD";
    QTest::newRow("rebalance pending") << "pending"
                                       << "Rebalance needed";
    QTest::newRow("straddle") << "straddle"
                              << "Transaction #3 (displayed) straddles 2024-12-31 and a later "
                                 "date\r(use Edit|Unstraddle to resolve this)";
  }
  void refusalsShowNoWindow() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    if (setup == "rate") {
      exec("update rate set rdate = 20241230 where rdate = 20241231");
    } else if (setup == "pending") {
      SetRebalanceNeeded(true);
    } else {
      TTxn t = NewTxn();
      t.type = QChar('P');
      t.ccy = "GBP";
      t.txnDate = TDateRec{2024, 12, 30};
      t.postingDate = TDateRec{2025, 1, 2};
      t.amount = t.value = 100;
      t.accId1 = ids_.bank;
      t.accId2 = ids_.boss;
      t.accId4 = ids_.salary;
      QVERIFY(WriteTransaction(t));
    }
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    p.info(message);
    ShowValuations();
    VERIFY_PROMPTS(p);
    QVERIFY(!ValuationsWindow()->isVisible());
  }

  void postThenRebalance_data() {
    QTest::addColumn<bool>("rebalance");
    QTest::newRow("rebalanced") << true;
    QTest::newRow("not rebalanced") << false;
  }
  void postThenRebalance() {
    QFETCH(bool, rebalance);
    ShowValuations();
    TFvalues* w = ValuationsWindow();
    int pickedKind = 0;
    ScreenHooks().pickAccount = [&](int kind, int) {
      pickedKind = kind;
      return ReadAccount(ids_.fx, SelectedAccount());
    };
    ScriptedPrompter p;
    p.yes("Create FX Gain/Loss transaction - OK?").ask("Rebalance now ?", rebalance ? 'Y' : 'N');
    withModal([w] { QTest::mouseClick(w->postButton(), Qt::LeftButton); },
              [&](QWidget* modal) {
                TFfxpost* f = FxPostForm();
                QCOMPARE(modal, f);
                QCOMPARE(f->windowTitle(), QString("Post FX Gain/Loss"));
                QCOMPARE(f->dateBox()->text(), QString("2024-12-31"));
                QCOMPARE(f->amountBox()->text(), QString("25.00"));
                QVERIFY(f->dateBox()->isReadOnly() && f->amountBox()->isReadOnly());
                QVERIFY(f->categoryBox()->text().isEmpty());
                QCOMPARE(f->categoryBox()->accessibleName(), QString("Category"));
                QTest::mouseClick(f->categoryBox(), Qt::LeftButton);
                QCOMPARE(f->categoryBox()->text(), QString("FX"));
                QTest::mouseClick(f->okButton(), Qt::LeftButton);
              });
    VERIFY_PROMPTS(p);
    QCOMPARE(pickedKind, 3);
    QVERIFY(!FxPostForm()->isVisible());
    QCOMPARE(Session().settings.fxGainLossCtgy, ids_.fx);
    RollbackIfActive();
    QCOMPARE(CountRows("txn", "\"type\" = 'F' and accid1 = ? and amt = 2500 and txndate = ?",
                       {ids_.fx, kTo}),
             1);
    QVERIFY(!w->postButton()->isEnabled());
    if (rebalance) {
      QCOMPARE(figures(), QStringList({"175.00", "50.00", "125.00", "175.00", "0.00"}));
      QCOMPARE(row(w->internalGrid(), 0), QStringList({"FX", "0.00", "25.00"}));
    } else {
      QCOMPARE(figures(), QStringList({"", "", "", "", ""}));
      QCOMPARE(w->externalGrid()->model()->rowCount(), 0);
    }
  }

  void postRefusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("dialog");
    QTest::newRow("frozen") << "frozen" << QStringList{"Cannot post FX gain, database is frozen"}
                            << false;
    QTest::newRow("no category") << "" << QStringList{"Account not specified"} << true;
    QTest::newRow("F at To") << "posted"
                             << QStringList{"This FX gain/loss is included in that already "
                                            "posted on 2024-12-31"}
                             << false;
    QTest::newRow("pending since opening") << "pending" << QStringList{"Rebalance needed"} << false;
  }
  void postRefusals() {
    QFETCH(QString, setup);
    QFETCH(QStringList, messages);
    QFETCH(bool, dialog);
    int before = 0;
    if (setup == "posted") {
      {
        ScriptedPrompter quiet;
        QVERIFY(WriteFxGainLoss(kTo, 2500, ids_.fx));
      }
      QVERIFY(Rebalance());
      // At 1.25 on To the dollars are worth less again: a difference, but after that posting.
      exec("update rate set rate = 1.25 where rdate = 20241231");
      QVERIFY(CommitIfActive());
      before = 1;
    }
    ShowValuations();
    TFvalues* w = ValuationsWindow();
    QVERIFY(w->isVisible());
    QVERIFY(w->postButton()->isEnabled());
    if (setup == "frozen") Session().settings.dbFrozen = true;
    if (setup == "pending") SetRebalanceNeeded(true);
    ScriptedPrompter p;
    if (dialog) {
      p.yes("Create FX Gain/Loss transaction - OK?").info(messages.first());
      withModal([w] { QTest::mouseClick(w->postButton(), Qt::LeftButton); },
                [](QWidget*) {
                  TFfxpost* f = FxPostForm();
                  QTest::mouseClick(f->okButton(), Qt::LeftButton);
                  QVERIFY(f->isVisible());  // the dialog stays
                  f->closeAction()->trigger();
                });
    } else {
      for (const QString& m : messages) p.info(m);
      QTest::mouseClick(w->postButton(), Qt::LeftButton);
    }
    VERIFY_PROMPTS(p);
    QCOMPARE(fxTxns(), before);
  }
};

QTEST_MAIN(TstValuationWindow)
#include "tst_valuation_window.moc"
