#pragma once
// The group details dialog (TFPgrp): a new account group, or one shown and
// edited (name, parent, dates, notes); and the regroup dialog (TFRegrp) that
// moves a list of accounts or groups under one new parent. The checks and the
// writing live in ledger/group_save.
#include <QDialog>
#include <QList>
#include <QPair>

#include "store/records.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TFPgrp : public QDialog {
  Q_OBJECT
 public:
  explicit TFPgrp(QWidget* parent = nullptr);

  // False (after "Invalid account type " + n + " - run DB Healthcheck!") for
  // a kind that is no group kind.
  bool prepareNew(int kind, const QString& proposedName);
  bool prepareExisting(int32_t id);

  bool isNew() const { return isNew_; }
  bool dirty() const { return dirty_; }
  const TObj& saved() const { return saved_; }
  QLineEdit* nameEdit() const { return name_; }
  QComboBox* parentCombo() const { return parent_; }
  QLineEdit* openedEdit() const { return opened_; }
  QLineEdit* closedEdit() const { return closed_; }
  QPlainTextEdit* notesEdit() const { return notes_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPushButton* calendarButton() const { return calendar_; }
  QAction* deleteAction() const { return delete_; }
  QTabWidget* tabs() const { return tabs_; }
  QLabel* currencyLabel() const { return ccy_; }
  QLabel* idLabel() const { return id_; }

  void save();           // "OK"
  void pickCloseDate();  // the calendar button
  void deleteGroup();    // "Delete"
  void reject() override;

 private:
  void fillParents(int kind, const QString& ccy);
  void changed();
  void setMode();

  bool isNew_ = true;
  bool dirty_ = false;
  bool filling_ = false;
  int kind_ = 0;
  TObj group_;
  TObj saved_;
  QTabWidget* tabs_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* parent_ = nullptr;
  QLabel* id_ = nullptr;
  QLabel* ccy_ = nullptr;
  QLabel* opening_ = nullptr;
  QLineEdit* opened_ = nullptr;
  QLineEdit* closed_ = nullptr;
  QPushButton* calendar_ = nullptr;
  QLabel* firstUsed_ = nullptr;
  QLabel* lastUsed_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  QLabel* stamps_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* delete_ = nullptr;
};

class TFRegrp : public QDialog {
  Q_OBJECT
 public:
  explicit TFRegrp(QWidget* parent = nullptr);
  // Clears the list and fills the parent combo with the groups of groupKind.
  void prepare(int groupKind);
  void addItem(int32_t id, const QString& name);
  QComboBox* parentCombo() const { return parent_; }
  QListWidget* itemList() const { return list_; }
  QPushButton* okButton() const { return ok_; }
  void accept() override;

 private:
  QComboBox* parent_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// The new-group dialog of kind 8, 9 or 10 (the kind of the members, 1 … 6,
// also names it): the new id, 0 when cancelled. The new group becomes the
// last chosen account.
int32_t NewGroup(int kind, const QString& proposedName);
// The dialog of an existing group; true when it was saved.
bool ShowGroupDetails(int32_t id);
// The regroup dialog for groupKind holding items (id, name); true when the
// user confirmed and the items were regrouped.
bool Regroup(int groupKind, const QList<QPair<int32_t, QString>>& items);
