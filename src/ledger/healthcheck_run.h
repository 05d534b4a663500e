#pragma once
// What the table scans of one healthcheck run share: the mode, the log with
// its counters and cap, the fix door (one unit of work per fix, committed),
// the countdown with its abort test, and what one table tells the next.
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "ledger/healthcheck.h"

// Rows are read in blocks of this many, keyed by id: a fix commits, and a
// commit ends every open query.
inline constexpr int kHcBlockRows = 2000;

struct THcCounts {
  int autoErrors = 0;
  int manualErrors = 0;
  int housekeeping = 0;
};

// An account as the other scans look it up.
struct THcAccount {
  int kind = 0;
  int32_t groupId = 0;
  QString ccy;
  QString name;
  int32_t openDate = 0;
  int32_t closeDate = 0;
  int32_t heldWith = 0;
};

// A text column as text (text blobs may come back as bytes).
QString HcText(const QVariant& v);

// A counterparty / category link: "cpty-ctgy-P" (or S).
QString HcLinkKey(int32_t cpty, int32_t ctgy, const QString& code);

class THcRun {
 public:
  THcRun(HcMode mode, HealthcheckSink& sink);

  const HcMode mode;
  const bool repair;
  const bool text;
  HealthcheckSink& sink;
  QString autoPrefix;  // "(repaired) : " or "(for auto-repair) : "
  QDateTime stamp;     // the check timestamp, whole seconds
  bool leaveOutOrphans = false;
  bool frozen = false;

  QStringList log;
  THcCounts table, total;
  int failedFixes = 0;
  bool aborted = false;
  bool capReached = false;

  // Known from the ACCOUNT scan on.
  QHash<int32_t, THcAccount> accounts;
  // Transactions whose rows carry a manual error: never repaired.
  QSet<int32_t> manualTxns;
  // Links met by payments and receipts, and those the books hold (key -> stamped).
  QSet<QString> metLinks;
  QHash<QString, bool> links;
  QHash<QString, QVariant> linkStamps;  // RPRTS as read

  // A line as it is; finding lines count against the cap.
  void line(const QString& text, bool finding = false);
  void info(const QString& text);
  void manual(const QString& text);
  // An auto-repairable finding (or housekeeping): logged, and in repair mode
  // fixed by apply inside one unit of work that is committed; a failed fix is
  // undone and logged as a manual error with " - repair failed". heldBack
  // (a transaction with a manual error) makes the findings manual. True when
  // the books were changed.
  bool fix(const QStringList& texts, const std::function<bool()>& apply, bool heldBack = false,
           bool housekeeping = false, bool quiet = false);
  bool fix(const QString& text, const std::function<bool()>& apply, bool heldBack = false) {
    return fix(QStringList{text}, apply, heldBack);
  }
  // The manual error when the first character above 127 of s, printed whole.
  void textCheck(const QString& prefix, const QString& word, const QString& s);

  // The table's opening line and countdown; its closing summary.
  void beginTable(const QString& name, int rows);
  // Before each row: false once the run is to stop.
  bool nextRow();
  void endTable(const QString& name);
  int toGo() const { return toGo_; }
  void setToGo(int n) { toGo_ = n; }
  // The count lines of one set of counters (zero lines left out).
  void countLines(const THcCounts& c);

 private:
  int toGo_ = 0;
  QElapsedTimer pump_;
};

// The scans, one per table (healthcheck_*.cpp).
void HcScanAccounts(THcRun& run);
void HcScanTxns(THcRun& run);
void HcScanPostings(THcRun& run);
void HcScanRepeaters(THcRun& run);
void HcScanLinks(THcRun& run);
void HcScanChannels(THcRun& run);
