#pragma once
// The database-wide frozen flag, the freeze-before date for account postings
// and the archive state shown on the control window.
#include <QString>
#include <cstdint>
#include <functional>

// True, after "Cannot " + action + ", database is frozen", while the books are frozen.
bool FrozenRefusal(const QString& action);

// The freeze-before date (yyyymmdd) covers ymd: postings on or before it need a confirmation.
bool FreezeBeforeCovers(int32_t ymd);

// Sets the frozen flag (on) or clears it; clearing an archive copy needs the
// user's confirmation. Returns the flag as it now stands.
bool SetDatabaseFrozen(bool on);

// The "Freeze before" item: change or clear the freeze-before date. True when it changed.
bool ChooseFreezeBefore();

// The four control-window texts of the archive state.
struct TArchiveLabels {
  QString startDate;
  QString startNote;
  QString endDate;
  QString endNote;
};
TArchiveLabels ArchiveLabels();
// Where ShowArchiveState puts the labels (the control window installs it).
void SetArchiveLabelsHook(std::function<void(const TArchiveLabels&)> show);

// Shows the labels; an archive copy is announced and frozen.
void ShowArchiveState();
// Makes the opening of books call ShowArchiveState.
void InstallArchiveState();
