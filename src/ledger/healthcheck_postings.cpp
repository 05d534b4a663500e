// The PSTG scan: every posting against its transaction and its account, with
// the amounts and values the transaction derives for it.
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/healthcheck_run.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }
int64_t magnitude(int64_t x) { return x < 0 ? -x : x; }

struct TPstgRow {
  int32_t txnId = 0, objId = 0, contra = 0, batch = 0, date = 0;
  int64_t amt = 0, val = 0;
  QString ccy, pstgType;
  bool hasTxn = false;
  QChar type;
  int64_t tAmt = 0, tVal = 0;
  int32_t acc1 = 0, acc2 = 0, acc4 = 0, tBatch = 0;
  bool cancelled = false;
  bool hasAccount = false;
  QString accName, accCcy;
  int accKind = 0;
};

// What the transaction writes on this posting, signed as the posting rules
// write it; false for a combination that has no rule (the posting's own
// values stand).
bool expected(const TPstgRow& p, int64_t& amt, int64_t& val) {
  if (p.cancelled || p.type == QChar('Z')) {
    amt = val = 0;
    return true;
  }
  const int64_t a = magnitude(p.tAmt), v = magnitude(p.tVal);
  switch (p.type.unicode()) {
    case 'P':
    case 'R': {
      const int sign = p.type == QChar('P') ? 1 : -1;
      if (p.objId == p.acc1) {
        amt = -sign * a;
        val = -sign * v;
      } else if (p.objId == p.acc2) {
        amt = sign * a;
        val = sign * v;
      } else if (p.objId == p.acc4) {
        amt = val = -sign * v;
      } else {
        return false;
      }
      return true;
    }
    case 'C':
      if (p.objId == p.acc1) {
        amt = -a;
        val = -v;
      } else if (p.objId == p.acc2) {
        amt = a;
        val = v;
      } else {
        return false;
      }
      return true;
    case 'F':
      amt = p.tAmt;
      val = p.tVal;
      return true;
    default:
      return false;
  }
}

bool deletePosting(const TPstgRow& p) {
  if (!ExecSql(QStringLiteral("delete from pstg where txnid = ? and objid = ?"),
               {p.txnId, p.objId}))
    return false;
  SetRebalanceNeeded(true);
  return true;
}

void checkPosting(THcRun& run, const TPstgRow& p) {
  const QString prefix = "Posting " + num(p.txnId) + "-" + num(p.objId) + " - ";
  if (!p.hasTxn) {
    run.fix(prefix + "txn not found", [&] { return deletePosting(p); });
    return;
  }
  if (p.pstgType == QLatin1String("D") || p.type == QChar('D')) return;
  const bool held = run.manualTxns.contains(p.txnId);
  if (!p.hasAccount || p.accName.trimmed().isEmpty())
    run.manual(prefix + "account not found (or name blank)");
  else if (p.accKind != kKindCounterparty && p.ccy != p.accCcy)
    run.manual(prefix + "currency mismatch, on posting " + p.ccy + ", on account " + p.accCcy);

  const bool belongs = p.objId == p.acc1 || p.objId == p.acc2 || p.objId == p.acc4;
  if (!belongs) {
    const QString text = prefix + "orphaned";
    run.fix(
        {text}, [&] { return deletePosting(p); }, held, false, run.leaveOutOrphans);
    return;
  }
  int64_t amt = 0, val = 0;
  if (expected(p, amt, val)) {
    if (p.amt != amt)
      run.manual(prefix + "wrong pstg amt " + FormatAmount(p.amt) + ", expected " +
                 FormatAmount(amt));
    if (p.val != val)
      run.fix(
          prefix + "wrong pstg val " + FormatAmount(p.val) + ", expected " + FormatAmount(val),
          [&] {
            if (!ExecSql(QStringLiteral("update pstg set val = ? where txnid = ? and objid = ?"),
                         {qlonglong(val), p.txnId, p.objId}))
              return false;
            SetRebalanceNeeded(true);
            return true;
          },
          held);
  }
  if (p.tBatch != p.batch)
    run.fix(
        prefix + "txn/pstg batch num mismatch " + num(p.tBatch) + "/" + num(p.batch),
        [&] {
          return ExecSql(
              QStringLiteral("update pstg set batchnum = ? where txnid = ? and objid = ?"),
              {p.tBatch, p.txnId, p.objId});
        },
        held);
  if (QStringLiteral("CPR").contains(p.type) &&
      (p.contra == 0 || (p.contra != p.acc1 && p.contra != p.acc2 && p.contra != p.acc4)))
    run.manual(prefix + "contra acc does not match txn");
}

}  // namespace

void HcScanPostings(THcRun& run) {
  run.beginTable(QStringLiteral("PSTG"),
                 CountRows(QStringLiteral("pstg"), QStringLiteral("txnid > 0")));
  int32_t lastTxn = 0, lastObj = 0;
  int32_t earliest = 0, latest = 0;
  for (bool more = true; more && !run.aborted;) {
    QList<TPstgRow> block;
    {
      // Whole transactions per block: the next block starts after the last one.
      QSqlQuery q = RunQuery(
          QStringLiteral(
              "select first %1 p.txnid, p.objid, p.amt, p.val, p.ccy, p.contra, p.batchnum, "
              "p.txntype, p.pstgdate, t.id, t.\"type\", t.amt, t.val, t.accid1, t.accid2, "
              "t.accid4, t.cancelled, t.batchnum, a.id, a.name, a.ccy, a.type2 from pstg p "
              "left join txn t on t.id = p.txnid left join account a on a.id = p.objid "
              "where p.txnid > ? order by p.txnid, p.objid")
              .arg(kHcBlockRows),
          {lastTxn});
      while (q.next()) {
        TPstgRow r;
        r.txnId = q.value(0).toInt();
        r.objId = q.value(1).toInt();
        r.amt = q.value(2).toLongLong();
        r.val = q.value(3).toLongLong();
        r.ccy = HcText(q.value(4)).trimmed();
        r.contra = q.value(5).toInt();
        r.batch = q.value(6).toInt();
        r.pstgType = HcText(q.value(7)).trimmed();
        r.date = q.value(8).toInt();
        r.hasTxn = !q.value(9).isNull();
        const QString type = HcText(q.value(10)).trimmed();
        r.type = type.isEmpty() ? QChar(' ') : type.at(0);
        r.tAmt = q.value(11).toLongLong();
        r.tVal = q.value(12).toLongLong();
        r.acc1 = q.value(13).toInt();
        r.acc2 = q.value(14).toInt();
        r.acc4 = q.value(15).toInt();
        r.cancelled = q.value(16).toInt() == 1;
        r.tBatch = q.value(17).toInt();
        r.hasAccount = !q.value(18).isNull();
        r.accName = HcText(q.value(19));
        r.accCcy = HcText(q.value(20)).trimmed();
        r.accKind = q.value(21).toInt();
        block << r;
      }
    }
    more = block.size() == kHcBlockRows;
    // A full block may end inside a transaction: that one is read again next time,
    // unless the block holds nothing else.
    if (more && block.first().txnId != block.last().txnId) {
      const int32_t cut = block.last().txnId;
      while (block.last().txnId == cut) block.removeLast();
    }
    for (const TPstgRow& r : block) {
      if (!run.nextRow()) break;
      lastTxn = r.txnId;
      lastObj = r.objId;
      if (r.date > 0) {
        if (earliest == 0 || r.date < earliest) earliest = r.date;
        if (r.date > latest) latest = r.date;
      }
      checkPosting(run, r);
    }
  }
  if (!run.aborted) {
    run.line("Last record id " + num(lastTxn) + "-" + num(lastObj));
    run.line("Earliest posting date " + YmdToText(earliest));
    run.line("Latest posting date " + YmdToText(latest));
    const int32_t start = Session().dbStartDate;
    run.line("Database start date " + YmdToText(start));
    if (earliest > 0 && earliest < start)
      run.line(QStringLiteral("Database start date later than earliest posting date"));
  }
  run.endTable(QStringLiteral("PSTG"));
}
