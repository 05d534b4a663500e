#pragma once
// The application's prompter: real message boxes placed by the pointer, the busy
// cursor, and the program's input, choice, calendar, folder and flash windows.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

#include "foundation/messages.h"
#include "foundation/ui/controls.h"

class QWidget;

// While set (the notepad sets "Notepad"), message boxes carry " " + this caption
// instead of the program's title.
void SetMessageCaptionOverride(const QString& caption);
QString MessageCaptionOverride();
// The caption of ShowInfo and question boxes under the rule above.
QString MessageCaption();

// Where the previous message box was left, and where the pointer was then.
struct MessagePlacement {
  bool remembered = false;
  QPoint pointer;  // pointer position when the previous box closed
  QPoint box;      // top-left corner of the previous box (moved there by the user or not)
};

// Where a message box opens: at the pointer, or where the previous box was left when
// the pointer has not moved since it closed; kept on screen. A new pointer position
// becomes the remembered box position.
QPoint PlaceMessageBox(const QRect& screen, const QPoint& pointer, const QSize& boxSize,
                       MessagePlacement& memory);

// After a box closes: remember the pointer, and the box's corner when the user
// dragged it away from shownAt.
void RememberMessageBoxClosed(MessagePlacement& memory, const QPoint& pointer,
                              const QPoint& shownAt, const QPoint& closedAt);

class QtPrompter : public Prompter {
 public:
  QtPrompter();
  ~QtPrompter() override;

  void showInfo(const QString& text, bool plain) override;
  char askYesNoCancel(const QString& text) override;
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override;
  int askChoice(const QString& text, const QString& option1, const QString& option2) override;
  bool pickDate(const QString& title, TDateRec& date) override;
  bool pickFolder(QString& folder) override;
  void flash(const QString& text, FlashMode mode) override;
  void setStatus(const QString& text) override;
  void busyChanged(int depth) override;
  void processEvents() override;

  // Where status texts go (the control window's status line, once it exists).
  void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }
  const MessagePlacement& placement() const { return placement_; }

 private:
  // Runs a modal box at the position kept in memory and remembers where it was left.
  template <class Box>
  int execPlaced(Box& box, MessagePlacement& memory);

  MessagePlacement placement_;        // message, question and input boxes
  MessagePlacement choicePlacement_;  // the choice box remembers its own
  bool cursorOverridden_ = false;
  std::function<void(const QString&)> statusSink_;
};
