#pragma once
// What the currencies list and a currency's rates list show: the CCY rows in
// key order with the base one marked, and one currency's rates by date.
#include <QList>
#include <QString>
#include <cstdint>

struct TCurrencyRow {
  QString code;
  QString name;
  bool base = false;
  QString baseText() const;  // "**" on the base currency
};

struct TRateRow {
  int32_t date = 0;  // yyyymmdd
  double rate = 0;   // as stored
  QString dateText() const;
  QString rateText() const;  // FormatRate
};

// False when the query failed.
bool CurrencyRows(QList<TCurrencyRow>& rows);
bool RateRows(const QString& code, QList<TRateRow>& rows);
