#pragma once
// The templates window (TFttemplates): the template names, by name. Using one
// starts a new transaction from the transaction it names. Non-modal, one
// instance; "New" works only when it was opened from the details view of a
// stored transaction.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "foundation/ui/row_table_model.h"
#include "ledger/templates.h"

class QAction;
class QMenu;
class QTableView;

class TTemplatesModel : public TRowTableModel<TTemplateRow> {
  Q_OBJECT
 public:
  explicit TTemplatesModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFttemplates : public QDialog {
  Q_OBJECT
 public:
  explicit TFttemplates(QWidget* parent = nullptr);

  // Shows the window with "New" enabled or not, the list queried again.
  void showWith(bool newEnabled);
  void refresh();
  int32_t currentTxnId() const;
  bool selectTxn(int32_t txnId);

  // The menu and pop-up items.
  void makeNew();
  void useCurrent();
  void viewDetails();
  void renameCurrent();
  void deleteCurrent();

  QTableView* grid() const { return grid_; }
  const TTemplatesModel* model() const { return model_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* action(const QString& caption) const;

 private:
  TTemplatesModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QMenu* popup_ = nullptr;
  QList<QAction*> actions_;
};

TFttemplates* TemplatesWindow();
// "Templates": from the control window and the statement (newEnabled false),
// from the details view (true).
void ShowTemplatesWindow(bool newEnabled);

// Starts a new transaction from the template of txnId: the new transaction's
// id, 0 when none was saved (or its master's instances were listed instead).
// A template whose transaction is gone says so and offers to delete it.
int32_t UseTemplate(int32_t txnId);
