#include "foundation/ui/choice_box.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "foundation/ui/controls.h"

TFChoice::TFChoice(const QString& text, const QString& option1, const QString& option2,
                   QWidget* parent)
    : TBorderlessDialog(parent) {
  setObjectName(QStringLiteral("FChoice"));
  setWindowTitle(MessageCaption());
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);
  auto* box = new QVBoxLayout(frame);
  box->setContentsMargins(12, 12, 12, 10);

  auto* top = new QHBoxLayout();
  auto* picture = new QLabel(frame);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  picture->setPixmap(style()
                         ->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this)
                         .pixmap(iconSize, iconSize));
  picture->setAlignment(Qt::AlignTop);
  top->addWidget(picture);
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  text_ = new QLabel(shown, frame);
  text_->setTextFormat(Qt::PlainText);  // no buddy: "&" shows as it is
  text_->setWordWrap(true);
  text_->setMinimumWidth(280);
  top->addWidget(text_, 1);
  box->addLayout(top);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  b1_ = new QPushButton(option1, frame);
  b2_ = new QPushButton(option2, frame);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), frame);
  for (QPushButton* b : {b1_, b2_, cancel_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  box->addLayout(buttons);
  connect(b1_, &QPushButton::clicked, this, [this] {
    choice_ = 1;
    accept();
  });
  connect(b2_, &QPushButton::clicked, this, [this] {
    choice_ = 2;
    accept();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    choice_ = 0;
    reject();
  });
  adjustSize();
}

MessagePlacement& ChoiceBoxPlacement() {
  static MessagePlacement memory;
  return memory;
}

int RunChoiceBox(const QString& text, const QString& option1, const QString& option2,
                 MessagePlacement* memory) {
  TFChoice box(text, option1, option2, QApplication::activeWindow());
  const QPoint pointer = QCursor::pos();
  const QRect area = ScreenRectAt(pointer);
  MessagePlacement& remembered = memory ? *memory : ChoiceBoxPlacement();
  const QPoint at = PlaceMessageBox(area, pointer, box.size(), remembered);
  box.move(at);
  box.exec();
  RememberMessageBoxClosed(remembered, QCursor::pos(), at, box.pos());
  return box.choice();
}
