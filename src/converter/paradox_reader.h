#pragma once
// Reading the old Paradox tables. pxlib parses a table's header (fields, code page)
// and decodes the numbers; the records themselves are taken from the table's data
// blocks here, after the whole file has been checked, because the packaged pxlib
// trusts what it reads (a damaged file can make it loop, read past the end or
// abort). Memo text is read from the .MB file by a small reader of our own, and
// text is converted from the table's code page to UTF-8 here as well, never by
// pxlib. Files are opened read-only: the old data is never written.
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

// The file in folder whose name matches name ignoring letter case (an exact match
// wins); empty when there is none. Folders copied from Windows keep any case.
QString FindFileIgnoringCase(const QString& folder, const QString& name);

// Opens path for reading, accepting only a regular file: a named pipe would block
// the opening and a device (a link to /dev/zero) would never end. size: its size.
// False with "Cannot open …" or "Cannot read " + path + " : not a regular file".
bool OpenRegularFile(const QString& path, QFile& file, qint64& size, QString& error);

// Paradox field types (the codes of the file format).
enum class TPxType : int {
  Alpha = 0x01,
  Date = 0x02,
  Short = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Number = 0x06,
  Logical = 0x09,
  Memo = 0x0C,
  Blob = 0x0D,
  FmtMemo = 0x0E,
  Ole = 0x0F,
  Graphic = 0x10,
  Time = 0x14,
  Timestamp = 0x15,
  AutoInc = 0x16,
  Bcd = 0x17,
  Bytes = 0x18,
};

struct TPxField {
  QString name;
  TPxType type = TPxType::Alpha;
  int offset = 0;  // within a record
  int length = 0;
};

// Text in one of the old single- or multi-byte code pages, to UTF-8. A byte
// sequence the code page does not define becomes U+FFFD.
class TCodePageText {
 public:
  explicit TCodePageText(int codePage);
  ~TCodePageText();
  TCodePageText(const TCodePageText&) = delete;
  TCodePageText& operator=(const TCodePageText&) = delete;

  QString decode(const char* bytes, int length) const;
  // The iconv name in use ("CP1252" when the table's own page is unknown here).
  const QString& encoding() const { return encoding_; }

 private:
  void* cd_ = nullptr;  // iconv_t
  QString encoding_;
};

// The .MB file beside a table, read whole and looked into with bounds checks.
class TMemoFile {
 public:
  bool load(const QString& path, QString& error);
  bool loaded() const { return loaded_; }
  // The bytes of the memo whose 10-byte pointer (offset and index, length,
  // modification number) is given, of the stated length.
  bool read(uint32_t offsetAndIndex, uint32_t length, QByteArray& out, QString& error) const;

 private:
  QByteArray data_;
  QString path_;
  bool loaded_ = false;
};

class TParadoxTable {
 public:
  TParadoxTable();
  ~TParadoxTable();
  TParadoxTable(const TParadoxTable&) = delete;
  TParadoxTable& operator=(const TParadoxTable&) = delete;

  // Reads and checks the table file; the .MB file beside it (same base name, any
  // letter case) is loaded when the table has memo fields and the file exists.
  // False with a reason when the file is missing, damaged or not a data table.
  bool open(const QString& path, QString& error);

  const QString& path() const { return path_; }
  const QList<TPxField>& fields() const { return fields_; }
  // The index of the field named name ignoring case; -1 when there is none.
  int fieldIndex(const QString& name) const;
  int rowCount() const { return int(records_.size()); }
  int codePage() const { return codePage_; }

  // Selects row (0-based) for the readers below.
  void seek(int row) { current_ = records_.value(row, -1); }

  // Short, long, auto-increment, number and currency fields; NULL reads as 0.
  // False (with error) when a number is not a whole number in range.
  bool integerValue(int field, int64_t& value, QString& error) const;
  // A logical field: true only when it holds true (NULL and false give false).
  bool logicalValue(int field) const;
  // Timestamp and date fields to the whole second, as the calendar date and
  // clock time stored (in UTC, which has no summer-time gaps, so no value is
  // lost or moved by the local time zone); NULL gives an invalid date-time.
  // False when the stored value is no date of the years 1 to 9999.
  bool stampValue(int field, QDateTime& value, QString& error) const;
  // Date fields as yyyymmdd; NULL gives 0.
  bool dateValue(int field, int32_t& ymd, QString& error) const;
  // Alpha and memo fields as text from the table's code page; NULL gives "".
  bool textValue(int field, QString& value, QString& error) const;

 private:
  const char* fieldBytes(int field) const;
  bool calendarValue(int field, QDate& date, int& msOfDay, QString& error) const;
  bool memoBytes(int field, QByteArray& out, QString& error) const;
  bool checkLayout(QFile& file, qint64 fileSize, QString& error);
  bool readHeaderWithPxlib(QString& error);

  QString path_;
  QByteArray file_;
  QList<TPxField> fields_;
  QList<qsizetype> records_;  // file offset of every live record, in table order
  int recordSize_ = 0;
  int codePage_ = 0;
  qsizetype current_ = -1;
  std::unique_ptr<TCodePageText> text_;
  TMemoFile memo_;
  bool hasMemo_ = false;
};
