#pragma once
// Opening the books named on the command line, shared by every verb that works
// on an existing set of books: the data folder argument as the store wants it,
// a fresh session, the full opening (upgrade included) and a clear message
// when the books cannot be used.
#include <QString>
#include <cstdint>

// DIR as the store wants it: absolute with its trailing separator, or a
// "host:/path/" server location as given.
QString CliDataFolder(const QString& arg);

// One line of a transaction the ledger shows (a straddle, before a rebalance
// or an archive stops): id, type, dates, amount and accounts. Installed for
// every verb at start; a verb may install a fuller printer of its own.
void CliShowTransaction(int32_t id);

// Resets the session and opens the books in DIR; an archive copy is announced
// and frozen. False, after saying why on
// stderr, when they could not be opened.
bool CliOpenBooks(const QString& dirArg);

// Exit codes shared by the verbs: a usage line (2); a refusal after the books
// were opened, dropping what was not committed (1); success after committing
// and closing the books with their settings saved (0).
int CliUsage(const QString& line);
int CliRefused();
int CliCommitted();
