// The control window on real books: start-up tasks, the panel, the wash choice,
// the recent-database list, the menus' captions and commands, and shutdown.
#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "screens/masterdata/currencies.h"
#include "screens/views/monthly_window.h"
#include "shell/ctrl_window.h"
#include "shell/recent_list.h"
#include "shell/startup.h"
#include "store/inifile.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {
}

class TestCtrlWindow : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(home_.isValid());
    SetProgramFolder(home_.path());
    SetProgramTitle("vorbek");
  }

  void init() {
    SetClock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    RecentDatabases() = TRecentDatabases();
    QFile::remove(ProgramIniPath());
  }
  void cleanup() { ResetClock(); }

  // The start-up timer rolls a rolling period to today and shows the version.
  void startupTasksRollThePeriod() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    Session().settings.periodType = 2;
    SetPeriodDates(20230315, 20240314);  // the period of a run yesterday
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    TFCtrl w;
    w.startAfterOpening(true);
    QVERIFY(w.startupTimer()->isActive());
    QCOMPARE(w.startupTimer()->interval(), 500);
    QTRY_COMPARE(w.versionLabel()->text(), QString("34"));
    QVERIFY(!w.startupTimer()->isActive());
    QVERIFY(p.flashes().contains("Period end has been reset = today"));
    QCOMPARE(Session().periodFrom, 20230316);
    QCOMPARE(Session().periodTo, 20240315);
    QCOMPARE(w.fromLabel()->text(), QString("2023-03-16"));
    QCOMPARE(w.toLabel()->text(), QString("2024-03-15 (today)"));
    QVERIFY(RebalanceNeeded());
    QCOMPARE(w.panel()->text(), QString(" Rebalance needed"));
    QVERIFY(!w.rebalanceButton()->isHidden());
    QCOMPARE(w.nameBox()->text(), Session().settings.databaseName);
    QCOMPARE(QAccessible::queryAccessibleInterface(w.nameBox())->text(QAccessible::Name),
             QString("Name"));
    QCOMPARE(w.locationLabel()->text(), books.folder());
    VERIFY_PROMPTS(p);
  }

  void startupLeavesFixedPeriod() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    Session().settings.periodType = 0;
    SetPeriodDates(20230101, 20231231);
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    TFCtrl w;
    w.runStartupTasks();
    QVERIFY(p.flashes().isEmpty());
    QCOMPARE(Session().periodTo, 20231231);
    QVERIFY(!RebalanceNeeded());
    QCOMPARE(w.panel()->text(), QString());
    QVERIFY(w.rebalanceButton()->isHidden());
    VERIFY_PROMPTS(p);
  }

  void statusPanel() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    SetRebalanceNeeded(true);
    TFCtrl w;
    ShowStatus("Opening database ...");
    QCOMPARE(w.panel()->text(), QString(" Opening database ..."));
    ShowStatus(QString());
    QCOMPARE(w.panel()->text(), QString(" Rebalance needed"));
    SetRebalanceNeeded(false);
    QCOMPARE(w.panel()->text(), QString());
  }

  // A check made by the program changes nothing; a click by the user does.
  void washRadioQuietWhenProgramChecks() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    Session().settings.washCtgies = false;
    SetRebalanceNeeded(false);
    TFCtrl w;
    w.show();
    QVERIFY(w.noWashRadio()->isChecked());
    QVERIFY(!RebalanceNeeded());
    CheckRadioQuietly(w.washRadio());
    QVERIFY(w.washRadio()->isChecked());
    QVERIFY(!Session().settings.washCtgies);
    QVERIFY(!RebalanceNeeded());
    QTest::mouseClick(w.noWashRadio(), Qt::LeftButton);
    QVERIFY(w.noWashRadio()->isChecked());
    QVERIFY(!Session().settings.washCtgies);
    QVERIFY(RebalanceNeeded());
    SetRebalanceNeeded(false);
    QTest::mouseClick(w.washRadio(), Qt::LeftButton);
    QVERIFY(Session().settings.washCtgies);
    QVERIFY(RebalanceNeeded());
  }

  // At midnight the " (today)" mark moves from one label to the other by itself.
  void dayRolloverMovesTodayMark() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    SetClock(QDateTime(QDate(2024, 3, 15), QTime(23, 59, 59)));
    SetPeriodDates(20240315, 20240316);
    TFCtrl w;
    QCOMPARE(w.fromLabel()->text(), QString("2024-03-15 (today)"));
    QCOMPARE(w.toLabel()->text(), QString("2024-03-16"));
    QVERIFY(w.dayTimer()->isActive());
    AdvanceClock(2000);
    QTRY_COMPARE(w.toLabel()->text(), QString("2024-03-16 (today)"));
    QCOMPARE(w.fromLabel()->text(), QString("2024-03-15"));
  }

  void recentListRules() {
    TRecentDatabases r;
    r.slot[0] = "/a/vorbek.fdb";
    r.slot[2] = "/gone/vorbek.fdb";
    r.slot[5] = "/gone/vorbek.fdb";
    QCOMPARE(RemoveRecentPath(r, "/gone/vorbek.fdb"), 2);
    QVERIFY(r.slot[2].isEmpty() && r.slot[5].isEmpty());
    QCOMPARE(r.slot[0], QString("/a/vorbek.fdb"));
    QCOMPARE(SlotOfChosenPath(r, "/a/vorbek.fdb"), 0);
    QCOMPARE(SlotOfChosenPath(r, "/b/vorbek.fdb"), 9);
    QCOMPARE(r.slot[9], QString("/b/vorbek.fdb"));
    QCOMPARE(SlotOfBrowsedPath(r, "/c/vorbek.fdb"), 1);  // first empty slot
    QCOMPARE(SlotOfBrowsedPath(r, "/b/vorbek.fdb"), 9);  // listed already
    for (int i = 0; i < kRecentSlots; ++i) r.slot[i] = QString("/x%1/vorbek.fdb").arg(i);
    QCOMPARE(SlotOfBrowsedPath(r, "/new/vorbek.fdb"), 9);
    QCOMPARE(r.slot[9], QString("/new/vorbek.fdb"));
    QCOMPARE(r.slot[8], QString("/x8/vorbek.fdb"));
  }

  // A recent database whose file went offers its removal from every slot.
  void recentMissingFileRemoved() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    const QString gone = home_.path() + "/gone/vorbek.fdb";
    TRecentDatabases& r = RecentDatabases();
    r.slot[0] = books.dbPath();
    r.slot[3] = gone;
    r.slot[7] = gone;
    TFCtrl w;
    ScriptedPrompter p;
    const QString question = "File not found \"" + gone + "\"\rRemove database name from list?";
    p.no(question).yes(question);
    w.openRecent(7);
    QCOMPARE(r.slot[3], gone);
    w.openRecent(3);
    QVERIFY(r.slot[3].isEmpty());
    QVERIFY(r.slot[7].isEmpty());
    QCOMPARE(r.slot[0], books.dbPath());
    QVERIFY(DatabaseIsOpen());
    QCOMPARE(DatabaseLocation(), books.dbPath());
    w.updateDatabaseMenu();
    QVERIFY(w.menu().recent[0]->isVisible());
    QVERIFY(w.menu().recent[0]->isChecked());
    QVERIFY(!w.menu().recent[3]->isVisible());
    QVERIFY(!w.menu().thisDb->isVisible());
    VERIFY_PROMPTS(p);
  }

  // Browsing to other books with all ten slots in use puts them into slot 9 and
  // opens them; the old books' settings are saved into their own folder.
  void browseReplacesSlotNineAndSwitches() {
    TestBooks other(TestBooks::Closed);
    TestBooks books;
    QVERIFY2(books.ok() && other.ok(), qPrintable(books.error() + other.error()));
    Session().settings.databaseName = "first books";
    TRecentDatabases& r = RecentDatabases();
    for (int i = 0; i < kRecentSlots; ++i)
      r.slot[i] = home_.path() + QString("/x%1/vorbek.fdb").arg(i);
    r.slot[0] = books.dbPath();
    TFCtrl w;
    w.updateDatabaseMenu();
    QVERIFY(w.menu().recent[0]->isChecked());
    ScriptedPrompter p;
    p.folder(home_.path() + "/nothing/");
    p.info("Vorbek database vorbek.fdb not found in folder " + home_.path() + "/nothing/");
    w.browseDatabase();
    QCOMPARE(DatabaseLocation(), books.dbPath());  // still open
    p.folder(other.folder());
    w.browseDatabase();
    VERIFY_PROMPTS(p);
    QCOMPARE(r.slot[9], other.dbPath());
    QCOMPARE(r.which, 9);
    QVERIFY(DatabaseIsOpen());
    QCOMPARE(DatabaseLocation(), other.dbPath());
    QCOMPARE(w.locationLabel()->text(), other.folder());
    QVERIFY(w.startupTimer()->isActive());  // the start-up tasks run again
    QCOMPARE(IniFile(books.iniPath()).readString("main", "DatabaseName", ""),
             QString("first books"));
    w.updateDatabaseMenu();
    QVERIFY(w.menu().recent[9]->isChecked());
    QVERIFY(!w.menu().recent[0]->isChecked());
  }

  // Books are opened by a typed name too (a server's books have no folder
  // here to browse to): a malformed server name is refused before any
  // connection, a typed folder without books is refused, and a typed folder
  // with books opens them into a slot of the list.
  void openByName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("said");
    const QString form = " - books on a server are named host:/folder/ or host/port:/folder/";
    QTest::newRow("host alone") << "host:"
                                << "Invalid database name \"host:\"" + form;
    QTest::newRow("no host") << ":/x"
                             << "Invalid database name \":/x\"" + form;
    QTest::newRow("relative path") << "host:books/"
                                   << "Invalid database name \"host:books/\"" + form;
    QTest::newRow("port not a number") << "host/abc:/x/"
                                       << "Invalid database name \"host/abc:/x/\"" + form;
    QTest::newRow("no books in the folder")
        << "<home>/nothing"
        << "Vorbek database vorbek.fdb not found in folder <home>/nothing/";
  }
  void openByName() {
    QFETCH(QString, typed);
    QFETCH(QString, said);
    typed.replace("<home>", home_.path());
    said.replace("<home>", home_.path());
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    p.text("Database name (host:/folder/ for books on a server)", typed);
    p.info(said);
    w.menu().openByName->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(DatabaseLocation(), books.dbPath());  // still open
  }
  void openByNameOpensTypedFolder() {
    TestBooks other(TestBooks::Closed);
    TestBooks books;
    QVERIFY2(books.ok() && other.ok(), qPrintable(books.error() + other.error()));
    RecentDatabases().slot[0] = books.dbPath();
    TFCtrl w;
    ScriptedPrompter p;
    QString folder = other.folder();
    if (folder.endsWith('/')) folder.chop(1);  // typed without the separator
    p.text("Database name (host:/folder/ for books on a server)", "  " + folder + " ");
    w.menu().openByName->trigger();
    VERIFY_PROMPTS(p);
    QCOMPARE(DatabaseLocation(), other.dbPath());
    QCOMPARE(RecentDatabases().slot[1], other.dbPath());
    QCOMPARE(RecentDatabases().which, 1);
  }

  void accountsMenuCaptions() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    Session().externalWorkingCurrency = "USD";
    Session().workingCurrency = "USD";
    Session().settings.freezeBefore = 0;
    TFCtrl w;
    const TCtrlMenu& m = w.menu();
    w.updateAccountsMenu();
    QCOMPARE(w.listKind(), 1);
    QVERIFY(m.kindExternal->isChecked());
    QCOMPARE(m.listByStatus->text(), QString("List by account status (USD)"));
    QCOMPARE(m.listByGroups->text(), QString("List by account Groups (USD)"));
    QCOMPARE(m.currency->text(), QString("Currency = USD"));
    QVERIFY(m.currency->isEnabled() && m.values->isEnabled());
    QCOMPARE(m.values->text(), "Values ( at " + w.toLabel()->text() + " )");
    QCOMPARE(m.freezeBefore->text(), QString("Freeze"));

    m.kindInternal->trigger();
    QCOMPARE(w.listKind(), 6);
    QCOMPARE(Session().workingCurrency, QString("GBP"));  // the base currency
    QCOMPARE(m.listByStatus->text(), QString("List by account status "));
    QCOMPARE(m.listByGroups->text(), QString("List by account Groups "));
    QVERIFY(!m.currency->isEnabled() && !m.values->isEnabled());

    m.kindCpty->trigger();
    QCOMPARE(w.listKind(), 4);
    QCOMPARE(Session().workingCurrency, QString("USD"));  // the last external one
    QCOMPARE(m.listByStatus->text(), QString("List by account status "));
    QCOMPARE(m.listByGroups->text(), QString("List by account Groups (USD)"));
    QVERIFY(m.currency->isEnabled() && !m.values->isEnabled());

    Session().settings.freezeBefore = 20240131;
    w.updateAccountsMenu();
    QCOMPARE(m.freezeBefore->text(), QString("Freeze on/before 2024-01-31"));
  }

  void freezeBeforeChoices() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TDbSettings& st = Session().settings;
    st.freezeBefore = 0;
    TFCtrl w;
    ScriptedPrompter p;
    p.date("Freeze account postings on/before ", 20240131);
    w.setFreezeBefore();
    QCOMPARE(st.freezeBefore, 20240131);
    QCOMPARE(p.flashes(), QStringList{"Account postings frozen on/before 2024-01-31"});
    p.choice("Freeze account postings on/before 2024-01-31", 0);  // closed: no change
    p.choice("Freeze account postings on/before 2024-01-31", 1);
    p.date("Freeze account postings on/before ", 20240229);
    p.choice("Freeze account postings on/before 2024-02-29", 2);
    w.setFreezeBefore();
    QCOMPARE(st.freezeBefore, 20240131);
    w.setFreezeBefore();
    QCOMPARE(st.freezeBefore, 20240229);
    w.setFreezeBefore();
    QCOMPARE(st.freezeBefore, 0);
    VERIFY_PROMPTS(p);
  }

  void freezeToggle() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TSession& s = Session();
    s.settings.dbFrozen = false;
    s.dbEndDate = 0;
    TFCtrl w;
    ScriptedPrompter p;
    w.toggleFreeze(true);
    QVERIFY(s.settings.dbFrozen);
    w.updateDatabaseMenu();
    QVERIFY(w.menu().freeze->isChecked());
    w.toggleFreeze(false);  // a current database thaws at once
    QVERIFY(!s.settings.dbFrozen);
    s.dbEndDate = 20231231;  // an archive asks twice
    s.settings.dbFrozen = true;
    p.yes("Allow changes to this archived database - are you sure ?")
        .no("... really really sure ?");
    w.toggleFreeze(false);
    QVERIFY(s.settings.dbFrozen);
    QVERIFY(w.menu().freeze->isChecked());
    p.yes("Allow changes to this archived database - are you sure ?")
        .yes("... really really sure ?");
    w.toggleFreeze(false);
    QVERIFY(!s.settings.dbFrozen);
    VERIFY_PROMPTS(p);
  }

  void seekAccountById() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    p.text("Account id search", "1");
    // Account #1 is the default pot: its details form opens; close it as a user would.
    QString opened;
    QTimer::singleShot(0, [&opened] {
      if (QWidget* form = QApplication::activeModalWidget()) {
        opened = form->windowTitle();
        form->close();
      }
    });
    p.text("Account id search", "999").info("Account not found : #999");
    p.text("Account id search", "0").info("Account not found : #0");
    p.text("Account id search", "abc").info("Invalid integer \"abc\"");
    p.text("Account id search", "1", false);
    for (int i = 0; i < 5; ++i) w.seekAccountById();
    QCOMPARE(opened, QString("Internal Account details"));
    VERIFY_PROMPTS(p);
  }

  void toolsAndDebugItems() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    SetRebalanceNeeded(false);
    Session().settings.oneClickSelect = false;
    TFCtrl w;
    const TCtrlMenu& m = w.menu();
    w.updateToolsMenu();
    QCOMPARE(m.flashInterval->text(), QString("Flash interval = %1ms").arg(FlashInterval()));
    QCOMPARE(m.flashLast->isEnabled(), !LastFlashMessage().isEmpty());
    RememberFlashMessage("Saved OK");
    w.updateToolsMenu();
    QVERIFY(m.flashLast->isEnabled());

    ScriptedPrompter p;
    m.flashLast->trigger();
    m.oneClick->trigger();
    QVERIFY(Session().settings.oneClickSelect);
    m.oneClick->trigger();
    QVERIFY(!Session().settings.oneClickSelect);
    QCOMPARE(p.flashes(),
             (QStringList{"Saved OK", "One-click select is ON", "One-click select is OFF"}));

    // The debug items run the real rebalance; the rebuild one has the paths
    // rebuilt first.
    p.no("Force rebalance - OK ?");
    p.yes("Force rebalance - OK ?");
    p.no("Rebuild account paths + Rebalance - OK ?");
    p.yes("Rebuild account paths + Rebalance - OK ?");
    m.dbgRebalance->trigger();
    m.dbgRebalance->trigger();
    QVERIFY(!RebalanceNeeded());
    QCOMPARE(p.flashes().count("Rebalanced OK"), 1);
    Session().settings.resetPaths = false;
    const qsizetype rebuilt = p.flashes().count("Paths rebuilt OK");
    m.dbgRebuild->trigger();
    QCOMPARE(p.flashes().count("Paths rebuilt OK"), rebuilt);
    m.dbgRebuild->trigger();
    QCOMPARE(p.flashes().count("Paths rebuilt OK"), rebuilt + 1);
    QVERIFY(!Session().settings.resetPaths);  // cleared by the rebalance that rebuilt them
    SetRebalanceNeeded(true);                 // no question when a rebalance is needed anyway
    m.dbgRebalance->trigger();
    QVERIFY(!RebalanceNeeded());
    p.yes("Re-open tables - OK ?");
    m.dbgReopen->trigger();
    p.yes("Force commit of any database updates - OK ?");
    m.dbgCommit->trigger();
    VERIFY_PROMPTS(p);
  }

  // "&Currencies" opens the currencies list, non-modal, on the working currency.
  void currenciesItemOpensList() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    w.menu().currencies->trigger();
    VERIFY_PROMPTS(p);
    TFccies* list = CurrenciesWindow();
    QVERIFY(list->isVisible());
    QVERIFY(!list->isModal());
    QCOMPARE(list->currentCode(), QString("GBP"));
    list->hide();
  }

  // "A&nalysis" asks for the end date first; "Cancel" opens nothing.
  void analysisItemOpensStartDialog() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    QString caption;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<TFanlsys*>(QApplication::activeModalWidget());
      QVERIFY(d);
      caption = d->windowTitle();
      d->cancelButton()->click();
    });
    w.menu().analysis->trigger();
    QCOMPARE(caption, QStringLiteral("Internal accounts - Movement analysis"));
    QVERIFY(!MonthlyAnalysisWindow()->isVisible());
    VERIFY_PROMPTS(p);
  }

  // "&Archive" runs the archive, which starts with its questions.
  void archiveItemAsks() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    p.no("Archive - Have you run Database Healthcheck ?");
    w.menu().archive->trigger();
    VERIFY_PROMPTS(p);
    QVERIFY(DatabaseIsOpen());
  }

  // Without open books only the Database menu's list, Browse, Open by name and Exit are of use.
  void withoutBooks() {
    ResetSession();
    TFCtrl w;
    const TCtrlMenu& m = w.menu();
    QVERIFY(!m.accounts->menuAction()->isEnabled());
    QVERIFY(!m.transactions->menuAction()->isEnabled());
    QVERIFY(!m.currencies->isEnabled());
    QVERIFY(!m.freeze->isEnabled());
    QVERIFY(m.browse->isEnabled());
    QVERIFY(m.openByName->isEnabled());
    QVERIFY(m.exit->isEnabled());
    QVERIFY(m.database->menuAction()->isEnabled());
    QCOMPARE(w.toLabel()->text(), QString());
    w.updateDatabaseMenu();
    QVERIFY(!m.thisDb->isVisible());
  }

  void editNameAndDates() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    TFCtrl w;
    ScriptedPrompter p;
    p.textStartingWith("Edit database name", Session().settings.databaseName, "Household");
    w.editDatabaseName();
    QCOMPARE(w.nameBox()->text(), QString("Household"));
    QCOMPARE(Session().settings.databaseName, QString("Household"));

    w.showArchiveState();
    QCOMPARE(w.startDateLabel()->text(), QString("0000-00-00"));
    QCOMPARE(w.startNoteLabel()->text(), QString("No earlier archives"));
    QCOMPARE(w.endNoteLabel()->text(), QString("This database is current"));
    p.date("Enter database start date ...", 20200101);
    w.editDatabaseDate(false);
    QCOMPARE(Session().dbStartDate, 20200101);
    QCOMPARE(w.startDateLabel()->text(), QString("2020-01-01"));
    QCOMPARE(
        w.startNoteLabel()->text(),
        QString("Earlier records (ie to 2019-12-31) have been archived\n(or are outside Vorbek)"));
    Session().settings.dbFrozen = false;
    p.date("Enter database end date ...", 20231231);
    p.info("This database is an archive, you must not make changes to it").info("freezing");
    w.editDatabaseDate(true);
    QCOMPARE(w.endNoteLabel()->text(), QString("This database is an archive"));
    QVERIFY(Session().settings.dbFrozen);
    VERIFY_PROMPTS(p);
  }

  // Esc asks first; closing saves the books' settings and VORBEK2.INI.
  void escAndShutdown() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    RecentDatabases().slot[0] = books.dbPath();
    Session().settings.databaseName = "saved at closing";
    const QByteArray before = FileFingerprint(books.iniPath());
    TFCtrl w;
    QSignalSpy down(&w, &TFCtrl::shutDown);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ScriptedPrompter p;
    p.no("Exit program \"vorbek\" - OK ?");
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(!QFile::exists(ProgramIniPath()));
    p.yes("Exit program \"vorbek\" - OK ?");
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QCOMPARE(down.count(), 1);
    VERIFY_PROMPTS(p);
    QVERIFY(!DatabaseIsOpen());
    QVERIFY(FileFingerprint(books.iniPath()) != before);
    QCOMPARE(IniFile(books.iniPath()).readString("main", "DatabaseName", ""),
             QString("saved at closing"));
    QCOMPARE(IniFile(ProgramIniPath()).readString("main", "DB00", ""), books.dbPath());
  }

  // New books: the question, then the first-time installation of the opening.
  void newBooksOffered() {
    QTemporaryDir dir;
    ResetSession();
    Session().dataFolder = dir.path() + "/books/";
    ScriptedPrompter p;
    p.no(NoBooksQuestion(dir.path() + "/books/"));
    QVERIFY(!OpenBooksAtStart());
    QVERIFY(!QFile::exists(dir.path() + "/books/vorbek.fdb"));
    p.yes(NoBooksQuestion(dir.path() + "/books/"));
    p.text("VORBEK2 first time installation ...\rPlease enter base currency\r(eg GBP, EUR, USD)",
           "eur");
    QVERIFY(OpenBooksAtStart());
    QVERIFY(DatabaseIsOpen());
    QCOMPARE(Session().settings.baseCurrency, QString("EUR"));
    QCOMPARE(Session().schemaVersion, 34);
    CloseDatabase();
    p.clearRecords();
    QVERIFY(OpenBooksAtStart());  // the same books again, without questions
    VERIFY_PROMPTS(p);
    CloseDatabase();
  }

  void programFolderChoice() {
    const QStringList none;
    QCOMPARE(ChooseProgramFolder({"--home", "/h"}, "/env", "/exe", true, "/fb"), QString("/h"));
    QCOMPARE(ChooseProgramFolder({"--home=/h2"}, "/env", "/exe", true, "/fb"), QString("/h2"));
    QCOMPARE(ChooseProgramFolder(none, "/env", "/exe", true, "/fb"), QString("/env"));
    QCOMPARE(ChooseProgramFolder(none, "", "/exe", true, "/fb"), QString("/exe"));
    QCOMPARE(ChooseProgramFolder(none, "", "/exe", false, "/fb"), QString("/fb"));
  }
};

QTEST_MAIN(TestCtrlWindow)
#include "tst_ctrl_window.moc"
