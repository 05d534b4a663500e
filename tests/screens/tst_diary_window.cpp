// The "Diary entry" window driven offscreen against real books: the calendar
// buttons fill the date box, "Add" (or Enter) writes and commits the entry and
// closes the window, its boxes keep their text, a dateless entry is refused
// with the window left open, and "Cancel" or "Close" write nothing.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "screens/transactions/diary_window.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

class TstDiaryWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  TFDiary* w_ = nullptr;

  int diaryRows() { return CountRows("txn", "\"type\" = 'D'"); }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ShowDiaryEntryWindow(nullptr);
    w_ = TheDiaryWindow();
    QVERIFY(w_->isVisible());
    QCOMPARE(w_->windowTitle(), QString("Diary entry"));
    QVERIFY(!w_->isModal());
  }
  void cleanup() {
    w_->hide();
    books_.reset();
  }

  void add_data() {
    QTest::addColumn<int>("calendarButton");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("first Calendar, Add clicked") << 0 << false;
    QTest::newRow("second Calendar, Enter") << 1 << true;
  }
  void add() {
    QFETCH(int, calendarButton);
    QFETCH(bool, byEnter);
    w_->dateBox()->clear();
    ScriptedPrompter p;
    p.date(QString(), 20240410);
    QTest::mouseClick(w_->calendarButton(calendarButton), Qt::LeftButton);
    QCOMPARE(w_->dateBox()->text(), QString("2024-04-10 (Wed)"));
    w_->descriptionBox()->setText("Boiler serviced");
    if (byEnter)
      QTest::keyClick(w_->descriptionBox(), Qt::Key_Return);
    else
      QTest::mouseClick(w_->addButton(), Qt::LeftButton);
    VERIFY_PROMPTS(p);
    QVERIFY(!w_->isVisible());

    // Committed at once: dropping the open work keeps the entry.
    RollbackIfActive();
    QSqlQuery q = RunQuery(
        "select t.id, t.txndate, t.narrative, p.objid, p.amt, p.pstgdate from txn t "
        "join pstg p on p.txnid = t.id where t.\"type\" = 'D'");
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toInt(), 20240410);
    QCOMPARE(q.value(2).toString(), QString("Boiler serviced"));
    QCOMPARE(q.value(3).toInt(), 0);
    QCOMPARE(q.value(4).toLongLong(), 0LL);
    QCOMPARE(q.value(5).toInt(), 20240410);
    QVERIFY(!q.next());

    // Shown again, the boxes still hold what was typed.
    ShowDiaryEntryWindow(nullptr);
    QCOMPARE(w_->dateBox()->text(), QString("2024-04-10 (Wed)"));
    QCOMPARE(w_->descriptionBox()->text(), QString("Boiler serviced"));
  }

  void descriptionTakes40Characters() {
    w_->descriptionBox()->clear();
    QTest::keyClicks(w_->descriptionBox(), QString(45, QChar('x')));
    QCOMPARE(w_->descriptionBox()->text(), QString(40, QChar('x')));
  }

  void datelessEntryRefused() {
    w_->dateBox()->setText("10/04/2024");
    w_->descriptionBox()->setText("Note");
    ScriptedPrompter p;
    p.info("Invalid date \"10/04/2024\"");
    QTest::mouseClick(w_->addButton(), Qt::LeftButton);
    VERIFY_PROMPTS(p);
    QVERIFY(w_->isVisible());
    QCOMPARE(diaryRows(), 0);
  }

  void closeWithoutWriting_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Close") << true;
  }
  void closeWithoutWriting() {
    QFETCH(bool, byMenu);
    w_->dateBox()->setText("2024-04-10");
    w_->descriptionBox()->setText("Not wanted");
    ScriptedPrompter p;
    if (byMenu)
      w_->closeAction()->trigger();
    else
      QTest::mouseClick(w_->cancelButton(), Qt::LeftButton);
    VERIFY_PROMPTS(p);
    QVERIFY(!w_->isVisible());
    QCOMPARE(diaryRows(), 0);
  }
};

QTEST_MAIN(TstDiaryWindow)
#include "tst_diary_window.moc"
