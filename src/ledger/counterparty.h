#pragma once
// A counterparty's own external account: where money owed between the user and
// the counterparty is kept.
#include <QString>
#include <cstdint>

// The account named by the counterparty's ACCWITH; when that names no
// external account, a new one in currency ccy (empty: the base currency)
// named after the counterparty with " owes" appended (announced to the user,
// created true), which becomes the counterparty's ACCWITH. 0 when it could
// not be read or made. The caller commits.
int32_t CounterpartyOwnAccount(int32_t counterpartyId, const QString& ccy, bool& created);
