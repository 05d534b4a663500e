// vorbek-cli archive: the "&Archive" item without windows. The archive date is
// given on the command line, the questions are answered by --yes, and the copy
// goes below the program folder (--home DIR, else VORBEK_HOME, else the
// program's own folder), whose VORBEK2.INI then lists it.
#include <QFileInfo>

#include "cli/batch_prompter.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/archive.h"
#include "ledger/freeze.h"
#include "store/db.h"
#include "store/settings.h"

namespace {

// The command line's prompter, except for a file that cannot be copied: under
// --yes its retry question would be answered Yes for ever, so the copy stops.
class ArchivePrompter : public Prompter {
 public:
  explicit ArchivePrompter(Prompter& inner) : inner_(inner) {}
  void showInfo(const QString& text, bool plain) override { inner_.showInfo(text, plain); }
  char askYesNoCancel(const QString& text) override {
    if (text.startsWith(QLatin1String("File open error on ")) ||
        text.startsWith(QLatin1String("Destination file open error"))) {
      CliErr(text + " [cancel]");
      return 'C';
    }
    return inner_.askYesNoCancel(text);
  }
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override {
    return inner_.askText(prompt, line2, text, maxLength, emphasis);
  }
  int askChoice(const QString& text, const QString& option1, const QString& option2) override {
    return inner_.askChoice(text, option1, option2);
  }
  bool pickDate(const QString& title, TDateRec& date) override {
    return inner_.pickDate(title, date);
  }
  bool pickFolder(QString& folder) override { return inner_.pickFolder(folder); }
  void flash(const QString& text, FlashMode mode) override { inner_.flash(text, mode); }
  void setStatus(const QString& text) override { inner_.setStatus(text); }
  void busyChanged(int depth) override { inner_.busyChanged(depth); }
  void processEvents() override { inner_.processEvents(); }

 private:
  Prompter& inner_;
};

bool sameRecent(const TRecentDatabases& a, const TRecentDatabases& b) {
  for (int i = 0; i < kRecentSlots; ++i)
    if (a.slot[i] != b.slot[i]) return false;
  return a.which == b.which;
}

int runArchive(CliContext& ctx) {
  const QString line = QStringLiteral("archive DIR --date yyyy-mm-dd [--home DIR]");
  QString dateText, home;
  const bool hasDate = ctx.takeOption(QStringLiteral("--date"), dateText);
  ctx.takeOption(QStringLiteral("--home"), home);
  if (!hasDate || ctx.args.size() != 1) return CliUsage(line);
  TDateRec date;
  if (!ParseDateText(dateText, date)) {
    CliErr("vorbek-cli: --date needs yyyy-mm-dd, not \"" + dateText + "\"");
    return 2;
  }
  if (home.isEmpty()) home = qEnvironmentVariable("VORBEK_HOME");
  if (!home.isEmpty()) SetProgramFolder(QFileInfo(home).absoluteFilePath());

  ReadProgramIni();  // the copy joins the databases already listed
  const TRecentDatabases recentBefore = RecentDatabases();
  InstallArchiveState();
  if (!CliOpenBooks(ctx.args.first())) return 1;
  // The date question comes first; --answer texts serve the questions after it.
  ctx.prompter->addFirstAnswer(dateText);
  ArchivePrompter prompter(*ctx.prompter);
  Prompter* previous = InstallPrompter(&prompter);
  const bool archived = ArchiveDatabase();
  InstallPrompter(previous);
  if (!sameRecent(recentBefore, RecentDatabases())) SaveProgramIni();
  if (!archived) return CliRefused();
  CliOut("Archived to " + ArchiveFolder(DateRecToYmd(date)));
  return CliCommitted();
}

const CliRegistration kArchive({QStringLiteral("archive"),
                                QStringLiteral("DIR --date yyyy-mm-dd [--home DIR]"),
                                QStringLiteral("copy program and data below HOME/ARCHIVE, then "
                                               "purge transactions up to the date (needs --yes)"),
                                runArchive});

}  // namespace
