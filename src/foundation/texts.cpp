#include "foundation/texts.h"

#include <QCoreApplication>

namespace {
// Set explicitly at start-up (or by a test); until then the executable's folder.
QString g_programFolder;
bool g_programFolderSet = false;

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }
}  // namespace

QString JoinNonEmpty(const QString& a, const QString& sep, const QString& b) {
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  return a + sep + b;
}

void AppendJoin(QString& a, const QString& sep, const QString& b) { a = JoinNonEmpty(a, sep, b); }

QString InQuotes(const QString& s) { return QLatin1Char('"') + s + QLatin1Char('"'); }
QString InApostrophes(const QString& s) { return QLatin1Char('\'') + s + QLatin1Char('\''); }

bool EscapeSqlQuotes(QString& s) {
  if (!s.contains(QLatin1Char('\''))) return false;
  s.replace(QLatin1Char('\''), QStringLiteral("''"));
  return true;
}

bool EscapeAmpersands(QString& s) {
  if (!s.contains(QLatin1Char('&'))) return false;
  s.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return true;
}

bool ContainsFolded(const QString& needle, const QString& haystack) {
  if (needle.isEmpty() || haystack.isEmpty()) return false;
  return haystack.toLower().contains(needle);
}

int StartsWithFolded(const QString& s, const QString& prefix) {
  const QString ls = s.toLower();
  const QString lp = prefix.toLower();
  if (ls.startsWith(lp)) return 0;
  // Compare only as much of s as the prefix is long, so that the answer tells on
  // which side of the prefix s sorts.
  return Sign(QStringView(ls).left(lp.size()).compare(lp, Qt::CaseSensitive));
}

int CompareFolded(const QString& a, const QString& b) {
  return Sign(a.toLower().compare(b.toLower(), Qt::CaseSensitive));
}

QString CapitalizeFirst(const QString& s) {
  if (s.isEmpty() || !s[0].isLower()) return s;
  QString r = s;
  r[0] = r[0].toUpper();
  return r;
}

QString RemoveChar(const QString& s, QChar c) {
  QString r = s;
  r.remove(c);
  return r;
}

int TrimLeadingBlanks(QString& s) {
  int n = 0;
  while (n < s.size() && (s[n] == QLatin1Char(' ') || s[n] == QLatin1Char('\t'))) ++n;
  s.remove(0, n);
  return n;
}

QString DropFirst(const QString& s, int n) {
  if (n <= 0 || s.size() < n) return s;
  return s.mid(n);
}

QString DropLast(const QString& s, int n) {
  if (n <= 0) return s;
  if (s.size() < n) return QString();
  return s.left(s.size() - n);
}

QString TruncateTo(const QString& s, int n) { return n <= 0 ? QString() : s.left(n); }

QString CutToWidth(const QString& s, int width) {
  if (width <= 0) return QString();
  if (s.size() <= width) return s;  // fits, however the characters are counted
  qsizetype i = 0;
  for (int kept = 0; i < s.size() && kept < width; ++kept)
    i += (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
  return s.left(i);
}

QString KeepLast(const QString& s, int n) { return n <= 0 ? QString() : s.right(n); }

QChar LastChar(const QString& s) { return s.isEmpty() ? QChar(0) : s.back(); }

QString WithTrailingSeparator(const QString& path) {
  if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
  return path + QLatin1Char('/');
}

QString ProgramFolder() {
  if (g_programFolderSet) return g_programFolder;
  if (QCoreApplication::instance())
    return WithTrailingSeparator(QCoreApplication::applicationDirPath());
  return QString();
}

void SetProgramFolder(const QString& folder) {
  g_programFolder = WithTrailingSeparator(folder);
  g_programFolderSet = true;
}
