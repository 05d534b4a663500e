#pragma once
// The balances window (TFBals): the accounts of one kind with their groups and
// period figures, walked down and back through the group hierarchy, filtered
// by activity, with the row operations (postings, details, sweep, close,
// delete, regroup, new account or group) and the exports. There is one, kept
// for the whole run; the rows come from reports/balances_list.
#include <QAbstractTableModel>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include "reports/balances_list.h"
#include "store/records.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;

class BalancesModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit BalancesModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void reset(const QList<TBalanceRow>& rows, const TBalancesShown& shown);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  const QList<TBalanceRow>& rows() const { return rows_; }
  QString text(int r, int c) const { return texts_[r][c]; }

 private:
  QList<TBalanceRow> rows_;
  QList<QStringList> texts_;
  QStringList header_;
};

class TFBals : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFBals(QWidget* parent = nullptr);

  // The ways in: a kind at the top level (amounts hidden, jump box cleared),
  // or a group as the current group.
  void showBalances(int kind);
  void showBalancesOfGroup(int32_t groupId);
  // Forgets the group, the figures and the one-shot rebalance permission.
  void resetState();

  void refresh();            // the cursor kept on the remembered row
  void showAmounts();        // "Show amounts"
  void hideAmounts();        // "Hide amounts"
  void toggleAmounts();      // the button
  void choosePeriod();       // the period button
  void drillDown();          // the current row
  void goBack();             // "&Back"
  void openDetails();        // "Account / Group details"
  void openHeaderDetails();  // the header label
  void sweep();              // "Sweep balance  …"
  void copyCell();           // "Copy cell  …"
  void closeRow();           // "Close"
  void deleteRow();          // "Delete"
  void newAccount();         // "&New" › "Account"
  void newGroup();           // "&New" › "Group"
  void regroup(bool all);    // "Regroup" › "Regroup selection" / "Regroup all"
  void exportList(int how);  // 0 clipboard, 1 CSV, 2 tabs, 3 printer
  void setFilter(BalancesFilter f);
  void prepareContextMenu();

  // What tests and the accessibility tree look at.
  int listKind() const { return kind_; }
  int32_t groupId() const { return groupId_; }
  QString listCurrency() const { return ccy_; }
  bool balancesShown() const { return shownBal_; }
  bool movementsShown() const { return shownMov_; }
  BalancesModel* model() const { return model_; }
  QTableView* grid() const { return grid_; }
  int currentRow() const;
  void setCurrentRow(int row);
  int32_t currentId() const;
  QAction* action(const QString& text) const;      // by its text without "&"
  QPushButton* button(const QString& text) const;  // by its text without "&"
  QMenu* contextMenu() const { return context_; }
  QLineEdit* jumpBox() const { return jump_; }
  QPushButton* headerButton() const { return header_; }
  QPushButton* amountsButton() const { return amounts_; }
  QPushButton* periodButton() const { return period_; }
  QRadioButton* nativeButton() const { return native_; }
  QRadioButton* equivalentButton() const { return equivalent_; }
  QLabel* countLabel() const { return count_; }
  QLabel* totalLabel(int i) const { return totals_[i]; }
  QString periodCaption() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void buildControls();
  void buildMenus();
  void refreshList();
  void placeTotals();
  void jumpTo(const QString& text);
  void clearJumpQuietly();
  bool currentRowData(TBalanceRow& row) const;
  int32_t nextRowId(int row) const;
  void landOnNew(int32_t id);
  void useRowCurrency(const TBalanceRow& row);
  int64_t nativeClosing(const TBalanceRow& row) const;
  bool typedKey(QKeyEvent* e);
  void reopenWithoutAmounts();

  int kind_ = 1;
  int32_t groupId_ = 0;
  TObj group_;
  QString ccy_;
  bool reqBal_ = false;
  bool reqMov_ = false;
  bool shownBal_ = false;
  bool shownMov_ = false;
  bool permission_ = false;
  int32_t rememberedId_ = 0;
  bool checkArmed_ = false;
  TBalanceRow checkRow_;
  bool refreshing_ = false;
  bool refreshAgain_ = false;
  bool jumpQuiet_ = false;
  TBalancesShown shown_;

  BalancesModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QPushButton* header_ = nullptr;
  QPushButton* amounts_ = nullptr;
  QPushButton* period_ = nullptr;
  QRadioButton* native_ = nullptr;
  QRadioButton* equivalent_ = nullptr;
  QLabel* count_ = nullptr;
  QLabel* totals_[6] = {};
  QWidget* totalsBar_ = nullptr;
  QLineEdit* jump_ = nullptr;
  QMenu* context_ = nullptr;
  QMenu* filterMenu_ = nullptr;
  QAction* back_ = nullptr;
  QAction* filters_[4] = {};
  QAction* grouped_ = nullptr;
  QAction* hideUngrouped_ = nullptr;
  QAction* favorites_ = nullptr;
  QAction* orders_[3] = {};
  QAction* alwaysFit_ = nullptr;
  QAction* drill_ = nullptr;
  QAction* postings_ = nullptr;
  QAction* details_ = nullptr;
  QAction* categories_ = nullptr;
  QAction* sweep_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* close_ = nullptr;
  QAction* delete_ = nullptr;
};

// The one balances window (created on first use).
TFBals* TheBalancesWindow();
// Kind 1, 3, 4 or 6; any other shows the program error "Obj type shd be btype".
void ShowBalances(int kind);
void ShowBalancesOfGroup(int32_t groupId);
// Installs the drill-down, new-group and edit-group hooks and the reset on a
// books switch.
void InstallBalancesScreens();
