#pragma once
// Test fixtures for the converter: the previous generation's seven Paradox tables
// and its ZADEZEVU.INI, written into a temporary folder with pxlib's own writer
// (memo fields included: pxlib writes the .MB file too). Each test fills the rows
// it needs; tables without rows are written empty.
//
//   OldBooks old;
//   old.add("obj", {{"Id", 1}, {"Name", "Café"}, {"Type", 3}});
//   QVERIFY2(old.write(), qPrintable(old.error()));
//
// Row values: int or qlonglong for numbers, bool for logical fields, QDateTime for
// time stamps (its date and clock time are written as they are), QDate for date
// fields, QString for alpha and memo fields (encoded into the table's code
// page), QByteArray for raw bytes; a missing field is written empty (NULL).
#include <iconv.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <paradox.h>
}

struct OldField {
  const char* name;
  int type;  // pxlib's pxf... code
  int length;
};

struct OldTable {
  const char* key;       // how tests name it
  const char* fileName;  // the name written (letter case as a Windows folder may have it)
  std::vector<OldField> fields;
};

// The seven tables as the old program kept them, with some fields it did not
// convert. File and field names deliberately mix their letter case.
inline const std::vector<OldTable>& OldTables() {
  static const std::vector<OldTable> tables = {
      {"obj",
       "OBJ.DB",
       {{"ID", pxfLong, 4},
        {"Name", pxfAlpha, 40},
        {"Note", pxfMemoBLOb, 30},
        {"Type", pxfShort, 2},
        {"Dormant", pxfLogical, 1},
        {"Grpid", pxfLong, 4},
        {"Reconciled", pxfAlpha, 10},
        {"Rprts", pxfTimestamp, 8},
        {"PotType", pxfLong, 4},
        {"BfdBal", pxfLong, 4},
        {"Bal", pxfLong, 4},
        {"AllowNegBal", pxfLogical, 1},
        {"AllowPosBal", pxfLogical, 1},
        {"Sweepto", pxfLong, 4},
        {"RecTs", pxfTimestamp, 8},
        {"AccWith", pxfLong, 4},
        {"CptyPays", pxfLogical, 1},
        {"CptyRcvs", pxfLogical, 1},
        {"PayerDftPot", pxfLong, 4},
        {"PayeeDftPot", pxfLong, 4},
        {"AcSts", pxfLong, 4},
        {"DmtLock", pxfLogical, 1},
        {"CloseDate", pxfLong, 4},
        {"CreateTS", pxfTimestamp, 8},
        {"EditTS", pxfTimestamp, 8},
        {"Desig", pxfAlpha, 20},
        {"fav", pxfLogical, 1},
        {"Version", pxfLong, 4},
        {"OpenDate", pxfLong, 4}}},
      {"txn",
       "Txn.db",
       {{"Id", pxfLong, 4},
        {"Instance", pxfLong, 4},
        {"Txndate", pxfAlpha, 10},
        {"Date2", pxfAlpha, 10},
        {"Amt", pxfLong, 4},
        {"Type", pxfAlpha, 1},
        {"Ref", pxfAlpha, 20},
        {"Narrative", pxfAlpha, 40},
        {"Cancelled", pxfLogical, 1},
        {"RprTs", pxfTimestamp, 8},
        {"Accid1", pxfLong, 4},
        {"Accid2", pxfLong, 4},
        {"Accid3", pxfLong, 4},
        {"Accid4", pxfLong, 4},
        {"CreateTS", pxfTimestamp, 8},
        {"EditTS", pxfTimestamp, 8},
        {"Masterid", pxfLong, 4},
        {"DpDate", pxfLogical, 1},
        {"CHNUM", pxfLong, 4},
        {"actualtxndate", pxfAlpha, 10}}},
      {"pstg",
       "pstg.DB",
       {{"Txnid", pxfLong, 4},
        {"Objid", pxfLong, 4},
        {"Amt", pxfLong, 4},
        {"Recamt", pxfLong, 4},
        {"Contra", pxfLong, 4},
        {"PstgDate", pxfAlpha, 10},
        {"Reconcode", pxfShort, 2},
        {"RngBal", pxfLong, 4},
        {"Rprts", pxfTimestamp, 8},
        {"TxnType", pxfAlpha, 1},
        {"DpPstgDate", pxfLogical, 1},
        {"DpRngBal", pxfLogical, 1},
        {"chnum", pxfLong, 4}}},
      {"rptr",
       "RPTR.DB",
       {{"Id", pxfLong, 4},         {"StartDate", pxfLong, 4},     {"EndDate", pxfLong, 4},
        {"Freq", pxfAlpha, 1},      {"Amt", pxfLong, 4},           {"Type", pxfAlpha, 1},
        {"Ref", pxfAlpha, 20},      {"Narrative", pxfAlpha, 40},   {"RptActive", pxfLogical, 1},
        {"Gento", pxfLong, 4},      {"Rptinc", pxfLong, 4},        {"RptCt", pxfLong, 4},
        {"RprTs", pxfTimestamp, 8}, {"Accid1", pxfLong, 4},        {"Accid2", pxfLong, 4},
        {"Accid3", pxfLong, 4},     {"CreateTS", pxfTimestamp, 8}, {"EditTS", pxfTimestamp, 8},
        {"Accid4", pxfLong, 4},     {"Rmdays", pxfLong, 4},        {"chnum", pxfLong, 4},
        {"Rmtext", pxfAlpha, 255}}},
      {"cptypot",
       "cptypot.db",
       {{"Cptyid", pxfLong, 4},
        {"Potid", pxfLong, 4},
        {"Purchsale", pxfAlpha, 1},
        {"Hidden", pxfLogical, 1},
        {"Rprts", pxfTimestamp, 8}}},
      {"channel",
       "CHANNEL.DB",
       {{"Chnum", pxfAutoInc, 4},
        {"AccId", pxfLong, 4},
        {"ChName", pxfAlpha, 20},
        {"ChNote", pxfMemoBLOb, 20},
        {"ChSts", pxfLong, 4}}},
      {"remdr",
       "REMDR.DB",
       {{"Id", pxfLong, 4},
        {"Txnid", pxfLong, 4},
        {"Text", pxfAlpha, 255},
        {"Rmdate", pxfLong, 4},
        {"Tgdate", pxfLong, 4}}},
  };
  return tables;
}

// UTF-16 text into the bytes of a code page.
inline QByteArray EncodeForCodePage(const QString& text, int codePage) {
  const QByteArray utf8 = text.toUtf8();
  const QByteArray name = "CP" + QByteArray::number(codePage);
  iconv_t cd = iconv_open(name.constData(), "UTF-8");
  if (cd == iconv_t(-1)) return text.toLatin1();
  QByteArray out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.constData());
  size_t inLeft = size_t(utf8.size());
  char* o = out.data();
  size_t outLeft = size_t(out.size());
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.truncate(o - out.data());
  return out;
}

// Writes one Paradox table (and its .MB file when it has memo fields) with pxlib.
inline bool WriteOldTable(const QString& path, const std::vector<OldField>& fields,
                          const QList<QVariantMap>& rows, int codePage, QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = path + ": " + why;
    return false;
  };
  pxdoc_t* doc = PX_new();
  if (!doc) return fail("PX_new");
  // pxlib keeps (and later frees) the field array and names: allocate them its way.
  auto* defs = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * fields.size()));
  bool hasMemo = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    defs[i].px_fname = strdup(fields[i].name);
    defs[i].px_ftype = char(fields[i].type);
    defs[i].px_flen = fields[i].length;
    defs[i].px_fdc = 0;
    hasMemo = hasMemo || fields[i].type == pxfMemoBLOb;
  }
  const QByteArray file = QFile::encodeName(path);
  if (PX_create_file(doc, defs, int(fields.size()), file.constData(), pxfFileTypNonIndexDB) < 0) {
    PX_delete(doc);
    return fail("PX_create_file");
  }
  if (codePage != 1252) PX_set_value(doc, "codepage", float(codePage));
  if (hasMemo) {
    QString mb = path;
    mb.chop(2);
    mb += "MB";
    if (PX_set_blob_file(doc, QFile::encodeName(mb).constData()) < 0) {
      PX_delete(doc);
      return fail("PX_set_blob_file");
    }
  }
  const int size = PX_get_recordsize(doc);
  std::vector<char> record(size_t(size), 0);
  bool ok = true;
  for (const QVariantMap& row : rows) {
    std::fill(record.begin(), record.end(), 0);
    int offset = 0;
    for (const OldField& f : fields) {
      char* at = record.data() + offset;
      offset += f.length;
      QVariant v;
      for (auto it = row.begin(); it != row.end(); ++it)
        if (it.key().compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0) v = it.value();
      if (!v.isValid() || v.isNull()) continue;  // NULL: all zero bytes
      QByteArray bytes = v.typeId() == QMetaType::QByteArray
                             ? v.toByteArray()
                             : EncodeForCodePage(v.toString(), codePage);
      switch (f.type) {
        case pxfAlpha:
          std::memcpy(at, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), f.length)));
          break;
        case pxfMemoBLOb:
          ok = ok && PX_put_data_blob(doc, at, f.length, bytes.data(), int(bytes.size())) == 0;
          break;
        case pxfShort:
          PX_put_data_short(doc, at, 2, short(v.toInt()));
          break;
        case pxfLong:
        case pxfAutoInc:
          PX_put_data_long(doc, at, 4, v.toInt());
          break;
        case pxfNumber:
          PX_put_data_double(doc, at, 8, v.toDouble());
          break;
        case pxfLogical:
          PX_put_data_byte(doc, at, 1, v.toBool() ? 1 : 0);
          break;
        case pxfDate:
          PX_put_data_long(doc, at, 4, int(v.toDate().toJulianDay() - 1721425));
          break;
        case pxfTimestamp: {
          const QDateTime t = v.toDateTime();
          const double days = double(t.date().toJulianDay() - 1721425);
          PX_put_data_double(doc, at, 8,
                             days * 86400000.0 + double(t.time().msecsSinceStartOfDay()));
          break;
        }
        default:
          ok = false;
      }
    }
    ok = ok && PX_put_record(doc, record.data()) > 0;
  }
  PX_close(doc);
  PX_delete(doc);
  return ok || fail("writing a record");
}

// A folder of old books for one test.
class OldBooks {
 public:
  OldBooks() { codePages_.insert("", 1252); }
  QString folder() const { return dir_.path() + '/'; }
  const QString& error() const { return error_; }

  void add(const QString& table, const QVariantMap& row) { rows_[table].append(row); }
  // Writes table without the field (a table from another version of the old program).
  void dropField(const QString& table, const QString& field) { dropped_[table] << field; }
  // Writes table with the field of another pxlib type and length.
  void retypeField(const QString& table, const char* field, int type, int length) {
    retyped_[table].push_back({field, type, length});
  }
  void setCodePage(const QString& table, int codePage) { codePages_.insert(table, codePage); }
  // Without a settings file the folder does not count as old books.
  void setSettings(const QString& text) { settings_ = text; }
  // The settings file's bytes as they are (in the old program's code page).
  void setSettingsBytes(const QByteArray& bytes) { settingsBytes_ = bytes; }

  // The path a table was (or will be) written to.
  QString path(const QString& table) const {
    for (const OldTable& t : OldTables())
      if (table == QLatin1String(t.key)) return folder() + QLatin1String(t.fileName);
    return QString();
  }
  QString memoPath(const QString& table) const {
    QString p = path(table);
    p.chop(2);
    return p + "MB";
  }

  bool write() {
    for (const OldTable& t : OldTables()) {
      std::vector<OldField> fields;
      for (OldField f : t.fields) {
        if (dropped_.value(t.key).contains(QLatin1String(f.name))) continue;
        for (const OldField& r : retyped_.value(t.key))
          if (std::strcmp(r.name, f.name) == 0) f = r;
        fields.push_back(f);
      }
      const int codePage = codePages_.value(t.key, 1252);
      if (!WriteOldTable(path(t.key), fields, rows_.value(t.key), codePage, &error_)) return false;
    }
    if (!settings_.isNull()) {
      QFile ini(folder() + "ZADEZEVU.INI");
      const QByteArray bytes = settingsBytes_.isNull() ? settings_.toUtf8() : settingsBytes_;
      if (!ini.open(QIODevice::WriteOnly) || ini.write(bytes) < 0) {
        error_ = "cannot write the settings";
        return false;
      }
    }
    return true;
  }

 private:
  QTemporaryDir dir_;
  QMap<QString, QList<QVariantMap>> rows_;
  QMap<QString, QStringList> dropped_;
  QMap<QString, std::vector<OldField>> retyped_;
  QByteArray settingsBytes_;
  QMap<QString, int> codePages_;
  QString settings_ = QStringLiteral("[main]\nBaseCurrency=GBP\nDatabaseName=Old books\nDBvn=12\n");
  QString error_;
};
