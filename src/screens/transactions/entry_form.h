#pragma once
// The transaction entry form (TFtxnip3): the one modal form through which a
// payment, receipt, transfer or FX deal is typed, an existing transaction is
// edited, or a repeater master is made or changed. The form only gathers what
// was typed into a TEntry; the rules and the writing are SaveEntry's.
//
// The form is created once and keeps its working state (the account slots,
// the last saved transaction, the last description, the last input id) for
// the program's run, so a run of similar transactions needs only the amount,
// date and description changed. Opening other books resets it.
#include <QDialog>

#include "ledger/entry.h"
#include "screens/transactions/entry_form_widgets.h"
#include "store/records.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

class TFtxnip3 : public QDialog {
  Q_OBJECT
 public:
  explicit TFtxnip3(QWidget* parent = nullptr);

  enum Page { Basics, Repeat, Cashback, Foreign, Batch, Split };

  // ---- Filling the form (the entry operations use these) ----
  // Loads a record in new mode: the captions, pages and boxes of a new entry.
  bool loadNew(const TTxn& templ);
  // Loads a record in edit mode (a master when status is 1).
  bool loadEdit(const TTxn& record);
  // Shows the form modally; true when it closed as saved.
  bool runModal();
  // Empties the account slots and channels, forgets the last saved and the
  // loaded transaction, sets the batch page to "None" and the last input id to 0.
  void resetWorkingState();

  // ---- Working state ----
  QChar mode() const { return mode_; }
  const TTxn& loaded() const { return loaded_; }
  const TTxn& lastSaved() const { return lastSaved_; }
  int32_t lastInputId() const { return lastInputId_; }
  const QString& lastDescription() const { return lastDescription_; }
  bool savedOnClose() const { return saved_; }
  void setPresetReference(const QString& ref) { presetRef_ = ref; }
  QString takePresetReference();
  const TObj& externalAccount() const { return external_; }
  const TObj& secondExternal() const { return secondExternal_; }
  const TObj& counterparty() const { return counterparty_; }
  const TObj& internalAccount() const { return internal_; }
  const TObj& secondInternal() const { return secondInternal_; }
  const TChannel& externalChannel() const { return externalCh_; }
  const TChannel& secondExternalChannel() const { return secondExternalCh_; }
  void setExternalAccount(const TObj& a, const TChannel& ch);
  void setSecondExternal(const TObj& a, const TChannel& ch);
  void setCounterparty(const TObj& a) { counterparty_ = a; }
  void setInternalAccount(const TObj& a) { internal_ = a; }
  void setSecondInternal(const TObj& a) { secondInternal_ = a; }

  // What the controls hold, as the save takes it.
  TEntry entry() const;

  // ---- Actions (the handlers of the controls) ----
  void pressSave();  // "Add"/"Update"
  void pressPlusMinus();
  void chooseExternal();
  void chooseCounterparty();
  void chooseInternal();
  void chooseForeignAccount();
  void chooseCashAccount();
  void chooseSplitCategory2();
  void useProvider();
  void recallDescription();
  void useMidRate();
  void calcForeign();
  void calcHome();
  bool calculateSplit();

  // ---- Controls, for the tests and for driving the form ----
  QLabel* idLabel() const { return idLabel_; }
  QLabel* instanceLabel() const { return instanceValue_; }
  QLabel* dateCaption() const { return dateCaption_; }
  QLabel* headerDate() const { return headerDate_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* cancelButton() const { return cancel_; }
  QAction* closeAction() const { return close_; }
  QTabWidget* pages() const { return pages_; }
  QRadioButton* typeRadio(EntryType t) const;
  QRadioButton* cashRadio() const { return cash_; }
  QRadioButton* creditRadio() const { return credit_; }
  QGroupBox* paymentTypeBox() const { return paymentTypeBox_; }
  QRadioButton* internalRadio() const { return internalTransfer_; }
  QRadioButton* externalRadio() const { return externalTransfer_; }
  QGroupBox* transferTypeBox() const { return transferTypeBox_; }
  QRadioButton* buyRadio() const { return buy_; }
  QRadioButton* sellRadio() const { return sell_; }
  QGroupBox* fxTypeBox() const { return fxTypeBox_; }
  QCheckBox* actualCheck() const { return actualCheck_; }
  QLineEdit* actualDate() const { return actualDate_; }
  QPushButton* actualButton(int i) const {
    return actualButtons_[i];
  }  // 0 prev, 1 next, 2 calendar
  QWidget* postingPanel() const { return postingPanel_; }
  QCheckBox* postingCheck() const { return postingCheck_; }
  QLineEdit* postingDate() const { return postingDate_; }
  QPushButton* postingButton(int i) const { return postingButtons_[i]; }
  QLineEdit* amountBox() const { return amount_; }
  QComboBox* currencyBox() const { return currency_; }
  QPushButton* plusMinusButton() const { return plusMinus_; }
  QLabel* externalLabel() const { return externalLabel_; }
  TChooserBox* externalBox() const { return externalBox_; }
  QPushButton* channelButton() const { return channel_; }
  QPushButton* providerButton() const { return provider_; }
  QLabel* counterpartyLabel() const { return counterpartyLabel_; }
  TChooserBox* counterpartyBox() const { return counterpartyBox_; }
  QLabel* internalLabel() const { return internalLabel_; }
  TChooserBox* internalBox() const { return internalBox_; }
  QLabel* splitMark() const { return splitMark_; }
  QLineEdit* descriptionBox() const { return description_; }
  QPushButton* clearDescriptionButton() const { return clearDescription_; }
  QPushButton* recallDescriptionButton() const { return recallDescription_; }
  QLineEdit* referenceBox() const { return reference_; }
  QCheckBox* cancelledCheck() const { return cancelled_; }
  QLineEdit* commissionBox() const { return commission_; }
  QCheckBox* repeatCheck() const { return repeat_; }
  QRadioButton* freqRadio(int i) const { return freq_[i]; }  // D W M Y
  QSpinBox* incrementBox() const { return increment_; }
  QLineEdit* fromBox() const { return from_; }
  QLineEdit* untilBox() const { return until_; }
  QLineEdit* countBox() const { return count_; }
  QLineEdit* reminderBox() const { return reminder_; }
  QCheckBox* activeCheck() const { return active_; }
  QCheckBox* cashbackCheck() const { return cashback_; }
  TChooserBox* cashAccountBox() const { return cashAccountBox_; }
  QLineEdit* cashbackAmountBox() const { return cashbackAmount_; }
  QComboBox* foreignCurrencyBox() const { return foreignCcy_; }
  QLineEdit* foreignAmountBox() const { return foreignAmount_; }
  QGroupBox* foreignGroup() const { return foreignGroup_; }
  QLabel* foreignAccountLabel() const { return foreignAccountLabel_; }
  TChooserBox* foreignAccountBox() const { return foreignAccountBox_; }
  QLabel* rateLabel() const { return rateLabel_; }
  QLineEdit* rateBox() const { return rate_; }
  QPushButton* calcForeignButton() const { return calcForeign_; }
  QPushButton* calcHomeButton() const { return calcHome_; }
  QRadioButton* batchRadio(EntryBatch b) const;
  QLineEdit* batchNumberBox() const { return batchNumber_; }
  QCheckBox* splitCheck() const { return split_; }
  QLineEdit* splitTotalBox() const { return splitTotal_; }
  TChooserBox* splitCategoryBox(int i) const { return i == 0 ? splitCategory1_ : splitCategory2_; }
  QLineEdit* splitAmountBox(int i) const { return i == 0 ? splitAmount1_ : splitAmount2_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 public Q_SLOTS:
  void reject() override;

 private:
  void build();
  QWidget* buildBasics();
  QWidget* buildRepeat();
  QWidget* buildCashback();
  QWidget* buildForeign();
  QWidget* buildBatch();
  QWidget* buildSplit();
  void connectHandlers();

  bool loadRecord(const TTxn& t);
  void reloadCurrencies();
  void selectCurrency(QComboBox* box, const QString& code);
  void resetRepeatPage();
  void resetCashbackPage();
  void resetSplitPage();
  void setBatchPage(const TEntryBatchPage& b);

  EntryType currentType() const;
  bool isInternalTransfer() const;
  bool isCredit() const;
  bool editingMaster() const { return mode_ == QChar('E') && loaded_.status == 1; }
  void updateLayout();
  void updatePageCaptions();
  void updateRepeatEnabled();
  void updateDateEnabled();
  void showSlots();

  // Handlers of the user's changes.
  void typeClicked(EntryType t);
  void paymentTypeClicked();
  void transferTypeClicked();
  void fxTypeClicked();
  void currencyChanged();
  void foreignCurrencyChanged();
  void actualToggled(bool on);
  void postingToggled(bool on);
  void stepDate(QLineEdit* edit, QChar c, bool posting);
  void calendarInto(QLineEdit* edit, bool posting);
  void repeatToggled(bool on);
  void cashbackToggled(bool on);
  void splitToggled(bool on);
  void batchClicked();
  void pageSelected(int index);
  void chooseExternalChannel();
  void chooseForeignChannel();
  void counterpartyChosen();
  void applyCategoryChoice(int result);
  void takeInternal(const TObj& a);
  void refuseEnter();

  QChar mode_ = QChar('N');
  TTxn loaded_;
  TTxn lastSaved_;
  TObj external_, secondExternal_, counterparty_, internal_, secondInternal_;
  TObj foreignAccount_, split2Account_, cashAccount_;
  TChannel externalCh_, secondExternalCh_, foreignCh_;
  QString presetRef_;
  QString lastDescription_;
  int32_t lastInputId_ = 0;
  // Date memory across a switch to "Transfer".
  struct DateMemory {
    bool actual = false, posting = false;
    QString actualText, postingText;
    bool operator==(const DateMemory&) const = default;
  } dateMemory_;
  bool haveDateMemory_ = false;
  EntryType previousType_ = EntryType::Payment;
  bool saving_ = false;
  bool saved_ = false;

  QLabel* idLabel_ = nullptr;
  QLabel* instanceCaption_ = nullptr;
  QLabel* instanceValue_ = nullptr;
  QLabel* dateCaption_ = nullptr;
  QLabel* headerDate_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* close_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* pageWidgets_[6] = {};

  QRadioButton* payment_ = nullptr;
  QRadioButton* receipt_ = nullptr;
  QRadioButton* transfer_ = nullptr;
  QRadioButton* fx_ = nullptr;
  QGroupBox* paymentTypeBox_ = nullptr;
  QRadioButton* cash_ = nullptr;
  QRadioButton* credit_ = nullptr;
  QGroupBox* transferTypeBox_ = nullptr;
  QRadioButton* internalTransfer_ = nullptr;
  QRadioButton* externalTransfer_ = nullptr;
  QGroupBox* fxTypeBox_ = nullptr;
  QRadioButton* buy_ = nullptr;
  QRadioButton* sell_ = nullptr;
  QCheckBox* actualCheck_ = nullptr;
  QLineEdit* actualDate_ = nullptr;
  QPushButton* actualButtons_[3] = {};
  QWidget* postingPanel_ = nullptr;
  QCheckBox* postingCheck_ = nullptr;
  QLineEdit* postingDate_ = nullptr;
  QPushButton* postingButtons_[3] = {};
  QLineEdit* amount_ = nullptr;
  QComboBox* currency_ = nullptr;
  QPushButton* plusMinus_ = nullptr;
  QLabel* externalLabel_ = nullptr;
  TChooserBox* externalBox_ = nullptr;
  QPushButton* channel_ = nullptr;
  QPushButton* provider_ = nullptr;
  QLabel* counterpartyLabel_ = nullptr;
  TChooserBox* counterpartyBox_ = nullptr;
  QLabel* internalLabel_ = nullptr;
  TChooserBox* internalBox_ = nullptr;
  QLabel* splitMark_ = nullptr;
  QLineEdit* description_ = nullptr;
  QPushButton* clearDescription_ = nullptr;
  QPushButton* recallDescription_ = nullptr;
  QLabel* referenceLabel_ = nullptr;
  QLineEdit* reference_ = nullptr;
  QCheckBox* cancelled_ = nullptr;
  QLabel* commissionLabel_ = nullptr;
  QLineEdit* commission_ = nullptr;

  QCheckBox* repeat_ = nullptr;
  QRadioButton* freq_[4] = {};
  QSpinBox* increment_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* until_ = nullptr;
  QPushButton* untilCalendar_ = nullptr;
  QLineEdit* count_ = nullptr;
  QLineEdit* reminder_ = nullptr;
  QCheckBox* active_ = nullptr;

  QCheckBox* cashback_ = nullptr;
  TChooserBox* cashAccountBox_ = nullptr;
  QLineEdit* cashbackAmount_ = nullptr;

  QComboBox* foreignCcy_ = nullptr;
  QLineEdit* foreignAmount_ = nullptr;
  QGroupBox* foreignGroup_ = nullptr;
  QLabel* foreignAccountLabel_ = nullptr;
  TChooserBox* foreignAccountBox_ = nullptr;
  QPushButton* foreignChannel_ = nullptr;
  QLabel* rateLabel_ = nullptr;
  QLineEdit* rate_ = nullptr;
  QPushButton* useRate_ = nullptr;
  QPushButton* calcForeign_ = nullptr;
  QPushButton* calcHome_ = nullptr;

  QRadioButton* batchNone_ = nullptr;
  QRadioButton* batchNew_ = nullptr;
  QRadioButton* batchExisting_ = nullptr;
  QLineEdit* batchNumber_ = nullptr;

  QCheckBox* split_ = nullptr;
  QLineEdit* splitTotal_ = nullptr;
  TChooserBox* splitCategory1_ = nullptr;
  TChooserBox* splitCategory2_ = nullptr;
  QLineEdit* splitAmount1_ = nullptr;
  QLineEdit* splitAmount2_ = nullptr;
  QPushButton* calculate_ = nullptr;
};

// The one entry form (created on first use, then reused; its reset runs each
// time a set of books is closed).
TFtxnip3* TheEntryForm(QWidget* parent = nullptr);
