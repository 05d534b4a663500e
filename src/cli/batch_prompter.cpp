#include "cli/batch_prompter.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/dates.h"

namespace {
// Message texts break lines with CR (and CR LF); a terminal wants LF.
void err(const QString& s) {
  QString t = s;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
  std::fprintf(stderr, "%s\n", t.toUtf8().constData());
}
}  // namespace

void BatchPrompter::unanswered(const QString& what) {
  err("vorbek-cli: question needs an answer (give --yes, --no or --answer): " + what);
  if (onUnanswered_) onUnanswered_();
  std::fflush(stdout);
  std::_Exit(3);
}

void BatchPrompter::showInfo(const QString& text, bool) { err(text); }

char BatchPrompter::askYesNoCancel(const QString& text) {
  switch (policy_) {
    case Policy::Yes: err(text + " [yes]"); return 'Y';
    case Policy::No: err(text + " [no]"); return 'N';
    case Policy::None: break;
  }
  unanswered(text);
}

bool BatchPrompter::askText(const QString& prompt, const QString&, QString& text, int maxLength,
                            int) {
  if (!answers_.isEmpty()) {
    text = answers_.takeFirst();
    if (maxLength > 0) text = text.left(maxLength);
    err(prompt + " [" + text + "]");
    return true;
  }
  if (policy_ == Policy::Yes) {  // accept what the box offers
    err(prompt + " [" + text + "]");
    return true;
  }
  if (policy_ == Policy::No) return false;
  unanswered(prompt);
}

int BatchPrompter::askChoice(const QString& text, const QString& option1, const QString& option2) {
  if (!answers_.isEmpty()) {
    const QString a = answers_.takeFirst();
    int n = 0;
    if (a == "1" || a.compare(option1, Qt::CaseInsensitive) == 0) n = 1;
    else if (a == "2" || a.compare(option2, Qt::CaseInsensitive) == 0) n = 2;
    err(text + " [" + (n == 1 ? option1 : n == 2 ? option2 : QStringLiteral("Cancel")) + "]");
    return n;
  }
  if (policy_ == Policy::No) return 0;
  unanswered(text + " (" + option1 + " / " + option2 + ")");
}

bool BatchPrompter::pickDate(const QString& title, TDateRec& date) {
  if (!answers_.isEmpty()) {
    TDateRec d;
    const QString a = answers_.takeFirst();
    if (!ParseDateText(a, d)) return false;
    date = d;
    return true;
  }
  if (policy_ == Policy::Yes) return true;  // keep the offered date
  if (policy_ == Policy::No) return false;
  unanswered(title.isEmpty() ? QStringLiteral("a date") : title);
}

bool BatchPrompter::pickFolder(QString& folder) {
  if (!answers_.isEmpty()) {
    folder = answers_.takeFirst();
    return true;
  }
  if (policy_ == Policy::No) return false;
  unanswered(QStringLiteral("a folder"));
}

void BatchPrompter::flash(const QString& text, FlashMode mode) {
  if (!quiet_ && mode != FlashMode::Close && !text.isEmpty()) err(text);
}

void BatchPrompter::setStatus(const QString& text) {
  if (!quiet_ && !text.isEmpty()) err(text);
}
