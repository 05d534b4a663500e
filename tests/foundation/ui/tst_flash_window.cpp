#include <QApplication>
#include <QtTest>

#include "foundation/messages.h"
#include "foundation/ui/flash_window.h"

class TestFlashWindow : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void cleanup() {
    SetFlashInterval(1500);
    TheFlashWindow()->flash(QString(), FlashMode::Close);
  }

  void durations_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("ms");
    QTest::newRow("40 characters at 1500") << 40 << 1500 << 3000;
    QTest::newRow("20 characters: the interval") << 20 << 1500 << 1500;
    QTest::newRow("21 characters") << 21 << 1500 << 21 * 75;
    QTest::newRow("short at 500") << 5 << 500 << 500;
    QTest::newRow("interval not a multiple of 20") << 30 << 1010 << 30 * 50;
  }
  void durations() {
    QFETCH(int, length);
    QFETCH(int, interval);
    QFETCH(int, ms);
    SetFlashInterval(interval);
    TFFlash* w = TheFlashWindow();
    w->flash(QString(length, QLatin1Char('x')), FlashMode::Timed);
    QVERIFY(w->isVisible());
    QCOMPARE(w->lastDurationMs(), ms);
    QVERIFY(w->remainingMs() > 0);  // its timer runs
  }

  void quickFlashesShowBothLines() {
    TFFlash* w = TheFlashWindow();
    w->flash(QStringLiteral("Exported OK"), FlashMode::Timed);
    w->flash(QStringLiteral("Flash interval updated OK"), FlashMode::Timed);
    QCOMPARE(w->shownText(), QStringLiteral("Exported OK\r\nFlash interval updated OK"));
    // The display time starts again with that of the new message (25 characters).
    QCOMPARE(w->lastDurationMs(), 25 * 75);
    QVERIFY(w->height() > w->fontMetrics().height() * 2);
  }

  void timedFlashCloses() {
    SetFlashInterval(500);
    TFFlash* w = TheFlashWindow();
    w->flash(QStringLiteral("Gone soon"), FlashMode::Timed);
    QVERIFY(w->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 3000);
    // After it ran out, the next flash starts afresh instead of appending.
    w->flash(QStringLiteral("Next"), FlashMode::Timed);
    QCOMPARE(w->shownText(), QStringLiteral("Next"));
  }

  void statusAndKeepStay() {
    TFFlash* w = TheFlashWindow();
    w->flash(QStringLiteral("Saving settings ( see ZADEZEVU.INI )"), FlashMode::Status);
    QCOMPARE(w->lastDurationMs(), -1);
    QCOMPARE(w->remainingMs(), -1);
    // A timed flash over a status message replaces it rather than adding to it.
    w->flash(QStringLiteral("Done"), FlashMode::Timed);
    QCOMPARE(w->shownText(), QStringLiteral("Done"));

    w->flash(QStringLiteral("Row 1"), FlashMode::Keep);
    const QPoint placed(40, 50);
    w->move(placed);
    w->flash(QStringLiteral("Row 2"), FlashMode::Keep);
    QCOMPARE(w->shownText(), QStringLiteral("Row 2"));
    QCOMPARE(w->pos(), placed);  // only the text changed
    QCOMPARE(w->remainingMs(), -1);

    w->flash(QString(), FlashMode::Keep);  // an empty text closes
    QVERIFY(!w->isVisible());
  }

  void sizeFollowsTheText() {
    QCOMPARE(FlashWindowSize(QSize(30, 14)), QSize(120, 20));
    QCOMPARE(FlashWindowSize(QSize(300, 14)), QSize(320, 20));
    TFFlash* w = TheFlashWindow();
    w->flash(QStringLiteral("OK"), FlashMode::Status);
    QCOMPARE(w->width(), 120);
    const QString longText(80, QLatin1Char('m'));
    w->flash(longText, FlashMode::Status);
    QCOMPARE(w->width(), w->fontMetrics().horizontalAdvance(longText) + 20);
  }

  void neverTakesTheFocus() {
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    TFFlash* w = TheFlashWindow();
    w->flash(QStringLiteral("Flash messages require no action"), FlashMode::Timed);
    QVERIFY(w->testAttribute(Qt::WA_ShowWithoutActivating));
    QCOMPARE(QApplication::activeWindow(), &other);
  }
};

QTEST_MAIN(TestFlashWindow)
#include "tst_flash_window.moc"
