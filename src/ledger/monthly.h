#pragma once
// Monthly movement totals of the categories, pots and their groups: the work
// tables MTHLY (figures shown: 'M' calendar months, 'Y' rolling years), MINY
// (each month spread over the twelve rolling years that contain it) and
// MTHLYF (the group roll-up before grouping), refilled from the postings.
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

// The month after a yyyymm number: n + 1, and a month part beyond 12 becomes
// the next year's 01 (202412 -> 202501).
int32_t NextMonthNumber(int32_t yyyymm);

// Where the rebuild reports its progress, and how the user abandons it.
struct TMonthlyProgress {
  // The stage label and its hint; both empty clear the label.
  std::function<void(const QString& text, const QString& hint)> stage;
  // The counter label: month rows still to spread into rolling years; -1 clears it.
  std::function<void(int remaining)> counter;
  // Set by the user interface while the rebuild runs; polled between steps
  // of the rolling-year spreading.
  const std::atomic<bool>* abort = nullptr;
};

enum class TMonthlyResult { Done, Aborted, Failed };

// Refills MTHLY, MINY and MTHLYF in the open database transaction; the caller
// starts it before and commits (or rolls back) after. Aborted: the rolling
// years were abandoned, MTHLY holds the 'M' rows and their group roll-up.
// Failed: a statement failed (the database error has been shown).
TMonthlyResult RebuildMonthlyTotals(const TMonthlyProgress& progress = {});
