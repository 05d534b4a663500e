#pragma once
// The command line's prompter: messages go to stderr; questions take the answer
// the user gave with --yes / --no (and --answer for input boxes and choices).
// A question with no answer policy ends the command cleanly with exit code 3:
// whatever the engine had not committed is rolled back by the database.
#include <QStringList>
#include <functional>

#include "foundation/messages.h"

class BatchPrompter : public Prompter {
 public:
  enum class Policy { None, Yes, No };
  void setPolicy(Policy p) { policy_ = p; }
  void addAnswer(const QString& a) { answers_ << a; }
  // An answer the verb itself gives, taken before those of --answer.
  void addFirstAnswer(const QString& a) { answers_.prepend(a); }
  // Called before the process ends on an unanswerable question.
  void setOnUnanswered(std::function<void()> f) { onUnanswered_ = std::move(f); }
  void setQuiet(bool q) { quiet_ = q; }

  void showInfo(const QString& text, bool plain) override;
  char askYesNoCancel(const QString& text) override;
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override;
  int askChoice(const QString& text, const QString& option1, const QString& option2) override;
  bool pickDate(const QString& title, TDateRec& date) override;
  bool pickFolder(QString& folder) override;
  void flash(const QString& text, FlashMode mode) override;
  void setStatus(const QString& text) override;

 private:
  [[noreturn]] void unanswered(const QString& what);
  Policy policy_ = Policy::None;
  QStringList answers_;
  std::function<void()> onUnanswered_;
  bool quiet_ = false;
};
