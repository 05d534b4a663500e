#pragma once
// The channels of an external account (a cheque book, a card, a standing
// order): reading one, saving the channel form's contents, and deleting one
// that no transaction names. Refusals go through the user-message seam and
// leave the table as it was.
#include <QString>
#include <cstdint>

#include "store/records.h"

// False when there is no channel chnum.
bool ReadChannel(int32_t chnum, TChannel& channel);

// What the channel form holds.
struct TChannelEntry {
  bool isNew = true;  // new mode; otherwise the edit of chnum
  int32_t chnum = 0;  // edit mode
  int32_t accountId = 0;
  QString name;
  bool closed = false;
  bool payment = false;  // the "Type" radios; neither means both directions
  bool receipt = false;
  QString note;
};

// The type stored for the radios: 'R' receipt, else 'P' payment, else 'X'.
QChar ChannelTypeOf(bool payment, bool receipt);

// Checks and writes, then commits: a new channel gets the highest CHNUM + 1.
// saved is the row as written. False after "Channel name must be specified",
// "Channel <n> not found" (an edited channel that went) or a failed write.
bool SaveChannel(const TChannelEntry& e, TChannel& saved);

// True when a transaction goes through the channel.
bool ChannelUsedByTxn(int32_t chnum);

// After "Delete channel?" is answered Yes: refused ("Channel has
// transaction(s) - cannot delete") when a transaction names it; otherwise the
// channel goes and the repeaters that named it name none, in one commit.
bool DeleteChannel(int32_t chnum);
