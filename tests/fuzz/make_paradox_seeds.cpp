// Writes seed inputs for fuzz_paradox from the converter tests' old tables: every
// table with a few rows (memo texts short, shared and long), framed as the fuzz
// target reads them. Usage: make_paradox_seeds FOLDER
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "converter/old_tables.h"

namespace {

QByteArray Framed(const QString& db, const QString& mb) {
  QFile d(db);
  QFile m(mb);
  if (!d.open(QIODevice::ReadOnly)) return QByteArray();
  const QByteArray table = d.readAll();
  const QByteArray memo = m.open(QIODevice::ReadOnly) ? m.readAll() : QByteArray();
  const uint32_t n = uint32_t(table.size());
  QByteArray out;
  for (int i = 0; i < 4; ++i) out.append(char((n >> (8 * i)) & 0xff));
  return out + table + memo;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  const QString target = QFile::decodeName(argv[1]);
  QDir().mkpath(target);
  OldBooks old;
  const QString longText(300, QLatin1Char('m'));
  old.add("obj", {{"Id", 1},
                  {"Name", "Café"},
                  {"Type", 3},
                  {"Note", "short"},
                  {"CreateTS", QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))}});
  old.add("obj", {{"Id", 2}, {"Name", "Bank"}, {"Note", QString(60, QLatin1Char('n'))}});
  old.add("obj", {{"Id", 3}, {"Note", longText}, {"BfdBal", -1234}});
  old.add("txn", {{"Id", 1}, {"Txndate", "2001-02-03"}, {"Amt", 500}, {"Type", "P"}});
  old.add("channel", {{"Chnum", 1}, {"AccId", 2}, {"ChName", "Card"}, {"ChNote", "memo"}});
  old.add("remdr", {{"Id", 1}, {"Text", "Pay"}, {"Rmdate", 20010203}});
  old.setCodePage("remdr", 437);
  if (!old.write()) {
    qWarning("%s", qPrintable(old.error()));
    return 1;
  }
  for (const OldTable& t : OldTables()) {
    const QByteArray seed = Framed(old.path(t.key), old.memoPath(t.key));
    QFile out(QDir(target).filePath(QLatin1String(t.key)));
    if (seed.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(seed) != seed.size())
      return 1;
  }
  return 0;
}
