#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/notepad.h"
#include "store/inifile.h"
#include "support/scripted_prompter.h"

namespace {

QString ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

const QDateTime kT0(QDate(2024, 3, 5), QTime(14, 7, 30));

}  // namespace

class TestNotepad : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

 private Q_SLOTS:
  void init() {
    SetProgramFolder(dir_.path());
    QFile::remove(file("npad.txt"));
    QFile::remove(file("npad.ini"));
    SetClock(kT0);
  }
  void cleanup() { ResetClock(); }

  void saveMessages_data() {
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("10 seconds") << true << false << 10
                                << "Changes will anyway be saved automatically in 10 seconds,\r"
                                   "or when the Notepad is closed.";
    QTest::newRow("1 second") << true << true << 1
                              << "Changes will anyway be saved automatically in 1 second,\r"
                                 "or when the Notepad is closed.";
    QTest::newRow("saved") << false << true << 0 << "All changes have already been saved";
    QTest::newRow("nothing") << false << false << 0 << "There are no changes to save";
  }
  void saveMessages() {
    QFETCH(bool, unsaved);
    QFETCH(bool, saved);
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(NotepadSaveMessage(unsaved, saved, seconds), text);
  }

  void saveFiveSecondsAfterAChange() {
    WriteAll(file("npad.txt"), "first line\r\nsecond line");
    TFNpad pad;
    QCOMPARE(pad.windowTitle(), ProgramTitle() + QStringLiteral(" - Notepad"));
    pad.show();
    QCOMPARE(pad.memo()->toPlainText(), QStringLiteral("first line\nsecond line"));
    QCOMPARE(pad.memo()->textCursor().position(), pad.memo()->toPlainText().size());
    {
      ScriptedPrompter p;
      p.info("There are no changes to save");
      pad.action("Save")->trigger();
      VERIFY_PROMPTS(p);
    }
    QTest::keyClicks(pad.memo(), QStringLiteral("!"));
    QVERIFY(pad.saveTimerRunning());
    AdvanceClock(5000);
    QTest::keyClicks(pad.memo(), QStringLiteral("?"));  // a later change does not move the save
    {
      ScriptedPrompter p;
      p.info(
          "Changes will anyway be saved automatically in 10 seconds,\r"
          "or when the Notepad is closed.");
      pad.action("Save")->trigger();
      VERIFY_PROMPTS(p);
    }
    pad.saveNow();  // what the timer does when it fires
    QCOMPARE(ReadAll(file("npad.txt")), QStringLiteral("first line\nsecond line!?"));
    {
      ScriptedPrompter p;
      p.info("All changes have already been saved");
      pad.action("Save")->trigger();
      VERIFY_PROMPTS(p);
    }
  }

  void timerAndCloseSave() {
    TFNpad pad;
    pad.show();
    QVERIFY(!pad.saveTimerRunning());  // loading the text is no change
    QTest::keyClicks(pad.memo(), QStringLiteral("note"));
    QVERIFY(pad.saveTimerRunning());
    QCOMPARE(pad.saveDue(), kT0.addSecs(15));
    QVERIFY(QTest::qWaitForWindowActive(&pad));
    QTest::keyClick(pad.memo(), Qt::Key_Escape);  // "Close"
    QVERIFY(!pad.isVisible());
    QCOMPARE(ReadAll(file("npad.txt")), QStringLiteral("note"));
    QVERIFY(!pad.saveTimerRunning());
    // Shown again, it reads the file again.
    WriteAll(file("npad.txt"), "changed outside");
    pad.show();
    QCOMPARE(pad.memo()->toPlainText(), QStringLiteral("changed outside"));
  }

  void fontStoredWhenChanged() {
    {
      IniFile ini(file("npad.ini"));
      ini.writeString("notepad", "FONTNAME", "Courier New");
      ini.writeInteger("notepad", "FONTSIZE", 13);
      ini.writeBool("notepad", "FONTITALIC", true);
      QVERIFY(ini.save());
    }
    TFNpad pad;
    QCOMPARE(pad.memo()->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(pad.memo()->font().pointSize(), 13);
    QVERIFY(pad.memo()->font().italic());
    QVERIFY(!pad.memo()->font().bold());
  }

  void nowInsertsTheStamp() {
    TFNpad pad;
    pad.show();
    pad.action("Now!")->trigger();
    QCOMPARE(pad.memo()->toPlainText(), QStringLiteral("2024-03-05 14:07 "));
  }

  void clearAsksTwice() {
    WriteAll(file("npad.txt"), "keep me");
    TFNpad pad;
    pad.show();
    {
      ScriptedPrompter p;
      p.yes("Clear the notepad - are you sure ?").no("... really sure ? (last chance)");
      pad.action("Clear")->trigger();
      VERIFY_PROMPTS(p);
      QCOMPARE(pad.memo()->toPlainText(), QStringLiteral("keep me"));
    }
    {
      ScriptedPrompter p;
      p.no("Clear the notepad - are you sure ?");
      pad.action("Clear")->trigger();
      VERIFY_PROMPTS(p);
    }
    {
      ScriptedPrompter p;
      p.yes("Clear the notepad - are you sure ?").yes("... really sure ? (last chance)");
      pad.action("Clear")->trigger();
      VERIFY_PROMPTS(p);
      QCOMPARE(pad.memo()->toPlainText(), QString());
      QVERIFY(pad.hasUnsavedChanges());
    }
  }

  void searchAndF3() {
    WriteAll(file("npad.txt"), "Alpha beta ALPHA gamma alpha");
    TFNpad pad;
    pad.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pad));
    ScriptedPrompter p;
    p.text("Search for", "AlPhA");
    pad.action("Search")->trigger();  // the cursor is at the end: search from the start
    QCOMPARE(pad.memo()->textCursor().selectionStart(), 0);
    QCOMPARE(pad.memo()->textCursor().selectedText(), QStringLiteral("Alpha"));
    QTest::keyClick(pad.memo(), Qt::Key_F3);
    QCOMPARE(pad.memo()->textCursor().selectionStart(), 11);
    QTest::keyClick(pad.memo(), Qt::Key_F3);
    QCOMPARE(pad.memo()->textCursor().selectionStart(), 23);
    p.info("\"alpha\" - no more instances");
    QTest::keyClick(pad.memo(), Qt::Key_F3);
    p.textStartingWith("Search for", "alpha", "delta").info("\"delta\" - not found");
    pad.action("Search")->trigger();
    VERIFY_PROMPTS(p);
  }

  void searchStart_data() {
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<int>("from");
    QTest::newRow("one before the cursor") << 5 << 5 << 0 << 4;
    QTest::newRow("at the start") << 0 << 0 << 0 << 0;
    QTest::newRow("at the end: from the first character") << 20 << 20 << 0 << 0;
    QTest::newRow("selection: its second character") << 9 << 6 << 3 << 7;
  }
  void searchStart() {
    QFETCH(int, cursor);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(int, from);
    QCOMPARE(NotepadSearchStart(20, cursor, selStart, selLength), from);
  }

  void exports() {
    WriteAll(file("npad.txt"), "to go");
    TFNpad pad;
    pad.show();
    ScriptedPrompter p;
    pad.action("to Clipboard")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("to go"));
    QCOMPARE(pad.memo()->textCursor().position(), 0);
    pad.exportToFile(file("copy"));  // ".txt" is added
    QCOMPARE(ReadAll(file("copy.txt")), QStringLiteral("to go"));
    pad.exportToFile(file("Other.TXT"));
    QCOMPARE(ReadAll(file("Other.TXT")), QStringLiteral("to go"));
    QCOMPARE(p.flashes(), QStringList({"Exported OK", "Exported OK", "Exported OK"}));
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TestNotepad)
#include "tst_notepad.moc"
