#include "ledger/rebalance.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "ledger/hierarchy.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"

namespace {

bool g_running = false;

struct Statement {
  QString sql;
  QVariantList binds;
};

struct Stage {
  QString name;
  QList<Statement> statements;
};

// Values the engine cannot type from an INSERT … SELECT list are cast.
const QString kPot = QStringLiteral("CAST(? AS INTEGER)");
const QString kBase = QStringLiteral("CAST(? AS CHAR(3))");

// The movements of the period for every account, in one grouped pass over
// the period's postings: per (account, currency) and for each column
// (payments, receipts, transfers) that has postings, an amount row and, for
// postings not in the base currency, a base-value row. The rows are those of
// one INSERT ... SELECT per column and kind; reading the period once instead of
// six times is the saving.
Statement periodMovements(int32_t from, int32_t to, const QString& base) {
  auto sums = [](const QString& types) {
    const QString when = "CASE WHEN p.txntype IN (" + types + ") THEN ";
    return "COUNT(" + when + "1 END), SUM(" + when + "p.amt END), SUM(" + when + "p.val END)";
  };
  auto rows = [](const QString& column, const QString& n) {
    const QString head = "INSERT INTO movtf (accid, ccy, amtval, " + column + ") VALUES (:objid, ";
    return "  IF (n" + n + " > 0) THEN BEGIN " + head + ":ccy, 'A', :a" + n + "); " +
           "    IF (ccy <> base) THEN " + head + ":ccy, 'V', :v" + n + "); END ";
  };
  return {
      "EXECUTE BLOCK (frm INTEGER = ?, til INTEGER = ?, base CHAR(3) = ?) "
      "AS DECLARE objid INTEGER; DECLARE ccy CHAR(3); "
      "DECLARE n1 BIGINT; DECLARE a1 BIGINT; DECLARE v1 BIGINT; "
      "DECLARE n2 BIGINT; DECLARE a2 BIGINT; DECLARE v2 BIGINT; "
      "DECLARE n3 BIGINT; DECLARE a3 BIGINT; DECLARE v3 BIGINT; "
      "BEGIN "
      "FOR SELECT p.objid, p.ccy, " +
          sums(QStringLiteral("'P'")) + ", " + sums(QStringLiteral("'R'")) + ", " +
          sums(QStringLiteral("'C', 'F'")) +
          " FROM pstg p WHERE p.pstgdate >= :frm AND p.pstgdate <= :til "
          "AND p.txntype IN ('P', 'R', 'C', 'F') GROUP BY p.objid, p.ccy "
          "INTO :objid, :ccy, :n1, :a1, :v1, :n2, :a2, :v2, :n3, :a3, :v3 DO BEGIN " +
          rows(QStringLiteral("pdpayts"), QStringLiteral("1")) +
          rows(QStringLiteral("pdrcpts"), QStringLiteral("2")) +
          rows(QStringLiteral("pdtfrs"), QStringLiteral("3")) +
          "END "
          "END",
      {from, to, base}};
}

// MOVTF summed into MOVTG per (account, currency, kind). A sum over nothing
// but NULLs is stored as 0, so no MOVTG row carries a NULL balance.
Statement sumIntoMovtg() {
  return {QStringLiteral(
              "INSERT INTO movtg (accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs, "
              "firstpstgdate, lastpstgdate) "
              "SELECT f.accid, f.ccy, f.amtval, COALESCE(SUM(f.bfd), 0), "
              "COALESCE(SUM(f.prepdnet), 0), COALESCE(SUM(f.pdpayts), 0), "
              "COALESCE(SUM(f.pdrcpts), 0), COALESCE(SUM(f.pdtfrs), 0), "
              "COALESCE(MIN(f.firstpstgdate), 99999999), COALESCE(MAX(f.lastpstgdate), 0) "
              "FROM movtf f GROUP BY f.accid, f.ccy, f.amtval"),
          {}};
}

// Stages 2 to 13 (stage 1, the repeater instances, is not SQL).
QList<Stage> sqlStages(int32_t from, int32_t to, const QString& base, int32_t pot, bool wash) {
  // With the wash on, every category's opening balance and earlier movements
  // go to the default pot. An empty source set gives no row (not a NULL sum).
  const Statement categoryOpening =
      wash ? Statement{"INSERT INTO movtf (accid, ccy, amtval, bfd) SELECT " + kPot + ", " + kBase +
                           ", 'A', SUM(o.bfdbal) FROM account o "
                           "WHERE o.type2 = 3 AND o.bfdbal <> 0 HAVING COUNT(*) > 0",
                       {pot, base}}
           : Statement{"INSERT INTO movtf (accid, ccy, amtval, bfd) SELECT o.id, " + kBase +
                           ", 'A', o.bfdbal FROM account o WHERE o.type2 = 3 AND o.bfdbal <> 0",
                       {base}};
  // One pass over every posting, grouped per (account, currency), gives both
  // what precedes the period and the first and last posting dates: the sort of
  // the postings is the cost, so it is paid once. Each group is then matched
  // with its account, once for the amount row and once for the value row.
  // External accounts and pots keep their sums, external accounts also their
  // foreign values; categories' sums are in the base currency and, with the
  // wash on, belong to the default pot (MOVTG adds them up). A group is dated
  // whether or not its account still exists; a posting without a currency
  // (older data) is dated under the base currency rather than failing the NOT
  // NULL key.
  const Statement postingsOnce{
      QStringLiteral(
          "EXECUTE BLOCK (frm INTEGER = ?, base CHAR(3) = ?, pot INTEGER = ?, wash SMALLINT = ?) "
          "AS DECLARE objid INTEGER; DECLARE ccy CHAR(3); DECLARE earlier BIGINT; "
          "DECLARE amt BIGINT; DECLARE val BIGINT; DECLARE d1 INTEGER; DECLARE d2 INTEGER; "
          "DECLARE type2 INTEGER; "
          "BEGIN "
          "FOR SELECT p.objid, p.ccy, "
          "COUNT(CASE WHEN p.txntype IN ('P', 'R', 'F', 'C') AND p.pstgdate < :frm THEN 1 END), "
          "SUM(CASE WHEN p.txntype IN ('P', 'R', 'F', 'C') AND p.pstgdate < :frm THEN p.amt END), "
          "SUM(CASE WHEN p.txntype IN ('P', 'R', 'F', 'C') AND p.pstgdate < :frm THEN p.val END), "
          "MIN(CASE WHEN p.pstgdate > 0 THEN p.pstgdate END), "
          "MAX(CASE WHEN p.pstgdate > 0 THEN p.pstgdate END) "
          "FROM pstg p GROUP BY p.objid, p.ccy "
          "INTO :objid, :ccy, :earlier, :amt, :val, :d1, :d2 DO BEGIN "
          "  IF (earlier > 0) THEN BEGIN "
          "    type2 = NULL; "
          "    SELECT o.type2 FROM account o WHERE o.id = :objid INTO :type2; "
          "    IF (type2 IN (1, 3, 6)) THEN "
          "      INSERT INTO movtf (accid, ccy, amtval, prepdnet) VALUES ("
          "        CASE WHEN :wash = 1 AND :type2 = 3 THEN :pot ELSE :objid END, "
          "        CASE WHEN :type2 = 3 THEN :base ELSE :ccy END, 'A', :amt); "
          "    IF (type2 = 1 AND ccy <> base) THEN "
          "      INSERT INTO movtf (accid, ccy, amtval, prepdnet) VALUES (:objid, :ccy, 'V', "
          ":val); "
          "  END "
          "  IF (d1 IS NOT NULL) THEN "
          "    INSERT INTO movtf (accid, ccy, amtval, firstpstgdate, lastpstgdate) "
          "    VALUES (:objid, COALESCE(:ccy, :base), 'A', :d1, :d2); "
          "END "
          "END"),
      {from, base, pot, wash ? 1 : 0}};

  QList<Stage> stages;
  stages << Stage{QStringLiteral("Initialise"),
                  {{QStringLiteral("delete from movte"), {}},
                   {QStringLiteral("delete from movtf"), {}},
                   {QStringLiteral("delete from movtg"), {}}}};
  stages << Stage{
      QStringLiteral("bfd"),
      {{QStringLiteral("INSERT INTO movtf (accid, ccy, amtval, bfd) SELECT o.id, o.ccy, 'A', "
                       "o.bfdbal FROM account o WHERE o.type2 IN (1, 6) AND o.bfdbal <> 0"),
        {}},
       categoryOpening,
       {QStringLiteral("INSERT INTO movtf (accid, ccy, amtval, bfd) SELECT o.id, o.ccy, 'V', "
                       "o.bfdval FROM account o "
                       "WHERE o.isgrp = 0 AND o.bfdbal <> 0 AND o.ccy <> ?"),
        {base}}}};
  stages << Stage{QStringLiteral("pre-period"), {postingsOnce}};
  // The three period columns are read in one pass, made with the payments.
  stages << Stage{QStringLiteral("payments in period"), {periodMovements(from, to, base)}};
  stages << Stage{QStringLiteral("receipts in period"), {}};
  stages << Stage{QStringLiteral("transfers in period"), {}};
  // The dates were found in the same pass as the pre-period sums.
  stages << Stage{QStringLiteral("first/last posting dates"), {}};
  stages << Stage{QStringLiteral("movtg for accs"), {sumIntoMovtg()}};
  // Groups add up their members' MOVTG rows straight from MOVTG: passing them
  // through MOVTF again would first have to clear it, and reading a table just
  // cleared makes the engine collect every deleted row on the way.
  stages << Stage{QStringLiteral("accumulate for groups"), {}};
  stages << Stage{
      QStringLiteral("movtg for grps"),
      {{QStringLiteral(
            "INSERT INTO movtg (accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs, "
            "firstpstgdate, lastpstgdate) "
            "SELECT a.grpid, g.ccy, g.amtval, SUM(g.bfd), SUM(g.prepdnet), SUM(g.pdpayts), "
            "SUM(g.pdrcpts), SUM(g.pdtfrs), MIN(g.firstpstgdate), MAX(g.lastpstgdate) "
            "FROM accingrp a JOIN movtg g ON g.accid = a.accid GROUP BY a.grpid, g.ccy, g.amtval"),
        {}}}};
  stages << Stage{QStringLiteral("period bfd/cfd"),
                  {{QStringLiteral("update movtg set pdbfd = bfd+prepdnet, "
                                   "pdcfd = bfd+prepdnet+pdpayts+pdrcpts+pdtfrs"),
                    {}}}};
  stages << Stage{QStringLiteral("first/last posting dates"),
                  {{QStringLiteral("insert into movte (objid, firstpstgdate, lastpstgdate) "
                                   "select g.accid, min(g.firstpstgdate) , max(g.lastpstgdate) "
                                   "from movtg g group by g.accid"),
                    {}}}};
  return stages;
}

void announce(int n, const QString& name) {
  ShowStatus("Rebalancing " + QString::number(n) + " of " + QString::number(kRebalanceStages) +
             " : " + name);
  ProcessPendingMessages();
}

// Runs one stage as one transaction: a stage is kept whole or not at all, and
// with forced writes every commit costs synchronous page writes, so the
// statements of a stage share one. A failed statement has shown the engine's
// message already.
bool runStage(const Stage& stage) {
  for (const Statement& st : stage.statements) {
    if (!ExecSql(st.sql, st.binds)) return false;
    ProcessPendingMessages();
  }
  return CommitIfActive();
}

// Ends a rebalance that did not complete: the failed work is dropped, what was
// committed stays, and the flag stays set.
bool abandon() {
  RollbackIfActive();
  g_running = false;
  BusyReset();
  ShowStatus(QString());
  RefreshControlPanel();
  return false;
}

// Whether any live transaction straddles From or To, both asked at once and
// without naming which: the two checks that name the first one each walk
// every transaction in id order, which the books without a straddler (nearly
// always) are spared.
bool maybeStraddling(int32_t from, int32_t to) {
  return QueryValue(QStringLiteral("select first 1 1 from txn t where t.cancelled = 0 and ("
                                   "(t.txndate <= ? and t.date2 > ?) or "
                                   "(t.txndate > ? and t.date2 > 0 and t.date2 <= ?) or "
                                   "(t.txndate < ? and t.date2 >= ?) or "
                                   "(t.txndate >= ? and t.date2 > 0 and t.date2 < ?))"),
                    {to, to, to, to, from, from, from, from}, 0)
                 .toInt() != 0 ||
         !LastDbError().isEmpty();
}

}  // namespace

bool RebalanceRunning() { return g_running; }

bool Rebalance() {
  if (g_running) return false;  // asked again while its own stages let events run
  TSession& s = Session();
  const TDbSettings& st = s.settings;
  if (st.washCtgies && st.defaultPotId <= 0) {
    ShowProgramError(QStringLiteral("no dftpot"));
    return false;
  }
  if (!CheckBaseCurrency()) return false;
  const int32_t from = s.periodFrom;
  const int32_t to = s.periodTo;
  if (maybeStraddling(from, to) &&
      (!CheckNoStraddle(to, QChar('F')) || !CheckNoStraddle(from, QChar('B'))))
    return false;

  BusyOn();
  g_running = true;
  RefreshControlPanel();
  TDateRec cutoff = Today();
  SubtractDays(cutoff, st.dormantAfter);
  s.dormantCutoff = DateRecToYmd(cutoff);

  if (s.settings.resetPaths) {
    s.settings.resetPaths = false;
    if (!RebuildPaths() && !LastDbError().isEmpty()) {
      s.settings.resetPaths = true;  // still to do
      return abandon();
    }
  }

  // Read after the base-currency check, which may have reset it.
  const QString base = s.settings.baseCurrency.trimmed();
  const QList<Stage> stages =
      sqlStages(from, to, base, s.settings.defaultPotId, s.settings.washCtgies);

  announce(1, QStringLiteral("Generate latest Repeater instances"));
  // Instances refused or declined do not stop the rebalance; a database error does.
  if (!GenerateRepeaterInstances() && !LastDbError().isEmpty()) return abandon();

  for (int i = 0; i < stages.size(); ++i) {
    announce(i + 2, stages[i].name);
    if (!runStage(stages[i])) return abandon();
  }

  g_running = false;
  SetRebalanceNeeded(false);
  BusyReset();
  ShowStatus(QString());
  Flash(QStringLiteral("Rebalanced OK"));
  return true;
}

bool RebalanceIfNeeded() {
  if (!RebalanceNeeded()) return true;
  return Rebalance();
}

// ------------------------------------------------------------------ running balances

namespace {

// One pass of the engine over the account's postings in statement order (the
// order the list shows: date, SEQ, TXNID). A counted posting's "balance shown"
// flag depends on the next posting of any type, so each one is written when
// its successor has been read, and only when a stored value differs (NULL
// never equals). A sum that would leave the 64-bit range stops the pass and
// names the posting; a wrapped sum would show as a plausible balance of the
// wrong sign. Rows are written back by their record key, found again without
// an index. Written once, reused by every call.
const QString kRunningBalancesBlock = QStringLiteral(
    "EXECUTE BLOCK (o INTEGER = ?, c CHAR(3) = ?, bal BIGINT = ?, wash SMALLINT = ?, "
    "frm INTEGER = ?) RETURNS (bad_txn INTEGER, bad_date INTEGER) AS "
    "DECLARE k CHAR(8) CHARACTER SET OCTETS; DECLARE hk CHAR(8) CHARACTER SET OCTETS; "
    "DECLARE t INTEGER; DECLARE d INTEGER; DECLARE amt BIGINT; DECLARE typ CHAR(1); "
    "DECLARE sf SMALLINT; DECLARE ss SMALLINT; DECLARE sb BIGINT; "
    "DECLARE prevd INTEGER = 0; DECLARE held SMALLINT = 0; DECLARE shown SMALLINT; "
    "DECLARE hd INTEGER; DECLARE hf SMALLINT; DECLARE hb BIGINT; "
    "DECLARE hsf SMALLINT; DECLARE hss SMALLINT; DECLARE hsb BIGINT; "
    "BEGIN "
    "  FOR SELECT p.rdb$db_key, p.txnid, COALESCE(p.pstgdate, 0), COALESCE(p.amt, 0), p.txntype, "
    "      p.dppstgdate, p.dprngbal, p.rngbal FROM pstg p WHERE p.ccy = :c AND p.objid = :o "
    "      ORDER BY p.ccy, p.objid, p.pstgdate, p.seq, p.txnid "
    "      INTO :k, :t, :d, :amt, :typ, :sf, :ss, :sb DO "
    "  BEGIN "
    "    IF (held = 1) THEN BEGIN "
    "      shown = IIF(d <> hd, 1, 0); "
    "      IF (hsb IS DISTINCT FROM hb OR hsf IS DISTINCT FROM hf OR hss IS DISTINCT FROM shown) "
    "      THEN UPDATE pstg SET dppstgdate = :hf, dprngbal = :shown, rngbal = :hb "
    "        WHERE rdb$db_key = :hk; "
    "      held = 0; "
    "    END "
    "    IF (typ IN ('C', 'F', 'P', 'R', 'Z')) THEN BEGIN "
    "      IF (NOT (wash = 1 AND d < frm)) THEN BEGIN "
    "        IF ((amt > 0 AND bal > 9223372036854775807 - amt) OR "
    "            (amt < 0 AND bal < -9223372036854775807 - 1 - amt)) THEN BEGIN "
    "          bad_txn = t; bad_date = d; SUSPEND; EXIT; "
    "        END "
    "        bal = bal + amt; "
    "      END "
    "      hf = IIF(d <> prevd, 1, 0); prevd = d; "
    "      hk = k; hd = d; hb = bal; hsf = sf; hss = ss; hsb = sb; held = 1; "
    "    END "
    "  END "
    "  IF (held = 1 AND (hsb IS DISTINCT FROM hb OR hsf IS DISTINCT FROM hf OR "
    "      hss IS DISTINCT FROM 1)) "
    "  THEN UPDATE pstg SET dppstgdate = :hf, dprngbal = 1, rngbal = :hb "
    "    WHERE rdb$db_key = :hk; "
    "END");

}  // namespace

bool CalcRunningBalances(int32_t accountId) {
  FlashKeep(QStringLiteral("Calculating running balances"));
  struct FlashOff {
    ~FlashOff() { FlashClose(); }
  } flashOff;

  TObj a;
  if (!ReadAccount(accountId, a)) return false;
  const TSession& s = Session();
  const bool washed = a.kind == kKindCategory && s.settings.washCtgies;
  if (!StartTxIfNone()) return false;
  bool ok = false;
  QSqlQuery q = RunQuery(
      kRunningBalancesBlock,
      {accountId, a.ccy.trimmed(), qlonglong(a.openingBalance), washed ? 1 : 0, s.periodFrom}, &ok);
  if (!ok) return false;
  if (q.next()) {
    ShowInfo("Running balance of \"" + a.name + "\" out of range at txn #" +
             QString::number(q.value(0).toInt()) + " on " + YmdToText(q.value(1).toInt()));
    return false;
  }
  return true;
}
