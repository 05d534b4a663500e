#pragma once
// The two-option choice box behind AskChoice: a picture, the word-wrapped text, the
// two option buttons and "Cancel". Borderless and dragged by its background.
#include <QString>

#include "foundation/ui/borderless_dialog.h"
#include "foundation/ui/qt_prompter.h"

class QLabel;
class QPushButton;

class TFChoice : public TBorderlessDialog {
  Q_OBJECT
 public:
  TFChoice(const QString& text, const QString& option1, const QString& option2,
           QWidget* parent = nullptr);
  int choice() const { return choice_; }  // 1, 2, or 0 for Cancel
  QLabel* textLabel() const { return text_; }
  QPushButton* button1() const { return b1_; }
  QPushButton* button2() const { return b2_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QLabel* text_ = nullptr;
  QPushButton* b1_ = nullptr;
  QPushButton* b2_ = nullptr;
  QPushButton* cancel_ = nullptr;
  int choice_ = 0;
};

// Shows the choice box modally at the pointer, or where the previous choice box was
// left when the pointer has not moved since it closed (memory holds that; the
// shared ChoiceBoxPlacement() when null). 1 or 2 for the option, 0 for Cancel.
int RunChoiceBox(const QString& text, const QString& option1, const QString& option2,
                 MessagePlacement* memory = nullptr);
MessagePlacement& ChoiceBoxPlacement();
