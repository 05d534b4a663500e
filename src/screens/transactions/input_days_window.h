#pragma once
// The days-with-input window (TfTxnInpDays): the dates on which transactions
// were typed in, the latest current; each leads to that day's input.
// Non-modal, one instance, the list queried on every show.
#include <QDialog>
#include <QList>

class QAction;
class QListWidget;
class QMenu;

class TfTxnInpDays : public QDialog {
  Q_OBJECT
 public:
  explicit TfTxnInpDays(QWidget* parent = nullptr);

  // Queries the days and puts the cursor on the latest.
  void reload();
  // "List transactions": that day's input through ShowInputOn.
  void listCurrent();
  int32_t currentDay() const;

  QListWidget* list() const { return list_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* listAction() const { return listAction_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  QListWidget* list_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* listAction_ = nullptr;
};

TfTxnInpDays* InputDaysWindow();
void ShowInputDaysWindow();
