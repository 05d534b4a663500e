#include "ledger/channels.h"

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"

bool ReadChannel(int32_t chnum, TChannel& channel) {
  if (chnum <= 0) return false;
  return ReadChannelRow(chnum, channel);
}

QChar ChannelTypeOf(bool payment, bool receipt) {
  if (receipt) return QChar('R');
  if (payment) return QChar('P');
  return QChar('X');
}

bool SaveChannel(const TChannelEntry& e, TChannel& saved) {
  if (e.name.trimmed().isEmpty()) {
    ShowInfo(QStringLiteral("Channel name must be specified"));
    return false;
  }
  TChannel ch;
  if (!e.isNew) {
    if (!ReadChannel(e.chnum, ch)) {
      ShowInfo("Channel " + QString::number(e.chnum) + " not found");
      return false;
    }
  }
  ch.accId = e.accountId;
  ch.name = CutToWidth(e.name, kChannelNameWidth);
  ch.status = e.closed ? 1 : 0;
  ch.note = e.note;
  ch.type = ChannelTypeOf(e.payment, e.receipt);
  if (e.isNew) ch.chnum = 0;  // the next free number
  if (!WriteChannelRow(ch) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  saved = ch;
  return true;
}

bool ChannelUsedByTxn(int32_t chnum) {
  return QueryValue(QStringLiteral("select first 1 1 from txn where chnum = ?"), {chnum}, 0)
             .toInt() != 0;
}

bool DeleteChannel(int32_t chnum) {
  if (!AskYes(QStringLiteral("Delete channel?"))) return false;
  if (ChannelUsedByTxn(chnum)) {
    ShowInfo(QStringLiteral("Channel has transaction(s) - cannot delete"));
    return false;
  }
  // A repeater naming the channel would generate instances through a channel
  // that no longer exists.
  const QVariantList key{chnum};
  if (!ExecSql(QStringLiteral("update rptr set chnum = 0 where chnum = ?"), key) ||
      !ExecSql(QStringLiteral("delete from channel where chnum = ?"), key) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  return true;
}
