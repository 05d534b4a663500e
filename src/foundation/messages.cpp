#include "foundation/messages.h"

#include <cstdio>

#include "foundation/numbers.h"

namespace {

// Used until a real prompter is installed: says everything on stderr and
// declines every question, so nothing destructive happens by default.
class StderrPrompter : public Prompter {
 public:
  void showInfo(const QString& text, bool) override {
    std::fprintf(stderr, "%s\n", qPrintable(text));
  }
  char askYesNoCancel(const QString& text) override {
    std::fprintf(stderr, "%s [no answer: cancelled]\n", qPrintable(text));
    return 'C';
  }
  bool askText(const QString& prompt, const QString&, QString&, int, int) override {
    std::fprintf(stderr, "%s [no answer: cancelled]\n", qPrintable(prompt));
    return false;
  }
  int askChoice(const QString& text, const QString&, const QString&) override {
    std::fprintf(stderr, "%s [no answer: cancelled]\n", qPrintable(text));
    return 0;
  }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString& text, FlashMode mode) override {
    if (mode != FlashMode::Close && !text.isEmpty())
      std::fprintf(stderr, "%s\n", qPrintable(text));
  }
};

StderrPrompter g_default;
Prompter* g_prompter = &g_default;
QString g_title = QStringLiteral("VORBEK2");
int g_busy = 0;
int g_flashInterval = 1500;

}  // namespace

Prompter* InstallPrompter(Prompter* p) {
  Prompter* old = g_prompter;
  g_prompter = p ? p : &g_default;
  return old == &g_default ? nullptr : old;
}

Prompter& CurrentPrompter() { return *g_prompter; }

QString ProgramTitle() { return g_title; }
void SetProgramTitle(const QString& title) { g_title = title; }

void ShowInfo(const QString& text) { g_prompter->showInfo(text, false); }
void ShowPlainInfo(const QString& text) { g_prompter->showInfo(text, true); }
void ShowProgramError(const QString& text) { ShowInfo("Program error : " + text); }

void ShowNotSupported(const QString& what) {
  if (what.isEmpty())
    ShowInfo(QStringLiteral("This") + " facility not currently supported");
  else
    ShowInfo(what + " : this" + " facility not currently supported");
}

char AskYesNoCancel(const QString& text) { return g_prompter->askYesNoCancel(text); }
bool AskYes(const QString& text) { return AskYesNoCancel(text) == 'Y'; }
bool ConfirmOk(const QString& text) { return AskYes(text + " - OK ?"); }
bool ConfirmSure(const QString& text) { return AskYes(text + " - are you sure ?"); }
bool ConfirmReallySure(const QString& text) {
  return ConfirmSure(text) && AskYes(QStringLiteral("... really really sure ?"));
}
bool ConfirmExit() { return ConfirmOk("Exit program \"" + ProgramTitle() + "\""); }

void BusyOn() {
  ++g_busy;
  g_prompter->busyChanged(g_busy);
  g_prompter->processEvents();
}
void BusyOff() {
  if (g_busy > 0) --g_busy;
  g_prompter->busyChanged(g_busy);
}
void BusyReset() {
  g_busy = 0;
  g_prompter->busyChanged(0);
  g_prompter->processEvents();
}
int BusyDepth() { return g_busy; }
void ProcessPendingMessages() { g_prompter->processEvents(); }

bool AskText(const QString& prompt, QString& text) {
  return g_prompter->askText(prompt, QString(), text, 0, 1);
}
bool AskText2(const QString& prompt, const QString& line2, QString& text, int emphasis) {
  return g_prompter->askText(prompt, line2, text, 0, emphasis);
}
bool AskTextMax(const QString& prompt, QString& text, int maxLength) {
  return g_prompter->askText(prompt, QString(), text, maxLength, 1);
}
bool AskInt(const QString& prompt, int& n) {
  QString text = n > 0 ? QString::number(n) : QString();
  if (!g_prompter->askText(prompt, QString(), text, 0, 1)) return false;
  int value = 0;
  if (!ParseIntOrZero(text, value)) return false;
  n = value;
  return true;
}
int AskChoice(const QString& text, const QString& option1, const QString& option2) {
  return g_prompter->askChoice(text, option1, option2);
}

bool PickDate(TDateRec& date) { return g_prompter->pickDate(QString(), date); }
bool PickDateTitled(const QString& title, TDateRec& date) {
  return g_prompter->pickDate(title, date);
}
bool PickFolder(QString& folder) { return g_prompter->pickFolder(folder); }

void Flash(const QString& msg) {
  g_prompter->flash(msg, msg.isEmpty() ? FlashMode::Close : FlashMode::Timed);
}
void FlashStatus(const QString& msg) {
  g_prompter->flash(msg, msg.isEmpty() ? FlashMode::Close : FlashMode::Status);
}
void FlashKeep(const QString& msg) {
  g_prompter->flash(msg, msg.isEmpty() ? FlashMode::Close : FlashMode::Keep);
}
void FlashClose() { g_prompter->flash(QString(), FlashMode::Close); }
void ExplainFlash() { Flash(QStringLiteral("Flash messages require no action")); }
int FlashInterval() { return g_flashInterval; }
void SetFlashInterval(int ms) { g_flashInterval = ms; }

bool AskFlashInterval() {
  int n = g_flashInterval;
  if (!AskInt(QStringLiteral("Enter flash interval in milliseconds (500-2000)"), n))
    return false;
  if (n >= 500 && n <= 2000) {
    g_flashInterval = n;
    Flash(QStringLiteral("Flash interval updated OK"));
    return true;
  }
  Flash(QStringLiteral("Out of range"));
  return false;
}

int FlashDurationMs(const QString& text, int interval) {
  if (text.size() < 21) return interval;
  return int(text.size()) * (interval / 20);
}

void SetStatusText(const QString& text) { g_prompter->setStatus(text); }
