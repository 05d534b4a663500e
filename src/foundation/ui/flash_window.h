#pragma once
// Flash messages: a small borderless window that shows a text for a while, or until
// it is closed, and needs no answer.
#include <QSize>
#include <QString>
#include <QWidget>

#include "foundation/messages.h"

class QLabel;
class QTimer;

// What the flash window does for one Flash / FlashStatus / FlashKeep / FlashClose.
struct FlashStep {
  bool close = false;   // hide the window
  bool place = false;   // (re)place the window at the pointer and show it
  QString text;         // the whole text to show
  int durationMs = -1;  // time until it closes; -1 = it stays
};

// The rules without the window: a timed flash arriving while a timed one is still
// up is added to it on a new line; FlashKeep over a kept message only changes the
// text; each timed message restarts the display time with FlashDurationMs of its
// own text.
class FlashLogic {
 public:
  FlashStep apply(const QString& msg, FlashMode mode, int interval);
  void expired();  // the display time of a timed message ran out
  bool visible() const { return visible_; }
  bool timed() const { return mode_ == FlashMode::Timed; }
  const QString& text() const { return text_; }

 private:
  bool visible_ = false;
  FlashMode mode_ = FlashMode::Close;
  QString text_;
};

// Width at least 120 and the text's width + 20; height at least 20.
QSize FlashWindowSize(const QSize& textSize);

// The one flash window (TFFlash).
class TFFlash : public QWidget {
  Q_OBJECT
 public:
  TFFlash();
  void flash(const QString& msg, FlashMode mode);
  QString shownText() const;  // as shown, lines joined by "\r\n"
  int remainingMs() const;    // -1 when no timer runs
  int lastDurationMs() const { return lastDuration_; }
  const FlashLogic& logic() const { return logic_; }

 private:
  void showStep(const FlashStep& step);
  void timeUp();

  FlashLogic logic_;
  QLabel* panel_ = nullptr;
  QTimer* timer_ = nullptr;
  int lastDuration_ = -1;
};

// The flash window shared by the whole program (created on first use).
TFFlash* TheFlashWindow();
// Shows msg in the shared window under the rules above, with the FlashInterval setting.
void ShowFlashMessage(const QString& msg, FlashMode mode);
