#pragma once
// Currencies, exchange rates and the base-currency value of a transaction.
// A rate is units of a currency per one unit of the base currency; the base
// currency has no rate rows and its rate is always 1.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "foundation/daterec.h"
#include "store/records.h"

// True when the books have a base currency; otherwise tells the user how to enter one.
bool BaseCurrencyPresent();

// The CCY row of code (upper-cased); false when there is none.
bool ReadCurrency(const QString& code, TCcy& ccy);
// Append / change a CCY row; BASE is set exactly when the code is the base currency.
// The caller commits.
bool InsertCurrency(const TCcy& ccy);
bool UpdateCurrency(const TCcy& ccy);
// Asks, refuses while an account uses the currency or it is the base currency,
// deletes and commits.
bool DeleteCurrency(const QString& code);
// The currency form's save. codeText is trimmed and upper-cased; anything but
// three letters A-Z does nothing, silently. A new code that exists is refused.
// The first currency of an empty table becomes the base currency, in the table
// and in the settings file, once its row is written. Then the code becomes the
// working currency and the currency list is rebuilt. True when saved, with
// the code in savedCode.
bool SaveCurrency(bool isNew, const QString& codeText, const QString& name,
                  QString* savedCode = nullptr);
// "Delete rate - OK?", then the rate of code on ymd goes; commits.
bool DeleteRate(const QString& code, int32_t ymd);

// Stores a rate typed as text (the parsed value is what is stored) and commits.
// Text that is no number: false without a message; a day already stored for
// the currency is refused with a message.
bool AddRate(const QString& code, int32_t ymd, const QString& rateText);
// Asks the user for the rate of code on ymd and stores it; 0 when none was given.
double AskRate(const QString& code, int32_t ymd);
// The rate of code on ymd: the stored one, the closest earlier one when the user
// takes it, or one the user enters; 0 when the user gave none.
double RateOnDate(const QString& code, int32_t ymd);
// While one lives (they nest), RateOnDate gives a currency and date it was
// asked before the same answer again without asking: an operation that obtains
// its rates before it writes anything asks nothing, and stores no rate, later.
class RateMemo {
 public:
  RateMemo();
  ~RateMemo();
  RateMemo(const RateMemo&) = delete;
  RateMemo& operator=(const RateMemo&) = delete;
};
// RateOnDate, with a message and false when no usable rate came of it.
bool RequireRate(const QString& code, int32_t ymd, double& rate);
QString FormatRate(double x);

// amount / rate rounded to the nearest minor unit, exact halves to the even
// neighbour, computed exactly from the rate's binary value. False when the rate
// is not above 0 or the result does not fit 64 bits.
bool DivideHalfEven(int64_t amount, double rate, int64_t& result);

// Fills RATE and VAL of txn from its currency, type and transaction date.
bool SetTxnValue(TTxn& txn);

// Rebuilds the currency list from CCY and checks the base currency against the
// settings; the currency boxes are reloaded through the hook.
bool CheckBaseCurrency();
// The program-wide currency list, in the order CCY returned it.
const QStringList& CurrencyList();
// Installed by the screens that show the currency list in their boxes.
void SetCurrencyListHook(std::function<void()> reload);
