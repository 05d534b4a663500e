// Books for bench/crash_test that vorbek-cli cannot make:
//   crash_books old DIR TXNS    books at version 20 holding TXNS payments, written the
//                               way that generation wrote them (for the upgrade)
//   crash_books paradox DIR     old Paradox tables and settings (for a trelg conversion)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "converter/old_tables.h"
#include "store/db.h"
#include "store/inifile.h"
#include "support/books_fixture.h"

namespace {

int fail(const QString& why) {
  std::fprintf(stderr, "crash_books: %s\n", qPrintable(why));
  return 1;
}

bool copyFolder(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QString& name : QDir(from).entryList(QDir::Files))
    if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name))) return false;
  return true;
}

int oldBooks(const QString& dir, int txns) {
  if (!copyFolder(VersionTemplateFolder(20), dir)) return fail("cannot copy the books");
  QString error;
  if (!OpenConnection(dir + "/vorbek.fdb", error)) return fail(error);
  bool ok = ExecSql(
                "insert into account (id, name, type2, btype, isgrp, grpid, path, closedate, "
                "bfdbal, pottype) values (1, 'Bank', 1, 1, 0, 0, ' ', 99999999, 1000, 0)") &&
            ExecSql(
                "insert into account (id, name, type2, btype, isgrp, grpid, path, pottype) "
                "values (2, 'Food', 3, 3, 0, 0, ' ', 0)") &&
            ExecSql(
                "insert into account (id, name, type2, btype, isgrp, grpid, path, pottype) "
                "values (3, 'Shop', 4, 4, 0, 0, ' ', 0)") &&
            ExecSql(
                "insert into account (id, name, type2, btype, isgrp, grpid, path, pottype) "
                "values (4, 'Default pot', 6, 3, 0, 0, ' ', 0)");
  for (int i = 1; ok && i <= txns; ++i) {
    const int date = 20200101 + (i % 12) * 100 + i % 28;
    ok = ExecSql(
             "insert into txn (id, \"type\", txndate, amt, accid1, accid2, accid3, accid4) "
             "values (?, 'X', ?, ?, 1, 3, 0, 2)",
             {i, date, 100 + i}) &&
         ExecSql("insert into pstg (txnid, objid, txntype, pstgdate, amt) values (?, 1, 'X', ?, ?)",
                 {i, date, -(100 + i)}) &&
         ExecSql("insert into pstg (txnid, objid, txntype, pstgdate, amt) values (?, 2, 'X', ?, ?)",
                 {i, date, 100 + i}) &&
         ExecSql("insert into pstg (txnid, objid, txntype, pstgdate, amt) values (?, 3, 'X', ?, ?)",
                 {i, date, 100 + i});
  }
  ok = ok && CommitIfActive();
  CloseConnection();
  IniFile ini(dir + "/ZADEZEVU.INI");
  ini.writeInteger("main", "DefaultPotId", 4);
  ok = ok && ini.save();
  return ok ? 0 : fail(LastDbError());
}

int paradox(const QString& dir, int rows) {
  OldBooks old;
  old.add("obj", {{"Id", 1}, {"Name", "Bank"}, {"Type", 1}});
  old.add("obj", {{"Id", 2}, {"Name", "Food"}, {"Type", 3}});
  old.add("obj", {{"Id", 3}, {"Name", "Shop"}, {"Type", 4}});
  // The rebalance of the converted books needs the default pot their settings name.
  old.add("obj", {{"Id", 4}, {"Name", "Default pot"}, {"Type", 6}});
  old.setSettings(QStringLiteral(
      "[main]\r\nBaseCurrency=GBP\r\nDatabaseName=Old books\r\nDBvn=12\r\nDefaultPotId=4\r\n"));
  for (int i = 1; i <= rows; ++i) {
    const QString date = QStringLiteral("2001-%1-%2")
                             .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                             .arg(1 + i % 28, 2, 10, QLatin1Char('0'));
    old.add("txn", {{"Id", i},
                    {"Txndate", date},
                    {"Amt", 100 + i},
                    {"Type", "P"},
                    {"Accid1", 1},
                    {"Accid2", 3},
                    {"Accid4", 2}});
    old.add(
        "pstg",
        {{"Txnid", i}, {"Objid", 1}, {"Amt", -(100 + i)}, {"PstgDate", date}, {"TxnType", "P"}});
    old.add("pstg",
            {{"Txnid", i}, {"Objid", 2}, {"Amt", 100 + i}, {"PstgDate", date}, {"TxnType", "P"}});
  }
  if (!old.write()) return fail(old.error());
  return copyFolder(old.folder(), dir) ? 0 : fail("cannot copy the tables");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() >= 3 && args[1] == "old") return oldBooks(args[2], args.value(3, "500").toInt());
  if (args.size() >= 3 && args[1] == "paradox")
    return paradox(args[2], args.value(3, "500").toInt());
  return fail("usage: crash_books old DIR [TXNS] | paradox DIR [ROWS]");
}
