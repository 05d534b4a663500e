#pragma once
// trelg without windows, for scripts:
//   trelg --source DIR [--target DIR] [--home DIR] --yes
// runs the same start-up checks and conversion as the window. Messages go to
// stderr, the progress of each table to stdout; the exit code is 0 after
// "Converted ok", 1 when the conversion was refused or failed, 2 for a usage error,
// 128 + the signal when SIGTERM or SIGINT stopped it (rolled back).
#include <QString>
#include <QStringList>

// True when args (without the program name) ask for the command-line mode.
bool WantsCommandLine(const QStringList& args);

// The program folder named by --home (or VORBEK_HOME), else exeDir.
QString ConverterHome(const QStringList& args, const QString& exeDir);

// The target data folder: --target DIR, else the program folder's data/.
QString ConverterTarget(const QStringList& args);

// Runs the command-line mode; needs a Qt application object. args without the
// program name.
int RunTrelgCommandLine(const QStringList& args);
