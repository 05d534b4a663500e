#pragma once
// The transaction details window (Tfdptxn): one transaction, or one repeater
// master, in full, and the hub from which it is edited, copied, repeated,
// batched, unstraddled, deleted or followed to its accounts, batch, journal
// and instances. Non-modal, one instance reused; every action that changes
// the transaction shows it again.
#include <QDialog>
#include <QList>

#include "store/records.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

class Tfdptxn : public QDialog {
  Q_OBJECT
 public:
  explicit Tfdptxn(QWidget* parent = nullptr);

  // Fills the window from record and shows it.
  void showRecord(const TTxn& record);
  // Reads the record again (a master from its RPTR row, anything else by id)
  // and fills the window; closes it when the record is gone.
  void refresh();
  const TTxn& record() const { return txn_; }

  // The actions, as their controls run them.
  void viewPostings(int row);  // rows as accountRow numbers them
  void editAccount(int row);
  void editMaster();
  void deactivate();
  void fullEdit();
  void quickEdit(QChar which);  // 'D' description, 'R' reference
  void addToBatch();
  void removeFromBatch();
  void unstraddle();
  void offerRepeat(QChar freq);
  void newFromThis();
  void deleteShown();

  // One row of accounts: caption, name button, "!!" mark, statement button.
  struct AccountRow {
    QLabel* caption = nullptr;
    QPushButton* name = nullptr;
    QLabel* mark = nullptr;
    QPushButton* postings = nullptr;
    int32_t id = 0;
  };
  // Row 0, 1: accounts 1 and 2; 2: the ACCID4 row ("Account 3"); 3: the ACCID3 row.
  const AccountRow& accountRow(int row) const { return rows_[row == 2 ? 3 : row == 3 ? 2 : row]; }

  QLabel* panel() const { return panel_; }
  QLabel* idCaption() const { return idCaption_; }
  QLabel* idValue() const { return idValue_; }
  QLabel* batchValue() const { return batchValue_; }
  QLabel* typeValue() const { return typeValue_; }
  QLabel* dateValue() const { return dateValue_; }
  QLabel* postingDateValue() const { return postingDateValue_; }
  QLabel* actualDateValue() const { return actualDateValue_; }
  QLabel* channelCaption() const { return channelCaption_; }
  QPushButton* channelButton() const { return channel_; }
  QLabel* descriptionValue() const { return description_; }
  QLabel* amountValue() const { return amount_; }
  QLabel* valueCaption() const { return valueCaption_; }
  QLabel* valueValue() const { return value_; }
  QLabel* stampsValue() const { return stamps_; }
  QGroupBox* repeatBox() const { return repeatBox_; }
  QLabel* repeatText() const { return repeatText_; }
  QPushButton* viewBatchButton() const { return viewBatch_; }
  QPushButton* journalButton() const { return journal_; }
  QPushButton* instancesButton() const { return instances_; }
  QPushButton* inputOnButton() const { return inputOn_; }
  QPushButton* masterEditButton() const { return masterEdit_; }
  QPushButton* deactivateButton() const { return deactivate_; }
  QMenu* editMenu() const { return editMenu_; }
  QMenu* repeatMenu() const { return repeatMenu_; }
  // Actions by caption ("&Close", "Refresh", "Full edit", "Monthly", "New", …).
  QAction* action(const QString& caption) const;

 private:
  void fill();
  AccountRow& makeRow(class QGridLayout* grid, int line, int row);

  TTxn txn_;
  QList<TObj> accounts_;  // of the rows, read for display
  QList<AccountRow> rows_;

  QLabel* panel_ = nullptr;
  QLabel* idCaption_ = nullptr;
  QLabel* idValue_ = nullptr;
  QLabel* batchValue_ = nullptr;
  QPushButton* viewBatch_ = nullptr;
  QLabel* typeValue_ = nullptr;
  QLabel* dateValue_ = nullptr;
  QLabel* postingDateValue_ = nullptr;
  QLabel* actualDateValue_ = nullptr;
  QLabel* channelCaption_ = nullptr;
  QPushButton* channel_ = nullptr;
  QLabel* description_ = nullptr;
  QLabel* amount_ = nullptr;
  QLabel* valueCaption_ = nullptr;
  QLabel* value_ = nullptr;
  QGroupBox* repeatBox_ = nullptr;
  QLabel* repeatText_ = nullptr;
  QPushButton* instances_ = nullptr;
  QPushButton* masterEdit_ = nullptr;
  QPushButton* deactivate_ = nullptr;
  QLabel* stamps_ = nullptr;
  QPushButton* inputOn_ = nullptr;
  QPushButton* journal_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* repeatMenu_ = nullptr;
  QList<QAction*> actions_;
};

// The one window (created on first use).
Tfdptxn* TxnDetailsWindow();
// With the busy cursor: reads the transaction and shows it; "txn not found "
// + id when it is gone.
void ShowTransactionDetails(int32_t id);
// The record (a master record, or one not stored) becomes the shown one.
void ShowRecordDetailsWindow(const TTxn& record);
// The record the details window shows; false when it is closed.
bool ShownDetailsRecord(TTxn& record);

// The transaction the control window's "View last input/edit" opens: the one
// saved last in this run, else the latest created or edited one; 0 when none.
int32_t LastInputOrEditedId();

// Installs the details window as the ledger's show-transaction hook and the
// screens' record-details hook, the clipboard window as the export hook.
// Called once at program start.
void InstallTransactionScreens();
