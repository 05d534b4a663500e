#pragma once
// Real books for tests, on embedded Firebird files in temporary folders.
//
// One upgraded template (version 34, base currency GBP, made by the real
// first-time installation, so it holds "Default pot" as account #1 and
// DefaultPotId=1 in its ZADEZEVU.INI) is built once per test executable, the
// first time it is asked for. Each test case works on its own copy:
//
//   TestBooks books;                        // copy of the template, opened
//   QVERIFY2(books.ok(), qPrintable(books.error()));
//   ... ExecSql / WriteAccount / ... on the open database ...
//
// Books at an older version (19..34) are made by running the upgrade steps up
// to that version without questions (no default pot; ZADEZEVU.INI holds
// BaseCurrency=GBP from version 20 on, DBvn = the version up to 21 and -1 from
// 22 on, when the version lives in PARAM):
//
//   TestBooks old(25, TestBooks::Closed);  // a copy at version 25, not opened
//   ... then OpenDatabase() with a ScriptedPrompter expecting the questions ...
//
// Builds and openings use the program's one connection and reset Session():
// create a TestBooks before opening anything else in the test case.
#include <QString>
#include <QTemporaryDir>

class TestBooks {
 public:
  enum Mode { Open, Closed };
  // A copy of the version-34 template; Open resets the session and opens it.
  explicit TestBooks(Mode mode = Open);
  // A copy of books at version (19..34) built by the upgrade steps.
  explicit TestBooks(int version, Mode mode = Closed);
  // Closes the database without saving settings, then removes the folder.
  ~TestBooks();
  TestBooks(const TestBooks&) = delete;
  TestBooks& operator=(const TestBooks&) = delete;

  bool ok() const { return error_.isEmpty(); }
  const QString& error() const { return error_; }
  QString folder() const;   // with a trailing '/'
  QString dbPath() const;   // folder() + "vorbek.fdb"
  QString iniPath() const;  // folder() + "ZADEZEVU.INI"

  // ResetSession, data folder := folder(), OpenDatabase() (no prompter is installed
  // here: the caller's prompter, if any, sees the opening).
  bool open();

 private:
  void copyFrom(const QString& source);
  QTemporaryDir dir_;
  QString error_;
};

// The template folders (built lazily; never change them). VersionTemplate(v)
// is built from VersionTemplate(v - 1) by one more step.
// A key of a settings file's [main] section: written, or deleted for a null value.
void SetBooksIniKey(const QString& path, const QString& key, const QString& value);
// Its value, "<absent>" when the key is missing.
QString BooksIniValue(const QString& path, const QString& key);

QString BooksTemplateFolder();
QString VersionTemplateFolder(int version);

// Copies vorbek.fdb and ZADEZEVU.INI (when present) of one folder into another.
bool CopyBooks(const QString& fromFolder, const QString& toFolder, QString* error = nullptr);

// A new account of a kind in the open books (GBP unless told): its id, 0 when not written.
int32_t AddTestAccount(int kind, const QString& name, const QString& ccy = QStringLiteral("GBP"));

// A hash of a file's bytes with its modification time, for "left as it was" checks.
QByteArray FileFingerprint(const QString& path);
