#pragma once
// Reading the verbs' arguments: ids, counts, currency codes, dates and account
// kinds, with the usage-error exit every verb gives for a bad one.
#include <QString>
#include <cstdint>

// Says "vorbek-cli: " + text on stderr; the usage exit code (2).
int CliBad(const QString& text);

// A positive id (or 0 when zeroAllowed).
bool ParseCliId(const QString& text, int32_t& id, bool zeroAllowed = false);
// A whole number of 0 or more.
bool ParseCliCount(const QString& text, int32_t& n);
// Three letters, given back in capitals.
bool ParseCliCurrency(const QString& text, QString& code);
// A real calendar date written yyyy-mm-dd, as yyyymmdd.
bool ParseCliDate(const QString& text, int32_t& ymd);
// yyyy-mm-dd, or empty for no date.
QString CliDateText(int32_t ymd);

// KIND as a number of the kind table or a word: external, category,
// counterparty, pot, extgroup, cptygroup, intgroup, diary.
bool ParseCliKind(const QString& text, int& kind);
// The word for a kind, its number when it has none.
QString CliKindWord(int kind);
// The usage error for an unknown kind, listing the words.
int CliBadKind(const QString& text);
