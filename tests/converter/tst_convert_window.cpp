// trelg's window, driven offscreen: the target check at start-up, choosing the
// source, and a conversion from the buttons to the closed window.
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "converter/conversion.h"
#include "converter/convert_window.h"
#include "old_tables.h"
#include "shell/startup.h"
#include "store/db.h"
#include "store/inifile.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

// Runs a check of the window at the moment a message box would come up.
class WatchingPrompter : public ScriptedPrompter {
 public:
  std::function<void(const QString&)> onInfo;
  void showInfo(const QString& text, bool plain) override {
    if (onInfo) onInfo(text);
    ScriptedPrompter::showInfo(text, plain);
  }
};

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

const char* kQuestion = "OK to convert from Source to Target ?";

}  // namespace

class TstConvertWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { CloseConnection(); }

  void caption() {
    TFConvert w(QStringLiteral("/nonexistent/"));
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Vorbek database conversion from Paradox to Firebird"));
  }

  void targetAtStartingVersion() {
    TestBooks target(19, TestBooks::Closed);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.start();
    VERIFY_PROMPTS(p);
    QCOMPARE(w.targetText(), target.dbPath());
    QCOMPARE(w.statusText(), QString());
    QVERIFY(w.selectButton()->isEnabled());
    QVERIFY(!w.convertButton()->isEnabled());  // until a source is chosen
  }

  void wrongTargetVersion_data() {
    QTest::addColumn<QByteArray>("settings");  // empty: no settings file at all
    QTest::addColumn<int>("found");
    QTest::newRow("converted already") << QByteArray("[main]\nDBvn=20\nRebalNeeded=1\n") << 20;
    QTest::newRow("in use") << QByteArray("[main]\nDBvn=-1\nBaseCurrency=GBP\n") << -1;
    QTest::newRow("no version") << QByteArray("[main]\nBaseCurrency=GBP\n") << 0;
    QTest::newRow("no settings file") << QByteArray() << 0;
  }
  void wrongTargetVersion() {
    QFETCH(QByteArray, settings);
    QFETCH(int, found);
    TestBooks target(19, TestBooks::Closed);
    if (settings.isEmpty())
      QVERIFY(QFile::remove(target.iniPath()));
    else
      writeFile(target.iniPath(), settings);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.start();
    VERIFY_PROMPTS(p);
    QCOMPARE(w.statusText(),
             "Target database version error : expected vn 19, found " + QString::number(found));
    QCOMPARE(w.statusColour(), QColor(Qt::red));
    QVERIFY(!w.selectButton()->isEnabled());
    QVERIFY(!w.convertButton()->isEnabled());
  }

  // A data folder without a database is offered the empty starting one.
  void noTargetYet_data() {
    QTest::addColumn<bool>("create");
    QTest::newRow("created") << true;
    QTest::newRow("declined") << false;
  }
  void noTargetYet() {
    QFETCH(bool, create);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/data/";
    ScriptedPrompter p;
    p.ask(NoBooksQuestion(folder), create ? 'Y' : 'N');
    TFConvert w(folder);
    w.start();
    VERIFY_PROMPTS(p);
    QCOMPARE(QFile::exists(folder + "vorbek.fdb"), create);
    QCOMPARE(w.selectButton()->isEnabled(), create);
    if (create) {
      QCOMPARE(TargetSchemaVersion(folder), 19);
      QCOMPARE(w.statusText(), QString());
    } else {
      QCOMPARE(w.statusText(), "No target database " + folder + "vorbek.fdb");
      QCOMPARE(w.statusColour(), QColor(Qt::red));
    }
  }

  void selectSource_data() {
    QTest::addColumn<bool>("withSettings");
    QTest::newRow("old books") << true;
    QTest::newRow("no ZADEZEVU.INI") << false;
  }
  void selectSource() {
    QFETCH(bool, withSettings);
    OldBooks old;
    if (!withSettings) old.setSettings(QString());
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.start();
    p.folder(old.folder());
    if (!withSettings) p.info("Folder does not hold Vorbek data ( looking for ZADEZEVU.INI )");
    w.selectButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(w.convertButton()->isEnabled(), withSettings);
    QCOMPARE(w.sourceText(), withSettings ? old.folder() : QString());
  }

  void selectCancelled() {
    TestBooks target(19, TestBooks::Closed);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.start();
    p.folder(QString());
    w.selectButton()->click();
    VERIFY_PROMPTS(p);
    QVERIFY(!w.convertButton()->isEnabled());
    QCOMPARE(w.sourceText(), QString());
  }

  // Select, Convert, Yes: the countdown shows in a coloured status bar with both
  // buttons disabled, then the status is cleared, "Converted ok", the window closes.
  void convertFromTheButtons() {
    OldBooks old;
    old.add("obj", {{"Id", 1}, {"Name", "Kasse"}, {"Type", 1}});
    old.add("obj", {{"Id", 2}, {"Name", "Miete"}, {"Type", 3}});
    old.add("txn", {{"Id", 1}, {"Txndate", "2020-01-02"}, {"Amt", 100}, {"Type", "P"}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    WatchingPrompter p;
    TFConvert w(target.folder());
    w.show();
    w.start();
    p.folder(old.folder());
    w.selectButton()->click();

    QString statusInRun;
    QColor colourInRun;
    bool buttonsInRun = true;
    QTimer::singleShot(0, &w, [&] {  // runs at the first chance the countdown gives
      statusInRun = w.statusText();
      colourInRun = w.statusColour();
      buttonsInRun = w.selectButton()->isEnabled() || w.convertButton()->isEnabled();
    });
    QString statusAtEnd = "unseen";
    p.onInfo = [&](const QString&) { statusAtEnd = w.statusText(); };
    p.yes(kQuestion).info("Converted ok");
    QSignalSpy done(&w, &TFConvert::converted);
    w.convertButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(statusInRun, QStringLiteral(" OBJ.DB 2"));
    QVERIFY(colourInRun != w.palette().color(QPalette::Window));
    QVERIFY(!buttonsInRun);
    QCOMPARE(statusAtEnd, QString());
    QCOMPARE(done.count(), 1);
    QVERIFY(!w.isVisible());
    QVERIFY(!IsConnected());

    QString error;
    QVERIFY2(OpenTargetDatabase(target.folder(), error), qPrintable(error));
    QCOMPARE(CountAll("ACCOUNT"), 2);
    QCOMPARE(QueryValue("select TXNDATE from TXN where ID=1").toInt(), 20200102);
  }

  // A failed conversion keeps the window, with its buttons, for another try.
  void failedConversionKeepsTheWindow() {
    OldBooks old;
    old.dropField("pstg", "Objid");
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.show();
    w.start();
    p.folder(old.folder());
    w.selectButton()->click();
    p.yes(kQuestion).info(
        "Conversion failed : PSTG.DB has no field Objid\rThe target has not been changed.");
    w.convertButton()->click();
    VERIFY_PROMPTS(p);
    QVERIFY(w.isVisible());
    QVERIFY(w.selectButton()->isEnabled());
    QVERIFY(w.convertButton()->isEnabled());
    QCOMPARE(TargetSchemaVersion(target.folder()), 19);
  }

  void declinedQuestion() {
    OldBooks old;
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    ScriptedPrompter p;
    TFConvert w(target.folder());
    w.show();
    w.start();
    p.folder(old.folder());
    w.selectButton()->click();
    p.no(kQuestion);
    w.convertButton()->click();
    VERIFY_PROMPTS(p);
    QVERIFY(w.isVisible());
    QVERIFY(w.convertButton()->isEnabled());
    QCOMPARE(TargetSchemaVersion(target.folder()), 19);
  }
};

QTEST_MAIN(TstConvertWindow)
#include "tst_convert_window.moc"
