// The monthly analysis grid on real books after a real rebuild: columns and
// cells of the three modes at month ends, mid-month and a leap day; one row per
// account even when names clash; the sort by value; the CSV text.
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "reports/monthly_books.h"
#include "reports/monthly_grid.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

Q_DECLARE_METATYPE(TMonthlyMode)

namespace {

TDateRec dateOf(const QString& text) {
  TDateRec d;
  ParseDateText(text, d);
  return d;
}

// The figure cells of a row that show something, as "header=text".
QString figures(const TMonthlyGrid& g, const TMonthlyGridRow& r) {
  QStringList out;
  for (int c = 2; c < g.columnCount(); ++c)
    if (!g.cellText(r, c).trimmed().isEmpty()) out << g.header[c] + "=" + g.cellText(r, c);
  return out.join(' ');
}

// "m=text" for every month from..to (inclusive, yyyymm).
QString run(int32_t from, int32_t to, const QString& text) {
  QStringList out;
  for (int32_t m = from; m <= to; m = NextMonthNumber(m)) out << QString::number(m) + "=" + text;
  return out.join(' ');
}

}  // namespace

class TstMonthlyGrid : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  MonthlyBooks mb_;

  TMonthlyGrid grid(const QString& end, TMonthlyMode mode, int32_t group = 0,
                    bool showGrouping = true) {
    TMonthlyGrid g;
    TMonthlyRequest r{dateOf(end), mode, group, showGrouping};
    [&] { QVERIFY(BuildMonthlyGrid(r, g)); }();
    return g;
  }

  void rebuild() {
    QCOMPARE(PrepareMonthlyAnalysis(), TMonthlyResult::Done);
    QVERIFY(CommitIfActive());
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QVERIFY2(mb_.build(), qPrintable(LastDbError()));
  }
  void cleanup() { books_.reset(); }

  void cells_data() {
    QTest::addColumn<QString>("end");
    QTest::addColumn<TMonthlyMode>("mode");
    QTest::addColumn<QString>("firstHeader");  // the oldest figure column
    QTest::addColumn<QString>("lastHeader");
    QTest::addColumn<QString>("food");
    QTest::addColumn<QString>("trips");
    QTest::addColumn<QString>("totals");
    const auto M = TMonthlyMode::Month, R = TMonthlyMode::RollingMonth, Y = TMonthlyMode::Year;
    const QString foodM = "202401=+50.00 202403=-20.00 TOTALS=+30.00";
    const QString totalsM = "202401=+50.00 202402=+10.00 202403=-20.00 TOTALS=+40.00";
    QTest::newRow("month, month end")
        << "2024-03-31" << M << "202304"
        << "TOTALS" << foodM << "202402=+10.00 TOTALS=+10.00" << totalsM;
    // 202303 is read too but has no column: neither a cell nor a total.
    QTest::newRow("month, mid-month")
        << "2024-03-15" << M << "202304"
        << "TOTALS" << foodM << "202402=+10.00 TOTALS=+10.00" << totalsM;
    QTest::newRow("month, leap day") << "2024-02-29" << M << "202303"
                                     << "TOTALS"
                                     << "202303=-5.00 202401=+50.00 TOTALS=+45.00"
                                     << "202402=+10.00 TOTALS=+10.00"
                                     << "202303=-5.00 202401=+50.00 202402=+10.00 TOTALS=+55.00";
    const QString foodR =
        run(202304, 202312, "-5.00") + " 202401=+45.00 202402=+45.00 202403=+30.00";
    const QString totalsR =
        run(202304, 202312, "-5.00") + " 202401=+45.00 202402=+55.00 202403=+40.00";
    QTest::newRow("rolling, month end")
        << "2024-03-31" << R << "202304"
        << "TOTALS" << foodR << "202402=+10.00 202403=+10.00" << totalsR;
    QTest::newRow("rolling, mid-month")
        << "2024-03-15" << R << "202304"
        << "TOTALS" << foodR << "202402=+10.00 202403=+10.00" << totalsR;
    QTest::newRow("rolling, leap day")
        << "2024-02-29" << R << "202303"
        << "TOTALS" << run(202303, 202312, "-5.00") + " 202401=+45.00 202402=+45.00"
        << "202402=+10.00" << run(202303, 202312, "-5.00") + " 202401=+45.00 202402=+55.00";
    QTest::newRow("yearly, month end") << "2024-03-31" << Y << "202003"
                                       << "202403"
                                       << "202303=-5.00 202403=+30.00"
                                       << "202403=+10.00"
                                       << "202303=-5.00 202403=+40.00";
    QTest::newRow("yearly, mid-month") << "2024-03-15" << Y << "202003"
                                       << "202403"
                                       << "202303=-5.00 202403=+30.00"
                                       << "202403=+10.00"
                                       << "202303=-5.00 202403=+40.00";
    QTest::newRow("yearly, leap day") << "2024-02-29" << Y << "202002"
                                      << "202402"
                                      << "202402=+45.00"
                                      << "202402=+10.00"
                                      << "202402=+55.00";
  }
  void cells() {
    QFETCH(QString, end);
    QFETCH(TMonthlyMode, mode);
    QFETCH(QString, firstHeader);
    QFETCH(QString, lastHeader);
    ScriptedPrompter prompter;
    rebuild();
    const TMonthlyGrid g = grid(end, mode);
    const bool yearly = mode == TMonthlyMode::Year;
    QCOMPARE(g.columnCount(), yearly ? 8 : 15);
    QCOMPARE(g.header.mid(0, 2), QStringList({"Group/Account name", "Group?"}));
    QCOMPARE(g.header[yearly ? 3 : 2], firstHeader);
    QCOMPARE(g.header.last(), lastHeader);
    if (yearly) QCOMPARE(g.header[2], QString());

    QCOMPARE(g.rows.size(), 2);
    QCOMPARE(g.rows[0].label, QStringLiteral("  food"));
    QCOMPARE(g.rows[0].id, mb_.food);
    QCOMPARE(g.cellText(g.rows[0], 1), QString());
    QCOMPARE(g.rows[1].label, QStringLiteral("  trips"));
    QCOMPARE(g.cellText(g.rows[1], 1), QStringLiteral("GROUP"));
    QTEST(figures(g, g.rows[0]), "food");
    QTEST(figures(g, g.rows[1]), "trips");
    QCOMPARE(g.totals.label, QStringLiteral("TOTALS"));
    QTEST(figures(g, g.totals), "totals");

    // No figure: an empty cell; a zero sum in the totals row: one blank.
    for (int c : g.figureColumns) {
      for (const TMonthlyGridRow& r : g.rows)
        if (g.cellText(r, c).trimmed().isEmpty()) QCOMPARE(g.cellText(r, c), QString());
      if (g.cellText(g.totals, c).trimmed().isEmpty()) QCOMPARE(g.cellText(g.totals, c), " ");
    }
    if (mode == TMonthlyMode::RollingMonth) QCOMPARE(g.cellText(g.totals, 14), QString());
    QCOMPARE(g.checkText(), QString());
    QCOMPARE(g.hint(), mode == TMonthlyMode::Month
                           ? QStringLiteral("Column headings show month as yyyymm / Cells contain "
                                            "totals for this month ")
                           : QStringLiteral("Column headings show last month in year as yyyymm / "
                                            "Cells contain totals for that year "));
    VERIFY_PROMPTS(prompter);
  }

  // Inside a group: its members, each path showing the group.
  void group() {
    ScriptedPrompter prompter;
    rebuild();
    const TMonthlyGrid g = grid("2024-03-31", TMonthlyMode::Month, mb_.trips);
    QCOMPARE(g.rows.size(), 1);
    QCOMPARE(g.rows[0].label, QStringLiteral(" trips : hotel"));
    QCOMPARE(figures(g, g.rows[0]), QStringLiteral("202402=+10.00 TOTALS=+10.00"));
    const TMonthlyGrid plain = grid("2024-03-31", TMonthlyMode::Month, mb_.trips, false);
    QCOMPARE(plain.rows[0].label, QStringLiteral("hotel"));
    VERIFY_PROMPTS(prompter);
  }

  // A group whose member moved out: with the paths to be reset the group
  // membership is rebuilt first, so the group no longer carries the member.
  void resetPaths_data() {
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("reset") << true << QStringList({"  food", " trips : hotel"});
    QTest::newRow("kept") << false << QStringList({"  food", "  trips", " trips : hotel"});
  }
  void resetPaths() {
    QFETCH(bool, reset);
    ScriptedPrompter prompter;
    QVERIFY(ExecSqlCommitted("update account set grpid = 0 where id = ?", {mb_.hotel}));
    Session().settings.resetPaths = reset;
    rebuild();
    const TMonthlyGrid g = grid("2024-03-31", TMonthlyMode::Month);
    QStringList rows;
    for (const TMonthlyGridRow& r : g.rows) rows << r.label;
    QTEST(rows, "rows");
    VERIFY_PROMPTS(prompter);
  }

  // A category and a pot that share a name (and a group member of the same
  // path and name) stay rows of their own.
  void sameNames() {
    ScriptedPrompter prompter;
    const int32_t gifts = MonthlyBooks::account(3, "Gifts");
    const int32_t giftsPot = MonthlyBooks::account(6, "gifts");
    QVERIFY(MonthlyBooks::post(gifts, 20240105, 700) &&
            MonthlyBooks::post(giftsPot, 20240106, 300));
    QVERIFY(MonthlyBooks::rebuildHierarchy());
    rebuild();
    const TMonthlyGrid g = grid("2024-03-31", TMonthlyMode::Month);
    QStringList rows;
    for (const TMonthlyGridRow& r : g.rows) rows << r.label + ":" + figures(g, r);
    QCOMPARE(rows,
             QStringList({"  food:202401=+50.00 202403=-20.00 TOTALS=+30.00",
                          "  Gifts:202401=+7.00 TOTALS=+7.00", "  gifts:202401=+3.00 TOTALS=+3.00",
                          "  trips:202402=+10.00 TOTALS=+10.00"}));
    QCOMPARE(g.rows[1].id, gifts);
    QCOMPARE(g.rows[2].id, giftsPot);
    VERIFY_PROMPTS(prompter);
  }

  // By value with a zero-total row between two others: all sorted, ascending;
  // "Year-on-Month" has no figures in its last column and keeps the order.
  void sortByValue_data() {
    QTest::addColumn<TMonthlyMode>("mode");
    QTest::addColumn<QStringList>("order");
    const QStringList byValue{"  c-down", "  b-zero", "  trips", "  a-up", "  food"};
    QTest::newRow("month") << TMonthlyMode::Month << byValue;
    QTest::newRow("rolling") << TMonthlyMode::RollingMonth
                             << QStringList(
                                    {"  a-up", "  b-zero", "  c-down", "  food", "  trips"});
    QTest::newRow("yearly") << TMonthlyMode::Year << byValue;
  }
  void sortByValue() {
    QFETCH(TMonthlyMode, mode);
    ScriptedPrompter prompter;
    const int32_t up = MonthlyBooks::account(3, "a-up");
    const int32_t zero = MonthlyBooks::account(3, "b-zero");
    const int32_t down = MonthlyBooks::account(3, "c-down");
    QVERIFY(MonthlyBooks::post(up, 20240201, 2000) && MonthlyBooks::post(zero, 20240101, 500) &&
            MonthlyBooks::post(zero, 20240201, -500) && MonthlyBooks::post(down, 20240101, -3000));
    QVERIFY(MonthlyBooks::rebuildHierarchy());
    rebuild();
    TMonthlyGrid g = grid("2024-03-31", mode);
    SortMonthlyGrid(g, TMonthlySort::ByValue);
    QStringList order;
    for (const TMonthlyGridRow& r : g.rows) order << r.label;
    QTEST(order, "order");
    QCOMPARE(g.totals.label, QStringLiteral("TOTALS"));
    SortMonthlyGrid(g, TMonthlySort::ByName);
    QCOMPARE(g.rows.first().label, QStringLiteral("  a-up"));
    QCOMPARE(g.rows.last().label, QStringLiteral("  trips"));
    VERIFY_PROMPTS(prompter);
  }

  // The file's bytes: header, rows as shown in column 0, plain figures,
  // blanks empty, quoting where a field needs it, CRLF.
  void csv_data() {
    QTest::addColumn<TMonthlyMode>("mode");
    QTest::addColumn<QString>("name");  // of an extra category, with 1.50 in 2024-03
    QTest::addColumn<QString>("text");
    const QString monthHeader =
        "Group/Account name,Group?,202304,202305,202306,202307,202308,202309,202310,202311,"
        "202312,202401,202402,202403,TOTALS\r\n";
    QTest::newRow("month") << TMonthlyMode::Month << "x"
                           << monthHeader +
                                  "\"  food\",,,,,,,,,,,50.00,,-20.00,30.00\r\n"
                                  "\"  trips\",GROUP,,,,,,,,,,,10.00,,10.00\r\n"
                                  "\"  x\",,,,,,,,,,,,,1.50,1.50\r\n"
                                  "TOTALS,,,,,,,,,,,50.00,10.00,-18.50,41.50\r\n";
    QTest::newRow("quote, comma") << TMonthlyMode::Year << "Say \"hi\", bye"
                                  << "Group/Account name,Group?,,202003,202103,202203,202303,"
                                     "202403\r\n"
                                     "\"  food\",,,,,,-5.00,30.00\r\n"
                                     "\"  Say \"\"hi\"\", bye\",,,,,,,1.50\r\n"
                                     "\"  trips\",GROUP,,,,,,10.00\r\n"
                                     "TOTALS,,,,,,-5.00,41.50\r\n";
  }
  void csv() {
    QFETCH(TMonthlyMode, mode);
    QFETCH(QString, name);
    ScriptedPrompter prompter;
    const int32_t extra = MonthlyBooks::account(3, name);
    QVERIFY(MonthlyBooks::post(extra, 20240301, 150));
    QVERIFY(MonthlyBooks::rebuildHierarchy());
    rebuild();
    TMonthlyGrid g = grid("2024-03-31", mode);
    SortMonthlyGrid(g, TMonthlySort::ByName);
    QTEST(MonthlyGridCsv(g), "text");
    VERIFY_PROMPTS(prompter);
  }
};

QTEST_GUILESS_MAIN(TstMonthlyGrid)
#include "tst_monthly_grid.moc"
