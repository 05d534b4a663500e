#pragma once
// The repeaters list: one row per repeater master (all, or the active ones)
// with the names of its four accounts and the texts its columns show. The
// repeaters window and vorbek-cli show the same rows.
#include <QList>
#include <QString>
#include <cstdint>

struct TRptrListRow {
  int32_t id = 0;
  int32_t startDate = 0;  // yyyymmdd
  int32_t endDate = 0;    // 0 or 99999999: no end
  QString freq;           // the code, trimmed
  int32_t rptInc = 0;
  QString type;  // "P", "R", "C" or empty
  int64_t amount = 0;
  int32_t genTo = 0;
  QString narrative;
  bool active = false;
  QString accName[4];

  QString freqText() const { return QString::number(rptInc) + freq; }  // "1M", "2W"
  QString typeText() const;                                            // "Payt/Purch" …
  QString amountText() const;                                          // "1,250.00"
  QString startText() const;                                           // yyyy-mm-dd
  QString endText() const;                                             // empty for no end
  QString activeText() const { return active ? QStringLiteral("ACTIVE") : QString(); }
};

// The masters by id; false when the query failed.
bool ListRepeaters(bool activeOnly, QList<TRptrListRow>& rows);
// The row holding id; -1 when none.
int RepeaterRowOf(const QList<TRptrListRow>& rows, int32_t id);
