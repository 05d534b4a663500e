#pragma once
// A prompter for tests: the test lists the messages it expects, in order, with
// the answer to give. An unexpected message, a different text, or an expected
// message that never came makes verify() fail with a report. Flash and status
// texts are only recorded (flashes() / statuses()) so tests may check them.
#include <QList>
#include <QString>
#include <QStringList>

#include "foundation/messages.h"

class ScriptedPrompter : public Prompter {
 public:
  enum class Kind { Info, YesNo, Text, Choice, Date, Folder };

  ScriptedPrompter();   // installs itself
  ~ScriptedPrompter() override;  // restores the previous prompter

  // Expect an information box (ShowInfo, ShowProgramError, plain box) with exactly this text.
  ScriptedPrompter& info(const QString& text);
  // Expect a Yes/No/Cancel question; answer 'Y', 'N', 'C' or ' '.
  ScriptedPrompter& ask(const QString& text, char answer);
  ScriptedPrompter& yes(const QString& text) { return ask(text, 'Y'); }
  ScriptedPrompter& no(const QString& text) { return ask(text, 'N'); }
  // Expect an input box with this (first) prompt; ok=false presses Cancel.
  // expectedStart, when given, is checked against the text the box started with.
  ScriptedPrompter& text(const QString& prompt, const QString& answer, bool ok = true);
  ScriptedPrompter& textStartingWith(const QString& prompt, const QString& expectedStart,
                                     const QString& answer, bool ok = true);
  // Expect a choice box; answer 0, 1 or 2.
  ScriptedPrompter& choice(const QString& text, int answer);
  // Expect a calendar (title may be empty); ymd 0 = cancelled.
  ScriptedPrompter& date(const QString& title, int32_t ymd);
  ScriptedPrompter& folder(const QString& answer);

  // Empty when everything expected came, in order, and nothing else did.
  QString verify() const;
  bool ok() const { return verify().isEmpty(); }
  const QStringList& flashes() const { return flashes_; }
  const QStringList& statuses() const { return statuses_; }
  const QStringList& seen() const { return seen_; }  // every message and question, in order
  int maxBusyDepth() const { return maxBusy_; }
  void clearRecords();

  void showInfo(const QString& text, bool plain) override;
  char askYesNoCancel(const QString& text) override;
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override;
  int askChoice(const QString& text, const QString& option1, const QString& option2) override;
  bool pickDate(const QString& title, TDateRec& date) override;
  bool pickFolder(QString& folder) override;
  void flash(const QString& text, FlashMode mode) override;
  void setStatus(const QString& text) override;
  void busyChanged(int depth) override;

 private:
  struct Step {
    Kind kind;
    QString text;
    QString answerText;
    QString expectedStart;
    bool checkStart = false;
    char answerChar = ' ';
    int answerInt = 0;
    bool ok = true;
  };
  const Step* next(Kind kind, const QString& text);

  QList<Step> steps_;
  int pos_ = 0;
  QStringList errors_;
  QStringList flashes_;
  QStringList statuses_;
  QStringList seen_;
  int maxBusy_ = 0;
  Prompter* previous_ = nullptr;
};

// In a Qt Test function: fails the test with the prompter's report.
#define VERIFY_PROMPTS(p)                                              \
  do {                                                                 \
    const QString report__ = (p).verify();                             \
    QVERIFY2(report__.isEmpty(), qPrintable(report__));                \
  } while (0)

// Installed for its lifetime: records the information boxes (for failures whose
// text carries the engine's own words) and the questions, answering every
// yes/no question with answer and every input box with Cancel.
class RecordingPrompter : public Prompter {
 public:
  explicit RecordingPrompter(char answer) : answer_(answer) { previous_ = InstallPrompter(this); }
  ~RecordingPrompter() override { InstallPrompter(previous_); }
  QStringList infos, questions;
  void showInfo(const QString& text, bool) override { infos << text; }
  char askYesNoCancel(const QString& text) override {
    questions << text;
    return answer_;
  }
  bool askText(const QString& prompt, const QString&, QString&, int, int) override {
    questions << prompt;
    return false;
  }
  int askChoice(const QString&, const QString&, const QString&) override { return 0; }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}

 private:
  char answer_;
  Prompter* previous_ = nullptr;
};
