#pragma once
// Repeaters: masters in RPTR that post nothing themselves, and their
// instances, ordinary TXN rows written ahead of time up to the generate-to
// date. Operations named as user commands commit; the others leave the commit
// to their caller (generation commits after each master, being a rebalance stage).
#include <QList>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"
#include "store/records.h"

// Due date of instance n of master.
TDateRec InstanceDate(const TRptr& master, int32_t n);

// The program-wide generate-to date; zero = none yet (the balance date is used).
TDateRec GenerateToDate();
void SetGenerateToDate(const TDateRec& d);

// Fixes the generate-to date from the balance date, asking when it is distant
// or far beyond the last run. False when the user declines.
bool ChooseGenerateToDate();
// The same now, for the next generation run, which then asks nothing (an
// operation that must ask all its questions before it changes anything).
bool ChooseGenerateToDateAhead();
// Drops a choice made ahead that no generation run used.
void ForgetGenerateToChoice();
// The rebalance stage: fixes the generate-to date (asking when the balance
// date is distant or far beyond the last run) and generates every active
// master's due instances. False when refused, declined or a statement failed.
bool GenerateRepeaterInstances();
// Generates master's instances up to the generate-to date and the first one
// after it; master is updated. The id of the last instance written, 0 if none
// or the last attempt failed.
int32_t GenerateInstances(TRptr& master);
// The rates the first generation of a master not yet written will need (its
// schedule and content in record), asked now: the entry gets them before it
// writes, since storing a typed rate commits. Kept in the caller's RateMemo.
void ObtainNewMasterRates(const TTxn& record);
// Writes instance n of master with its postings; the new TXN id, 0 on failure.
int32_t GenerateInstance(TRptr& master, int32_t n);
// Reads the master and generates its instances with the current generate-to date.
bool RegenerateInstances(int32_t masterId);

// Reads a master (its genToDate computed); warn shows when it is missing.
bool ReadRepeater(int32_t id, TRptr& r, bool warn = false);
// Updates the row when the id exists, else inserts it (id 0 gets NewRepeaterId).
bool WriteRepeater(TRptr& r);
// Above every RPTR.ID and every TXN.MASTERID.
int32_t NewRepeaterId();

// The master record (status 1) standing for master, and the master a record stands for.
TTxn MasterRecord(const TRptr& master);
// Writes a master record (status 1) as its RPTR row; record.masterId gets the id.
bool WriteMasterRecord(TTxn& record);
// Copies the record's content (and, for a master record, its schedule) into
// its master and writes it. Instances already written are left alone.
bool UpdateRepeaterMaster(const TTxn& record);
// Deletes instances n, n+1 … of a master with their postings and reminders and
// lowers GENTO to n - 1. False when the user declines (nothing deleted).
bool DeleteInstancesFrom(int32_t masterId, int32_t n);

// After an instance was edited (old → now): offers to carry the content changes
// to the master and the later instances, which are deleted and generated again.
// True when the edit was carried. The caller commits.
bool CarryEditToLaterInstances(const TTxn& old, const TTxn& now);
// Makes record instance 1 of a new master of frequency freq (its row is
// rewritten, postings unchanged); commits.
bool MakeRepeaterFromTxn(TTxn& record, QChar freq);
// The user's commands on a master; they commit. Refused on frozen books.
bool DeactivateRepeater(int32_t id);
// Deleting its instances too asks the reconciled/freeze protection once for
// all of them before any is deleted.
bool DeleteRepeater(int32_t id);
// Deletes every master whose stored RPTACTIVE is 0 after asking; their
// instances stay as they are. Says "Weeded OK"; commits. The number deleted
// goes to *count. False when refused, declined or not written.
bool WeedRepeaters(int* count = nullptr);

// The repeaters list: RPTR rows (all, or active only) with the names of their
// four accounts, by id. Columns id, startdate, enddate, freq, "type", amt,
// gento, narrative, rptactive, rptinc, accname1 … accname4. The rows as shown
// come from reports/repeater_list.h.
QString ActiveRepeatersSql(bool activeOnly);
