#pragma once
// The changes the transaction search results make to many transactions at
// once: putting one category or counterparty into a list of transactions, and
// writing a repeater's missing instances. Both refuse on frozen books before
// they ask anything and commit once.
#include <QList>
#include <cstdint>

// Puts newAccount into position 3 (category) or 4 (counterparty) of each
// payment or receipt of txnIds; the others are named in one "Skipping txn #"
// message. One question for the reconciled balances and the freeze date of
// all of them; the whole change is written or none of it. The number of
// transactions changed, -1 when refused or declined.
int ReassignTxns(const QList<int32_t>& txnIds, int32_t newAccount, int position);

// Walks the master's instances in instance order and offers to write the
// first missing one (of those not dated before the books' start). Writes at
// most one instance; GENTO stays as it is.
void CheckMissingInstances(int32_t masterId);
