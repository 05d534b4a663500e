#include "ledger/hierarchy.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

// One step of a walk up the chain: the name and GRPID of an account.
bool locateLink(int32_t id, QString& name, int32_t& grpid) {
  bool ok = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select o.name, o.grpid from account o where o.id = ?"), {id}, &ok);
  if (!ok || !q.next()) return false;
  name = q.value(0).toString();
  grpid = q.value(1).isNull() ? 0 : q.value(1).toInt();
  return true;
}

void reportBroken(const QList<int32_t>& ids) {
  QStringList shown;
  for (int i = 0; i < ids.size() && i < 10; ++i) shown << num(ids[i]);
  QString text = "Group contains itself " + shown.join(QStringLiteral(", "));
  if (ids.size() > 10) text += QStringLiteral(" ...");
  ShowInfo(text);
}

bool failRollback() {
  RollbackIfActive();
  ShowStatus(QString());
  return false;
}

// Every account's link in the chain, read in one query: the hierarchy and the
// paths are worked out from this snapshot, and only what differs from the
// rows is written back.
struct TLink {
  int32_t grpid = 0;
  bool member = false;  // ISGRP = 0: an account that is not a group
  QString name;
  QString path;
  bool pathNull = false;
};
using TLinks = QHash<int32_t, TLink>;

bool loadLinks(TLinks& links, QList<int32_t>& ids) {
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select o.id, o.grpid, o.isgrp, o.name, o.path from account o order by o.id"),
      {}, &ok);
  if (!ok) return false;
  links.clear();
  ids.clear();
  while (q.next()) {
    TLink l;
    const int32_t id = q.value(0).toInt();
    l.grpid = q.value(1).isNull() ? 0 : q.value(1).toInt();
    l.member = !q.value(2).isNull() && q.value(2).toInt() == 0;
    l.name = q.value(3).toString();
    l.pathNull = q.value(4).isNull();
    l.path = q.value(4).toString();
    links.insert(id, l);
    ids << id;
  }
  return true;
}

// A statement prepared once and run for many rows in the open transaction.
inline quint64 pairKey(int32_t acc, int32_t grp) {
  return (quint64(quint32(acc)) << 32) | quint32(grp);
}

// ACCINGRP from the snapshot; the accounts whose chains do not end within the
// guard go to broken.
bool rebuildHierarchyFrom(const TLinks& links, const QList<int32_t>& ids, QList<int32_t>& broken) {
  broken.clear();
  QList<int32_t> members;
  for (int32_t id : ids) {
    const TLink& l = links[id];
    if (l.member && l.grpid > 0) members << id;
  }

  // A member's walk meets its group, the group's group and so on, until a
  // group at the top or one that is missing; the 100th step (a 100th group)
  // means the chain contains itself. A group met twice is kept once.
  QSet<quint64> wanted;
  wanted.reserve(members.size() * 4);
  qsizetype toDo = members.size();
  for (int32_t id : members) {
    ShowStatus("Rebuilding hierarchy " + num(--toDo));  // the accounts left after this one
    int32_t g = links[id].grpid;
    int groups = 0;
    while (g > 0) {
      if (++groups >= kGroupWalkGuard) {
        broken << id;
        break;
      }
      wanted.insert(pairKey(id, g));
      const auto it = links.constFind(g);
      if (it == links.constEnd()) break;
      g = it->grpid;
    }
  }

  if (!StartTxIfNone()) return false;
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select accid, grpid from accingrp"), {}, &ok);
  if (!ok) return false;
  QSet<quint64> stale;
  QSet<quint64> present;
  while (q.next()) {
    const quint64 key = pairKey(q.value(0).toInt(), q.value(1).toInt());
    present.insert(key);
    if (!wanted.contains(key)) stale.insert(key);
  }
  q.finish();
  QList<quint64> missing;
  for (quint64 key : wanted)
    if (!present.contains(key)) missing << key;

  // Row by row while that is the smaller job; otherwise the table is emptied
  // and refilled by one statement.
  const qsizetype changes = stale.size() + missing.size();
  if (present.isEmpty() || changes > (present.size() + wanted.size()) / 2) {
    // One statement walks every chain, at most 99 groups up, as above; a
    // chain that returns to a group it met repeats rows, which DISTINCT drops.
    const QString insert =
        QStringLiteral(
            "INSERT INTO accingrp (accid, grpid) "
            "WITH RECURSIVE chain (accid, grpid, depth) AS ("
            " SELECT o.id, o.grpid, 1 FROM account o WHERE (o.grpid > 0) AND (o.isgrp = 0)"
            " UNION ALL"
            " SELECT c.accid, g.grpid, c.depth + 1 FROM chain c JOIN account g ON g.id = c.grpid"
            " WHERE g.grpid > 0 AND c.depth < %1) "
            "SELECT %2 c.accid, c.grpid FROM chain c")
            .arg(kGroupWalkGuard - 1)
            .arg(broken.isEmpty() ? QString() : QStringLiteral("DISTINCT"));
    if (!present.isEmpty() && !ExecSql(QStringLiteral("DELETE FROM accingrp"))) return false;
    if (!wanted.isEmpty() && !ExecSql(insert)) return false;
  } else {
    if (!stale.isEmpty()) {
      PreparedSql del(QStringLiteral("DELETE FROM accingrp WHERE accid = ? AND grpid = ?"));
      for (quint64 key : stale)
        if (!del.exec({int32_t(key >> 32), int32_t(key & 0xffffffffu)})) return false;
    }
    if (!missing.isEmpty()) {
      PreparedSql ins(QStringLiteral("INSERT INTO accingrp (accid, grpid) VALUES (?, ?)"));
      for (quint64 key : missing)
        if (!ins.exec({int32_t(key >> 32), int32_t(key & 0xffffffffu)})) return false;
    }
  }
  if (!CommitIfActive()) return false;
  if (!broken.isEmpty()) reportBroken(broken);
  return true;
}

}  // namespace

QString GroupPathText(int32_t id) {
  QString text;
  QString name;
  int32_t cur = 0;
  if (!locateLink(id, name, cur)) return text;
  int steps = 1;  // the account itself
  while (cur > 0) {
    if (++steps > kGroupWalkGuard) {
      ShowInfo("Group contains itself " + num(id));
      break;
    }
    int32_t up = 0;
    if (!locateLink(cur, name, up)) break;
    text.prepend(" " + name + " :");
    cur = up;
  }
  return text;
}

QString PathUnderGroup(const TObj& group) {
  const QString parent = group.groupId > 0 ? group.path : QString();
  return CutToWidth(parent + " " + group.name + " :", kPathWidth);
}

bool GroupChainContains(int32_t startId, int32_t targetId) {
  int32_t cur = startId;
  for (int steps = 0; cur > 0 && steps < kGroupWalkGuard; ++steps) {
    if (cur == targetId) return true;
    QString name;
    int32_t up = 0;
    if (!locateLink(cur, name, up)) return false;
    cur = up;
  }
  return false;
}

bool RebuildHierarchy(QList<int32_t>* broken) {
  TLinks links;
  QList<int32_t> ids;
  QList<int32_t> cut;
  if (!StartTxIfNone() || !loadLinks(links, ids) || !rebuildHierarchyFrom(links, ids, cut))
    return failRollback();
  if (broken) *broken = cut;
  return true;
}

bool RebuildPaths() {
  TLinks links;
  QList<int32_t> ids;
  QList<int32_t> cut;
  if (!StartTxIfNone() || !loadLinks(links, ids) || !rebuildHierarchyFrom(links, ids, cut))
    return failRollback();

  // Every path starts as one blank; pass by pass, an account whose group is
  // at the top level or got its path in an earlier pass gets the group's path
  // + " " + the group's name + " :". Accounts whose group is missing keep the
  // blank; accounts whose group still waits wait a pass longer.
  QHash<int32_t, QString> path;
  QSet<int32_t> done;
  QList<int32_t> waiting;
  for (int32_t id : ids) {
    const int32_t g = links[id].grpid;
    if (g > 0 && links.contains(g)) waiting << id;
  }
  bool complete = waiting.isEmpty();
  for (int pass = 1; pass <= kMaxPathPasses && !complete; ++pass) {
    ShowStatus("path depth " + num(pass));
    ProcessPendingMessages();
    QList<QPair<int32_t, QString>> made;
    QList<int32_t> still;
    for (int32_t id : waiting) {
      const int32_t g = links[id].grpid;
      const TLink& parent = links[g];
      const bool parentInGroup = parent.grpid > 0;
      if (parentInGroup && !done.contains(g)) {
        still << id;
        continue;
      }
      const QString above = parentInGroup ? path.value(g) : QString();
      made.append({id, CutToWidth(above + " " + parent.name + " :", kPathWidth)});
    }
    for (const auto& m : made) {
      path.insert(m.first, m.second);
      done.insert(m.first);
    }
    waiting = still;
    if (waiting.isEmpty()) complete = true;
    // Nothing moved although accounts wait: their chains never reach the top.
    if (made.isEmpty()) break;
  }

  // Only rows whose path differs are written.
  if (!StartTxIfNone()) return failRollback();
  {
    PreparedSql write(QStringLiteral("UPDATE account SET \"PATH\" = ? WHERE id = ?"));
    for (int32_t id : ids) {
      const TLink& l = links[id];
      const QString p = path.value(id, QStringLiteral(" "));
      if (!l.pathNull && l.path == p) continue;
      if (!write.exec({p, id})) return failRollback();
    }
  }
  if (!CommitIfActive()) return failRollback();

  ShowStatus(QString());
  if (!complete) {
    ShowInfo(QStringLiteral("Error : Group depth > 99"));
    return false;
  }
  Flash(QStringLiteral("Paths rebuilt OK"));
  return true;
}

void MarkHierarchyChanged() {
  Session().settings.resetPaths = true;
  SetRebalanceNeeded(true);
}
