#pragma once
// Amounts (signed 64-bit minor units), integer and float parsing, time texts.
#include <QDateTime>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"

QString FormatAmount(int64_t v);
QString FormatAmountSigned(int64_t v);
bool ParseAmount(const QString& text, int64_t& v);
bool ParseAmountOrWarn(const QString& text, int64_t& v);
bool ParseIntOrWarn(const QString& text, int& n);
bool ParseIntOrZero(const QString& text, int& n);
bool ParseSmallInt(const QString& text, int16_t& n);
bool ParseFloatOrZero(const QString& text, double& x);
QString PadInt(int64_t n, int width);
QString SignedIntText(int64_t n);
QString FormatNumber(double x, int decimals);
// The pad character of PadInt ('0' normally; the calendar switches it to a blank).
QChar PadChar();
void SetPadChar(QChar c);

QString MinutesToHhmm(int m);
QString TimeNumberToText(int32_t n);
QString StampText(const TStampRec& s, int style);
QString LogStampText(const QDateTime& t);
