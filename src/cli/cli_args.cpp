#include "cli/cli_args.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include "cli/commands.h"
#include "foundation/dates.h"
#include "ledger/accounts.h"

namespace {

struct KindWord {
  const char* word;
  int kind;
};
constexpr KindWord kKindWords[] = {
    {"external", kKindExternal},         {"category", kKindCategory},
    {"counterparty", kKindCounterparty}, {"pot", kKindPot},
    {"extgroup", kKindExternalGroup},    {"cptygroup", kKindCounterpartyGroup},
    {"intgroup", kKindInternalGroup},    {"diary", kKindDiary},
};

}  // namespace

int CliBad(const QString& text) {
  CliErr("vorbek-cli: " + text);
  return 2;
}

bool ParseCliId(const QString& text, int32_t& id, bool zeroAllowed) {
  bool ok = false;
  id = text.toInt(&ok);
  return ok && (id > 0 || (zeroAllowed && id == 0));
}

bool ParseCliCount(const QString& text, int32_t& n) {
  bool ok = false;
  n = text.toInt(&ok);
  return ok && n >= 0;
}

bool ParseCliCurrency(const QString& text, QString& code) {
  static const QRegularExpression re(QStringLiteral("^[A-Za-z]{3}$"));
  if (!re.match(text).hasMatch()) return false;
  code = text.toUpper();
  return true;
}

bool ParseCliDate(const QString& text, int32_t& ymd) {
  TDateRec d;
  if (!QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid() || !ParseDateText(text, d))
    return false;
  ymd = DateRecToYmd(d);
  return true;
}

QString CliDateText(int32_t ymd) { return ymd > 0 ? YmdToText(ymd) : QString(); }

bool ParseCliKind(const QString& text, int& kind) {
  bool isNumber = false;
  const int n = text.toInt(&isNumber);
  if (isNumber) {
    kind = n;
    return IsValidAccountKind(n);
  }
  for (const KindWord& k : kKindWords) {
    if (text.compare(QLatin1String(k.word), Qt::CaseInsensitive) == 0) {
      kind = k.kind;
      return true;
    }
  }
  return false;
}

QString CliKindWord(int kind) {
  for (const KindWord& k : kKindWords)
    if (k.kind == kind) return QString::fromLatin1(k.word);
  return QString::number(kind);
}

int CliBadKind(const QString& text) {
  QStringList words;
  for (const KindWord& k : kKindWords) words << QString::fromLatin1(k.word);
  return CliBad("unknown account kind \"" + text + "\" (a number of the kind table or one of " +
                words.join(", ") + ")");
}
