#pragma once
// In-memory date and time records used by the date arithmetic. Dates are stored
// everywhere else as yyyymmdd numbers; 0 means "no date", 99999999 "open-ended".
#include <cstdint>

struct TDateRec {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t day = 0;
  bool isZero() const { return year == 0 && month == 0 && day == 0; }
  friend bool operator==(const TDateRec&, const TDateRec&) = default;
};

struct TTimeRec {
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  friend bool operator==(const TTimeRec&, const TTimeRec&) = default;
};

struct TStampRec {
  TDateRec date;
  TTimeRec time;
  friend bool operator==(const TStampRec&, const TStampRec&) = default;
};

constexpr int32_t kNoDate = 0;
constexpr int32_t kOpenEnded = 99999999;
