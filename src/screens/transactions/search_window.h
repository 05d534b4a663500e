#pragma once
// "Transaction Search" (TFSearch), the criteria dialog, and the one results
// window (TFSearchR) that lists every transaction list that is not a
// statement: searches, the journal in blocks of months, a batch, a repeater's
// instances, one counterparty's transactions in one category. The results
// window is also where transactions are edited quickly, batched and given
// another category or counterparty in bulk. The rows come from
// reports/txn_search; the changes go through the ledger.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include "reports/txn_search.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTableView;

// The grid's rows, all from one query, their texts made once.
class SearchModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit SearchModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void reset(const QList<TSearchRow>& rows);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  const QList<TSearchRow>& rows() const { return rows_; }
  const TSearchRow& row(int r) const { return rows_[r]; }
  QString text(int r, int c) const;

 private:
  QStringList header_ = SearchHeader();
  QList<TSearchRow> rows_;
  mutable QList<QStringList> texts_;  // made on first use
};

// How a run was started: by the user (dialog, entry operations), by
// "&Refresh", or again after a change the window made itself. Only the first
// asks its questions; the first two check for missing instances.
enum class TSearchRun { User, Refresh, Again };

class TFSearchR;

class TFSearch : public QDialog {
  Q_OBJECT
 public:
  explicit TFSearch(QWidget* parent = nullptr);
  QLineEdit* textBox() const { return text_; }
  QRadioButton* radio(int kind) const;
  QCheckBox* regenerate() const { return regenerate_; }
  int tickedKind() const;
  // Ticks the radio without the calendar or focus its click brings.
  void tick(int kind);
  // "OK": reads the criteria and runs the search.
  void ok();

 private:
  void ticked(int kind);
  QLineEdit* text_ = nullptr;
  QList<QPair<int, QRadioButton*>> radios_;
  QCheckBox* regenerate_ = nullptr;
};

class TFSearchR : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFSearchR(QWidget* parent = nullptr);

  // A run of kind on text; false when the text was missing or refused (the
  // window is then as it was) or the query failed.
  bool runText(int kind, const QString& text, TSearchRun how, int32_t positionId = 0);
  // Runs a search already read; the cursor on the row of cursorId (or one
  // whose MASTERID is, with masterToo), else as the kind puts it.
  bool runSearch(const TSearch& s, TSearchRun how, int32_t cursorId = 0, bool masterToo = false);

  // The menu's commands and the pop-up's, on the current row.
  void refresh();
  void newSearch();
  void firstRow();
  void lastRow();
  void scrollRows(int step);
  void jumpToDate();
  void askSpread();
  void nextBlock(int direction);
  void assign(int kind);
  void chooseFont();
  void exportList();
  void viewDetails();
  void quickEdit(QChar what);  // 'A' amount, 'D' description, 'R' reference
  void fullEdit();
  void viewBatch();
  void removeFromBatch();
  void addToBatch();
  void cancelTxn();
  void deleteTxn();
  void prepareContextMenu();

  const TSearch& search() const { return search_; }
  SearchModel* model() const { return model_; }
  QTableView* grid() const { return grid_; }
  QLabel* statusLine() const { return status_; }
  QMenu* contextMenu() const { return context_; }
  QMenu* journalMenu() const { return journal_; }
  QAction* action(const QString& text) const;  // by its text without "&"
  int currentRow() const;
  void setCurrentRow(int row);
  void resetState();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildMenus();
  bool current(TSearchRow& row) const;
  QList<int> selectedRows() const;
  void keepOffEdge(int row);
  void again(int32_t cursorId);

  TSearch search_;
  SearchModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLabel* status_ = nullptr;
  QMenu* context_ = nullptr;
  QMenu* journal_ = nullptr;
  QAction* spread_ = nullptr;
};

// The one dialog and the one results window (created on first use).
TFSearch* TheSearchDialog();
TFSearchR* TheSearchResults();

// The entry operations.
void ShowSearch();
void ShowJournal();
void ShowJournalAroundWindow(int32_t date, int32_t txnId);
void SearchTextWindow(const QString& text);
void ShowBatchWindow(int32_t batch);
void ShowInputOnWindow(int32_t createDate);
void ShowInstancesWindow(int32_t masterId, int32_t txnId);
void ShowCptyCategoryTxnsWindow(int cptyId, int categoryId);

// Installs the search hooks of screens/screen_hooks.h and the reset on a books switch.
void InstallSearchScreens();
