#include "ledger/search_changes.h"

#include <QStringList>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "reports/txn_search.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"

namespace {
QString num(int64_t n) { return QString::number(n); }
}  // namespace

int ReassignTxns(const QList<int32_t>& txnIds, int32_t newAccount, int position) {
  if (FrozenRefusal(QStringLiteral("reassign txns"))) return -1;
  if (position != 3 && position != 4) {
    ShowProgramError("ReassignTxns : invalid position " + num(position));
    return -1;
  }
  QList<TTxn> olds, news;
  QStringList skipped;
  for (int32_t id : txnIds) {
    TTxn t;
    if (!ReadTxn(id, t)) {
      ShowInfo("txn not found " + num(id));
      return -1;
    }
    if (t.type != QChar('P') && t.type != QChar('R')) {
      skipped << num(id);
      continue;
    }
    TTxn changed = t;
    (position == 3 ? changed.accId4 : changed.accId2) = newAccount;
    if (changed.accId4 == t.accId4 && changed.accId2 == t.accId2) continue;
    olds << t;
    news << changed;
  }
  if (!skipped.isEmpty()) ShowInfo("Skipping txn #" + skipped.join(QStringLiteral(", #")));
  if (olds.isEmpty()) return 0;
  if (!CheckReconciledAndFreezeAll(olds, news)) return -1;
  WriteUnit unit;
  bool ok = unit.begin();
  for (int i = 0; ok && i < olds.size(); ++i)
    ok = ReassignAccount(olds[i].id, newAccount, position);
  ok = ok && unit.done();
  if (!ok) return -1;  // the unit takes back what was written
  SetRebalanceNeeded(true);
  if (!CommitIfActive()) return -1;
  return olds.size();
}

void CheckMissingInstances(int32_t masterId) {
  bool ok = false;
  const QList<int32_t> instances = InstanceNumbers(masterId, &ok);
  if (!ok) return;
  QList<int32_t> gaps;
  if (!MissingInstances(instances, gaps)) {
    ShowInfo(QStringLiteral("Cannot check for missing instances"));
    return;
  }
  if (gaps.isEmpty()) return;
  TRptr master;
  if (!ReadRepeater(masterId, master, true)) return;
  const int32_t start = Session().dbStartDate;
  for (int32_t n : gaps) {
    // A gap before the books start is what an archive leaves: passed over.
    if (DateRecToYmd(InstanceDate(master, n)) < start) continue;
    if (FrozenRefusal(QStringLiteral("generate repeater instances"))) return;
    switch (AskYesNoCancel("Regenerate missing instance #" + num(n) + " ?")) {
      case 'C':
        return;
      case 'Y': {
        // Written once only, even when something else wrote it meanwhile.
        if (CountRows(QStringLiteral("txn"), QStringLiteral("masterid = ? and instance = ?"),
                      {masterId, n}) == 0) {
          if (GenerateInstance(master, n) == 0 || !CommitIfActive()) return;
        }
        ShowInfo(QStringLiteral("Use Refresh to confirm instance has been regenerated OK"));
        return;
      }
      case 'N':
        if (!AskYes(QStringLiteral("Check for next missing instance ?"))) return;
        break;
      default:
        break;
    }
  }
}
