#include "ledger/currencies.h"

#include <QHash>
#include <QPair>
#include <QRegularExpression>
#include <QSqlQuery>
#include <cmath>
#include <limits>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "store/db.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

QStringList g_currencyList;
std::function<void()> g_currencyListHook;

QString baseCode() { return Session().settings.baseCurrency.trimmed(); }

int g_memoDepth = 0;
QHash<QPair<QString, int32_t>, double> g_memo;

using u128 = unsigned __int128;

}  // namespace

bool BaseCurrencyPresent() {
  if (!baseCode().isEmpty()) return true;
  ShowInfo(QStringLiteral(
      "Use main menu option \"Currencies\" to enter base-currency (with rate = 1.0000)"));
  return false;
}

bool ReadCurrency(const QString& code, TCcy& ccy) { return ReadCcyRow(code.toUpper(), ccy); }

bool InsertCurrency(const TCcy& ccy) {
  TCcy c = ccy;
  c.base = c.code == baseCode();
  return WriteCcyRow(c);
}

bool UpdateCurrency(const TCcy& ccy) {
  if (!LocateCurrency(ccy.code)) return true;  // nothing to change
  return InsertCurrency(ccy);
}

bool DeleteCurrency(const QString& code) {
  if (!AskYes("OK to delete currency " + code + " ?")) return false;
  const int used = CountRows(QStringLiteral("account"), QStringLiteral("ccy = ?"), {code});
  if (used < 0) return false;
  if (used > 0) {
    ShowInfo("Cannot delete currency " + code + " - account(s) exist for it");
    return false;
  }
  // Without its row the books would have no base currency at all.
  TCcy row;
  if (code == baseCode() || (ReadCcyRow(code, row) && row.base)) {
    ShowInfo("Cannot delete currency " + code + " - it is the base currency");
    return false;
  }
  if (!ExecSql(QStringLiteral("delete from ccy where ccy.id = ?"), {code}) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  CheckBaseCurrency();
  return true;
}

bool SaveCurrency(bool isNew, const QString& codeText, const QString& name, QString* savedCode) {
  const QString code = codeText.trimmed().toUpper();
  static const QRegularExpression threeLetters(QStringLiteral("^[A-Z]{3}$"));
  if (!threeLetters.match(code).hasMatch()) return false;
  TCcy c{code, name.left(kCcyNameWidth), false};
  bool first = false;
  if (isNew) {
    if (LocateCurrency(code)) {
      ShowInfo("Currency " + code + " already exists");
      return false;
    }
    const int count = CountAll(QStringLiteral("ccy"));
    if (count < 0) return false;
    first = count == 0;
    c.base = first || code == baseCode();
    if (!WriteCcyRow(c) || !CommitIfActive()) {
      RollbackIfActive();
      return false;
    }
  } else if (!UpdateCurrency(c) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  TSession& s = Session();
  if (first) {
    s.settings.baseCurrency = code;
    SaveDatabaseIni();
  }
  s.workingCurrency = code;
  CheckBaseCurrency();
  if (savedCode) *savedCode = code;
  return true;
}

bool DeleteRate(const QString& code, int32_t ymd) {
  if (!AskYes(QStringLiteral("Delete rate - OK?"))) return false;
  return ExecSqlCommitted(QStringLiteral("delete from rate where (rdate = ?) and (ccycode = ?)"),
                          {ymd, code});
}

bool AddRate(const QString& code, int32_t ymd, const QString& rateText) {
  double rate = 0;
  if (!ParseFloatOrZero(rateText, rate)) return false;
  if (!(rate > 0)) {
    ShowInfo(QStringLiteral("Rate must be > 0"));
    return false;
  }
  // A rate too small to keep its precision is refused rather than changed.
  if (!std::isnormal(rate)) {
    ShowInfo("Rate " + rateText.trimmed() + " is out of range");
    return false;
  }
  const int stored =
      CountRows(QStringLiteral("rate"), QStringLiteral("ccycode = ? and rdate = ?"), {code, ymd});
  if (stored < 0) return false;
  if (stored > 0) {
    ShowInfo("Rate for " + code + " on " + YmdToText(ymd) + " already exists");
    return false;
  }
  return ExecSqlCommitted(
      QStringLiteral("insert into rate (ccycode, rdate, rate) values (?, ?, ?)"),
      {code, ymd, rate});
}

double AskRate(const QString& code, int32_t ymd) {
  QString text;
  if (!AskText("&Enter mid-market exchange rate (per 1 " + baseCode() + ")" + "\r" + "for " + code +
                   " on " + YmdToText(ymd),
               text))
    return 0;
  if (!AddRate(code, ymd, text)) return 0;
  double rate = 0;
  ParseFloatOrZero(text, rate);
  return rate;
}

RateMemo::RateMemo() { ++g_memoDepth; }

RateMemo::~RateMemo() {
  if (--g_memoDepth == 0) g_memo.clear();
}

namespace {

double lookUpRate(const QString& code, int32_t ymd);

}  // namespace

double RateOnDate(const QString& code, int32_t ymd) {
  if (g_memoDepth == 0) return lookUpRate(code, ymd);
  const auto key = qMakePair(code, ymd);
  const auto known = g_memo.constFind(key);
  if (known != g_memo.constEnd()) return *known;
  const double rate = lookUpRate(code, ymd);
  g_memo.insert(key, rate);
  return rate;
}

namespace {

double lookUpRate(const QString& code, int32_t ymd) {
  bool ok = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select r.rdate, r.rate from rate r "
                              "where (r.ccycode = ?) and (r.rdate <= ?) order by r.rdate"),
               {code, ymd}, &ok);
  if (!ok) return 0;
  bool found = false;
  int32_t lastDate = 0;
  double lastRate = 0;
  while (q.next()) {
    found = true;
    lastDate = q.value(0).toInt();
    lastRate = q.value(1).toDouble();
  }
  q = QSqlQuery();
  if (!found) return AskRate(code, ymd);
  if (lastDate == ymd) return lastRate;
  switch (AskChoice(
      "No " + code + " rate found for " + YmdToText(ymd) + ", closest is " + YmdToText(lastDate),
      QStringLiteral("Enter new"), QStringLiteral("Use closest"))) {
    case 1:
      return AskRate(code, ymd);
    case 2:
      return lastRate;
    default:
      return 0;
  }
}

}  // namespace

bool RequireRate(const QString& code, int32_t ymd, double& rate) {
  rate = RateOnDate(code, ymd);
  if (rate > 0) return true;
  ShowInfo("Use main menu option \"Currencies\" to specify a rate for " + code + " on " +
           YmdToText(ymd));
  return false;
}

QString FormatRate(double x) { return FormatNumber(x, 5); }

bool DivideHalfEven(int64_t amount, double rate, int64_t& result) {
  if (!(rate > 0) || !std::isfinite(rate)) return false;
  // rate = mant * 2^exp exactly, mant a 53-bit integer.
  int exp = 0;
  const double frac = std::frexp(rate, &exp);
  uint64_t mant = uint64_t(std::ldexp(frac, 53));
  exp -= 53;
  while ((mant & 1) == 0) {
    mant >>= 1;
    ++exp;
  }
  const bool negative = amount < 0;
  const u128 q = negative ? u128(-(amount + 1)) + 1 : u128(amount);
  // |amount| / rate = q * 2^-exp / mant.
  u128 quot = 0;
  u128 rem = 0;
  u128 den = mant;
  if (exp >= 0) {
    if (exp > 64) {  // den > 2^64 > 2q: the result rounds to 0
      result = 0;
      return true;
    }
    den = u128(mant) << exp;
    quot = q / den;
    rem = q % den;
  } else {
    quot = q / den;
    rem = q % den;
    const u128 limit = u128(1) << 64;
    for (int i = 0; i < -exp; ++i) {  // shift in one bit at a time, exactly
      quot <<= 1;
      rem <<= 1;
      if (rem >= den) {
        rem -= den;
        quot += 1;
      }
      if (quot >= limit) return false;
    }
  }
  const u128 twice = rem << 1;
  if (twice > den || (twice == den && (quot & 1) != 0)) quot += 1;
  const u128 maxMagnitude = negative ? u128(std::numeric_limits<int64_t>::max()) + 1
                                     : u128(std::numeric_limits<int64_t>::max());
  if (quot > maxMagnitude) return false;
  result = negative ? int64_t(-(quot - 1)) - 1 : int64_t(quot);
  return true;
}

bool SetTxnValue(TTxn& txn) {
  if (txn.ccy.trimmed() == baseCode()) {
    txn.rate = 1.0;
    txn.value = txn.amount;
    return true;
  }
  if (txn.type == QChar('C')) return false;
  double rate = 0;
  if (!RequireRate(txn.ccy.trimmed(), StoredDate(txn.txnDate), rate)) return false;
  int64_t value = 0;
  if (!DivideHalfEven(txn.amount, rate, value)) {
    ShowInfo("Value of " + FormatAmount(txn.amount) + " " + txn.ccy + " at rate " +
             FormatRate(rate) + " is out of range");
    return false;
  }
  txn.rate = rate;
  txn.value = value;
  return true;
}

bool CheckBaseCurrency() {
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select c.id, c.base  from ccy c"), {}, &ok);
  if (!ok) return false;
  QStringList codes;
  QString tableBase;
  while (q.next()) {
    const QString code = q.value(0).toString().trimmed();
    codes << code;
    if (q.value(1).toInt() == 1) tableBase = code;  // the last such row wins
  }
  q = QSqlQuery();
  if (codes.isEmpty()) {
    ShowInfo(QStringLiteral("Use main menu \"Currencies\" to enter a Base Currency"));
    return false;
  }
  g_currencyList = codes;
  if (tableBase.isEmpty()) {
    ShowProgramError(QStringLiteral("Currency list does not include a Base Currency"));
    return false;
  }
  TDbSettings& st = Session().settings;
  if (tableBase != st.baseCurrency.trimmed() &&
      AskYes("Error : Base Currency mismatch " + tableBase + " " + st.baseCurrency +
             " - OK to reset?"))
    st.baseCurrency = tableBase;
  if (g_currencyListHook) g_currencyListHook();
  return true;
}

const QStringList& CurrencyList() { return g_currencyList; }

void SetCurrencyListHook(std::function<void()> reload) { g_currencyListHook = std::move(reload); }
