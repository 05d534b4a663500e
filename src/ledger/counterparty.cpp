#include "ledger/counterparty.h"

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "store/records.h"

int32_t CounterpartyOwnAccount(int32_t counterpartyId, const QString& ccy, bool& created) {
  created = false;
  TObj c;
  if (!ReadAccount(counterpartyId, c)) return 0;
  TObj own;
  if (c.heldWith > 0 && LocateAccount(c.heldWith) && ReadAccount(c.heldWith, own) &&
      own.kind == kKindExternal)
    return own.id;
  TObj a = NewObj();
  a.kind = kKindExternal;
  // Made in the currency of the transaction that needs it: an account in the
  // base currency would refuse a foreign-currency credit entry at once.
  if (!ccy.trimmed().isEmpty()) a.ccy = ccy.trimmed();
  a.name = CutToWidth(c.name + " owes", kNameWidth);
  a.heldWith = c.id;
  if (!WriteAccount(a)) return 0;
  // An ACCWITH naming no external account (deleted, or of another kind) is
  // replaced too: left alone, every later use would make one more account.
  if (c.heldWith != a.id) {
    c.heldWith = a.id;
    if (!WriteAccount(c)) return 0;
  }
  ShowInfo("External Account \"" + a.name + "\" created");
  created = true;
  return a.id;
}
