#pragma once
// Program-wide state of the open set of books: the settings of ZADEZEVU.INI as
// they stand in memory, the data folder, the period, the flags the control
// window shows. Everything runs on one thread; this is plain shared state.
#include <QString>
#include <functional>

#include "foundation/daterec.h"

inline constexpr int kCurrentSchemaVersion = 34;

// Section "main" of ZADEZEVU.INI, with the defaults a missing key gets.
struct TDbSettings {
  QString baseCurrency;
  int defaultCashId = -1;
  int defaultCptyId = -1;
  int defaultCtgyId = -1;
  int defaultPotId = -1;
  int sweepToPotId = 0;
  int openingBalPotId = 0;
  int dormantAfter = 365;
  int32_t balFrom = 0;
  int32_t balAt = 0;  // read as today when absent
  bool resetPaths = false;
  bool rebalNeeded = false;
  QString databaseName = QStringLiteral("x");
  int financialYearDay1 = 1;
  int financialYearMonth1 = 1;
  bool postingsTxnIdVisible = true;
  bool postingsInstIdVisible = true;
  bool postingsTypeVisible = true;
  bool postingsRefVisible = true;
  bool postingsCtgyNameVisible = false;
  int32_t dbStartDate = -1;
  int32_t dbEndDate = -1;
  int dbvn = 0;
  int32_t genTo = 0;
  int32_t lastGenTo = 0;
  int cashbackAccId = 0;
  int periodType = 2;
  int fxGainLossCtgy = 0;
  int fxGainLossPot = 0;
  bool oneClickSelect = false;
  int flashInterval = 1500;
  int journalBlockSize = 1;
  int ignoredRemdrs = 0;
  bool washCtgies = true;
  bool dbFrozen = false;
  int32_t freezeBefore = 0;
  bool excludeClosedChannels = false;
};

struct TSession {
  TDbSettings settings;
  QString dataFolder;        // with a trailing separator; empty = not known yet
  QString settingsPath;      // the ZADEZEVU.INI read by the last opening
  int schemaVersion = 0;     // in memory; PARAM row 1 from version 22 on
  int32_t dbStartDate = 0;   // PARAM row 2 (or the INI before version 22)
  int32_t dbEndDate = 0;     // PARAM row 3
  QString workingCurrency;   // program-wide current currency of lists and new accounts
  QString externalWorkingCurrency;
  int32_t periodFrom = 0;    // set only through SetPeriod
  int32_t periodTo = 0;      // the balance date
  int32_t runStartDate = 0;  // the day this run started (written as GenTo)
  int32_t dormantCutoff = 0; // today minus DormantAfter days, fixed at opening
  bool initialising = false; // first-time installation in progress
  bool converted = false;    // a conversion step ran
  bool repairPending = false;
  bool firstTimeInstall = false;
  // Opened frozen because another attachment uses the same books on their
  // server; the settings file keeps the frozen flag it had (frozenInFile).
  bool readOnlyOpening = false;
  bool frozenInFile = false;
};

TSession& Session();
void ResetSession();

// The period (From/To dates as yyyymmdd). The control window's dialog calls this.
void SetPeriodDates(int32_t from, int32_t to);

// The rebalance-needed flag, shown on the control window at once.
bool RebalanceNeeded();
void SetRebalanceNeeded(bool on);

// Hooks the shell installs: redraw the control panel, show a progress text.
void SetControlPanelHook(std::function<void()> refresh);
void RefreshControlPanel();
void SetStatusHook(std::function<void(const QString&)> show);
void ShowStatus(const QString& text);

// Ends the program in an orderly way without saving settings (refused upgrade,
// missing version). The shell installs the real exit; the default records it.
void SetProgramEndHook(std::function<void(int code)> end);
void EndProgram(int code);
bool ProgramEndRequested();
