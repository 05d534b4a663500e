#include "foundation/ui/qt_prompter.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCursor>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

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
  if (QCoreApplication::instance()) delete flashWindow_.data();
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
  return simpleAskText(prompt, line2, text, maxLength, emphasis);
}

int QtPrompter::askChoice(const QString& text, const QString& option1, const QString& option2) {
  return simpleAskChoice(text, option1, option2);
}

bool QtPrompter::pickDate(const QString& title, TDateRec& date) {
  return simplePickDate(title, date);
}

bool QtPrompter::pickFolder(QString& folder) { return simplePickFolder(folder); }

void QtPrompter::flash(const QString& text, FlashMode mode) { simpleFlash(text, mode); }

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

// ---- Simple input, choice, calendar, folder and flash windows ----------------------

bool QtPrompter::simpleAskText(const QString& prompt, const QString& line2, QString& text,
                               int maxLength, int emphasis) {
  PlacedBox<QDialog> box(dialogParent());
  box.setWindowTitle(MessageCaption());
  auto* layout = new QVBoxLayout(&box);
  auto addLine = [&](const QString& s, bool larger) {
    auto* label = new QLabel(&box);
    label->setTextFormat(Qt::PlainText);
    label->setText(s);
    if (larger) {
      QFont f = label->font();
      f.setPointSizeF(f.pointSizeF() + 1);
      label->setFont(f);
    }
    layout->addWidget(label);
  };
  addLine(prompt, emphasis == 1);
  if (!line2.isEmpty()) addLine(line2, emphasis != 1);
  auto* edit = new QLineEdit(&box);
  if (maxLength > 0) edit->setMaxLength(maxLength);
  edit->setText(text);
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  layout->addWidget(buttons);
  edit->setFocus();
  if (execPlaced(box, placement_) != QDialog::Accepted) return false;
  text = edit->text();
  return true;
}

int QtPrompter::simpleAskChoice(const QString& text, const QString& option1,
                                const QString& option2) {
  PlacedBox<QMessageBox> box(dialogParent());
  prepareMessageBox(box, text);
  box.setIcon(QMessageBox::Question);
  QAbstractButton* first = box.addButton(option1, QMessageBox::AcceptRole);
  QAbstractButton* second = box.addButton(option2, QMessageBox::AcceptRole);
  QAbstractButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setEscapeButton(cancel);
  execPlaced(box, choicePlacement_);
  if (box.clickedButton() == first) return 1;
  if (box.clickedButton() == second) return 2;
  return 0;
}

bool QtPrompter::simplePickDate(const QString& title, TDateRec& date) {
  PlacedBox<QDialog> box(dialogParent());
  box.setWindowTitle(title.isEmpty() ? ProgramTitle() : title);
  auto* layout = new QVBoxLayout(&box);
  auto* calendar = new QCalendarWidget(&box);
  const QDate start(date.year, date.month, date.day);
  calendar->setSelectedDate(start.isValid() ? start : QDate::currentDate());
  layout->addWidget(calendar);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  QObject::connect(calendar, &QCalendarWidget::activated, &box, &QDialog::accept);
  layout->addWidget(buttons);
  if (execPlaced(box, placement_) != QDialog::Accepted) return false;
  const QDate picked = calendar->selectedDate();
  date.year = uint16_t(picked.year());
  date.month = uint16_t(picked.month());
  date.day = uint16_t(picked.day());
  return true;
}

bool QtPrompter::simplePickFolder(QString& folder) {
  const QString chosen =
      QFileDialog::getExistingDirectory(dialogParent(), QStringLiteral("Select folder"), folder);
  if (chosen.isEmpty()) return false;
  folder = chosen.endsWith('/') ? chosen : chosen + '/';
  return true;
}

void QtPrompter::simpleFlash(const QString& text, FlashMode mode) {
  if (mode == FlashMode::Close) {
    if (flashTimer_) flashTimer_->stop();
    if (flashWindow_) flashWindow_->hide();
    flashMode_ = FlashMode::Close;
    return;
  }
  if (!flashWindow_) {
    flashWindow_ = new QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint |
                                           Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    flashWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    flashWindow_->setTextFormat(Qt::PlainText);
    flashWindow_->setAlignment(Qt::AlignCenter);
    flashWindow_->setAutoFillBackground(true);
    QPalette p = flashWindow_->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 192));
    p.setColor(QPalette::WindowText, Qt::black);
    flashWindow_->setPalette(p);
    flashTimer_ = new QTimer(flashWindow_);
    flashTimer_->setSingleShot(true);
    QLabel* window = flashWindow_;
    QObject::connect(flashTimer_, &QTimer::timeout, window, [this, window] {
      window->hide();
      flashMode_ = FlashMode::Close;
    });
  }
  const bool showing = flashWindow_->isVisible();
  if (mode == FlashMode::Keep && showing && flashMode_ == FlashMode::Keep) {
    flashWindow_->setText(text);
    return;
  }
  QString shown = text;
  if (mode == FlashMode::Timed) {
    if (showing && flashMode_ == FlashMode::Timed) shown = flashWindow_->text() + '\n' + text;
    flashTimer_->start(FlashDurationMs(text, FlashInterval()));
  } else {
    flashTimer_->stop();
  }
  flashMode_ = mode;
  flashWindow_->setText(shown);
  const QSize textSize = flashWindow_->fontMetrics().size(0, shown);
  const QSize size(qMax(120, textSize.width() + 20), qMax(20, textSize.height() + 4));
  flashWindow_->resize(size);
  const QPoint pointer = QCursor::pos();
  flashWindow_->move(PointerPlacement(ScreenRectAt(pointer), pointer, size));
  flashWindow_->show();
  QCoreApplication::processEvents();
}
