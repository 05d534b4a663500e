#pragma once
// Saving what was typed into an account's details form (an external account,
// or an internal one: category or pot), without widgets: the form's contents
// as one value record, the checks in a fixed order with the questions that
// need the user's consent, then one unit of work (the group's back-dated open
// date, the account, its provider's link) committed once. Any refusal or a
// failed write leaves the books as they were and the form as typed.
//
// How a form uses it:
//   TAccountEntry e;               // e.loaded = the record the form was filled from
//   ...the boxes' texts into e...
//   TObj saved;
//   if (SaveExternalAccount(e, saved)) { ...close with OK, saved is the record... }
//   else { ...stay open... }
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"
#include "store/records.h"

// The text an open date of 9999-99-99 is shown and typed as.
inline const QString kNotYetPosted = QStringLiteral("notyetposted");

struct TAccountEntry {
  bool isNew = true;  // new mode; otherwise the edit of loaded
  TObj loaded;        // as filled: its EDITTS is the row version written against
  QString nameText;
  QString designationText;  // external accounts only
  bool favourite = false;
  QString openDateText;
  QString closedText;  // empty = open
  int32_t groupId = 0;
  bool allowNegative = true;
  bool allowPositive = true;
  int32_t providerId = 0;     // external accounts: the provider; counterparties: ACCWITH
  bool cptyPays = false;      // counterparties: "Payer (you pay me)"
  bool cptyReceives = false;  // counterparties: "Payee (I pay you)"
  int kind = 0;               // internal accounts: 3 category, 6 pot (the "Type" radios)
  QString note;
};

// The open date box's text of a record: empty for 0, "notyetposted" for
// 9999-99-99, otherwise yyyy-mm-dd.
QString OpenDateText(const TDateRec& d);
// The box's text as a date: empty gives the zero date, "notyetposted" the
// open-ended one; false for text that is no real calendar date.
bool ParseOpenDateText(const QString& text, TDateRec& d);

// Fills name with the default name made from the provider and designation
// ("Notes & Coin" without a provider). A non-empty current name is only
// overwritten when the user agrees; a name over the column's width is told
// about. False when the user kept the current name.
bool GenerateAccountName(const QString& current, int32_t providerId, const QString& designation,
                         QString& name);

// The saves; true after the commit with saved = the record as written.
bool SaveExternalAccount(const TAccountEntry& e, TObj& saved);
bool SaveInternalAccount(const TAccountEntry& e, TObj& saved);

// The counterparty form's save: nothing for an empty name; a counterparty
// must pay or be paid; it needs no group. In new mode the first counterparty
// becomes the default one.
bool SaveCounterparty(const TAccountEntry& e, TObj& saved);
// Closing a counterparty: refused while an active repeater uses it, then the
// account close questions.
bool AskCounterpartyCloseDate(const TObj& cpty, TDateRec& date);

// Closing from the form: the close questions with the balance read in the
// account's own currency. A new (unstored) account only picks a date.
bool AskAccountCloseDate(const TObj& account, TDateRec& date);

// Toggles the favourite mark of the account as stored now and commits.
bool ToggleFavourite(int32_t id, TObj* written = nullptr);

// The frozen-books refusal of every account change.
bool AccountChangesFrozen();

// While one lives, the working currency is the given one (the group and
// balance helpers read the working currency; an account is shown in its own).
class WorkingCurrencyAs {
 public:
  explicit WorkingCurrencyAs(const QString& ccy);
  ~WorkingCurrencyAs();
  WorkingCurrencyAs(const WorkingCurrencyAs&) = delete;
  WorkingCurrencyAs& operator=(const WorkingCurrencyAs&) = delete;

 private:
  QString previous_;
};
