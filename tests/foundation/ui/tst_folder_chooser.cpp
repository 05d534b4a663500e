#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/ui/folder_chooser.h"
#include "support/scripted_prompter.h"

class TestFolderChooser : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString base() const { return QDir::cleanPath(dir_.path()); }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(QDir(base()).mkpath(QStringLiteral("books/2024")));
    QFile f(base() + QStringLiteral("/books/vorbek.fdb"));
    QVERIFY(f.open(QIODevice::WriteOnly));
  }

  void parents_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("parent");
    QTest::newRow("trailing separator") << "/a/b/"
                                        << "/a";
    QTest::newRow("plain") << "/a/b"
                           << "/a";
    QTest::newRow("below the root") << "/a"
                                    << "/";
    QTest::newRow("the root") << "/"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("relative, no parent") << "books"
                                         << "";
  }
  void parents() {
    QFETCH(QString, folder);
    QFETCH(QString, parent);
    QCOMPARE(ParentFolder(folder), parent);
  }

  void seekingAnExistingParent() {
    const QString missing = base() + QStringLiteral("/books/2023/june/");
    ScriptedPrompter p;
    p.info("Folder not found\r\"" + missing + "\" - seeking parent")
        .info("Folder not found\r\"" + base() + "/books/2023\" - seeking parent");
    QCOMPARE(SeekExistingFolder(missing, [](const QString& f) { return QDir(f).exists(); }),
             base() + QStringLiteral("/books"));
    VERIFY_PROMPTS(p);
  }

  void nothingExistsGivesTheRoot() {
    ScriptedPrompter p;
    p.info("Folder not found\r\"/x/y\" - seeking parent")
        .info("Folder not found\r\"/x\" - seeking parent")
        .info("Folder not found\r\"/\" - seeking parent");
    QCOMPARE(SeekExistingFolder(QStringLiteral("/x/y"), [](const QString&) { return false; }),
             QDir::rootPath());
    VERIFY_PROMPTS(p);
  }

  void roots() {
    QCOMPARE(FolderRoots({"/", "/media/anna/USB", "/boot/efi", "/mnt/backup/", "/home"},
                         QStringLiteral("/home/anna/")),
             QStringList({"/", "/home/anna", "/media/anna/USB", "/mnt/backup"}));
  }

  void browsing() {
    ScriptedPrompter p;
    TFSelFolder chooser;
    chooser.start(base() + QStringLiteral("/books/"));
    QCOMPARE(chooser.currentFolder(), base() + QStringLiteral("/books"));
    QCOMPARE(chooser.windowTitle(), "Select folder \"" + base() + "/books\"");
    QVERIFY(!chooser.contents()->isEnabled());
    QStringList shown;
    for (int i = 0; i < chooser.contents()->count(); ++i)
      shown << chooser.contents()->item(i)->text();
    QCOMPARE(shown, QStringList({"[2024]", "vorbek.fdb"}));
    QCOMPARE(chooser.drives()->itemText(0), QStringLiteral("/"));

    chooser.parentButton()->click();
    QCOMPARE(chooser.currentFolder(), base());
    QVERIFY(chooser.openFolder(base() + QStringLiteral("/books/2024")));
    QCOMPARE(chooser.chosenFolder(), base() + QStringLiteral("/books/2024/"));
    VERIFY_PROMPTS(p);

    p.info("Drive /media/nowhere not found");
    chooser.switchDrive(QStringLiteral("/media/nowhere"));
    QCOMPARE(chooser.currentFolder(), base() + QStringLiteral("/books/2024"));
    VERIFY_PROMPTS(p);
  }

  void pickFolderThroughTheChooser() {
    QTimer::singleShot(0, [] {
      auto* chooser = qobject_cast<TFSelFolder*>(QApplication::activeModalWidget());
      QVERIFY(chooser);
      chooser->okButton()->click();
    });
    QString folder = base() + QStringLiteral("/books/2024");
    QVERIFY(RunFolderChooser(folder));
    QCOMPARE(folder, base() + QStringLiteral("/books/2024/"));
  }
};

QTEST_MAIN(TestFolderChooser)
#include "tst_folder_chooser.moc"
