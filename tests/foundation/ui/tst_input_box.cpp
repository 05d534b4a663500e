#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "foundation/messages.h"
#include "foundation/ui/choice_box.h"
#include "foundation/ui/input_box.h"
#include "foundation/ui/qt_prompter.h"

namespace {

// Acts on the next modal box of type Box once its event loop runs.
template <class Box>
void OnNextBox(std::function<void(Box*)> act) {
  QTimer::singleShot(0, [act] {
    auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
    QVERIFY2(box, "the expected box did not open");
    act(box);
  });
}

}  // namespace

class TestInputBox : public QObject {
  Q_OBJECT
 private:
  QtPrompter* prompter_ = nullptr;

 private Q_SLOTS:
  void initTestCase() {
    prompter_ = new QtPrompter();
    InstallPrompter(prompter_);
  }
  void cleanupTestCase() {
    InstallPrompter(nullptr);
    delete prompter_;
  }
  void init() {
    // A fresh pointer position, so that no earlier box's place is reused.
    static int step = 0;
    ++step;
    QCursor::setPos(100 + 7 * step, 90 + 5 * step);
  }

  void askInt_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("result");
    QTest::newRow("0 shows an empty box, OK gives 0") << 0 << "" << true << "" << true << 0;
    QTest::newRow("abc gives false") << 0 << "abc" << true << "" << false << 0;
    QTest::newRow("abc leaves n as it was") << 9 << "abc" << true << "9" << false << 9;
    QTest::newRow("n shown and kept") << 42 << "" << true << "42" << true << 42;
    QTest::newRow("typing replaces the selected n") << 5 << "17" << true << "5" << true << 17;
    QTest::newRow("negative n shows an empty box") << -3 << "" << true << "" << true << 0;
    QTest::newRow("negative typed") << 0 << "-12" << true << "" << true << -12;
    QTest::newRow("cancel") << 5 << "8" << false << "5" << false << 5;
  }
  void askInt() {
    QFETCH(int, n);
    QFETCH(QString, typed);
    QFETCH(bool, pressOk);
    QFETCH(QString, shown);
    QFETCH(bool, ok);
    QFETCH(int, result);
    QString seenText;
    QString seenSelected;
    OnNextBox<TFInputBox>([&](TFInputBox* box) {
      seenText = box->edit()->text();
      seenSelected = box->edit()->selectedText();
      QTest::keyClicks(box->edit(), typed);
      if (pressOk)
        QTest::keyClick(box->edit(), Qt::Key_Return);  // "OK" is the default button
      else
        box->cancelButton()->click();
    });
    int value = n;
    QCOMPARE(AskInt(QStringLiteral("Enter year"), value), ok);
    QCOMPARE(value, result);
    QCOMPARE(seenText, shown);
    QCOMPARE(seenSelected, shown);  // the whole text is selected
  }

  void promptLines() {
    bool borderless = false;
    QString prompt, line2, editName;
    Qt::TextFormat format = Qt::AutoText;
    bool line2Visible = false;
    qreal promptSize = 0, line2Size = 0;
    int width = 0, wanted = 0;
    OnNextBox<TFInputBox>([&](TFInputBox* box) {
      borderless = box->windowFlags().testFlag(Qt::FramelessWindowHint);
      prompt = box->promptLabel()->text();
      format = box->promptLabel()->textFormat();
      line2 = box->line2Label()->text();
      line2Visible = box->line2Label()->isVisible();
      promptSize = box->promptLabel()->font().pointSizeF();
      line2Size = box->line2Label()->font().pointSizeF();
      editName = box->edit()->accessibleName();
      width = box->width();
      wanted = box->promptLabel()->fontMetrics().horizontalAdvance(prompt) + 2 * 12 + 4;
      QCOMPARE(box->okButton()->text(), QStringLiteral("OK"));
      QCOMPARE(box->cancelButton()->text(), QStringLiteral("Cancel"));
      box->cancelButton()->click();
    });
    QString text = QStringLiteral("x");
    const QString longPrompt =
        QStringLiteral("Search for the Smith & Jones account among all the accounts of the books");
    QVERIFY(!AskText2(longPrompt, QStringLiteral("(afterwards use F3 for Find Next)"), text, 1));
    QVERIFY(borderless);
    QCOMPARE(prompt, longPrompt);  // "&" shown as it is
    QCOMPARE(editName, longPrompt);  // a screen reader names the box by its prompt
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(line2Visible);
    QCOMPARE(line2, QStringLiteral("(afterwards use F3 for Find Next)"));
    QVERIFY(promptSize > line2Size);  // emphasis 1: the first line is larger
    QVERIFY2(width >= wanted, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(wanted)));

    // One line: the second is hidden.
    OnNextBox<TFInputBox>([&](TFInputBox* box) {
      line2Visible = box->line2Label()->isVisible();
      box->okButton()->click();
    });
    QVERIFY(AskText(QStringLiteral("Name"), text));
    QVERIFY(!line2Visible);
    QCOMPARE(text, QStringLiteral("x"));
  }

  void maxLength() {
    OnNextBox<TFInputBox>([](TFInputBox* box) {
      QTest::keyClicks(box->edit(), QStringLiteral("ABCDEF"));
      box->okButton()->click();
    });
    QString code;
    QVERIFY(AskTextMax(QStringLiteral("Currency code"), code, 3));
    QCOMPARE(code, QStringLiteral("ABC"));
  }

  void opensAtThePointerAndWhereItWasLeft() {
    const QPoint pointer = QCursor::pos();
    QPoint first;
    OnNextBox<TFInputBox>([&](TFInputBox* box) {
      first = box->pos();
      // Dragged by its background, then closed without touching the mouse again.
      const QPoint grab(4, 4);
      QTest::mousePress(box, Qt::LeftButton, {}, grab);
      QTest::mouseMove(box, grab + QPoint(30, 20));
      QTest::mouseRelease(box, Qt::LeftButton, {}, grab + QPoint(30, 20));
      QCursor::setPos(pointer);
      box->okButton()->click();
    });
    QString text;
    QVERIFY(AskText(QStringLiteral("First"), text));
    QCOMPARE(first, pointer);
    QPoint second;
    OnNextBox<TFInputBox>([&](TFInputBox* box) {
      second = box->pos();
      box->okButton()->click();
    });
    QVERIFY(AskText(QStringLiteral("Second"), text));
    QCOMPARE(second, first + QPoint(30, 20));
  }

  void choices_data() {
    QTest::addColumn<int>("press");  // 1, 2, 0 = Cancel, -1 = Escape
    QTest::addColumn<int>("result");
    QTest::newRow("first option") << 1 << 1;
    QTest::newRow("second option") << 2 << 2;
    QTest::newRow("cancel") << 0 << 0;
    QTest::newRow("escape") << -1 << 0;
  }
  void choices() {
    QFETCH(int, press);
    QFETCH(int, result);
    QString text, b1, b2, cancel;
    bool wraps = false;
    OnNextBox<TFChoice>([&](TFChoice* box) {
      text = box->textLabel()->text();
      wraps = box->textLabel()->wordWrap();
      b1 = box->button1()->text();
      b2 = box->button2()->text();
      cancel = box->cancelButton()->text();
      if (press == 1) box->button1()->click();
      if (press == 2) box->button2()->click();
      if (press == 0) box->cancelButton()->click();
      if (press == -1) QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(AskChoice(QStringLiteral("Copy R&D ledger"), QStringLiteral("Move"),
                       QStringLiteral("Copy")),
             result);
    QCOMPARE(text, QStringLiteral("Copy R&D ledger"));
    QVERIFY(wraps);
    QCOMPARE(b1, QStringLiteral("Move"));
    QCOMPARE(b2, QStringLiteral("Copy"));
    QCOMPARE(cancel, QStringLiteral("Cancel"));
  }

  void choiceBoxReopensWhereItWasLeft() {
    MessagePlacement memory;
    const QPoint pointer = QCursor::pos();
    OnNextBox<TFChoice>([&](TFChoice* box) {
      box->move(box->pos() + QPoint(40, 10));  // the user moved it
      box->button1()->click();
    });
    QCOMPARE(RunChoiceBox(QStringLiteral("a"), QStringLiteral("x"), QStringLiteral("y"), &memory),
             1);
    QPoint again;
    OnNextBox<TFChoice>([&](TFChoice* box) {
      again = box->pos();
      box->button2()->click();
    });
    QCOMPARE(RunChoiceBox(QStringLiteral("b"), QStringLiteral("x"), QStringLiteral("y"), &memory),
             2);
    QCOMPARE(again, pointer + QPoint(40, 10));
    // Once the pointer moved, the box follows it again.
    QCursor::setPos(pointer + QPoint(5, 5));
    OnNextBox<TFChoice>([&](TFChoice* box) {
      again = box->pos();
      box->cancelButton()->click();
    });
    QCOMPARE(RunChoiceBox(QStringLiteral("c"), QStringLiteral("x"), QStringLiteral("y"), &memory),
             0);
    QCOMPARE(again, pointer + QPoint(5, 5));
  }
};

QTEST_MAIN(TestInputBox)
#include "tst_input_box.moc"
