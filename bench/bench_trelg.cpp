// Times trelg's conversion on synthetic old books written with pxlib: accounts,
// transactions with three postings each, repeaters, channels, reminders and
// counterparty categories, in the old tables' own layout.
//
//   bench_trelg [TRANSACTIONS=100000]
//
// The tables are generated in memory (pxlib rewrites its header after every
// record, which is slow on a real file) and then written out; the conversion
// runs into a new empty database. The result is checked row by row count and
// by a few sums; the program exits non-zero when one is wrong. BENCH_TRACE=1
// prints when each table's rows start and how long the end took (the commit,
// the indexes built and the copy put in place).
#include <stdio.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "converter/conversion.h"
#include "foundation/messages.h"
#include "store/db.h"
#include "store/schema.h"

extern "C" {
#include <paradox.h>
}

namespace {

struct Field {
  const char* name;
  int type;
  int length;
};

// A record being filled field by field, by name.
class Record {
 public:
  Record(pxdoc_t* doc, const std::vector<Field>& fields) : doc_(doc), fields_(fields) {
    int size = 0;
    for (const Field& f : fields) size += f.length;
    bytes_.assign(size_t(size), 0);
  }
  void clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }
  char* at(const char* name, const Field** field) {
    int offset = 0;
    for (const Field& f : fields_) {
      if (std::strcmp(f.name, name) == 0) {
        *field = &f;
        return bytes_.data() + offset;
      }
      offset += f.length;
    }
    std::fprintf(stderr, "bench_trelg: no field %s\n", name);
    std::exit(1);
  }
  void setInt(const char* name, int v) {
    const Field* f;
    char* p = at(name, &f);
    if (f->type == pxfShort)
      PX_put_data_short(doc_, p, 2, short(v));
    else
      PX_put_data_long(doc_, p, 4, v);
  }
  void setBool(const char* name, bool v) {
    const Field* f;
    PX_put_data_byte(doc_, at(name, &f), 1, v ? 1 : 0);
  }
  void setText(const char* name, const QByteArray& text) {
    const Field* f;
    char* p = at(name, &f);
    if (f->type == pxfMemoBLOb) {
      QByteArray copy = text;
      PX_put_data_blob(doc_, p, f->length, copy.data(), int(copy.size()));
    } else {
      std::memcpy(p, text.constData(), size_t(std::min<qsizetype>(text.size(), f->length)));
    }
  }
  void setStamp(const char* name, const QDateTime& t) {
    const Field* f;
    const double days = double(t.date().toJulianDay() - 1721425);
    PX_put_data_double(doc_, at(name, &f), 8,
                       days * 86400000.0 + double(t.time().msecsSinceStartOfDay()));
  }
  char* data() { return bytes_.data(); }

 private:
  pxdoc_t* doc_;
  const std::vector<Field>& fields_;
  std::vector<char> bytes_;
};

// Writes one table: the records are made in memory, then the file is written whole.
template <class Fill>
bool writeTable(const QString& path, const std::vector<Field>& fields, int rows, Fill fill) {
  size_t recordSize = 0;
  for (const Field& f : fields) recordSize += size_t(f.length);
  const size_t capacity = size_t(rows) * (recordSize + 16) + (size_t(4) << 20);
  std::vector<char> memory(capacity, 0);
  FILE* fp = fmemopen(memory.data(), memory.size(), "w+");
  pxdoc_t* doc = PX_new();
  auto* defs = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * fields.size()));
  bool memo = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    defs[i] = {strdup(fields[i].name), char(fields[i].type), fields[i].length, 0};
    memo = memo || fields[i].type == pxfMemoBLOb;
  }
  if (!fp || PX_create_fp(doc, defs, int(fields.size()), fp, pxfFileTypNonIndexDB) < 0)
    return false;
  if (memo) {
    QString mb = path;
    mb.chop(2);
    if (PX_set_blob_file(doc, QFile::encodeName(mb + "MB").constData()) < 0) return false;
  }
  Record record(doc, fields);
  for (int i = 0; i < rows; ++i) {
    record.clear();
    fill(record, i);
    if (PX_put_record(doc, record.data()) < 0) return false;
  }
  const long size = doc->px_head->px_headersize +
                    long(doc->px_head->px_fileblocks) * doc->px_head->px_maxtablesize * 1024;
  PX_close(doc);
  PX_delete(doc);
  std::fflush(fp);
  QFile out(path);
  const bool ok = out.open(QIODevice::WriteOnly) && out.write(memory.data(), size) == size;
  std::fclose(fp);
  return ok;
}

QByteArray dateText(int day) {
  return QDate(2000, 1, 1).addDays(day).toString(Qt::ISODate).toLatin1();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int transactions = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int postings = transactions * 3;
  const int accounts = 300;
  BenchPrompter prompter;
  InstallPrompter(&prompter);

  QTemporaryDir dir;
  // BENCH_KEEP=1 leaves the converted books behind for a look with vorbek-cli.
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) dir.setAutoRemove(false);
  const QString source = dir.path() + "/old/";
  const QString target = dir.path() + "/data/";
  QDir().mkpath(source);
  const QDateTime stamp(QDate(2010, 5, 6), QTime(7, 8, 9));

  QElapsedTimer clock;
  clock.start();
  const std::vector<Field> obj = {
      {"Id", pxfLong, 4},           {"Name", pxfAlpha, 40},         {"Note", pxfMemoBLOb, 30},
      {"Type", pxfShort, 2},        {"Dormant", pxfLogical, 1},     {"Grpid", pxfLong, 4},
      {"Reconciled", pxfAlpha, 10}, {"Rprts", pxfTimestamp, 8},     {"PotType", pxfLong, 4},
      {"BfdBal", pxfLong, 4},       {"AllowNegBal", pxfLogical, 1}, {"AllowPosBal", pxfLogical, 1},
      {"Sweepto", pxfLong, 4},      {"RecTs", pxfTimestamp, 8},     {"AccWith", pxfLong, 4},
      {"CptyPays", pxfLogical, 1},  {"CptyRcvs", pxfLogical, 1},    {"PayerDftPot", pxfLong, 4},
      {"PayeeDftPot", pxfLong, 4},  {"AcSts", pxfLong, 4},          {"DmtLock", pxfLogical, 1},
      {"CloseDate", pxfLong, 4},    {"CreateTS", pxfTimestamp, 8},  {"EditTS", pxfTimestamp, 8},
      {"Desig", pxfAlpha, 20},      {"fav", pxfLogical, 1}};
  bool ok = writeTable(source + "OBJ.DB", obj, accounts, [&](Record& r, int i) {
    const int kinds[] = {1, 3, 4, 6};
    r.setInt("Id", i + 1);
    r.setText("Name", "Account \xe9 " + QByteArray::number(i + 1));
    r.setText("Note", i % 10 == 0 ? QByteArray(3000, 'n') : QByteArray("short"));
    r.setInt("Type", kinds[i % 4]);
    r.setBool("fav", i % 3 == 0);
    r.setInt("CloseDate", 99999999);
    r.setInt("BfdBal", i * 100);
    r.setStamp("CreateTS", stamp);
    r.setStamp("EditTS", stamp);
  });
  const std::vector<Field> txn = {
      {"Id", pxfLong, 4},          {"Instance", pxfLong, 4},    {"Txndate", pxfAlpha, 10},
      {"Date2", pxfAlpha, 10},     {"Amt", pxfLong, 4},         {"Type", pxfAlpha, 1},
      {"Ref", pxfAlpha, 20},       {"Narrative", pxfAlpha, 40}, {"Cancelled", pxfLogical, 1},
      {"RprTs", pxfTimestamp, 8},  {"Accid1", pxfLong, 4},      {"Accid2", pxfLong, 4},
      {"Accid3", pxfLong, 4},      {"Accid4", pxfLong, 4},      {"CreateTS", pxfTimestamp, 8},
      {"EditTS", pxfTimestamp, 8}, {"Masterid", pxfLong, 4},    {"DpDate", pxfLogical, 1},
      {"chnum", pxfLong, 4}};
  ok = ok && writeTable(source + "TXN.DB", txn, transactions, [&](Record& r, int i) {
         r.setInt("Id", i + 1);
         r.setText("Txndate", dateText(i / 20));
         r.setInt("Amt", 100 + i % 9000);
         r.setText("Type", "P");
         r.setText("Ref", "R" + QByteArray::number(i));
         r.setText("Narrative",
                   "B\xe4"
                   "ckerei Nummer " +
                       QByteArray::number(i % 500));
         r.setInt("Accid1", 1 + (i % 75) * 4);
         r.setInt("Accid2", 3 + (i % 75) * 4);
         r.setInt("Accid4", 2 + (i % 75) * 4);
         r.setStamp("CreateTS", stamp);
         r.setStamp("EditTS", stamp);
         r.setBool("DpDate", i % 20 == 0);
       });
  const std::vector<Field> pstg = {
      {"Txnid", pxfLong, 4},      {"Objid", pxfLong, 4},         {"Amt", pxfLong, 4},
      {"Recamt", pxfLong, 4},     {"Contra", pxfLong, 4},        {"PstgDate", pxfAlpha, 10},
      {"Reconcode", pxfShort, 2}, {"RngBal", pxfLong, 4},        {"Rprts", pxfTimestamp, 8},
      {"TxnType", pxfAlpha, 1},   {"DpPstgDate", pxfLogical, 1}, {"DpRngBal", pxfLogical, 1},
      {"chnum", pxfLong, 4}};
  ok = ok && writeTable(source + "PSTG.DB", pstg, postings, [&](Record& r, int i) {
         const int t = i / 3;
         const int amt = 100 + t % 9000;
         const int objid[] = {1 + (t % 75) * 4, 3 + (t % 75) * 4, 2 + (t % 75) * 4};
         r.setInt("Txnid", t + 1);
         r.setInt("Objid", objid[i % 3]);
         r.setInt("Amt", i % 3 == 0 ? -amt : amt);
         r.setInt("Contra", objid[(i + 1) % 3]);
         r.setText("PstgDate", dateText(t / 20));
         r.setInt("Reconcode", i % 2);
         r.setText("TxnType", "P");
       });
  const std::vector<Field> rptr = {
      {"Id", pxfLong, 4},         {"StartDate", pxfLong, 4},     {"EndDate", pxfLong, 4},
      {"Freq", pxfAlpha, 1},      {"Amt", pxfLong, 4},           {"Type", pxfAlpha, 1},
      {"Ref", pxfAlpha, 20},      {"Narrative", pxfAlpha, 40},   {"RptActive", pxfLogical, 1},
      {"Gento", pxfLong, 4},      {"Rptinc", pxfLong, 4},        {"RptCt", pxfLong, 4},
      {"RprTs", pxfTimestamp, 8}, {"Accid1", pxfLong, 4},        {"Accid2", pxfLong, 4},
      {"Accid3", pxfLong, 4},     {"CreateTS", pxfTimestamp, 8}, {"EditTS", pxfTimestamp, 8},
      {"Accid4", pxfLong, 4},     {"Rmdays", pxfLong, 4},        {"chnum", pxfLong, 4}};
  ok = ok && writeTable(source + "RPTR.DB", rptr, 50, [&](Record& r, int i) {
         r.setInt("Id", i + 1);
         r.setInt("StartDate", 20100101);
         r.setInt("EndDate", 99999999);
         r.setText("Freq", "M");
         r.setInt("Amt", 1000 + i);
         r.setText("Type", "P");
         r.setBool("RptActive", true);
       });
  const std::vector<Field> cptypot = {{"Cptyid", pxfLong, 4},
                                      {"Potid", pxfLong, 4},
                                      {"Purchsale", pxfAlpha, 1},
                                      {"Hidden", pxfLogical, 1},
                                      {"Rprts", pxfTimestamp, 8}};
  ok = ok && writeTable(source + "CPTYPOT.DB", cptypot, 150, [&](Record& r, int i) {
         r.setInt("Cptyid", 3 + (i % 75) * 4);
         r.setInt("Potid", 2 + (i % 75) * 4);
         r.setText("Purchsale", i < 75 ? "P" : "S");
       });
  const std::vector<Field> channel = {{"Chnum", pxfAutoInc, 4},
                                      {"AccId", pxfLong, 4},
                                      {"ChName", pxfAlpha, 20},
                                      {"ChNote", pxfMemoBLOb, 20},
                                      {"ChSts", pxfLong, 4}};
  ok = ok && writeTable(source + "CHANNEL.DB", channel, 20, [&](Record& r, int i) {
         r.setInt("Chnum", i + 1);
         r.setInt("AccId", 1 + i * 4);
         r.setText("ChName", "Card " + QByteArray::number(i));
         r.setText("ChNote", "a channel note that does not fit in the record");
       });
  const std::vector<Field> remdr = {{"Id", pxfLong, 4},
                                    {"Txnid", pxfLong, 4},
                                    {"Text", pxfAlpha, 255},
                                    {"Rmdate", pxfLong, 4},
                                    {"Tgdate", pxfLong, 4}};
  ok = ok && writeTable(source + "REMDR.DB", remdr, 100, [&](Record& r, int i) {
         r.setInt("Id", i + 1);
         r.setInt("Txnid", i + 1);
         r.setText("Text", "Erinnerung " + QByteArray::number(i));
       });
  QFile ini(source + "ZADEZEVU.INI");
  ok = ok && ini.open(QIODevice::WriteOnly) && ini.write("[main]\nBaseCurrency=GBP\n") > 0;
  ini.close();
  if (!ok) return BenchFail("cannot write the old tables");
  std::printf("generated %d transactions, %d postings, %d accounts in %.1f s\n", transactions,
              postings, accounts, clock.elapsed() / 1000.0);

  QString error;
  if (!CreateEmptyBooks(target, error)) return BenchFail(error);
  if (!OpenTargetDatabase(target, error)) return BenchFail(error);
  clock.restart();
  const double cpuBefore = ProcessCpuSeconds();
  TConvertProgress progress;
  QString table;       // the one whose rows are going in
  qint64 lastRow = 0;  // ms, when the last row was read
  if (qEnvironmentVariableIsSet("BENCH_TRACE"))
    progress = [&](const QString& shown, int remaining) {
      lastRow = clock.elapsed();
      if (shown == table) return;
      table = shown;
      std::printf("  %6.2f s  %s, %d rows\n", lastRow / 1000.0, qPrintable(shown), remaining);
    };
  QString message;
  if (!ConvertBooks(source, target, progress, message)) return BenchFail(message);
  const double seconds = clock.elapsed() / 1000.0;
  if (progress)
    std::printf("  %6.2f s  last row read; commit, indexes and hand-over took %.2f s\n",
                lastRow / 1000.0, seconds - lastRow / 1000.0);
  std::printf("converted in %.1f s, %.1f s of processor time (%.0f rows/s)\n", seconds,
              ProcessCpuSeconds() - cpuBefore,
              (accounts + transactions + postings + 320) / seconds);
  std::fflush(stdout);

  qlonglong amounts = 0;  // each transaction: one posting down, two up
  for (int t = 0; t < transactions; ++t) amounts += 100 + t % 9000;
  if (QueryValue("select sum(AMT) from PSTG").toLongLong() != amounts ||
      QueryValue("select count(*) from ACCOUNT where NOTE = ?", {QString(3000, 'n')}).toInt() !=
          accounts / 10)
    return BenchFail("converted values differ");
  CloseConnection();
  if (!dir.autoRemove()) std::printf("books kept in %s\n", qPrintable(target));
  return 0;
}
