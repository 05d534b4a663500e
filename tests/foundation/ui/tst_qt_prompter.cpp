#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "foundation/ui/choice_box.h"
#include "foundation/ui/flash_window.h"
#include "foundation/ui/qt_prompter.h"

namespace {

// What a shown box looked like, and what the test did with it.
struct Seen {
  QString title;
  QString text;
  QStringList buttons;
  Qt::TextFormat format = Qt::AutoText;
  bool onTop = false;
  QPoint pos;
};

// Handles the next modal box once its event loop runs: records it, then acts on it.
void onNextBox(Seen& seen, std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [&seen, act] {
    QWidget* w = QApplication::activeModalWidget();
    QVERIFY(w);
    seen.title = w->windowTitle();
    seen.pos = w->pos();
    seen.onTop = w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      seen.text = box->text();
      seen.format = box->textFormat();
      for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
      seen.buttons.sort();
    } else if (auto* choice = qobject_cast<TFChoice*>(w)) {
      seen.text = choice->textLabel()->text();
      seen.format = choice->textLabel()->textFormat();
      for (QAbstractButton* b : {choice->button1(), choice->button2(), choice->cancelButton()})
        seen.buttons << b->text();
      seen.buttons.sort();
    }
    act(w);
  });
}

QAbstractButton* buttonNamed(QWidget* w, const QString& text) {
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

void click(QWidget* w, const QString& text) {
  QAbstractButton* b = buttonNamed(w, text);
  QVERIFY2(b, qPrintable("no button " + text));
  b->click();
}

}  // namespace

class TstQtPrompter : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void placement_data();
  void placement();
  void draggedBoxIsRemembered();
  void caption();
  void boxesLookAndAnswer();
  void boxesOpenWhereTheUserLeftThem();
  void busyCursorFollowsDepth();
  void simpleInputAndChoice();
  void flashAppendsAndCloses();
};

void TstQtPrompter::placement_data() {
  QTest::addColumn<QPoint>("pointer");
  QTest::addColumn<bool>("remembered");
  QTest::addColumn<QPoint>("lastPointer");
  QTest::addColumn<QPoint>("lastBox");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<QPoint>("expected");
  QTest::addColumn<QPoint>("rememberedBox");
  const QSize box(200, 100);
  QTest::newRow("first box at the pointer")
      << QPoint(50, 60) << false << QPoint() << QPoint() << box << QPoint(50, 60) << QPoint(50, 60);
  QTest::newRow("pointer still: where the last box was left")
      << QPoint(50, 60) << true << QPoint(50, 60) << QPoint(400, 300) << box << QPoint(400, 300)
      << QPoint(400, 300);
  QTest::newRow("pointer moved: at the pointer")
      << QPoint(51, 60) << true << QPoint(50, 60) << QPoint(400, 300) << box << QPoint(51, 60)
      << QPoint(51, 60);
  QTest::newRow("right edge") << QPoint(950, 60) << false << QPoint() << QPoint() << box
                              << QPoint(800, 60) << QPoint(950, 60);
  QTest::newRow("bottom edge") << QPoint(50, 750) << false << QPoint() << QPoint() << box
                               << QPoint(50, 700) << QPoint(50, 750);
  QTest::newRow("corner") << QPoint(999, 799) << false << QPoint() << QPoint() << box
                          << QPoint(800, 700) << QPoint(999, 799);
  QTest::newRow("left remembered box kept on screen")
      << QPoint(5, 5) << true << QPoint(5, 5) << QPoint(950, 780) << box << QPoint(800, 700)
      << QPoint(950, 780);
}

void TstQtPrompter::placement() {
  QFETCH(QPoint, pointer);
  QFETCH(bool, remembered);
  QFETCH(QPoint, lastPointer);
  QFETCH(QPoint, lastBox);
  QFETCH(QSize, size);
  QFETCH(QPoint, expected);
  QFETCH(QPoint, rememberedBox);
  MessagePlacement memory{remembered, lastPointer, lastBox};
  QCOMPARE(PlaceMessageBox(QRect(0, 0, 1000, 800), pointer, size, memory), expected);
  QCOMPARE(memory.box, rememberedBox);
}

void TstQtPrompter::draggedBoxIsRemembered() {
  const QRect screen(0, 0, 1000, 800);
  const QSize size(200, 100);
  MessagePlacement memory;

  QPoint at = PlaceMessageBox(screen, {100, 100}, size, memory);
  RememberMessageBoxClosed(memory, {120, 130}, at, at);  // OK clicked, box not dragged
  // The pointer has not moved since: the next box stands where this one stood.
  QCOMPARE(PlaceMessageBox(screen, {120, 130}, size, memory), QPoint(100, 100));

  at = PlaceMessageBox(screen, {300, 300}, size, memory);
  RememberMessageBoxClosed(memory, {300, 300}, at, {600, 50});  // dragged aside, key pressed
  QCOMPARE(PlaceMessageBox(screen, {300, 300}, size, memory), QPoint(600, 50));
  QCOMPARE(PlaceMessageBox(screen, {300, 300}, size, memory), QPoint(600, 50));
  QCOMPARE(PlaceMessageBox(screen, {301, 300}, size, memory), QPoint(301, 300));
}

void TstQtPrompter::caption() {
  SetProgramTitle("VORBEK2");
  QCOMPARE(MessageCaption(), QString("VORBEK2"));
  SetMessageCaptionOverride("Notepad");
  QCOMPARE(MessageCaption(), QString(" Notepad"));
  SetMessageCaptionOverride(QString());
  QCOMPARE(MessageCaption(), QString("VORBEK2"));
}

void TstQtPrompter::boxesLookAndAnswer() {
  QtPrompter prompter;
  InstallPrompter(&prompter);
  SetProgramTitle("VORBEK2");
  QCursor::setPos(120, 80);
  Seen info, question, closed, plain;

  onNextBox(info, [](QWidget* w) { click(w, "OK"); });
  ShowInfo("R&D <b>costs</b>");
  QCOMPARE(info.title, QString("VORBEK2"));
  QCOMPARE(info.text, QString("R&D <b>costs</b>"));
  QCOMPARE(info.format, Qt::PlainText);
  QCOMPARE(info.buttons, QStringList{"OK"});
  QVERIFY(info.onTop);
  QCOMPARE(info.pos, QPoint(120, 80));

  SetMessageCaptionOverride("Notepad");
  onNextBox(question, [](QWidget* w) { click(w, "&No"); });
  QCOMPARE(AskYesNoCancel("Save & close?"), 'N');
  SetMessageCaptionOverride(QString());
  QCOMPARE(question.title, QString(" Notepad"));
  QCOMPARE(question.buttons, (QStringList{"&No", "&Yes", "Cancel"}));
  QVERIFY(!question.onTop);

  onNextBox(closed, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  QCOMPARE(AskYesNoCancel("Go?"), 'C');
  Seen yes;
  onNextBox(yes, [](QWidget* w) { click(w, "&Yes"); });
  QVERIFY(AskYes("Go?"));

  onNextBox(plain, [](QWidget* w) { click(w, "OK"); });
  ShowPlainInfo("Invalid amount \"1.5\"");
  QCOMPARE(plain.text, QString("Invalid amount \"1.5\""));
  QCOMPARE(plain.title, QString("VORBEK2"));
  QVERIFY(!plain.onTop);
  InstallPrompter(nullptr);
}

void TstQtPrompter::boxesOpenWhereTheUserLeftThem() {
  QtPrompter prompter;
  InstallPrompter(&prompter);
  Seen first, second, third;
  QCursor::setPos(200, 150);

  onNextBox(first, [](QWidget* w) {
    w->move(40, 30);  // the user drags the box aside and answers with a key
    QTest::keyClick(w, Qt::Key_Return);
  });
  ShowInfo("first");
  QCOMPARE(first.pos, QPoint(200, 150));

  onNextBox(second, [](QWidget* w) { click(w, "OK"); });
  ShowInfo("second");
  QCOMPARE(second.pos, QPoint(40, 30));

  QCursor::setPos(210, 150);
  onNextBox(third, [](QWidget* w) { click(w, "OK"); });
  ShowInfo("third");
  QCOMPARE(third.pos, QPoint(210, 150));
  InstallPrompter(nullptr);
}

void TstQtPrompter::busyCursorFollowsDepth() {
  QtPrompter prompter;
  InstallPrompter(&prompter);
  QVERIFY(!QApplication::overrideCursor());
  BusyOn();
  BusyOn();
  QVERIFY(QApplication::overrideCursor());
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  BusyOff();
  QVERIFY(QApplication::overrideCursor());
  BusyOff();
  QVERIFY(!QApplication::overrideCursor());
  BusyOff();  // not below zero, nothing more to restore
  QVERIFY(!QApplication::overrideCursor());

  BusyOn();
  BusyOn();
  BusyReset();
  QVERIFY(!QApplication::overrideCursor());
  QCOMPARE(BusyDepth(), 0);
  InstallPrompter(nullptr);
}

void TstQtPrompter::simpleInputAndChoice() {
  QtPrompter prompter;
  InstallPrompter(&prompter);
  Seen input, choice, cancelled;

  onNextBox(input, [](QWidget* w) {
    auto* edit = w->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->selectedText(), QString("old"));
    QCOMPARE(edit->maxLength(), 5);
    QTest::keyClicks(edit, "new value");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  QString text = "old";
  QVERIFY(AskTextMax("Name & place", text, 5));
  QCOMPARE(text, QString("new v"));

  onNextBox(choice, [](QWidget* w) { click(w, "Second"); });
  QCOMPARE(AskChoice("Which one?", "First", "Second"), 2);
  QCOMPARE(choice.buttons, (QStringList{"Cancel", "First", "Second"}));
  QCOMPARE(choice.text, QString("Which one?"));

  onNextBox(cancelled, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  QCOMPARE(AskChoice("Which one?", "First", "Second"), 0);
  InstallPrompter(nullptr);
}

void TstQtPrompter::flashAppendsAndCloses() {
  QtPrompter prompter;
  InstallPrompter(&prompter);
  SetFlashInterval(500);

  Flash("Saved");
  TFFlash* w = TheFlashWindow();
  QVERIFY(w);
  QVERIFY(w->isVisible());
  QCOMPARE(w->shownText(), QString("Saved"));
  QVERIFY(w->width() >= 120);
  Flash("Posted");  // still up: the second line is added
  QCOMPARE(w->shownText(), QString("Saved\r\nPosted"));
  QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 3000);

  Flash("Later");  // the timed one has gone: a fresh text
  QCOMPARE(w->shownText(), QString("Later"));
  FlashKeep("working 1");
  FlashKeep("working 2");
  QCOMPARE(w->shownText(), QString("working 2"));
  QTest::qWait(800);  // kept messages have no time limit
  QVERIFY(w->isVisible());
  FlashClose();
  QVERIFY(!w->isVisible());
  InstallPrompter(nullptr);
}

QTEST_MAIN(TstQtPrompter)
#include "tst_qt_prompter.moc"
