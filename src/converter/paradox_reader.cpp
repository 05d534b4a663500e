#include "converter/paradox_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <paradox.h>
}

namespace {

uint16_t le16(const char* p) { return uint16_t(uint8_t(p[0]) | (uint16_t(uint8_t(p[1])) << 8)); }
uint32_t le32(const char* p) {
  return uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) |
         (uint32_t(uint8_t(p[2])) << 16) | (uint32_t(uint8_t(p[3])) << 24);
}
uint64_t be(const char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | uint8_t(p[i]);
  return v;
}
bool allZero(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// Paradox keeps integers big-endian with the sign bit flipped, so that the bytes
// sort like the numbers; all-zero bytes are NULL.
int64_t flippedInteger(const char* p, int n) {
  const uint64_t signBit = uint64_t(1) << (8 * n - 1);
  const uint64_t raw = be(p, n) ^ signBit;
  return (raw & signBit) ? int64_t(raw | ~((signBit << 1) - 1)) : int64_t(raw);
}

// Doubles: positive values have the sign bit set, negative ones are inverted.
double flippedDouble(const char* p) {
  char b[8];
  std::memcpy(b, p, 8);
  if (uint8_t(b[0]) & 0x80) {
    b[0] = char(uint8_t(b[0]) & 0x7f);
  } else {
    for (char& c : b) c = char(~c);
  }
  const uint64_t bits = be(b, 8);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

// Days of the Paradox calendar (day 1 = 0001-01-01) to Qt's Julian day numbers.
constexpr int64_t kParadoxDayZero = 1721425;

// The part of a table header before the field list that says how large the rest is.
constexpr qsizetype kFixedHeaderSize = 0x78;

bool isMemoType(TPxType t) { return t == TPxType::Memo || t == TPxType::FmtMemo; }

// pxlib reports through this handler instead of printing to stderr.
void collectPxError(pxdoc_t*, int, const char* msg, void* data) {
  auto* text = static_cast<QString*>(data);
  if (text->isEmpty() && msg) *text = QString::fromLocal8Bit(msg).trimmed();
}

}  // namespace

QString FindFileIgnoringCase(const QString& folder, const QString& name) {
  const QDir dir(folder);
  if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
  const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
  return QString();
}

bool OpenRegularFile(const QString& path, QFile& file, qint64& size, QString& error) {
  // Without O_NONBLOCK opening a named pipe waits for a writer, for ever.
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = "Cannot open " + path + " : " + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "Cannot read " + path + " : not a regular file";
    return false;
  }
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    error = "Cannot open " + path + " : " + file.errorString();
    return false;
  }
  size = qint64(st.st_size);
  return true;
}

// ---- Code pages ------------------------------------------------------------------------

TCodePageText::TCodePageText(int codePage) {
  const QByteArray wanted = "CP" + QByteArray::number(codePage > 0 ? codePage : 1252);
  iconv_t cd = iconv_open("UTF-8", wanted.constData());
  encoding_ = QString::fromLatin1(wanted);
  if (cd == iconv_t(-1)) {
    // Tables of the old program were written on Windows: its ANSI page is the best guess.
    cd = iconv_open("UTF-8", "CP1252");
    encoding_ = QStringLiteral("CP1252");
  }
  cd_ = cd == iconv_t(-1) ? nullptr : cd;
}

TCodePageText::~TCodePageText() {
  if (cd_) iconv_close(iconv_t(cd_));
}

QString TCodePageText::decode(const char* bytes, int length) const {
  bool ascii = true;
  for (int i = 0; i < length && ascii; ++i) ascii = uint8_t(bytes[i]) < 0x80;
  if (ascii || !cd_) return QString::fromLatin1(bytes, length);

  iconv_t cd = iconv_t(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> out(size_t(length) * 4 + 16);
  char* in = const_cast<char*>(bytes);
  size_t inLeft = size_t(length);
  char* o = out.data();
  size_t outLeft = out.size();
  QString result;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &o, &outLeft) != size_t(-1)) break;
    if (errno == E2BIG) {
      result += QString::fromUtf8(out.data(), o - out.data());
      o = out.data();
      outLeft = out.size();
      continue;
    }
    // A byte the code page does not define (or a sequence cut short): mark it, go on.
    result += QString::fromUtf8(out.data(), o - out.data());
    result += QChar(QChar::ReplacementCharacter);
    o = out.data();
    outLeft = out.size();
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  result += QString::fromUtf8(out.data(), o - out.data());
  return result;
}

// ---- Memo file -------------------------------------------------------------------------

bool TMemoFile::load(const QString& path, QString& error) {
  QFile f;
  qint64 size = 0;
  if (!OpenRegularFile(path, f, size, error)) return false;
  data_ = f.read(size);
  path_ = path;
  loaded_ = true;
  return true;
}

bool TMemoFile::read(uint32_t offsetAndIndex, uint32_t length, QByteArray& out,
                     QString& error) const {
  const QString where = QFileInfo(path_).fileName();
  if (!loaded_) {
    error = QStringLiteral("the memo file (.MB) is missing");
    return false;
  }
  const qsizetype size = data_.size();
  const qsizetype block = qsizetype(offsetAndIndex & 0xffffff00u);
  const unsigned index = offsetAndIndex & 0xffu;
  const char* d = data_.constData();
  if (block == 0 || block + 12 > size) {
    error = "memo pointer outside " + where;
    return false;
  }
  const uint8_t type = uint8_t(d[block]);
  if (type == 2) {
    // A block of its own: 9 bytes of header (type, 4k count, length, modification) then the text.
    if (index != 0xff || le32(d + block + 3) != length || block + 9 + qsizetype(length) > size) {
      error = "damaged memo in " + where;
      return false;
    }
    out = QByteArray(d + block + 9, qsizetype(length));
    return true;
  }
  if (type == 3) {
    // A shared block: 64 slots of 5 bytes (offset/16, length/16 rounded up,
    // modification, length mod 16) after 12 bytes of header.
    const qsizetype slot = block + 12 + qsizetype(index) * 5;
    if (index >= 64 || slot + 5 > size) {
      error = "damaged memo in " + where;
      return false;
    }
    const qsizetype start = block + qsizetype(uint8_t(d[slot])) * 16;
    const qsizetype room = qsizetype(uint8_t(d[slot + 1])) * 16;
    const qsizetype blockEnd = std::min(size, block + 4096);
    if (uint8_t(d[slot]) == 0 || qsizetype(length) > room || start + qsizetype(length) > blockEnd) {
      error = "damaged memo in " + where;
      return false;
    }
    out = QByteArray(d + start, qsizetype(length));
    return true;
  }
  error = "memo pointer to a block of type " + QString::number(type) + " in " + where;
  return false;
}

// ---- Table -----------------------------------------------------------------------------

TParadoxTable::TParadoxTable() = default;
TParadoxTable::~TParadoxTable() = default;

bool TParadoxTable::open(const QString& path, QString& error) {
  path_ = path;
  file_.clear();
  fields_.clear();
  records_.clear();
  current_ = -1;
  hasMemo_ = false;
  memo_ = TMemoFile();
  QFile f;
  qint64 size = 0;
  if (!OpenRegularFile(path, f, size, error)) return false;
  QString why;
  const bool read = checkLayout(f, size, why);
  f.close();
  if (!read || !readHeaderWithPxlib(why)) {
    error = "Cannot read " + path + " : " + why;
    return false;
  }
  text_ = std::make_unique<TCodePageText>(codePage_);
  for (TPxField& field : fields_)
    if (isMemoType(field.type)) hasMemo_ = true;
  if (hasMemo_) {
    const QFileInfo info(path);
    const QString mb = FindFileIgnoringCase(info.path(), info.completeBaseName() + ".MB");
    if (!mb.isEmpty() && !memo_.load(mb, error)) return false;
  }
  return true;
}

// Reads the table and checks everything the reading relies on before pxlib or the
// record loop looks at it: header sizes within the file, field sizes adding up to
// the record size, every data block present and the block chain free of loops.
// The fixed part of the header is read first: the file's size is checked against
// what it promises, and only that much is read.
bool TParadoxTable::checkLayout(QFile& file, qint64 fileSize, QString& error) {
  file_ = file.read(kFixedHeaderSize);
  const char* d = file_.constData();
  const qsizetype size = qsizetype(fileSize);
  if (file_.size() < kFixedHeaderSize) {
    error = QStringLiteral("the file is too short to be a table");
    return false;
  }
  const int recordSize = le16(d + 0x00);
  const int headerSize = le16(d + 0x02);
  const int fileType = uint8_t(d[0x04]);
  const int blockSize = int(uint8_t(d[0x05])) * 1024;
  const uint32_t headerRecords = le32(d + 0x06);
  const int fileBlocks = le16(d + 0x0C);
  const int firstBlock = le16(d + 0x0E);
  const int fieldCount = le16(d + 0x21);
  const int version = uint8_t(d[0x39]);
  if (fileType != 0 && fileType != 2) {
    error = QStringLiteral("not a Paradox data table");
    return false;
  }
  if (version < 3 || version > 15 || blockSize < 1024 || blockSize > 32 * 1024 || fieldCount < 1 ||
      fieldCount > 255 || recordSize < 1 || recordSize > blockSize - 6) {
    error = QStringLiteral("the table header is damaged");
    return false;
  }
  const int infoAt = version >= 5 ? 0x78 : 0x58;
  if (headerSize < infoAt + fieldCount * 2) {
    error = QStringLiteral("the table header is damaged");
    return false;
  }
  const QString truncated = QStringLiteral("the file is shorter than its header says (truncated?)");
  const qsizetype needed = qsizetype(headerSize) + qsizetype(fileBlocks) * blockSize;
  if (headerSize > size || needed > size) {
    error = truncated;
    return false;
  }
  if (needed > file_.size()) file_ += file.read(needed - file_.size());
  if (file_.size() < needed) {
    error = truncated;
    return false;
  }
  d = file_.constData();
  int sum = 0;
  for (int i = 0; i < fieldCount; ++i) {
    const int type = uint8_t(d[infoAt + 2 * i]);
    const int length = type == int(TPxType::Bcd) ? 17 : uint8_t(d[infoAt + 2 * i + 1]);
    if (length < 1 ||
        ((type == int(TPxType::Memo) || type == int(TPxType::FmtMemo)) && length < 10)) {
      error = QStringLiteral("the table header is damaged");
      return false;
    }
    sum += length;
  }
  if (sum != recordSize) {
    error = QStringLiteral("the table header is damaged");
    return false;
  }
  std::vector<bool> seen(size_t(fileBlocks) + 1, false);
  for (int b = firstBlock; b != 0;) {
    if (b > fileBlocks || seen[size_t(b)]) {
      error = QStringLiteral("the chain of data blocks is damaged");
      return false;
    }
    seen[size_t(b)] = true;
    const qsizetype at = qsizetype(headerSize) + qsizetype(b - 1) * blockSize;
    const int next = le16(d + at);
    const int used = int16_t(le16(d + at + 4));  // bytes in use minus one record
    if (used >= 0) {
      if (used % recordSize != 0 || 6 + used + recordSize > blockSize) {
        error = "data block " + QString::number(b) + " is damaged";
        return false;
      }
      for (int off = 0; off <= used; off += recordSize) records_.append(at + 6 + off);
    }
    b = next;
  }
  if (qsizetype(headerRecords) != records_.size()) {
    error = "the header counts " + QString::number(headerRecords) +
            " rows but the data blocks hold " + QString::number(records_.size());
    return false;
  }
  recordSize_ = recordSize;
  return true;
}

// Field names, types and sizes, and the code page, as pxlib reads them from the
// bytes already read: the file is not opened a second time (it could have been
// swapped for something else meanwhile, and pxlib's own opening asks for write
// access). pxlib sees the header alone, saying the table has no blocks and no
// rows: the blocks were checked above, and pxlib's own count of them, when it
// disagrees with the header, frees its header twice.
bool TParadoxTable::readHeaderWithPxlib(QString& error) {
  QString pxError;
  pxdoc_t* doc = PX_new3(collectPxError, nullptr, nullptr, nullptr, &pxError);
  if (!doc) {
    error = QStringLiteral("pxlib could not start");
    return false;
  }
  QByteArray header = file_.left(le16(file_.constData() + 0x02));
  std::memset(header.data() + 0x06, 0, 4);  // rows
  std::memset(header.data() + 0x0C, 0, 6);  // blocks in the file, first and last block
  FILE* fp = fmemopen(header.data(), size_t(header.size()), "rb");
  bool ok = fp && PX_open_fp(doc, fp) == 0 && doc->px_head;
  if (ok) {
    const pxhead_t* head = doc->px_head;
    ok = head->px_recordsize == recordSize_ && head->px_numfields > 0;
    codePage_ = head->px_doscodepage;
    int offset = 0;
    for (int i = 0; ok && i < head->px_numfields; ++i) {
      const pxfield_t& pf = head->px_fields[i];
      TPxField field;
      field.name = QString::fromLatin1(pf.px_fname ? pf.px_fname : "");
      field.type = TPxType(uint8_t(pf.px_ftype));
      field.length = pf.px_flen;
      field.offset = offset;
      offset += pf.px_flen;
      fields_.append(field);
    }
    ok = ok && offset == recordSize_;
  }
  if (!ok) error = pxError.isEmpty() ? QStringLiteral("the table header is damaged") : pxError;
  PX_delete(doc);
  if (fp) std::fclose(fp);
  return ok;
}

int TParadoxTable::fieldIndex(const QString& name) const {
  for (int i = 0; i < fields_.size(); ++i)
    if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const char* TParadoxTable::fieldBytes(int field) const {
  return file_.constData() + current_ + fields_[field].offset;
}

bool TParadoxTable::integerValue(int field, int64_t& value, QString& error) const {
  const TPxField& f = fields_[field];
  const char* p = fieldBytes(field);
  value = 0;
  if (allZero(p, f.length)) return true;
  switch (f.type) {
    case TPxType::Short:
      value = flippedInteger(p, 2);
      return true;
    case TPxType::Long:
    case TPxType::AutoInc:
      value = flippedInteger(p, 4);
      return true;
    case TPxType::Number:
    case TPxType::Currency: {
      const double d = flippedDouble(p);
      if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15) {
        error = "field " + f.name + " holds " + QString::number(d) + ", not a whole number";
        return false;
      }
      value = int64_t(d);
      return true;
    }
    default:
      error = "field " + f.name + " is not a number";
      return false;
  }
}

bool TParadoxTable::logicalValue(int field) const {
  const uint8_t b = uint8_t(fieldBytes(field)[0]);
  return (b & 0x7f) != 0;
}

bool TParadoxTable::stampValue(int field, QDateTime& value, QString& error) const {
  value = QDateTime();
  QDate date;
  int msOfDay = 0;
  if (!calendarValue(field, date, msOfDay, error)) return false;
  if (date.isValid()) value = QDateTime(date, QTime::fromMSecsSinceStartOfDay(msOfDay), Qt::UTC);
  return true;
}

bool TParadoxTable::dateValue(int field, int32_t& ymd, QString& error) const {
  QDate date;
  int msOfDay = 0;
  if (!calendarValue(field, date, msOfDay, error)) return false;
  ymd = date.isValid() ? date.year() * 10000 + date.month() * 100 + date.day() : 0;
  return true;
}

// The stored day and time of day as they are, never through a time zone.
bool TParadoxTable::calendarValue(int field, QDate& date, int& msOfDay, QString& error) const {
  const TPxField& f = fields_[field];
  const char* p = fieldBytes(field);
  date = QDate();
  msOfDay = 0;
  if (allZero(p, f.length)) return true;
  int64_t days = 0;
  if (f.type == TPxType::Timestamp) {
    const double ms = flippedDouble(p);
    if (!std::isfinite(ms) || ms < 0 || ms > 4.0e14) {
      error = "field " + f.name + " holds no valid date-time";
      return false;
    }
    const int64_t whole = int64_t(ms);
    days = whole / 86400000;
    msOfDay = int((whole % 86400000) / 1000 * 1000);  // whole seconds, as the books keep them
  } else if (f.type == TPxType::Date) {
    days = flippedInteger(p, 4);
  } else {
    error = "field " + f.name + " is not a date-time";
    return false;
  }
  const QDate d = QDate::fromJulianDay(days + kParadoxDayZero);
  if (!d.isValid() || d.year() < 1 || d.year() > 9999) {
    error = "field " + f.name + " holds no valid date-time";
    return false;
  }
  date = d;
  return true;
}

bool TParadoxTable::memoBytes(int field, QByteArray& out, QString& error) const {
  const TPxField& f = fields_[field];
  const char* p = fieldBytes(field);
  const int leader = f.length - 10;
  const uint32_t length = le32(p + leader + 4);
  if (length == 0) {
    out.clear();
    return true;
  }
  // Short memos live wholly in the record; longer ones are kept whole in the .MB
  // file (the record holds a copy of their start).
  if (length <= uint32_t(leader)) {
    out = QByteArray(p, int(length));
    return true;
  }
  if (!memo_.read(le32(p + leader), length, out, error)) {
    error = "field " + f.name + " : " + error;
    return false;
  }
  return true;
}

bool TParadoxTable::textValue(int field, QString& value, QString& error) const {
  const TPxField& f = fields_[field];
  const char* p = fieldBytes(field);
  if (f.type == TPxType::Alpha) {
    int n = 0;
    while (n < f.length && p[n] != 0) ++n;
    value = text_->decode(p, n);
    return true;
  }
  if (isMemoType(f.type)) {
    QByteArray bytes;
    if (!memoBytes(field, bytes, error)) return false;
    while (!bytes.isEmpty() && bytes.endsWith('\0')) bytes.chop(1);
    value = text_->decode(bytes.constData(), int(bytes.size()));
    return true;
  }
  error = "field " + f.name + " is not text";
  return false;
}
