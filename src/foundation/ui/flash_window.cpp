#include "foundation/ui/flash_window.h"

#include <QCoreApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "foundation/ui/controls.h"

FlashStep FlashLogic::apply(const QString& msg, FlashMode mode, int interval) {
  FlashStep step;
  if (mode == FlashMode::Close || msg.isEmpty()) {
    step.close = true;
    visible_ = false;
    mode_ = FlashMode::Close;
    text_.clear();
    return step;
  }
  if (mode == FlashMode::Timed) {
    const bool append = visible_ && mode_ == FlashMode::Timed;
    text_ = append ? text_ + QStringLiteral("\r\n") + msg : msg;
    step.place = !append;
    // The time goes by the new message: that is what the user has still to read.
    step.durationMs = FlashDurationMs(msg, interval);
  } else {
    // A kept message replaced by another kept one keeps its place on the screen.
    step.place = !(mode == FlashMode::Keep && visible_ && mode_ == FlashMode::Keep);
    text_ = msg;
  }
  step.text = text_;
  mode_ = mode;
  visible_ = true;
  return step;
}

void FlashLogic::expired() {
  visible_ = false;
  mode_ = FlashMode::Close;
  text_.clear();
}

QSize FlashWindowSize(const QSize& textSize) {
  return QSize(qMax(120, textSize.width() + 20), qMax(20, textSize.height() + 6));
}

TFFlash::TFFlash()
    // A tool-tip window: above the others, and never given the keyboard focus.
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("FFlash"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  panel_ = new QLabel(this);
  panel_->setTextFormat(Qt::PlainText);
  panel_->setAlignment(Qt::AlignCenter);
  panel_->setAutoFillBackground(true);
  panel_->setStyleSheet(QStringLiteral(
      "QLabel { background-color: #ffffc0; color: black; border: 1px solid #808080; }"));
  layout->addWidget(panel_);
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &TFFlash::timeUp);
}

void TFFlash::flash(const QString& msg, FlashMode mode) {
  showStep(logic_.apply(msg, mode, FlashInterval()));
}

QString TFFlash::shownText() const {
  if (!isVisible()) return QString();
  return panel_->text().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

int TFFlash::remainingMs() const { return timer_->isActive() ? timer_->remainingTime() : -1; }

void TFFlash::showStep(const FlashStep& step) {
  if (step.close) {
    timer_->stop();
    lastDuration_ = -1;
    hide();
    return;
  }
  QString shown = step.text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  panel_->setText(shown);
  const QSize textSize = panel_->fontMetrics().size(0, shown);
  const QSize size = FlashWindowSize(textSize);
  resize(size);
  const QPoint pointer = QCursor::pos();
  // A new message goes by the pointer; a longer text keeps the window where it is.
  move(step.place ? PointerPlacement(ScreenRectAt(pointer), pointer, size)
                  : KeepOnScreen(ScreenRectAt(pos()), pos(), size));
  lastDuration_ = step.durationMs;
  if (step.durationMs >= 0)
    timer_->start(step.durationMs);
  else
    timer_->stop();
  if (!isVisible()) show();
  raise();
  // Paint now: the caller is usually about to start a long step.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFFlash::timeUp() {
  logic_.expired();
  lastDuration_ = -1;
  hide();
}

TFFlash* TheFlashWindow() {
  static QPointer<TFFlash> window;
  if (!window) window = new TFFlash();
  return window;
}

void ShowFlashMessage(const QString& msg, FlashMode mode) { TheFlashWindow()->flash(msg, mode); }
