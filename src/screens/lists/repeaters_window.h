#pragma once
// The repeaters list (TFRptrs, "Repeating transactions"): the repeater masters,
// active ones or all, with the details, instances, deactivation and deletion
// of one and the weeding of the inactive ones. Non-modal, one instance,
// queried again every time it is shown.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "foundation/ui/row_table_model.h"
#include "reports/repeater_list.h"

class QAction;
class QLabel;
class QMenu;
class QTableView;

class TRptrsModel : public TRowTableModel<TRptrListRow> {
  Q_OBJECT
 public:
  explicit TRptrsModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFRptrs : public QDialog {
  Q_OBJECT
 public:
  explicit TFRptrs(QWidget* parent = nullptr);

  // Runs the query again with the cursor back on the current master.
  void refresh();
  // Puts the cursor on the master id; the last row when it is not listed.
  void goToId(int32_t id);
  int32_t currentId() const;
  void setCurrentRow(int row);

  // The menu's and the pop-up menu's commands.
  void setShowAll(bool all);
  void weed();
  void details();
  void instances();
  void deactivate();
  void deleteCurrent();
  void preparePopup();

  QTableView* grid() const { return grid_; }
  const TRptrsModel* model() const { return model_; }
  QLabel* statusPanel() const { return status_; }
  QMenu* filterMenu() const { return filter_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* action(const QString& text) const;  // menu bar, filter or pop-up item

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  TRptrsModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLabel* status_ = nullptr;
  QMenu* filter_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* active_ = nullptr;
  QAction* all_ = nullptr;
  QAction* weed_ = nullptr;
  QList<QAction*> actions_;
};

// The one window (created on first use).
TFRptrs* RepeatersWindow();
// The control window's "Repeaters": shows the window (which queries afresh).
void ShowRepeatersWindow();
