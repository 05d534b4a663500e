#include "foundation/fields.h"

#include <limits>

// A value outside the 32-bit range reads as 0 rather than as a wrapped number.
int FieldAsInt(const QVariant& field) {
  if (field.isNull()) return 0;
  bool ok = false;
  const qlonglong n = field.toLongLong(&ok);
  if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()) return 0;
  return int(n);
}

int64_t FieldAsInt64(const QVariant& field) {
  if (field.isNull()) return 0;
  bool ok = false;
  const qlonglong n = field.toLongLong(&ok);
  return ok ? n : 0;
}

QString FieldAsText(const QVariant& field) {
  if (field.isNull()) return QString();
  return field.toString();
}

int FieldByNameAsInt(const QSqlRecord& record, const QString& name) {
  return FieldAsInt(record.value(name));
}

int FieldByNameAsInt(const QSqlQuery& query, const QString& name) {
  return FieldAsInt(query.record().value(name));
}
