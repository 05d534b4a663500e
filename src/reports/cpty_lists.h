#pragma once
// What the counterparty and channel windows list: a counterparty's categories
// for one direction split into the three pages, the external accounts held
// with a counterparty, and an external account's channels. One query per
// list, every value bound; vorbek-cli prints the same rows.
#include <QChar>
#include <QList>
#include <QString>
#include <cstdint>

// One entry of a list: the text shown and the id it stands for.
struct TIdText {
  int32_t id = 0;
  QString text;
};

// A counterparty's categories for a direction ('P' purchase from, 'S' sale
// to), each page in name order (case folded). A row whose category is gone is
// left out.
struct TCptyCategoryLists {
  QList<TIdText> preferred;  // open, not hidden
  QList<TIdText> hidden;     // open, hidden
  QList<TIdText> closed;     // closed, hidden or not
  // The one preferred category when there is exactly one, else 0.
  int32_t singlePreferred() const { return preferred.size() == 1 ? preferred.first().id : 0; }
};
bool ListCptyCategories(int32_t cptyId, QChar direction, TCptyCategoryLists& lists);

// The direction a counterparty's categories open on: 'S' for a payer, else 'P'.
QChar CptyCategoryDirection(bool cptyPays);

// An external account held with a counterparty (ACCWITH = the counterparty).
struct TExtAccountRow {
  int32_t id = 0;
  QString name;  // " (closed)" appended for a closed account
  QString ccy;
  bool isDefault = false;  // the counterparty's ACCWITH
};
// In name order (case folded); defaultId marks the row of that id.
bool ListExtAccountsWith(int32_t cptyId, int32_t defaultId, QList<TExtAccountRow>& rows);

// The text of the empty channel, always the first entry of a channel list.
inline const QString kNoChannelText = QStringLiteral("< no channel >");

// The channels of an external account: "< no channel >" (id 0) first, then
// the channels in the order of their shown text, a closed one prefixed
// "(closed) ". excludeClosed leaves closed channels out; direction 'P' leaves
// out receipt-only channels, 'R' payment-only ones, anything else none.
// Returns the number of channels (the first entry not counted), -1 when the
// query failed.
int ListChannels(int32_t accountId, QList<TIdText>& list, bool excludeClosed, QChar direction);

// A statement's channel combo: the account's channels (CHNUM order), then
// "<default channel>" (id 0).
bool ChannelComboEntries(int32_t accountId, QList<TIdText>& list);
