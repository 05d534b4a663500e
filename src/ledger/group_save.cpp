#include "ledger/group_save.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "ledger/hierarchy.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

const TDateRec kOpen{9999, 99, 99};

// A close date may only be typed once every member is closed.
bool membersAllClosed(const TObj& group) {
  if (group.id <= 0) return true;
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select o.name from account o where o.grpid = ? and "
                                        "o.closedate = 99999999 order by o.id"),
                         {group.id}, &ok);
  if (!ok) return false;
  if (!q.next()) return true;
  ShowInfo("Group contains open subgroup/account \"" + q.value(0).toString() + "\"- cannot close");
  return false;
}

}  // namespace

bool SaveGroup(const TGroupEntry& e, TObj& saved) {
  if (AccountChangesFrozen()) return false;
  const QString name = e.nameText.trimmed().left(kNameWidth);
  if (name.isEmpty()) {
    ShowInfo(QStringLiteral("Group name must be specified"));
    return false;
  }
  TObj obj = e.isNew ? NewObj() : e.loaded;
  obj.kind = uint8_t(e.kind);
  obj.isGroup = true;
  obj.name = name;
  if (e.isNew)
    obj.ccy = e.kind == 9    ? QStringLiteral("   ")
              : e.kind == 10 ? Session().settings.baseCurrency
                             : Session().workingCurrency;

  if (!ParseOpenDateText(e.openedText.trimmed(), obj.openDate)) {
    ShowInfo(QStringLiteral("Opendate invalid"));
    return false;
  }
  const QString closed = e.closedText.trimmed();
  if (closed.isEmpty()) {
    obj.closeDate = kOpen;
  } else {
    TDateRec d;
    if (!ParseOpenDateText(closed, d) || d.isZero() || d == kOpen) {
      ShowInfo(QStringLiteral("Closedate invalid"));
      return false;
    }
    obj.closeDate = d;
  }
  if (!e.isNew && obj.closeDate != kOpen && obj.closeDate != e.loaded.closeDate &&
      !membersAllClosed(obj))
    return false;

  const bool renamed = !e.isNew && name != e.loaded.name;
  if ((e.isNew || name.toLower() != e.loaded.name.toLower()) && NameExists(e.kind, name))
    return false;

  const bool reparented = e.isNew ? e.parentId != 0 : e.parentId != e.loaded.groupId;
  if (reparented && !CheckNotOwnGroup(obj.id, e.parentId)) return false;

  TObj parent;
  bool backDate = false;
  if (e.parentId > 0) {
    if (!ReadAccount(e.parentId, parent)) return false;
    QString text;
    const int result = CheckGroupForMember(parent, obj, text);
    if (result == kGroupOpenedTooLate) {
      backDate = AskYes(text + " - back-date ?");
    } else if (result != kGroupFine) {
      ShowInfo(text);
      return false;
    }
  }
  if (reparented) {
    obj.groupId = e.parentId;
    obj.path = e.parentId > 0 ? PathUnderGroup(parent) : QStringLiteral(" ");
  }

  WriteUnit unit;
  if (!unit.begin()) return false;
  if (backDate) {
    parent.openDate = obj.openDate;
    if (!WriteAccount(parent)) {
      RollbackIfActive();
      return false;
    }
  }
  // The notes buffer goes with the next WriteAccount: set it right before.
  SetAccountNotes(e.note);
  if (!WriteAccount(obj) || !unit.done() || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  if (e.isNew || renamed || reparented) MarkHierarchyChanged();
  saved = obj;
  return true;
}

bool RegroupAccounts(const QList<int32_t>& ids, int32_t parentId, int* moved) {
  if (moved) *moved = 0;
  if (AccountChangesFrozen()) return false;
  TObj parent;
  if (parentId > 0 && !ReadAccount(parentId, parent)) return false;
  const QString path = parentId > 0 ? PathUnderGroup(parent) : QStringLiteral(" ");
  QStringList skipped;
  int count = 0;
  WriteUnit unit;
  if (!unit.begin()) return false;
  for (int32_t id : ids) {
    TObj o;
    if (!ReadAccount(id, o)) {  // it says why
      skipped << "#" + QString::number(id);
      continue;
    }
    if (!CheckNotOwnGroup(id, parentId)) {
      skipped << o.name;
      continue;
    }
    if (parentId > 0) {
      QString text;
      if (CheckGroupForMember(parent, o, text) != kGroupFine) {
        skipped << o.name + " (" + text + ")";
        continue;
      }
    }
    if (o.groupId == parentId && o.path == path) continue;
    if (CheckRegroupAgainstFreeze(o)) {
      skipped << o.name;
      continue;
    }
    o.groupId = parentId;
    o.path = path;
    if (!WriteAccount(o)) {
      RollbackIfActive();
      return false;
    }
    ++count;
  }
  if (!unit.done() || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  if (count > 0) MarkHierarchyChanged();
  if (moved) *moved = count;
  if (!skipped.isEmpty()) ShowInfo("Not regrouped : " + skipped.join(", "));
  return true;
}
