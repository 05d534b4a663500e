#pragma once
// The user-message seam. The engine asks its questions through these free
// functions; they forward to one installed prompter: message boxes in the
// application, a script in tests, stderr and flags in vorbek-cli.
#include <QString>
#include <QStringList>

#include "foundation/daterec.h"

enum class FlashMode { Timed, Status, Keep, Close };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // An information box with one OK button. plain = the toolkit's plain message
  // box (used only for "Invalid amount"), otherwise the program's own box.
  virtual void showInfo(const QString& text, bool plain) = 0;
  // Yes/No/Cancel question: 'Y', 'N', 'C', or ' ' when closed any other way.
  virtual char askYesNoCancel(const QString& text) = 0;
  // One-line input box. line2 may be empty; emphasis 1 or 2 says which prompt
  // line is shown larger; maxLength 0 = unlimited. False = cancelled.
  virtual bool askText(const QString& prompt, const QString& line2, QString& text,
                       int maxLength, int emphasis) = 0;
  // Choice box: 1 or 2 for the option pressed, 0 for Cancel.
  virtual int askChoice(const QString& text, const QString& option1,
                        const QString& option2) = 0;
  // Calendar: true with the chosen date.
  virtual bool pickDate(const QString& title, TDateRec& date) = 0;
  // Folder chooser: true with the chosen folder (trailing separator).
  virtual bool pickFolder(QString& folder) = 0;
  // Flash messages need no answer.
  virtual void flash(const QString& text, FlashMode mode) = 0;
  virtual void setStatus(const QString& text) { (void)text; }
  // Busy cursor: called with the new nesting depth after each change.
  virtual void busyChanged(int depth) { (void)depth; }
  // Let queued window messages run (a no-op without windows).
  virtual void processEvents() {}
};

// Installs p as the prompter (nullptr restores the default, which writes to
// stderr and answers every question with Cancel). Returns the previous one.
Prompter* InstallPrompter(Prompter* p);
Prompter& CurrentPrompter();

QString ProgramTitle();
void SetProgramTitle(const QString& title);

void ShowInfo(const QString& text);
void ShowPlainInfo(const QString& text);
void ShowProgramError(const QString& text);
void ShowNotSupported(const QString& what);
char AskYesNoCancel(const QString& text);
bool AskYes(const QString& text);
bool ConfirmOk(const QString& text);
bool ConfirmSure(const QString& text);
bool ConfirmReallySure(const QString& text);
bool ConfirmExit();

void BusyOn();
void BusyOff();
void BusyReset();
int BusyDepth();
void ProcessPendingMessages();

// Input boxes and choice box.
bool AskText(const QString& prompt, QString& text);
bool AskText2(const QString& prompt, const QString& line2, QString& text, int emphasis = 2);
bool AskTextMax(const QString& prompt, QString& text, int maxLength);
bool AskInt(const QString& prompt, int& n);
int AskChoice(const QString& text, const QString& option1, const QString& option2);

// Calendar and folder chooser.
bool PickDate(TDateRec& date);
bool PickDateTitled(const QString& title, TDateRec& date);
bool PickFolder(QString& folder);

// Flash messages and the status line.
void Flash(const QString& msg);
void FlashStatus(const QString& msg);
void FlashKeep(const QString& msg);
void FlashClose();
void ExplainFlash();
int FlashInterval();
void SetFlashInterval(int ms);
bool AskFlashInterval();
// How long a timed flash of text stays up (interval for short texts, longer for long ones).
int FlashDurationMs(const QString& text, int interval);
void SetStatusText(const QString& text);
