#include "books_fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QtTest>

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/records.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"

namespace {

// Answers the first-time installation with GBP and every question with yes, and
// keeps quiet; a build is not what a test observes.
class BuildPrompter : public Prompter {
 public:
  QStringList infos;
  void showInfo(const QString& text, bool) override { infos << text; }
  char askYesNoCancel(const QString&) override { return 'Y'; }
  bool askText(const QString&, const QString&, QString& text, int, int) override {
    text = QStringLiteral("GBP");
    return true;
  }
  int askChoice(const QString&, const QString&, const QString&) override { return 1; }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}
};

class QuietBuild {
 public:
  QuietBuild() { previous_ = InstallPrompter(&prompter_); }
  ~QuietBuild() {
    InstallPrompter(previous_);
    ResetSession();
  }
  BuildPrompter prompter_;

 private:
  Prompter* previous_ = nullptr;
};

QTemporaryDir& templatesRoot() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vorbek-templates-XXXXXX"));
  return dir;
}

QString subFolder(const QString& name) {
  return templatesRoot().path() + QLatin1Char('/') + name + QLatin1Char('/');
}

[[noreturn]] void buildFailed(const QString& what) {
  qFatal("books fixture: %s", qPrintable(what));
}

}  // namespace

void SetBooksIniKey(const QString& path, const QString& key, const QString& value) {
  IniFile ini(path);
  if (value.isNull())
    ini.deleteKey(QStringLiteral("main"), key);
  else
    ini.writeString(QStringLiteral("main"), key, value);
  QVERIFY(ini.save());
}

QString BooksIniValue(const QString& path, const QString& key) {
  return IniFile(path).readString(QStringLiteral("main"), key, QStringLiteral("<absent>"));
}

bool CopyBooks(const QString& fromFolder, const QString& toFolder, QString* error) {
  const QString from = WithTrailingSeparator(fromFolder);
  const QString to = WithTrailingSeparator(toFolder);
  if (!QDir().mkpath(to)) {
    if (error) *error = "cannot make " + to;
    return false;
  }
  for (const char* name : {kDatabaseFileName, kDatabaseIniName}) {
    const QString source = from + QLatin1String(name);
    const QString target = to + QLatin1String(name);
    if (!QFile::exists(source)) continue;
    QFile::remove(target);
    if (!QFile::copy(source, target)) {
      if (error) *error = "cannot copy " + source + " to " + target;
      return false;
    }
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                 QFile::ReadOther);
  }
  return true;
}

QString BooksTemplateFolder() {
  static QString folder;
  if (!folder.isEmpty()) return folder;
  const QString f = subFolder(QStringLiteral("books"));
  QString error;
  if (!CreateEmptyBooks(f, error)) buildFailed(error);
  {
    QuietBuild quiet;
    ResetSession();
    Session().dataFolder = f;
    if (!OpenDatabase())
      buildFailed("first-time installation: " + quiet.prompter_.infos.join(" | "));
    CloseDatabase();
  }
  folder = f;
  return folder;
}

QString VersionTemplateFolder(int version) {
  static QMap<int, QString> built;
  if (version < kStartingSchemaVersion || version > kCurrentSchemaVersion)
    buildFailed("no books at version " + QString::number(version));
  if (built.contains(version)) return built.value(version);
  const QString f = subFolder(QStringLiteral("v%1").arg(version));
  QString error;
  if (version == kStartingSchemaVersion) {
    if (!CreateEmptyBooks(f, error)) buildFailed(error);
  } else {
    if (!CopyBooks(VersionTemplateFolder(version - 1), f, &error)) buildFailed(error);
    QuietBuild quiet;
    ResetSession();
    TSession& s = Session();
    s.dataFolder = f;
    s.settingsPath = f + QLatin1String(kDatabaseIniName);
    ReadDatabaseIni();
    if (!OpenConnection(f + QLatin1String(kDatabaseFileName), error)) buildFailed(error);
    if (!DetermineSchemaVersion()) buildFailed("no version in " + f);
    s.initialising = true;  // no questions, no repair left pending
    if (!UpgradeSchemaTo(version) || s.schemaVersion != version || !SaveDatabaseIni())
      buildFailed("step " + QString::number(version) + ": " + quiet.prompter_.infos.join(" | "));
    CloseConnection();
  }
  built.insert(version, f);
  return f;
}

QByteArray FileFingerprint(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("missing");
  QCryptographicHash h(QCryptographicHash::Sha1);
  h.addData(&f);
  return h.result().toHex() + ' ' +
         QByteArray::number(QFileInfo(path).lastModified().toMSecsSinceEpoch());
}

TestBooks::TestBooks(Mode mode) {
  copyFrom(BooksTemplateFolder());
  if (ok() && mode == Open && !open()) error_ = "cannot open the copy of the template";
}

TestBooks::TestBooks(int version, Mode mode) {
  copyFrom(VersionTemplateFolder(version));
  if (ok() && mode == Open && !open())
    error_ = "cannot open the books at version " + QString::number(version);
}

void TestBooks::copyFrom(const QString& source) {
  if (!dir_.isValid()) {
    error_ = "no temporary folder";
    return;
  }
  CopyBooks(source, folder(), &error_);
}

TestBooks::~TestBooks() {
  QuietBuild quiet;  // the closing's flash is no part of any test
  CloseDatabase(false);
}

QString TestBooks::folder() const { return dir_.path() + QLatin1Char('/'); }
QString TestBooks::dbPath() const { return folder() + QLatin1String(kDatabaseFileName); }
QString TestBooks::iniPath() const { return folder() + QLatin1String(kDatabaseIniName); }

bool TestBooks::open() {
  ResetSession();
  Session().dataFolder = folder();
  return OpenDatabase();
}

int32_t AddTestAccount(int kind, const QString& name, const QString& ccy) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.ccy = ccy;
  return WriteAccount(o) ? o.id : 0;
}
