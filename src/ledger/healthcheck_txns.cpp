// The TXN scan, in two passes: the kinds of a transaction's accounts (and the
// old combined transfers split), then the rules of each row, its channel, its
// counterparty / category link and the postings it must have.
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/healthcheck_run.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

const char* kTxnColumns =
    "t.id, t.ccy, t.masterid, t.instance, t.txndate, t.date2, t.actualtxndate, t.amt, t.val, "
    "t.rate, t.\"type\", t.ref, t.narrative, t.accid1, t.accid2, t.accid3, t.accid4, "
    "t.cancelled, t.createts, t.editts, t.createdate, t.createtime, t.dpdate, t.chnum, "
    "t.batchnum";

// A TXN row (kTxnColumns, in their order) as the ledger's record, read without
// a word to the user. date2 is the stored DATE2 (the record drops one equal
// to the actual date). Columns are taken by position: a lookup by name costs
// more than the row.
TTxn txnOf(const QSqlQuery& q, int32_t& date2) {
  auto i = [&](int c) { return q.value(c).isNull() ? 0 : q.value(c).toInt(); };
  TTxn t;
  t.id = i(0);
  t.ccy = HcText(q.value(1)).trimmed();
  t.masterId = i(2);
  t.instance = i(3);
  t.txnDate = YmdToDateRec(i(4));
  date2 = i(5);
  const int32_t actual = i(6);
  t.actualDate = YmdToDateRec(actual);
  t.postingDate = date2 == actual ? TDateRec() : YmdToDateRec(date2);
  t.amount = q.value(7).toLongLong();
  t.value = q.value(8).toLongLong();
  t.rate = q.value(9).isNull() ? 0.0 : q.value(9).toDouble();
  const QString type = HcText(q.value(10)).trimmed();
  t.type = type.isEmpty() ? QChar(' ') : type.at(0);
  t.reference = HcText(q.value(11));
  t.narrative = HcText(q.value(12));
  t.accId1 = i(13);
  t.accId2 = i(14);
  t.accId3 = i(15);
  t.accId4 = i(16);
  t.cancelled = i(17) == 1;
  t.created = q.value(18).toDateTime();
  t.edited = q.value(19).toDateTime();
  t.createDate = i(20);
  t.createTime = i(21);
  t.firstOfDay = i(22) == 1;
  t.channel = i(23);
  t.batch = i(24);
  t.status = t.instance > 0 ? 2 : 0;
  return t;
}

bool readTxn(int32_t id, TTxn& t, int32_t& date2) {
  QSqlQuery q = RunQuery(
      QStringLiteral("select %1 from txn t where t.id = ?").arg(QLatin1String(kTxnColumns)), {id});
  if (!q.next()) return false;
  t = txnOf(q, date2);
  return true;
}

// The postings written afresh; reconciliation marks of the accounts they had are kept.
bool repost(const TTxn& t) {
  QList<QVariantList> marks;
  if (t.type != QChar('Z')) {
    QSqlQuery q = RunQuery(QStringLiteral("select p.objid, max(p.reconcode), max(p.recamt) "
                                          "from pstg p where p.txnid = ? and p.reconcode <> 0 "
                                          "group by p.objid"),
                           {t.id});
    while (q.next()) marks << QVariantList{q.value(1), q.value(2), t.id, q.value(0)};
  }
  if (!DeletePostings(t) || !PostTransaction(t)) return false;
  for (const QVariantList& m : marks)
    if (!ExecSql(QStringLiteral("update pstg set reconcode = ?, recamt = ? "
                                "where txnid = ? and objid = ?"),
                 m))
      return false;
  return true;
}

// An old combined transfer carries its second leg in ACCID3 / ACCID4: that leg
// becomes a transaction of its own (or, without a first leg, the row itself).
bool splitCombi(int32_t id) {
  TTxn t;
  int32_t date2 = 0;
  if (!readTxn(id, t, date2)) return false;
  const int32_t acc3 = t.accId3, acc4 = t.accId4;
  TTxn leg = t;
  leg.accId1 = acc3;
  leg.accId2 = acc4;
  leg.accId3 = 0;
  leg.accId4 = 0;
  leg.channel = 0;
  if (leg.actualDate.isZero()) {
    leg.actualDate = YmdToDateRec(date2);
    leg.postingDate = TDateRec();
  }
  if (t.accId1 == 0) return DeletePostings(t) && UpdateTxnRow(leg) && PostTransaction(leg);
  leg.id = 0;
  leg.instance = 0;
  leg.masterId = 0;
  leg.status = 0;
  if (!ExecSql(QStringLiteral("delete from pstg where txnid = ? and objid in (?, ?)"),
               {id, acc3, acc4}))
    return false;
  SetRebalanceNeeded(true);
  t.accId3 = 0;
  t.accId4 = 0;
  return UpdateTxnRow(t) && WriteTransaction(leg);
}

struct TPass1Row {
  int32_t id = 0;
  QChar type;
  int32_t acc[5] = {0, 0, 0, 0, 0};
  QVariant kind[5];
  int32_t chnum = 0, date2 = 0, txnDate = 0, instance = 0, masterId = 0;
  int64_t amt = 0, val = 0;
};

// The first of the row rules a person must mend, or empty.
QString ruleError(QChar type, const int32_t* acc, int64_t amt, int64_t val) {
  if (!QStringLiteral("PRCFDZ").contains(type)) return QStringLiteral(" invalid txn type");
  bool ids = true;
  if (type == QChar('D')) {
    ids = acc[1] == 0 && acc[2] == 0 && acc[3] == 0 && acc[4] == 0;
  } else {
    ids = acc[3] == 0 && acc[1] > 0;
    if (type == QChar('F')) ids = ids && acc[2] == 0 && acc[4] == 0;
    if (type == QChar('P') || type == QChar('R')) ids = ids && acc[2] > 0 && acc[4] > 0;
    if (type == QChar('C')) ids = ids && acc[2] > 0 && acc[4] == 0;
  }
  if (!ids) return QStringLiteral(" wrong account ids");
  if (type != QChar('F') && type != QChar('Z') && amt < 0)
    return QStringLiteral("txn amt shd be >= 0");
  if (type != QChar('Z') && amt != 0 && val == 0) return QStringLiteral("txn value not set");
  return QString();
}

void firstPass(THcRun& run, int32_t maxId) {
  run.line(QStringLiteral("Checking account types match txn type"));
  int32_t last = 0;
  for (bool more = true; more && !run.aborted;) {
    QList<TPass1Row> block;
    {
      QSqlQuery q =
          RunQuery(QStringLiteral("select first %1 t.id, t.\"type\", t.accid1, t.accid2, t.accid3, "
                                  "t.accid4, t.chnum, t.date2, t.txndate, t.amt, t.val, "
                                  "a1.type2, a2.type2, a4.type2 from txn t "
                                  "left join account a1 on a1.id = t.accid1 "
                                  "left join account a2 on a2.id = t.accid2 "
                                  "left join account a4 on a4.id = t.accid4 "
                                  "where t.id > ? and t.id <= ? order by t.id")
                       .arg(kHcBlockRows),
                   {last, maxId});
      while (q.next()) {
        TPass1Row r;
        r.id = q.value(0).toInt();
        const QString type = HcText(q.value(1)).trimmed();
        r.type = type.isEmpty() ? QChar(' ') : type.at(0);
        for (int c = 1; c <= 4; ++c) r.acc[c] = q.value(1 + c).toInt();
        r.chnum = q.value(6).toInt();
        r.date2 = q.value(7).toInt();
        r.txnDate = q.value(8).toInt();
        r.amt = q.value(9).toLongLong();
        r.val = q.value(10).toLongLong();
        r.kind[1] = q.value(11);
        r.kind[2] = q.value(12);
        r.kind[4] = q.value(13);
        block << r;
      }
    }
    more = block.size() == kHcBlockRows;
    for (const TPass1Row& r : block) {
      if (!run.nextRow()) break;
      last = r.id;
      const QString prefix = "Txn " + num(r.id);
      if (r.type == QChar('C') && r.acc[3] != 0) {
        run.fix(
            {prefix + " dbvn28 : combi tfr to split"}, [&] { return splitCombi(r.id); }, false,
            true);
        continue;
      }
      bool held = !ruleError(r.type, r.acc, r.amt, r.val).isEmpty();
      auto manual = [&](const QString& text) {
        run.manual(prefix + text);
        run.manualTxns.insert(r.id);
        held = true;
      };
      if (r.type == QChar('C') && r.kind[1].toInt() != kKindExternal) {
        if (r.chnum != 0) manual(QStringLiteral(" Channel present on Int tfr"));
        if (r.date2 != 0) {
          if (r.date2 == r.txnDate)
            run.fix(
                prefix + " Pstg Date present on Int Tfr",
                [&] {
                  if (!ExecSql(QStringLiteral("update txn set date2 = 0 where id = ?"), {r.id}))
                    return false;
                  SetRebalanceNeeded(true);
                  return true;
                },
                held);
          else
            manual(QStringLiteral(" Pstg Date present on Int Tfr"));
        }
      }
      if (r.type == QChar('P') || r.type == QChar('R')) {
        for (const auto& [column, expected] : {std::pair{1, 1}, {2, 4}, {4, 3}}) {
          if (r.acc[column] == 0) continue;  // the row rules report it
          const int found = r.kind[column].isNull() ? -1 : r.kind[column].toInt();
          if (found == expected || (expected == kKindCategory && found == kKindPot)) continue;
          manual(" account #" + num(column) + " account type expected \"" + num(expected) +
                 "\" found \"" + (found < 0 ? QString() : num(found)) + "\"");
        }
      }
    }
  }
  if (run.aborted) return;
  if (run.toGo() < 0) ShowInfo(QStringLiteral("more than expected"));
  if (run.toGo() > 0) ShowInfo(QStringLiteral("fewer than expected"));
}

struct TPass2Row {
  TTxn t;
  bool channelFound = false;
};

struct TStats {
  int payments = 0, receipts = 0, transfers = 0, diary = 0;
  int64_t paid = 0, received = 0, transferred = 0;
};

void secondRow(THcRun& run, const TPass2Row& row,
               const QHash<QPair<int32_t, int32_t>, int>& postings, TStats& stats) {
  const TTxn& t = row.t;
  const QString prefix = "Txn " + QString(t.type) + " " + num(t.id) + " ";
  const int32_t acc[5] = {0, t.accId1, t.accId2, t.accId3, t.accId4};
  if (run.text) {
    const QString head = "Txn " + num(t.id);
    run.textCheck(head, QStringLiteral(" ref"), t.reference);
    run.textCheck(head, QStringLiteral(" description"), t.narrative);
  }

  bool reposted = false;
  auto held = [&] { return run.manualTxns.contains(t.id); };
  const bool known = QStringLiteral("PRCFDZ").contains(t.type);
  if (known && t.instance > 0 && t.masterId == 0) run.info(prefix + " instance with no master");
  const QString error = ruleError(t.type, acc, t.amount, t.value);
  if (!error.isEmpty()) {
    run.manual(prefix + error);
    run.manualTxns.insert(t.id);
  } else {
    if (t.channel != 0 && !row.channelFound) {
      reposted = run.fix(
          prefix + "channel not found " + num(t.channel),
          [&] {
            TTxn fixed = t;
            fixed.channel = 0;
            return UpdateTxnRow(fixed) && repost(fixed);
          },
          held());
    }
    if (!t.cancelled) {
      if (t.type == QChar('C') && t.accId1 != 0) {
        ++stats.transfers;
        stats.transferred += t.value;
      } else if (t.type == QChar('D')) {
        ++stats.diary;
      } else if (t.type == QChar('P')) {
        ++stats.payments;
        stats.paid += t.value;
      } else if (t.type == QChar('R')) {
        ++stats.receipts;
        stats.received += t.value;
      }
    }
  }
  // Links met count for every payment and receipt, whatever else is wrong with it.
  if ((t.type == QChar('P') || t.type == QChar('R')) && t.accId2 > 0 && t.accId4 > 0) {
    const QString code = t.type == QChar('P') ? QStringLiteral("P") : QStringLiteral("S");
    const QString key = HcLinkKey(t.accId2, t.accId4, code);
    run.metLinks.insert(key);
    if (error.isEmpty() && !run.links.contains(key) && !LocateCptyCtgy(t.accId2, t.accId4, code)) {
      if (run.fix(
              "Missing Cpty-Ctgy " + num(t.accId2) + "-" + num(t.accId4) + "-" + code,
              [&] {
                return ExecSql(QStringLiteral("insert into cptyctgy (cptyid, ctgyid, purchsale, "
                                              "hidden, rprts) values (?, ?, ?, 0, ?)"),
                               {t.accId2, t.accId4, code, run.stamp});
              },
              held()))
        run.links.insert(key, true);
    } else if (!run.links.contains(key)) {
      run.links.insert(key, false);  // added by a fix of this run's ledger calls
    }
  }
  if (reposted) return;

  QStringList missing;
  const QString head = "Txn " + num(t.id);
  auto has = [&](int32_t objId) { return postings.value({t.id, objId}, 0) > 0; };
  const QChar ty = t.type;
  if (QStringLiteral("CFPRZ").contains(ty) && t.accId1 != 0 && !has(t.accId1))
    missing << head + " posting not found" + " accid1";
  if (QStringLiteral("CPR").contains(ty) && t.accId2 != 0 && !has(t.accId2))
    missing << head + " posting not found" + " accid2";
  if (QStringLiteral("PR").contains(ty) && t.accId4 != 0 && !has(t.accId4))
    missing << head + " posting not found" + " accid4";
  if (ty == QChar('D') && !has(0)) missing << head + " posting not found diary";
  for (auto it = postings.cbegin(); it != postings.cend(); ++it)
    if (it.key().first == t.id && it.value() > 1) {
      missing << head + " duplicate posting";
      break;
    }
  if (!missing.isEmpty())
    run.fix(
        missing, [&] { return repost(t); }, held());
}

void secondPass(THcRun& run, TStats& stats, int32_t& last) {
  run.line(QStringLiteral("Checking account-postings all exist"));
  run.setToGo(CountAll(QStringLiteral("txn")));
  for (bool more = true; more && !run.aborted;) {
    QList<TPass2Row> block;
    QHash<QPair<int32_t, int32_t>, int> postings;
    {
      QSqlQuery q = RunQuery(QStringLiteral("select first %1 %2, c.chnum as chfound from txn t "
                                            "left join channel c on c.chnum = t.chnum "
                                            "where t.id > ? order by t.id")
                                 .arg(kHcBlockRows)
                                 .arg(QLatin1String(kTxnColumns)),
                             {last});
      while (q.next()) {
        TPass2Row r;
        int32_t date2 = 0;
        r.t = txnOf(q, date2);
        r.channelFound = !q.value(25).isNull();
        block << r;
      }
    }
    more = block.size() == kHcBlockRows;
    if (!block.isEmpty()) {
      QSqlQuery p = RunQuery(QStringLiteral("select p.txnid, p.objid, count(*) from pstg p "
                                            "where p.txnid >= ? and p.txnid <= ? "
                                            "group by p.txnid, p.objid"),
                             {block.first().t.id, block.last().t.id});
      while (p.next())
        postings.insert({p.value(0).toInt(), p.value(1).toInt()}, p.value(2).toInt());
    }
    // Per transaction, only its own posting counts are looked at.
    QHash<int32_t, QHash<QPair<int32_t, int32_t>, int>> byTxn;
    for (auto it = postings.cbegin(); it != postings.cend(); ++it)
      byTxn[it.key().first].insert(it.key(), it.value());
    for (const TPass2Row& r : block) {
      if (!run.nextRow()) break;
      last = r.t.id;
      secondRow(run, r, byTxn.value(r.t.id), stats);
    }
  }
}

void loadLinks(THcRun& run) {
  run.links.clear();
  run.linkStamps.clear();
  QSqlQuery q =
      RunQuery(QStringLiteral("select l.cptyid, l.ctgyid, l.purchsale, l.rprts from cptyctgy l"));
  while (q.next()) {
    const QString key = HcLinkKey(q.value(0).toInt(), q.value(1).toInt(), HcText(q.value(2)));
    const bool stamped = !q.value(3).isNull() && q.value(3).toDateTime() == run.stamp;
    run.links.insert(key, run.links.value(key, true) && stamped);
    run.linkStamps.insert(key, q.value(3));
  }
}

// Every link a payment or receipt used carries the run's stamp (never on
// frozen books). Rewriting a row that an earlier run stamped costs far more one
// statement at a time than in one statement, so when most links were met all
// are stamped at once and the few others get their own stamp back.
// The text check has no link scan, so nothing reads its stamps: rewriting
// every link would only cost it synchronous page writes.
void stampMetLinks(THcRun& run) {
  if (run.frozen || run.text) return;
  const QString sql = QStringLiteral(
      "update cptyctgy set rprts = ? where cptyid = ? and "
      "ctgyid = ? and purchsale = ?");
  auto each = [&](const QStringList& keys, bool stamp) {
    PreparedSql update(sql);
    bool ok = update.ok();
    for (const QString& key : keys) {
      const QStringList parts = key.split(QLatin1Char('-'));
      if (!ok || parts.size() != 3) break;
      const QVariant value =
          stamp ? QVariant(run.stamp)
                : run.linkStamps.value(key, QVariant(QMetaType::fromType<QDateTime>()));
      ok = update.exec({value, parts[0].toInt(), parts[1].toInt(), parts[2]});
    }
    return ok;
  };
  QStringList met, unmet;
  for (auto it = run.links.cbegin(); it != run.links.cend(); ++it) {
    if (!run.metLinks.contains(it.key()))
      unmet << it.key();
    else if (!it.value())
      met << it.key();
  }
  bool ok = true;
  if (met.size() > unmet.size()) {
    ok = ExecSql(QStringLiteral("update cptyctgy set rprts = ? where rprts is null or rprts <> ?"),
                 {run.stamp, run.stamp}) &&
         each(unmet, false);
  } else {
    ok = each(met, true);
  }
  if (ok) {
    for (const QString& key : std::as_const(met)) run.links[key] = true;
    CommitIfActive();
  } else {
    RollbackIfActive();
  }
}

}  // namespace

void HcScanTxns(THcRun& run) {
  loadLinks(run);
  const int32_t maxId = QueryValue(QStringLiteral("select max(t.id) from txn t"), {}, 0).toInt();
  run.beginTable(QStringLiteral("TXN"),
                 CountRows(QStringLiteral("txn"), QStringLiteral("id <= ?"), {maxId}));
  firstPass(run, maxId);
  TStats stats;
  int32_t last = 0;
  if (!run.aborted) secondPass(run, stats, last);
  if (!run.aborted) {
    stampMetLinks(run);
    run.line("Last record id " + num(last));
    run.line(num(stats.payments) + " Payment(s) " + FormatAmount(stats.paid));
    run.line(num(stats.receipts) + " Receipt(s) " + FormatAmount(stats.received));
    run.line(num(stats.transfers) + " Transfer(s) " + FormatAmount(stats.transferred));
    run.line(num(stats.diary) + " Diary item(s)");
  }
  run.endTable(QStringLiteral("TXN"));
}
