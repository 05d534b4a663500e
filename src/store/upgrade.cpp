#include "store/upgrade.h"

#include <QSqlQuery>
#include <QVariant>
#include <charconv>
#include <cmath>

#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "store/db.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade_guard.h"

namespace {

// The exit code the program ends with when the opening cannot go on.
constexpr int kEndCode = 1;

bool endProgram() {
  EndProgram(kEndCode);
  return false;
}

// Set while UpgradeSchema runs its steps: the books are copied before the first
// statement changes them (see upgrade_guard.h).
bool g_guarded = false;
int g_fromVersion = 0;  // the version the books had when the upgrade began
// A test stopped the upgrade as a sudden end would: nothing more runs.
bool g_stopped = false;

bool run(const QString& sql, const QVariantList& binds = {}) {
  if (g_stopped || (g_guarded && !BeginUpgradeGuard(g_fromVersion))) return false;
  if (!ExecSqlCommitted(sql, binds)) return false;
  g_stopped = g_guarded && InterruptedAt("upgrade statement");
  return !g_stopped;
}

bool runAll(const QStringList& statements) {
  for (const QString& sql : statements)
    if (!run(sql)) return false;
  return true;
}

// The base-currency input box of the first-time installation and of step 21.
bool askBaseCurrency(const QString& prompt) {
  QString code;
  if (!AskText(prompt, code) || code.size() != 3) return endProgram();
  TSession& s = Session();
  s.settings.baseCurrency = code.toUpper();
  s.workingCurrency = s.settings.baseCurrency;
  s.externalWorkingCurrency = s.settings.baseCurrency;
  return true;
}

void repairLeftToDo() {
  if (Session().initialising) return;
  ShowInfo(QStringLiteral(
      "Conversion will be completed by the Repair function (which may be s-l-o-w, sorry)"));
  Session().repairPending = true;
}

bool step20() {
  Session().initialising = true;
  Session().firstTimeInstall = true;
  return askBaseCurrency(
      QStringLiteral("VORBEK2 first time installation ...\rPlease enter base currency") + "\r" +
      "(eg GBP, EUR, USD)");
}

bool step21() {
  TSession& s = Session();
  if (s.settings.baseCurrency.isEmpty() &&
      !askBaseCurrency(QStringLiteral("Enter currency code of your existing data")))
    return false;
  const QVariantList q{s.settings.baseCurrency};
  if (!run("ALTER TABLE account ADD ccy char(3) default 'XXX', ADD bfdval int64 default 0, "
           "ADD opendate integer default 0; ") ||
      !run("UPDATE account SET bfdval = bfdbal, ccy = ?, opendate = 0", q))
    return false;
  const char* old[] = {"movta", "movtb", "movtc", "movtd"};
  const int integ[] = {10, 12, 14, 16};
  for (int i = 0; i < 4; ++i) {
    const QString t = QLatin1String(old[i]);
    if (!run("ALTER TABLE " + t + " DROP CONSTRAINT integ_" + QString::number(integ[i])) ||
        !run("ALTER TABLE " + t + " ADD ccy char(3) NOT NULL") ||
        !run("UPDATE " + t + " SET ccy = ?", q) ||
        !run("ALTER TABLE " + t + " ADD CONSTRAINT " + t + "_pk PRIMARY KEY (objid, ccy)"))
      return false;
  }
  if (!runAll({"ALTER TABLE movte DROP CONSTRAINT integ_18",
               "ALTER TABLE movte ADD CONSTRAINT movte_pk PRIMARY KEY (objid)"}))
    return false;
  for (const char* t : {"movts", "pstg", "rptr"}) {
    if (!run("ALTER TABLE " + QLatin1String(t) + " ADD ccy char(3)") ||
        !run("UPDATE " + QLatin1String(t) + " SET ccy = ?", q))
      return false;
  }
  if (!runAll({"ALTER TABLE mthly DROP CONSTRAINT integ_23",
               "ALTER TABLE mthly ADD ccy char(3) NOT NULL"}) ||
      !run("UPDATE mthly SET ccy = ?", q) ||
      !run("ALTER TABLE mthly ADD CONSTRAINT mthly_pk PRIMARY KEY (accid, ccy, mth)") ||
      !run("ALTER TABLE txn     ADD ccy char(3), ADD val int64, ADD rate float") ||
      !run("UPDATE txn SET ccy = ?, val = amt, rate = 1", q) ||
      !run(QStringLiteral("CREATE TABLE movtg (accid integer not null, ccy char(3) not null, bfd "
                          "int64 default 0, prepdnet int64 default 0, pdbfd int64 default 0, "
                          "pdpayts int64 default 0, ") +
           "pdrcpts int64 default 0, pdtfrs int64 default 0, pdcfd int64 default 0, type2 "
           "integer default 0, grpid integer default 0, constraint movtg_pk primary key (accid, "
           "ccy) )") ||
      !run("CREATE TABLE ccy (id char(3) not null, name varchar(20), base smallint, constraint "
           "ccy_pk primary key (id ) )") ||
      !run("INSERT INTO ccy (id, base) VALUES (?, 1)", q) ||
      !run("CREATE TABLE rate (ccycode char(3) not null, rdate integer not null, rate float, "
           "constraint rate_pk primary key (ccycode, rdate) )"))
    return false;
  s.schemaVersion = 21;
  s.settings.dbvn = 21;
  return SaveDatabaseIni();
}

bool step22() {
  return runAll({"CREATE TABLE param (pmid integer not null, pmstr varchar(80), pmint integer "
                 "not null, constraint param_pk primary key (pmid) )",
                 "INSERT INTO param (pmid, pmstr, pmint) VALUES (1, 'dbvn', 22)",
                 "INSERT INTO param (pmid, pmstr, pmint) VALUES (2, 'dbstartdate', 0)",
                 "INSERT INTO param (pmid, pmstr, pmint) VALUES (3, 'dbenddate', 0)"}) &&
         WriteParamDates();
}

bool step23() {
  return runAll({"update txn set \"type\"='P' where \"type\"='X' ",
                 "update txn set \"type\"='R' where \"type\"='Y' ",
                 "update pstg set txntype='P' where txntype='X' ",
                 "update pstg set txntype='R' where txntype='Y' ",
                 "update rptr set \"type\"='P' where \"type\"='X' ",
                 "update rptr set \"type\"='R' where \"type\"='Y' "});
}

// Any failure of this step ends the program with its own message.
bool step28() {
  QuietDbErrors quiet;
  auto failed = [] {
    ShowInfo(QStringLiteral("conv28 failed"));
    return endProgram();
  };
  if (!runAll({"UPDATE account SET pottype=0 WHERE type2 = 10",
               "UPDATE account SET type2=10, btype=3 WHERE type2 = 7"}))
    return failed();
  Session().settings.resetPaths = true;
  if (!runAll({"ALTER TABLE pstg ADD val int64 default 0", "UPDATE pstg SET val = amt",
               "UPDATE txn SET accid3 = 0 WHERE \"type\" = 'P' OR \"type\" = 'R'",
               "UPDATE rptr SET accid3 = 0 WHERE \"type\" = 'P' OR \"type\" = 'R'",
               "UPDATE txn SET accid2 = 0 WHERE \"type\" = 'F'", "DROP TABLE movta",
               "DROP TABLE movtb", "DROP TABLE movtc", "DROP TABLE movtd", "DROP TABLE movts",
               "DELETE FROM movtg",
               "ALTER TABLE movtg ADD amtval char(1) not null, ADD firstpstgdate integer "
               "default 99999999, ADD lastpstgdate integer default 0"}))
    return failed();
  if (!run("ALTER TABLE movtg DROP CONSTRAINT movtg_pk"))
    run("ALTER TABLE movtg DROP CONSTRAINT movt_pk");  // an older name; neither is fine too
  if (!runAll({"ALTER TABLE movtg ADD CONSTRAINT movtg_pk PRIMARY KEY (accid, ccy, amtval)",
               QStringLiteral("CREATE TABLE movtf (accid integer not null, ccy char(3) not null, "
                              "amtval char(1) not null, firstpstgdate integer default 99999999, "
                              "lastpstgdate integer default 0") +
                   ", bfd int64 default 0, prepdnet int64 default 0, pdpayts int64 default 0, "
                   "pdrcpts int64 default 0, pdtfrs int64 default 0 )",
               "CREATE TABLE accingrp( accid integer not null, grpid integer not null, CONSTRAINT "
               "accingrp_pk PRIMARY KEY (accid,grpid) )",
               "DELETE FROM mthly",
               // Firebird 3 checks a dropped column against the key being dropped in the same
               // statement, so the key goes first, on its own.
               "ALTER TABLE mthly DROP CONSTRAINT mthly_pk",
               "ALTER TABLE mthly DROP ccy, DROP ytot, ADD mory CHAR(1) not null",
               "ALTER TABLE mthly ADD CONSTRAINT mthly_pk PRIMARY KEY (accid, mth, mory)",
               "CREATE TABLE miny( accid integer not null, yr integer not null, mth integer not "
               "null, mtot int64, CONSTRAINT miny_pk PRIMARY KEY (accid,yr,mth) )",
               "CREATE TABLE mthlyf (grpid integer not null, mth integer not null, mory char(1), "
               "mtot int64 default 0) "}))
    return failed();
  repairLeftToDo();
  return true;
}

// Rates were single precision, so a rate typed as 187.12345 came back as
// 187.12344. The columns become double precision. A stored RATE row becomes the
// shortest decimal that reads back as its single-precision value: the number the
// lists and the valuation have shown and used for it. TXN.RATE keeps its exact
// value, from which the transaction's VAL was worked out.
bool step34() {
  if (!runAll({"ALTER TABLE rate ALTER rate TYPE DOUBLE PRECISION",
               "ALTER TABLE txn ALTER rate TYPE DOUBLE PRECISION"}))
    return false;
  if (g_stopped || (g_guarded && !BeginUpgradeGuard(g_fromVersion))) return false;
  QList<QVariantList> changed;
  {
    bool ok = false;
    QSqlQuery q = RunQuery(QStringLiteral("select ccycode, rdate, rate from rate"), {}, &ok);
    if (!ok) return false;
    while (q.next()) {
      if (q.value(2).isNull()) continue;
      const double stored = q.value(2).toDouble();
      const float single = float(stored);
      if (!std::isfinite(single)) continue;
      char text[64];
      const auto end = std::to_chars(text, text + sizeof text, single).ptr;
      double typed = stored;
      std::from_chars(text, end, typed);
      if (typed != stored) changed << QVariantList{typed, q.value(0), q.value(1)};
    }
  }
  // One transaction for every row: a commit per rate would cost its own page writes.
  PreparedSql update(QStringLiteral("update rate set rate = ? where ccycode = ? and rdate = ?"));
  bool ok = update.ok();
  for (const QVariantList& row : std::as_const(changed))
    if (ok) ok = update.exec(row);
  if (!ok || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  g_stopped = g_guarded && InterruptedAt("upgrade statement");
  return !g_stopped;
}

bool runStep(int n) {
  switch (n) {
    case 20:
      return step20();
    case 21:
      return step21();
    case 22:
      return step22();
    case 23:
      return step23();
    case 24:
      return run("ALTER TABLE txn ADD batchnum integer default 0");
    case 25:
      return runAll({"ALTER TABLE pstg ADD batchnum integer default 0",
                     "UPDATE pstg SET batchnum = 0", "DROP INDEX acpstg",
                     "CREATE INDEX acpstg2 ON pstg ( ccy, objid, pstgdate, txntype, batchnum, "
                     "txnid )"});
    case 26:
      return run("UPDATE pstg SET batchnum = 0 where batchnum is null");
    case 27:
      return true;
    case 28:
      return step28();
    case 29:
      return runAll(
          {"ALTER TABLE channel ADD chtype char default 'X' ", "UPDATE channel SET chtype = 'X'"});
    case 30:
      if (!runAll({"ALTER TABLE txn ADD createdate integer default 0, ADD createtime integer "
                   "default 0",
                   "UPDATE txn SET createdate=0, createtime=0"}))
        return false;
      repairLeftToDo();
      return true;
    case 31:
      return true;
    case 32:
      return runAll({"ALTER TABLE pstg ADD seq integer default 0", "UPDATE pstg SET seq=txnid"});
    case 33:
      return run(
          "CREATE TABLE ttemplate ( txnid integer not null, ttname varchar(255), "
          "CONSTRAINT tt_pk PRIMARY KEY (txnid) )");
    case 34:
      return step34();
    default:
      return false;
  }
}

QString flashText() {
  return QStringLiteral("Vorbek2 ") +
         (Session().initialising
              ? QStringLiteral("initialising ...")
              : QStringLiteral("Converting ... this might take a few minutes, please be patient"));
}

}  // namespace

QString SchemaStepDescription(int version) {
  switch (version) {
    case 21:
      return QStringLiteral("add currency fields/tables");
    case 22:
      return QStringLiteral("add PARAM table on which to store dbvn");
    case 23:
      return QStringLiteral("convert txn types X & Y to P & R");
    case 24:
      return QStringLiteral("add txn.batchnum");
    case 25:
      return QStringLiteral("rebuild account postings index for batchnum");
    case 26:
      return QStringLiteral("set null pstg.batchnum to zero");
    case 27:
      return QStringLiteral("oops no change after all");
    case 28:
      return QStringLiteral("big changes to Pots");
    case 29:
      return QStringLiteral("add Channel.chtype");
    case 30:
      return QStringLiteral("add txn.createdate/time");
    case 32:
      return QStringLiteral("add pstg.seq");
    case 33:
      return QStringLiteral("transaction templates");
    case 34:
      return QStringLiteral("rates in double precision");
    default:
      return QString();
  }
}

bool ReadParams() {
  TSession& s = Session();
  int version = 0;
  int32_t start = -1;
  int32_t end = -1;
  bool any = false;
  {
    QuietDbErrors quiet;
    bool ok = false;
    QSqlQuery q = RunQuery(QStringLiteral("select pmid, pmint from param"), {}, &ok);
    if (!ok) return false;
    while (q.next()) {
      any = true;
      const int id = q.value(0).toInt();
      const int value = q.value(1).toInt();
      if (id == 1)
        version = value;
      else if (id == 2)
        start = value;
      else if (id == 3)
        end = value;
    }
  }
  if (!any) return false;
  const bool startMissing = s.settings.dbStartDate < 0;
  const bool endMissing = s.settings.dbEndDate < 0;
  if (startMissing) s.dbStartDate = start >= 0 ? start : 0;
  if (endMissing) s.dbEndDate = end >= 0 ? end : 0;
  if (!(startMissing && endMissing)) WriteParamDates();
  s.schemaVersion = version;
  return version > 0;
}

bool WriteParamDates() {
  const TSession& s = Session();
  return run("update or insert into param (pmid, pmstr, pmint) values (2, 'dbstartdate', " +
             QString::number(s.dbStartDate) + ") matching (pmid)") &&
         run("update or insert into param (pmid, pmstr, pmint) values (3, 'dbenddate', " +
             QString::number(s.dbEndDate) + ") matching (pmid)");
}

bool SetSchemaVersion(int n) {
  Session().schemaVersion = n;
  return run("update param set pmint=" + QString::number(n) + " where pmid=1");
}

bool DetermineSchemaVersion() {
  TSession& s = Session();
  const int fromIni = s.settings.dbvn;
  if (fromIni > 0) {
    if (fromIni <= 18) {
      ShowInfo("dbvn " + QString::number(fromIni) + " invalid");
      return endProgram();
    }
    if (fromIni > 21 &&
        !AskYes(QStringLiteral(
            "dbvn>21 from INI file will overwrite dbvn from db, yikes - are you really sure ? ")))
      return endProgram();
    s.schemaVersion = fromIni;
    return true;
  }
  if (!ReadParams()) {
    ShowInfo(QStringLiteral("dbvn not specified - use ZADEZEVU.INI file to set this"));
    return endProgram();
  }
  if (s.schemaVersion <= 18) {
    ShowInfo("dbvn " + QString::number(s.schemaVersion) + " invalid");
    return endProgram();
  }
  return true;
}

bool UpgradeSchemaTo(int target) {
  TSession& s = Session();
  QString shown;
  for (int n = s.schemaVersion + 1; n <= target && n <= kCurrentSchemaVersion; ++n) {
    const QString description = SchemaStepDescription(n);
    if (!description.isEmpty() && !s.initialising &&
        !AskYes("Database conversion to version " + QString::number(n) + "\r" + "(" + description +
                ")" + "\r" + "Prior backup advisable - OK to continue ?")) {
      // The books stand whole at the last completed step.
      EndUpgradeGuard(true);
      return endProgram();
    }
    s.converted = true;
    if (n == 20) s.initialising = true;
    const QString text = flashText();
    if (text != shown) FlashKeep(text);
    shown = text;
    if (!runStep(n)) return false;
    if (n >= 22) {
      if (!SetSchemaVersion(n)) return false;
      // From now on PARAM holds the version: an INI still saying 21 would send the
      // next opening through step 22 again, which cannot run twice.
      if (n == 22 && !SaveIniVersionInParam()) return false;
    } else {
      s.schemaVersion = n;
    }
  }
  return true;
}

bool UpgradeSchema() {
  TSession& s = Session();
  const int v = s.schemaVersion;
  if (v == kCurrentSchemaVersion) return true;
  if (v > kCurrentSchemaVersion) {
    ShowInfo("DB vn = " + QString::number(v) + "; this old version of Vorbek expects max " +
             QString::number(kCurrentSchemaVersion));
    return false;
  }
  if (v < 19) {  // DetermineSchemaVersion refuses these; never upgrade from them
    ShowInfo("dbvn " + QString::number(v) + " invalid");
    return endProgram();
  }
  BusyOn();
  g_guarded = true;
  g_stopped = false;
  g_fromVersion = v;
  const bool ok = UpgradeSchemaTo(kCurrentSchemaVersion);
  g_guarded = false;
  FlashClose();
  BusyOff();
  // A failed step leaves the guard's note: the next opening puts the copy back.
  if (!ok) return false;
  // New books keep the guard until their default pot and settings are made.
  if (s.initialising) return true;
  const bool copied = UpgradeGuardUp();
  EndUpgradeGuard(true);
  if (s.converted && !s.repairPending) ShowInfo(QStringLiteral("Database converted OK"));
  if (copied)
    ShowInfo("The books as they were before the conversion are kept in " + UpgradeCopyPath());
  return true;
}
