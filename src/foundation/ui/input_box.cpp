#include "foundation/ui/input_box.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/ui/controls.h"

namespace {

constexpr int kLeft = 12;  // left offset of the prompt lines and the text box

QString OnScreenText(QString s) {
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

}  // namespace

TFInputBox::TFInputBox(const QString& prompt, const QString& line2, const QString& text,
                       int maxLength, int emphasis, QWidget* parent)
    : TBorderlessDialog(parent) {
  setObjectName(QStringLiteral("FInputBox"));
  setWindowTitle(MessageCaption());
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);
  auto* box = new QVBoxLayout(frame);
  box->setContentsMargins(kLeft, 10, kLeft, 10);

  // Plain text labels without a buddy show "&" as it is.
  prompt_ = new QLabel(OnScreenText(prompt), frame);
  prompt_->setTextFormat(Qt::PlainText);
  line2_ = new QLabel(OnScreenText(line2), frame);
  line2_->setTextFormat(Qt::PlainText);
  line2_->setVisible(!line2.isEmpty());
  QLabel* larger = (emphasis == 1 || line2.isEmpty()) ? prompt_ : line2_;
  if (!line2.isEmpty()) {
    QFont f = larger->font();
    f.setPointSizeF(f.pointSizeF() + 1);
    larger->setFont(f);
  }
  box->addWidget(prompt_);
  box->addWidget(line2_);

  edit_ = new QLineEdit(frame);
  // The prompt is the box's label; a buddy would turn its "&" into an accelerator.
  edit_->setAccessibleName(prompt_->text().simplified());
  if (!line2.isEmpty()) edit_->setAccessibleDescription(line2_->text().simplified());
  if (maxLength > 0) edit_->setMaxLength(maxLength);
  edit_->setText(text);
  edit_->selectAll();
  box->addWidget(edit_);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  ok_ = new QPushButton(QStringLiteral("OK"), frame);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), frame);
  cancel_->setAutoDefault(false);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  box->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  // Wide enough for the longest prompt line: its width plus twice its left offset + 4.
  int longest = 0;
  for (QLabel* l : {prompt_, line2_}) {
    if (!l->isVisibleTo(this) && l == line2_) continue;
    for (const QString& part : l->text().split(QLatin1Char('\n')))
      longest = qMax(longest, l->fontMetrics().horizontalAdvance(part));
  }
  adjustSize();
  const int wanted = qMax(width(), longest + 2 * kLeft + 4);
  resize(qMax(wanted, 260), sizeHint().height());
  edit_->setFocus();
}

QString TFInputBox::text() const { return edit_->text(); }

bool RunInputBox(const QString& prompt, const QString& line2, QString& text, int maxLength,
                 int emphasis, MessagePlacement* memory) {
  TFInputBox box(prompt, line2, text, maxLength, emphasis, QApplication::activeWindow());
  const QPoint pointer = QCursor::pos();
  const QRect area = ScreenRectAt(pointer);
  QPoint at;
  if (memory) {
    at = PlaceMessageBox(area, pointer, box.size(), *memory);
  } else {
    at = KeepOnScreen(area, pointer, box.size());
  }
  box.move(at);
  const bool ok = box.exec() == QDialog::Accepted;
  if (memory) RememberMessageBoxClosed(*memory, QCursor::pos(), at, box.pos());
  if (ok) text = box.text();
  return ok;
}
