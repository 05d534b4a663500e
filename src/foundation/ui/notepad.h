#pragma once
// The notepad: a memo kept in npad.txt (its font in npad.ini) in the program folder,
// saved 15 seconds after the first change and when the window closes.
#include <QDateTime>
#include <QFont>
#include <QMainWindow>
#include <QString>

class QAction;
class QPlainTextEdit;
class QTimer;

// The answer of the "Save" item: changes not saved yet, saved since loading, or none.
QString NotepadSaveMessage(bool unsavedChanges, bool savedSinceLoad, int secondsUntilSave);

// Where a search starts: at the second character of a selection, at the first
// character when the cursor stands at the end, else one character before the cursor.
int NotepadSearchStart(int textLength, int cursor, int selectionStart, int selectionLength);

// ShowInfo / AskYes with the caption "Notepad" while they are shown.
void NotepadInfo(const QString& text);
bool NotepadAsk(const QString& text);

class TFNpad : public QMainWindow {
  Q_OBJECT
 public:
  TFNpad();

  QPlainTextEdit* memo() const { return memo_; }
  // Menu items by their caption ("Close", "Save", "Now!", "to Clipboard", "to File",
  // "Font", "Scroll-to-cursor", "Clear", "Search").
  QAction* action(const QString& caption) const;
  QString textFile() const;
  QString fontFile() const;
  bool hasUnsavedChanges() const { return changed_; }
  bool saveTimerRunning() const;
  QDateTime saveDue() const { return saveDue_; }

  void saveNow();       // writes what needs writing (the save timer does this)
  void sayWhenSaved();  // the "Save" item
  void findNext();      // F3
  void search();        // the "Search" item
  void insertNow();     // the "Now!" item
  void exportToFile(const QString& fileName);  // "to File" once a name was chosen

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void loadFont();
  void saveFont();
  void loadText();
  void textChanged();
  void chooseExportFile();
  void exportToClipboard();
  void chooseFont();
  void clearAll();
  void scrollToCursor();

  QPlainTextEdit* memo_ = nullptr;
  QTimer* saveTimer_ = nullptr;
  QDateTime saveDue_;
  bool changed_ = false;
  bool savedSinceLoad_ = false;
  bool fontChanged_ = false;
  bool loading_ = false;
  bool shownOnce_ = false;
  QString searchText_;
  bool firstSearch_ = true;
};

// The one notepad (created on first use, then reused).
TFNpad* TheNotepad();
void ShowNotepad();
