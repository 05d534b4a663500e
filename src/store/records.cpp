#include "store/records.h"

#include <QDate>
#include <QMetaType>
#include <QSqlQuery>
#include <QVariant>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/session.h"

namespace {

// The notes buffer: the NOTE of the last account read, and the text the next
// WriteAccount writes when the caller marked it changed. Kept apart so that
// reading another account (a group, a name lookup) never redirects a pending
// note onto a different row.
QString g_readNotes;
QString g_pendingNotes;
bool g_notesChanged = false;

QString num(int64_t n) { return QString::number(n); }

// A text cut to its column's width. An empty text is stored as an empty
// text, not as NULL: a row is written with every column set.
QString cut(const QString& s, int n) {
  const QString c = CutToWidth(s, n);
  return c.isNull() ? QStringLiteral("") : c;
}

QString textOf(const QVariant& v) {
  if (v.isNull()) return QString();
  if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
  return v.toString();
}

// CHAR columns come back padded; codes are compared trimmed.
QString codeOf(const QVariant& v) { return textOf(v).trimmed(); }

QChar charOf(const QVariant& v, QChar fallback) {
  const QString s = codeOf(v);
  return s.isEmpty() ? fallback : s.at(0);
}

int32_t intOf(const QVariant& v) { return v.isNull() ? 0 : v.toInt(); }
int64_t bigOf(const QVariant& v) { return v.isNull() ? 0 : v.toLongLong(); }
bool flagOf(const QVariant& v) { return intOf(v) == 1; }
TDateRec dateOf(const QVariant& v) { return YmdToDateRec(intOf(v)); }
QDateTime stampOf(const QVariant& v) { return v.isNull() ? QDateTime() : v.toDateTime(); }

QVariant flagVar(bool b) { return QVariant(b ? 1 : 0); }
QVariant dateVar(const TDateRec& d) { return QVariant(StoredDate(d)); }
QVariant bigVar(int64_t n) { return QVariant(qlonglong(n)); }
QVariant stampVar(const QDateTime& t) {
  return t.isValid() ? QVariant(t) : QVariant(QMetaType::fromType<QDateTime>());
}
QVariant textVar(const QString& s) { return QVariant(s.isNull() ? QStringLiteral("") : s); }

bool hasMsecs(const QDateTime& t) { return t.isValid() && t.time().msec() != 0; }
QDateTime dropMsecs(const QDateTime& t) { return t.isValid() ? t.addMSecs(-t.time().msec()) : t; }

// A date-time as a day number with the fraction of the day (day 0 = 1899-12-30),
// the form older generations of the books used for stamps.
QString stampAsNumber(const QDateTime& t) {
  if (!t.isValid()) return QStringLiteral("0");
  const double days =
      QDate(1899, 12, 30).daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
  return QString::number(days, 'f', 10);
}
QString stampAsText(const QDateTime& t) {
  return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) : QString();
}

// Runs a keyed query; true with q on the first row when one exists.
bool firstRow(QSqlQuery& q, const QString& sql, const QVariantList& binds, bool* failed = nullptr) {
  bool ok = false;
  q = RunQuery(sql, binds, &ok);
  if (failed) *failed = !ok;
  return ok && q.next();
}

bool rowExists(const QString& sql, const QVariantList& binds) {
  QSqlQuery q;
  return firstRow(q, sql, binds);
}

// max(column) of a table, 0 when the table is empty; -1 when the query failed.
int32_t maxOf(const QString& sql) {
  QSqlQuery q;
  bool failed = false;
  if (!firstRow(q, sql, {}, &failed)) return failed ? -1 : 0;
  return intOf(q.value(0));
}

QString accountName(int32_t id) {
  if (id == 0) return QString();
  TObj o;
  return ReadAccount(id, o) ? o.name : QString();
}

int32_t derivedBaseKind(int kind) {
  switch (kind) {
    case 8:
      return 1;
    case 9:
      return 4;
    case 10:
      return 6;
    default:
      return kind;
  }
}

bool isGroupKind(int kind) { return kind >= 8 && kind <= 10; }

const char* kAccountColumns =
    "o.id, o.ccy, o.type2, o.btype, o.isgrp, o.name, o.desig, o.bfdbal, o.bfdval, o.grpid, "
    "o.reconciled, o.opendate, o.closedate, o.rprts, o.allownegbal, o.allowposbal, o.accwith, "
    "o.sweepto, o.cptypays, o.cptyrcvs, o.payerdftpot, o.payeedftpot, o.createts, o.editts, "
    "o.fav, o.path, o.note, m.firstpstgdate, m.lastpstgdate";

void fillObj(const QSqlQuery& q, TObj& o) {
  o = TObj();
  o.id = intOf(q.value("id"));
  o.ccy = codeOf(q.value("ccy"));
  if (o.ccy.isEmpty()) o.ccy = QStringLiteral("XXX");
  o.kind = uint8_t(intOf(q.value("type2")));
  o.baseKind = uint8_t(intOf(q.value("btype")));
  o.isGroup = flagOf(q.value("isgrp"));
  o.name = textOf(q.value("name"));
  o.designation = textOf(q.value("desig"));
  o.displayName = o.name;
  o.openingBalance = bigOf(q.value("bfdbal"));
  o.openingValue = bigOf(q.value("bfdval"));
  o.groupId = intOf(q.value("grpid"));
  o.reconciledText = textOf(q.value("reconciled"));
  o.openDate = dateOf(q.value("opendate"));
  o.closeDate = dateOf(q.value("closedate"));
  o.firstPstgDate = dateOf(q.value("firstpstgdate"));
  o.lastPstgDate = dateOf(q.value("lastpstgdate"));
  o.reconciledDate = ParseDateTextOrZero(o.reconciledText);
  o.reportStamp = stampOf(q.value("rprts"));
  o.allowNegative = flagOf(q.value("allownegbal"));
  o.allowPositive = flagOf(q.value("allowposbal"));
  o.heldWith = intOf(q.value("accwith"));
  o.sweep = intOf(q.value("sweepto")) > 0;
  o.cptyPays = flagOf(q.value("cptypays"));
  o.cptyReceives = flagOf(q.value("cptyrcvs"));
  o.payerDefault = intOf(q.value("payerdftpot"));
  o.payeeDefault = intOf(q.value("payeedftpot"));
  o.created = stampOf(q.value("createts"));
  o.edited = stampOf(q.value("editts"));
  o.favourite = flagOf(q.value("fav"));
  o.path = textOf(q.value("path"));
}

// Clears the notes mark when a WriteAccount ends, whatever its outcome.
struct NotesMarkClearer {
  ~NotesMarkClearer() {
    g_notesChanged = false;
    g_pendingNotes.clear();
  }
};

// The checks and derivations every account write makes; fills the column list
// and values (NOTE only when the notes are marked changed).
void accountFields(TObj& o, QStringList& cols, QVariantList& vals) {
  if (hasMsecs(o.edited) || hasMsecs(o.created))
    ShowProgramError("Non-zero milliseconds will not be written to the db grrr");
  o.edited = dropMsecs(o.edited);
  o.created = dropMsecs(o.created);
  if ((o.kind == 3 || o.kind == 6) && o.ccy != Session().settings.baseCurrency)
    ShowProgramError("Writing Pot/Ctgy " + num(o.id) + " with ccy " + o.ccy + " not base-ccy");
  o.baseKind = uint8_t(derivedBaseKind(o.kind));
  o.isGroup = isGroupKind(o.kind);
  o.ccy = cut(o.ccy, kCcyWidth);
  o.name = cut(o.name, kNameWidth);
  o.designation = cut(o.designation, kDesigWidth);
  o.reconciledText = cut(o.reconciledText, kReconciledWidth);
  o.path = cut(o.path, kPathWidth);

  auto add = [&](const char* c, const QVariant& v) {
    cols << QString::fromLatin1(c);
    vals << v;
  };
  add("CCY", textVar(o.ccy));
  add("TYPE2", int(o.kind));
  add("BTYPE", int(o.baseKind));
  add("ISGRP", flagVar(o.isGroup));
  add("NAME", textVar(o.name));
  add("DESIG", textVar(o.designation));
  add("BFDBAL", bigVar(o.openingBalance));
  add("BFDVAL", bigVar(o.openingValue));
  add("GRPID", o.groupId);
  add("RECONCILED", textVar(o.reconciledText));
  add("OPENDATE", dateVar(o.openDate));
  add("CLOSEDATE", dateVar(o.closeDate));
  add("ALLOWNEGBAL", flagVar(o.allowNegative));
  add("ALLOWPOSBAL", flagVar(o.allowPositive));
  add("ACCWITH", o.heldWith);
  add("SWEEPTO", o.sweep ? 999 : 0);
  add("CPTYPAYS", flagVar(o.cptyPays));
  add("CPTYRCVS", flagVar(o.cptyReceives));
  add("PAYERDFTPOT", o.payerDefault);
  add("PAYEEDFTPOT", o.payeeDefault);
  add("EDITTS", stampVar(o.edited));
  add("CREATETS", stampVar(o.created));
  add("FAV", flagVar(o.favourite));
  add("PATH", textVar(o.path));
  if (g_notesChanged) add("NOTE", textVar(g_pendingNotes));
}

QString insertSql(const QString& table, const QStringList& cols) {
  QStringList marks;
  for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
  return "insert into " + table + " (" + cols.join(", ") + ") values (" + marks.join(", ") + ")";
}

QString updateSql(const QString& table, const QStringList& cols, const QString& where) {
  QStringList sets;
  for (const QString& c : cols) sets << c + " = ?";
  return "update " + table + " set " + sets.join(", ") + " where " + where;
}

QDateTime storedAccountEditTs(int32_t id, bool& found) {
  QSqlQuery q;
  found = firstRow(q, "select o.editts from account o where o.id = ?", {id});
  return found ? stampOf(q.value(0)) : QDateTime();
}

// The TXN columns written by both row writers, from the record.
void txnFields(TTxn& t, QStringList& cols, QVariantList& vals) {
  t.ccy = cut(t.ccy, kCcyWidth);
  t.reference = cut(t.reference, kRefWidth);
  t.narrative = cut(t.narrative, kNarrativeWidth);
  auto add = [&](const char* c, const QVariant& v) {
    cols << QString::fromLatin1(c);
    vals << v;
  };
  add("ID", t.id);
  add("CCY", textVar(t.ccy));
  add("INSTANCE", t.instance);
  add("TXNDATE", dateVar(t.txnDate));
  add("DATE2", dateVar(t.postingDate));
  add("AMT", bigVar(t.amount));
  add("VAL", bigVar(t.value));
  add("RATE", t.rate);
  add("REF", textVar(t.reference));
  add("\"type\"", QString(t.type));
  add("NARRATIVE", textVar(t.narrative));
  add("CANCELLED", flagVar(t.cancelled));
  add("ACCID1", t.accId1);
  add("ACCID2", t.accId2);
  add("ACCID3", t.accId3);
  add("ACCID4", t.accId4);
  add("DPDATE", flagVar(t.firstOfDay));
  add("MASTERID", t.masterId);
  add("CHNUM", t.channel);
  add("ACTUALTXNDATE", dateVar(t.actualDate));
  add("BATCHNUM", t.batch);
}

// A stray ACCID3 would post a fourth leg nobody shows: refuse the write.
bool accid3Refused(const TTxn& t) {
  if (t.accId3 == 0) return false;
  ShowProgramError("set_txn : accid3 <> 0");
  return true;
}

void fillSchedule(const QSqlQuery& q, TRptSchedule& s) {
  s = TRptSchedule();
  s.genTo = intOf(q.value("gento"));
  s.freq = charOf(q.value("freq"), QChar(' '));
  s.startDate = dateOf(q.value("startdate"));
  s.endDate = dateOf(q.value("enddate"));
  s.active = flagOf(q.value("rptactive"));
  s.rptInc = intOf(q.value("rptinc"));
  s.rptCt = intOf(q.value("rptct"));
  s.rmDays = intOf(q.value("rmdays"));
  s.genToDate = ScheduleInstanceDate(s, s.genTo);
}

bool readSchedule(int32_t id, TRptSchedule& s, QSqlQuery& q) {
  if (!firstRow(q,
                "select r.id, r.\"type\", r.startdate, r.enddate, r.freq, r.rptinc, r.rptct, "
                "r.gento, r.rptactive, r.rmdays, r.amt, r.ccy, r.accid1, r.accid2, r.accid3, "
                "r.accid4, r.chnum, r.ref, r.narrative, r.createts, r.editts "
                "from rptr r where r.id = ?",
                {id}))
    return false;
  fillSchedule(q, s);
  return true;
}

const char* kPstgColumns =
    "p.txnid, p.objid, p.contra, p.txntype, p.pstgdate, p.seq, p.ccy, p.amt, p.val, p.rngbal, "
    "p.recamt, p.reconcode, p.dppstgdate, p.dprngbal, p.chnum, p.batchnum, p.rprts";

bool isPostingType(QChar c) { return QStringLiteral("ACDFPRZ").contains(c); }

}  // namespace

TObj NewObj() {
  TObj o;
  o.ccy = Session().settings.baseCurrency;
  return o;
}

TTxn NewTxn() {
  TTxn t;
  t.ccy = Session().workingCurrency;
  return t;
}

TPstg NewPstg() {
  TPstg p;
  p.ccy = Session().settings.baseCurrency;
  return p;
}

int32_t StoredDate(const TDateRec& d) { return d.isZero() ? 0 : DateRecToYmd(d); }

bool OpenTables() { return IsConnected(); }
void CloseTables() {}

bool LocateAccount(int32_t id) {
  return rowExists("select first 1 1 from account where id = ?", {id});
}
bool LocateCurrency(const QString& code) {
  return rowExists("select first 1 1 from ccy where id = ?", {code});
}
bool LocateChannel(int32_t chnum) {
  return rowExists("select first 1 1 from channel where chnum = ?", {chnum});
}
bool LocateCptyCtgy(int32_t cpty, int32_t ctgy, const QString& purchsale) {
  return rowExists(
      "select first 1 1 from cptyctgy where cptyid = ? and ctgyid = ? and purchsale = ?",
      {cpty, ctgy, purchsale});
}
bool LocatePosting(int32_t txnId, int32_t objId) {
  return rowExists("select first 1 1 from pstg where txnid = ? and objid = ?", {txnId, objId});
}
bool LocateReminder(int32_t id) {
  return rowExists("select first 1 1 from remdr where id = ?", {id});
}
bool LocateRepeater(int32_t id) {
  return rowExists("select first 1 1 from rptr where id = ?", {id});
}
bool LocateTxn(int32_t id) { return rowExists("select first 1 1 from txn where id = ?", {id}); }

// ---------------------------------------------------------------- accounts

bool ReadAccount(int32_t id, TObj& obj) {
  if (id < 1) return false;
  QSqlQuery q;
  bool failed = false;
  if (!firstRow(q,
                QStringLiteral("select %1 from account o left join movte m on m.objid = o.id "
                               "where o.id = ?")
                    .arg(QLatin1String(kAccountColumns)),
                {id}, &failed)) {
    if (!failed) ShowInfo("Account not found : #" + num(id));
    return false;
  }
  fillObj(q, obj);
  g_readNotes = textOf(q.value("note"));
  return true;
}

int32_t NewAccountId() {
  const int32_t m = maxOf("select max(o.id) as maxid from account o");
  return m < 0 ? 0 : m + 1;
}

QString AccountNotes() { return g_readNotes; }
void SetAccountNotes(const QString& text) {
  g_pendingNotes = text;
  g_notesChanged = true;
}
bool AccountNotesChanged() { return g_notesChanged; }
void ClearAccountNotesChanged() {
  g_notesChanged = false;
  g_pendingNotes.clear();
}

bool WriteAccount(TObj& obj) {
  NotesMarkClearer clearMark;
  if (obj.ccy.size() != 3)
    ShowProgramError("Writing account " + num(obj.id) + " with invalid ccy code " + obj.ccy);

  TObj o = obj;
  if (o.id == 0) {
    const int32_t id = NewAccountId();
    if (id < 1) return false;
    o.id = id;
    o.created = NowToSecond();
    QStringList cols{QStringLiteral("ID")};
    QVariantList vals{id};
    accountFields(o, cols, vals);
    if (!ExecSql(insertSql("account", cols), vals)) return false;
    if (!LocateAccount(id)) return false;
    if (o.displayName.isEmpty()) o.displayName = o.name;
    if (!ExecSql("insert into movte (objid, firstpstgdate, lastpstgdate) values (" + num(id) +
                 ", 99999999, 99999999)"))
      return false;
    obj = o;
    return true;
  }

  bool found = false;
  const QDateTime stored = storedAccountEditTs(o.id, found);
  if (!found) {
    ShowInfo(QStringLiteral("obj") + " not found " + num(o.id));
    return false;
  }
  if (stored != o.edited) {
    ShowProgramError("Downdating account #" + num(o.id) + " \"" + o.name + "\"");
    return false;
  }
  o.edited = NowToSecond();
  QStringList cols;
  QVariantList vals;
  accountFields(o, cols, vals);
  vals << o.id;
  if (!ExecSql(updateSql("account", cols, "id = ?"), vals)) return false;
  const QDateTime back = storedAccountEditTs(o.id, found);
  if (found && back != o.edited)
    ShowProgramError("edit ts truncated from " + stampAsNumber(o.edited) + "  " +
                     stampAsText(o.edited) + " to " + stampAsNumber(back) + "  " +
                     stampAsText(back));
  if (found) o.edited = back;
  obj = o;
  return true;
}

// ------------------------------------------------------------ transactions

bool ReadTxn(int32_t id, TTxn& txn) {
  QSqlQuery q;
  if (!firstRow(q,
                "select t.id, t.ccy, t.masterid, t.instance, t.txndate, t.date2, "
                "t.actualtxndate, t.amt, t.val, t.rate, t.\"type\", t.ref, t.narrative, "
                "t.accid1, t.accid2, t.accid3, t.accid4, t.cancelled, t.createts, t.editts, "
                "t.createdate, t.createtime, t.dpdate, t.chnum, t.batchnum "
                "from txn t where t.id = ?",
                {id}))
    return false;
  TTxn t;
  t.id = intOf(q.value("id"));
  t.ccy = codeOf(q.value("ccy"));
  t.masterId = intOf(q.value("masterid"));
  t.instance = intOf(q.value("instance"));
  const int32_t date2 = intOf(q.value("date2"));
  const int32_t actual = intOf(q.value("actualtxndate"));
  t.txnDate = dateOf(q.value("txndate"));
  t.actualDate = YmdToDateRec(actual);
  // A posting date equal to the actual date is no separate posting date.
  t.postingDate = date2 == actual ? TDateRec() : YmdToDateRec(date2);
  t.amount = bigOf(q.value("amt"));
  t.value = bigOf(q.value("val"));
  t.rate = q.value("rate").isNull() ? 0.0 : q.value("rate").toDouble();
  const QString type = codeOf(q.value("type"));
  if (type.isEmpty()) {
    ShowInfo("Invalid type for txn " + num(id));
    t.type = QChar(' ');
  } else {
    t.type = type.at(0);
  }
  t.reference = textOf(q.value("ref"));
  t.narrative = textOf(q.value("narrative"));
  t.accId1 = intOf(q.value("accid1"));
  t.accId2 = intOf(q.value("accid2"));
  t.accId3 = intOf(q.value("accid3"));
  t.accId4 = intOf(q.value("accid4"));
  t.cancelled = flagOf(q.value("cancelled"));
  t.created = stampOf(q.value("createts"));
  t.edited = stampOf(q.value("editts"));
  t.createDate = intOf(q.value("createdate"));
  t.createTime = intOf(q.value("createtime"));
  t.firstOfDay = flagOf(q.value("dpdate"));
  t.channel = intOf(q.value("chnum"));
  t.batch = intOf(q.value("batchnum"));
  t.status = t.instance > 0 ? 2 : 0;

  t.accName1 = accountName(t.accId1);
  t.accName2 = accountName(t.accId2);
  t.accName3 = accountName(t.accId3);
  t.accName4 = accountName(t.accId4);

  if (t.channel != 0) {
    TChannel ch;
    t.channelName =
        ReadChannelRow(t.channel, ch) ? ch.name + " " : "invalid chnum " + num(t.channel);
  }

  if (t.created.isValid()) {
    int32_t d = 0, tm = 0;
    StampToNumbers(t.created, d, tm);
    if (d != t.createDate || tm != t.createTime)
      ShowProgramError("Createdate/time mismatch for txn #" + num(id));
  }

  if (t.masterId > 0) {
    QSqlQuery mq;
    if (!readSchedule(t.masterId, t.rpt, mq)) t.rpt.freq = QChar('X');
  }
  txn = t;
  return true;
}

int32_t NewTxnId() {
  const int32_t max1 = maxOf("select max(t.id) as maxid1 from txn t");
  if (max1 < 0) return 0;
  const int32_t max2 = maxOf("select max(p.txnid) as maxid2 from pstg p");
  if (max2 < 0) return 0;
  if (max1 != max2) {
    ShowInfo("Txn id mismatch on last rows on TXN / PSTG tables : " + num(max1) + " / " +
             num(max2) + " - run DB check");
    return 0;
  }
  return max1 + 1;
}

bool InsertTxnRow(TTxn& txn) {
  if (accid3Refused(txn)) return false;
  TTxn t = txn;
  if (t.id == 0) {
    t.id = NewTxnId();
    if (t.id == 0) return false;
  }
  if (t.batch == -1) t.batch = t.id;
  t.created = NowToSecond();
  StampToNumbers(t.created, t.createDate, t.createTime);
  QStringList cols;
  QVariantList vals;
  txnFields(t, cols, vals);
  cols << "CREATETS"
       << "CREATEDATE"
       << "CREATETIME";
  vals << stampVar(t.created) << t.createDate << t.createTime;
  if (!ExecSql(insertSql("txn", cols), vals)) return false;
  txn = t;
  RecordCounterpartyCategory(txn);
  return true;
}

bool UpdateTxnRow(TTxn& txn) {
  if (!LocateTxn(txn.id)) {
    ShowInfo("txn not found " + num(txn.id));
    return false;
  }
  if (accid3Refused(txn)) return false;
  TTxn t = txn;
  if (t.batch == -1) t.batch = t.id;
  t.edited = NowToSecond();
  QStringList cols;
  QVariantList vals;
  txnFields(t, cols, vals);
  cols << "EDITTS";
  vals << stampVar(t.edited) << t.id;
  if (!ExecSql(updateSql("txn", cols, "id = ?"), vals)) return false;
  txn = t;
  RecordCounterpartyCategory(txn);
  return true;
}

bool EditTxnText(int32_t id, QString& text, QChar which) {
  const bool description = which == QChar('D');
  if (!description && which != QChar('R')) {
    ShowProgramError("EditTxnText : invalid field code " + QString(which));
    return false;
  }
  // The frozen guard of the ledger's changes (which this layer cannot call).
  if (Session().settings.dbFrozen) {
    ShowInfo(QStringLiteral("Cannot edit txn, database is frozen"));
    return false;
  }
  if (!LocateTxn(id)) {
    ShowInfo("txn not found " + num(id));
    return false;
  }
  const int width = description ? kNarrativeWidth : kRefWidth;
  QString answer = cut(text, width);
  if (!AskTextMax(QStringLiteral("Edit transaction ") + (description ? "description" : "reference"),
                  answer, width))
    return false;
  answer = cut(answer, width);
  const QString column = description ? QStringLiteral("narrative") : QStringLiteral("ref");
  if (!ExecSql("update txn set " + column + " = ? where id = ?", {answer, id})) return false;
  if (!CommitIfActive()) return false;
  text = answer;
  return true;
}

bool RecordCounterpartyCategory(const TTxn& txn) {
  QString direction;
  if (txn.type == QChar('P'))
    direction = QStringLiteral("P");
  else if (txn.type == QChar('R'))
    direction = QStringLiteral("S");
  else
    return true;
  // A payment without a category (or without a counterparty) has no pair.
  if (txn.accId2 == 0 || txn.accId4 == 0) return true;
  if (LocateCptyCtgy(txn.accId2, txn.accId4, direction)) return true;
  return ExecSql("insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) values (?, ?, ?, 0)",
                 {txn.accId2, txn.accId4, direction});
}

// ---------------------------------------------------------------- postings

bool ReadPosting(int32_t txnId, int32_t objId, TPstg& p) {
  QSqlQuery q;
  if (!firstRow(q,
                QStringLiteral("select %1 from pstg p where p.txnid = ? and p.objid = ?")
                    .arg(QLatin1String(kPstgColumns)),
                {txnId, objId}))
    return false;
  TPstg r;
  r.txnId = intOf(q.value("txnid"));
  r.seq = intOf(q.value("seq"));
  r.account = intOf(q.value("objid"));
  r.contra = intOf(q.value("contra"));
  r.ccy = codeOf(q.value("ccy"));
  r.amount = bigOf(q.value("amt"));
  r.runningBalance = bigOf(q.value("rngbal"));
  r.reconciledAmount = bigOf(q.value("recamt"));
  r.value = bigOf(q.value("val"));
  r.postingDate = dateOf(q.value("pstgdate"));
  r.reconcileCode = intOf(q.value("reconcode"));
  r.reportStamp = stampOf(q.value("rprts"));
  r.type = charOf(q.value("txntype"), QChar(' '));
  r.firstOfDay = flagOf(q.value("dppstgdate"));
  r.balanceShown = flagOf(q.value("dprngbal"));
  r.batch = intOf(q.value("batchnum"));
  r.channel = intOf(q.value("chnum"));
  if (!isPostingType(r.type)) {
    ShowInfo("Posting has invalid txn type " + num(txnId) + "-" + num(objId));
    // In memory only: the owning transaction's type stands in.
    QSqlQuery tq;
    r.type = firstRow(tq, "select t.\"type\" from txn t where t.id = ?", {txnId})
                 ? charOf(tq.value(0), QChar(' '))
                 : QChar(' ');
  }
  p = r;
  return true;
}

bool WritePosting(const TPstg& p) {
  QSqlQuery q;
  bool failed = false;
  const bool exists =
      firstRow(q, "select p.pstgdate, p.amt from pstg p where p.txnid = ? and p.objid = ?",
               {p.txnId, p.account}, &failed);
  if (failed) return false;
  const int32_t oldDate = exists ? intOf(q.value(0)) : 0;
  const int64_t oldAmount = exists ? bigOf(q.value(1)) : 0;
  q = QSqlQuery();

  QStringList cols{"CONTRA",     "TXNTYPE",  "PSTGDATE", "SEQ",      "CCY",
                   "AMT",        "VAL",      "RNGBAL",   "RECAMT",   "RECONCODE",
                   "DPPSTGDATE", "DPRNGBAL", "CHNUM",    "BATCHNUM", "RPRTS"};
  QVariantList vals{p.contra,
                    QString(p.type),
                    dateVar(p.postingDate),
                    p.seq,
                    cut(p.ccy, kCcyWidth),
                    bigVar(p.amount),
                    bigVar(p.value),
                    bigVar(p.runningBalance),
                    bigVar(p.reconciledAmount),
                    p.reconcileCode,
                    flagVar(p.firstOfDay),
                    flagVar(p.balanceShown),
                    p.channel,
                    p.batch,
                    stampVar(dropMsecs(p.reportStamp))};
  bool ok;
  if (exists) {
    vals << p.txnId << p.account;
    ok = ExecSql(updateSql("pstg", cols, "txnid = ? and objid = ?"), vals);
  } else {
    cols << "TXNID"
         << "OBJID";
    vals << p.txnId << p.account;
    ok = ExecSql(insertSql("pstg", cols), vals);
  }
  if (!ok) return false;

  // Only changes that reach into the period make its summaries stale.
  const int32_t to = Session().periodTo;
  const int32_t newDate = StoredDate(p.postingDate);
  const bool stale =
      exists ? (oldDate <= to || newDate <= to) && (oldAmount != p.amount || oldDate != newDate)
             : p.amount != 0 && newDate <= to;
  if (stale) SetRebalanceNeeded(true);
  return true;
}

bool DeletePosting(int32_t txnId, int32_t objId) {
  TPstg p;
  if (!ReadPosting(txnId, objId, p)) return false;
  return ExecSql("delete from pstg where txnid = ? and objid = ?", {txnId, objId});
}

bool EnsureBfdMarker(const TObj& account) {
  if (LocatePosting(0, account.id)) return true;
  TPstg p = NewPstg();
  p.txnId = 0;
  p.account = account.id;
  p.ccy = account.ccy;
  p.type = QChar('A');
  return WritePosting(p);
}

bool DeleteBfdMarker(int32_t accountId) {
  return ExecSql("delete from pstg where txnid = 0 and objid = ?", {accountId});
}

// ---------------------------------------------------------------- movements

bool ReadMovt(int32_t accountId, const QString& ccy, Tmovt& m) {
  QSqlQuery q;
  if (!firstRow(q,
                "select o.id, o.grpid, o.type2, m.bfd, m.prepdnet, m.pdbfd, m.pdpayts, "
                "m.pdrcpts, m.pdtfrs, o.path from account o left join movtg m on "
                "m.accid = o.id and m.ccy = ? and m.amtval = 'A' where o.id = ?",
                {ccy, accountId}))
    return false;
  Tmovt r;
  r.accountId = intOf(q.value("id"));
  r.groupId = intOf(q.value("grpid"));
  r.ccy = ccy;
  r.openingBalance = bigOf(q.value("bfd"));
  r.prePeriodNet = bigOf(q.value("prepdnet"));
  r.periodPayments = bigOf(q.value("pdpayts"));
  r.periodReceipts = bigOf(q.value("pdrcpts"));
  r.periodTransfers = bigOf(q.value("pdtfrs"));
  const int kind = intOf(q.value("type2"));
  if (kind == 1 || kind == 3 || kind == 6)
    r.closingBalance =
        r.openingBalance + r.prePeriodNet + r.periodPayments + r.periodReceipts + r.periodTransfers;
  r.path = textOf(q.value("path"));
  m = r;
  return true;
}

// ------------------------------------------------------------- other tables

TDateRec ScheduleInstanceDate(const TRptSchedule& s, int32_t n) {
  if (n < 1) return TDateRec();
  TDateRec d = s.startDate;
  // Stepping the whole distance at once keeps the day of the month, so a
  // month-end start rolls over only on the final date.
  AddPeriods(d, int(int64_t(s.rptInc) * (n - 1)), s.freq);
  RollDayOverflow(d);
  return d;
}

bool ReadRptrRow(int32_t id, TRptr& r) {
  QSqlQuery q;
  TRptr x;
  if (!readSchedule(id, x.sched, q)) return false;
  x.id = intOf(q.value("id"));
  x.ccy = codeOf(q.value("ccy"));
  x.amount = bigOf(q.value("amt"));
  x.type = charOf(q.value("type"), QChar(' '));
  x.reference = textOf(q.value("ref"));
  x.narrative = textOf(q.value("narrative"));
  x.accId1 = intOf(q.value("accid1"));
  x.accId2 = intOf(q.value("accid2"));
  x.accId3 = intOf(q.value("accid3"));
  x.accId4 = intOf(q.value("accid4"));
  x.created = stampOf(q.value("createts"));
  x.edited = stampOf(q.value("editts"));
  x.channel = intOf(q.value("chnum"));
  q = QSqlQuery();
  x.accName1 = accountName(x.accId1);
  x.accName2 = accountName(x.accId2);
  x.accName3 = accountName(x.accId3);
  x.accName4 = accountName(x.accId4);
  r = x;
  return true;
}

bool ReadRptrSchedules(QList<QPair<int32_t, TRptSchedule>>& schedules) {
  schedules.clear();
  bool ok = false;
  QSqlQuery q = RunQuery(QStringLiteral("select r.id, r.startdate, r.enddate, r.freq, r.rptinc, "
                                        "r.rptct, r.gento, r.rptactive, r.rmdays "
                                        "from rptr r order by r.id"),
                         {}, &ok);
  if (!ok) return false;
  while (q.next()) {
    TRptSchedule s;
    fillSchedule(q, s);
    schedules << qMakePair(intOf(q.value("id")), s);
  }
  return true;
}

bool WriteRptrRow(TRptr& r) {
  if (r.id <= 0) {
    ShowProgramError("WriteRptrRow : repeater id " + num(r.id));
    return false;
  }
  TRptr x = r;
  const bool exists = LocateRepeater(x.id);
  if (exists)
    x.edited = NowToSecond();
  else
    x.created = NowToSecond();
  x.ccy = cut(x.ccy, kCcyWidth);
  x.reference = cut(x.reference, kRefWidth);
  x.narrative = cut(x.narrative, kNarrativeWidth);
  QStringList cols{"\"type\"",  "STARTDATE", "ENDDATE", "FREQ",      "RPTINC",   "RPTCT",  "GENTO",
                   "RPTACTIVE", "RMDAYS",    "AMT",     "CCY",       "ACCID1",   "ACCID2", "ACCID3",
                   "ACCID4",    "CHNUM",     "REF",     "NARRATIVE", "CREATETS", "EDITTS"};
  QVariantList vals{QString(x.type),
                    dateVar(x.sched.startDate),
                    dateVar(x.sched.endDate),
                    QString(x.sched.freq),
                    x.sched.rptInc,
                    x.sched.rptCt,
                    x.sched.genTo,
                    flagVar(x.sched.active),
                    x.sched.rmDays,
                    bigVar(x.amount),
                    x.ccy,
                    x.accId1,
                    x.accId2,
                    x.accId3,
                    x.accId4,
                    x.channel,
                    x.reference,
                    x.narrative,
                    stampVar(dropMsecs(x.created)),
                    stampVar(dropMsecs(x.edited))};
  bool ok;
  if (exists) {
    vals << x.id;
    ok = ExecSql(updateSql("rptr", cols, "id = ?"), vals);
  } else {
    cols << "ID";
    vals << x.id;
    ok = ExecSql(insertSql("rptr", cols), vals);
  }
  if (ok) r = x;
  return ok;
}

bool ReadRemdrRow(int32_t id, TRemdr& r) {
  QSqlQuery q;
  if (!firstRow(q, "select r.id, r.txnid, r.rmdate, r.tgdate, r.text from remdr r where r.id = ?",
                {id}))
    return false;
  TRemdr x;
  x.id = intOf(q.value("id"));
  x.txnId = intOf(q.value("txnid"));
  x.rmDate = dateOf(q.value("rmdate"));
  x.tgDate = dateOf(q.value("tgdate"));
  x.text = textOf(q.value("text"));
  r = x;
  return true;
}

int32_t NewReminderId() {
  const int32_t m = maxOf("select max(r.id) from remdr r");
  return m < 0 ? 0 : m + 1;
}

bool WriteRemdrRow(TRemdr& r) {
  TRemdr x = r;
  if (x.id == 0) {
    x.id = NewReminderId();
    if (x.id == 0) return false;
  }
  x.text = cut(x.text, kReminderTextWidth);
  const QVariantList vals{x.txnId, dateVar(x.rmDate), dateVar(x.tgDate), x.text, x.id};
  const bool ok =
      LocateReminder(x.id)
          ? ExecSql("update remdr set txnid = ?, rmdate = ?, tgdate = ?, text = ? where id = ?",
                    vals)
          : ExecSql("insert into remdr (txnid, rmdate, tgdate, text, id) values (?, ?, ?, ?, ?)",
                    vals);
  if (ok) r = x;
  return ok;
}

bool ReadCcyRow(const QString& code, TCcy& c) {
  QSqlQuery q;
  if (!firstRow(q, "select * from ccy where ccy.id = ?", {code.toUpper()})) return false;
  TCcy x;
  x.code = codeOf(q.value("id"));
  x.name = textOf(q.value("name"));
  x.base = flagOf(q.value("base"));
  c = x;
  return true;
}

bool WriteCcyRow(const TCcy& c) {
  const QString code = cut(c.code, kCcyWidth);
  const QVariantList vals{cut(c.name, kCcyNameWidth), flagVar(c.base), code};
  return LocateCurrency(code) ? ExecSql("update ccy set name = ?, base = ? where id = ?", vals)
                              : ExecSql("insert into ccy (name, base, id) values (?, ?, ?)", vals);
}

bool ReadChannelRow(int32_t chnum, TChannel& ch) {
  QSqlQuery q;
  if (!firstRow(q,
                "select c.chnum, c.accid, c.chname, c.chnote, c.chsts, c.chtype "
                "from channel c where c.chnum = ?",
                {chnum}))
    return false;
  TChannel x;
  x.chnum = intOf(q.value("chnum"));
  x.accId = intOf(q.value("accid"));
  x.name = textOf(q.value("chname"));
  x.note = textOf(q.value("chnote"));
  x.status = intOf(q.value("chsts"));
  x.type = charOf(q.value("chtype"), QChar('X'));
  ch = x;
  return true;
}

int32_t NewChannelNum() {
  const int32_t m = maxOf("select max(c.chnum) from channel c");
  return m < 0 ? 0 : m + 1;
}

bool WriteChannelRow(TChannel& ch) {
  TChannel x = ch;
  if (x.chnum == 0) {
    x.chnum = NewChannelNum();
    if (x.chnum == 0) return false;
  }
  x.name = cut(x.name, kChannelNameWidth);
  const QVariantList vals{x.accId, x.name, x.note, x.status, QString(x.type), x.chnum};
  const bool ok = LocateChannel(x.chnum)
                      ? ExecSql(
                            "update channel set accid = ?, chname = ?, chnote = ?, chsts = ?, "
                            "chtype = ? where chnum = ?",
                            vals)
                      : ExecSql(
                            "insert into channel (accid, chname, chnote, chsts, chtype, chnum) "
                            "values (?, ?, ?, ?, ?, ?)",
                            vals);
  if (ok) ch = x;
  return ok;
}
