// trelg: converts the previous generation's Paradox tables into a new vorbek
// database. With --source it runs without windows (see command_line.h);
// otherwise it shows its window.
//
// The program folder is --home DIR, else $VORBEK_HOME, else the executable's
// folder; the target is its data/ folder unless --target DIR names another.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <memory>

#include "converter/command_line.h"
#include "converter/convert_window.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/qt_prompter.h"

namespace {

void setUpProgram(const QStringList& args) {
  QCoreApplication::setApplicationName(QStringLiteral("trelg"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORBEK_VERSION));
  SetProgramTitle(QStringLiteral("trelg"));
  const QString home = ConverterHome(args, QCoreApplication::applicationDirPath());
  SetProgramFolder(QFileInfo(home).absoluteFilePath());
}

}  // namespace

int main(int argc, char** argv) {
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
  window.show();
  window.start();
  const int rc = app.exec();
  InstallPrompter(nullptr);
  return rc;
}
