#pragma once
// The "Postings" window (TFPstgs): one account's postings in one currency,
// as a plain list or a statement with running balances, with reconciliation,
// re-ordering within a day, quick edits, assignments, exports and the jumps
// to other accounts' statements. There is one, kept for the whole run; the
// rows come from reports/postings_list in chunks as the grid scrolls.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include "reports/postings_list.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;

// The grid's rows: fetched a chunk at a time, texts made once per row.
class PostingsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit PostingsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void reset(const TPostingsQuery& q, const TBfdLine& bfd);
  void clear();
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  // Every remaining row (exports, jumps, whole-list actions).
  void fetchAll();
  // Rows up to and including row (when the list has that many).
  void fetchTo(int row);
  const QList<TPostingRow>& rows() const { return rows_; }
  const TPostingRow& row(int r) const { return rows_[r]; }
  QString text(int r, int c) const { return texts_[r][c]; }
  const TPostingsQuery& query() const { return q_; }

 private:
  void append(const QList<TPostingRow>& more);
  TPostingsQuery q_;
  TBfdLine bfd_;
  QStringList header_;
  QList<TPostingRow> rows_;
  QList<QStringList> texts_;
  bool more_ = false;
  bool open_ = false;
};

class TFPstgs : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFPstgs(QWidget* parent = nullptr);

  // The three ways in.
  void showPostings(int accountId);
  void showPostingsAtTxn(int accountId, int32_t txnId);
  void showAllPostings(int accountId);
  // Forgets the account, the Back memory and the remembered transaction.
  void resetState();

  // Operations behind the buttons and menus, on the current row.
  void refresh();       // keeps the mode
  void plainRefresh();  // the plain list, the cursor kept
  void quickRefresh();
  void fullRefresh();  // "&Refresh"
  void showStatement();
  void computeTotals(const TPostingsTotals* known = nullptr);  // known: already summed
  void reconcilePosting();
  void sumSelected();
  void reconcileBalance();
  void lastReconciled();
  void moveRow(int step);
  void quickEdit(QChar what);  // 'D' date, 'A' amount, 'N' narrative, 'R' reference
  void fullEdit();
  void cancelTxn();
  void deleteTxn();
  void addToBatch();
  void assign(int kind);
  void sweepBalance();
  void transact(int kind);
  void viewPosting();
  void viewTransaction();
  void listContra();
  void listCategory();
  void goBack();
  void jumpToDate(int32_t ymd);
  void exportList(int how);  // 0 clipboard, 1 CSV, 2 tabs, 3 printer
  // Fills the context menu's captions for the current row.
  void prepareContextMenu();

  // What tests and the accessibility tree look at.
  const TObj& account() const { return account_; }
  bool statementOn() const { return statement_; }
  QString listCurrency() const { return ccy_; }
  const TBfdLine& bfdLine() const { return bfd_; }
  PostingsModel* model() const { return model_; }
  QTableView* grid() const { return grid_; }
  int currentRow() const;
  void setCurrentRow(int row);
  QAction* action(const QString& text) const;  // by its text without "&"
  QMenu* contextMenu() const { return context_; }
  QPushButton* nameButton() const { return name_; }
  QLabel* kindLabel() const { return kind_; }
  QComboBox* channelCombo() const { return channel_; }
  QComboBox* currencyCombo() const { return currency_; }
  QPushButton* refreshOutstanding() const { return outstanding_; }
  QRadioButton* whenButton(TPostingsWhen w) const;
  QPushButton* button(const QString& text) const;  // by its text without "&"
  QLabel* countLabel() const { return count_; }
  QLabel* totalLabel(int i) const { return totals_[i]; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildControls();
  void buildMenus();
  bool openAccount(int accountId);
  void refreshList(bool statement, bool full);
  void setupChannels();
  void placeCursor(int32_t txnId);
  void bringIntoView(int row, int context);
  bool currentPosting(TPostingRow& row) const;
  int32_t followingTxn() const;
  QList<int> selectedRows() const;
  TPostingsWhen when() const;
  QChar typeFilter() const;
  int32_t channelFilter() const;
  QString exportTitle() const;
  void afterReconcile();
  void jumpRows(int row);

  TObj account_;
  QString ccy_;
  bool statement_ = false;
  bool fullRefresh_ = true;
  int32_t rememberedTxn_ = 0;
  int backAccount_ = 0;
  int32_t backTxn_ = 0;
  QString backCcy_;
  bool switchToBase_ = false;
  TBfdLine bfd_;

  PostingsModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QPushButton* name_ = nullptr;
  QLabel* kind_ = nullptr;
  QLabel* channelLabel_ = nullptr;
  QComboBox* channel_ = nullptr;
  QComboBox* currency_ = nullptr;
  QPushButton* outstanding_ = nullptr;
  QRadioButton* all_ = nullptr;
  QRadioButton* periodPlus_ = nullptr;
  QRadioButton* period_ = nullptr;
  QLabel* count_ = nullptr;
  QLabel* totals_[3] = {nullptr, nullptr, nullptr};
  QWidget* totalsBar_ = nullptr;
  QMenu* context_ = nullptr;
  QMenu* filterMenu_ = nullptr;
  QActionGroup* filterGroup_ = nullptr;
};

// The one postings window (created on first use).
TFPstgs* ThePostingsWindow();
void ShowAllPostings(int accountId);
// Installs the showPostings and showPostingsAtTxn hooks and the reset on a
// books switch.
void InstallPostingsScreens();

// "Posting details" (TFpdets): one posting's stored values, non-modal.
class TFpdets : public QDialog {
  Q_OBJECT
 public:
  explicit TFpdets(QWidget* parent = nullptr);
  // False after "txn not found " + id when the posting is gone.
  bool showPosting(int32_t txnId, int32_t account);
  QString value(const QString& caption) const;

 private:
  QList<QLabel*> captions_;
  QList<QLabel*> values_;
};

// The captions and values the posting details window shows.
QList<QPair<QString, QString>> PostingDetailsLines(const TPstg& p);
