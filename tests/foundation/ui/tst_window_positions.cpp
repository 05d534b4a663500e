#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

#include "foundation/ui/window_positions.h"
#include "store/inifile.h"
#include "support/scripted_prompter.h"

namespace {

QString ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void WriteAll(const QString& path, const QString& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
}

}  // namespace

class TestWindowPositions : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString ini() const { return dir_.filePath(QStringLiteral("ZADEZEVU.INI")); }

 private Q_SLOTS:
  void init() {
    QFile::remove(ini());
    SetBalancesAlwaysFit(true);
    SetPostingsAlwaysFit(true);
  }

  void roundTripIncludingMaximised() {
    WriteAll(ini(), QStringLiteral("[main]\r\nBaseCcy=GBP\r\n"));
    {
      auto normal = std::make_unique<QWidget>();
      auto big = std::make_unique<QWidget>();
      auto fixed = std::make_unique<QWidget>();
      auto unseen = std::make_unique<QWidget>();
      RegisterWindowPosition(normal.get(), QStringLiteral("FAccs"));
      RegisterWindowPosition(big.get(), QStringLiteral("FPstgs"));
      RegisterWindowPosition(fixed.get(), QStringLiteral("FCtrl"));
      RegisterWindowPosition(unseen.get(), QStringLiteral("FRates"));
      normal->setGeometry(30, 40, 300, 200);
      normal->show();
      big->setGeometry(50, 60, 320, 240);
      big->show();
      big->showMaximized();
      QTRY_VERIFY(big->isMaximized());
      fixed->setFixedSize(200, 150);
      fixed->setGeometry(70, 80, 200, 150);
      fixed->show();
      SetPostingsAlwaysFit(false);

      ScriptedPrompter p;
      QVERIFY(SaveWindowPositions(ini()));
      QCOMPARE(p.flashes().value(0), QStringLiteral("Saving settings ( see ZADEZEVU.INI )"));
      VERIFY_PROMPTS(p);
    }
    const QString text = ReadAll(ini());
    QVERIFY2(text.startsWith(QStringLiteral("[main]\r\nBaseCcy=GBP\r\n")), qPrintable(text));
    const IniFile file(ini());
    QCOMPARE(file.readString("forms", "FPstgs-Maximized", "?"), QStringLiteral("1"));
    QCOMPARE(file.readInteger("forms", "FPstgs-W", -1), 320);  // the normal size
    QCOMPARE(file.readString("forms", "FAccs-Maximized", "?"), QStringLiteral("0"));
    QCOMPARE(file.readString("forms", "FPSTGSALWAYSFIT", "?"), QStringLiteral("0"));
    QCOMPARE(file.readString("forms", "FBALSALWAYSFIT", "?"), QStringLiteral("1"));
    QVERIFY(!file.hasKey("forms", "FRates-T"));  // never shown: nothing to store

    // The next start: new windows, positions loaded.
    SetPostingsAlwaysFit(true);
    auto normal = std::make_unique<QWidget>();
    auto big = std::make_unique<QWidget>();
    auto fixed = std::make_unique<QWidget>();
    fixed->setFixedSize(200, 150);
    RegisterWindowPosition(normal.get(), QStringLiteral("FAccs"));
    RegisterWindowPosition(big.get(), QStringLiteral("FPstgs"));
    RegisterWindowPosition(fixed.get(), QStringLiteral("FCtrl"));
    QVERIFY(LoadWindowPositions(ini()));
    QCOMPARE(normal->geometry(), QRect(30, 40, 300, 200));
    QVERIFY(!normal->isMaximized());
    QVERIFY(big->isMaximized());
    QCOMPARE(big->normalGeometry(), QRect(50, 60, 320, 240));
    QCOMPARE(fixed->geometry(), QRect(70, 80, 200, 150));
    QVERIFY(!PostingsAlwaysFit());
    QVERIFY(BalancesAlwaysFit());

    // A window made after the start-up load gets its place when it registers.
    auto late = std::make_unique<QWidget>();
    RegisterWindowPosition(late.get(), QStringLiteral("FAccs"));
    QCOMPARE(late->geometry(), QRect(30, 40, 300, 200));
  }

  void storedValuesOnLoad_data() {
    QTest::addColumn<QString>("forms");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<bool>("fixedSize");
    const QRect start(20, 30, 200, 100);
    const QString all = QStringLiteral("FX-T=5\nFX-L=6\nFX-H=150\nFX-W=250\nFX-Maximized=0\n");
    QTest::newRow("all given") << all << QRect(6, 5, 250, 150) << false << false;
    QTest::newRow("a fixed size stays") << all << QRect(6, 5, 200, 100) << false << true;
    QTest::newRow("beyond the screen gives 0") << "FX-T=99999\nFX-L=99999\n"
                                               << QRect(0, 0, 200, 100) << false << false;
    QTest::newRow("negative values are not applied") << "FX-T=-1\nFX-L=-5\nFX-H=-1\nFX-W=-1\n"
                                                     << start << false << false;
    QTest::newRow("written as true") << "FX-Maximized=true\n" << start << true << false;
    QTest::newRow("nothing stored") << "" << start << false << false;
  }
  void storedValuesOnLoad() {
    QFETCH(QString, forms);
    QFETCH(QRect, expected);
    QFETCH(bool, maximized);
    QFETCH(bool, fixedSize);
    WriteAll(ini(), QStringLiteral("[Forms]\n") + forms);
    QWidget w;
    if (fixedSize) w.setFixedSize(200, 100);
    w.setGeometry(20, 30, 200, 100);
    RegisterWindowPosition(&w, QStringLiteral("FX"));
    QVERIFY(LoadWindowPositions(ini()));
    QCOMPARE(w.isMaximized(), maximized);
    QCOMPARE(maximized ? w.normalGeometry() : w.geometry(), expected);
  }

  void missingFileLeavesWindowsAlone() {
    QWidget w;
    w.setGeometry(20, 30, 200, 100);
    RegisterWindowPosition(&w, QStringLiteral("FY"));
    QVERIFY(!LoadWindowPositions(dir_.filePath(QStringLiteral("none.ini"))));
    QCOMPARE(w.geometry(), QRect(20, 30, 200, 100));
  }
};

QTEST_MAIN(TestWindowPositions)
#include "tst_window_positions.moc"
