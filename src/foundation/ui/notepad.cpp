#include "foundation/ui/notepad.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTimer>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/qt_prompter.h"
#include "foundation/ui/window_positions.h"
#include "store/inifile.h"

namespace {

constexpr int kSaveDelayMs = 15000;
const QString kFontSection = QStringLiteral("notepad");

// Old notepad files may predate UTF-8; such bytes are read as Latin-1.
QString DecodeText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

bool WriteText(const QString& file, const QString& text) {
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(text.toUtf8());
  return out.commit();
}

}  // namespace

QString NotepadSaveMessage(bool unsavedChanges, bool savedSinceLoad, int secondsUntilSave) {
  if (unsavedChanges) {
    return QStringLiteral("Changes will anyway be saved automatically in ") +
           QString::number(secondsUntilSave) + QStringLiteral(" second") +
           (secondsUntilSave == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(",") +
           QStringLiteral("\r") + QStringLiteral("or when the Notepad is closed.");
  }
  if (savedSinceLoad) return QStringLiteral("All changes have already been saved");
  return QStringLiteral("There are no changes to save");
}

int NotepadSearchStart(int textLength, int cursor, int selectionStart, int selectionLength) {
  if (selectionLength > 0) return qMin(selectionStart + 1, textLength);
  if (cursor >= textLength) return 0;
  return qMax(0, cursor - 1);
}

void NotepadInfo(const QString& text) {
  const QString previous = MessageCaptionOverride();
  SetMessageCaptionOverride(QStringLiteral("Notepad"));
  ShowInfo(text);
  SetMessageCaptionOverride(previous);
}

bool NotepadAsk(const QString& text) {
  const QString previous = MessageCaptionOverride();
  SetMessageCaptionOverride(QStringLiteral("Notepad"));
  const bool yes = AskYes(text);
  SetMessageCaptionOverride(previous);
  return yes;
}

TFNpad::TFNpad() {
  setObjectName(QStringLiteral("FNpad"));
  setWindowTitle(ProgramTitle() + QStringLiteral(" - Notepad"));
  memo_ = new QPlainTextEdit(this);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setCentralWidget(memo_);
  resize(560, 420);

  QMenuBar* bar = menuBar();
  auto add = [this](QWidget* where, const QString& caption, auto slot) {
    auto* a = new QAction(caption, this);
    a->setObjectName(caption);
    connect(a, &QAction::triggered, this, slot);
    where->addAction(a);
    return a;
  };
  QAction* close = add(bar, QStringLiteral("Close"), [this] { this->close(); });
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  close->setShortcutContext(Qt::WindowShortcut);
  add(bar, QStringLiteral("Save"), [this] { sayWhenSaved(); });
  add(bar, QStringLiteral("Now!"), [this] { insertNow(); });
  QMenu* exportMenu = bar->addMenu(QStringLiteral("Export"));
  add(exportMenu, QStringLiteral("to Clipboard"), [this] { exportToClipboard(); });
  add(exportMenu, QStringLiteral("to File"), [this] { chooseExportFile(); });
  add(bar, QStringLiteral("Font"), [this] { chooseFont(); });
  add(bar, QStringLiteral("Scroll-to-cursor"), [this] { scrollToCursor(); });
  add(bar, QStringLiteral("Clear"), [this] { clearAll(); });
  add(bar, QStringLiteral("Search"), [this] { search(); });
  auto* f3 = new QAction(QStringLiteral("Find next"), memo_);
  f3->setShortcut(QKeySequence(Qt::Key_F3));
  f3->setShortcutContext(Qt::WidgetShortcut);
  connect(f3, &QAction::triggered, this, [this] { findNext(); });
  memo_->addAction(f3);

  saveTimer_ = new QTimer(this);
  saveTimer_->setSingleShot(true);
  connect(saveTimer_, &QTimer::timeout, this, &TFNpad::saveNow);
  connect(memo_, &QPlainTextEdit::textChanged, this, &TFNpad::textChanged);
  // The program may end with the notepad still open: its text is not lost then either.
  connect(qApp, &QCoreApplication::aboutToQuit, this, &TFNpad::saveNow);

  loadFont();
  loadText();
  RegisterWindowPosition(this, QStringLiteral("FNpad"));
}

QAction* TFNpad::action(const QString& caption) const { return findChild<QAction*>(caption); }

QString TFNpad::textFile() const { return ProgramFolder() + QStringLiteral("npad.txt"); }
QString TFNpad::fontFile() const { return ProgramFolder() + QStringLiteral("npad.ini"); }
bool TFNpad::saveTimerRunning() const { return saveTimer_->isActive(); }

void TFNpad::loadFont() {
  const IniFile ini(fontFile());
  QFont f(ini.readString(kFontSection, QStringLiteral("FONTNAME"), QStringLiteral("Arial")));
  f.setPointSize(ini.readInteger(kFontSection, QStringLiteral("FONTSIZE"), 10));
  f.setBold(ini.readBool(kFontSection, QStringLiteral("FONTBOLD"), false));
  f.setItalic(ini.readBool(kFontSection, QStringLiteral("FONTITALIC"), false));
  f.setUnderline(ini.readBool(kFontSection, QStringLiteral("FONTUNDERLINE"), false));
  f.setStrikeOut(ini.readBool(kFontSection, QStringLiteral("FONTSTRIKEOUT"), false));
  memo_->setFont(f);
}

void TFNpad::saveFont() {
  const QFont f = memo_->font();
  IniFile ini(fontFile());
  ini.writeString(kFontSection, QStringLiteral("FONTNAME"), f.family());
  ini.writeInteger(kFontSection, QStringLiteral("FONTSIZE"), f.pointSize());
  ini.writeBool(kFontSection, QStringLiteral("FONTBOLD"), f.bold());
  ini.writeBool(kFontSection, QStringLiteral("FONTITALIC"), f.italic());
  ini.writeBool(kFontSection, QStringLiteral("FONTUNDERLINE"), f.underline());
  ini.writeBool(kFontSection, QStringLiteral("FONTSTRIKEOUT"), f.strikeOut());
  ini.save();
}

void TFNpad::loadText() {
  loading_ = true;
  QFile in(textFile());
  if (in.open(QIODevice::ReadOnly))
    memo_->setPlainText(DecodeText(in.readAll()));
  else
    memo_->clear();
  loading_ = false;
  changed_ = false;
  savedSinceLoad_ = false;
}

void TFNpad::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (e->spontaneous()) return;
  loadText();
  memo_->moveCursor(QTextCursor::End);
  shownOnce_ = true;
  QTimer::singleShot(500, this, [this] { scrollToCursor(); });
}

void TFNpad::closeEvent(QCloseEvent* e) {
  saveNow();
  QMainWindow::closeEvent(e);
}

void TFNpad::textChanged() {
  if (loading_ || !shownOnce_) return;
  changed_ = true;
  if (!saveTimer_->isActive()) {
    saveTimer_->start(kSaveDelayMs);
    saveDue_ = ClockNow().addMSecs(kSaveDelayMs);
  }
}

void TFNpad::saveNow() {
  saveTimer_->stop();
  if (changed_) {
    if (WriteText(textFile(), memo_->toPlainText())) {
      changed_ = false;
      savedSinceLoad_ = true;
    } else {
      NotepadInfo(QStringLiteral("Cannot write ") + textFile());
    }
  }
  if (fontChanged_) {
    saveFont();
    fontChanged_ = false;
  }
}

void TFNpad::sayWhenSaved() {
  const qint64 ms = ClockNow().msecsTo(saveDue_);
  NotepadInfo(NotepadSaveMessage(changed_, savedSinceLoad_, int(qMax<qint64>(0, ms / 1000))));
}

void TFNpad::insertNow() { memo_->insertPlainText(StampText(StampNow(), 2)); }

void TFNpad::exportToClipboard() {
  QGuiApplication::clipboard()->setText(memo_->toPlainText());
  memo_->moveCursor(QTextCursor::Start);
  Flash(QStringLiteral("Exported OK"));
}

void TFNpad::chooseExportFile() {
  QFileDialog dialog(this, QString(), ProgramFolder(), QStringLiteral("Text files (*.txt)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  exportToFile(dialog.selectedFiles().first());
}

void TFNpad::exportToFile(const QString& fileName) {
  QString name = fileName;
  if (!name.toLower().endsWith(QStringLiteral(".txt"))) name += QStringLiteral(".txt");
  if (WriteText(name, memo_->toPlainText()))
    Flash(QStringLiteral("Exported OK"));
  else
    NotepadInfo(QStringLiteral("Cannot write ") + name);
  QDir::setCurrent(ProgramFolder());
}

void TFNpad::chooseFont() {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, memo_->font(), this);
  if (!ok) return;
  memo_->setFont(f);
  fontChanged_ = true;
}

void TFNpad::scrollToCursor() { memo_->ensureCursorVisible(); }

void TFNpad::clearAll() {
  if (!NotepadAsk(QStringLiteral("Clear the notepad - are you sure ?"))) return;
  if (!NotepadAsk(QStringLiteral("... really sure ? (last chance)"))) return;
  memo_->clear();
}

void TFNpad::search() {
  QString text = searchText_;
  if (!AskText2(QStringLiteral("Search for"), QStringLiteral("(afterwards use F3 for Find Next)"),
                text, 1))
    return;
  if (text.isEmpty()) return;
  searchText_ = text.toLower();
  firstSearch_ = true;
  findNext();
}

void TFNpad::findNext() {
  if (searchText_.isEmpty()) return;
  const QString text = memo_->toPlainText().toLower();
  QTextCursor cursor = memo_->textCursor();
  const int from = NotepadSearchStart(int(text.size()), cursor.position(), cursor.selectionStart(),
                                      cursor.selectionEnd() - cursor.selectionStart());
  const qsizetype hit = text.indexOf(searchText_, from);
  if (hit < 0) {
    ShowInfo(InQuotes(searchText_) + (firstSearch_ ? QStringLiteral(" - not found")
                                                   : QStringLiteral(" - no more instances")));
  } else {
    cursor.setPosition(int(hit));
    cursor.setPosition(int(hit + searchText_.size()), QTextCursor::KeepAnchor);
    memo_->setTextCursor(cursor);
    memo_->ensureCursorVisible();
  }
  firstSearch_ = false;
}

TFNpad* TheNotepad() {
  static QPointer<TFNpad> notepad;
  if (!notepad) notepad = new TFNpad();
  return notepad;
}

void ShowNotepad() {
  TFNpad* n = TheNotepad();
  ShowRestored(n);
  n->raise();
  n->activateWindow();
}
