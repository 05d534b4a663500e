#pragma once
// The counterparty form (TFCpty, "Counterparty details"): new, display and
// edit, with the page of the external accounts held with the counterparty.
// InstallCounterpartyScreens puts this form, the counterparty-categories
// window and the channel windows behind their hooks.
#include <QString>

#include "screens/masterdata/account_details.h"

class QTableWidget;
class QMenu;

// Installs the hooks of the counterparty, category and channel windows. Called
// once at program start.
void InstallCounterpartyScreens();

// The "new counterparty" form with name proposed: the new id, 0 when
// cancelled or when there is no base currency.
int NewCounterparty(const QString& name);
// The form of a stored counterparty: true when closed with its OK button.
bool EditCounterpartyForm(int id);

class TFCpty : public TAccountDetailsForm {
  Q_OBJECT
 public:
  explicit TFCpty(QWidget* parent = nullptr);
  int openNew(const QString& name);
  int openExisting(const TObj& cpty);

  // The "Ext accounts" page's pop-up items on row r.
  void extDetails(int r);
  void extPostings(int r);
  void useAsDefault(int r);

  QCheckBox* payeeBox() const { return payee_; }
  QCheckBox* payerBox() const { return payer_; }
  QTableWidget* extAccounts() const { return ext_; }
  QLabel* extNote() const { return extNote_; }
  QWidget* extPage() const { return extPage_; }
  QMenu* extMenu() const { return extMenu_; }
  int32_t accWith() const { return obj_.heldWith; }

 protected:
  void addOwnRows(QVBoxLayout* rows) override;
  void fillOwn() override;
  int groupKind() const override;
  int currentKind() const override;
  bool save(TObj& saved) override;
  bool askClose(const TObj& account, TDateRec& date) override;

 private:
  void fillExtAccounts();
  int32_t rowId(int r) const;
  QCheckBox* payee_ = nullptr;
  QCheckBox* payer_ = nullptr;
  QWidget* extPage_ = nullptr;
  QTableWidget* ext_ = nullptr;
  QLabel* extNote_ = nullptr;
  QMenu* extMenu_ = nullptr;
};

// The one counterparty form (created on first use, then reused).
TFCpty* TheCounterpartyForm();
