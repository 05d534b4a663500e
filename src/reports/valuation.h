#pragma once
// The valuation of the period's closing balances: every external account's
// balance valued in the base currency at the rate stored for the To date,
// the internal accounts' balances, their sums and the difference that is the
// FX gain or loss since it was last posted.
#include <QList>
#include <QString>
#include <cstdint>

struct TValuationExternalRow {
  int32_t id = 0;
  QString name;
  QString ccy;
  double rate = 1;             // 1 for a base-currency account
  int64_t broughtForward = 0;  // MOVTG.PDBFD
  int64_t balance = 0;         // MOVTG.PDCFD
  int64_t value = 0;           // balance / rate, half to even
};

struct TValuationInternalRow {
  int32_t id = 0;
  QString name;
  QString ccy;
  int64_t broughtForward = 0;
  int64_t balance = 0;
};

struct TValuation {
  int32_t from = 0;
  int32_t to = 0;
  QList<TValuationExternalRow> external;  // by name, case folded
  QList<TValuationInternalRow> internal;
  int64_t internalTotal = 0;   // T1: every internal MOVTG row
  int64_t internalListed = 0;  // T2: the internal rows listed
  int64_t baseValue = 0;       // Vb
  int64_t foreignValue = 0;    // Vf
  int64_t total = 0;           // Vb + Vf
  int64_t difference = 0;      // D = Vb + Vf - T1

  QString caption() const;  // "Account values  " + From + " to " + To
};

// The valuation for the period from..to. Refused, after saying why, when a
// transaction straddles To, a rebalance is pending, a foreign currency has no
// rate above 0 stored for To, or a value or sum does not fit 64 bits.
// "Internal values differ …" is said when T1 and T2 disagree; the figures
// stand all the same.
bool ComputeValuation(int32_t from, int32_t to, TValuation& v);
