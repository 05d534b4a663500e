#pragma once
// The "Diary entry" window (TFDiary): a date and a description written as a
// diary entry. Non-modal, created once and reused, so its boxes keep their
// text between uses.
#include <QDialog>

class QAction;
class QLineEdit;
class QPushButton;

class TFDiary : public QDialog {
  Q_OBJECT
 public:
  explicit TFDiary(QWidget* parent = nullptr);

  // "Add": writes the entry and commits it at once (a saved note survives a
  // crash); the window closes. A refused entry keeps the window open.
  void pressAdd();

  QLineEdit* dateBox() const { return date_; }
  QLineEdit* descriptionBox() const { return description_; }
  QPushButton* calendarButton(int i) const { return i == 0 ? calendar1_ : calendar2_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* cancelButton() const { return cancel_; }
  QAction* closeAction() const { return close_; }

 private:
  QLineEdit* date_ = nullptr;
  QLineEdit* description_ = nullptr;
  QPushButton* calendar1_ = nullptr;
  QPushButton* calendar2_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* close_ = nullptr;
};

// The one diary window (created on first use with parent, then reused).
TFDiary* TheDiaryWindow(QWidget* parent = nullptr);
// The control window's "Diary entry" item: shows the window non-modally.
void ShowDiaryEntryWindow(QWidget* parent);
