#pragma once
// Derived balances. The running balances (PSTG.RNGBAL and the statement's
// display flags) are worked out for one account at a time; the movement
// summaries (MOVTG per account and group, currency and amount/value kind;
// MOVTE first and last posting dates) are rebuilt for the whole set of books
// and the current period by the rebalance, which also "washes" the categories'
// balances from before the period into the default pot.
#include <cstdint>

// The thirteen stages, in order, as announced on the status line.
inline constexpr int kRebalanceStages = 13;

// The full rebuild of MOVTF/MOVTG/MOVTE for the period (From, To). Refuses,
// leaving everything as it was, when the wash is on without a default pot
// ("no dftpot"), when the base-currency check fails or when a transaction
// straddles From or To. Rebuilds paths and ACCINGRP first when asked to. Every
// stage commits on its own; a database error ends the rebuild with the
// engine's message, the stages already done stay. True only when all thirteen
// stages ran: the rebalance-needed flag is cleared then.
bool Rebalance();

// Rebalance when the rebalance-needed flag is set; true when the summaries
// are current afterwards.
bool RebalanceIfNeeded();

// True while a rebalance runs (the control window hides its button meanwhile;
// it hears of each change through RefreshControlPanel).
bool RebalanceRunning();

// Recomputes RNGBAL, DPPSTGDATE and DPRNGBAL of the account's postings in its
// own currency, in statement order, writing only rows whose stored values
// differ. With the wash on, a category's postings before From do not move its
// running balance. The caller commits. False when the account cannot be read
// or a statement failed.
bool CalcRunningBalances(int32_t accountId);
