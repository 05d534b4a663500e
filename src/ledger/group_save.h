#pragma once
// Saving an account group from its details dialog, and moving accounts or
// groups under a new parent, without widgets: every check (and question)
// first, then one unit of work committed once; a refusal or a failed write
// leaves the books as they were.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "store/records.h"

struct TGroupEntry {
  bool isNew = true;
  int kind = 0;  // 8, 9 or 10
  TObj loaded;   // an existing group as read: its EDITTS is the row version written against
  QString nameText;
  int32_t parentId = 0;
  QString openedText;  // empty: the zero date
  QString closedText;  // empty: open
  QString note;
};

// The checks in order: frozen books ("change accounts"), the name ("Group name
// must be specified"; cut to 40 characters), the dates ("Opendate invalid",
// "Closedate invalid"), a close date typed while a member is open, a name
// already used by the kind (new or renamed), the group under itself, the
// parent's membership rules (an earlier open date of the group offers
// "… - back-date ?"). Then the parent's open date, the group and its note are
// written and committed together. A new, renamed or re-parented group marks
// the hierarchy changed. True with saved = the group as written.
bool SaveGroup(const TGroupEntry& e, TObj& saved);

// Moves the accounts or groups ids (in order) under parentId (0: top level),
// writing GRPID and PATH. An item that cannot be read, would contain itself,
// breaks the parent's membership rules or reaches behind the freeze date
// (not confirmed) is skipped; one message names the skipped items ("Not
// regrouped : " + names). One commit; a failed write undoes them all and
// gives false. The hierarchy is marked changed when anything moved.
bool RegroupAccounts(const QList<int32_t>& ids, int32_t parentId, int* moved = nullptr);
