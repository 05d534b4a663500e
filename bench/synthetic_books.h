#pragma once
// Synthetic books for the benchmarks: a real set of books at the current
// version, made by the program's own opening, filled with 25 years of
// transactions that post exactly as the engine posts them.
//
// The same folder, size and seed always give the same books: ten external
// accounts (one in USD and one in EUR, with a rate for every day), 60
// categories and pots in three levels of groups, 500 counterparties in five
// groups, 20 repeater masters with their instances, reconciled balances on
// four accounts (their postings up to the reconciled date marked), some
// cancelled and some diary transactions. The period is the last year of the
// data and the books are left needing a rebalance.
#include <QList>
#include <QString>
#include <QtGlobal>
#include <cstdint>

struct TSyntheticBooks {
  int32_t firstDate = 0;   // earliest transaction date
  int32_t periodFrom = 0;  // the period set in the books (the last year)
  int32_t periodTo = 0;
  QList<int32_t> externalIds;  // the ten external accounts
  int32_t busiestAccount = 0;  // the external account with the most postings
  int busiestPostings = 0;     // its postings (every type but the b/fd marker)
  int64_t busiestFinal = 0;    // its opening balance plus all its amounts
  int transactions = 0;        // TXN rows written
  int postings = 0;            // PSTG rows written (b/fd markers included)
  int instances = 0;           // repeater instances among the transactions
  int masters = 0;             // RPTR rows
  int reconciledBalances = 0;  // type-Z transactions
  int cancelled = 0;
  int rates = 0;
};

// Creates new books in folder (made when missing; refused when it already
// holds vorbek.fdb) with about `transactions` transactions (at least 1,000),
// leaves them closed with their settings saved and fills facts. The busiest
// account carries min(50,000, transactions / 2) postings, near enough. The
// first-time installation's question is answered by the generator itself
// (base currency GBP); anything else the engine says fails the generation.
// The program's clock stands at 2026-01-02 09:00 meanwhile (every stamp in
// the books is fixed too) and follows the machine's clock again afterwards.
// False with error set when something failed.
bool MakeSyntheticBooks(const QString& folder, int transactions, uint64_t seed,
                        TSyntheticBooks* facts = nullptr, QString* error = nullptr);

// Opens books made above (resetting the session first) with the prompter the
// caller installed; false with error set when they cannot be opened.
bool OpenSyntheticBooks(const QString& folder, QString* error = nullptr);

// A size given on a benchmark's command line: "10000", "10k", "1M"; 0 when
// the text is none of these.
int ParseBenchSize(const QString& text);

// Wall-clock and processor time (this process, the embedded engine included)
// since start(), in milliseconds. The machine may be shared: processor time
// shows the work done whatever else runs.
class TBenchClock {
 public:
  TBenchClock() { start(); }
  void start();
  qint64 wallMs() const;
  qint64 cpuMs() const;

 private:
  qint64 wallStart_ = 0;
  qint64 cpuStart_ = 0;
};
