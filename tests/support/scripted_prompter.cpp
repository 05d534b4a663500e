#include "support/scripted_prompter.h"

#include "foundation/dates.h"

namespace {
const char* kindName(ScriptedPrompter::Kind k) {
  switch (k) {
    case ScriptedPrompter::Kind::Info: return "info";
    case ScriptedPrompter::Kind::YesNo: return "question";
    case ScriptedPrompter::Kind::Text: return "input box";
    case ScriptedPrompter::Kind::Choice: return "choice";
    case ScriptedPrompter::Kind::Date: return "calendar";
    case ScriptedPrompter::Kind::Folder: return "folder chooser";
  }
  return "?";
}
}  // namespace

ScriptedPrompter::ScriptedPrompter() { previous_ = InstallPrompter(this); }
ScriptedPrompter::~ScriptedPrompter() { InstallPrompter(previous_); }

ScriptedPrompter& ScriptedPrompter::info(const QString& text) {
  steps_.append({Kind::Info, text, {}, {}, false, ' ', 0, true});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::ask(const QString& text, char answer) {
  steps_.append({Kind::YesNo, text, {}, {}, false, answer, 0, true});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::text(const QString& prompt, const QString& answer, bool ok) {
  steps_.append({Kind::Text, prompt, answer, {}, false, ' ', 0, ok});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::textStartingWith(const QString& prompt,
                                                     const QString& expectedStart,
                                                     const QString& answer, bool ok) {
  steps_.append({Kind::Text, prompt, answer, expectedStart, true, ' ', 0, ok});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::choice(const QString& text, int answer) {
  steps_.append({Kind::Choice, text, {}, {}, false, ' ', answer, true});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::date(const QString& title, int32_t ymd) {
  steps_.append({Kind::Date, title, {}, {}, false, ' ', ymd, ymd != 0});
  return *this;
}
ScriptedPrompter& ScriptedPrompter::folder(const QString& answer) {
  steps_.append({Kind::Folder, {}, answer, {}, false, ' ', 0, !answer.isEmpty()});
  return *this;
}

QString ScriptedPrompter::verify() const {
  QStringList out = errors_;
  for (int i = pos_; i < steps_.size(); ++i)
    out << QStringLiteral("expected %1 \"%2\" never came").arg(kindName(steps_[i].kind), steps_[i].text);
  if (!out.isEmpty()) out << "messages seen: " + seen_.join(" | ");
  return out.join('\n');
}

void ScriptedPrompter::clearRecords() {
  flashes_.clear();
  statuses_.clear();
}

const ScriptedPrompter::Step* ScriptedPrompter::next(Kind kind, const QString& text) {
  seen_ << QStringLiteral("%1 \"%2\"").arg(kindName(kind), text);
  if (pos_ >= steps_.size()) {
    errors_ << QStringLiteral("unexpected %1 \"%2\"").arg(kindName(kind), text);
    return nullptr;
  }
  const Step& s = steps_[pos_];
  if (s.kind != kind || s.text != text) {
    errors_ << QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                   .arg(kindName(s.kind), s.text, kindName(kind), text);
    return nullptr;
  }
  ++pos_;
  return &s;
}

void ScriptedPrompter::showInfo(const QString& text, bool) { next(Kind::Info, text); }

char ScriptedPrompter::askYesNoCancel(const QString& text) {
  const Step* s = next(Kind::YesNo, text);
  return s ? s->answerChar : 'C';
}

bool ScriptedPrompter::askText(const QString& prompt, const QString&, QString& text, int maxLength,
                               int) {
  const Step* s = next(Kind::Text, prompt);
  if (!s) return false;
  if (s->checkStart && text != s->expectedStart)
    errors_ << QStringLiteral("input box \"%1\" started with \"%2\", expected \"%3\"")
                   .arg(prompt, text, s->expectedStart);
  if (!s->ok) return false;
  text = maxLength > 0 ? s->answerText.left(maxLength) : s->answerText;
  return true;
}

int ScriptedPrompter::askChoice(const QString& text, const QString&, const QString&) {
  const Step* s = next(Kind::Choice, text);
  return s ? s->answerInt : 0;
}

bool ScriptedPrompter::pickDate(const QString& title, TDateRec& date) {
  const Step* s = next(Kind::Date, title);
  if (!s || !s->ok) return false;
  date = YmdToDateRec(s->answerInt);
  return true;
}

bool ScriptedPrompter::pickFolder(QString& folder) {
  const Step* s = next(Kind::Folder, QString());
  if (!s || !s->ok) return false;
  folder = s->answerText;
  return true;
}

void ScriptedPrompter::flash(const QString& text, FlashMode mode) {
  if (mode != FlashMode::Close) flashes_ << text;
}
void ScriptedPrompter::setStatus(const QString& text) { statuses_ << text; }
void ScriptedPrompter::busyChanged(int depth) { maxBusy_ = qMax(maxBusy_, depth); }
