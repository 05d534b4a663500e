#pragma once
// Transaction templates: named references to stored transactions (TTEMPLATE),
// one template at most per transaction. Names are bound, never pasted into
// the statement; each change commits on its own.
#include <QList>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"
#include "store/records.h"

inline constexpr int kTemplateNameWidth = 255;

struct TTemplateRow {
  int32_t txnId = 0;
  QString name;
};

// Every template by name (then by transaction id). ok tells whether the query ran.
QList<TTemplateRow> ListTemplates(bool* ok = nullptr);
// True with the name when txnId is in a template.
bool TemplateNameOf(int32_t txnId, QString& name);
// Renames the template of txnId (the name cut to 255); an empty name changes
// nothing. Commits.
bool RenameTemplate(int32_t txnId, const QString& name);
// Deletes the template of txnId. Commits.
bool DeleteTemplate(int32_t txnId);

// "New" in the templates window: refuses a transaction already in a template,
// asks, asks for the name, inserts and commits, then "Template created ok".
bool MakeTemplate(const TTxn& record);

// A stored transaction as the start of an ordinary new one: no repeater
// identity or schedule, no batch, not cancelled.
TTxn OrdinaryCopy(const TTxn& t);

enum class TemplateStart { Gone, Instances, Ready };
// What using the template of txnId starts from. Gone: the transaction cannot
// be read. Instances: it is an instance of an active repeater (record holds
// it, for its master's instances list). Ready: record is the clean new entry,
// dated date (the last saved entry's date, or today), its actual date the
// same and its posting date moved by as many days as the date was.
TemplateStart TemplateStartRecord(int32_t txnId, const TDateRec& date, TTxn& record);
