#pragma once
// A small INI file reader and writer with the behaviour the books' settings
// files need: sections and keys are found ignoring case but written back as
// they stand, lines that are not touched (other sections, comments, unknown
// keys) survive a save unchanged, and a value that is not a number reads as
// the default. Values are single lines; CR and LF in a written value become blanks.
#include <QString>
#include <QStringList>

class IniFile {
 public:
  // Loads path when it exists; a missing or unreadable file reads as empty.
  explicit IniFile(const QString& path);

  const QString& path() const { return path_; }
  bool existed() const { return existed_; }

  bool hasSection(const QString& section) const;
  bool hasKey(const QString& section, const QString& key) const;

  QString readString(const QString& section, const QString& key, const QString& def) const;
  // Decimal integers with optional sign and blanks around; anything else gives def.
  int readInteger(const QString& section, const QString& key, int def) const;
  // 1/0 (any integer: non-zero is true), also "true"/"false"; anything else gives def.
  bool readBool(const QString& section, const QString& key, bool def) const;

  void writeString(const QString& section, const QString& key, const QString& value);
  void writeInteger(const QString& section, const QString& key, int value);
  void writeBool(const QString& section, const QString& key, bool value);  // 1 / 0
  void deleteKey(const QString& section, const QString& key);
  void clear() { lines_.clear(); }  // start afresh; the next save replaces the file

  // Writes the file (UTF-8, the line ending it was read with). False with a reason.
  bool save(QString* error = nullptr) const;

 private:
  // Line index of the section header, -1 when absent.
  int findSection(const QString& section) const;
  // Line index of key inside the section starting at header line s, -1 when absent.
  int findKey(int s, const QString& key) const;
  // The value part of a key line, blanks and one pair of surrounding quotes removed.
  static QString valueOf(const QString& line);
  bool keyLine(const QString& line, QString* key) const;

  QString path_;
  QStringList lines_;
  QString eol_ = QStringLiteral("\n");
  bool existed_ = false;
};
