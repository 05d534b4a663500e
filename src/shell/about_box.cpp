#include "shell/about_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/numbers.h"

QString AboutText(const QString& programFile) {
  const QFileInfo info(programFile);
  QStringList lines;
  lines << QStringLiteral("vorbek") << QString::fromLatin1(kVersionLine) << QString()
        << QStringLiteral(
               "Double-entry cash accounting for a household or a small private concern.")
        << QStringLiteral("Database engine: Firebird 3 (embedded, SQL dialect 3), through Qt ") +
               QString::fromLatin1(qVersion())
        << QString()
        << QStringLiteral(
               "This program comes with no warranty of any kind. Keep your own backup "
               "copies of your books.")
        << QString() << info.absoluteFilePath()
        << (info.exists() ? StampText(StampOf(info.lastModified()), 1) : QString());
  return lines.join(QLatin1Char('\n'));
}

TFAbout1::TFAbout1(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FAbout1"));
  setWindowTitle(QStringLiteral("About"));
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->installEventFilter(this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  resize(460, 300);
}

void TFAbout1::showEvent(QShowEvent* e) {
  const QString file = QCoreApplication::applicationFilePath();
  text_->setPlainText(AboutText(file));
  // Wide enough for the longest line, the program file's name included.
  const QFontMetrics fm(text_->font());
  int widest = 0;
  for (const QString& line : text_->toPlainText().split(QLatin1Char('\n')))
    widest = qMax(widest, fm.horizontalAdvance(line));
  const int want = widest + 60;
  if (width() < want) resize(want, height());
  QDialog::showEvent(e);
}

bool TFAbout1::eventFilter(QObject* watched, QEvent* e) {
  if (watched == text_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}
