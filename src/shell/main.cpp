// vorbek: the program entry. Takes the single-instance lock, creates the
// control window, opens the books (offering new ones on a new machine) and
// runs the message loop until the control window closes.
//
// The program folder is --home DIR, else $VORBEK_HOME, else the executable's
// folder when it can be written to. With VORBEK_MESSAGES=stderr no message box
// is shown: messages go to stderr and every question is answered with Cancel
// (for scripts and tests that run the program where nobody can answer).
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <csignal>
#include <thread>

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/qt_prompter.h"
#include "foundation/ui/window_positions.h"
#include "screens/lists/list_screens.h"
#include "screens/maintenance/repair_window.h"
#include "screens/masterdata/account_picking.h"
#include "screens/masterdata/cpty_details.h"
#include "screens/views/balances_window.h"
#include "screens/views/postings_window.h"
#include "screens/transactions/search_window.h"
#include "screens/transactions/txn_details.h"
#include "shell/ctrl_window.h"
#include "shell/instance_lock.h"
#include "shell/startup.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

// The Qt prompter, remembering the last timed flash for "Last message".
class AppPrompter : public QtPrompter {
 public:
  void flash(const QString& text, FlashMode mode) override {
    if (mode == FlashMode::Timed) RememberFlashMessage(text);
    QtPrompter::flash(text, mode);
  }
};

int g_signalPipe[2] = {-1, -1};

// SIGTERM, SIGINT and SIGHUP close the control window the ordinary way, so the
// settings are saved as at any other closing. The signals are blocked before
// any thread exists and taken by one waiting thread: the embedded database
// engine installs handlers of its own that shut it down from another thread,
// which raced with our closing and could crash the program on the way out.
void blockTerminateSignals(sigset_t* set) {
  sigemptyset(set);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(set, sig);
  pthread_sigmask(SIG_BLOCK, set, nullptr);
}

void closeOnTerminateSignals(TFCtrl* ctrl, const sigset_t& set) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, ctrl);
  QObject::connect(notifier, &QSocketNotifier::activated, ctrl, [ctrl] {
    char c;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &c, 1);
    ctrl->close();
  });
  std::thread([set] {
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) != 0) continue;
      const char c = 1;
      [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &c, 1);
    }
  }).detach();
}

}  // namespace

int main(int argc, char** argv) {
  sigset_t terminateSignals;
  blockTerminateSignals(&terminateSignals);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vorbek"));
  QApplication::setApplicationVersion(QStringLiteral(VORBEK_VERSION));
  SetProgramTitle(QStringLiteral("vorbek"));

  const QString exeDir = QCoreApplication::applicationDirPath();
  const QString home =
      ChooseProgramFolder(app.arguments().mid(1), qEnvironmentVariable("VORBEK_HOME"), exeDir,
                          QFileInfo(exeDir).isWritable(),
                          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  QDir().mkpath(home);
  SetProgramFolder(QFileInfo(home).absoluteFilePath());

  AppPrompter prompter;
  if (qEnvironmentVariable("VORBEK_MESSAGES") != QLatin1String("stderr"))
    InstallPrompter(&prompter);

  QString error;
  switch (TakeInstanceLock(ProgramFolder() + QStringLiteral("LOCK.TXT"), ProgramTitle(), error)) {
    case LockResult::Taken:
      break;
    case LockResult::AlreadyRunning:
      ShowInfo("Program \"" + ProgramTitle() + "\" is already running");
      return 1;
    case LockResult::Failed:
      ShowInfo(error);
      return 1;
  }

  int exitCode = 0;
  SetProgramEndHook([&exitCode](int code) {
    exitCode = code;
    QCoreApplication::exit(code);
  });

  InstallAccountScreens();
  InstallListScreens();
  InstallCounterpartyScreens();
  InstallPostingsScreens();
  InstallTransactionScreens();
  InstallHealthcheckScreens();
  InstallBalancesScreens();
  InstallSearchScreens();
  QApplication::setQuitOnLastWindowClosed(false);
  TFCtrl ctrl;
  QObject::connect(&ctrl, &TFCtrl::shutDown, &app, &QCoreApplication::quit);
  prompter.setStatusSink([&ctrl](const QString& text) { ctrl.showStatus(text); });
  AddDatabaseClosingHook([] { SaveWindowPositions(Session().settingsPath); });
  closeOnTerminateSignals(&ctrl, terminateSignals);

  ReadProgramIni();
  const bool opened = OpenBooksAtStart();
  if (ProgramEndRequested()) return exitCode;

  ctrl.show();
  ctrl.startAfterOpening(opened);
  const int rc = app.exec();
  return ProgramEndRequested() ? exitCode : rc;
}
