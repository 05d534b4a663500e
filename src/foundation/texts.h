#pragma once
// Small text utilities the screens and the engine share.
#include <QString>

QString JoinNonEmpty(const QString& a, const QString& sep, const QString& b);
void AppendJoin(QString& a, const QString& sep, const QString& b);
QString InQuotes(const QString& s);
QString InApostrophes(const QString& s);
bool EscapeSqlQuotes(QString& s);
bool EscapeAmpersands(QString& s);
bool ContainsFolded(const QString& needle, const QString& haystack);
int StartsWithFolded(const QString& s, const QString& prefix);
int CompareFolded(const QString& a, const QString& b);
QString CapitalizeFirst(const QString& s);
QString RemoveChar(const QString& s, QChar c);
int TrimLeadingBlanks(QString& s);
QString DropFirst(const QString& s, int n);
QString DropLast(const QString& s, int n);
QString TruncateTo(const QString& s, int n);
// At most width characters as a database column counts them: a character
// outside the Basic Multilingual Plane (an emoji) is one, and is never split.
QString CutToWidth(const QString& s, int width);
QString KeepLast(const QString& s, int n);
QChar LastChar(const QString& s);
// Appends the platform's path separator to a non-empty path that lacks one.
QString WithTrailingSeparator(const QString& path);
QString ProgramFolder();  // with a trailing separator
void SetProgramFolder(const QString& folder);
