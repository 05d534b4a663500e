// Feeds arbitrary bytes to the Paradox reader as a table file and its .MB memo file,
// then reads every field of every row it accepts with every reader. A damaged table
// may be refused with a reason, never crash, hang or read outside the file
// (AddressSanitizer watches). Input: a 4-byte little-endian length n, then n bytes
// of the .DB file, then the bytes of the .MB file (none when nothing is left).
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "converter/paradox_reader.h"

namespace {

const QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

bool WriteBytes(const QString& path, const char* bytes, qsizetype n) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes, n) == n;
}

void ReadEverything(const TParadoxTable& table) {
  QString error;
  for (int field = 0; field < table.fields().size(); ++field)
    (void)table.fieldIndex(table.fields()[field].name);
  for (int row = 0; row < table.rowCount(); ++row) {
    const_cast<TParadoxTable&>(table).seek(row);
    for (int field = 0; field < table.fields().size(); ++field) {
      int64_t n = 0;
      (void)table.integerValue(field, n, error);
      (void)table.logicalValue(field);
      QDateTime stamp;
      (void)table.stampValue(field, stamp, error);
      int32_t ymd = 0;
      (void)table.dateValue(field, ymd, error);
      QString text;
      (void)table.textValue(field, text, error);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Folder().isValid()) std::abort();
  const char* bytes = reinterpret_cast<const char*>(data);
  qsizetype dbSize = qsizetype(size);
  qsizetype at = 0;
  if (size >= 4) {
    const uint32_t n = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                       uint32_t(data[3]) << 24;
    at = 4;
    dbSize = std::min<qsizetype>(qsizetype(n), qsizetype(size) - 4);
  }
  const QString db = Folder().filePath(QStringLiteral("T.DB"));
  const QString mb = Folder().filePath(QStringLiteral("T.MB"));
  const qsizetype mbSize = qsizetype(size) - at - dbSize;
  if (!WriteBytes(db, bytes + at, dbSize)) std::abort();
  QFile::remove(mb);
  if (mbSize > 0 && !WriteBytes(mb, bytes + at + dbSize, mbSize)) std::abort();
  TParadoxTable table;
  QString error;
  if (table.open(db, error))
    ReadEverything(table);
  else if (error.isEmpty()) {
    std::fprintf(stderr, "fuzz_paradox: a refused table without a reason\n");
    std::abort();
  }
  return 0;
}
