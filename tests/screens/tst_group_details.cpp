// The group details and regroup dialogs driven offscreen on real books: a new
// group of each kind (currency, duplicate names, odd and blank names), the
// display, edit and discard modes, bad dates, the own-group and open-member
// refusals, a back-dated parent undone by a later refusal, a foreign group
// edited under another working currency, frozen books, and regrouping.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "screens/views/group_details.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QStringList comboItems(const QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

TObj read(int32_t id) {
  TObj o;
  ReadAccount(id, o);
  return o;
}

}  // namespace

class TstGroupDetails : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

  int32_t account(int kind, const QString& name, int32_t group = 0,
                  const QString& ccy = QStringLiteral("GBP"), int32_t opened = 20230101) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.ccy = ccy;
    o.groupId = group;
    o.openDate = YmdToDateRec(opened);
    if (group > 0) o.path = " " + read(group).name + " :";
    return WriteAccount(o) && CommitIfActive() ? o.id : 0;
  }
  void selectParent(TFPgrp& d, const QString& text) {
    const int i = d.parentCombo()->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    d.parentCombo()->setCurrentIndex(i);
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetPeriodDates(20240101, 20241231);
    Session().workingCurrency = QStringLiteral("GBP");
    QVERIFY(account(10, "Dup"));
  }
  void cleanup() { books_.reset(); }

  void newGroup_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");  // empty: saved
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("ccy");
    QTest::newRow("internal, name taken") << 6 << "dup"
                                          << "Internal Group \"Dup\"already exists"
                                          << ""
                                          << "";
    QTest::newRow("external, same name") << 1 << "dup"
                                         << ""
                                         << "dup"
                                         << "EUR";
    QTest::newRow("counterparty: three blanks") << 9 << "Buyers"
                                                << ""
                                                << "Buyers"
                                                << "   ";
    QTest::newRow("internal: the base currency") << 10 << "Mine"
                                                 << ""
                                                 << "Mine"
                                                 << "GBP";
    QTest::newRow("odd name, cut to 40") << 10 << "it's \"quoted\" 50%; " + QString(30, 'x') << ""
                                         << "it's \"quoted\" 50%; " + QString(21, 'x') << "GBP";
    QTest::newRow("blank name") << 8 << "   "
                                << "Group name must be specified"
                                << ""
                                << "";
  }
  void newGroup() {
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, storedName);
    QFETCH(QString, ccy);
    Session().workingCurrency = QStringLiteral("EUR");
    const int32_t parent = account(GroupKindFor(kind) ? GroupKindFor(kind) : kind, "Parent", 0,
                                   kind == 9                ? "   "
                                   : kind == 1 || kind == 8 ? "EUR"
                                                            : "GBP");
    SetRebalanceNeeded(false);
    Session().settings.resetPaths = false;
    ScriptedPrompter p;
    TFPgrp d;
    QVERIFY(d.prepareNew(kind, QString()));
    QCOMPARE(d.okButton()->text(), QStringLiteral("Insert"));
    QVERIFY(!d.deleteAction()->isEnabled());
    QCOMPARE(d.idLabel()->text(), QStringLiteral("Id 0"));
    QCOMPARE(d.openedEdit()->text(), QStringLiteral("2024-01-01"));
    const bool internal = kind == 3 || kind == 6 || kind == 10;
    const QStringList parents =
        internal ? QStringList{"<none>", "Dup", "Parent"} : QStringList{"<none>", "Parent"};
    QCOMPARE(comboItems(d.parentCombo()), parents);
    d.nameEdit()->setText(name);
    selectParent(d, "Parent");
    if (!message.isEmpty()) p.info(message);
    d.show();
    d.okButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(d.isVisible(), !message.isEmpty());
    if (!message.isEmpty()) {
      QCOMPARE(d.nameEdit()->text(), name);
      QVERIFY(!RebalanceNeeded());
      return;
    }
    const TObj g = read(d.saved().id);
    QCOMPARE(g.name, storedName);
    QCOMPARE(QueryValue("select ccy from account where id = ?", {g.id}).toString().left(3), ccy);
    QCOMPARE(int(g.kind), GroupKindFor(kind) ? GroupKindFor(kind) : kind);
    QCOMPARE(g.groupId, parent);
    QCOMPARE(g.path, QStringLiteral(" Parent :"));
    QCOMPARE(DateRecToYmd(g.openDate), 20240101);
    QVERIFY(RebalanceNeeded() && Session().settings.resetPaths);
  }

  // Display mode: OK writes nothing. A keystroke in the notes makes it an
  // edit; Cancel then asks before discarding.
  void modes() {
    const int32_t id = account(10, "Plain");
    const TObj before = read(id);
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    {
      TFPgrp d;
      QVERIFY(d.prepareExisting(id));
      QCOMPARE(d.windowTitle(), QStringLiteral("Account group - Internal"));
      QCOMPARE(d.okButton()->text(), QStringLiteral("Update"));
      QVERIFY(!d.okButton()->isEnabled());
      QCOMPARE(d.cancelButton()->text(), QStringLiteral("Close"));
      d.show();
      d.save();
      QVERIFY(!d.isVisible());
      QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    QCOMPARE(read(id).edited, before.edited);
    QVERIFY(!RebalanceNeeded());

    TFPgrp d;
    QVERIFY(d.prepareExisting(id));
    d.show();
    QTest::keyClicks(d.notesEdit(), "n");
    QCOMPARE(d.cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(d.cancelButton()->accessibleName(), QStringLiteral("Cancel"));
    QVERIFY(d.okButton()->isEnabled());
    p.no("Discard changes?");
    d.cancelButton()->click();
    QVERIFY(d.isVisible());
    p.yes("Discard changes?");
    d.cancelButton()->click();
    QVERIFY(!d.isVisible());
    VERIFY_PROMPTS(p);
    QCOMPARE(read(id).edited, before.edited);
  }

  void refusals_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("open date") << "opened"
                               << "2024-13-45"
                               << "Opendate invalid";
    QTest::newRow("close date") << "closed"
                                << "abc"
                                << "Closedate invalid";
    QTest::newRow("close date with an open member")
        << "closed"
        << "2024-05-01"
        << "Group contains open subgroup/account \"Child\"- cannot close";
    QTest::newRow("under its own child") << "parent"
                                         << "Child"
                                         << "An Account Group must not contain itself";
    QTest::newRow("renamed onto another") << "name"
                                          << "DUP"
                                          << "Internal Group \"Dup\"already exists";
    QTest::newRow("frozen books") << "frozen"
                                  << ""
                                  << "Cannot change accounts, database is frozen";
  }
  // Each refusal keeps the dialog open with what was typed and writes nothing.
  void refusals() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    const int32_t top = account(10, "Top");
    const int32_t child = account(10, "Child", top);
    QVERIFY(child);
    const TObj before = read(top);
    ScriptedPrompter p;
    TFPgrp d;
    QVERIFY(d.prepareExisting(top));
    d.show();
    if (field == "opened") d.openedEdit()->setText(value);
    if (field == "closed") d.closedEdit()->setText(value);
    if (field == "name") d.nameEdit()->setText(value);
    if (field == "parent") selectParent(d, value);
    if (field == "frozen") {
      QTest::keyClicks(d.notesEdit(), "n");
      Session().settings.dbFrozen = true;
    }
    p.info(message);
    d.okButton()->click();
    Session().settings.dbFrozen = false;
    VERIFY_PROMPTS(p);
    QVERIFY(d.isVisible());
    if (field == "opened") QCOMPARE(d.openedEdit()->text(), value);
    if (field == "closed") QCOMPARE(d.closedEdit()->text(), value);
    QCOMPARE(read(top).edited, before.edited);
  }

  // The parent's open date moved back by the answer is undone with the
  // group's refused write; Cancel leaves both as they were.
  void backDateUndoneByLaterRefusal() {
    const int32_t parent = account(10, "Late parent", 0, "GBP", 20240601);
    const int32_t id = account(10, "Early", 0, "GBP", 20240101);
    ScriptedPrompter p;
    TFPgrp d;
    QVERIFY(d.prepareExisting(id));
    d.show();
    selectParent(d, "Late parent");
    // Someone else saves the group meanwhile: this dialog's write is refused.
    QVERIFY(ExecSql("update account set editts = ? where id = ?",
                    {QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)), id}));
    CommitIfActive();
    p.yes(" Group " + QString::number(parent) +
          " \"Late parent\" opened too late for Account / Sub-Group \"Early\" - back-date ?");
    p.info("Program error : Downdating account #" + QString::number(id) + " \"Early\"");
    d.okButton()->click();
    QVERIFY2(d.isVisible(), qPrintable(p.seen().join(" | ")));
    p.yes("Discard changes?");
    d.cancelButton()->click();
    VERIFY_PROMPTS(p);
    QCOMPARE(DateRecToYmd(read(parent).openDate), 20240601);
    QCOMPARE(read(id).groupId, 0);
  }

  // A EUR group edited while the working currency is GBP keeps its currency
  // and parent; its parents are the EUR groups.
  void foreignGroupKeepsCurrencyAndParent() {
    const int32_t top = account(8, "Euro top", 0, "EUR");
    const int32_t id = account(8, "Euro sub", top, "EUR");
    QVERIFY(account(8, "Sterling top"));
    Session().workingCurrency = QStringLiteral("GBP");
    ScriptedPrompter p;
    TFPgrp d;
    QVERIFY(d.prepareExisting(id));
    QCOMPARE(comboItems(d.parentCombo()), (QStringList{"<none>", "Euro sub", "Euro top"}));
    QCOMPARE(d.parentCombo()->currentText(), QStringLiteral("Euro top"));
    QCOMPARE(d.currencyLabel()->text(), QStringLiteral("Currency = EUR"));
    d.show();
    QTest::keyClicks(d.notesEdit(), "note");
    d.okButton()->click();
    VERIFY_PROMPTS(p);
    QVERIFY(!d.isVisible());
    const TObj g = read(id);
    QCOMPARE(g.ccy, QStringLiteral("EUR"));
    QCOMPARE(g.groupId, top);
    QCOMPARE(g.path, QStringLiteral(" Euro top :"));
    QCOMPARE(AccountNotes(), QStringLiteral("note"));
    QCOMPARE(d.tabs()->currentIndex(), 0);
    TFPgrp again;
    QVERIFY(again.prepareExisting(id));
    QCOMPARE(again.tabs()->currentIndex(), 1);  // a note shows first
  }

  // Ten accounts to the top level; the target's ancestor in the list is
  // skipped and named; frozen books move nothing.
  void regroup() {
    const int32_t top = account(10, "Top");
    const int32_t sub = account(10, "Sub", top);
    QList<int32_t> ids;
    for (int i = 0; i < 10; ++i) ids << account(3, "Cat " + QString::number(i), top);
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    {
      TFRegrp d;
      d.prepare(10);
      for (int32_t id : ids) d.addItem(id, read(id).name);
      QCOMPARE(d.parentCombo()->currentText(), QStringLiteral("<none>"));
      QCOMPARE(comboItems(d.parentCombo()), (QStringList{"<none>", "Dup", "Sub", "Top"}));
      d.show();
      p.yes("Regroup these Accounts / Groups - are you sure ?");
      d.okButton()->click();
      QVERIFY(!d.isVisible());
    }
    for (int32_t id : ids) {
      QCOMPARE(read(id).groupId, 0);
      QCOMPARE(read(id).path, QStringLiteral(" "));
    }
    QVERIFY(RebalanceNeeded());

    {
      TFRegrp d;
      d.prepare(10);
      d.addItem(top, "Top");
      d.addItem(ids[0], "Cat 0");
      d.parentCombo()->setCurrentIndex(d.parentCombo()->findText("Sub"));
      d.show();
      p.yes("Regroup these Accounts / Groups - are you sure ?");
      p.info("An Account Group must not contain itself");
      p.info("Not regrouped : Top");
      d.okButton()->click();
    }
    QCOMPARE(read(top).groupId, 0);
    QCOMPARE(read(ids[0]).groupId, sub);
    QCOMPARE(read(ids[0]).path, QStringLiteral(" Top : Sub :"));

    Session().settings.dbFrozen = true;
    {
      TFRegrp d;
      d.prepare(10);
      d.addItem(ids[1], "Cat 1");
      d.parentCombo()->setCurrentIndex(d.parentCombo()->findText("Top"));
      d.show();
      p.yes("Regroup these Accounts / Groups - are you sure ?");
      p.info("Cannot change accounts, database is frozen");
      d.okButton()->click();
      QVERIFY(d.isVisible());
    }
    Session().settings.dbFrozen = false;
    QCOMPARE(read(ids[1]).groupId, 0);
    VERIFY_PROMPTS(p);
  }
};

QTEST_MAIN(TstGroupDetails)
#include "tst_group_details.moc"
