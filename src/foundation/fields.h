#pragma once
// Reading query fields without caring about NULL: a NULL number reads as 0 and a
// NULL text as the empty text, which is what every screen and rebuild wants.
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <cstdint>

int FieldAsInt(const QVariant& field);
int64_t FieldAsInt64(const QVariant& field);
QString FieldAsText(const QVariant& field);
// FieldAsInt reads a value outside the 32-bit range as 0.
// FieldAsInt of the named field; a name the record lacks also reads as 0.
int FieldByNameAsInt(const QSqlRecord& record, const QString& name);
int FieldByNameAsInt(const QSqlQuery& query, const QString& name);
