// The movement analysis driven offscreen on real books: the start dialog's
// refusals and its way into the window, the opening with its rebuild, what
// the user can and cannot do while the totals are rebuilt, navigation through
// months, modes and groups, the pop-up menu, the chart and the CSV file.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "foundation/dates.h"
#include "foundation/texts.h"
#include "reports/monthly_books.h"
#include "screens/views/monthly_window.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

TDateRec dateOf(const QString& text) {
  TDateRec d;
  ParseDateText(text, d);
  return d;
}

QStringList labels(const TFMonthly* w) {
  QStringList out;
  const TMonthlyModel* m = w->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->headerData(r, Qt::Vertical).toString();
  return out;
}

int rowOf(const TFMonthly* w, const QString& label) { return int(labels(w).indexOf(label)); }

// The chart's series as "name:v1,v2,…" (line series) or sets of the one bar series.
QStringList chartSeries(const TFMonthly* w) {
  QStringList out;
  for (QAbstractSeries* s : w->chartView()->chart()->series()) {
    if (auto* line = qobject_cast<QLineSeries*>(s)) {
      QStringList ys;
      for (const QPointF& p : line->points()) ys << QString::number(p.y());
      out << line->name() + ":" + ys.join(',');
    } else if (auto* bars = qobject_cast<QBarSeries*>(s)) {
      for (QBarSet* set : bars->barSets()) {
        QStringList ys;
        for (int i = 0; i < set->count(); ++i) ys << QString::number(set->at(i));
        out << "bars " + set->label() + ":" + ys.join(',');
      }
    }
  }
  return out;
}

QStringList categories(const TFMonthly* w) {
  for (QAbstractAxis* a : w->chartView()->chart()->axes(Qt::Horizontal))
    if (auto* c = qobject_cast<QBarCategoryAxis*>(a)) return c->categories();
  return {};
}

// Twelve values with v at the given positions, zero elsewhere.
QString twelve(QList<QPair<int, QString>> at) {
  QStringList out(12, QStringLiteral("0"));
  for (const auto& p : at) out[p.first] = p.second;
  return out.join(',');
}

}  // namespace

class TstMonthlyWindow : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  MonthlyBooks mb_;

  TFMonthly* openAt(const QString& end) {
    ShowMonthlyAnalysis(dateOf(end));
    return MonthlyAnalysisWindow();
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QVERIFY2(mb_.build(), qPrintable(LastDbError()));
    TFMonthly* w = MonthlyAnalysisWindow();
    w->setMode(TMonthlyMode::Month);
    w->setSort(TMonthlySort::ByName);
    w->setShowGrouping(true);
    w->setChartShown(false);
  }
  void cleanup() {
    MonthlyAnalysisWindow()->hide();
    books_.reset();
  }

  // "OK" takes only a real date; a refusal keeps the dialog and rebuilds nothing.
  void startDialog_data() {
    QTest::addColumn<QString>("text");
    for (const char* t : {"2024-02-30", "2024-13-01", "yyyy-mm-dd", ""}) QTest::newRow(t) << t;
  }
  void startDialog() {
    QFETCH(QString, text);
    ScriptedPrompter prompter;
    prompter.info("Invalid date " + InQuotes(text));
    Session().periodTo = 20240331;
    TFanlsys dialog;
    dialog.prepare();
    QCOMPARE(dialog.endBox()->text(), QStringLiteral("2024-03-31"));
    QVERIFY(dialog.earliestBox()->isReadOnly());
    QCOMPARE(dialog.calendarButton()->accessibleName(), QStringLiteral("Calendar"));
    dialog.endBox()->setText(text);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(CountAll("mthly"), 0);
    VERIFY_PROMPTS(prompter);
  }

  // From "OK" to the filled grid: base currency, caption, maximised, committed.
  void opening() {
    ScriptedPrompter prompter;
    TSession& s = Session();
    s.workingCurrency = QStringLiteral("USD");
    s.periodTo = 20241231;
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<TFanlsys*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->endBox()->setText(QStringLiteral("2024-03-31"));
      QTest::mouseClick(d->okButton(), Qt::LeftButton);
    });
    ShowAnalysisDialog();
    TFMonthly* w = MonthlyAnalysisWindow();
    QCOMPARE(s.workingCurrency, QStringLiteral("GBP"));
    QCOMPARE(w->caption(), QStringLiteral("VORBEK2 - Internal Account  Analysis"));
    QVERIFY(w->isVisible() && w->isMaximized());
    QVERIFY(!w->backButton()->isEnabled());
    QCOMPARE(w->groupText(), QString());
    QCOMPARE(labels(w), QStringList({"  food", "  trips", "TOTALS"}));
    QCOMPARE(w->model()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("202403"));
    QCOMPARE(w->model()->index(0, 11).data().toString(), QStringLiteral("+50.00"));
    QCOMPARE(w->model()->index(0, 11).data(Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(w->hintText(), QStringLiteral("Column headings show month as yyyymm / Cells contain "
                                           "totals for this month "));
    QVERIFY(w->stageLabel()->text().isEmpty());
    // The totals stay: they were committed.
    RollbackIfActive();
    QVERIFY(CountAll("mthly") > 0);
    VERIFY_PROMPTS(prompter);
  }

  // " < ", " > ", the modes, drill-down and Back (the cursor on the group left).
  void navigation() {
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    QTest::mouseClick(w->prevButton(), Qt::LeftButton);
    QCOMPARE(w->model()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("202402"));
    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    QCOMPARE(w->model()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("202404"));
    QTest::mouseClick(w->prevButton(), Qt::LeftButton);
    QTest::mouseClick(w->modeButton(TMonthlyMode::Year), Qt::LeftButton);
    QCOMPARE(w->model()->columnCount(), 8);
    QCOMPARE(w->model()->index(1, 7).data().toString(), QStringLiteral("+10.00"));
    QCOMPARE(w->hintText(), QStringLiteral("Column headings show last month in year as yyyymm / "
                                           "Cells contain totals for that year "));
    QTest::mouseClick(w->modeButton(TMonthlyMode::Month), Qt::LeftButton);

    w->drillDown(rowOf(w, "  trips"));
    QCOMPARE(w->currentGroup(), mb_.trips);
    QCOMPARE(w->groupText(), QStringLiteral("Group : \"trips\""));
    QVERIFY(w->backButton()->isEnabled());
    QCOMPARE(labels(w), QStringList({" trips : hotel", "TOTALS"}));
    QCOMPARE(w->model()->index(1, 14).data().toString(), QStringLiteral("+10.00"));
    // A data row that is not a group does not drill down.
    w->drillDown(0);
    QCOMPARE(w->currentGroup(), mb_.trips);

    QTest::mouseClick(w->backButton(), Qt::LeftButton);
    QCOMPARE(w->currentGroup(), 0);
    QCOMPARE(w->groupText(), QString());
    QVERIFY(!w->backButton()->isEnabled());
    QCOMPARE(labels(w), QStringList({"  food", "  trips", "TOTALS"}));
    QCOMPARE(w->gridView()->currentIndex().row(), rowOf(w, "  trips"));

    // "Show grouping" off: names alone; the chosen sort stays after every fill.
    w->action("Show grouping")->trigger();
    QCOMPARE(labels(w), QStringList({"food", "trips", "TOTALS"}));
    w->action("by value")->trigger();
    QCOMPARE(labels(w), QStringList({"trips", "food", "TOTALS"}));
    QTest::mouseClick(w->prevButton(), Qt::LeftButton);
    QCOMPARE(labels(w), QStringList({"trips", "food", "TOTALS"}));  // +10.00 and +50.00
    VERIFY_PROMPTS(prompter);
  }

  void popup_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("account") << "  food"
                             << QStringList(
                                    {"De&tails", "&Postings", "&Collapse group", "Copy cell"});
    QTest::newRow("group") << "  trips"
                           << QStringList({"De&tails", "&Drill-down group", "&Expand group",
                                           "&Collapse group", "Copy cell"});
    QTest::newRow("totals") << "TOTALS" << QStringList({"Copy cell"});
    QTest::newRow("nowhere") << "" << QStringList();
  }
  void popup() {
    QFETCH(QString, row);
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    w->preparePopup(rowOf(w, row), 0);
    QStringList enabled;
    for (QAction* a : w->popupMenu()->actions())
      if (!a->isSeparator() && a->isEnabled()) enabled << a->text();
    QTEST(enabled, "enabled");
    VERIFY_PROMPTS(prompter);
  }

  // While the totals are rebuilt only "Close" works, and it only asks the
  // rebuild to stop; a second analysis, a "Rebuild" or closing the work
  // windows starts nothing. The stopped rebuild leaves the totals as they were
  // and the window closes without a question.
  void abortedRebuild() {
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    const int before = CountAll("mthly");
    const int spreadBefore = CountAll("miny");
    QVERIFY(before > 0);
    QPushButton other(QStringLiteral("Other"));  // a window of its own
    other.show();
    int otherClicks = 0;
    connect(&other, &QPushButton::clicked, [&] { ++otherClicks; });
    int stages = 0, reports = 0;
    bool checked = false;
    auto c = connect(w, &TFMonthly::progressShown, w, [&] {
      ++reports;
      if (w->stageLabel()->text() == "Aggregating account-postings by Month ...") ++stages;
      if (checked) return;
      checked = true;
      QVERIFY(w->rebuilding());
      QVERIFY(!w->prevButton()->isEnabled());
      QVERIFY(!w->action("Rebuild")->isEnabled());
      QVERIFY(!w->action("Chart")->isEnabled());
      QVERIFY(w->action("Close")->isEnabled());
      QVERIFY(w->stageLabel()->parentWidget()->styleSheet().contains("#e0ffff"));
      // Other windows neither take input nor close meanwhile.
      QTest::mouseClick(&other, Qt::LeftButton);
      QCOMPARE(otherClicks, 0);
      other.close();
      QVERIFY(other.isVisible());
      ShowMonthlyAnalysis(dateOf("2023-01-31"));
      w->rebuildFromMenu();
      CloseWorkWindows();
      QVERIFY(w->isVisible());
      w->action("Close")->trigger();
      QVERIFY(w->isVisible());
    });
    prompter.yes("Rebuild is slow - are you sure?");
    w->action("Rebuild")->trigger();
    disconnect(c);
    QVERIFY(checked);
    QCOMPARE(stages, 1);
    QTest::mouseClick(&other, Qt::LeftButton);
    QCOMPARE(otherClicks, 1);
    QVERIFY(!w->isVisible());
    QVERIFY(!w->rebuilding());
    QVERIFY(!MonthlyRebuildRunning());
    QCOMPARE(CountAll("mthly"), before);
    QCOMPARE(CountAll("miny"), spreadBefore);
    QVERIFY(w->stageLabel()->parentWidget()->styleSheet().isEmpty());
    VERIFY_PROMPTS(prompter);
  }

  // A statement of the rebuild fails: the engine's words, nothing kept, no window.
  void failedRebuild() {
    QVERIFY(ExecSqlCommitted("drop table miny"));
    RecordingPrompter prompter('Y');
    TFMonthly* w = openAt("2024-03-31");
    QVERIFY(!w->isVisible());
    QVERIFY(!w->rebuilding());
    QCOMPARE(prompter.infos.size(), 1);
    QVERIFY2(prompter.infos[0].contains("MINY", Qt::CaseInsensitive),
             qPrintable(prompter.infos[0]));
    QVERIFY(prompter.questions.isEmpty());
    QCOMPARE(CountAll("mthly"), 0);
  }

  // After the build "Close" and Escape ask first.
  void closing() {
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    const QString question =
        "Table will need to be rebuilt next time (slow) - are you sure you want to close?";
    prompter.no(question).yes(question);
    w->action("Close")->trigger();
    QVERIFY(w->isVisible());
    QTest::keyClick(w, Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    VERIFY_PROMPTS(prompter);
  }

  // The chart follows the grid, the selection, the mode and the month; while
  // hidden nothing is built.
  void chart() {
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    QVERIFY(w->chartView()->chart()->series().isEmpty());
    QCOMPARE(w->chartView()->accessibleName(), QStringLiteral("Chart"));
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(w->action("Chart")->isChecked());
    QVERIFY(w->chartView()->isVisible());
    QCOMPARE(w->chartView()->chart()->animationOptions(), QChart::NoAnimation);
    QCOMPARE(w->chartView()->chart()->title(),
             QStringLiteral("Month-on-Month - All internal accounts"));
    QCOMPARE(categories(w).first(), QStringLiteral("202304"));
    QCOMPARE(categories(w).size(), 12);
    QCOMPARE(chartSeries(w), QStringList({"food:" + twelve({{9, "50"}, {11, "-20"}}),
                                          "trips:" + twelve({{10, "10"}})}));

    w->gridView()->selectRow(rowOf(w, "TOTALS"));
    QCOMPARE(chartSeries(w),
             QStringList({"TOTALS:" + twelve({{9, "50"}, {10, "10"}, {11, "-20"}})}));
    w->gridView()->clearSelection();
    QCOMPARE(chartSeries(w).size(), 2);

    QTest::mouseClick(w->prevButton(), Qt::LeftButton);
    QCOMPARE(categories(w).first(), QStringLiteral("202303"));
    QCOMPARE(categories(w).last(), QStringLiteral("202402"));
    QCOMPARE(chartSeries(w).first(), "food:" + twelve({{0, "-5"}, {10, "50"}}));

    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    w->setMode(TMonthlyMode::Year);
    QCOMPARE(categories(w), QStringList({"202003", "202103", "202203", "202303", "202403"}));
    QCOMPARE(chartSeries(w), QStringList({"bars food:0,0,0,-5,30", "bars trips:0,0,0,0,10"}));

    w->drillDown(rowOf(w, "  trips"));
    QCOMPARE(w->chartView()->chart()->title(), QStringLiteral("Year-on-Year - Group : \"trips\""));

    w->setChartShown(false);
    QVERIFY(!w->chartView()->isVisible());
    w->back();
    QVERIFY(w->chartView()->chart()->series().isEmpty());
    w->setChartShown(true);  // Back selected the group left
    QCOMPARE(chartSeries(w), QStringList({"bars trips:0,0,0,0,10"}));
    VERIFY_PROMPTS(prompter);
  }

  // Hundreds of rows: the chart stays at twenty series and says so.
  void chartCap() {
    ScriptedPrompter prompter;
    for (int i = 0; i < 25; ++i) {
      const int32_t id =
          MonthlyBooks::account(3, QStringLiteral("extra %1").arg(i, 2, 10, QChar('0')));
      QVERIFY(MonthlyBooks::post(id, 20240301, 100 + i));
    }
    QVERIFY(MonthlyBooks::rebuildHierarchy());
    TFMonthly* w = openAt("2024-03-31");
    w->setChartShown(true);
    QCOMPARE(w->chartView()->chart()->series().size(), 20);
    QCOMPARE(w->chartView()->chart()->title(),
             QStringLiteral("Month-on-Month - All internal accounts  (first 20 of 27 rows)"));
    QCOMPARE(w->chartView()->chart()->series().first()->name(), QStringLiteral("extra 00"));
    VERIFY_PROMPTS(prompter);
  }

  // The file holds the shown grid; with every name taken nothing is written.
  void csvFile_data() {
    QTest::addColumn<bool>("full");
    QTest::newRow("written") << false;
    QTest::newRow("all 100 names in use") << true;
  }
  void csvFile() {
    QFETCH(bool, full);
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    w->setMode(TMonthlyMode::Year);
    const QString folder = Session().dataFolder;
    if (full) {
      for (int i = 0; i < 100; ++i) {
        QFile f(folder + QStringLiteral("anlys%1.csv").arg(i, 2, 10, QChar('0')));
        QVERIFY(f.open(QIODevice::WriteOnly));
      }
      prompter.info("Cannot export - all 99 filenames in use, have a clearout!");
      QVERIFY(!w->exportToFile());
      QCOMPARE(QFileInfo(folder + "anlys00.csv").size(), 0);
    } else {
      const QString name = folder + "anlys00.csv";
      prompter.info("Exported OK to " + name);
      QVERIFY(w->exportToFile());
      QFile f(name);
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), QByteArray("Group/Account name,Group?,,202003,202103,202203,202303,"
                                       "202403\r\n"
                                       "\"  food\",,,,,,-5.00,30.00\r\n"
                                       "\"  trips\",GROUP,,,,,,10.00\r\n"
                                       "TOTALS,,,,,,-5.00,40.00\r\n"));
    }
    VERIFY_PROMPTS(prompter);
  }

  // "to Clipboard": title, hint and the rows with tabs.
  void clipboard() {
    ScriptedPrompter prompter;
    TFMonthly* w = openAt("2024-03-31");
    w->drillDown(rowOf(w, "  trips"));
    const QStringList lines = w->exportToClipboard().split('\n');
    QCOMPARE(lines.mid(0, 2),
             QStringList({"VORBEK2 - Internal Account  Analysis  Group : \"trips\"",
                          "(Column headings show month as yyyymm / Cells contain totals for this "
                          "month )"}));
    QVERIFY(lines[2].startsWith("Group/Account name\tGroup?\t202304\t"));
    QCOMPARE(lines[3], QStringLiteral(" trips : hotel\t\t\t\t\t\t\t\t\t\t\t\t+10.00\t\t+10.00"));
    QCOMPARE(QGuiApplication::clipboard()->text(), lines.join('\n'));
    w->copyCell(0, 12);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("+10.00"));
    VERIFY_PROMPTS(prompter);
  }
};

QTEST_MAIN(TstMonthlyWindow)
#include "tst_monthly_window.moc"
