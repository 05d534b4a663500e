// The RPTR, CPTYCTGY and CHANNEL scans.
#include <QSqlQuery>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "ledger/healthcheck_run.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

struct TRptrRow {
  int32_t id = 0;
  QChar type;
  QString ref, narrative;
  int32_t acc[5] = {0, 0, 0, 0, 0};
  bool active = false;
  int32_t genTo = 0, chnum = 0;
  bool channelFound = false;
};

bool internalKind(int kind) { return kind == kKindCategory || kind == kKindPot; }

void checkInstances(THcRun& run, const TRptrRow& r) {
  const QString prefix = "Repeater master #" + num(r.id) + " - ";
  QList<int32_t> instances;
  {
    QSqlQuery q = RunQuery(QStringLiteral("select t.instance from txn t where t.masterid = ? "
                                          "and t.instance > 0 order by t.instance"),
                           {r.id});
    while (q.next()) instances << q.value(0).toInt();
  }
  // Archived books have lost their early instances on purpose.
  const bool archived = Session().dbStartDate > 0;
  int32_t previous = 0;
  bool first = true;
  for (int32_t n : instances) {
    if (!first && n == previous) {
      run.manual(prefix + "Duplicate instance " + num(n));
    } else if (n > previous + 1 && !(first && archived)) {
      run.manual(prefix + "Missing instance " + num(previous + 1));
    }
    previous = n;
    first = false;
  }
  if (instances.isEmpty() && archived) return;
  if (r.genTo != previous)
    run.fix(prefix + "Gento " + num(r.genTo) + " should be " + num(previous), [&] {
      return ExecSql(QStringLiteral("update rptr set gento = ?, editts = ? where id = ?"),
                     {previous, NowToSecond(), r.id});
    });
}

void checkRepeater(THcRun& run, const TRptrRow& r) {
  const QString prefix = "Repeater " + num(r.id) + " ";
  run.textCheck(prefix, QStringLiteral("ref"), r.ref);
  run.textCheck(prefix, QStringLiteral("descr"), r.narrative);
  if (r.type == QChar('C')) {
    if (r.acc[1] != 0 && r.acc[3] != 0) run.manual(prefix + "dbvn28: combi tfr for manual split");
  } else if (r.type == QChar('P') || r.type == QChar('R')) {
    for (const auto& [column, want] : {std::pair{1, 1}, {2, 4}, {4, 3}}) {
      const int32_t id = r.acc[column];
      const QString slot = prefix + "accid" + num(column) + " " + num(id);
      if (!run.accounts.contains(id)) {
        run.manual(slot + " not found ");
        continue;
      }
      const int found = run.accounts.value(id).kind;
      if (found == want || (internalKind(want) && internalKind(found))) continue;
      run.manual(slot + " wrong acctype (" + num(found) + " should be " + num(want) + ")");
    }
  } else if (r.type != QChar('D') && r.type != QChar('F')) {
    run.manual(prefix + "invalid txn type");
  }
  if (r.active) {
    checkInstances(run, r);
  } else {
    run.fix(
        {prefix + "inactive, for deletion"},
        [&] { return ExecSql(QStringLiteral("delete from rptr where id = ?"), {r.id}); }, false,
        true);
    return;
  }
  if (r.chnum != 0 && !r.channelFound)
    run.fix(prefix + "invalid channel number " + num(r.chnum), [&] {
      return ExecSql(QStringLiteral("update rptr set chnum = 0, editts = ? where id = ?"),
                     {NowToSecond(), r.id});
    });
}

}  // namespace

void HcScanRepeaters(THcRun& run) {
  run.beginTable(QStringLiteral("RPTR"), CountAll(QStringLiteral("rptr")));
  int32_t last = 0;
  for (bool more = true; more && !run.aborted;) {
    QList<TRptrRow> block;
    {
      QSqlQuery q =
          RunQuery(QStringLiteral("select first %1 r.id, r.\"type\", r.ref, r.narrative, r.accid1, "
                                  "r.accid2, r.accid3, r.accid4, r.rptactive, r.gento, r.chnum, "
                                  "c.chnum from rptr r left join channel c on c.chnum = r.chnum "
                                  "where r.id > ? order by r.id")
                       .arg(kHcBlockRows),
                   {last});
      while (q.next()) {
        TRptrRow r;
        r.id = q.value(0).toInt();
        const QString type = HcText(q.value(1)).trimmed();
        r.type = type.isEmpty() ? QChar(' ') : type.at(0);
        r.ref = HcText(q.value(2));
        r.narrative = HcText(q.value(3));
        for (int c = 1; c <= 4; ++c) r.acc[c] = q.value(3 + c).toInt();
        r.active = q.value(8).toInt() != 0;
        r.genTo = q.value(9).toInt();
        r.chnum = q.value(10).toInt();
        r.channelFound = !q.value(11).isNull();
        block << r;
      }
    }
    more = block.size() == kHcBlockRows;
    for (const TRptrRow& r : block) {
      if (!run.nextRow()) break;
      last = r.id;
      checkRepeater(run, r);
    }
  }
  run.endTable(QStringLiteral("RPTR"));
}

void HcScanLinks(THcRun& run) {
  struct TLink {
    int32_t cpty, ctgy;
    QString code;
  };
  QList<TLink> links;
  {
    QSqlQuery q =
        RunQuery(QStringLiteral("select l.cptyid, l.ctgyid, l.purchsale from cptyctgy l "
                                "order by l.cptyid, l.ctgyid, l.purchsale"));
    while (q.next())
      links << TLink{q.value(0).toInt(), q.value(1).toInt(), HcText(q.value(2)).trimmed()};
  }
  run.beginTable(QStringLiteral("CPTYCTGY"), int(links.size()));
  for (const TLink& l : links) {
    if (!run.nextRow()) break;
    if (run.metLinks.contains(HcLinkKey(l.cpty, l.ctgy, l.code))) continue;
    run.fix(
        {"Cpty-Ctgy has no txns " + num(l.cpty) + "-" + num(l.ctgy) + "-" + l.code},
        [&] {
          return ExecSql(QStringLiteral("delete from cptyctgy where cptyid = ? and "
                                        "ctgyid = ? and purchsale = ?"),
                         {l.cpty, l.ctgy, l.code});
        },
        false, true);
  }
  run.endTable(QStringLiteral("CPTYCTGY"));
}

void HcScanChannels(THcRun& run) {
  run.beginTable(QStringLiteral("CHANNEL"), CountAll(QStringLiteral("channel")));
  QSqlQuery q = RunQuery(
      QStringLiteral("select c.chnum, c.chname, c.chnote from channel c order by c.chnum"));
  while (q.next()) {
    if (!run.nextRow()) break;
    const QString prefix = "Channel #" + num(q.value(0).toInt()) + " - ";
    run.textCheck(prefix, QStringLiteral("name"), HcText(q.value(1)));
    run.textCheck(prefix, QStringLiteral("note"), HcText(q.value(2)));
  }
  run.endTable(QStringLiteral("CHANNEL"));
}
