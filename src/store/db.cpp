#include "store/db.h"

#include <fcntl.h>
#include <ibase.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <algorithm>
#include <cerrno>

#include "foundation/messages.h"
#include "store/inifile.h"
#include "store/settings.h"

namespace {

const char* kConnectionName = "vorbek";
QString g_location;
QString g_lastError;
bool g_quiet = false;

QSqlDatabase connection() { return QSqlDatabase::database(kConnectionName, false); }

QString engineText(const QSqlError& e) {
  QString t = e.databaseText().trimmed();
  if (t.isEmpty()) t = e.text().trimmed();
  return t;
}

void fail(const QString& text, const QString& sql) {
  g_lastError = text;
  if (!g_quiet) {
    QString shown = "Database error : " + text;
    if (!sql.isEmpty()) shown += "\n\n" + sql.left(400);
    ShowInfo(shown);
  }
}

bool prepareAndExec(QSqlQuery& q, const QString& sql, const QVariantList& binds) {
  q.setForwardOnly(true);
  bool ok;
  if (binds.isEmpty()) {
    ok = q.exec(sql);
  } else {
    ok = q.prepare(sql);
    if (ok) {
      for (const QVariant& v : binds) q.addBindValue(v);
      ok = q.exec();
    }
  }
  if (!ok) {
    fail(engineText(q.lastError()), sql);
    return false;
  }
  g_lastError.clear();
  return true;
}

QString interpretStatus(const ISC_STATUS* status) {
  QStringList parts;
  char buf[1024];
  const ISC_STATUS* p = status;
  while (fb_interpret(buf, sizeof buf, &p) > 0) parts << QString::fromLocal8Bit(buf);
  return parts.join(" - ");
}

}  // namespace

namespace {

// Files this process created with forced writes off, until they are switched on,
// by a key that one file has however its path is spelt.
QStringList g_unforced;
QString fileKey(const QString& location) {
  return QDir::cleanPath(QFileInfo(location).absoluteFilePath());
}

// The database parameter block of an attachment (or creation) to location, with more items.
QByteArray parameterBlock(const QString& location, const QByteArray& more) {
  QByteArray dpb(1, char(isc_dpb_version1));
  auto add = [&dpb](char item, const QByteArray& value) {
    dpb += item;
    dpb += char(value.size());
    dpb += value;
  };
  const TDbLogin login = DbLoginFor(location);
  add(isc_dpb_user_name, login.user.toUtf8().left(255));
  add(isc_dpb_password, login.password.toUtf8().left(255));
  return dpb + more;
}

// Names the user a refused server login tried (never the password).
QString withUser(const QString& location, const QString& error) {
  if (!IsServerLocation(location)) return error;
  return error + "\r(user " + DbLoginFor(location).user + ")";
}

QByteArray byteItem(char item, char value) { return QByteArray(1, item) + char(1) + value; }

// A four-byte item, in the little-endian order the engine reads.
QByteArray longItem(char item, quint32 value) {
  QByteArray b(1, item);
  b += char(4);
  for (int i = 0; i < 4; ++i) b += char((value >> (8 * i)) & 0xff);
  return b;
}

}  // namespace

bool CreateDatabaseFile(const QString& location, QString& error) {
  // A new file is written without forced writes while its tables are made:
  // nothing can be lost from a file that did not exist. SwitchOnForcedWrites
  // makes it safe before the books are used.
  QByteArray more = byteItem(isc_dpb_force_write, 0) + byteItem(isc_dpb_sql_dialect, 3);
  const QByteArray charset("UTF8");
  more += char(isc_dpb_set_db_charset);
  more += char(charset.size());
  more += charset;
  more += longItem(isc_dpb_page_size, 8192);
  more += longItem(isc_dpb_set_page_buffers, kPageBuffers);
  const QByteArray dpb = parameterBlock(location, more);
  const QByteArray path = location.toLocal8Bit();
  ISC_STATUS_ARRAY status = {};
  isc_db_handle dbh = 0;
  if (isc_create_database(status, 0, path.constData(), &dbh, short(dpb.size()), dpb.constData(),
                          SQL_DIALECT_V6)) {
    error = withUser(location, interpretStatus(status));
    return false;
  }
  isc_detach_database(status, &dbh);
  g_unforced << fileKey(location);
  error.clear();
  return true;
}

bool MoveNewDatabaseFile(const QString& from, const QString& to, QString& error) {
  // link + unlink: the name appears whole and never replaces an existing file.
  const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
  if (::link(a.constData(), b.constData()) != 0) {
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  ::unlink(a.constData());
  const int dir = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  if (g_unforced.removeAll(fileKey(from)) > 0) g_unforced << fileKey(to);
  error.clear();
  return true;
}

namespace {

// An attachment of our own to location with more parameters, or 0 with
// status saying why.
isc_db_handle attachWith(const QString& location, const QByteArray& more, ISC_STATUS* status) {
  const QByteArray dpb = parameterBlock(location, more);
  const QByteArray path = location.toLocal8Bit();
  isc_db_handle dbh = 0;
  if (isc_attach_database(status, 0, path.constData(), &dbh, short(dpb.size()), dpb.constData()))
    return 0;
  return dbh;
}

void detachFrom(isc_db_handle& dbh) {
  if (!dbh) return;
  ISC_STATUS_ARRAY status = {};
  isc_detach_database(status, &dbh);
  dbh = 0;
}

// A second attachment with the switch in its parameters changes the file's
// header for every attachment.
bool setForcedWrites(const QString& location, bool on) {
  ISC_STATUS_ARRAY status = {};
  isc_db_handle dbh = attachWith(location, byteItem(isc_dpb_force_write, on ? 1 : 0), status);
  if (!dbh) {
    g_lastError = interpretStatus(status);
    return false;
  }
  detachFrom(dbh);
  return true;
}

// One number about an attachment from the engine's information call (-1 when
// it cannot say): the monitoring tables would take a snapshot shared with
// other processes.
int databaseInfo(isc_db_handle dbh, char item) {
  const char items[] = {item, isc_info_end};
  char result[32] = {};
  ISC_STATUS_ARRAY status = {};
  if (isc_database_info(status, &dbh, sizeof items, items, sizeof result, result) ||
      result[0] != item)
    return -1;
  const short length = short(isc_vax_integer(result + 1, 2));
  return int(isc_vax_integer(result + 3, length));
}

int databaseInfo(const QSqlDatabase& db, char item) {
  const QVariant v = db.driver()->handle();
  if (v.metaType() != QMetaType::fromType<isc_db_handle>()) return -1;
  return databaseInfo(*static_cast<const isc_db_handle*>(v.data()), item);
}

// Local books are opened first by an attachment of our own, which carries the
// engine settings the driver cannot pass and gives the file our page cache;
// the driver's connection then joins the open database, and this one goes.
//
// Garbage collection is cooperative: whoever reads a changed row cleans up
// its old version there and then. The engine's default also wakes a
// background thread for the same rows, and after a statement rewrites 50,000
// running balances the two fought over the same pages for a second or more.
class EngineSettingsAttachment {
 public:
  explicit EngineSettingsAttachment(const QString& location) : location_(location) {
    if (IsServerLocation(location)) return;
    attach();
    // The header's cache size counts from the next opening of the file.
    const int buffers = dbh_ ? databaseInfo(dbh_, isc_info_num_buffers) : -1;
    if (buffers > 0 && buffers < kPageBuffers && setPageBuffers()) {
      detach();
      attach();
    }
  }
  ~EngineSettingsAttachment() { detach(); }

 private:
  void attach() {
    static const QByteArray config("GCPolicy = cooperative");
    QByteArray more(1, char(isc_dpb_config));
    more += char(config.size());
    more += config;
    ISC_STATUS_ARRAY status = {};
    dbh_ = attachWith(location_, more, status);  // on failure the driver's opening says why
  }
  void detach() { detachFrom(dbh_); }
  // A file that cannot be written keeps what it has.
  bool setPageBuffers() {
    ISC_STATUS_ARRAY status = {};
    isc_db_handle dbh =
        attachWith(location_, longItem(isc_dpb_set_page_buffers, kPageBuffers), status);
    if (!dbh) return false;
    detachFrom(dbh);
    return true;
  }

  QString location_;
  isc_db_handle dbh_ = 0;
};

bool g_holdUnforced = false;
QString g_reopenUnforced;  // the key of a new file closed while held

}  // namespace

bool SwitchOnForcedWrites(const QString& location) {
  const QString key = fileKey(location);
  if (!g_unforced.contains(key)) return true;
  if (!setForcedWrites(location, true)) return false;
  g_unforced.removeAll(key);
  return true;
}

bool SwitchOffForcedWritesOfCopy(const QString& location) {
  if (IsServerLocation(location)) return true;
  if (!setForcedWrites(location, false)) return false;
  const QString key = fileKey(location);
  if (!g_unforced.contains(key)) g_unforced << key;
  return true;
}

void HoldNewFileUnforced(bool hold) {
  g_holdUnforced = hold;
  g_reopenUnforced.clear();
}

TDbLogin DbLoginFor(const QString& location) {
  TDbLogin login{QLatin1String(kDbUser), QLatin1String(kDbPassword)};
  if (!IsServerLocation(location)) return login;
  // Each of the two on its own: the environment, else the settings file.
  const IniFile ini(DatabaseIniPath(FolderOfPath(location)));
  const QString section = QLatin1String(kIniSection);
  auto pick = [&](const char* variable, const char* key, QString& value) {
    if (qEnvironmentVariableIsSet(variable))
      value = qEnvironmentVariable(variable);
    else if (ini.hasKey(section, QLatin1String(key)))
      value = ini.readString(section, QLatin1String(key), value);
  };
  pick("ISC_USER", "ServerUser", login.user);
  pick("ISC_PASSWORD", "ServerPassword", login.password);
  return login;
}

bool DatabaseFileMissing(const QString& location) {
  ISC_STATUS_ARRAY status = {};
  isc_db_handle dbh = attachWith(location, QByteArray(), status);
  if (dbh) {
    detachFrom(dbh);
    return false;
  }
  // The open's own failure carries the system's error number.
  for (int i = 1; i + 1 < ISC_STATUS_LENGTH && status[i] != isc_arg_end; i += 2) {
    if (status[i] == isc_arg_unix && status[i + 1] == ENOENT) return true;
    if (status[i] == isc_arg_cstring) ++i;  // a length, then the text
  }
  return false;
}

bool OpenConnection(const QString& location, QString& error) {
  CloseConnection();
  QSqlDatabase db = QSqlDatabase::contains(kConnectionName)
                        ? QSqlDatabase::database(kConnectionName, false)
                        : QSqlDatabase::addDatabase("QIBASE", kConnectionName);
  if (!db.isValid()) {
    error = "The Firebird driver for Qt (QIBASE) is not installed";
    return false;
  }
  const TDbLogin login = DbLoginFor(location);
  db.setDatabaseName(location);
  db.setUserName(login.user);
  db.setPassword(login.password);
  db.setConnectOptions("ISC_DPB_LC_CTYPE=UTF8");
  {
    const EngineSettingsAttachment settings(location);
    if (!db.open()) {
      error = engineText(db.lastError());
      if (error.isEmpty()) error = "Cannot open database " + location;
      error = withUser(location, error);
      return false;
    }
  }
  g_location = location;
  error.clear();
  // The new file closed for a moment (to be copied) is still being made.
  const QString key = fileKey(location);
  if (g_holdUnforced && key == g_reopenUnforced && !IsServerLocation(location) &&
      setForcedWrites(location, false))
    g_unforced << key;
  g_reopenUnforced.clear();
  return true;
}

void CloseConnection() {
  if (!QSqlDatabase::contains(kConnectionName)) return;
  {
    QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
    if (db.isOpen()) {
      if (db.driver()->hasFeature(QSqlDriver::Transactions)) db.rollback();
      db.close();
    }
  }
  // Books written but never opened as books (a conversion's target) are made safe
  // here, and so is a new file closed to be copied before its upgrade: the copy
  // is what an interrupted upgrade puts back.
  if (!g_location.isEmpty()) {
    const QString key = fileKey(g_location);
    const bool wasUnforced = g_unforced.contains(key);
    if (SwitchOnForcedWrites(g_location) && wasUnforced && g_holdUnforced) g_reopenUnforced = key;
  }
  g_location.clear();
}

bool IsConnected() { return connection().isOpen(); }
QString ConnectionLocation() { return g_location; }
int ConnectionPageBuffers() {
  return IsConnected() ? std::max(0, databaseInfo(connection(), isc_info_num_buffers)) : 0;
}
bool ConnectionForcedWrites() {
  return IsConnected() && databaseInfo(connection(), isc_info_forced_writes) == 1;
}

namespace {
bool g_inTx = false;
}

bool InTransaction() { return g_inTx && IsConnected(); }

bool StartTxIfNone() {
  if (InTransaction()) return true;
  QSqlDatabase db = connection();
  if (!db.isOpen()) {
    fail("no database is open", QString());
    return false;
  }
  if (!db.transaction()) {
    fail(engineText(db.lastError()), QString());
    return false;
  }
  g_inTx = true;
  return true;
}

bool CommitIfActive() {
  if (!InTransaction()) return true;
  QSqlDatabase db = connection();
  g_inTx = false;
  if (!db.commit()) {
    fail(engineText(db.lastError()), QStringLiteral("commit"));
    return false;
  }
  return true;
}

bool RollbackIfActive() {
  if (!InTransaction()) return true;
  QSqlDatabase db = connection();
  g_inTx = false;
  if (!db.rollback()) {
    fail(engineText(db.lastError()), QStringLiteral("rollback"));
    return false;
  }
  return true;
}

bool CommitRetainingAndCloseTables() { return CommitIfActive(); }

bool ExecSql(const QString& sql, const QVariantList& binds) {
  if (!StartTxIfNone()) return false;
  QSqlQuery q(connection());
  return prepareAndExec(q, sql, binds);
}

bool ExecSqlCommitted(const QString& sql, const QVariantList& binds) {
  if (!ExecSql(sql, binds)) return false;
  return CommitIfActive();
}

PreparedSql::PreparedSql(const QString& sql) : sql_(sql), q_(connection()) {
  if (!StartTxIfNone()) return;
  q_.setForwardOnly(true);
  ok_ = q_.prepare(sql);
  if (!ok_) fail(engineText(q_.lastError()), sql);
}

bool PreparedSql::exec(const QVariantList& binds) {
  if (!ok_ || !StartTxIfNone()) return false;
  for (int i = 0; i < binds.size(); ++i) q_.bindValue(i, binds[i]);
  if (!q_.exec()) {
    fail(engineText(q_.lastError()), sql_);
    return false;
  }
  g_lastError.clear();
  return true;
}

QSqlQuery RunQuery(const QString& sql, const QVariantList& binds, bool* ok) {
  QSqlDatabase db = connection();
  QSqlQuery q(db);
  bool done = false;
  if (!db.isOpen())
    fail("no database is open", sql);
  else
    done = prepareAndExec(q, sql, binds);
  if (ok) *ok = done;
  return q;
}

QVariant QueryValue(const QString& sql, const QVariantList& binds, const QVariant& fallback) {
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok || !q.next() || q.value(0).isNull()) return fallback;
  return q.value(0);
}

int CountRows(const QString& table, const QString& condition, const QVariantList& binds) {
  QString sql = "select count(*) as ct from " + table;
  if (!condition.isEmpty()) sql += "\nwhere " + condition;
  return QueryValue(sql, binds, -1).toInt();
}

int CountAll(const QString& table) {
  return QueryValue("SELECT COUNT(*) as ct FROM " + table, {}, -1).toInt();
}

QString LastDbError() { return g_lastError; }

QuietDbErrors::QuietDbErrors() : previous_(g_quiet) { g_quiet = true; }
QuietDbErrors::~QuietDbErrors() { g_quiet = previous_; }
