#include "ledger/templates.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariant>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

bool commitOrUndo(bool ok) {
  if (ok && CommitIfActive()) return true;
  RollbackIfActive();
  return false;
}

QDate toQDate(const TDateRec& d) { return QDate(d.year, d.month, d.day); }

TDateRec fromQDate(const QDate& d) {
  return TDateRec{uint16_t(d.year()), uint16_t(d.month()), uint16_t(d.day())};
}

}  // namespace

QList<TTemplateRow> ListTemplates(bool* ok) {
  bool ran = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select txnid, ttname from ttemplate order by ttname, txnid"), {}, &ran);
  QList<TTemplateRow> rows;
  while (ran && q.next()) rows << TTemplateRow{q.value(0).toInt(), q.value(1).toString()};
  if (ok) *ok = ran;
  return rows;
}

bool TemplateNameOf(int32_t txnId, QString& name) {
  bool ran = false;
  QSqlQuery q =
      RunQuery(QStringLiteral("select ttname from ttemplate where txnid = ?"), {txnId}, &ran);
  if (!ran || !q.next()) return false;
  name = q.value(0).toString();
  return true;
}

bool RenameTemplate(int32_t txnId, const QString& name) {
  if (name.isEmpty()) return false;
  return commitOrUndo(ExecSql(QStringLiteral("update ttemplate set ttname = ? where txnid = ?"),
                              {CutToWidth(name, kTemplateNameWidth), txnId}));
}

bool DeleteTemplate(int32_t txnId) {
  return commitOrUndo(ExecSql(QStringLiteral("delete from ttemplate where txnid = ?"), {txnId}));
}

bool MakeTemplate(const TTxn& record) {
  QString existing;
  if (TemplateNameOf(record.id, existing)) {
    ShowInfo("This transaction is already in a template : " + InQuotes(existing));
    return false;
  }
  if (!AskYes("Make template from transaction #" + num(record.id) + " ?")) return false;
  QString name;
  if (!AskTextMax(QStringLiteral("Template name"), name, kTemplateNameWidth) || name.isEmpty())
    return false;
  if (!commitOrUndo(ExecSql(QStringLiteral("insert into ttemplate (txnid, ttname) values (?, ?)"),
                            {record.id, CutToWidth(name, kTemplateNameWidth)})))
    return false;
  Flash(QStringLiteral("Template created ok"));
  return true;
}

TTxn OrdinaryCopy(const TTxn& t) {
  TTxn c = t;
  c.status = 0;
  c.masterId = 0;
  c.instance = 0;
  c.rpt = TRptSchedule();
  c.batch = 0;
  c.cancelled = false;
  return c;
}

TemplateStart TemplateStartRecord(int32_t txnId, const TDateRec& date, TTxn& record) {
  TTxn t;
  if (!ReadTxn(txnId, t)) return TemplateStart::Gone;
  if (t.masterId > 0 && t.instance > 0 && t.rpt.active) {
    record = t;
    return TemplateStart::Instances;
  }
  TTxn c = OrdinaryCopy(t);
  const QDate from = toQDate(t.txnDate), to = toQDate(date);
  c.txnDate = date;
  c.actualDate = date;
  // The posting date keeps its distance from the transaction date.
  if (!t.postingDate.isZero() && from.isValid() && to.isValid()) {
    const QDate p = toQDate(t.postingDate);
    if (p.isValid()) c.postingDate = fromQDate(p.addDays(from.daysTo(to)));
  }
  record = c;
  return TemplateStart::Ready;
}
