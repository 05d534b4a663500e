#pragma once
// The days on which transactions were typed in, and the transaction typed in
// or edited last. The days window and vorbek-cli show the same list.
#include <QList>
#include <cstdint>

// The distinct CREATEDATE values (yyyymmdd; 0 for transactions from before
// input dates were recorded), earliest first. ok tells whether the query ran.
QList<int32_t> InputDays(bool* ok = nullptr);

// The id of the transaction created or edited last (by its latest stamp,
// the higher id on a tie; the highest id when no row has a stamp); 0 when
// the books hold none.
int32_t LatestInputTxnId();
