#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/ui/list_export.h"
#include "store/session.h"
#include "support/scripted_prompter.h"

class TestListExport : public QObject {
  Q_OBJECT

  QStandardItemModel model_;
  QTableView view_;

 private Q_SLOTS:
  void init() {
    SetClock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    model_.clear();
    model_.setHorizontalHeaderLabels({"Name", "Hidden", "Ref"});
    model_.appendRow({new QStandardItem("O'Brien, \"Jr\""), new QStandardItem("x"),
                      new QStandardItem("a\tb\nc")});
    model_.appendRow({new QStandardItem("plain"), new QStandardItem("y"), new QStandardItem("")});
    view_.setModel(&model_);
    view_.setColumnHidden(1, true);
  }

  void text_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title2");
    QTest::addColumn<QString>("expected");
    QTest::newRow("csv") << int(TExportMode::Csv) << QString()
                         << "T\nExported at 2026-03-04 05:06:07\n\n\"Name\",\"Ref\"\n"
                            "\"O'Brien, \"\"Jr\"\"\",\"a\tb\nc\"\n\"plain\",\"\"\n";
    QTest::newRow("tabs") << int(TExportMode::Tabs) << "Second"
                          << "T\nSecond\nExported at 2026-03-04 05:06:07\n\nName\tRef\n"
                             "O'Brien, \"Jr\"\ta b c\nplain\t\n";
  }
  // Hidden columns stay out; quotes are doubled in CSV; tab files keep one line per row.
  void text() {
    QFETCH(int, mode);
    QFETCH(QString, title2);
    QFETCH(QString, expected);
    QCOMPARE(ExportDataSetText(view_, "T", title2, TExportMode(mode)), expected);
  }

  void toFile() {
    QTemporaryDir dir;
    Session().dataFolder = dir.path() + '/';
    QFile(dir.path() + "/pstgs00.csv").open(QIODevice::WriteOnly);
    {
      ScriptedPrompter p;
      p.info("Exported OK to " + dir.path() + "/pstgs01.csv");
      QVERIFY(ExportListToFile(view_, "T", {}, TExportMode::Csv, "pstgs"));
      QVERIFY2(p.ok(), qPrintable(p.verify()));
    }
    QFile f(dir.path() + "/pstgs01.csv");
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), ExportDataSetText(view_, "T", {}, TExportMode::Csv));

    for (int n = 0; n < 100; ++n)
      QFile(dir.path() + QString("/bals%1.txt").arg(n, 2, 10, QChar('0')))
          .open(QIODevice::WriteOnly);
    QCOMPARE(NextFreeExportFile(dir.path() + '/', "bals", ".txt"), QString());
    ScriptedPrompter p;
    p.info("Cannot export - all 99 filenames in use, have a clearout!");
    QVERIFY(!ExportListToFile(view_, "T", {}, TExportMode::Tabs, "bals"));
    QVERIFY2(p.ok(), qPrintable(p.verify()));
  }

  // A folder that cannot be written gets the reason and no file at all.
  void unwritableFolder() {
    QTemporaryDir dir;
    const QString notAFolder = dir.path() + "/plain";
    QFile(notAFolder).open(QIODevice::WriteOnly);
    Session().dataFolder = notAFolder + '/';
    ScriptedPrompter p;
    p.info("Cannot write " + notAFolder + "/pstgs00.csv : Not a directory");
    QVERIFY(!ExportListToFile(view_, "T", {}, TExportMode::Csv, "pstgs"));
    QVERIFY2(p.ok(), qPrintable(p.verify()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
  }
};

QTEST_MAIN(TestListExport)
#include "tst_list_export.moc"
