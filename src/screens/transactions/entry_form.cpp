#include "screens/transactions/entry_form.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/currencies.h"
#include "screens/screen_hooks.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

// The form's own changes to its controls (loading, page resets, list
// reloads) raise the screen-updating flag, so the change handlers, which
// take the quiet flag first, leave them alone. Nests.
int g_fillDepth = 0;
class Filling {
 public:
  Filling() {
    if (g_fillDepth++ == 0) SetScreenUpdating(true);
  }
  ~Filling() {
    if (--g_fillDepth == 0) SetScreenUpdating(false);
  }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;
};

QString num(int64_t n) { return QString::number(n); }

QString plain(QString s) {
  s.remove(QLatin1Char('&'));
  return s.trimmed();
}

// A label that names its control, for the eye and for screen readers alike.
QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(control);
  control->setAccessibleName(plain(text));
  return l;
}

void relabel(QLabel* label, const QString& text) {
  label->setText(text);
  if (label->buddy()) label->buddy()->setAccessibleName(plain(text));
}

QPushButton* button(const QString& text, QWidget* parent, const QString& name = QString()) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  b->setAccessibleName(name.isEmpty() ? plain(text) : name);
  return b;
}

// A button of a few characters keeps to its text's width.
QPushButton* smallButton(const QString& text, QWidget* parent, const QString& name = QString()) {
  QPushButton* b = button(text, parent, name);
  b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("MMM")) + 12);
  return b;
}

// Wide enough for a date with its day, as the day buttons write it.
void dateWidth(QLineEdit* edit) {
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("2024-12-31  Wed")) +
                        16);
}

template <class T>
T* named(T* w, const QString& text) {
  w->setAccessibleName(plain(text));
  return w;
}

QString withChannel(const TObj& a, const TChannel& ch) {
  if (ch.chnum == 0) return a.name;
  return a.name + QStringLiteral(" / ") + ch.name;
}

TObj readAccountOrEmpty(int32_t id) {
  TObj a;
  if (id > 0 && ReadAccount(id, a)) return a;
  return TObj();
}

// A channel as a slot shows it: a number that names no channel keeps the
// number under a name that says so.
TChannel channelOf(int32_t chnum) {
  TChannel ch;
  if (chnum == 0) return ch;
  if (ReadChannelRow(chnum, ch)) return ch;
  ch = TChannel();
  ch.chnum = chnum;
  ch.name = "[invalid chnum " + num(chnum) + "]";
  return ch;
}

// amount × rate to the nearest minor unit, exact halves to the even
// neighbour, from the rate's exact binary value; false when it does not fit.
bool MultiplyHalfEven(int64_t amount, double rate, int64_t& result) {
  if (!std::isfinite(rate)) return false;
  if (amount == 0 || rate == 0.0) {
    result = 0;
    return true;
  }
  const bool negative = (amount < 0) != (rate < 0);
  int exp = 0;
  const double frac = std::frexp(std::fabs(rate), &exp);
  const auto mant = static_cast<__int128>(std::ldexp(frac, 53));
  exp -= 53;
  const unsigned __int128 a = amount < 0
                                  ? static_cast<unsigned __int128>(-static_cast<__int128>(amount))
                                  : static_cast<unsigned __int128>(amount);
  unsigned __int128 p = a * static_cast<unsigned __int128>(mant);  // below 2^117
  const unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX);
  if (exp >= 0) {
    for (int i = 0; i < exp; ++i) {
      if (p > limit) return false;
      p <<= 1;
    }
  } else if (exp <= -120) {
    p = 0;
  } else {
    const int s = -exp;
    const unsigned __int128 q = p >> s;
    const unsigned __int128 rem = p - (q << s);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (s - 1);
    p = q + ((rem > half || (rem == half && (q & 1))) ? 1 : 0);
  }
  if (p > limit) return false;
  result = negative ? -static_cast<int64_t>(p) : static_cast<int64_t>(p);
  return true;
}

}  // namespace

// ---- Building ------------------------------------------------------------------------

TFtxnip3::TFtxnip3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Ftxnip3"));
  setWindowTitle(QStringLiteral("New transaction"));
  setModal(true);
  build();
  connectHandlers();
  resetWorkingState();
  {
    Filling f;
    loadRecord(loaded_);
  }
  RegisterWindowPosition(this, objectName());
}

void TFtxnip3::build() {
  auto* header = new QHBoxLayout;
  header->addWidget(new QLabel(QStringLiteral("Transaction id "), this));
  idLabel_ = new QLabel(QStringLiteral("NEW"), this);
  header->addWidget(idLabel_);
  header->addSpacing(16);
  instanceCaption_ = new QLabel(this);
  instanceValue_ = new QLabel(this);
  header->addWidget(instanceCaption_);
  header->addWidget(instanceValue_);
  header->addStretch();
  dateCaption_ = new QLabel(QStringLiteral("Today"), this);
  dateCaption_->setToolTip(
      QStringLiteral("from \"Actual Txn Date\" if this was input (ideally), otherwise from "
                     "Posting Date"));
  headerDate_ = new QLabel(this);
  header->addWidget(dateCaption_);
  header->addWidget(headerDate_);

  pages_ = new QTabWidget(this);
  pageWidgets_[Basics] = buildBasics();
  pageWidgets_[Repeat] = buildRepeat();
  pageWidgets_[Cashback] = buildCashback();
  pageWidgets_[Foreign] = buildForeign();
  pageWidgets_[Batch] = buildBatch();
  pageWidgets_[Split] = buildSplit();
  const char* captions[] = {"Basics", "Repeat", "Cashback", "Foreign currency", "Batch", "Split"};
  for (int i = 0; i < 6; ++i) pages_->addTab(pageWidgets_[i], QString::fromLatin1(captions[i]));

  save_ = new QPushButton(QStringLiteral("Add"), this);
  save_->setDefault(true);
  save_->setAutoDefault(false);
  save_->setAccessibleName(QStringLiteral("Add"));
  cancel_ = button(QStringLiteral("Cancel"), this);
  auto* buttons = RightAlignedButtons({save_, cancel_});

  auto* menuBar = new QMenuBar(this);
  close_ = menuBar->addAction(QStringLiteral("Close"));

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(header);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  setTabOrder(pages_, payment_);
}

QWidget* TFtxnip3::buildBasics() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);

  // Type and the sub-type boxes.
  auto* typeBox = new QGroupBox(QStringLiteral("Transaction type "), page);
  auto* typeRow = new QHBoxLayout(typeBox);
  payment_ = named(new QRadioButton(QStringLiteral("Payment"), typeBox), "Payment");
  payment_->setToolTip(QStringLiteral("or a purchase on credit"));
  receipt_ = named(new QRadioButton(QStringLiteral("Receipt"), typeBox), "Receipt");
  receipt_->setToolTip(QStringLiteral("or a sale in return for credit"));
  transfer_ = named(new QRadioButton(QStringLiteral("Transfer"), typeBox), "Transfer");
  fx_ = named(new QRadioButton(QStringLiteral("FX"), typeBox), "FX");
  for (QRadioButton* r : {payment_, receipt_, transfer_, fx_}) typeRow->addWidget(r);
  payment_->setChecked(true);

  paymentTypeBox_ = new QGroupBox(QStringLiteral(" Payment type"), page);
  auto* payRow = new QHBoxLayout(paymentTypeBox_);
  cash_ = named(new QRadioButton(QStringLiteral("Cash"), paymentTypeBox_), "Cash");
  cash_->setToolTip(QStringLiteral("The txn is fully paid off with hard cash / bank money"));
  credit_ = named(new QRadioButton(QStringLiteral("Credit"), paymentTypeBox_), "Credit");
  credit_->setToolTip(QStringLiteral("The txn leaves money owing between you and the Cpty "));
  payRow->addWidget(cash_);
  payRow->addWidget(credit_);
  cash_->setChecked(true);

  transferTypeBox_ = new QGroupBox(QStringLiteral("Transfer type "), page);
  auto* trRow = new QHBoxLayout(transferTypeBox_);
  internalTransfer_ =
      named(new QRadioButton(QStringLiteral("Internal"), transferTypeBox_), "Internal");
  externalTransfer_ =
      named(new QRadioButton(QStringLiteral("External"), transferTypeBox_), "External");
  trRow->addWidget(internalTransfer_);
  trRow->addWidget(externalTransfer_);
  externalTransfer_->setChecked(true);

  fxTypeBox_ = new QGroupBox(QStringLiteral("FX type"), page);
  auto* fxRow = new QHBoxLayout(fxTypeBox_);
  buy_ = named(new QRadioButton(QStringLiteral("Buy"), fxTypeBox_), "Buy");
  buy_->setToolTip(QStringLiteral("I buy foreign currency"));
  sell_ = named(new QRadioButton(QStringLiteral("Sell"), fxTypeBox_), "Sell");
  sell_->setToolTip(QStringLiteral("I sell foreign currency"));
  fxRow->addWidget(buy_);
  fxRow->addWidget(sell_);
  buy_->setChecked(true);

  auto* typeLine = new QHBoxLayout;
  typeLine->addWidget(typeBox);
  typeLine->addWidget(paymentTypeBox_);
  typeLine->addWidget(transferTypeBox_);
  typeLine->addWidget(fxTypeBox_);
  typeLine->addStretch();
  grid->addLayout(typeLine, 0, 0, 1, 6);

  // Dates: the check box, the date box and its three buttons.
  auto dateRow = [&](QCheckBox*& check, QLineEdit*& edit, QPushButton*(&b)[3],
                     const QString& caption, const QString& who, const QString& hint,
                     QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    check = named(new QCheckBox(caption, parent), caption);
    check->setToolTip(hint);
    edit = new QLineEdit(parent);
    edit->setAccessibleName(plain(caption));
    edit->setToolTip(QStringLiteral("in format yyyy-mm-dd"));
    b[0] = smallButton(QStringLiteral("<"), parent, who + " previous day");
    b[0]->setToolTip(QStringLiteral("previous day"));
    b[1] = smallButton(QStringLiteral(">"), parent, who + " next day");
    b[1]->setToolTip(QStringLiteral("next day"));
    b[2] = smallButton(QStringLiteral("..."), parent, who + " calendar");
    b[2]->setToolTip(QStringLiteral("Calendar"));
    dateWidth(edit);
    row->addWidget(check);
    row->addWidget(edit);
    for (QPushButton* x : b) row->addWidget(x);
    row->addStretch();
    return row;
  };
  grid->addLayout(
      dateRow(actualCheck_, actualDate_, actualButtons_, QStringLiteral("Actual txn date"),
              QStringLiteral("Actual"),
              QStringLiteral("for payments/receipts this is when the Internal Account is posted "),
              page),
      1, 0, 1, 3);
  postingPanel_ = new QWidget(page);
  postingPanel_->setLayout(dateRow(
      postingCheck_, postingDate_, postingButtons_, QStringLiteral("Posting date"),
      QStringLiteral("Posting"),
      QStringLiteral(
          "for payments/receipts this is when the External Account and Counterparty are posted"),
      postingPanel_));
  grid->addWidget(postingPanel_, 1, 3, 1, 3);

  // Amount and currency.
  amount_ = named(new QLineEdit(page), "Amount");
  amount_->setToolTip(QStringLiteral("including any VAT"));
  currency_ = named(new TCodeBox(page), "Currency");
  currency_->setToolTip(QStringLiteral("Currency"));
  plusMinus_ = smallButton(QStringLiteral("+/-"), page);
  plusMinus_->setObjectName(QStringLiteral("plusminusbtn"));
  commission_ = new QLineEdit(page);
  commissionLabel_ = labelFor(QStringLiteral("Commission amount"), commission_, page);
  auto* amountRow = new QHBoxLayout;
  amountRow->addWidget(amount_);
  amountRow->addWidget(currency_);
  amountRow->addWidget(plusMinus_);
  amountRow->addSpacing(16);
  amountRow->addWidget(commissionLabel_);
  amountRow->addWidget(commission_);
  amountRow->addStretch();
  grid->addLayout(amountRow, 2, 0, 1, 6);

  // The account slots.
  externalBox_ = new TChooserBox(page);
  externalLabel_ = labelFor(QStringLiteral("External account "), externalBox_, page);
  channel_ = smallButton(QStringLiteral(" / "), page, QStringLiteral("Channel"));
  channel_->setToolTip(QStringLiteral("Select another channel for this account"));
  grid->addWidget(externalLabel_, 3, 0);
  grid->addWidget(externalBox_, 3, 1, 1, 3);
  grid->addWidget(channel_, 3, 4);

  counterpartyBox_ = new TChooserBox(page);
  counterpartyLabel_ = labelFor(QStringLiteral("Counterparty  "), counterpartyBox_, page);
  provider_ = smallButton(QStringLiteral("^"), page, QStringLiteral("Provider"));
  provider_->setToolTip(
      QStringLiteral("Set Counterparty to the Provider of your External Account"));
  grid->addWidget(counterpartyLabel_, 4, 0);
  grid->addWidget(counterpartyBox_, 4, 1, 1, 3);
  grid->addWidget(provider_, 4, 4);

  internalBox_ = new TChooserBox(page);
  internalLabel_ = labelFor(QStringLiteral("Internal account "), internalBox_, page);
  splitMark_ = new QLabel(QStringLiteral("SPLIT!"), page);
  grid->addWidget(internalLabel_, 5, 0);
  grid->addWidget(internalBox_, 5, 1, 1, 3);
  grid->addWidget(splitMark_, 5, 4);

  description_ = new QLineEdit(page);
  description_->setMaxLength(kNarrativeWidth);
  clearDescription_ = smallButton(QStringLiteral("x"), page);
  clearDescription_->setToolTip(QStringLiteral("Clear description"));
  recallDescription_ = smallButton(QStringLiteral("+"), page);
  recallDescription_->setToolTip(QStringLiteral("Recall last used description"));
  grid->addWidget(labelFor(QStringLiteral("Description "), description_, page), 6, 0);
  grid->addWidget(description_, 6, 1, 1, 3);
  grid->addWidget(clearDescription_, 6, 4);
  grid->addWidget(recallDescription_, 6, 5);

  reference_ = new QLineEdit(page);
  referenceLabel_ = labelFor(QStringLiteral("Reference "), reference_, page);
  cancelled_ = named(new QCheckBox(QStringLiteral("Cancelled"), page), "Cancelled");
  cancelled_->setToolTip(
      QStringLiteral("Postings are retained with Amt = 0 on postings for cancelled txns"));
  grid->addWidget(referenceLabel_, 7, 0);
  grid->addWidget(reference_, 7, 1);
  grid->addWidget(cancelled_, 7, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(8, 1);
  return page;
}

QWidget* TFtxnip3::buildRepeat() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  repeat_ = named(new QCheckBox(QStringLiteral("Repeat"), page), "Repeat");
  grid->addWidget(repeat_, 0, 0);
  const char* freqs[] = {"Daily", "Weekly", "Monthly", "Yearly"};
  auto* freqRow = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    freq_[i] = named(new QRadioButton(QString::fromLatin1(freqs[i]), page), freqs[i]);
    freqRow->addWidget(freq_[i]);
  }
  grid->addLayout(freqRow, 1, 0, 1, 4);
  increment_ = new QSpinBox(page);
  increment_->setRange(0, 100);
  increment_->setValue(1);
  grid->addWidget(labelFor(QStringLiteral("Increment"), increment_, page), 2, 0);
  grid->addWidget(increment_, 2, 1);
  from_ = new QLineEdit(page);
  from_->setReadOnly(true);
  grid->addWidget(labelFor(QStringLiteral("from"), from_, page), 3, 0);
  grid->addWidget(from_, 3, 1);
  until_ = new QLineEdit(page);
  dateWidth(until_);
  until_->setToolTip(
      QStringLiteral("in format yyyy-mm-dd; instances are generated up to & including this date"));
  untilCalendar_ = smallButton(QStringLiteral("..."), page, QStringLiteral("Until calendar"));
  grid->addWidget(labelFor(QStringLiteral("until "), until_, page), 4, 0);
  grid->addWidget(until_, 4, 1);
  grid->addWidget(untilCalendar_, 4, 2);
  count_ = new QLineEdit(page);
  grid->addWidget(labelFor(QStringLiteral("count"), count_, page), 5, 0);
  grid->addWidget(count_, 5, 1);
  reminder_ = new QLineEdit(page);
  reminder_->setToolTip(QStringLiteral(
      "Number of days in advance that a reminder is generated, blank (or zero) for no "
      "reminder"));
  grid->addWidget(labelFor(QStringLiteral("Reminder (days) "), reminder_, page), 6, 0);
  grid->addWidget(reminder_, 6, 1);
  active_ = named(new QCheckBox(QStringLiteral("Active"), page), "Active");
  active_->setChecked(true);
  grid->addWidget(active_, 7, 0);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(8, 1);
  return page;
}

QWidget* TFtxnip3::buildCashback() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  cashback_ = named(new QCheckBox(QStringLiteral("Cashback"), page), "Cashback");
  grid->addWidget(cashback_, 0, 0);
  cashAccountBox_ = new TChooserBox(page);
  grid->addWidget(labelFor(QStringLiteral("Cash account "), cashAccountBox_, page), 1, 0);
  grid->addWidget(cashAccountBox_, 1, 1);
  cashbackAmount_ = new QLineEdit(page);
  cashbackAmount_->setToolTip(QStringLiteral(">0 for cash received (cashback); <0 for cash paid"));
  grid->addWidget(labelFor(QStringLiteral("Cashback amount  "), cashbackAmount_, page), 2, 0);
  grid->addWidget(cashbackAmount_, 2, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(3, 1);
  return page;
}

QWidget* TFtxnip3::buildForeign() {
  auto* page = new QWidget(this);
  auto* outer = new QVBoxLayout(page);
  foreignGroup_ = new QGroupBox(QStringLiteral("Receive"), page);
  auto* grid = new QGridLayout(foreignGroup_);
  foreignCcy_ = named(new TCodeBox(foreignGroup_), "Foreign currency");
  foreignAmount_ = named(new QLineEdit(foreignGroup_), "Foreign amount");
  grid->addWidget(foreignAmount_, 0, 0);
  grid->addWidget(foreignCcy_, 0, 1);
  foreignAccountBox_ = new TChooserBox(foreignGroup_);
  foreignAccountLabel_ =
      labelFor(QStringLiteral("External account - to"), foreignAccountBox_, foreignGroup_);
  foreignChannel_ =
      smallButton(QStringLiteral(" / "), foreignGroup_, QStringLiteral("Foreign channel"));
  foreignChannel_->setToolTip(QStringLiteral("Select another channel for this account"));
  grid->addWidget(foreignAccountLabel_, 1, 0);
  grid->addWidget(foreignAccountBox_, 1, 1, 1, 2);
  grid->addWidget(foreignChannel_, 1, 3);
  rate_ = new QLineEdit(foreignGroup_);
  rateLabel_ = labelFor(QStringLiteral("Sell-rate "), rate_, foreignGroup_);
  useRate_ = button(QStringLiteral("use"), foreignGroup_);
  useRate_->setToolTip(QStringLiteral("use mid-market rate for this txn date"));
  grid->addWidget(rateLabel_, 2, 0);
  grid->addWidget(rate_, 2, 1);
  grid->addWidget(useRate_, 2, 2);
  calcForeign_ = button(QStringLiteral("calc fgn "), foreignGroup_);
  calcForeign_->setToolTip(QStringLiteral("calculate foreign currency amount using rate"));
  calcHome_ = button(QStringLiteral("calc home"), foreignGroup_);
  calcHome_->setToolTip(QStringLiteral("calculate home currency amount using rate"));
  grid->addWidget(calcForeign_, 3, 1);
  grid->addWidget(calcHome_, 3, 2);
  outer->addWidget(foreignGroup_);
  outer->addStretch();
  return page;
}

QWidget* TFtxnip3::buildBatch() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  batchNone_ = named(new QRadioButton(QStringLiteral("None"), page), "None");
  batchNone_->setToolTip(QStringLiteral("This transaction is not in a Batch"));
  batchNew_ = named(new QRadioButton(QStringLiteral("New"), page), "New");
  batchNew_->setToolTip(QStringLiteral("Start a new Batch with this transaction"));
  batchExisting_ =
      named(new QRadioButton(QStringLiteral("Add to existing"), page), "Add to existing");
  batchExisting_->setToolTip(
      QStringLiteral("Batch this transaction with an existing transaction ..."));
  batchNumber_ = named(new QLineEdit(page), "Batch number");
  batchNone_->setChecked(true);
  grid->addWidget(batchNone_, 0, 0);
  grid->addWidget(batchNew_, 1, 0);
  grid->addWidget(batchExisting_, 2, 0);
  grid->addWidget(batchNumber_, 2, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(3, 1);
  return page;
}

QWidget* TFtxnip3::buildSplit() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  split_ = named(new QCheckBox(QStringLiteral("Split payment / receipt between Categories"), page),
                 "Split payment / receipt between Categories");
  grid->addWidget(split_, 0, 0, 1, 3);
  splitTotal_ = new QLineEdit(page);
  grid->addWidget(labelFor(QStringLiteral("Total amount "), splitTotal_, page), 1, 0);
  grid->addWidget(splitTotal_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("split between categories ..."), page), 2, 0, 1, 3);
  splitCategory1_ = named(new TChooserBox(page), "Category 1");
  splitAmount1_ = named(new QLineEdit(page), "Amount 1");
  splitCategory2_ = named(new TChooserBox(page), "Category 2");
  splitAmount2_ = named(new QLineEdit(page), "Amount 2");
  grid->addWidget(splitCategory1_, 3, 0, 1, 2);
  grid->addWidget(splitAmount1_, 3, 2);
  grid->addWidget(splitCategory2_, 4, 0, 1, 2);
  grid->addWidget(splitAmount2_, 4, 2);
  calculate_ = button(QStringLiteral("Calculate"), page);
  grid->addWidget(calculate_, 5, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
  return page;
}

void TFtxnip3::connectHandlers() {
  auto onChecked = [this](QRadioButton* r, std::function<void()> f) {
    connect(r, &QRadioButton::toggled, this, [f = std::move(f)](bool on) {
      if (on && !TakeQuietFlag()) f();
    });
  };
  onChecked(payment_, [this] { typeClicked(EntryType::Payment); });
  onChecked(receipt_, [this] { typeClicked(EntryType::Receipt); });
  onChecked(transfer_, [this] { typeClicked(EntryType::Transfer); });
  onChecked(fx_, [this] { typeClicked(EntryType::Fx); });
  onChecked(cash_, [this] { paymentTypeClicked(); });
  onChecked(credit_, [this] { paymentTypeClicked(); });
  onChecked(internalTransfer_, [this] { transferTypeClicked(); });
  onChecked(externalTransfer_, [this] { transferTypeClicked(); });
  onChecked(buy_, [this] { fxTypeClicked(); });
  onChecked(sell_, [this] { fxTypeClicked(); });
  for (QRadioButton* r : {batchNone_, batchNew_, batchExisting_})
    onChecked(r, [this] { batchClicked(); });

  connect(actualCheck_, &QCheckBox::toggled, this, &TFtxnip3::actualToggled);
  connect(postingCheck_, &QCheckBox::toggled, this, &TFtxnip3::postingToggled);
  connect(actualButtons_[0], &QPushButton::clicked, this,
          [this] { stepDate(actualDate_, QChar('-'), false); });
  connect(actualButtons_[1], &QPushButton::clicked, this,
          [this] { stepDate(actualDate_, QChar('+'), false); });
  connect(actualButtons_[2], &QPushButton::clicked, this,
          [this] { calendarInto(actualDate_, false); });
  connect(postingButtons_[0], &QPushButton::clicked, this,
          [this] { stepDate(postingDate_, QChar('-'), true); });
  connect(postingButtons_[1], &QPushButton::clicked, this,
          [this] { stepDate(postingDate_, QChar('+'), true); });
  connect(postingButtons_[2], &QPushButton::clicked, this,
          [this] { calendarInto(postingDate_, true); });
  postingDate_->installEventFilter(this);

  connect(currency_, &QComboBox::currentIndexChanged, this, &TFtxnip3::currencyChanged);
  connect(foreignCcy_, &QComboBox::currentIndexChanged, this, &TFtxnip3::foreignCurrencyChanged);
  connect(plusMinus_, &QPushButton::clicked, this, &TFtxnip3::pressPlusMinus);
  connect(externalBox_, &TChooserBox::chosen, this, &TFtxnip3::chooseExternal);
  connect(channel_, &QPushButton::clicked, this, &TFtxnip3::chooseExternalChannel);
  connect(counterpartyBox_, &TChooserBox::chosen, this, &TFtxnip3::chooseCounterparty);
  connect(provider_, &QPushButton::clicked, this, &TFtxnip3::useProvider);
  connect(internalBox_, &TChooserBox::chosen, this, &TFtxnip3::chooseInternal);
  // The box's limit counts halves of a character beyond the basic plane: a
  // text cut there loses the broken half rather than keeping it.
  connect(description_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text.isEmpty() || !text.back().isHighSurrogate()) return;
    const QSignalBlocker block(description_);
    description_->setText(text.chopped(1));
  });
  connect(clearDescription_, &QPushButton::clicked, description_, &QLineEdit::clear);
  connect(recallDescription_, &QPushButton::clicked, this, &TFtxnip3::recallDescription);

  connect(repeat_, &QCheckBox::toggled, this, &TFtxnip3::repeatToggled);
  connect(untilCalendar_, &QPushButton::clicked, this, [this] { PickDateIntoEdit(until_); });
  connect(cashback_, &QCheckBox::toggled, this, &TFtxnip3::cashbackToggled);
  connect(cashAccountBox_, &TChooserBox::chosen, this, &TFtxnip3::chooseCashAccount);
  connect(foreignAccountBox_, &TChooserBox::chosen, this, &TFtxnip3::chooseForeignAccount);
  connect(foreignChannel_, &QPushButton::clicked, this, &TFtxnip3::chooseForeignChannel);
  connect(useRate_, &QPushButton::clicked, this, &TFtxnip3::useMidRate);
  connect(calcForeign_, &QPushButton::clicked, this, &TFtxnip3::calcForeign);
  connect(calcHome_, &QPushButton::clicked, this, &TFtxnip3::calcHome);
  connect(split_, &QCheckBox::toggled, this, &TFtxnip3::splitToggled);
  connect(splitCategory1_, &TChooserBox::chosen, this, &TFtxnip3::chooseInternal);
  connect(splitCategory2_, &TChooserBox::chosen, this, &TFtxnip3::chooseSplitCategory2);
  connect(calculate_, &QPushButton::clicked, this, [this] { calculateSplit(); });
  connect(pages_, &QTabWidget::currentChanged, this, &TFtxnip3::pageSelected);

  connect(save_, &QPushButton::clicked, this, &TFtxnip3::pressSave);
  connect(cancel_, &QPushButton::clicked, this, &TFtxnip3::reject);
  connect(close_, &QAction::triggered, this, &TFtxnip3::reject);
}

// ---- Small helpers -------------------------------------------------------------------

QRadioButton* TFtxnip3::typeRadio(EntryType t) const {
  switch (t) {
    case EntryType::Payment:
      return payment_;
    case EntryType::Receipt:
      return receipt_;
    case EntryType::Transfer:
      return transfer_;
    case EntryType::Fx:
      return fx_;
  }
  return payment_;
}

QRadioButton* TFtxnip3::batchRadio(EntryBatch b) const {
  switch (b) {
    case EntryBatch::None:
      return batchNone_;
    case EntryBatch::New:
      return batchNew_;
    case EntryBatch::AddToExisting:
      return batchExisting_;
  }
  return batchNone_;
}

EntryType TFtxnip3::currentType() const {
  if (receipt_->isChecked()) return EntryType::Receipt;
  if (transfer_->isChecked()) return EntryType::Transfer;
  if (fx_->isChecked()) return EntryType::Fx;
  return EntryType::Payment;
}

bool TFtxnip3::isInternalTransfer() const {
  return currentType() == EntryType::Transfer && internalTransfer_->isChecked();
}

bool TFtxnip3::isCredit() const {
  const EntryType t = currentType();
  return (t == EntryType::Payment || t == EntryType::Receipt) && credit_->isChecked();
}

QString TFtxnip3::takePresetReference() {
  QString r = presetRef_;
  presetRef_.clear();
  return r;
}

void TFtxnip3::setExternalAccount(const TObj& a, const TChannel& ch) {
  external_ = a;
  externalCh_ = ch;
}

void TFtxnip3::setSecondExternal(const TObj& a, const TChannel& ch) {
  secondExternal_ = a;
  secondExternalCh_ = ch;
}

void TFtxnip3::reloadCurrencies() {
  Filling f;
  const QString home = currency_->currentText();
  const QString foreign = foreignCcy_->currentText();
  QStringList codes = CurrencyList();
  codes.sort();
  currency_->clear();
  currency_->addItems(codes);
  foreignCcy_->clear();
  foreignCcy_->addItems(codes);
  selectCurrency(currency_, home);
  selectCurrency(foreignCcy_, foreign);
}

void TFtxnip3::selectCurrency(QComboBox* box, const QString& code) {
  Filling f;
  if (code.isEmpty()) return;
  if (box->findText(code) < 0) box->addItem(code);
  box->setCurrentIndex(box->findText(code));
}

void TFtxnip3::resetRepeatPage() {
  Filling f;
  repeat_->setChecked(false);
  for (QRadioButton* r : freq_) {
    r->setAutoExclusive(false);
    r->setChecked(false);
    r->setAutoExclusive(true);
  }
  increment_->setValue(1);
  from_->clear();
  until_->clear();
  count_->clear();
  reminder_->clear();
  active_->setChecked(true);
  repeat_->setEnabled(mode_ == QChar('N'));
  updateRepeatEnabled();
}

void TFtxnip3::resetCashbackPage() {
  Filling f;
  cashback_->setChecked(false);
  cashbackAmount_->clear();
}

void TFtxnip3::resetSplitPage() {
  Filling f;
  split_->setChecked(false);
  splitTotal_->clear();
  splitAmount1_->clear();
  splitAmount2_->clear();
}

void TFtxnip3::setBatchPage(const TEntryBatchPage& b) {
  Filling f;
  batchRadio(b.choice)->setChecked(true);
  batchNumber_->setText(b.numberText);
  batchNumber_->setEnabled(b.choice == EntryBatch::AddToExisting);
  updatePageCaptions();
}

void TFtxnip3::resetWorkingState() {
  Filling f;
  external_ = secondExternal_ = counterparty_ = internal_ = secondInternal_ = TObj();
  foreignAccount_ = split2Account_ = TObj();
  externalCh_ = secondExternalCh_ = foreignCh_ = TChannel();
  // No currency yet: the next new entry takes the working currency of the
  // books then open.
  lastSaved_ = TTxn();
  loaded_ = TTxn();
  lastInputId_ = 0;
  setBatchPage(TEntryBatchPage());
  showSlots();
}

// ---- Loading -------------------------------------------------------------------------

bool TFtxnip3::loadRecord(const TTxn& t) {
  Filling f;
  pages_->setCurrentIndex(Basics);
  reloadCurrencies();
  idLabel_->setText(t.id == 0 ? QStringLiteral("NEW") : num(t.id));
  if (t.instance > 0 || t.status == 1) {
    instanceCaption_->setText(QStringLiteral("Instance"));
    instanceValue_->setText(num(t.masterId) + " / " + num(t.instance));
  } else {
    instanceCaption_->clear();
    instanceValue_->clear();
  }
  if (t.type == QChar('C')) {
    transfer_->setChecked(true);
    const TObj a1 = readAccountOrEmpty(t.accId1);
    const TObj a2 = readAccountOrEmpty(t.accId2);
    auto isInternal = [](const TObj& a) { return a.kind == 3 || a.kind == 6; };
    if (a1.kind == 1 || a2.kind == 1) {
      externalTransfer_->setChecked(true);
      external_ = a1;
      secondExternal_ = a2;
      externalCh_ = channelOf(t.channel);
      secondExternalCh_ = TChannel();
    } else if (isInternal(a1) || isInternal(a2)) {
      internalTransfer_->setChecked(true);
      internal_ = a1;
      secondInternal_ = a2;
    }
  } else if (t.type == QChar('P') || t.type == QChar('R')) {
    (t.type == QChar('P') ? payment_ : receipt_)->setChecked(true);
    cash_->setChecked(true);
    external_ = readAccountOrEmpty(t.accId1);
    externalCh_ = channelOf(t.channel);
    counterparty_ = readAccountOrEmpty(t.accId2);
    secondInternal_ = readAccountOrEmpty(t.accId3);
    internal_ = readAccountOrEmpty(t.accId4);
  } else {
    return false;
  }
  previousType_ = currentType();
  haveDateMemory_ = false;
  headerDate_->setText(DateRecToTextOrBlank(t.txnDate));
  actualCheck_->setChecked(false);
  postingCheck_->setChecked(false);
  actualDate_->clear();
  postingDate_->clear();
  if (!t.actualDate.isZero()) {
    actualDate_->setText(DateRecToText(t.actualDate));
    actualCheck_->setChecked(true);
  }
  if (!t.postingDate.isZero() && !isInternalTransfer() && !(t.postingDate == t.actualDate)) {
    postingDate_->setText(DateRecToText(t.postingDate));
    postingCheck_->setChecked(true);
  }
  amount_->setText(FormatAmount(t.amount));
  selectCurrency(currency_, t.ccy);
  cancelled_->setChecked(t.cancelled);
  reference_->setText(t.reference);
  description_->setText(t.narrative);
  if (t.status == 1) {
    repeat_->setChecked(true);
    const QString freqs = QStringLiteral("DWMY");
    const int k = freqs.indexOf(t.rpt.freq);
    if (k >= 0) freq_[k]->setChecked(true);
    until_->setText(DateRecToTextOrBlank(t.rpt.endDate));
    active_->setChecked(t.rpt.active);
    increment_->setValue(t.rpt.rptInc);
    count_->setText(t.rpt.rptCt > 0 ? num(t.rpt.rptCt) : QString());
    from_->setText(DateRecToTextOrBlank(t.rpt.startDate));
    reminder_->setText(t.rpt.rmDays > 0 ? num(t.rpt.rmDays) : QString());
  }
  updateLayout();
  updateDateEnabled();
  updateRepeatEnabled();
  return true;
}

bool TFtxnip3::loadNew(const TTxn& templ) {
  Filling f;
  mode_ = QChar('N');
  TTxn t = templ;
  // A template never brings a repeater identity into a new entry.
  t.id = 0;
  t.status = 0;
  t.masterId = 0;
  t.instance = 0;
  t.rpt = TRptSchedule();
  loaded_ = t;
  setWindowTitle(QStringLiteral("New transaction"));
  save_->setText(QStringLiteral("Add"));
  save_->setAccessibleName(QStringLiteral("Add"));
  dateCaption_->setText(QStringLiteral("Today"));
  resetRepeatPage();
  resetCashbackPage();
  resetSplitPage();
  if (!loadRecord(t)) return false;
  cancelled_->setChecked(false);
  if (t.reference != QLatin1String("sweep")) {
    reference_->clear();
    description_->clear();
  }
  if (t.amount == 0) amount_->clear();
  updateLayout();
  return true;
}

bool TFtxnip3::loadEdit(const TTxn& record) {
  Filling f;
  mode_ = QChar('E');
  loaded_ = record;
  setWindowTitle(record.status == 1 ? QStringLiteral("Edit transaction - Repeater Master")
                                    : QStringLiteral("Edit transaction"));
  save_->setText(QStringLiteral("Update"));
  save_->setAccessibleName(QStringLiteral("Update"));
  dateCaption_->setText(QStringLiteral("Transaction date"));
  resetRepeatPage();
  resetCashbackPage();
  resetSplitPage();
  if (!loadRecord(record)) return false;
  TEntryBatchPage b;
  if (record.batch > 0) {
    b.choice = EntryBatch::AddToExisting;
    b.numberText = num(record.batch);
  }
  setBatchPage(b);
  return true;
}

bool TFtxnip3::runModal() {
  saved_ = false;
  saving_ = false;
  save_->setEnabled(true);
  exec();
  return saved_;
}

// ---- Layout by type ------------------------------------------------------------------

void TFtxnip3::updateLayout() {
  Filling f;
  const EntryType t = currentType();
  const bool pr = t == EntryType::Payment || t == EntryType::Receipt;
  const bool fx = t == EntryType::Fx;
  const bool transfer = t == EntryType::Transfer;
  const bool internalT = isInternalTransfer();

  // A page hidden for the type is unticked, so the save never sees it.
  const bool cashbackShown = t == EntryType::Payment && mode_ == QChar('N');
  const bool repeatShown = !fx && (mode_ == QChar('N') || editingMaster());
  const bool splitShown = mode_ == QChar('N') && pr;
  if (!cashbackShown) cashback_->setChecked(false);
  if (!repeatShown) repeat_->setChecked(false);
  if (!splitShown) split_->setChecked(false);
  pages_->setTabVisible(Cashback, cashbackShown);
  pages_->setTabVisible(Repeat, repeatShown);
  pages_->setTabVisible(Foreign, fx);
  pages_->setTabVisible(Split, splitShown);

  transferTypeBox_->setVisible(transfer);
  paymentTypeBox_->setVisible(pr);
  paymentTypeBox_->setTitle(t == EntryType::Receipt ? QStringLiteral(" Receipt type")
                                                    : QStringLiteral(" Payment type"));
  fxTypeBox_->setVisible(fx);
  commissionLabel_->setVisible(fx);
  commission_->setVisible(fx);

  postingPanel_->setVisible(!internalT);
  postingPanel_->setEnabled(!editingMaster());
  if (internalT && !actualCheck_->isChecked()) {
    actualCheck_->setChecked(true);
    if (actualDate_->text().isEmpty()) actualDate_->setText(headerDate_->text());
  }

  const bool externalShown = !(pr && credit_->isChecked());
  externalLabel_->setVisible(externalShown);
  externalBox_->setVisible(externalShown);
  channel_->setVisible(externalShown);
  provider_->setVisible((pr || fx) && externalShown);
  referenceLabel_->setVisible(!fx);
  reference_->setVisible(!fx);
  internalLabel_->setVisible(pr || fx);
  internalBox_->setVisible(pr || fx);

  const bool buy = buy_->isChecked();
  if (transfer) {
    relabel(externalLabel_, QStringLiteral("From account "));
    relabel(counterpartyLabel_, QStringLiteral("To account "));
  } else {
    relabel(externalLabel_, fx ? QStringLiteral("External account ") + (buy ? "- from" : "- to")
                               : QStringLiteral("External account "));
    relabel(counterpartyLabel_, QStringLiteral("Counterparty  "));
  }
  relabel(internalLabel_, QStringLiteral("Internal account "));
  foreignGroup_->setTitle(buy ? QStringLiteral("Receive") : QStringLiteral("Pay"));
  relabel(rateLabel_, buy ? QStringLiteral("Sell-rate ") : QStringLiteral("Buy-rate "));
  rate_->setToolTip(
      buy ? QStringLiteral("The rate at which the Counterparty sells the currency to you \r\n"
                           "(for information only, not used in calculations)")
          : QStringLiteral("The rate at which the Counterparty buys the currency from you \r\n"
                           "(for information only, not used in calculations)"));
  relabel(foreignAccountLabel_, QStringLiteral("External account ") + (buy ? "- to" : "- from"));
  EnableCombo(currency_, !fx);

  updatePageCaptions();
  updateDateEnabled();
  showSlots();
}

void TFtxnip3::updatePageCaptions() {
  pages_->setTabText(Basics, currentType() == EntryType::Fx ? QStringLiteral("Home currency")
                                                            : QStringLiteral("Basics"));
  pages_->setTabText(Repeat,
                     repeat_->isChecked() ? QStringLiteral("REPEAT!") : QStringLiteral("Repeat"));
  pages_->setTabText(
      Cashback, cashback_->isChecked() ? QStringLiteral("CASHBACK!") : QStringLiteral("Cashback"));
  pages_->setTabText(Batch,
                     batchNone_->isChecked() ? QStringLiteral("Batch") : QStringLiteral("BATCH!"));
  pages_->setTabText(Split,
                     split_->isChecked() ? QStringLiteral("SPLIT!") : QStringLiteral("Split"));
  splitMark_->setVisible(split_->isChecked());
}

void TFtxnip3::updateRepeatEnabled() {
  const bool on = repeat_->isChecked();
  for (QWidget* w :
       std::initializer_list<QWidget*>{freq_[0], freq_[1], freq_[2], freq_[3], increment_, until_,
                                       untilCalendar_, count_, reminder_, active_})
    w->setEnabled(on);
  from_->setEnabled(false);
}

void TFtxnip3::updateDateEnabled() {
  const bool a = actualCheck_->isChecked();
  actualDate_->setEnabled(a);
  for (QPushButton* b : actualButtons_) b->setEnabled(a);
  const bool p = postingCheck_->isChecked();
  postingDate_->setEnabled(p);
  for (QPushButton* b : postingButtons_) b->setEnabled(p);
}

void TFtxnip3::showSlots() {
  const bool internalT = isInternalTransfer();
  const bool transfer = currentType() == EntryType::Transfer;
  externalBox_->setText(internalT ? internal_.name : withChannel(external_, externalCh_));
  counterpartyBox_->setText(transfer ? (internalT ? secondInternal_.name
                                                  : withChannel(secondExternal_, secondExternalCh_))
                                     : counterparty_.name);
  internalBox_->setText(internal_.name);
  splitCategory1_->setText(internal_.name);
  splitCategory2_->setText(split2Account_.name);
  cashAccountBox_->setText(cashAccount_.name);
  foreignAccountBox_->setText(withChannel(foreignAccount_, foreignCh_));
}

// ---- The user's changes --------------------------------------------------------------

void TFtxnip3::typeClicked(EntryType t) {
  const EntryType prev = previousType_;
  const bool fromPr = prev == EntryType::Payment || prev == EntryType::Receipt;
  const bool toPr = t == EntryType::Payment || t == EntryType::Receipt;
  if (t == EntryType::Transfer && fromPr) {
    dateMemory_ = {actualCheck_->isChecked(), postingCheck_->isChecked(), actualDate_->text(),
                   postingDate_->text()};
    haveDateMemory_ = true;
  } else if (toPr && prev == EntryType::Transfer && haveDateMemory_) {
    const DateMemory now{actualCheck_->isChecked(), postingCheck_->isChecked(), actualDate_->text(),
                         postingDate_->text()};
    if (!(now == dateMemory_)) {
      Filling f;
      actualCheck_->setChecked(dateMemory_.actual);
      postingCheck_->setChecked(dateMemory_.posting);
      actualDate_->setText(dateMemory_.actualText);
      postingDate_->setText(dateMemory_.postingText);
    }
  }
  previousType_ = t;
  bool reopenFinder = false;
  if (t == EntryType::Fx) {
    const QString base = Session().settings.baseCurrency;
    if (!base.isEmpty() && currency_->currentText() != base) {
      ShowInfo(QStringLiteral("Switching home-currency to base-currency for FX transaction ..."));
      selectCurrency(currency_, base);
      reopenFinder = true;
    }
    if (foreignCcy_->currentText() == currency_->currentText() && foreignCcy_->count() > 1) {
      Filling f;
      foreignCcy_->setCurrentIndex((foreignCcy_->currentIndex() + 1) % foreignCcy_->count());
    }
  }
  updateLayout();
  if (reopenFinder) chooseExternal();
}

void TFtxnip3::paymentTypeClicked() { updateLayout(); }
void TFtxnip3::transferTypeClicked() { updateLayout(); }
void TFtxnip3::fxTypeClicked() { updateLayout(); }

void TFtxnip3::currencyChanged() {
  if (TakeQuietFlag()) return;
  Session().workingCurrency = currency_->currentText();
  external_ = secondExternal_ = internal_ = secondInternal_ = TObj();
  externalCh_ = secondExternalCh_ = TChannel();
  showSlots();
}

void TFtxnip3::foreignCurrencyChanged() {
  if (TakeQuietFlag()) return;
}

void TFtxnip3::actualToggled(bool on) {
  if (!TakeQuietFlag()) {
    if (on)
      actualDate_->setText(headerDate_->text());
    else
      actualDate_->clear();
  }
  updateDateEnabled();
}

void TFtxnip3::postingToggled(bool on) {
  if (!TakeQuietFlag()) {
    if (!on)
      postingDate_->clear();
    else if (mode_ == QChar('E') && !loaded_.postingDate.isZero())
      postingDate_->setText(DateRecToText(loaded_.postingDate));
    else if (!actualDate_->text().isEmpty())
      postingDate_->setText(actualDate_->text());
    else
      postingDate_->setText(headerDate_->text());
  }
  updateDateEnabled();
}

void TFtxnip3::stepDate(QLineEdit* edit, QChar c, bool posting) {
  if (posting && edit->text().isEmpty()) edit->setText(actualDate_->text());
  edit->setText(StepDateText(edit->text(), c));
}

void TFtxnip3::calendarInto(QLineEdit* edit, bool posting) {
  if (posting && edit->text().isEmpty()) edit->setText(actualDate_->text());
  PickDateIntoEdit(edit);
}

bool TFtxnip3::eventFilter(QObject* watched, QEvent* e) {
  if (watched == postingDate_ && e->type() == QEvent::MouseButtonPress &&
      postingDate_->text().isEmpty())
    postingDate_->setText(actualDate_->text());
  return QDialog::eventFilter(watched, e);
}

void TFtxnip3::repeatToggled(bool on) {
  if (!TakeQuietFlag() && !on) Flash(QStringLiteral("Repeat cancelled OK"));
  updateRepeatEnabled();
  updatePageCaptions();
}

void TFtxnip3::cashbackToggled(bool on) {
  if (!TakeQuietFlag()) {
    if (on) {
      TObj a;
      const int id = Session().settings.cashbackAccId;
      if (id > 0 && ReadAccount(id, a) && a.ccy == Session().workingCurrency) {
        cashAccount_ = a;
        showSlots();
      } else {
        chooseCashAccount();
      }
    } else {
      Flash(QStringLiteral("Cashback cancelled OK"));
    }
  }
  updatePageCaptions();
}

void TFtxnip3::splitToggled(bool on) {
  if (!TakeQuietFlag()) {
    if (on) {
      splitTotal_->setText(amount_->text());
      splitAmount1_->clear();
      splitAmount2_->clear();
      showSlots();
    } else {
      Flash(QStringLiteral("Split cancelled OK"));
    }
  }
  updatePageCaptions();
}

void TFtxnip3::batchClicked() {
  batchNumber_->setEnabled(batchExisting_->isChecked());
  updatePageCaptions();
}

void TFtxnip3::pageSelected(int index) {
  if (TakeQuietFlag()) return;
  switch (index) {
    case Repeat:
      if (repeat_->isEnabled()) repeat_->setChecked(true);
      break;
    case Cashback:
      cashback_->setChecked(true);
      break;
    case Split:
      split_->setChecked(true);
      break;
    case Basics:
      if (split_->isChecked()) calculateSplit();
      break;
    default:
      break;
  }
}

void TFtxnip3::pressPlusMinus() {
  QString text = amount_->text();
  int i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  if (i < text.size() && text[i] == QLatin1Char('-')) {
    text.remove(i, 1);
    amount_->setText(text);
  }
  switch (currentType()) {
    case EntryType::Payment:
    case EntryType::Receipt: {
      const bool toReceipt = currentType() == EntryType::Payment;
      {
        Filling f;
        (toReceipt ? receipt_ : payment_)->setChecked(true);
      }
      previousType_ = currentType();
      updateLayout();
      Flash(toReceipt ? QStringLiteral("Transaction is now a Receipt")
                      : QStringLiteral("Transaction is now a Payment"));
      break;
    }
    case EntryType::Transfer:
      if (isInternalTransfer()) {
        std::swap(internal_, secondInternal_);
      } else {
        std::swap(external_, secondExternal_);
        std::swap(externalCh_, secondExternalCh_);
      }
      showSlots();
      // The flash shows its text as it is, so the ampersand is written once.
      Flash(QStringLiteral("From & To accounts switched"));
      break;
    case EntryType::Fx:
      break;
  }
}

// ---- Choosing accounts ---------------------------------------------------------------

void TFtxnip3::chooseExternal() {
  const bool internalT = isInternalTransfer();
  const QString ccy = currency_->currentText();
  Session().workingCurrency = ccy;
  ChannelDirection() = currentType() == EntryType::Receipt ? QChar('R') : QChar('P');
  if (!PickAccount(internalT ? 3 : 1, internalT ? internal_.id : external_.id)) return;
  const TObj a = SelectedAccount();
  if (internalT) {
    internal_ = a;
  } else {
    if (a.ccy != ccy) {
      ShowInfo(QStringLiteral("Account in wrong currency for this transaction"));
      return;
    }
    external_ = a;
    externalCh_ = SelectedChannel();
  }
  showSlots();
}

void TFtxnip3::chooseExternalChannel() {
  if (isInternalTransfer() || external_.id == 0) return;
  TChannel ch = externalCh_;
  const QChar dir = currentType() == EntryType::Receipt ? QChar('R') : QChar('P');
  if (ChooseChannel(external_, ch, dir, false)) externalCh_ = ch;
  showSlots();
}

void TFtxnip3::chooseCounterparty() {
  ChannelDirection() = QChar('R');
  if (currentType() == EntryType::Transfer) {
    if (isInternalTransfer()) {
      if (PickAccount(3, secondInternal_.id)) secondInternal_ = SelectedAccount();
    } else if (PickAccount(1, secondExternal_.id)) {
      secondExternal_ = SelectedAccount();
      secondExternalCh_ = SelectedChannel();
    }
    showSlots();
    return;
  }
  if (!PickAccount(4, counterparty_.id)) return;
  counterparty_ = SelectedAccount();
  showSlots();
  counterpartyChosen();
}

void TFtxnip3::counterpartyChosen() {
  const EntryType t = currentType();
  if (mode_ == QChar('N')) {
    const QChar dir = t == EntryType::Receipt ? QChar('S')
                      : t == EntryType::Fx    ? QChar(' ')
                                              : QChar('P');
    applyCategoryChoice(ChooseCounterpartyCategory(counterparty_.id, dir, 1));
    return;
  }
  const QChar dir = t == EntryType::Receipt ? QChar('S') : QChar('P');
  const int r = ChooseCounterpartyCategory(counterparty_.id, dir, 2);
  TObj c;
  if (r > 0 && r != internal_.id && ReadAccount(r, c) &&
      AskYes("Also reset Category to the default for this Counterparty = " + InQuotes(c.name) +
             "?"))
    takeInternal(c);
}

void TFtxnip3::applyCategoryChoice(int result) {
  if (result == -1) return;
  TObj c;
  if (result > 0 && ReadAccount(result, c)) {
    takeInternal(c);
    return;
  }
  if (PickAccount(3, internal_.id)) takeInternal(SelectedAccount());
}

void TFtxnip3::takeInternal(const TObj& a) {
  internal_ = a;
  showSlots();
}

void TFtxnip3::chooseInternal() {
  if (counterparty_.id == 0) {
    if (PickAccount(3, internal_.id)) takeInternal(SelectedAccount());
    return;
  }
  const EntryType t = currentType();
  const QChar dir = t == EntryType::Receipt ? QChar('S')
                    : t == EntryType::Fx    ? QChar(' ')
                                            : QChar('P');
  applyCategoryChoice(ChooseCounterpartyCategory(counterparty_.id, dir, 0));
}

void TFtxnip3::useProvider() {
  TObj p;
  if (external_.heldWith <= 0 || !ReadAccount(external_.heldWith, p)) return;
  counterparty_ = p;
  showSlots();
  counterpartyChosen();
}

void TFtxnip3::chooseForeignAccount() {
  const QString fccy = foreignCcy_->currentText();
  Session().workingCurrency = fccy;
  if (!PickAccount(1, foreignAccount_.id)) return;
  const TObj a = SelectedAccount();
  if (a.ccy != fccy) {
    ShowInfo(QStringLiteral("Account in wrong currency for this transaction"));
    return;
  }
  foreignAccount_ = a;
  foreignCh_ = SelectedChannel();
  showSlots();
}

void TFtxnip3::chooseForeignChannel() {
  if (foreignAccount_.id == 0) return;
  TChannel ch = foreignCh_;
  if (ChooseChannel(foreignAccount_, ch, QChar(' '), false)) foreignCh_ = ch;
  showSlots();
}

void TFtxnip3::chooseCashAccount() {
  if (!PickAccount(1, cashAccount_.id)) return;
  cashAccount_ = SelectedAccount();
  Session().settings.cashbackAccId = cashAccount_.id;
  showSlots();
}

void TFtxnip3::chooseSplitCategory2() {
  if (PickAccount(3, split2Account_.id)) split2Account_ = SelectedAccount();
  showSlots();
}

// ---- Buttons -------------------------------------------------------------------------

void TFtxnip3::recallDescription() {
  const QString now = description_->text();
  if (!now.isEmpty() && now != lastDescription_ &&
      !ConfirmOk("Overwrite description with \"" + lastDescription_ + "\""))
    return;
  description_->setText(lastDescription_);
}

void TFtxnip3::useMidRate() {
  TDateRec d;
  if (!ParseDateText(actualDate_->text(), d)) return;
  double rate = 0;
  if (RequireRate(foreignCcy_->currentText(), DateRecToYmd(d), rate))
    rate_->setText(FormatNumber(rate, 5));
}

void TFtxnip3::calcForeign() {
  int64_t amount = 0;
  if (!ParseAmountOrWarn(amount_->text(), amount)) return;
  double rate = 0;
  ParseFloatOrZero(rate_->text(), rate);
  int64_t result = 0;
  if (!MultiplyHalfEven(amount, rate, result)) {
    ShowPlainInfo("Invalid amount " + InQuotes(amount_->text()));
    return;
  }
  foreignAmount_->setText(FormatAmount(result));
}

void TFtxnip3::calcHome() {
  double rate = 0;
  ParseFloatOrZero(rate_->text(), rate);
  if (rate == 0) return;
  int64_t foreign = 0;
  if (!ParseAmountOrWarn(foreignAmount_->text(), foreign)) return;
  int64_t result = 0;
  if (!DivideHalfEven(foreign, rate, result)) {
    ShowPlainInfo("Invalid amount " + InQuotes(foreignAmount_->text()));
    return;
  }
  amount_->setText(FormatAmount(result));
  Filling f;
  pages_->setCurrentIndex(Basics);
}

bool TFtxnip3::calculateSplit() {
  TEntrySplit s;
  s.ticked = true;
  s.totalText = splitTotal_->text();
  s.amount1Text = splitAmount1_->text();
  s.amount2Text = splitAmount2_->text();
  s.category2 = split2Account_.id;
  QString amountText = amount_->text();
  const bool ok = CheckSplit(s, internal_.id, amountText);
  splitTotal_->setText(s.totalText);
  splitAmount1_->setText(s.amount1Text);
  splitAmount2_->setText(s.amount2Text);
  amount_->setText(amountText);
  return ok;
}

// ---- Saving and closing --------------------------------------------------------------

TEntry TFtxnip3::entry() const {
  TEntry e;
  e.mode = mode_;
  e.loaded = loaded_;
  e.type = currentType();
  e.payment = credit_->isChecked() ? EntryPayment::Credit : EntryPayment::Cash;
  e.transfer = internalTransfer_->isChecked() ? EntryTransfer::Internal : EntryTransfer::External;
  e.fxType = sell_->isChecked() ? EntryFxType::Sell : EntryFxType::Buy;
  e.postingPanelShown = !isInternalTransfer() && !editingMaster();
  e.actualTicked = actualCheck_->isChecked();
  e.actualText = actualDate_->text();
  e.postingTicked = postingCheck_->isChecked();
  e.postingText = postingDate_->text();
  e.amountText = amount_->text();
  e.ccy = currency_->currentText();
  e.externalAccount = external_.id;
  e.externalChannel = externalCh_.chnum;
  e.secondExternal = secondExternal_.id;
  e.secondExternalChannel = secondExternalCh_.chnum;
  e.counterparty = counterparty_.id;
  e.internalAccount = internal_.id;
  e.secondInternal = secondInternal_.id;
  e.description = description_->text();
  e.reference = reference_->text();
  e.cancelled = cancelled_->isChecked();

  e.repeat.ticked = repeat_->isChecked();
  const QString freqs = QStringLiteral("DWMY");
  for (int i = 0; i < 4; ++i)
    if (freq_[i]->isChecked()) e.repeat.freq = freqs[i];
  e.repeat.untilText = until_->text();
  e.repeat.countText = count_->text();
  e.repeat.incrementText = increment_->text();
  e.repeat.reminderDaysText = reminder_->text();
  e.repeat.active = active_->isChecked();

  e.cashback.ticked = cashback_->isChecked();
  e.cashback.cashAccount = cashAccount_.id;
  e.cashback.amountText = cashbackAmount_->text();

  e.split.ticked = split_->isChecked();
  e.split.totalText = splitTotal_->text();
  e.split.amount1Text = splitAmount1_->text();
  e.split.amount2Text = splitAmount2_->text();
  e.split.category2 = split2Account_.id;

  e.fx.foreignCcy = foreignCcy_->currentText();
  e.fx.foreignAmountText = foreignAmount_->text();
  e.fx.foreignAccount = foreignAccount_.id;
  e.fx.foreignChannel = foreignCh_.chnum;
  e.fx.commissionText = commission_->text();
  e.fx.rateText = rate_->text();

  e.batch.choice = batchNew_->isChecked()        ? EntryBatch::New
                   : batchExisting_->isChecked() ? EntryBatch::AddToExisting
                                                 : EntryBatch::None;
  e.batch.numberText = batchNumber_->text();
  return e;
}

void TFtxnip3::pressSave() {
  // One save at a time: the busy cursor lets queued clicks through, and a
  // click that arrives after the form closed as saved must not save again.
  if (saving_ || saved_) return;
  saving_ = true;
  save_->setEnabled(false);
  BusyOn();
  const TEntry e = entry();
  TEntrySaved s;
  const bool ok = SaveEntry(e, s);
  BusyOff();
  saving_ = false;
  save_->setEnabled(true);
  if (!ok) return;

  lastInputId_ = s.lastInputId;
  if (!s.lastDescription.isEmpty()) lastDescription_ = s.lastDescription;
  loaded_ = s.txn;
  lastSaved_ = s.txn;
  if (e.payment == EntryPayment::Credit &&
      (e.type == EntryType::Payment || e.type == EntryType::Receipt) && s.txn.accId1 > 0) {
    external_ = readAccountOrEmpty(s.txn.accId1);
    externalCh_ = TChannel();
  }
  setBatchPage(s.batchAfter);
  saved_ = true;
  accept();
}

void TFtxnip3::refuseEnter() {
  ShowInfo(QStringLiteral("The Windows control which currently has focus precludes using ENTER "
                          "to save this form.") +
           "\r" + "Click on the " + save_->text() + " button instead");
}

void TFtxnip3::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    QWidget* f = focusWidget();
    if (qobject_cast<QRadioButton*>(f) || qobject_cast<QCheckBox*>(f) ||
        qobject_cast<QComboBox*>(f) || qobject_cast<QAbstractItemView*>(f))
      refuseEnter();
    else
      pressSave();
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TFtxnip3::reject() {
  if (saving_) return;
  if (mode_ == QChar('E')) setBatchPage(TEntryBatchPage());
  QDialog::reject();
}

TFtxnip3* TheEntryForm(QWidget* parent) {
  static QPointer<TFtxnip3> form;
  static bool hooked = false;
  if (!form) form = new TFtxnip3(parent);
  if (!hooked) {
    hooked = true;
    // Other books: the slots and remembered transactions belong to the old ones.
    AddDatabaseClosingHook([] {
      if (form) form->resetWorkingState();
    });
  }
  return form;
}
