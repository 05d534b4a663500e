#pragma once
// The group hierarchy: the PATH text of every account (the names of its
// enclosing groups, outermost first) and the ACCINGRP closure that sums
// account movements into every group above them.
#include <QList>
#include <QString>
#include <cstdint>

#include "store/records.h"

// A walk up the GRPID chain gives up after this many steps: a chain that long
// is taken to contain itself.
inline constexpr int kGroupWalkGuard = 100;
// Paths are rebuilt in at most this many passes (one per level).
inline constexpr int kMaxPathPasses = 99;

// PATH computed from the GRPID chain: " " + name + " :" for every group above
// the account, outermost first; empty for an account in no group. A chain of
// more than kGroupWalkGuard steps shows "Group contains itself " + id and stops.
QString GroupPathText(int32_t id);

// The PATH a direct member of group gets (a top-level group's own PATH counts
// as empty, as in RebuildPaths).
QString PathUnderGroup(const TObj& group);

// True when walking up from startId through GRPID meets targetId (startId
// itself included). The walk stops at 0, at a missing account, or after
// kGroupWalkGuard steps.
bool GroupChainContains(int32_t startId, int32_t targetId);

// Makes ACCINGRP hold one row (account, group) for every non-group account
// and every group met walking up from it (a missing group is met, then ends
// the walk), then commits. The chains are walked in memory and only the rows
// that differ are written (the table is refilled by one statement when most
// of it differs). An account whose chain does not end within
// kGroupWalkGuard steps (its groups contain themselves) gets the groups met
// and is reported with "Group contains itself " + its id (several accounts:
// the first ten ids, comma separated); broken, when given, receives them.
// "Rebuilding hierarchy " + the number of accounts in groups still to do is shown
// for each of them, counting down to 0. False only when a statement failed (the work is
// rolled back then).
bool RebuildHierarchy(QList<int32_t>* broken = nullptr);

// RebuildHierarchy, then every PATH worked out afresh, level by level ("path
// depth " + pass on the status line): a top-level account gets one blank, an
// account whose group is at the top level or got its path in an earlier pass
// gets the group's path + " " + the group's name + " :". Only paths that
// differ are written; then commit and the flash "Paths rebuilt OK". A chain
// that never reaches the top level (99 passes, or a pass where nothing moved)
// ends with "Error : Group depth > 99" and false; the paths that could be
// built are kept, the others are one blank.
bool RebuildPaths();

// An account's group, a group's name or a group's parent changed: the paths
// must be rebuilt and the books rebalanced.
void MarkHierarchyChanged();
