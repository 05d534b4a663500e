// vorbek-cli: the engine without windows, for scripting, checks and benchmarks.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "cli/batch_prompter.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/posting.h"

namespace {

void printHelp() {
  CliOut("vorbek-cli " VORBEK_VERSION " - the vorbek books from the command line");
  CliOut("");
  CliOut("usage: vorbek-cli [--yes|--no] [--answer TEXT]... [--csv|--json] [--quiet] VERB ARGS...");
  CliOut("");
  CliOut("global options:");
  CliOut(
      "  --yes / --no     answer every yes/no question so (without one, a question fails the "
      "command)");
  CliOut("  --answer TEXT    answer the next input box, choice or date question (repeatable)");
  CliOut("  --csv            print tables as CSV: plain numbers (-5056.90), dates yyyy-mm-dd");
  CliOut("  --json           print tables as a JSON array of objects (amounts as strings)");
  CliOut("  --quiet          do not echo flash and status messages");
  CliOut("  --help, --version");
  CliOut("");
  CliOut("verbs:");
  for (const CliCommand& c : CliCommands())
    CliOut("  " + (c.verb + " " + c.usage).leftJustified(58) + " " + c.summary);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vorbek-cli");
  QCoreApplication::setApplicationVersion(VORBEK_VERSION);

  // The program folder holds the settings of books on a server (servers/…).
  if (qEnvironmentVariableIsSet("VORBEK_HOME") && !qEnvironmentVariable("VORBEK_HOME").isEmpty())
    SetProgramFolder(QFileInfo(qEnvironmentVariable("VORBEK_HOME")).absoluteFilePath());

  BatchPrompter prompter;
  InstallPrompter(&prompter);
  // Whatever the verb, a transaction the ledger says it displays (a straddle) is printed.
  SetShowTransactionHook(CliShowTransaction);

  CliContext ctx;
  ctx.prompter = &prompter;
  QStringList args = app.arguments().mid(1);
  QStringList rest;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--help" || a == "-h") {
      printHelp();
      return 0;
    } else if (a == "--version") {
      CliOut("vorbek-cli " VORBEK_VERSION);
      return 0;
    } else if (a == "--yes") {
      prompter.setPolicy(BatchPrompter::Policy::Yes);
    } else if (a == "--no") {
      prompter.setPolicy(BatchPrompter::Policy::No);
    } else if (a == "--answer" && i + 1 < args.size()) {
      prompter.addAnswer(args[++i]);
    } else if (a == "--csv") {
      ctx.csv = true;
    } else if (a == "--json") {
      ctx.json = true;
    } else if (a == "--quiet") {
      prompter.setQuiet(true);
    } else {
      rest << a;
    }
  }
  if (rest.isEmpty()) {
    printHelp();
    return 2;
  }

  // The longest registered verb that the words start with wins ("account add" over "account").
  const CliCommand* best = nullptr;
  qsizetype bestWords = 0;
  for (const CliCommand& c : CliCommands()) {
    const QStringList words = c.verb.split(' ');
    if (words.size() <= rest.size() && rest.mid(0, words.size()) == words &&
        words.size() > bestWords) {
      best = &c;
      bestWords = words.size();
    }
  }
  if (!best) {
    CliErr("vorbek-cli: unknown verb \"" + rest.join(' ') + "\" (see --help)");
    return 2;
  }
  ctx.args = rest.mid(bestWords);
  return best->run(ctx);
}
