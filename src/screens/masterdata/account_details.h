#pragma once
// The details forms of external accounts (TFExtAcc) and of internal accounts,
// categories and pots (TFCtgy): new, display and edit.
#include <QDialog>
#include <QString>

#include "store/records.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;
struct TAccountEntry;

// The "new account" form with name proposed: the new id, 0 when cancelled.
int AddExternalAccount(const QString& name);
// kind 3 category or 6 pot.
int AddInternalAccount(int kind, const QString& name);
// The form of an existing account: true when it was closed with its OK
// button (in display mode that only closes), and when the form's "Delete"
// removed the account (the caller's list must be re-read either way).
bool EditExternalAccount(int id);
bool EditInternalAccount(int id);

// What both forms share: the three modes, the fields of every account, the
// "Discard changes?" question on every way out, and the menu.
class TAccountDetailsForm : public QDialog {
  Q_OBJECT
 public:
  enum class Mode { New, Display, Edit };

  Mode mode() const { return mode_; }
  bool changed() const { return changed_; }
  const TObj& record() const { return obj_; }

  // "Insert" / "Update": saves and closes with OK; a refusal keeps the form as typed.
  void pressOk();
  // The "Closed" box clicked while empty: the close questions, then the date.
  void askCloseDate();
  // Menu "Delete": the delete rules; the form closes when the account went.
  void deleteAccount();
  // Menu "Refresh": fills the form again from the record held.
  void refill();
  // Asks "Discard changes?" when the user changed something.
  void reject() override;

  QLabel* headingLabel() const { return heading_; }
  QLabel* idLabel() const { return idLabel_; }
  QLabel* currencyLabel() const { return ccyLabel_; }
  QLineEdit* nameBox() const { return name_; }
  QCheckBox* favouriteBox() const { return favourite_; }
  QLineEdit* openDateBox() const { return openDate_; }
  QPushButton* calendarButton() const { return calendar_; }
  QLineEdit* firstUsedBox() const { return firstUsed_; }
  QLineEdit* lastUsedBox() const { return lastUsed_; }
  QLineEdit* closedBox() const { return closed_; }
  QLabel* statusLabel() const { return status_; }
  QComboBox* groupCombo() const { return group_; }
  QCheckBox* negativeBox() const { return negative_; }
  QCheckBox* positiveBox() const { return positive_; }
  QLabel* balanceLabel() const { return balance_; }
  QLabel* balanceFromLabel() const { return balanceFrom_; }
  QLabel* stampsLabel() const { return stamps_; }
  QPlainTextEdit* notesBox() const { return notes_; }
  QTabWidget* pages() const { return pages_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QAction* deleteAction() const { return delete_; }
  QAction* refreshAction() const { return refresh_; }
  QAction* closeAction() const { return close_; }

 protected:
  explicit TAccountDetailsForm(QWidget* parent);
  // Builds the common controls; addOwnRows puts the form's own rows below the name.
  void buildCommon(QVBoxLayout* top);
  virtual void addOwnRows(QVBoxLayout* rows) = 0;
  QWidget* detailsPage() const { return details_; }

  // Fills every control from obj_ under the screen-updating flag.
  void fill();
  virtual void fillOwn() = 0;
  virtual int groupKind() const = 0;
  virtual int currentKind() const = 0;
  virtual bool save(TObj& saved) = 0;
  // The questions a click on the empty "Closed" box asks; true with the date.
  virtual bool askClose(const TObj& account, TDateRec& date);
  void entryCommon(TAccountEntry& e) const;
  // A control changed: the user's change enters edit mode, the program's does not.
  void userChanged();
  void markChanged();
  void setMode(Mode m);
  void fillGroups();
  // New mode: the cursor at the end of the proposed name.
  void startAtNameEnd();
  bool eventFilter(QObject* watched, QEvent* event) override;

  TObj obj_;
  Mode mode_ = Mode::Display;
  bool changed_ = false;

  QLabel* heading_ = nullptr;
  QLabel* idLabel_ = nullptr;
  QLabel* ccyLabel_ = nullptr;
  QLineEdit* name_ = nullptr;
  QCheckBox* favourite_ = nullptr;
  QLineEdit* openDate_ = nullptr;
  QPushButton* calendar_ = nullptr;
  QLineEdit* firstUsed_ = nullptr;
  QLineEdit* lastUsed_ = nullptr;
  QLineEdit* closed_ = nullptr;
  QLabel* status_ = nullptr;
  QComboBox* group_ = nullptr;
  QCheckBox* negative_ = nullptr;
  QCheckBox* positive_ = nullptr;
  QLabel* balance_ = nullptr;
  QLabel* balanceFrom_ = nullptr;
  QLabel* stamps_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* details_ = nullptr;
  QWidget* notesPage_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* refresh_ = nullptr;
  QAction* close_ = nullptr;
};

// The external account form.
class TFExtAcc : public TAccountDetailsForm {
  Q_OBJECT
 public:
  explicit TFExtAcc(QWidget* parent = nullptr);
  // Opens the form modally: a new account (id 0, name proposed) or account id.
  // QDialog::Accepted when closed with OK.
  int openNew(const QString& name);
  int openExisting(const TObj& account);

  void pickProvider();   // "Provider"
  void clearProvider();  // "X"
  void viewProvider();   // "..."
  void generateName();   // "Generate"
  int32_t providerId() const { return providerId_; }

  QLineEdit* designationBox() const { return designation_; }
  QLineEdit* providerBox() const { return provider_; }
  QPushButton* providerButton() const { return providerButton_; }
  QPushButton* noProviderButton() const { return noProvider_; }
  QPushButton* viewProviderButton() const { return viewProvider_; }
  QPushButton* generateButton() const { return generate_; }
  QLineEdit* reconciledBox() const { return reconciled_; }
  QPushButton* channelsButton() const { return channels_; }

 protected:
  void addOwnRows(QVBoxLayout* rows) override;
  void fillOwn() override;
  int groupKind() const override;
  int currentKind() const override;
  bool save(TObj& saved) override;

 private:
  void setProvider(int32_t id);
  int32_t providerId_ = 0;
  QLineEdit* designation_ = nullptr;
  QLineEdit* provider_ = nullptr;
  QPushButton* providerButton_ = nullptr;
  QPushButton* noProvider_ = nullptr;
  QPushButton* viewProvider_ = nullptr;
  QPushButton* generate_ = nullptr;
  QLineEdit* reconciled_ = nullptr;
  QPushButton* channels_ = nullptr;
};

// The internal account form: a category or a pot.
class TFCtgy : public TAccountDetailsForm {
  Q_OBJECT
 public:
  explicit TFCtgy(QWidget* parent = nullptr);
  int openNew(int kind, const QString& name);
  int openExisting(const TObj& account);

  QRadioButton* categoryRadio() const { return category_; }
  QRadioButton* potRadio() const { return pot_; }
  QLabel* debugLabel() const { return debug_; }

 protected:
  void addOwnRows(QVBoxLayout* rows) override;
  void fillOwn() override;
  int groupKind() const override;
  int currentKind() const override;
  bool save(TObj& saved) override;

 private:
  QRadioButton* category_ = nullptr;
  QRadioButton* pot_ = nullptr;
  QLabel* debug_ = nullptr;
};

// The one form of each sort (created on first use, then reused).
TFExtAcc* TheExternalAccountForm();
TFCtgy* TheInternalAccountForm();
