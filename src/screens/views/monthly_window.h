#pragma once
// The movement analysis of the internal accounts: the start dialog that asks
// for the end date (TFanlsys) and the analysis window (TFMonthly) that
// rebuilds the monthly totals, then shows them month by month or as rolling
// years, by group, with a chart and a CSV export.
#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <atomic>

#include "foundation/daterec.h"
#include "reports/monthly_grid.h"
#include "store/records.h"

class QAction;
class QActionGroup;
class QChartView;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTableView;

// "A&nalysis": the start dialog, then the analysis for the date chosen.
void ShowAnalysisDialog();
// Opens (or re-opens) the analysis ending with end's month: rebuilds the
// totals and fills the grid. During a rebuild it only brings the window up.
void ShowMonthlyAnalysis(const TDateRec& end);
// True while the analysis rebuilds its totals (the books must stay as they are).
bool MonthlyRebuildRunning();

class TMonthlyModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TMonthlyModel(QObject* parent) : QAbstractTableModel(parent) {}
  void setGrid(const TMonthlyGrid& grid);
  void clear();
  const TMonthlyGrid& grid() const { return grid_; }
  bool isEmpty() const { return empty_; }
  // The grid row of a model row: a data row, the totals row, or nullptr.
  const TMonthlyGridRow* rowAt(int row) const;
  bool isDataRow(int row) const { return !empty_ && row >= 0 && row < grid_.rows.size(); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

 private:
  TMonthlyGrid grid_;
  bool empty_ = true;
};

class TFanlsys : public QDialog {
  Q_OBJECT
 public:
  explicit TFanlsys(QWidget* parent = nullptr);
  // Shows the database start and the period end.
  void prepare();
  // "OK": a real date closes the dialog with it; anything else says so and stays.
  void ok();
  TDateRec endDate() const { return end_; }

  QLineEdit* earliestBox() const { return earliest_; }
  QLineEdit* endBox() const { return endBox_; }
  QPushButton* calendarButton() const { return calendar_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  TDateRec end_;
  QLineEdit* earliest_ = nullptr;
  QLineEdit* endBox_ = nullptr;
  QPushButton* calendar_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

class TFMonthly : public QWidget {
  Q_OBJECT
 public:
  explicit TFMonthly(QWidget* parent = nullptr);
  ~TFMonthly() override;

  // The opening: caption, top level, shown maximised, rebuild, fill.
  void open(const TDateRec& end);
  // Refills from MTHLY (no rebuild) with the current end, mode, group and sort.
  void fill();
  bool rebuilding() const { return rebuilding_; }

  void previousMonth();
  void nextMonth();
  void setMode(TMonthlyMode mode);
  TMonthlyMode mode() const;
  void setSort(TMonthlySort sort);
  void setShowGrouping(bool on);
  void setChartShown(bool on);
  void drillDown(int row);
  void back();
  void postings(int row);
  void details(int row);
  void copyCell(int row, int column);
  QString exportToClipboard();
  bool exportToFile();
  void clearGrid();
  void rebuildFromMenu();
  // Where the pop-up menu was opened (column 0 counts as 1): its items enabled for that cell.
  void preparePopup(int row, int column);

  TDateRec endDate() const { return end_; }
  int32_t currentGroup() const { return group_; }
  QString groupText() const;
  QString caption() const { return windowTitle(); }
  QString hintText() const;
  TMonthlyModel* model() const { return model_; }
  QTableView* gridView() const { return view_; }
  QChartView* chartView() const { return chart_; }
  QPushButton* backButton() const { return back_; }
  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QRadioButton* modeButton(TMonthlyMode mode) const;
  QLabel* stageLabel() const { return stage_; }
  QLabel* counterLabel() const { return counter_; }
  QMenu* popupMenu() const { return popup_; }
  QMenuBar* menuBar() const { return bar_; }
  // An item of the menu bar or the pop-up menu by its text ("&" included).
  QAction* action(const QString& text) const;
  // The rows the chart shows now (grid rows; grid.rows.size() is the totals row).
  QList<int> chartRows() const;

 Q_SIGNALS:
  // After each progress report of the rebuild (the user interface has run its events).
  void progressShown();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool rebuild();
  void setBusyLook(bool on);
  void updateChart();
  void fitColumnZero(int width = -1);
  void selectRowOf(int32_t id);
  void setGroup(int32_t id);

  TDateRec end_;
  int32_t group_ = 0;
  TObj groupObj_;
  TMonthlySort sort_ = TMonthlySort::ByName;
  bool showGrouping_ = true;
  bool fixColumn_ = true;
  bool rebuilding_ = false;
  bool closeApproved_ = false;
  std::atomic<bool> abort_{false};
  bool built_ = false;

  TMonthlyModel* model_ = nullptr;
  QMenuBar* bar_ = nullptr;
  QTableView* view_ = nullptr;
  QSplitter* split_ = nullptr;
  QChartView* chart_ = nullptr;
  QPushButton* prev_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* back_ = nullptr;
  QRadioButton* modes_[3] = {nullptr, nullptr, nullptr};
  QLabel* group_label_ = nullptr;
  QLabel* hint_ = nullptr;
  QLabel* stage_ = nullptr;
  QLabel* counter_ = nullptr;
  QWidget* progress_ = nullptr;
  QWidget* top_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* closeAction_ = nullptr;
  QAction* chartAction_ = nullptr;
  QList<QPointer<QAction>> rested_;  // the items disabled during a rebuild
  int popupRow_ = -1;
  int popupColumn_ = -1;
};

// The one analysis window (created on first use).
TFMonthly* MonthlyAnalysisWindow();
