#pragma once
// The record layer: table rows as plain value records and back, keyed finds,
// id allocation, and the write rules every caller relies on (row versions,
// derived columns, whole-second stamps, the rebalance-needed flag).
//
// There are no table views: a "Locate…" is a keyed existence query, and every
// read or write is one statement with its values bound as parameters. All
// statements run in the one shared transaction (db.h); the caller commits.
#include <QChar>
#include <QDateTime>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"

// Widths of the bounded texts; longer texts are cut to these when written.
inline constexpr int kCcyWidth = 3;
inline constexpr int kNameWidth = 40;
inline constexpr int kDesigWidth = 20;  // the column is narrower than the record's 40
inline constexpr int kReconciledWidth = 10;
inline constexpr int kPathWidth = 255;
inline constexpr int kRefWidth = 20;
inline constexpr int kNarrativeWidth = 40;
inline constexpr int kReminderTextWidth = 255;
inline constexpr int kCcyNameWidth = 20;
inline constexpr int kChannelNameWidth = 20;

// An account, counterparty, group or the diary: one ACCOUNT row plus its MOVTE
// dates. Default construction gives the values of a new record except the
// currency, which NewObj() takes from the settings.
struct TObj {
  int32_t id = 0;              // 0 = not yet stored
  QString ccy;                 // "XXX" when the row has none
  uint8_t kind = 0;            // TYPE2
  uint8_t baseKind = 0;        // BTYPE, derived from kind on every write
  bool isGroup = false;        // ISGRP = 1
  QString name;                // 40
  QString designation;         // DESIG
  QString displayName;         // copy of the name made on reading (used in messages)
  int64_t openingBalance = 0;  // BFDBAL
  int64_t openingValue = 0;    // BFDVAL
  int32_t groupId = 0;         // GRPID
  QString reconciledText;      // RECONCILED, "yyyy-mm-dd" or empty
  TDateRec openDate{9999, 99, 99};
  TDateRec closeDate{9999, 99, 99};      // 9999-99-99 = open
  TDateRec firstPstgDate{9999, 99, 99};  // MOVTE; 0 when the account has no MOVTE row
  TDateRec lastPstgDate{9999, 99, 99};
  TDateRec reconciledDate;  // reconciledText parsed
  QDateTime reportStamp;    // RPRTS
  bool allowNegative = true;
  bool allowPositive = true;
  int32_t heldWith = 0;  // ACCWITH
  bool sweep = false;    // SWEEPTO > 0
  bool cptyPays = false;
  bool cptyReceives = false;
  int32_t payerDefault = 0;  // PAYERDFTPOT
  int32_t payeeDefault = 0;  // PAYEEDFTPOT
  QDateTime created;         // CREATETS
  QDateTime edited;          // EDITTS: the row version checked by WriteAccount
  bool favourite = false;
  QString path = QStringLiteral(" ");
};

// The schedule of a repeater master; a transaction carries a copy of its
// master's schedule as one block.
struct TRptSchedule {
  int32_t genTo = 0;        // number of the last instance generated
  TDateRec genToDate;       // date of that instance (computed by the repeater rules, not stored)
  QChar freq = QChar(' ');  // D W M Y, ' ' none; 'X' = the master could not be read
  TDateRec startDate;
  TDateRec endDate;  // zero = no end
  bool active = false;
  int32_t rptInc = 0;
  int32_t rptCt = 0;
  int32_t rmDays = 0;
};

// Due date of instance n (from 1) of a schedule: the start stepped n - 1 times
// by RPTINC units of FREQ, the month-end roll-over applied once at the end.
// The zero date for n below 1.
TDateRec ScheduleInstanceDate(const TRptSchedule& s, int32_t n);

// One TXN row. Default construction gives a new transaction except the
// currency, which NewTxn() takes from the working currency.
struct TTxn {
  int32_t id = 0;  // 0 = not yet stored
  QString ccy;
  int32_t masterId = 0;
  TRptSchedule rpt;  // filled when the transaction belongs to a repeater
  int32_t instance = 0;
  int32_t status = 0;  // 0 ordinary, 1 a repeater master being edited, 2 an instance
  TDateRec txnDate;
  TDateRec postingDate;  // DATE2; empty = same as the transaction date
  TDateRec actualDate;   // ACTUALTXNDATE
  int64_t amount = 0;
  int64_t value = 0;
  double rate = 1.0;
  QChar type = QChar('P');
  QString reference;  // 20
  QString narrative;  // 40
  int32_t accId1 = 0;
  int32_t accId2 = 0;
  int32_t accId3 = 0;  // always 0
  int32_t accId4 = 0;
  QString accName1, accName2, accName3, accName4;  // filled on reading
  bool cancelled = false;
  QDateTime created;
  QDateTime edited;
  int32_t createDate = 0;  // yyyymmdd
  int32_t createTime = 0;  // hhmmss
  bool firstOfDay = true;  // DPDATE
  int32_t channel = 0;     // CHNUM
  QString channelName;     // the channel's name + " ", filled on reading
  int32_t batch = 0;       // -1 = the transaction's own id when written
};

// One PSTG row, found by (txnId, account). Default construction gives a new
// posting except the currency, which NewPstg() takes from the settings.
struct TPstg {
  int32_t txnId = 0;
  int32_t seq = 0;
  int32_t account = 0;  // OBJID
  int32_t contra = 0;
  QString ccy;
  int64_t amount = 0;
  int64_t runningBalance = 0;    // RNGBAL
  int64_t reconciledAmount = 0;  // RECAMT
  int64_t value = 0;
  TDateRec postingDate;
  int32_t reconcileCode = 0;
  QDateTime reportStamp;
  QChar type = QChar(' ');
  bool firstOfDay = true;    // DPPSTGDATE
  bool balanceShown = true;  // DPRNGBAL
  int32_t batch = 0;
  int32_t channel = 0;
};

// One account's movement summary in one currency (its MOVTG amount row).
struct Tmovt {
  int32_t accountId = 0;
  int32_t groupId = 0;
  QString ccy;
  int64_t openingBalance = 0;  // MOVTG.BFD
  int64_t prePeriodNet = 0;
  int64_t periodPayments = 0;
  int64_t periodReceipts = 0;
  int64_t periodTransfers = 0;
  int64_t closingBalance = 0;  // the sum of the above for kinds 1, 3, 6; else 0
  QString path;
};

// One RPTR row (a repeater master) plus the names of its four accounts.
struct TRptr {
  int32_t id = 0;
  QString ccy;
  TRptSchedule sched;
  int64_t amount = 0;
  QChar type = QChar('P');
  QString reference;
  QString narrative;
  int32_t accId1 = 0, accId2 = 0, accId3 = 0, accId4 = 0;
  QString accName1, accName2, accName3, accName4;  // filled on reading; empty for 0
  QDateTime created;
  QDateTime edited;
  int32_t channel = 0;
};

// One REMDR row.
struct TRemdr {
  int32_t id = 0;
  int32_t txnId = 0;  // 0 = a free reminder
  TDateRec rmDate;
  TDateRec tgDate;
  QString text;  // 255
};

// One CCY row.
struct TCcy {
  QString code;  // 3
  QString name;  // 20
  bool base = false;
};

// One CHANNEL row. The empty channel (chnum 0) means "no channel".
struct TChannel {
  int32_t chnum = 0;
  int32_t accId = 0;
  QString name;             // 20
  QString note;             // unbounded
  int32_t status = 0;       // CHSTS: 0 open, otherwise closed
  QChar type = QChar('X');  // CHTYPE: 'P' payments only, 'R' receipts only, 'X' both
};

// New records with the currency the books give them.
TObj NewObj();    // the base currency
TTxn NewTxn();    // the working currency
TPstg NewPstg();  // the base currency

// Dates as stored: yyyymmdd, 0 for an empty date record.
int32_t StoredDate(const TDateRec& d);

// There are no table views to open or close; these stay as the doors the
// "Re-open tables" command uses. OpenTables tells whether a database is open.
bool OpenTables();
void CloseTables();

// Keyed existence queries; true when the row exists.
bool LocateAccount(int32_t id);
bool LocateCurrency(const QString& code);
bool LocateChannel(int32_t chnum);
bool LocateCptyCtgy(int32_t cpty, int32_t ctgy, const QString& purchsale);
bool LocatePosting(int32_t txnId, int32_t objId);
bool LocateReminder(int32_t id);
bool LocateRepeater(int32_t id);
bool LocateTxn(int32_t id);

// Accounts. ReadAccount leaves the account's NOTE in the notes buffer; an id
// below 1 is false at once without a message.
bool ReadAccount(int32_t id, TObj& obj);
// Inserts (id 0: new id, created stamp, MOVTE row) or updates (refused when
// the stored EDITTS differs from obj.edited). obj gets the stamps and the id.
bool WriteAccount(TObj& obj);
int32_t NewAccountId();

// The notes buffer. AccountNotes() is the NOTE of the last ReadAccount;
// SetAccountNotes() gives the text the next WriteAccount writes and marks it
// changed. Reading another account never disturbs a pending text; the mark is
// cleared by the next WriteAccount whatever its outcome.
QString AccountNotes();
void SetAccountNotes(const QString& text);
bool AccountNotesChanged();
void ClearAccountNotesChanged();

// Transactions.
bool ReadTxn(int32_t id, TTxn& txn);
// Inserts the TXN row (id 0 gets NewTxnId) and records the counterparty pair.
bool InsertTxnRow(TTxn& txn);
// Updates the TXN row ("txn not found " + id when it is gone) and records the pair.
bool UpdateTxnRow(TTxn& txn);
// Max + 1 after checking that TXN and PSTG end on the same id; 0 on a mismatch.
int32_t NewTxnId();
// Asks for a new description (which 'D') or reference ('R') starting from
// text, writes it to the row and commits. False when cancelled or absent.
bool EditTxnText(int32_t id, QString& text, QChar which);

// Adds the (counterparty, category, direction) row of a payment or receipt to
// CPTYCTGY when it is missing; other types and zero ids add nothing.
bool RecordCounterpartyCategory(const TTxn& txn);

// Postings, found by (txnId, objId).
bool ReadPosting(int32_t txnId, int32_t objId, TPstg& p);
// Edits the row when it exists, else inserts it; every column is written. Sets
// the rebalance-needed flag when the change reaches into the period.
bool WritePosting(const TPstg& p);
bool DeletePosting(int32_t txnId, int32_t objId);
// The date-0 brought-forward marker posting of an account.
bool EnsureBfdMarker(const TObj& account);
bool DeleteBfdMarker(int32_t accountId);

// One account's movement summary in ccy: false when the account does not
// exist; a missing summary row gives zeros.
bool ReadMovt(int32_t accountId, const QString& ccy, Tmovt& m);

// Plain row reads and writes of the other tables. A write updates the row
// when the key exists (EDITTS := now for RPTR) and inserts it otherwise
// (CREATETS := now for RPTR). The repeater, reminder, currency and channel
// rules build on these.
bool ReadRptrRow(int32_t id, TRptr& r);
// Every repeater's schedule by id, in id order, in one query.
bool ReadRptrSchedules(QList<QPair<int32_t, TRptSchedule>>& schedules);
bool WriteRptrRow(TRptr& r);  // needs an id above 0
bool ReadRemdrRow(int32_t id, TRemdr& r);
bool WriteRemdrRow(TRemdr& r);  // id 0 gets NewReminderId
int32_t NewReminderId();
bool ReadCcyRow(const QString& code, TCcy& c);
bool WriteCcyRow(const TCcy& c);
bool ReadChannelRow(int32_t chnum, TChannel& ch);
bool WriteChannelRow(TChannel& ch);  // chnum 0 gets NewChannelNum
int32_t NewChannelNum();
