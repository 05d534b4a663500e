#include "cli/cli_entry.h"

#include "ledger/accounts.h"
#include "store/session.h"

void SetCliTransfer(TEntry& e, int32_t from, int32_t to, bool firstRead, const TObj& first) {
  e.type = EntryType::Transfer;
  const bool internalKinds = firstRead && first.kind != kKindExternal;
  e.transfer = internalKinds ? EntryTransfer::Internal : EntryTransfer::External;
  e.postingPanelShown = !internalKinds;
  if (internalKinds) {
    e.internalAccount = from;
    e.secondInternal = to;
  } else {
    e.externalAccount = from;
    e.secondExternal = to;
  }
}

QString CliEntryCurrency(const QString& ccyOption, bool firstRead, const TObj& first) {
  if (!ccyOption.isEmpty()) return ccyOption;
  return firstRead ? first.ccy.trimmed() : Session().settings.baseCurrency.trimmed();
}
