#pragma once
// The "New Reminder" dialog (TFRmDets, modal): a target date, the days before
// it from which the reminder shows (or "on date"), and its text.
#include <QDialog>
#include <cstdint>
#include <functional>

class QLineEdit;
class QPushButton;
class QRadioButton;

class TFRmDets : public QDialog {
  Q_OBJECT
 public:
  explicit TFRmDets(QWidget* parent = nullptr);

  // "OK": adds the reminder and closes; a refused text keeps the dialog open.
  void pressOk();
  int32_t newId() const { return newId_; }

  QLineEdit* targetBox() const { return target_; }
  QRadioButton* onDateRadio() const { return onDate_; }
  QRadioButton* daysBeforeRadio() const { return daysBefore_; }
  QLineEdit* daysBox() const { return days_; }
  QLineEdit* textBox() const { return text_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QLineEdit* target_ = nullptr;
  QRadioButton* onDate_ = nullptr;
  QRadioButton* daysBefore_ = nullptr;
  QLineEdit* days_ = nullptr;
  QLineEdit* text_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  int32_t newId_ = 0;
};

// Shows the dialog modally: the new reminder's id, 0 when cancelled.
int32_t RunNewReminderDialog(QWidget* parent);
// Called with every dialog as it opens (tests drive it from here); none by default.
void SetNewReminderDialogHook(std::function<void(TFRmDets*)> hook);
