#include "converter/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "converter/conversion.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "shell/startup.h"
#include "store/db.h"
#include "store/schema.h"
#include "store/settings.h"

namespace {

void out(FILE* stream, const QString& text) {
  QString t = text;
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  std::fputs(t.toLocal8Bit().constData(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

// Messages to stderr; yes/no questions answered Yes (the mode needs --yes), any
// other question cancelled.
class TConverterBatchPrompter : public Prompter {
 public:
  void showInfo(const QString& text, bool) override { out(stderr, text); }
  char askYesNoCancel(const QString& text) override {
    out(stderr, text + " - yes");
    return 'Y';
  }
  bool askText(const QString&, const QString&, QString&, int, int) override { return false; }
  int askChoice(const QString&, const QString&, const QString&) override { return 0; }
  bool pickDate(const QString&, TDateRec&) override { return false; }
  bool pickFolder(QString&) override { return false; }
  void flash(const QString&, FlashMode) override {}
};

// The value of --name VALUE or --name=VALUE; found tells whether the option was there.
QString optionValue(const QStringList& args, const QString& name, bool* found = nullptr) {
  if (found) *found = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      if (found) *found = true;
      return i + 1 < args.size() ? args[i + 1] : QString();
    }
    if (args[i].startsWith(name + "=")) {
      if (found) *found = true;
      return args[i].mid(name.size() + 1);
    }
  }
  return QString();
}

QString absoluteFolder(const QString& path) {
  return WithTrailingSeparator(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

void usage() {
  out(stderr, QStringLiteral("usage: trelg --source DIR [--target DIR] [--home DIR] --yes"));
}

}  // namespace

bool WantsCommandLine(const QStringList& args) {
  for (const QString& a : args)
    if (a == QLatin1String("--source") || a.startsWith(QLatin1String("--source=")) ||
        a == QLatin1String("--help"))
      return true;
  return false;
}

QString ConverterHome(const QStringList& args, const QString& exeDir) {
  return ChooseProgramFolder(args, qEnvironmentVariable("VORBEK_HOME"), exeDir, true, exeDir);
}

QString ConverterTarget(const QStringList& args) {
  bool given = false;
  const QString target = optionValue(args, QStringLiteral("--target"), &given);
  if (given && !target.isEmpty()) return absoluteFolder(target);
  return DefaultDataFolder();
}

int RunTrelgCommandLine(const QStringList& args) {
  if (args.contains(QStringLiteral("--help"))) {
    usage();
    return 0;
  }
  static const QStringList known = {"--source", "--target", "--home"};
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (known.contains(a)) {
      ++i;
      continue;
    }
    bool ok = a == QLatin1String("--yes");
    for (const QString& k : known) ok = ok || a.startsWith(k + "=");
    if (!ok) {
      out(stderr, "trelg: unknown argument \"" + a + "\"");
      usage();
      return 2;
    }
  }
  const QString source = optionValue(args, QStringLiteral("--source"));
  if (source.isEmpty()) {
    usage();
    return 2;
  }
  if (!args.contains(QStringLiteral("--yes"))) {
    out(stderr, QStringLiteral("trelg: the conversion asks \"OK to convert from Source to "
                               "Target ?\" - give --yes to answer it"));
    return 2;
  }

  TConverterBatchPrompter prompter;
  Prompter* previous = InstallPrompter(&prompter);
  const QString dataFolder = ConverterTarget(args);
  const QString sourceFolder = absoluteFolder(source);
  int code = 1;
  QString error;
  if (!ProvideTargetDatabase(dataFolder)) {
    // the reason is shown already
  } else if (!OpenTargetDatabase(dataFolder, error)) {
    ShowInfo("Cannot open the target database " + dataFolder + QLatin1String(kDatabaseFileName) +
             "\r" + error);
  } else if (const int version = TargetSchemaVersion(dataFolder);
             version != kStartingSchemaVersion) {
    ShowInfo(TargetVersionError(version));
  } else if (SourceHoldsBooks(sourceFolder)) {
    out(stdout, "Target database " + dataFolder + QLatin1String(kDatabaseFileName));
    out(stdout, "Source database " + sourceFolder);
    QString lastTable;
    TConvertHooks hooks;
    hooks.progress = [&lastTable](const QString& table, int remaining) {
      if (table == lastTable) return;
      lastTable = table;
      out(stdout, " " + table + " " + QString::number(remaining));
    };
    if (RunConversion(sourceFolder, dataFolder, hooks))
      code = 0;
    else if (const int signal = ConversionStopSignal(); signal != 0)
      code = 128 + signal;  // as a shell reports a program ended by the signal
  }
  CloseConnection();
  InstallPrompter(previous);
  return code;
}
