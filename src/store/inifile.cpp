#include "store/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

bool isComment(const QString& trimmed) {
  return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// "[name]" -> name; empty when the line is not a section header.
QString sectionName(const QString& line) {
  const QString t = line.trimmed();
  if (!t.startsWith(QLatin1Char('['))) return QString();
  const qsizetype close = t.indexOf(QLatin1Char(']'));
  if (close < 1) return QString();
  return t.mid(1, close - 1).trimmed();
}

bool isSectionHeader(const QString& line) { return !sectionName(line).isEmpty(); }

QString oneLine(QString v) {
  v.replace(QLatin1Char('\r'), QLatin1Char(' '));
  v.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return v;
}

}  // namespace

IniFile::IniFile(const QString& path) : path_(path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return;
  existed_ = true;
  const QByteArray bytes = f.readAll();
  // Older files were written in the Windows code page; take UTF-8 when it decodes cleanly.
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  if (text.contains(QLatin1String("\r\n"))) eol_ = QStringLiteral("\r\n");
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  lines_ = text.split(QLatin1Char('\n'));
  if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
}

bool IniFile::keyLine(const QString& line, QString* key) const {
  const QString t = line.trimmed();
  if (t.isEmpty() || isComment(t) || isSectionHeader(t)) return false;
  const qsizetype eq = t.indexOf(QLatin1Char('='));
  if (eq <= 0) return false;
  if (key) *key = t.left(eq).trimmed();
  return true;
}

QString IniFile::valueOf(const QString& line) {
  QString v = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
  if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
    v = v.mid(1, v.size() - 2);
  return v;
}

int IniFile::findSection(const QString& section) const {
  for (int i = 0; i < lines_.size(); ++i)
    if (sectionName(lines_[i]).compare(section, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

int IniFile::findKey(int s, const QString& key) const {
  if (s < 0) return -1;
  for (int i = s + 1; i < lines_.size(); ++i) {
    if (isSectionHeader(lines_[i])) break;
    QString k;
    if (keyLine(lines_[i], &k) && k.compare(key, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

bool IniFile::hasSection(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::hasKey(const QString& section, const QString& key) const {
  return findKey(findSection(section), key) >= 0;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
  const int i = findKey(findSection(section), key);
  return i < 0 ? def : valueOf(lines_[i]);
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
  const int i = findKey(findSection(section), key);
  if (i < 0) return def;
  bool ok = false;
  const int n = valueOf(lines_[i]).toInt(&ok, 10);
  return ok ? n : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
  const int i = findKey(findSection(section), key);
  if (i < 0) return def;
  const QString v = valueOf(lines_[i]);
  bool ok = false;
  const int n = v.toInt(&ok, 10);
  if (ok) return n != 0;
  if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
  if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
  return def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  int s = findSection(section);
  if (s < 0) {
    if (!lines_.isEmpty() && !lines_.last().trimmed().isEmpty()) lines_ << QString();
    lines_ << QLatin1Char('[') + section + QLatin1Char(']');
    s = int(lines_.size()) - 1;
  }
  const int i = findKey(s, key);
  if (i >= 0) {
    QString k;
    keyLine(lines_[i], &k);  // keep the key as the file spells it
    lines_[i] = k + QLatin1Char('=') + oneLine(value);
    return;
  }
  // After the section's last non-blank line, so a blank line before the next section stays.
  int at = s + 1;
  for (int j = s + 1; j < lines_.size() && !isSectionHeader(lines_[j]); ++j)
    if (!lines_[j].trimmed().isEmpty()) at = j + 1;
  lines_.insert(at, key + QLatin1Char('=') + oneLine(value));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
  writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::deleteKey(const QString& section, const QString& key) {
  const int i = findKey(findSection(section), key);
  if (i >= 0) lines_.removeAt(i);
}

bool IniFile::save(QString* error) const {
  QSaveFile f(path_);
  f.setDirectWriteFallback(true);
  if (!f.open(QIODevice::WriteOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  QString text = lines_.join(eol_);
  if (!lines_.isEmpty()) text += eol_;
  f.write(text.toUtf8());
  if (!f.commit()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}
