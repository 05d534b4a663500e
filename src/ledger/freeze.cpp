#include "ledger/freeze.h"

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "store/opening.h"
#include "store/session.h"

namespace {

std::function<void(const TArchiveLabels&)> g_labelsHook;

QString zeroOrDate(int32_t ymd) { return ymd > 0 ? YmdToText(ymd) : QStringLiteral("0000-00-00"); }

}  // namespace

bool FrozenRefusal(const QString& action) {
  if (!Session().settings.dbFrozen) return false;
  ShowInfo("Cannot " + action + ", database is frozen");
  return true;
}

bool FreezeBeforeCovers(int32_t ymd) {
  const int32_t before = Session().settings.freezeBefore;
  return before > 0 && ymd <= before;
}

bool SetDatabaseFrozen(bool on) {
  TSession& s = Session();
  if (on) {
    s.settings.dbFrozen = true;
  } else if (s.dbEndDate <= 0 ||
             ConfirmReallySure(QStringLiteral("Allow changes to this archived database"))) {
    s.settings.dbFrozen = false;
  }
  return s.settings.dbFrozen;
}

bool ChooseFreezeBefore() {
  TDbSettings& st = Session().settings;
  if (st.freezeBefore > 0) {
    const int c = AskChoice("Freeze account postings on/before " + YmdToText(st.freezeBefore),
                            QStringLiteral("Change"), QStringLiteral("Clear"));
    if (c == 0) return false;
    if (c == 2) {
      st.freezeBefore = 0;
      return true;
    }
  }
  TDateRec d = st.freezeBefore > 0 ? YmdToDateRec(st.freezeBefore) : Today();
  if (!PickDateTitled(QStringLiteral("Freeze account postings on/before "), d)) return false;
  st.freezeBefore = DateRecToYmd(d);
  Flash("Account postings frozen on/before " + YmdToText(st.freezeBefore));
  return true;
}

TArchiveLabels ArchiveLabels() {
  const TSession& s = Session();
  TArchiveLabels l;
  l.startDate = zeroOrDate(s.dbStartDate);
  if (s.dbStartDate > 0) {
    TDateRec before = YmdToDateRec(s.dbStartDate);
    PrevDay(before);
    l.startNote = "Earlier records (ie to " + DateRecToText(before) + ") have been archived" +
                  "\r" + "(or are outside Vorbek)";
  } else {
    l.startNote = QStringLiteral("No earlier archives");
  }
  l.endDate = zeroOrDate(s.dbEndDate);
  l.endNote = s.dbEndDate > 0 ? QStringLiteral("This database is an archive")
                              : QStringLiteral("This database is current");
  return l;
}

void SetArchiveLabelsHook(std::function<void(const TArchiveLabels&)> show) {
  g_labelsHook = std::move(show);
}

void ShowArchiveState() {
  if (g_labelsHook) g_labelsHook(ArchiveLabels());
  AnnounceArchiveCopy();
}

void InstallArchiveState() { SetArchiveStateHook(ShowArchiveState); }
