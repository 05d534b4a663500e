#include "synthetic_books.h"

#include <sys/resource.h>
#include <time.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "ledger/hierarchy.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

// 25 years of data; the period is the last of them.
constexpr int32_t kFirstDate = 20010101;
constexpr int32_t kPeriodFrom = 20250101;
constexpr int32_t kPeriodTo = 20251231;
// Rates run on past the period: the next instance of a repeater lies beyond it.
constexpr int kRateDaysAfterPeriod = 400;

// splitmix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return n <= 1 ? 0 : int(next() % uint64_t(n)); }
  bool percent(int p) { return below(100) < p; }
  double unit() { return double(next() >> 11) * 0x1.0p-53; }
  // An amount between lo and hi minor units, small ones more often.
  int64_t amount(int64_t lo, int64_t hi) {
    return int64_t(std::llround(double(lo) * std::pow(double(hi) / double(lo), unit())));
  }

 private:
  uint64_t state_;
};

// Answers the first-time installation's base currency; anything else the
// engine says is kept and fails the generation.
class GenPrompter : public Prompter {
 public:
  QStringList said;
  void showInfo(const QString& text, bool) override { said << text; }
  char askYesNoCancel(const QString& text) override {
    said << text;
    return 'C';
  }
  bool askText(const QString& prompt, const QString&, QString& text, int, int) override {
    if (prompt.startsWith(QLatin1String("VORBEK2 first time installation"))) {
      text = QStringLiteral("GBP");
      return true;
    }
    said << prompt;
    return false;
  }
  int askChoice(const QString& text, const QString&, const QString&) override {
    said << text;
    return 0;
  }
  bool pickDate(const QString& title, TDateRec&) override {
    said << title;
    return false;
  }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}
};

// Forced writes (the engine's synchronous page writes) on or off for a closed
// database file. Filling the books with them off is many times faster; they
// are turned back on before the books are handed over, as new books have them.
bool SetForcedWrites(const QString& file, bool on) {
  const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
  if (gfix.isEmpty()) return false;
  return QProcess::execute(gfix, {QStringLiteral("-write"),
                                  on ? QStringLiteral("sync") : QStringLiteral("async"), file}) ==
         0;
}

// Rows inserted many to a statement: an EXECUTE BLOCK of `perStatement`
// inserts, its parameters typed as the table's columns, prepared once; the
// rows left over at the end go one by one. Each statement run has a fixed
// cost in the driver, so fewer runs make the books many times faster.
class BulkInsert {
 public:
  BulkInsert(const QString& table, const QStringList& columns, int perStatement)
      : width_(int(columns.size())), perStatement_(perStatement) {
    const QString list = columns.join(QStringLiteral(", "));
    QStringList marks, params, inserts;
    for (int c = 0; c < width_; ++c) marks << QStringLiteral("?");
    single_.emplace("insert into " + table + " (" + list + ") values (" +
                    marks.join(QStringLiteral(", ")) + ")");
    for (int r = 0; r < perStatement_; ++r) {
      QStringList names;
      for (int c = 0; c < width_; ++c) {
        const QString name = QStringLiteral("p%1_%2").arg(r).arg(c);
        params << name + " type of column " + table + "." + columns[c] + " = ?";
        names << ":" + name;
      }
      inserts << "insert into " + table + " (" + list + ") values (" +
                     names.join(QStringLiteral(", ")) + ");";
    }
    block_.emplace("execute block (" + params.join(QStringLiteral(", ")) + ") as begin " +
                   inserts.join(QLatin1Char(' ')) + " end");
  }
  bool ok() const { return single_->ok() && block_->ok(); }
  bool add(const QVariantList& row) {
    pending_ << row;
    if (pending_.size() < qsizetype(width_) * perStatement_) return true;
    const bool done = block_->exec(pending_);
    pending_.clear();
    return done;
  }
  bool flush() {
    for (qsizetype at = 0; at < pending_.size(); at += width_)
      if (!single_->exec(pending_.mid(at, width_))) return false;
    pending_.clear();
    return true;
  }

 private:
  int width_;
  int perStatement_;
  std::optional<PreparedSql> single_;
  std::optional<PreparedSql> block_;
  QVariantList pending_;
};

class PrompterScope {
 public:
  explicit PrompterScope(Prompter* p) : previous_(InstallPrompter(p)) {}
  ~PrompterScope() { InstallPrompter(previous_); }

 private:
  Prompter* previous_;
};

int64_t jdOf(int32_t ymd) { return QDate(ymd / 10000, ymd / 100 % 100, ymd % 100).toJulianDay(); }
int32_t ymdOf(int64_t jd) {
  const QDate d = QDate::fromJulianDay(jd);
  return d.year() * 10000 + d.month() * 100 + d.day();
}

// ------------------------------------------------------------------ accounts

struct ExternalSpec {
  const char* name;
  const char* ccy;
  int group;  // index into the external groups, -1 none
  int64_t openingBalance;
  int weight;              // share of the transactions that are not on the busiest account
  int32_t reconciledUpTo;  // 0 = never reconciled
};

// The first one is the busiest account.
const ExternalSpec kExternals[] = {
    {"Current account", "GBP", 0, 150000, 0, 20250630},
    {"Joint account", "GBP", 0, 80000, 20, 20241231},
    {"Savings account", "GBP", 0, 1000000, 5, 0},
    {"Cash", "GBP", -1, 5000, 15, 0},
    {"Visa card", "GBP", 1, -20000, 20, 20250331},
    {"Master card", "GBP", 1, 0, 15, 0},
    {"Store card", "GBP", 1, 0, 5, 0},
    {"Building society", "GBP", 0, 2500000, 5, 0},
    {"Dollar account", "USD", -1, 200000, 8, 20231231},
    {"Euro account", "EUR", -1, 150000, 7, 0},
};
constexpr int kExternalCount = 10;
const char* const kExternalGroups[] = {"Banks", "Cards"};

// Internal-account groups, three levels: top, middle (2 each), leaf (2 each).
const char* const kTopGroups[] = {"Income", "Spending", "Savings pots"};
const char* const kMiddleGroups[] = {"Earned",  "Unearned",   "Household",
                                     "Leisure", "Short term", "Long term"};
const char* const kLeafGroups[] = {
    "Salary", "Freelance", "Interest",      "Gifts received",  "Food",          "Utilities",
    "Travel", "Hobbies",   "Holiday funds", "Emergency funds", "Pension funds", "House funds"};
constexpr int kLeafCount = 12;
constexpr int kPerLeaf = 5;
// Leaves 0-3 hold income categories, 4-7 spending categories, 8-11 pots.
constexpr int kFirstSpendingLeaf = 4;
constexpr int kFirstPotLeaf = 8;

const char* const kCptyGroups[] = {"Shops", "Utility companies", "Employers", "Friends",
                                   "Services"};
constexpr int kCounterparties = 500;
constexpr int kEmployers = 2;
constexpr int kFriends = 3;

const char* const kPaymentTexts[] = {"Groceries", "Fuel",     "Lunch",   "Books",   "Clothes",
                                     "Hardware",  "Tickets",  "Gift",    "Repairs", "Parking",
                                     "Pharmacy",  "Takeaway", "Haircut", "Taxi",    "Garden"};
const char* const kReceiptTexts[] = {"Invoice paid", "Refund", "Bonus", "Expenses",
                                     "Gift received"};

// ----------------------------------------------------------------- repeaters

struct MasterSpec {
  const char* narrative;
  char type;
  int external;  // index into kExternals
  int target;    // C: receiving external; P, R: leaf group of the category
  int64_t amount;
  bool active;
};

const MasterSpec kMasters[] = {
    {"Salary", 'R', 0, 0, 250000, true},
    {"Rent", 'P', 0, 5, 95000, true},
    {"Council tax", 'P', 0, 5, 15000, true},
    {"Electricity", 'P', 1, 5, 6000, true},
    {"Gym membership", 'P', 4, 7, 3500, true},
    {"Mobile phone", 'P', 0, 5, 2000, true},
    {"Monthly saving", 'C', 0, 2, 20000, true},
    {"Streaming", 'P', 5, 7, 999, true},
    {"Home insurance", 'P', 0, 5, 4500, true},
    {"Apartment rent", 'P', 8, 6, 120000, true},
    {"Water", 'P', 1, 5, 3000, true},
    {"Charity", 'P', 0, 7, 1000, true},
    {"Newspaper", 'P', 3, 7, 250, true},
    {"Pocket money", 'C', 0, 3, 5000, true},
    {"Savings interest", 'R', 2, 2, 1500, true},
    {"Car loan", 'P', 0, 6, 25000, false},
    {"Old phone contract", 'P', 0, 5, 3000, false},
    {"Magazine", 'P', 4, 7, 400, false},
    {"Euro mortgage", 'P', 9, 5, 50000, false},
    {"Pension top-up", 'P', 1, 10, 10000, false},
};
constexpr int kMasterCount = 20;

// One transaction before it gets its id.
struct Gen {
  int32_t date = 0;
  int32_t date2 = 0;  // 0 = posted on its date
  int64_t amount = 0;
  int64_t value = 0;
  double rate = 1.0;
  int32_t acc1 = 0, acc2 = 0, acc4 = 0;
  int32_t master = 0;
  int32_t instance = 0;
  int32_t channel = 0;
  int32_t serial = 0;  // order of making: ties on a date keep it
  char type = 'P';
  uint8_t ccy = 0;  // index into Builder::ccys
  bool cancelled = false;
  uint8_t text = 0;
};

class Builder {
 public:
  Builder(int transactions, uint64_t seed) : n_(transactions), rng_(seed) {}

  bool run(TSyntheticBooks& facts, QString& error);

 private:
  bool fail(const QString& what) {
    error_ = what;
    const QString db = LastDbError();
    if (!db.isEmpty()) error_ += " : " + db;
    return false;
  }
  bool makeRates();
  bool makeAccounts();
  bool makeChannels();
  bool makeMasters();
  void makeOrdinary(int count);
  void makeReconciledBalances();
  void settleReconciledBalances();
  bool writeTransactions();
  bool finishAccounts();

  double rateOn(int ccy, int32_t ymd) const {
    if (ccy == 0) return 1.0;
    return double(rates_[size_t(ccy)][size_t(jdOf(ymd) - firstJd_)]);
  }
  void value(Gen& g) const {
    g.rate = rateOn(g.ccy, g.date);
    if (g.ccy == 0)
      g.value = g.amount;
    else
      DivideHalfEven(g.amount, g.rate, g.value);
  }
  int ccyOfExternal(int e) const { return int(ccys_.indexOf(QLatin1String(kExternals[e].ccy))); }
  int pickOtherExternal(bool baseOnly, int except);
  int32_t category(int firstLeaf, int leaves) {
    return internals_[size_t(firstLeaf * kPerLeaf + rng_.below(leaves * kPerLeaf))];
  }
  int32_t counterparty(bool payer) {
    const std::vector<int32_t>& from = payer ? payers_ : payees_;
    return from[size_t(rng_.below(int(from.size())))];
  }
  QString narrative(const Gen& g) const;
  TTxn txnOf(const Gen& g, int32_t id) const;

  int n_;
  Rng rng_;
  QString error_;
  QStringList ccys_{QStringLiteral("GBP"), QStringLiteral("USD"), QStringLiteral("EUR")};
  int64_t firstJd_ = 0;
  std::vector<std::vector<float>> rates_;
  int32_t externals_[kExternalCount] = {};
  std::vector<int32_t> internals_;  // kLeafCount * kPerLeaf, by leaf
  std::vector<int32_t> payers_, payees_;
  QList<int32_t> channelsOf_[kExternalCount];
  int32_t reconciledUpTo_[kExternalCount] = {};
  std::vector<Gen> gens_;
  int serial_ = 0;
  int busyFixed_ = 0;  // postings of the busiest account from instances and reconciled balances
  // Reconciled balances per external: their dates, and where they sit in gens_.
  std::vector<int32_t> zDates_[kExternalCount];
  TSyntheticBooks facts_;
};

int Builder::pickOtherExternal(bool baseOnly, int except) {
  int total = 0;
  for (int e = 1; e < kExternalCount; ++e)
    if (e != except && (!baseOnly || ccyOfExternal(e) == 0)) total += kExternals[e].weight;
  int r = rng_.below(total);
  for (int e = 1; e < kExternalCount; ++e) {
    if (e == except || (baseOnly && ccyOfExternal(e) != 0)) continue;
    r -= kExternals[e].weight;
    if (r < 0) return e;
  }
  return 1;
}

QString Builder::narrative(const Gen& g) const {
  switch (g.type) {
    case 'P':
      return QString::fromLatin1(kPaymentTexts[g.text % std::size(kPaymentTexts)]);
    case 'R':
      return QString::fromLatin1(kReceiptTexts[g.text % std::size(kReceiptTexts)]);
    case 'C':
      return QStringLiteral("Transfer");
    case 'D':
      return QStringLiteral("Diary note %1").arg(g.serial);
    default:
      return QString();
  }
}

TTxn Builder::txnOf(const Gen& g, int32_t id) const {
  TTxn t;
  t.id = id;
  t.ccy = ccys_[g.ccy];
  t.type = QChar(g.type);
  t.txnDate = YmdToDateRec(g.date);
  t.amount = g.amount;
  t.value = g.value;
  t.rate = double(float(g.rate));  // what the single-precision RATE column keeps
  t.accId1 = g.acc1;
  t.accId2 = g.acc2;
  t.accId4 = g.acc4;
  t.channel = g.channel;
  t.cancelled = g.cancelled;
  if (g.master > 0) {
    // An instance carries its due date in all three dates.
    const MasterSpec& m = kMasters[g.master - 1];
    t.status = 2;
    t.masterId = g.master;
    t.instance = g.instance;
    t.postingDate = t.txnDate;
    t.actualDate = t.txnDate;
    t.narrative = QString::fromLatin1(m.narrative);
  } else {
    t.postingDate = YmdToDateRec(g.date2);
    // A reconciled balance is written from a new record: no actual date, no text.
    if (g.type != 'Z') t.actualDate = t.txnDate;
    t.narrative = g.type == 'Z' ? QString() : narrative(g);
    if (g.type == 'P' && g.acc1 == externals_[0] && g.text % 10 == 0)
      t.reference = QStringLiteral("CHQ %1").arg(100000 + g.serial % 900000);
  }
  return t;
}

bool Builder::makeRates() {
  firstJd_ = jdOf(kFirstDate);
  const int days = int(jdOf(kPeriodTo) - firstJd_) + kRateDaysAfterPeriod;
  rates_.assign(size_t(ccys_.size()), {});
  const double start[] = {1.0, 1.45, 1.60};
  for (int c = 1; c < ccys_.size(); ++c) {
    TCcy ccy;
    ccy.code = ccys_[c];
    ccy.name = c == 1 ? QStringLiteral("US dollar") : QStringLiteral("Euro");
    if (!InsertCurrency(ccy)) return fail("currency " + ccy.code);
    BulkInsert insert(QStringLiteral("rate"),
                      {QStringLiteral("ccycode"), QStringLiteral("rdate"), QStringLiteral("rate")},
                      100);
    if (!insert.ok()) return fail(QStringLiteral("preparing the rates"));
    double r = start[c];
    std::vector<float>& stored = rates_[size_t(c)];
    stored.reserve(size_t(days));
    for (int d = 0; d < days; ++d) {
      r *= 1.0 + (rng_.unit() - 0.5) * 0.01;
      r = std::clamp(r, start[c] * 0.75, start[c] * 1.25);
      // Rates are kept to four decimals, then as the column stores them.
      const float kept = float(std::round(r * 10000.0) / 10000.0);
      stored.push_back(kept);
      if (!insert.add({ccy.code, ymdOf(firstJd_ + d), double(kept)}))
        return fail(QStringLiteral("writing a rate"));
      ++facts_.rates;
    }
    if (!insert.flush()) return fail(QStringLiteral("writing a rate"));
  }
  if (!LocateCurrency(ccys_[0])) {
    TCcy base;
    base.code = ccys_[0];
    base.name = QStringLiteral("Pound sterling");
    if (!InsertCurrency(base)) return fail(QStringLiteral("base currency"));
  }
  return true;
}

bool Builder::makeAccounts() {
  const TDateRec opened = YmdToDateRec(kFirstDate);
  auto write = [&](int kind, const QString& name, int32_t group, const QString& ccy,
                   int64_t balance, TObj* out = nullptr) -> int32_t {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.groupId = group;
    o.ccy = ccy;
    o.openingBalance = balance;
    int64_t value = balance;
    if (ccy != ccys_[0])
      DivideHalfEven(balance, rateOn(int(ccys_.indexOf(ccy)), kFirstDate), value);
    o.openingValue = value;
    o.openDate = opened;
    if (!WriteAccount(o)) return 0;
    if (out) *out = o;
    return o.id;
  };
  const QString base = ccys_[0];

  int32_t extGroups[2];
  for (int g = 0; g < 2; ++g)
    if (!(extGroups[g] = write(kKindExternalGroup, kExternalGroups[g], 0, base, 0)))
      return fail(QStringLiteral("external group"));
  for (int e = 0; e < kExternalCount; ++e) {
    const ExternalSpec& s = kExternals[e];
    TObj o;
    externals_[e] = write(kKindExternal, s.name, s.group < 0 ? 0 : extGroups[s.group],
                          QLatin1String(s.ccy), s.openingBalance, &o);
    if (!externals_[e] || !EnsureBfdMarker(o)) return fail(QStringLiteral("external account"));
    reconciledUpTo_[e] = s.reconciledUpTo;
    facts_.externalIds << externals_[e];
  }

  int32_t tops[3], middles[6], leaves[kLeafCount];
  for (int g = 0; g < 3; ++g)
    if (!(tops[g] = write(kKindInternalGroup, kTopGroups[g], 0, base, 0)))
      return fail(QStringLiteral("internal group"));
  for (int g = 0; g < 6; ++g)
    if (!(middles[g] = write(kKindInternalGroup, kMiddleGroups[g], tops[g / 2], base, 0)))
      return fail(QStringLiteral("internal group"));
  for (int g = 0; g < kLeafCount; ++g)
    if (!(leaves[g] = write(kKindInternalGroup, kLeafGroups[g], middles[g / 2], base, 0)))
      return fail(QStringLiteral("internal group"));
  for (int g = 0; g < kLeafCount; ++g) {
    const bool pots = g >= kFirstPotLeaf;
    for (int k = 0; k < kPerLeaf; ++k) {
      // Some categories and every pot start with a balance: the wash has work to do.
      const int64_t balance = pots ? 50000 * (k + 1) : (k == 2 ? 10000 : 0);
      const int32_t id =
          write(pots ? kKindPot : kKindCategory,
                QStringLiteral("%1 %2").arg(QLatin1String(kLeafGroups[g])).arg(k + 1), leaves[g],
                base, balance);
      if (!id) return fail(QStringLiteral("internal account"));
      internals_.push_back(id);
    }
  }

  int32_t cptyGroups[5];
  for (int g = 0; g < 5; ++g)
    if (!(cptyGroups[g] = write(kKindCounterpartyGroup, kCptyGroups[g], 0, base, 0)))
      return fail(QStringLiteral("counterparty group"));
  for (int i = 1; i <= kCounterparties; ++i) {
    const int g = i % 10 == 9 ? -1 : i % 5;
    // Every seventh name has an apostrophe: names travel as parameters.
    const QString name = i % 7 == 0 ? QStringLiteral("O'Party %1").arg(i, 3, 10, QChar('0'))
                                    : QStringLiteral("Party %1").arg(i, 3, 10, QChar('0'));
    // Employers and friends pay the user; everybody but employers is paid.
    TObj o = NewObj();
    o.kind = kKindCounterparty;
    o.name = name;
    o.groupId = g < 0 ? 0 : cptyGroups[g];
    o.openDate = opened;
    o.cptyPays = g == kEmployers || g == kFriends;
    o.cptyReceives = g != kEmployers;
    if (!WriteAccount(o)) return fail(QStringLiteral("counterparty"));
    const int32_t id = o.id;
    if (g == kEmployers || g == kFriends) payers_.push_back(id);
    if (g != kEmployers) payees_.push_back(id);
  }
  return CommitIfActive() || fail(QStringLiteral("committing the accounts"));
}

bool Builder::makeChannels() {
  const struct {
    int external;
    const char* name;
    char type;
  } channels[] = {
      {0, "Debit card", 'X'}, {0, "Cheque book", 'P'}, {4, "Visa 4921", 'X'}, {5, "MC 5310", 'X'}};
  for (const auto& c : channels) {
    TChannel ch;
    ch.accId = externals_[c.external];
    ch.name = QLatin1String(c.name);
    ch.type = QChar(c.type);
    if (!WriteChannelRow(ch)) return fail(QStringLiteral("channel"));
    channelsOf_[c.external] << ch.chnum;
  }
  return true;
}

// Masters and all their instances: an active master has every instance due
// up to the period end and the first one after it, as the generator leaves
// it; an inactive one ended a year or more before.
bool Builder::makeMasters() {
  const int budget = std::max(3, n_ / 200);
  const int64_t toJd = jdOf(kPeriodTo);
  for (int i = 0; i < kMasterCount; ++i) {
    const MasterSpec& m = kMasters[i];
    const int wanted = std::max(3, budget * (1 + i % 3) / 2);
    QChar freq;
    int count = wanted;
    if (count * 31 <= 8500) {
      freq = QChar('M');
    } else if (count * 7 <= 8500) {
      freq = QChar('W');
    } else {
      freq = QChar('D');
      count = std::min(count, 8500);
    }
    // The end the instances run up to, and the start that gives `count` of them.
    const int64_t endJd = m.active ? toJd + 1 + i % 7 : toJd - 365 - 90 * (i - 15);
    TDateRec start;
    if (freq == QChar('M')) {
      start = YmdToDateRec(ymdOf(endJd));
      start.day = uint16_t(1 + (i * 7) % 28);
      AddMonths(start, -(count - 1));
    } else {
      const int step = freq == QChar('W') ? 7 : 1;
      start = YmdToDateRec(ymdOf(endJd - int64_t(step) * (count - 1)));
    }
    if (DateRecToYmd(start) < kFirstDate) start = YmdToDateRec(kFirstDate);

    TRptr r;
    r.id = i + 1;
    r.type = QChar(m.type);
    r.ccy = QLatin1String(kExternals[m.external].ccy);
    r.amount = m.amount;
    r.narrative = QLatin1String(m.narrative);
    r.accId1 = externals_[m.external];
    if (m.type == 'C') {
      r.accId2 = externals_[m.target];
    } else {
      r.accId2 = m.type == 'R' ? payers_[size_t(i)] : payees_[size_t(i * 17)];
      r.accId4 = internals_[size_t(m.target * kPerLeaf + i % kPerLeaf)];
    }
    r.sched.freq = freq;
    r.sched.rptInc = 1;
    r.sched.startDate = start;
    r.sched.active = m.active;
    if (!m.active) r.sched.endDate = YmdToDateRec(ymdOf(endJd));
    const int ccy = ccyOfExternal(m.external);

    // Instance n falls on start + (n - 1) steps; days and weeks never overflow
    // a month and the monthly start day is at most 28, so no roll-over either.
    const int64_t startJd = jdOf(DateRecToYmd(start));
    for (int n = 1;; ++n) {
      int32_t due;
      if (freq == QChar('M')) {
        TDateRec d = start;
        AddPeriods(d, n - 1, freq);
        RollDayOverflow(d);
        due = DateRecToYmd(d);
      } else {
        due = ymdOf(startJd + int64_t(freq == QChar('W') ? 7 : 1) * (n - 1));
      }
      if (!m.active && due > ymdOf(endJd)) break;
      Gen g;
      g.date = due;
      g.type = m.type;
      g.ccy = uint8_t(ccy);
      g.amount = m.amount;
      g.acc1 = r.accId1;
      g.acc2 = r.accId2;
      g.acc4 = r.accId4;
      g.master = r.id;
      g.instance = n;
      g.serial = serial_++;
      value(g);
      gens_.push_back(g);
      if (r.accId1 == externals_[0] || r.accId2 == externals_[0]) ++busyFixed_;
      r.sched.genTo = n;
      ++facts_.instances;
      if (m.active && due > kPeriodTo) break;
    }
    if (!WriteRptrRow(r)) return fail(QStringLiteral("repeater master"));
    ++facts_.masters;
  }
  return true;
}

// Reconciled balances at every year end before the reconciled date and on it.
void Builder::makeReconciledBalances() {
  for (int e = 0; e < kExternalCount; ++e) {
    const int32_t upTo = reconciledUpTo_[e];
    if (upTo == 0) continue;
    for (int year = kFirstDate / 10000; year * 10000 + 1231 < upTo; ++year)
      zDates_[e].push_back(year * 10000 + 1231);
    zDates_[e].push_back(upTo);
    for (int32_t date : zDates_[e]) {
      Gen g;
      g.date = date;
      g.type = 'Z';
      g.ccy = uint8_t(ccyOfExternal(e));
      g.acc1 = externals_[e];
      g.serial = serial_++;
      gens_.push_back(g);
      if (e == 0) ++busyFixed_;
      ++facts_.reconciledBalances;
    }
  }
}

void Builder::makeOrdinary(int count) {
  const int64_t firstJd = jdOf(kFirstDate);
  const int days = int(jdOf(kPeriodTo) - firstJd) + 1;
  const int busyTarget = std::min(50000, n_ / 2);
  // Share of the transactions with an external account that use the busiest one.
  const double busyShare =
      std::clamp(double(busyTarget - busyFixed_) / (0.99 * std::max(1, count)), 0.0, 0.95);
  auto busy = [&] { return rng_.unit() < busyShare; };

  for (int i = 0; i < count; ++i) {
    Gen g;
    g.date = ymdOf(firstJd + rng_.below(days));
    g.serial = serial_++;
    g.text = uint8_t(rng_.below(250));
    const int kind = rng_.below(1000);
    if (kind < 10) {
      g.type = 'D';
      gens_.push_back(g);
      continue;
    }
    g.cancelled = rng_.below(100) == 0;
    if (kind < 110) {
      g.type = 'C';
      int from, to;
      if (busy()) {
        from = 0;
        to = pickOtherExternal(true, 0);
        if (rng_.percent(50)) std::swap(from, to);
      } else {
        from = pickOtherExternal(true, 0);
        to = pickOtherExternal(true, from);
      }
      g.acc1 = externals_[from];
      g.acc2 = externals_[to];
      g.amount = rng_.amount(20, 200) * 1000;
    } else {
      g.type = kind < 260 ? 'R' : 'P';
      const int e = busy() ? 0 : pickOtherExternal(false, 0);
      g.acc1 = externals_[e];
      g.ccy = uint8_t(ccyOfExternal(e));
      g.acc2 = counterparty(g.type == 'R');
      if (g.type == 'R') {
        g.acc4 = category(0, kFirstSpendingLeaf);
        g.amount = rng_.amount(5000, 300000);
      } else {
        const int r = rng_.below(100);
        // Mostly spending categories, some from pots: every payment has its
        // internal account, as the entry form demands.
        g.acc4 = r < 90 ? category(kFirstSpendingLeaf, kFirstPotLeaf - kFirstSpendingLeaf)
                        : category(kFirstPotLeaf, kLeafCount - kFirstPotLeaf);
        g.amount = rng_.amount(100, 60000);
        if (!channelsOf_[e].isEmpty() && rng_.percent(70))
          g.channel = channelsOf_[e][rng_.below(int(channelsOf_[e].size()))];
        // Card payments often post a few days later, never across a period boundary.
        if (kExternals[e].group == 1 && rng_.percent(50)) {
          const int32_t later = ymdOf(jdOf(g.date) + 1 + rng_.below(3));
          const bool straddles = (g.date < kPeriodFrom && later >= kPeriodFrom) ||
                                 (g.date <= kPeriodTo && later > kPeriodTo);
          if (!straddles) g.date2 = later;
        }
      }
    }
    value(g);
    gens_.push_back(g);
    if (g.cancelled) ++facts_.cancelled;
  }
}

// A reconciled balance states the account's balance at the end of its date:
// the opening balance plus every amount posted up to then.
void Builder::settleReconciledBalances() {
  std::vector<int64_t> sums[kExternalCount];
  int slot[kExternalCount];
  for (int e = 0; e < kExternalCount; ++e) {
    sums[e].assign(zDates_[e].size(), 0);
    slot[e] = -1;
  }
  QHash<int32_t, int> externalIndex;
  for (int e = 0; e < kExternalCount; ++e) externalIndex.insert(externals_[e], e);
  for (size_t i = 0; i < gens_.size(); ++i) {
    const Gen& g = gens_[i];
    if (g.type == 'Z') continue;
    for (const TPstg& p : PostingsOf(txnOf(g, int32_t(i + 1)))) {
      const int e = externalIndex.value(p.account, -1);
      if (e < 0 || zDates_[e].empty()) continue;
      const int32_t d = StoredDate(p.postingDate);
      const auto at = std::lower_bound(zDates_[e].begin(), zDates_[e].end(), d);
      if (at != zDates_[e].end()) sums[e][size_t(at - zDates_[e].begin())] += p.amount;
    }
  }
  for (Gen& g : gens_) {
    if (g.type != 'Z') continue;
    const int e = externalIndex.value(g.acc1);
    int64_t balance = kExternals[e].openingBalance;
    const size_t k = size_t(++slot[e]);
    for (size_t j = 0; j <= k; ++j) balance += sums[e][j];
    g.amount = balance;
    g.value = balance;
    g.rate = 1.0;
  }
}

bool Builder::writeTransactions() {
  auto columns = [](const char* list) {
    return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
  };
  BulkInsert txn(QStringLiteral("txn"),
                 columns("id,ccy,instance,txndate,date2,amt,val,rate,ref,\"type\",narrative,"
                         "cancelled,accid1,accid2,accid3,accid4,dpdate,masterid,chnum,"
                         "actualtxndate,batchnum,createts,createdate,createtime"),
                 25);
  BulkInsert pstg(QStringLiteral("pstg"),
                  columns("contra,txntype,pstgdate,seq,ccy,amt,val,rngbal,recamt,reconcode,"
                          "dppstgdate,dprngbal,chnum,batchnum,rprts,txnid,objid"),
                  40);
  if (!txn.ok() || !pstg.ok()) return fail(QStringLiteral("preparing the inserts"));
  QHash<int32_t, int32_t> reconciledUpTo;
  for (int e = 0; e < kExternalCount; ++e)
    if (reconciledUpTo_[e]) reconciledUpTo.insert(externals_[e], reconciledUpTo_[e]);
  QSet<QString> pairs;
  const QVariant noStamp(QMetaType::fromType<QDateTime>());
  const int32_t busy = externals_[0];
  int64_t busyFinal = kExternals[0].openingBalance;
  int busyPostings = 0;
  int32_t previousDate = 0;

  for (size_t i = 0; i < gens_.size(); ++i) {
    const Gen& g = gens_[i];
    const TTxn t = txnOf(g, int32_t(i + 1));
    // Made at nine on its own day, a second apart.
    const QDateTime created(QDate::fromJulianDay(jdOf(g.date)),
                            QTime(9, 0).addSecs(int(i % 30000)));
    int32_t createDate = 0, createTime = 0;
    StampToNumbers(created, createDate, createTime);
    const bool firstOfDay = g.date != previousDate;
    previousDate = g.date;
    if (!txn.add({t.id,
                  t.ccy,
                  t.instance,
                  g.date,
                  StoredDate(t.postingDate),
                  qlonglong(t.amount),
                  qlonglong(t.value),
                  t.rate,
                  t.reference,
                  QString(t.type),
                  t.narrative,
                  t.cancelled ? 1 : 0,
                  t.accId1,
                  t.accId2,
                  0,
                  t.accId4,
                  firstOfDay ? 1 : 0,
                  t.masterId,
                  t.channel,
                  StoredDate(t.actualDate),
                  0,
                  created,
                  createDate,
                  createTime}))
      return fail(QStringLiteral("writing transaction %1").arg(t.id));
    ++facts_.transactions;
    if ((g.type == 'P' || g.type == 'R') && g.acc2 && g.acc4)
      pairs.insert(
          QStringLiteral("%1 %2 %3").arg(g.acc2).arg(g.acc4).arg(g.type == 'P' ? 'P' : 'S'));

    for (TPstg p : PostingsOf(t)) {
      const int32_t upTo = reconciledUpTo.value(p.account, 0);
      if (upTo && p.type != QChar('Z') && StoredDate(p.postingDate) <= upTo) p.reconcileCode = 1;
      if (!pstg.add({p.contra, QString(p.type), StoredDate(p.postingDate), p.seq, p.ccy,
                     qlonglong(p.amount), qlonglong(p.value), qlonglong(p.runningBalance),
                     qlonglong(p.reconciledAmount), p.reconcileCode, p.firstOfDay ? 1 : 0,
                     p.balanceShown ? 1 : 0, p.channel, p.batch, noStamp, p.txnId, p.account}))
        return fail(QStringLiteral("writing a posting of transaction %1").arg(t.id));
      ++facts_.postings;
      if (p.account == busy) {
        ++busyPostings;
        busyFinal += p.amount;
      }
    }
  }

  if (!txn.flush() || !pstg.flush()) return fail(QStringLiteral("writing the last transactions"));
  PreparedSql pair(QStringLiteral(
      "insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) values (?, ?, ?, 0)"));
  QStringList sorted(pairs.begin(), pairs.end());
  sorted.sort();
  for (const QString& key : sorted) {
    const QStringList part = key.split(QLatin1Char(' '));
    if (!pair.exec({part[0].toInt(), part[1].toInt(), part[2]}))
      return fail(QStringLiteral("counterparty categories"));
  }
  facts_.busiestAccount = busy;
  facts_.busiestPostings = busyPostings;
  facts_.busiestFinal = busyFinal;
  return CommitIfActive() || fail(QStringLiteral("committing the transactions"));
}

bool Builder::finishAccounts() {
  for (int e = 0; e < kExternalCount; ++e) {
    if (!reconciledUpTo_[e]) continue;
    TObj o;
    if (!ReadAccount(externals_[e], o)) return fail(QStringLiteral("reading an account"));
    o.reconciledText = YmdToText(reconciledUpTo_[e]);
    if (!WriteAccount(o)) return fail(QStringLiteral("marking an account reconciled"));
  }
  if (!CommitIfActive()) return fail(QStringLiteral("committing the accounts"));
  if (!RebuildPaths()) return fail(QStringLiteral("rebuilding the paths"));
  Session().settings.resetPaths = false;  // the first installation asked for it; done now
  return true;
}

bool Builder::run(TSyntheticBooks& facts, QString& error) {
  facts_.firstDate = kFirstDate;
  facts_.periodFrom = kPeriodFrom;
  facts_.periodTo = kPeriodTo;
  // Each step is announced on the status line (the benchmarks can show it with times).
  auto step = [](const char* what) {
    ShowStatus(QStringLiteral("Synthetic books : ") + QLatin1String(what));
    return true;
  };
  const bool ok = step("rates") && makeRates() && step("accounts") && makeAccounts() &&
                  makeChannels() && step("repeaters") && makeMasters();
  if (ok) {
    step("transactions in memory");
    makeReconciledBalances();
    makeOrdinary(std::max(0, n_ - int(gens_.size())));
    // Ids follow the dates; on one date the order of making.
    std::sort(gens_.begin(), gens_.end(), [](const Gen& a, const Gen& b) {
      return a.date != b.date ? a.date < b.date : a.serial < b.serial;
    });
    settleReconciledBalances();
  }
  const bool done = ok && step("writing transactions") && writeTransactions() && step("paths") &&
                    finishAccounts() && step("closing");
  if (!done) {
    RollbackIfActive();
    error = error_;
    return false;
  }
  facts = facts_;
  return true;
}

}  // namespace

bool MakeSyntheticBooks(const QString& folder, int transactions, uint64_t seed,
                        TSyntheticBooks* facts, QString* error) {
  QString why;
  auto failed = [&](const QString& text) {
    if (error) *error = text;
    return false;
  };
  if (transactions < 1000) return failed(QStringLiteral("at least 1,000 transactions"));
  GenPrompter prompter;
  PrompterScope scope(&prompter);
  // The books are made on a fixed day, so that every stamp in them is the same
  // each time too; the machine's clock is back afterwards.
  SetClock(QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
  struct ClockBack {
    ~ClockBack() { ResetClock(); }
  } clockBack;
  QString dataFolder = QDir(folder).absolutePath();
  if (!dataFolder.endsWith(QLatin1Char('/'))) dataFolder += QLatin1Char('/');
  if (!CreateEmptyBooks(dataFolder, why)) return failed(why);
  const QString file = dataFolder + QLatin1String(kDatabaseFileName);
  const bool fast = SetForcedWrites(file, false);
  ResetSession();
  Session().dataFolder = dataFolder;
  if (!OpenDatabase()) return failed("opening: " + prompter.said.join(" | "));

  TSyntheticBooks made;
  Builder builder(transactions, seed);
  const bool ok = builder.run(made, why);
  if (ok && prompter.said.isEmpty()) {
    TSession& s = Session();
    s.settings.periodType = 0;  // a fixed period: opening the books later keeps it
    s.settings.lastGenTo = made.periodTo;
    SetPeriodDates(made.periodFrom, made.periodTo);
    SetRebalanceNeeded(true);
  }
  CloseDatabase(ok);
  ShowStatus(QString());
  if (fast && !SetForcedWrites(file, true)) return failed("cannot turn forced writes on again");
  if (!ok) return failed(why + (prompter.said.isEmpty() ? "" : " | " + prompter.said.join(" | ")));
  if (!prompter.said.isEmpty()) return failed("the engine said: " + prompter.said.join(" | "));
  if (facts) *facts = made;
  return true;
}

bool OpenSyntheticBooks(const QString& folder, QString* error) {
  QString dataFolder = QDir(folder).absolutePath();
  if (!dataFolder.endsWith(QLatin1Char('/'))) dataFolder += QLatin1Char('/');
  ResetSession();
  Session().dataFolder = dataFolder;
  if (OpenDatabase()) return true;
  if (error) *error = "cannot open the books in " + dataFolder;
  return false;
}

int ParseBenchSize(const QString& text) {
  QString t = text.trimmed().toLower();
  int factor = 1;
  if (t.endsWith(QLatin1Char('k'))) {
    factor = 1000;
    t.chop(1);
  } else if (t.endsWith(QLatin1Char('m'))) {
    factor = 1000000;
    t.chop(1);
  }
  bool ok = false;
  const int n = t.toInt(&ok);
  return ok && n > 0 && n <= 20000000 / factor ? n * factor : 0;
}

namespace {
qint64 processCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
         qint64(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}
qint64 wallNowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
}  // namespace

void TBenchClock::start() {
  wallStart_ = wallNowMs();
  cpuStart_ = processCpuMs();
}
qint64 TBenchClock::wallMs() const { return wallNowMs() - wallStart_; }
qint64 TBenchClock::cpuMs() const { return processCpuMs() - cpuStart_; }
