#include "ledger/cpty_categories.h"

#include "foundation/messages.h"
#include "store/db.h"

namespace {

const QString kSetHidden = QStringLiteral(
    "update cptyctgy set hidden = ? where (cptyid = ?) and (ctgyid = ?) and (purchsale = ?)");

bool commitOrUndo(bool ok) {
  if (ok && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

}  // namespace

bool SetCptyCategoryHidden(int32_t cptyId, int32_t ctgyId, QChar direction, bool hidden) {
  return commitOrUndo(ExecSql(kSetHidden, {hidden ? 1 : 0, cptyId, ctgyId, QString(direction)}));
}

bool SetCptyCategoryAsDefault(int32_t cptyId, int32_t ctgyId, QChar direction) {
  if (!AskYes(QStringLiteral("Set Category as default for this Counterparty - OK?") + "\r" +
              QStringLiteral("(ie hide the other Categories listed)")))
    return false;
  return commitOrUndo(ExecSql(
      QStringLiteral("update cptyctgy set hidden = 1 where (cptyid = ?) and (purchsale = ?) and "
                     "(ctgyid <> ?) and (hidden = 0 or hidden is null)"),
      {cptyId, QString(direction), ctgyId}));
}

bool HideAllCptyCategories(int32_t cptyId, QChar direction, const QList<int32_t>& preferred) {
  if (preferred.size() < 2) return false;
  if (!AskYes(QStringLiteral("Hide all - OK ?"))) return false;
  bool ok = true;
  for (qsizetype i = 0; ok && i + 1 < preferred.size(); ++i)
    ok = ExecSql(kSetHidden, {1, cptyId, preferred[i], QString(direction)});
  return commitOrUndo(ok);
}
