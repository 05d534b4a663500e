#pragma once
// The reminders list (TFRemdrs, "Reminders"): the reminders due today or
// earlier, or all of them, with a new free reminder, the transaction of one,
// its re-dating and its deletion. Non-modal, one instance; it opens by itself
// when reminders are due after books are opened, and while they are announced
// the user's closes count towards the nag.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "foundation/ui/row_table_model.h"
#include "ledger/reminders.h"

class QAction;
class QCloseEvent;
class QMenu;
class QTableView;

class TRemdrsModel : public TRowTableModel<TRemdrRow> {
  Q_OBJECT
 public:
  explicit TRemdrsModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFRemdrs : public QDialog {
  Q_OBJECT
 public:
  explicit TFRemdrs(QWidget* parent = nullptr);

  // Runs the query under the filter again, the cursor back on the current row.
  void refresh();
  void goToId(int32_t id);
  int32_t currentId() const;
  void setCurrentRow(int row);

  // The user's close (menu "Close", Escape): refused while the nag says so.
  // True when the window closed.
  bool userClose();
  void setViewCurrent(bool current);
  void newReminder();
  void viewTransaction();
  void redate();
  void deleteCurrent();
  void preparePopup();

  QTableView* grid() const { return grid_; }
  const TRemdrsModel* model() const { return model_; }
  QMenu* filterMenu() const { return filter_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* action(const QString& text) const;  // menu bar, filter or pop-up item

  void reject() override;  // Escape

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  TRemdrsModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QMenu* filter_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* current_ = nullptr;
  QAction* all_ = nullptr;
  QList<QAction*> actions_;
  bool closing_ = false;  // a close the nag has let through
};

// The one window (created on first use; the control window knows it).
TFRemdrs* RemindersListWindow();
// The control window's "Reminders": shows the window and refreshes it.
void ShowRemindersWindow();
