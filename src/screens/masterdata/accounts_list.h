#pragma once
// The accounts list (TFAccs, "Master file : Accounts"): the accounts of one
// family filtered by status, modal, one window per family (external accounts,
// internal accounts, counterparties). In pick mode the chosen account lands in
// SelectedAccount; in browse mode its postings open.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "foundation/ui/row_table_model.h"
#include "reports/account_lists.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;

// The rows of the list as a table: "Account name" and "Status".
class TAccountListModel : public TRowTableModel<TAccountListRow> {
  Q_OBJECT
 public:
  explicit TAccountListModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFAccs : public QDialog {
  Q_OBJECT
 public:
  explicit TFAccs(int family, QWidget* parent = nullptr);

  // Opens modally for kind in mode (1 pick, 2 browse); true when an account
  // was chosen (pick mode: in SelectedAccount).
  bool run(int kind, int mode, int preselectId);

  // Re-reads the rows with the checked filter and positions on keepId (when
  // given and present), else on row fallbackRow (clamped), else by the name box.
  void refresh(int keepId = 0, int fallbackRow = -1);
  AccountFilter filter() const;
  void setFilter(AccountFilter f);  // checks the radio button quietly

  // The current row's account id; 0 when there is none.
  int currentId() const;
  int currentRow() const;
  void setCurrentRow(int row);
  void chooseCurrent();

  // Controls, for the tests and for the pop-up menu.
  QLineEdit* nameBox() const { return name_; }
  QTableView* grid() const { return grid_; }
  const TAccountListModel* model() const { return model_; }
  QLabel* countLabel() const { return count_; }
  QRadioButton* filterButton(AccountFilter f) const { return filters_[int(f)]; }
  QRadioButton* fasterButton() const { return faster_; }
  QRadioButton* smarterButton() const { return smarter_; }
  QPushButton* button(const QString& text) const;  // by its label, e.g. "&New"
  QMenu* popupMenu() const { return popup_; }
  QAction* popupAction(const QString& text) const;  // by its label, e.g. "De&lete"
  QAction* dormancyAction() const { return dormancy_; }
  // Updates the pop-up's checks and enabled items for the current row.
  void preparePopup();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void build();
  void updateDefaultButton();
  void updateHints();
  void positionByName();
  void nameChanged();
  void incrementalSearch();
  void chooseDefault();
  void addNew();
  void details();
  void toggleFavourite();
  void toggleDefault();
  void deleteCurrent();
  void search();
  void askDormancy();
  void scrollRows(int delta);
  // Reads id into SelectedAccount (with its channel for an external account)
  // and closes with success; browse mode opens the postings instead.
  bool choose(int id);
  int defaultId() const;

  int family_;
  int kind_ = 0;
  int mode_ = 1;
  QList<QRadioButton*> filters_;
  QRadioButton* faster_ = nullptr;
  QRadioButton* smarter_ = nullptr;
  QLineEdit* name_ = nullptr;
  QTableView* grid_ = nullptr;
  TAccountListModel* model_ = nullptr;
  QLabel* count_ = nullptr;
  QPushButton* default_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* dormancy_ = nullptr;
};

// The window of the family of kind (created on first use); nullptr for a kind
// outside the three families.
TFAccs* AccountsListWindow(int kind);
// Opens the list: false at once (after a message) when kind has no list or
// its window is already showing.
bool OpenAccountsList(int kind, int mode, int preselectId);
