#pragma once
// What txn add and repeater add share in filling the entry form's contents.
#include <QString>
#include <cstdint>

#include "ledger/entry.h"

// A transfer from one account to another: an internal transfer when the first
// account (read into first, firstRead false when it could not be) is not an
// external account, else an external one.
void SetCliTransfer(TEntry& e, int32_t from, int32_t to, bool firstRead, const TObj& first);

// --ccy when given, else the first account's currency, else the base currency.
QString CliEntryCurrency(const QString& ccyOption, bool firstRead, const TObj& first);
