// Feeds arbitrary bytes to the settings-file reader: the INI parser with its
// look-ups and writes, and the reading of a set of books' settings into the
// session. Whatever the file holds, nothing may crash or read outside its
// buffers, a value written must read back as written, and a saved file must read
// back with the same values.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "store/inifile.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

const QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

[[noreturn]] void Fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "fuzz_settings: %s: %s\n", what, qPrintable(detail));
  std::abort();
}

const char* const kKeys[] = {"BaseCurrency", "DefaultPotId", "DBvn", "DBFrozen", "BalAt", "x"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Folder().isValid()) std::abort();
  const QString path = Folder().filePath(QLatin1String(kDatabaseIniName));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
      std::abort();
  }

  IniFile ini(path);
  const QString section = QString::fromLatin1(kIniSection);
  for (const char* k : kKeys) {
    const QString key = QLatin1String(k);
    (void)ini.hasKey(section, key);
    (void)ini.readString(section, key, QString());
    (void)ini.readInteger(section, key, 7);
    (void)ini.readBool(section, key, true);
  }
  const int n = size >= 4 ? int(uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24)
                          : -1;
  ini.writeInteger(section, QStringLiteral("DefaultPotId"), n);
  ini.writeBool(section, QStringLiteral("DBFrozen"), true);
  ini.writeString(QStringLiteral("other"), QStringLiteral("BaseCurrency"), QStringLiteral("EUR"));
  if (ini.readInteger(section, QStringLiteral("DefaultPotId"), n ^ 1) != n)
    Fail("a written number reads back otherwise", QString::number(n));
  if (!ini.readBool(section, QStringLiteral("DBFrozen"), false))
    Fail("a written flag reads back otherwise", QString());
  const QString before = ini.readString(section, QStringLiteral("BaseCurrency"), QString());

  const QString copy = Folder().filePath(QStringLiteral("copy.ini"));
  IniFile saved(path);
  saved.writeInteger(section, QStringLiteral("DefaultPotId"), n);
  saved.writeBool(section, QStringLiteral("DBFrozen"), true);
  saved.writeString(QStringLiteral("other"), QStringLiteral("BaseCurrency"), QStringLiteral("EUR"));
  {
    QFile::remove(copy);
    QFile::copy(path, copy);
  }
  if (!saved.save()) Fail("cannot save", path);
  const IniFile back(path);
  if (back.readInteger(section, QStringLiteral("DefaultPotId"), n ^ 1) != n)
    Fail("a saved number reads back otherwise", QString::number(n));
  if (back.readString(section, QStringLiteral("BaseCurrency"), QString()) != before)
    Fail("a saved text reads back otherwise", before);

  // The books' settings from the original bytes, into the session.
  QFile::remove(path);
  QFile::rename(copy, path);
  Session().settingsPath = path;
  ReadDatabaseIni();
  return 0;
}
