// trelg: converts the previous generation's Paradox tables into a new vorbek
// database. With --source it runs without windows (see command_line.h);
// otherwise it shows its window.
//
// The program folder is --home DIR, else $VORBEK_HOME, else the executable's
// folder; the target is its data/ folder unless --target DIR names another.
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <memory>
#include <thread>

#include "converter/command_line.h"
#include "converter/conversion.h"
#include "converter/convert_window.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/qt_prompter.h"
#include "store/db.h"

namespace {

void setUpProgram(const QStringList& args) {
  QCoreApplication::setApplicationName(QStringLiteral("trelg"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORBEK_VERSION));
  SetProgramTitle(QStringLiteral("trelg"));
  const QString home = ConverterHome(args, QCoreApplication::applicationDirPath());
  SetProgramFolder(QFileInfo(home).absoluteFilePath());
}

int g_signalPipe[2] = {-1, -1};

// SIGTERM and SIGINT stop a conversion under way before its next row; it is
// rolled back and the program ends. The signals are blocked before any thread
// exists and taken by one waiting thread (the embedded database engine installs
// handlers of its own), which raises the stop and wakes the window's event loop.
void blockStopSignals(sigset_t* set) {
  sigemptyset(set);
  for (int sig : {SIGTERM, SIGINT}) sigaddset(set, sig);
  pthread_sigmask(SIG_BLOCK, set, nullptr);
}

void watchStopSignals(const sigset_t& set) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  std::thread([set] {
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) != 0) continue;
      RequestConversionStop(sig);
      const char c = char(sig);
      [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &c, 1);
    }
  }).detach();
}

// In the window, a stop ends the event loops (a question box open at the time
// included); a conversion under way sees the stop at its next row.
void endOnStopSignals(QObject* context) {
  if (g_signalPipe[1] < 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
    char c = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &c, 1);
    QCoreApplication::exit(128 + ConversionStopSignal());
  });
}

}  // namespace

int main(int argc, char** argv) {
  sigset_t stopSignals;
  blockStopSignals(&stopSignals);
  watchStopSignals(stopSignals);

  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  if (WantsCommandLine(args)) {
    QCoreApplication app(argc, argv);
    setUpProgram(args);
    return RunTrelgCommandLine(args);
  }

  QApplication app(argc, argv);
  setUpProgram(args);
  QtPrompter prompter;
  InstallPrompter(&prompter);
  TFConvert window(ConverterTarget(args));
  endOnStopSignals(&window);
  window.show();
  window.start();
  const int rc = ConversionStopSignal() != 0 ? 128 + ConversionStopSignal() : app.exec();
  CloseConnection();
  InstallPrompter(nullptr);
  return rc;
}
