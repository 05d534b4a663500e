#include "foundation/ui/qt_prompter.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QShowEvent>
#include <functional>

#include "foundation/ui/calendar.h"
#include "foundation/ui/choice_box.h"
#include "foundation/ui/flash_window.h"
#include "foundation/ui/folder_chooser.h"
#include "foundation/ui/input_box.h"

namespace {

QString g_captionOverride;

// A box that learns its final size only while it is being shown; onShow places it
// then, before the window appears, so it never flickers at another position.
template <class Base>
class PlacedBox : public Base {
 public:
  using Base::Base;
  std::function<void(QWidget*)> onShow;

 protected:
  void showEvent(QShowEvent* event) override {
    Base::showEvent(event);
    if (onShow && !event->spontaneous()) onShow(this);
  }
};

void prepareMessageBox(QMessageBox& box, const QString& text) {
  box.setWindowTitle(MessageCaption());
  // Texts with "<" or "&" are shown exactly as written.
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
}

QWidget* dialogParent() { return QApplication::activeWindow(); }

}  // namespace

void SetMessageCaptionOverride(const QString& caption) { g_captionOverride = caption; }
QString MessageCaptionOverride() { return g_captionOverride; }

QString MessageCaption() {
  return g_captionOverride.isEmpty() ? ProgramTitle() : " " + g_captionOverride;
}

QPoint PlaceMessageBox(const QRect& screen, const QPoint& pointer, const QSize& boxSize,
                       MessagePlacement& memory) {
  QPoint at;
  if (memory.remembered && pointer == memory.pointer) {
    at = memory.box;
  } else {
    at = pointer;
    memory.box = pointer;
  }
  return KeepOnScreen(screen, at, boxSize);
}

void RememberMessageBoxClosed(MessagePlacement& memory, const QPoint& pointer,
                              const QPoint& shownAt, const QPoint& closedAt) {
  memory.remembered = true;
  memory.pointer = pointer;
  if (closedAt != shownAt) memory.box = closedAt;
}

QtPrompter::QtPrompter() = default;

QtPrompter::~QtPrompter() {
  if (cursorOverridden_ && QCoreApplication::instance()) QApplication::restoreOverrideCursor();
}

template <class Box>
int QtPrompter::execPlaced(Box& box, MessagePlacement& memory) {
  QPoint shownAt;
  bool shown = false;
  box.onShow = [&](QWidget* w) {
    const QPoint pointer = QCursor::pos();
    shownAt = PlaceMessageBox(ScreenRectAt(pointer), pointer, w->frameGeometry().size(), memory);
    w->move(shownAt);
    shown = true;
  };
  const int result = box.exec();
  if (shown) RememberMessageBoxClosed(memory, QCursor::pos(), shownAt, box.pos());
  return result;
}

void QtPrompter::showInfo(const QString& text, bool plain) {
  if (plain) {
    // The toolkit's own box, placed by the toolkit and captioned with the title.
    QMessageBox box(dialogParent());
    box.setWindowTitle(ProgramTitle());
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return;
  }
  PlacedBox<QMessageBox> box(dialogParent());
  prepareMessageBox(box, text);
  box.setIcon(QMessageBox::Information);
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  execPlaced(box, placement_);
}

char QtPrompter::askYesNoCancel(const QString& text) {
  PlacedBox<QMessageBox> box(dialogParent());
  prepareMessageBox(box, text);
  box.setIcon(QMessageBox::Question);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  execPlaced(box, placement_);
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return 'Y';
    case QMessageBox::No:
      return 'N';
    case QMessageBox::Cancel:
      return 'C';
    default:
      return ' ';
  }
}

bool QtPrompter::askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
                         int emphasis) {
  return RunInputBox(prompt, line2, text, maxLength, emphasis, &placement_);
}

int QtPrompter::askChoice(const QString& text, const QString& option1, const QString& option2) {
  return RunChoiceBox(text, option1, option2, &choicePlacement_);
}

bool QtPrompter::pickDate(const QString& title, TDateRec& date) { return RunCalendar(title, date); }

bool QtPrompter::pickFolder(QString& folder) { return RunFolderChooser(folder); }

void QtPrompter::flash(const QString& text, FlashMode mode) { ShowFlashMessage(text, mode); }

void QtPrompter::setStatus(const QString& text) {
  if (statusSink_) statusSink_(text);
}

// The override cursor is a stack: push it once when work starts, pop it once at depth 0.
void QtPrompter::busyChanged(int depth) {
  if (depth > 0 && !cursorOverridden_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorOverridden_ = true;
  } else if (depth == 0 && cursorOverridden_) {
    QApplication::restoreOverrideCursor();
    cursorOverridden_ = false;
  }
}

void QtPrompter::processEvents() { QCoreApplication::processEvents(); }
