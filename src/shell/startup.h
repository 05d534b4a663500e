#pragma once
// The parts of the program's start that run before the message loop: where
// the program folder is, and the opening of the books, new ones included.
#include <QString>
#include <QStringList>

// The program folder: "--home DIR" (or "--home=DIR") among args, else envHome
// (VORBEK_HOME) when set, else exeDir when it can be written to, else
// fallback. Empty parts are skipped.
QString ChooseProgramFolder(const QStringList& args, const QString& envHome, const QString& exeDir,
                            bool exeDirWritable, const QString& fallback);

// The question asked when a data folder holds no books yet.
QString NoBooksQuestion(const QString& folder);

// The start-up opening. A data folder without vorbek.fdb is offered new, empty
// books (the first-time installation then runs within the opening); declining
// leaves the program without open books. True when books are open.
bool OpenBooksAtStart();
