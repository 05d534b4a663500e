#include "screens/common/clipboard_window.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSaveFile>
#include <QVBoxLayout>

#include "foundation/messages.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/page_printer.h"
#include "foundation/ui/window_positions.h"

namespace {
QPointer<TFClpBd2> g_window;
}  // namespace

TFClpBd2::TFClpBd2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FClpBd2"));
  setModal(false);
  setWindowTitle(QStringLiteral("Clipboard"));

  auto* bar = new QMenuBar(this);
  auto add = [&](const QString& text, std::function<void()> run) {
    QAction* a = bar->addAction(text);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
    actions_ << a;
  };
  add(QStringLiteral("Close"), [this] { close(); });
  add(QStringLiteral("Save"), [this] { save(); });
  add(QStringLiteral("Print"), [this] { print(); });
  add(QStringLiteral("Font"), [this] { chooseFont(); });

  memo_ = new QPlainTextEdit(this);
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setAccessibleName(QStringLiteral("Clipboard text"));
  panel_ = new QLabel(this);
  panel_->setFrameShape(QFrame::StyledPanel);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addWidget(memo_);
  layout->addWidget(panel_);
  resize(640, 420);
  RegisterWindowPosition(this, objectName());
}

QAction* TFClpBd2::action(const QString& caption) const {
  for (QAction* a : actions_)
    if (a->text() == caption) return a;
  return nullptr;
}

void TFClpBd2::showEvent(QShowEvent* e) {
  // Shown for any reason, the memo holds what the system clipboard holds.
  if (const QClipboard* clipboard = QGuiApplication::clipboard()) setText(clipboard->text());
  QDialog::showEvent(e);
}

void TFClpBd2::setText(const QString& text) {
  memo_->setPlainText(text);
  updatePanel();
}

QString TFClpBd2::text() const { return memo_->toPlainText(); }

void TFClpBd2::updatePanel() {
  panel_->setText(" " + QString::number(memo_->toPlainText().size()) + " characters");
}

bool TFClpBd2::saveToFile(QString name) {
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".txt");
  if (QFileInfo::exists(name) && !AskYes(QStringLiteral("File already exists - overwrite?")))
    return false;
  QSaveFile file(name);
  const QByteArray bytes = memo_->toPlainText().toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    ShowInfo("Cannot write " + name + " : " + reason);
    return false;
  }
  return true;
}

void TFClpBd2::save() {
  QFileDialog dialog(this, QStringLiteral("Save"), QString(), QStringLiteral("Text files (*.txt)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  // The overwrite question is asked by saveToFile, in the program's own box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  saveToFile(dialog.selectedFiles().first());
}

void TFClpBd2::print() {
  if (memo_->document()->isEmpty()) return;
  if (!AskPrintSettings()) return;
  printLines();
}

void TFClpBd2::printLines() {
  BusyOn();
  SetPrintFont(memo_->font());
  if (BeginPrint()) {
    for (const QString& line : memo_->toPlainText().split(QLatin1Char('\n'))) PrintLine(line);
    EndPrint();
  }
  BusyOff();
}

void TFClpBd2::chooseFont() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, memo_->font(), this);
  if (ok) memo_->setFont(font);
}

TFClpBd2* ClipboardWindow() {
  if (!g_window) g_window = new TFClpBd2;
  return g_window;
}

void ShowClipboardWindow(const QString& text) {
  TFClpBd2* w = ClipboardWindow();
  ShowRestored(w);
  // The text given wins over what the clipboard may hold by now.
  w->setText(text);
  w->raise();
  w->activateWindow();
}
