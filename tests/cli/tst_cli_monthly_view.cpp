// vorbek-cli monthly view, run as the real program on real books: the
// analysis window's grid as CSV (the bytes of its file), inside a group and
// without paths, as a plain table, and the refusals of the end date.
#include <QtTest>
#include <memory>

#include "reports/monthly_books.h"
#include "store/opening.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"
#include "support/scripted_prompter.h"

class TstCliMonthlyView : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  MonthlyBooks mb_;
  QString folder_;

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    {
      ScriptedPrompter quiet;
      QVERIFY2(mb_.build(), qPrintable(LastDbError()));
    }
    CloseDatabase(false);
    folder_ = books_->folder();
  }
  void cleanup() { books_.reset(); }

  void csv_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("text");
    QTest::newRow("yearly") << QStringList({"--mode", "yearly"})
                            << "Group/Account name,Group?,,202003,202103,202203,202303,202403\r\n"
                               "\"  food\",,,,,,-5.00,30.00\r\n"
                               "\"  trips\",GROUP,,,,,,10.00\r\n"
                               "TOTALS,,,,,,-5.00,40.00\r\n";
    QTest::newRow("group, no paths")
        << QStringList({"--group", "3", "--no-paths"})
        << "Group/Account name,Group?,202304,202305,202306,202307,202308,202309,202310,202311,"
           "202312,202401,202402,202403,TOTALS\r\n"
           "hotel,,,,,,,,,,,,10.00,,10.00\r\n"
           "TOTALS,,,,,,,,,,,,10.00,,10.00\r\n";
  }
  void csv() {
    QFETCH(QStringList, options);
    QCOMPARE(mb_.trips, 3);
    const CliRun r = RunCliOk(
        QStringList({"--csv", "monthly", "view", folder_, "--end", "2024-03-31"}) + options);
    QTEST(r.out, "text");
  }

  void plain() {
    const QStringList lines =
        RunCliOk({"monthly", "view", folder_, "--end", "2024-03-15", "--mode", "rolling"})
            .out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("Column headings show last month in year as yyyymm / Cells "
                                      "contain totals for that year "));
    QVERIFY2(lines[1].startsWith("Group/Account name  Group?  202304"), qPrintable(lines[1]));
    QVERIFY2(lines[2].simplified().endsWith("-5.00 +45.00 +45.00 +30.00"), qPrintable(lines[2]));
    QVERIFY2(lines[4].startsWith("TOTALS"), qPrintable(lines[4]));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    for (const char* d : {"2024-02-30", "2024-13-01", "yyyy-mm-dd", ""})
      QTest::newRow(d) << QStringList({"--end", d}) << 1 << "Invalid date \"" + QString(d) + "\"";
    QTest::newRow("mode") << QStringList({"--end", "2024-03-31", "--mode", "weekly"}) << 2
                          << "usage: vorbek-cli monthly view DIR --end yyyy-mm-dd";
    QTest::newRow("no end") << QStringList() << 2
                            << "usage: vorbek-cli monthly view DIR --end yyyy-mm-dd";
    QTest::newRow("not a group") << QStringList({"--end", "2024-03-31", "--group", "2"}) << 1
                                 << "vorbek-cli: 2 is not an internal group";
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const CliRun r = RunCli(QStringList({"monthly", "view", folder_}) + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
  }
};

QTEST_GUILESS_MAIN(TstCliMonthlyView)
#include "tst_cli_monthly_view.moc"
