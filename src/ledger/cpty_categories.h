#pragma once
// Keeping a counterparty's preferred categories: the (counterparty, category,
// direction) rows of CPTYCTGY hidden and shown again. Each change is committed
// at once; a failed statement leaves the rows as they were.
#include <QChar>
#include <QList>
#include <cstdint>

// HIDDEN := 1 (hidden) or 0 on the one row.
bool SetCptyCategoryHidden(int32_t cptyId, int32_t ctgyId, QChar direction, bool hidden);

// After the user agrees, every other row of the counterparty and direction
// that is not hidden becomes hidden. False when declined or failed.
bool SetCptyCategoryAsDefault(int32_t cptyId, int32_t ctgyId, QChar direction);

// After the user agrees, hides the preferred categories (ids in name order)
// one after the other until only the last is left. Nothing, and no question,
// with fewer than two. False when nothing was hidden.
bool HideAllCptyCategories(int32_t cptyId, QChar direction, const QList<int32_t>& preferred);
