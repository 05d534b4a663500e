// The clipboard window offscreen: a list export lands in it and on the system
// clipboard with its length, the list's cursor stays; shown for any other
// reason it holds the clipboard's text; Escape closes it, even from the memo;
// saving adds ".txt", asks before overwriting and leaves no file when it
// cannot write; printing goes through the page printer.
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/ui/page_printer.h"
#include "screens/common/clipboard_window.h"
#include "screens/screen_hooks.h"
#include "support/scripted_prompter.h"

class TstClipboardWindow : public QObject {
  Q_OBJECT

 private:
  TFClpBd2* w() { return ClipboardWindow(); }

  QString fileText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<none>");
    return QString::fromUtf8(f.readAll());
  }

 private Q_SLOTS:
  void init() {
    SetClock(QDateTime(QDate(2024, 5, 10), QTime(9, 8, 7)));
    ScreenHooks().showClipboardText = [](const QString& text) { ShowClipboardWindow(text); };
  }
  void cleanup() {
    w()->hide();
    ScreenHooks().showClipboardText = nullptr;
    ResetClock();
  }

  void exportOfAList_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tabs") << int(TExportMode::Tabs)
                          << "Bills\nExported at 2024-05-10 09:08:07\n\nId\tWhat\n"
                             "12\tRent\n13\ta\"b\n14\tGas\n";
    QTest::newRow("csv") << int(TExportMode::Csv)
                         << "Bills\nExported at 2024-05-10 09:08:07\n\n\"Id\",\"What\"\n"
                            "\"12\",\"Rent\"\n\"13\",\"a\"\"b\"\n\"14\",\"Gas\"\n";
  }
  void exportOfAList() {
    QFETCH(int, mode);
    QFETCH(QString, expected);
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({"Id", "What"});
    model.appendRow({new QStandardItem("12"), new QStandardItem("Rent")});
    model.appendRow({new QStandardItem("13"), new QStandardItem("a\"b")});
    model.appendRow({new QStandardItem("14"), new QStandardItem("Gas")});
    QTableView view;
    view.setModel(&model);
    view.setCurrentIndex(model.index(1, 1));

    const QString text = ExportDataSet(view, "Bills", QString(), TExportMode(mode));
    QCOMPARE(text, expected);
    QVERIFY(w()->isVisible());
    QVERIFY(!w()->isModal());
    QCOMPARE(w()->windowTitle(), QString("Clipboard"));
    QCOMPARE(w()->memo()->toPlainText(), expected);
    QCOMPARE(w()->panel()->text(), QString(" %1 characters").arg(expected.size()));
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QCOMPARE(view.currentIndex(), model.index(1, 1));
    QVERIFY(w()->memo()->isReadOnly());
    QCOMPARE(QAccessible::queryAccessibleInterface(w()->memo())->text(QAccessible::Name),
             QString("Clipboard text"));
  }

  // Shown by itself, the window shows what the system clipboard holds.
  void showTakesTheClipboard() {
    QGuiApplication::clipboard()->setText("copied elsewhere");
    w()->show();
    QCOMPARE(w()->memo()->toPlainText(), QString("copied elsewhere"));
    QCOMPARE(w()->panel()->text(), QString(" 16 characters"));
  }

  void escapeCloses_data() {
    QTest::addColumn<bool>("fromMemo");
    QTest::newRow("window") << false;
    QTest::newRow("memo") << true;
  }
  void escapeCloses() {
    QFETCH(bool, fromMemo);
    ShowClipboardWindow("x");
    QVERIFY(w()->isVisible());
    QTest::keyClick(fromMemo ? static_cast<QWidget*>(w()->memo()) : w(), Qt::Key_Escape);
    QVERIFY(!w()->isVisible());
    ShowClipboardWindow("x");
    w()->action("Close")->trigger();
    QVERIFY(!w()->isVisible());
  }

  // The name as typed, ".txt" added when it has no extension; an existing
  // file is overwritten only on a Yes.
  void save_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<char>("answer");
    QTest::newRow("no extension") << "list"
                                  << "list.txt" << false << ' ';
    QTest::newRow("own extension") << "list.csv"
                                   << "list.csv" << false << ' ';
    QTest::newRow("overwrite, Yes") << "list"
                                    << "list.txt" << true << 'Y';
    QTest::newRow("overwrite, No") << "list.txt"
                                   << "list.txt" << true << 'N';
  }
  void save() {
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(bool, exists);
    QFETCH(char, answer);
    QTemporaryDir dir;
    const QString path = dir.path() + "/" + written;
    if (exists) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old");
    }
    ShowClipboardWindow("Bills \u00a3\nline 2\n");
    ScriptedPrompter p;
    if (exists) p.ask("File already exists - overwrite?", answer);
    QCOMPARE(w()->saveToFile(dir.path() + "/" + name), answer != 'N');
    VERIFY_PROMPTS(p);
    QCOMPARE(fileText(path), answer == 'N' ? QString("old") : QString("Bills \u00a3\nline 2\n"));
  }

  // A folder that cannot hold the file: the reason is shown and nothing is left.
  void saveFailureLeavesNoFile() {
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/plain");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString name = dir.path() + "/plain/list.txt";
    ShowClipboardWindow("text");
    RecordingPrompter p('N');
    QVERIFY(!w()->saveToFile(dir.path() + "/plain/list"));
    QCOMPARE(p.infos.size(), 1);
    QVERIFY2(p.infos[0].startsWith("Cannot write " + name + " : "), qPrintable(p.infos[0]));
    QVERIFY(p.infos[0].size() > QString("Cannot write " + name + " : ").size());
    QVERIFY(!QFile::exists(name));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"plain"});
  }

  void printsEveryLine() {
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/out.pdf";
    SetPrintOutputFile(pdf);
    ShowClipboardWindow("first\nsecond\n");
    ScriptedPrompter p;
    w()->printLines();
    VERIFY_PROMPTS(p);
    SetPrintOutputFile(QString());
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("%PDF"));
  }
};

QTEST_MAIN(TstClipboardWindow)
#include "tst_clipboard_window.moc"
