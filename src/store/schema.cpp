#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "foundation/interruption.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/inifile.h"
#include "store/settings.h"

QStringList StartingSchemaScript() {
  return {
      // The upgrade steps declare 64-bit columns as "int64"; this domain lets them run as written.
      QStringLiteral("CREATE DOMAIN int64 AS BIGINT"),

      QStringLiteral(
          "CREATE TABLE account (id integer not null, name varchar(40), note blob sub_type text, "
          "type2 integer, btype integer, isgrp smallint, grpid integer, path varchar(255), "
          "closedate integer, bfdbal bigint, reconciled varchar(10), allownegbal smallint, "
          "allowposbal smallint, sweepto integer, accwith integer, cptypays smallint, "
          "cptyrcvs smallint, payerdftpot integer, payeedftpot integer, fav smallint, "
          "desig varchar(20), createts timestamp, editts timestamp, rprts timestamp, "
          "dmtlock smallint, pottype integer, dormant smallint, acsts integer, rects timestamp, "
          "vn integer, \"_balto\" integer, \"_bfd\" bigint, "
          "constraint account_pk primary key (id) )"),
      // New ids are the highest plus one; only a descending index gives the highest.
      QStringLiteral("CREATE DESCENDING INDEX account_id_desc ON account (id)"),

      QStringLiteral(
          "CREATE TABLE txn (id integer not null, \"type\" char(1), txndate integer, "
          "date2 integer, actualtxndate integer, amt bigint, accid1 integer, accid2 integer, "
          "accid3 integer, accid4 integer, ref varchar(20), narrative varchar(40), "
          "chnum integer, cancelled smallint, instance integer, masterid integer, "
          "dpdate smallint, createts timestamp, editts timestamp, rprts timestamp, "
          "constraint txn_pk primary key (id) )"),

      QStringLiteral(
          "CREATE TABLE pstg (txnid integer not null, objid integer not null, contra integer, "
          "txntype char(1), pstgdate integer, amt bigint, rngbal bigint, recamt bigint, "
          "reconcode smallint, dppstgdate smallint, dprngbal smallint, chnum integer, "
          "rprts timestamp)"),
      QStringLiteral("CREATE INDEX acpstg ON pstg (objid, pstgdate, txntype, txnid)"),
      // Postings are found and changed by (transaction, account).
      QStringLiteral("CREATE INDEX pstg_txnobj ON pstg (txnid, objid)"),
      // The rebalance reads one period's postings by date.
      QStringLiteral("CREATE INDEX pstg_date ON pstg (pstgdate)"),
      // A new transaction's id is the highest of both tables plus one: a
      // descending index answers that without reading every row.
      QStringLiteral("CREATE DESCENDING INDEX txn_id_desc ON txn (id)"),
      QStringLiteral("CREATE DESCENDING INDEX pstg_txnid_desc ON pstg (txnid)"),
      // Repeater ids and each master's last instance are maxima too.
      QStringLiteral("CREATE DESCENDING INDEX txn_master_desc ON txn (masterid, instance)"),
      // The straddle checks before a rebalance look for transactions with a second date.
      QStringLiteral("CREATE INDEX txn_date2 ON txn (date2)"),
      // Deleting an account looks for postings naming it as their contra.
      QStringLiteral("CREATE INDEX pstg_contra ON pstg (contra)"),
      // Deleting a channel looks for a transaction that went through it.
      QStringLiteral("CREATE INDEX txn_chnum ON txn (chnum)"),

      QStringLiteral(
          "CREATE TABLE rptr (id integer not null, \"type\" char(1), startdate integer, "
          "enddate integer, freq char(1), rptinc integer, rptct integer, gento integer, "
          "rptactive smallint, rmdays integer, amt bigint, accid1 integer, accid2 integer, "
          "accid3 integer, accid4 integer, chnum integer, ref varchar(20), "
          "narrative varchar(40), createts timestamp, editts timestamp, rprts timestamp, "
          "constraint rptr_pk primary key (id) )"),
      QStringLiteral("CREATE DESCENDING INDEX rptr_id_desc ON rptr (id)"),

      QStringLiteral("CREATE TABLE remdr (id integer not null, txnid integer, text varchar(255), "
                     "rmdate integer, tgdate integer, constraint remdr_pk primary key (id) )"),
      QStringLiteral("CREATE DESCENDING INDEX remdr_id_desc ON remdr (id)"),

      QStringLiteral("CREATE TABLE cptyctgy (cptyid integer, ctgyid integer, purchsale char(1), "
                     "hidden smallint, rprts timestamp)"),
      QStringLiteral("CREATE INDEX cptyctgy_key ON cptyctgy (cptyid, ctgyid, purchsale)"),

      QStringLiteral(
          "CREATE TABLE channel (chnum integer not null, accid integer, chname varchar(20), "
          "chnote blob sub_type text, chsts integer, constraint channel_pk primary key (chnum) )"),
      QStringLiteral("CREATE DESCENDING INDEX channel_chnum_desc ON channel (chnum)"),

      // The summary tables of the older generation: the upgrade keys them by currency,
      // then replaces them.
      QStringLiteral("CREATE TABLE movta (objid integer not null, bfd bigint default 0, "
                     "prepdnet bigint default 0, pdbfd bigint default 0, pdpayts bigint default 0, "
                     "pdrcpts bigint default 0, pdtfrs bigint default 0, pdcfd bigint default 0, "
                     "constraint integ_10 primary key (objid) )"),
      QStringLiteral("CREATE TABLE movtb (objid integer not null, bfd bigint default 0, "
                     "prepdnet bigint default 0, pdbfd bigint default 0, pdpayts bigint default 0, "
                     "pdrcpts bigint default 0, pdtfrs bigint default 0, pdcfd bigint default 0, "
                     "constraint integ_12 primary key (objid) )"),
      QStringLiteral("CREATE TABLE movtc (objid integer not null, bfd bigint default 0, "
                     "prepdnet bigint default 0, pdbfd bigint default 0, pdpayts bigint default 0, "
                     "pdrcpts bigint default 0, pdtfrs bigint default 0, pdcfd bigint default 0, "
                     "constraint integ_14 primary key (objid) )"),
      QStringLiteral("CREATE TABLE movtd (objid integer not null, bfd bigint default 0, "
                     "prepdnet bigint default 0, pdbfd bigint default 0, pdpayts bigint default 0, "
                     "pdrcpts bigint default 0, pdtfrs bigint default 0, pdcfd bigint default 0, "
                     "constraint integ_16 primary key (objid) )"),
      QStringLiteral(
          "CREATE TABLE movts (objid integer not null, pstgdate integer, amt bigint default 0)"),
      QStringLiteral("CREATE TABLE movte (objid integer not null, firstpstgdate integer, "
                     "lastpstgdate integer, constraint integ_18 primary key (objid) )"),
      QStringLiteral(
          "CREATE TABLE mthly (accid integer not null, mth integer not null, mtot bigint, "
          "ytot bigint, constraint integ_23 primary key (accid, mth) )"),
  };
}

namespace {

// The script runs on a connection of its own, so creating books never disturbs
// the books that are open.
bool runScript(const QString& location, QString& error) {
  const QString name = QStringLiteral("vorbek-create");
  bool ok = true;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    db.setDatabaseName(location);
    const TDbLogin login = DbLoginFor(location);
    db.setUserName(login.user);
    db.setPassword(login.password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!db.open()) {
      error = db.lastError().text().trimmed();
      ok = false;
    } else {
      // One transaction: every commit of definitions costs many synchronous page writes.
      ok = db.transaction();
      if (!ok) error = db.lastError().text().trimmed();
      for (const QString& sql : StartingSchemaScript()) {
        if (!ok) break;
        QSqlQuery q(db);
        if (!q.exec(sql)) {
          error = q.lastError().databaseText().trimmed() + "\n" + sql.left(200);
          ok = false;
        }
      }
      if (ok && !db.commit()) {
        error = db.lastError().text().trimmed();
        ok = false;
      }
      if (!ok) db.rollback();
      db.close();
    }
  }
  QSqlDatabase::removeDatabase(name);
  return ok;
}

}  // namespace

bool CreateEmptyBooks(const QString& dataFolder, QString& error) {
  if (!CheckDatabaseName(dataFolder, error)) return false;
  const bool server = IsServerLocation(dataFolder);
  const QString folder = server ? dataFolder : WithTrailingSeparator(dataFolder);
  const QString dbPath = folder + QLatin1String(kDatabaseFileName);
  const QString iniPath = DatabaseIniPath(folder);

  if (!server) {
    if (QFile::exists(dbPath)) {
      error = "Database already exists \"" + dbPath + "\"";
      return false;
    }
    if (!QDir().mkpath(folder)) {
      error = "Cannot create folder \"" + folder + "\"";
      return false;
    }
  }
  // Locally the file is made under a name of its own and takes the books' name only
  // when whole: a creation cut short leaves no half-made vorbek.fdb behind to be
  // taken for books, only this file, which the next creation removes.
  const QString making = server ? dbPath : dbPath + QStringLiteral(".new");
  if (!server) QFile::remove(making);
  QString engine;
  if (!CreateDatabaseFile(making, engine)) {
    error = "Cannot create database \"" + dbPath + "\"\r" + engine;
    return false;
  }
  if (!runScript(making, engine)) {
    if (!server) QFile::remove(making);
    error = "Cannot create database \"" + dbPath + "\"\r" + engine;
    return false;
  }
  if (!server && InterruptedAt("books creation")) return false;

  // A server's books keep their settings on this machine; a login kept there stays.
  IniFile ini(iniPath);
  const QString section = QLatin1String(kIniSection);
  const QString user = ini.readString(section, QStringLiteral("ServerUser"), QString());
  const QString password = ini.readString(section, QStringLiteral("ServerPassword"), QString());
  const bool keepLogin = server && ini.hasKey(section, QStringLiteral("ServerUser"));
  ini.clear();
  ini.writeInteger(section, QStringLiteral("DBvn"), kStartingSchemaVersion);
  if (keepLogin) {
    ini.writeString(section, QStringLiteral("ServerUser"), user);
    ini.writeString(section, QStringLiteral("ServerPassword"), password);
  }
  if ((server && !QDir().mkpath(FolderOfPath(iniPath))) || !ini.save(&engine)) {
    // Books on a server cannot be removed from here; without their settings
    // they open through the version in the database.
    if (!server) QFile::remove(making);
    error = "Cannot write \"" + iniPath + "\" : " + engine;
    return false;
  }
  if (!server && !MoveNewDatabaseFile(making, dbPath, engine)) {
    QFile::remove(making);
    error = "Cannot create database \"" + dbPath + "\"\r" + engine;
    return false;
  }
  error.clear();
  return true;
}

void EnsureWorkingIndexes() {
  static const char* const kIndexes[][2] = {
      {"PSTG_TXNOBJ", "CREATE INDEX pstg_txnobj ON pstg (txnid, objid)"},
      {"PSTG_DATE", "CREATE INDEX pstg_date ON pstg (pstgdate)"},
      {"TXN_ID_DESC", "CREATE DESCENDING INDEX txn_id_desc ON txn (id)"},
      {"PSTG_TXNID_DESC", "CREATE DESCENDING INDEX pstg_txnid_desc ON pstg (txnid)"},
      {"ACCOUNT_ID_DESC", "CREATE DESCENDING INDEX account_id_desc ON account (id)"},
      {"RPTR_ID_DESC", "CREATE DESCENDING INDEX rptr_id_desc ON rptr (id)"},
      {"REMDR_ID_DESC", "CREATE DESCENDING INDEX remdr_id_desc ON remdr (id)"},
      {"CHANNEL_CHNUM_DESC", "CREATE DESCENDING INDEX channel_chnum_desc ON channel (chnum)"},
      {"TXN_MASTER_DESC", "CREATE DESCENDING INDEX txn_master_desc ON txn (masterid, instance)"},
      {"TXN_DATE2", "CREATE INDEX txn_date2 ON txn (date2)"},
      {"PSTG_CONTRA", "CREATE INDEX pstg_contra ON pstg (contra)"},
      {"TXN_CHNUM", "CREATE INDEX txn_chnum ON txn (chnum)"},
      // A statement lists one account's postings in one currency by date, SEQ
      // and TXNID: read in this index's order, its first page needs no sort
      // of every posting, and the running balances are walked the same way.
      {"PSTG_STMT", "CREATE INDEX pstg_stmt ON pstg (ccy, objid, pstgdate, seq, txnid)"},
  };
  QuietDbErrors quiet;
  for (const auto& index : kIndexes) {
    if (CountRows(QStringLiteral("rdb$indices"), QStringLiteral("rdb$index_name = ?"),
                  {QString::fromLatin1(index[0])}) != 0)
      continue;
    if (!ExecSqlCommitted(QString::fromLatin1(index[1]))) RollbackIfActive();
  }
  // pstg_stmt leads with the same columns as the upgrade's acpstg2 and serves
  // every lookup it served. Keeping both costs dearly: after a statement
  // rewrites an account's running balances, the engine cleans up every old
  // row version in each index, and acpstg2 alone more than doubles that.
  if (CountRows(QStringLiteral("rdb$indices"), QStringLiteral("rdb$index_name = ?"),
                {QStringLiteral("PSTG_STMT")}) != 0 &&
      CountRows(QStringLiteral("rdb$indices"), QStringLiteral("rdb$index_name = ?"),
                {QStringLiteral("ACPSTG2")}) != 0) {
    if (!ExecSqlCommitted(QStringLiteral("DROP INDEX acpstg2"))) RollbackIfActive();
  }
}
