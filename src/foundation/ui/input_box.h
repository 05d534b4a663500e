#pragma once
// The one-line input box behind AskText, AskText2, AskTextMax and AskInt: borderless,
// dragged by its background, one or two prompt lines, the text all selected, "OK"
// (default) and "Cancel".
#include <QString>

#include "foundation/ui/borderless_dialog.h"
#include "foundation/ui/qt_prompter.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TFInputBox : public TBorderlessDialog {
  Q_OBJECT
 public:
  // emphasis 1 or 2: which prompt line is one size larger. An empty line2 is hidden.
  // maxLength 0 = no limit.
  TFInputBox(const QString& prompt, const QString& line2, const QString& text, int maxLength,
             int emphasis, QWidget* parent = nullptr);
  QString text() const;
  QLineEdit* edit() const { return edit_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QLabel* promptLabel() const { return prompt_; }
  QLabel* line2Label() const { return line2_; }

 private:
  QLabel* prompt_ = nullptr;
  QLabel* line2_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Shows the box modally at the pointer (or where the previous message box stood when
// the pointer has not moved since; memory may be null). True with the typed text
// when OK was pressed.
bool RunInputBox(const QString& prompt, const QString& line2, QString& text, int maxLength,
                 int emphasis, MessagePlacement* memory);
