// The ACCOUNT scan: kinds, names, close dates, internal currencies, group
// membership (a group inside itself included) and a counterparty's first
// external account. Fixes touch only their own columns and EDITTS.
#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/healthcheck_run.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

bool validKind(int kind) {
  return kind == 1 || kind == 3 || kind == 4 || kind == 6 || kind == 8 || kind == 9 || kind == 10 ||
         kind == 11;
}

// One column (and the row version) of one account.
bool setColumn(int32_t id, const char* column, const QVariant& value) {
  return ExecSql(QStringLiteral("update account set %1 = ?, editts = ? where id = ?")
                     .arg(QLatin1String(column)),
                 {value, NowToSecond(), id});
}

void loadAccounts(THcRun& run) {
  run.accounts.clear();
  QSqlQuery q = RunQuery(QStringLiteral(
      "select o.id, o.type2, o.grpid, o.ccy, o.name, o.opendate, o.closedate, o.accwith "
      "from account o"));
  while (q.next()) {
    THcAccount a;
    a.kind = q.value(1).toInt();
    a.groupId = q.value(2).toInt();
    a.ccy = q.value(3).toString().trimmed();
    a.name = HcText(q.value(4));
    a.openDate = q.value(5).toInt();
    a.closeDate = q.value(6).toInt();
    a.heldWith = q.value(7).toInt();
    run.accounts.insert(q.value(0).toInt(), a);
  }
}

// The lowest id of every GRPID cycle: that group alone is taken out of its parent.
QSet<int32_t> cycleHeads(const THcRun& run) {
  QSet<int32_t> heads, done;
  for (auto it = run.accounts.cbegin(); it != run.accounts.cend(); ++it) {
    QList<int32_t> chain;
    int32_t id = it.key();
    while (id > 0 && !done.contains(id) && !chain.contains(id) && run.accounts.contains(id)) {
      chain << id;
      id = run.accounts.value(id).groupId;
    }
    if (id > 0 && chain.contains(id)) {
      int32_t lowest = id;
      for (int i = int(chain.indexOf(id)); i < chain.size(); ++i) lowest = qMin(lowest, chain[i]);
      heads.insert(lowest);
    }
    for (int32_t c : chain) done.insert(c);
  }
  return heads;
}

TObj asObj(int32_t id, const THcAccount& a) {
  TObj o;
  o.id = id;
  o.kind = uint8_t(a.kind);
  o.ccy = a.ccy;
  o.name = a.name;
  o.openDate = YmdToDateRec(a.openDate);
  o.closeDate = YmdToDateRec(a.closeDate);
  return o;
}

bool internalSide(int kind) { return kind == 3 || kind == 6 || kind == 10; }

struct TAccountRow {
  int32_t id = 0;
  QString name, note, desig;
  int64_t bfd = 0;
};

void checkGroup(THcRun& run, int32_t id, const QString& prefix, const QSet<int32_t>& heads) {
  THcAccount& a = run.accounts[id];
  const int32_t gid = a.groupId;
  if (heads.contains(id)) {
    run.fix(prefix + "Group contains itself", [&] {
      if (!setColumn(id, "grpid", 0)) return false;
      MarkHierarchyChanged();
      a.groupId = 0;
      return true;
    });
    return;
  }
  if (!run.accounts.contains(gid)) {
    run.fix(prefix + "group " + num(gid) + " not found", [&] {
      if (!setColumn(id, "grpid", 0)) return false;
      MarkHierarchyChanged();
      a.groupId = 0;
      return true;
    });
    return;
  }
  THcAccount& g = run.accounts[gid];
  // An internal account under a group of another side is refused here: the
  // shared check would call that a program error.
  QString text;
  int result = kGroupInvalidKinds;
  if (internalSide(a.kind) && g.kind != kKindInternalGroup)
    text = QStringLiteral("Acc/Grp invalid acctype combi");
  else
    result = CheckGroupForMember(asObj(gid, g), asObj(id, a), text);
  switch (result) {
    case kGroupFine:
      return;
    case kGroupInvalidKinds:
      run.manual(prefix + text);
      return;
    case kGroupCurrencyMismatch:
      run.fix(prefix + text, [&] {
        if (!setColumn(id, "grpid", 0)) return false;
        MarkHierarchyChanged();
        a.groupId = 0;
        return true;
      });
      return;
    case kGroupOpenedTooLate:
      run.fix(prefix + text, [&] {
        if (!setColumn(gid, "opendate", a.openDate)) return false;
        SetRebalanceNeeded(true);
        g.openDate = a.openDate;
        return true;
      });
      return;
    case kGroupClosedTooSoon:
      run.fix(prefix + text, [&] {
        if (!setColumn(gid, "closedate", a.closeDate)) return false;
        SetRebalanceNeeded(true);
        g.closeDate = a.closeDate;
        return true;
      });
      return;
    default:
      run.manual(prefix + text);
  }
}

void checkAccount(THcRun& run, const TAccountRow& row, const QSet<int32_t>& heads) {
  const int32_t id = row.id;
  THcAccount& a = run.accounts[id];
  const QString prefix = "Acc " + num(id) + " type " + num(a.kind) + " ";

  if (!validKind(a.kind)) {
    if (a.kind == 7) {
      run.fix(prefix + "invalid account type ", [&] {
        const TAccountKindInfo* k = AccountKindInfo(kKindInternalGroup);
        if (!ExecSql(QStringLiteral("update account set type2 = ?, btype = ?, isgrp = 1, "
                                    "editts = ? where id = ?"),
                     {int(kKindInternalGroup), k ? k->baseKind : 3, NowToSecond(), id}))
          return false;
        MarkHierarchyChanged();
        a.kind = kKindInternalGroup;
        return true;
      });
    } else {
      run.manual(prefix + "invalid account type ");
    }
  }
  if (row.name.trimmed().isEmpty()) run.manual(prefix + "account name blank");
  run.textCheck(prefix, QStringLiteral("name"), row.name);
  run.textCheck(prefix, QStringLiteral("note"), row.note);
  run.textCheck(prefix, QStringLiteral("desig"), row.desig);

  if (a.closeDate == 0) {
    run.fix(prefix + "setting close date to 9999999 ...", [&] {
      if (!setColumn(id, "closedate", kOpenEnded)) return false;
      SetRebalanceNeeded(true);
      a.closeDate = kOpenEnded;
      return true;
    });
  }
  const QString base = Session().settings.baseCurrency.trimmed();
  if ((a.kind == kKindCategory || a.kind == kKindPot) && a.ccy != base) {
    run.fix(prefix + "account currency " + a.ccy + " not base ccy", [&] {
      if (!setColumn(id, "ccy", base)) return false;
      SetRebalanceNeeded(true);
      a.ccy = base;
      return true;
    });
  }
  if (a.groupId > 0) checkGroup(run, id, prefix, heads);

  if (a.kind == kKindExternal && a.heldWith > 0 && run.accounts.contains(a.heldWith)) {
    THcAccount& cpty = run.accounts[a.heldWith];
    if (cpty.heldWith == 0) {
      const int32_t cptyId = a.heldWith;
      run.fix(prefix + "1st/only ExtAcc for this Cpty not set", [&] {
        if (!setColumn(cptyId, "accwith", id)) return false;
        cpty.heldWith = id;
        return true;
      });
    }
  }
}

}  // namespace

void HcScanAccounts(THcRun& run) {
  loadAccounts(run);
  const QSet<int32_t> heads = cycleHeads(run);
  run.beginTable(QStringLiteral("ACCOUNT"), CountAll(QStringLiteral("account")));
  int32_t last = 0;
  int64_t internalBfd = 0;
  for (bool more = true; more && !run.aborted;) {
    QList<TAccountRow> block;
    {
      QSqlQuery q = RunQuery(QStringLiteral("select first %1 o.id, o.name, o.note, o.desig, "
                                            "o.bfdbal, o.type2 from account o where o.id > ? "
                                            "order by o.id")
                                 .arg(kHcBlockRows),
                             {last});
      while (q.next()) {
        TAccountRow r;
        r.id = q.value(0).toInt();
        r.name = HcText(q.value(1));
        r.note = HcText(q.value(2));
        r.desig = HcText(q.value(3));
        r.bfd = q.value(4).toLongLong();
        const int kind = q.value(5).toInt();
        if (kind == kKindCategory || kind == kKindPot) internalBfd += r.bfd;
        block << r;
      }
    }
    more = block.size() == kHcBlockRows;
    for (const TAccountRow& r : block) {
      if (!run.nextRow()) break;
      last = r.id;
      if (!run.accounts.contains(r.id)) continue;  // came after the lookups were made
      checkAccount(run, r, heads);
    }
  }
  if (!run.aborted) {
    run.line("Last record id " + num(last));
    run.line("Internal accs b/fd balance " + FormatAmount(internalBfd));
  }
  run.endTable(QStringLiteral("ACCOUNT"));
}
