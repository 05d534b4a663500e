#pragma once
// Reminders and the diary: REMDR rows for repeater instances and free
// reminders, the due-reminders query and the announcement after opening
// books, the nag of a reminders window closed while reminders are announced,
// and diary entries as type-D transactions. No widgets here: the windows call
// these and show what they return.
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

#include "store/records.h"

// Inserts r under a new id (max + 1); r.id gets it. The caller commits.
bool AddReminder(TRemdr& r);
// The reminder of a generated instance when its schedule's RMDAYS is not 0:
// due RMDAYS days before the instance's date (a negative lead time is none).
// True when nothing was to be written. The caller commits.
bool AddInstanceReminder(const TTxn& instance);

// One row of the reminders list: the reminder with its transaction's
// description and the names of its counterparty and category (empty for a
// free reminder or a transaction that is gone).
struct TRemdrRow {
  int32_t id = 0;
  int32_t txnId = 0;
  int32_t rmDate = 0;  // yyyymmdd
  int32_t tgDate = 0;
  QString cptyName;
  QString ctgyName;
  QString text;       // the reminder's own text
  QString narrative;  // the transaction's description
  // The list's "Text": the description, a blank, then the reminder's text.
  QString shownText() const { return narrative + QLatin1Char(' ') + text; }
};

// The list's filter: "View current" (due today or earlier, the initial one)
// or "View all". Program-wide, so the announcement after opening books uses
// the filter the list shows.
bool RemindersViewCurrent();
void SetRemindersViewCurrent(bool current);

// The reminders under a filter, ordered by RMDATE, then TGDATE; "current"
// means RMDATE on or before today (the program's clock). ok tells whether the
// query ran.
QList<TRemdrRow> QueryReminders(bool currentOnly, bool* ok = nullptr);
QList<TRemdrRow> ListedReminders(bool* ok = nullptr);  // under the list's filter

// Due reminders have been announced since the last check (this run only).
bool RemindersAnnounced();

// What the reminders window does when books have been checked: refresh its
// list, and show itself when show is true. Optional; none by default.
void SetRemindersWindowHook(std::function<void(bool show)> hook);

// After opening books: clears the announcement; nothing more while the books
// are frozen or a repair is pending. Otherwise, when the list holds a row, the
// window is shown, "You have outstanding reminder(s)" said and the
// announcement set; when it holds none the nag counter goes back to 0.
// True when reminders were announced.
bool CheckDueReminders();

// A close attempt of the reminders window: while announced the nag counter
// (IgnoredRemdrs of the settings) grows; from 4 on the close is refused with
// "OI, STOP IGNORING YOUR REMINDERS !" and the counter starts again at 0.
// True when the window may close.
bool RemindersWindowMayClose();

// The "OK" of the "New Reminder" dialog, given its texts: the target date,
// whether "on date" is chosen, the days-before text (the dialog starts it at
// "31") and the reminder text (up to 255 characters kept). A target that is no
// day of the calendar ("Invalid date …") and a days text that is not a whole
// number from 0 to 3650, empty too ("Invalid integer …"), are refused.
// Commits; the new id, or 0 when nothing was added (the dialog stays).
int32_t NewReminder(const QString& targetText, bool onDate, const QString& daysText,
                    const QString& text);

// The calendar on currentRmDate; a chosen date becomes the reminder's RMDATE
// (also after its deadline), committed. False when cancelled or not written.
bool RedateReminder(int32_t id, const TDateRec& currentRmDate);

// "OK to delete?"; yes deletes the reminder, clears the announcement and the
// nag counter, and commits.
bool DeleteReminder(int32_t id);

// A diary entry: the date text read without a message, the description (cut
// to 40 characters), type D in the base currency, written with its posting on
// the diary. An empty or invalid date is refused with the date parser's
// message. Leaves the commit to the caller; the new transaction's id, or 0.
int32_t AddDiaryEntry(const QString& dateText, const QString& description);
