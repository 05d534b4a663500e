// The accounts list, the finder and the search results window driven offscreen
// on real books: rows per status filter, the incremental search's widening,
// choosing (pick, Default, cancel, browse), the default markers per kind,
// nested lists, the finder's pages and its "New", and the refusals (delete
// with postings, frozen books, a row deleted meanwhile, dormancy out of range).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "ledger/accounts.h"
#include "reports/account_books.h"
#include "screens/masterdata/account_finder.h"
#include "screens/masterdata/account_picking.h"
#include "screens/masterdata/account_search.h"
#include "screens/masterdata/accounts_list.h"
#include "screens/screen_hooks.h"
#include "shell/ctrl_window.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

using namespace account_books;

namespace {

// Runs act as soon as ready() holds (a modal window has started showing);
// whatever act leaves showing is then cancelled, so a failed check inside
// act cannot leave the test waiting on a modal window.
void whenReady(std::function<bool()> ready, std::function<void()> act,
               std::function<QDialog*()> window) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (!ready()) return;
    timer->stop();
    timer->deleteLater();
    act();
    if (QDialog* w = window(); w && w->isVisible()) w->reject();
  });
  timer->start();
}

void whenList(int kind, std::function<void(TFAccs*)> act) {
  whenReady([kind] { return AccountsListWindow(kind)->isVisible(); },
            [kind, act] { act(AccountsListWindow(kind)); },
            [kind] { return AccountsListWindow(kind); });
}

void whenFinder(std::function<void(TFinpacc*)> act) {
  whenReady([] { return ActiveFinder() && ActiveFinder()->isVisible(); },
            [act] { act(ActiveFinder()); }, [] { return ActiveFinder(); });
}

QStringList shownRows(const TFAccs* w) {
  QStringList out;
  const QAbstractItemModel* m = w->model();
  for (int r = 0; r < m->rowCount(); ++r) {
    const QString status = m->data(m->index(r, 1), Qt::DisplayRole).toString();
    out << m->data(m->index(r, 0), Qt::DisplayRole).toString() +
               (status.isEmpty() ? QString() : ":" + status);
  }
  return out;
}

QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void trigger(TFAccs* w, const QString& action) {
  w->preparePopup();
  QAction* a = w->popupAction(action);
  QVERIFY2(a && a->isEnabled(), qPrintable(action));
  a->trigger();
}

int32_t addAccount(int kind, const QString& name) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  return WriteAccount(o) && CommitIfActive() ? o.id : 0;
}

}  // namespace

class TstAccountsList : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QList<int> postingsShown_;
  QList<QChar> channelDirections_;
  QStringList counterpartiesAdded_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QString error;
    QVERIFY2(BuildAccountBooks(error), qPrintable(error));
    TSession& s = Session();
    s.workingCurrency = "GBP";
    s.settings.oneClickSelect = false;
    s.settings.dbFrozen = false;
    postingsShown_.clear();
    channelDirections_.clear();
    counterpartiesAdded_.clear();
    ScreenHooks() = TScreenHooks();
    InstallAccountScreens();
    ScreenHooks().showPostings = [this](int id) { postingsShown_ << id; };
    ScreenHooks().chooseChannel = [this](const TObj&, TChannel& ch, QChar direction, bool) {
      channelDirections_ << direction;
      ch = TChannel();
      ch.chnum = 7;
      return true;
    };
    ScreenHooks().addCounterparty = [this](const QString& name) {
      counterpartiesAdded_ << name;
      return addAccount(4, name);
    };
    for (int kind : {1, 3, 4}) AccountsListWindow(kind)->fasterButton()->setChecked(true);
  }
  void cleanup() {
    ScreenHooks() = TScreenHooks();
    books_.reset();
  }

  void rowsPerFilterAndSmarterWalk() {
    QStringList seen;
    whenList(1, [&](TFAccs* w) {
      QCOMPARE(w->windowTitle(), QString("Select EXTERNAL ACCOUNT  in currency GBP"));
      seen << shownRows(w).join(' ') << w->countLabel()->text();
      w->filterButton(AccountFilter::All)->click();
      seen << shownRows(w).join(' ') << w->countLabel()->text();
      // Smarter: "bra" matches only a closed account: Favorites widens to Closed.
      w->smarterButton()->setChecked(true);
      w->filterButton(AccountFilter::Favorites)->click();
      QTest::keyClicks(w->grid(), "bra");
      QCOMPARE(w->nameBox()->text(), QString("bra"));
      QVERIFY(w->filterButton(AccountFilter::Closed)->isChecked());
      QCOMPARE(w->currentId(), int(kBravo));
      // With ALL checked a text nothing matches stops at once.
      w->filterButton(AccountFilter::All)->click();
      QTest::keyClicks(w->nameBox(), "zz");
      QVERIFY(w->filterButton(AccountFilter::All)->isChecked());
      w->reject();
    });
    QVERIFY(!PickAccount(1));
    QCOMPARE(seen, (QStringList{"Alpha:favorite", "1 items",
                                "Alpha:favorite bravo:closed Charlie:archived delta:new "
                                "Echo:dormant foxtrot",
                                "6 items"}));
    QCOMPARE(SelectedAccount().id, 0);
  }

  void choosing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("preselect");
    QTest::addColumn<bool>("picked");
    QTest::addColumn<int>("id");
    // The preselected id widens the filter until it shows (here: Closed).
    QTest::newRow("OK on the preselected row") << "OK" << int(kBravo) << true << int(kBravo);
    QTest::newRow("Enter in the name box") << "Enter" << int(kEcho) << true << int(kEcho);
    QTest::newRow("Default") << "Default" << 0 << true << int(kFoxtrot);
    QTest::newRow("Cancel") << "Cancel" << int(kEcho) << false << 0;
    QTest::newRow("Esc") << "Esc" << 0 << false << 0;
  }
  void choosing() {
    QFETCH(QString, how);
    QFETCH(int, preselect);
    QFETCH(bool, picked);
    QFETCH(int, id);
    Session().settings.defaultCashId = kFoxtrot;
    ChannelDirection() = 'P';
    SelectedChannel().chnum = 99;  // a stale choice is dropped when the pick starts
    whenList(1, [&](TFAccs* w) {
      QVERIFY(w->button("Default")->isEnabled());
      QCOMPARE(w->button("Default")->toolTip(),
               QString("Select the default External Account  which is \"foxtrot\""));
      if (preselect) QCOMPARE(w->currentId(), preselect);
      if (how == "Enter")
        QTest::keyClick(w->nameBox(), Qt::Key_Return);
      else if (how == "Esc")
        QTest::keyClick(w, Qt::Key_Escape);
      else
        w->button(how)->click();
    });
    QCOMPARE(PickAccount(1, preselect), picked);
    QCOMPARE(SelectedAccount().id, id);
    QCOMPARE(SelectedChannel().chnum, picked ? 7 : 0);
    QCOMPARE(channelDirections_, picked ? QList<QChar>{'P'} : QList<QChar>{});
    ChannelDirection() = ' ';
  }

  void defaultMarker_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::newRow("external account") << 1 << "Echo";
    QTest::newRow("category") << 3 << "Books";
    QTest::newRow("counterparty") << 4 << "Grocer";
    QTest::newRow("pot") << 6 << "Savings pot";
  }
  void defaultMarker() {
    QFETCH(int, kind);
    QFETCH(QString, name);
    const int32_t id = kind == 1 ? int32_t(kEcho) : addAccount(kind, name);
    QVERIFY(id > 0);
    TDbSettings& s = Session().settings;
    const int before[] = {s.defaultCashId, s.defaultCtgyId, s.defaultCptyId, s.defaultPotId};
    ScriptedPrompter p;
    p.yes("Make selected item the default for this account type?");
    p.yes("Unset Default marker for this item?");
    whenList(kind, [&](TFAccs* w) {
      w->filterButton(AccountFilter::All)->click();
      w->setCurrentRow(RowOfId(w->model()->rows(), id));
      trigger(w, "De&fault");
      QCOMPARE(DefaultAccountId(kind), id);
      QVERIFY(w->button("Default")->isEnabled());
      w->preparePopup();
      QVERIFY(w->popupAction("De&fault")->isChecked());
      const int other[] = {s.defaultCashId, s.defaultCtgyId, s.defaultCptyId, s.defaultPotId};
      for (int i = 0; i < 4; ++i) {
        const bool mine = (kind == 1 && i == 0) || (kind == 3 && i == 1) || (kind == 4 && i == 2) ||
                          (kind == 6 && i == 3);
        if (!mine) QCOMPARE(other[i], before[i]);
      }
      trigger(w, "De&fault");
      QCOMPARE(DefaultAccountId(kind), 0);
      QVERIFY(!w->button("Default")->isEnabled());
      if (kind == 3) {
        // The pot of the internal list is no row of the kind it was opened for.
        w->setCurrentRow(RowOfId(w->model()->rows(), 1));
        w->preparePopup();
        QVERIFY(!w->popupAction("De&fault")->isEnabled());
      }
      w->reject();
    });
    QVERIFY(!PickAccount(kind));
    VERIFY_PROMPTS(p);
  }

  void browseNestingAndInUse() {
    ScriptedPrompter p;
    p.info(
        "Program error : Cannot list External Accounts , the Select Account form is already "
        "in use");
    QList<int> states;
    whenList(1, [&](TFAccs* outer) {
      states << AccountsListKind() << AccountsListMode();
      QVERIFY(!PickAccount(1));  // refused: that list is showing
      whenList(4, [&](TFAccs* inner) {
        states << AccountsListKind() << AccountsListMode();
        inner->reject();
      });
      QVERIFY(!PickAccount(4));
      states << AccountsListKind() << AccountsListMode();
      outer->filterButton(AccountFilter::All)->click();
      outer->setCurrentRow(RowOfId(outer->model()->rows(), kEcho));
      QTest::keyClick(outer->grid(), Qt::Key_Return);
    });
    BrowseAccounts(1);
    QCOMPARE(states, (QList<int>{1, 2, 4, 1, 1, 2}));
    QCOMPARE(AccountsListKind(), 0);
    QCOMPARE(postingsShown_, QList<int>{kEcho});
    QCOMPARE(SelectedAccount().id, 0);
    QCOMPARE(p.verify(), QString());
  }

  void finderPagesAndSelect() {
    QStringList seen;
    whenFinder([&](TFinpacc* f) {
      seen << f->windowTitle() << f->nameBox()->text();
      f->containsButton()->click();
      f->searchButton()->click();
      for (int i = 0; i < 3; ++i)
        seen << f->pages()->tabText(i) + ": " + items(f->page(i)).join(", ");
      seen << QString::number(f->pages()->currentIndex());
      QVERIFY(!f->nameBox()->isEnabled());
      QVERIFY(f->selectButton()->isDefault());
      f->newSearchAction()->trigger();
      seen << f->pages()->tabText(0);
      QVERIFY(f->nameBox()->isEnabled());
      f->startsWithButton()->click();
      f->nameBox()->setText("ECH");
      f->searchButton()->click();
      seen << QString::number(f->pages()->currentIndex());
      f->selectButton()->click();
    });
    QVERIFY(FindAccountByName(1, "O"));
    QCOMPARE(seen, (QStringList{"External Account  search (old-style)", "O",
                                "Actives - 2: foxtrot, Golf (USD)", "Dormants - 1: Echo",
                                "Closed - 1: bravo", "0", "Actives", "1"}));
    QCOMPARE(SelectedAccount().id, int(kEcho));
    QCOMPARE(SelectedChannel().chnum, 7);
    QCOMPARE(channelDirections_, QList<QChar>{' '});  // no direction filter from the finder
  }

  void searchButtonOpensTheFinder() {
    ChannelDirection() = 'R';
    QString boxText;
    whenList(1, [&](TFAccs* w) {
      w->smarterButton()->setChecked(true);
      QTest::keyClicks(w->nameBox(), "ech");
      whenFinder([&](TFinpacc* f) {
        boxText = f->nameBox()->text();
        f->searchButton()->click();
        f->selectButton()->click();
      });
      w->button("&Search")->click();
    });
    QVERIFY(PickAccount(1));
    ChannelDirection() = ' ';
    QCOMPARE(boxText, QString("ech"));
    QCOMPARE(SelectedAccount().id, int(kEcho));
    // The finder chose the channel, without a direction; the list did not ask again.
    QCOMPARE(channelDirections_, QList<QChar>{' '});
  }

  void finderNothingFoundOffersNew() {
    // Typing into the list ("Faster") opens the finder; nothing found opens
    // the new-account form with the name capitalised; the list takes the new
    // account without a second chooser.
    whenList(4, [&](TFAccs* w) {
      whenFinder([&](TFinpacc* f) { f->searchButton()->click(); });
      QTest::keyClicks(w->grid(), "z");
    });
    QVERIFY(PickAccount(4));
    QCOMPARE(counterpartiesAdded_, QStringList{"Z"});
    QCOMPARE(SelectedAccount().name, QString("Z"));
    QCOMPARE(SelectedAccount().kind, uint8_t(4));
  }

  void refusals() {
    // Foxtrot has a posting; delta is unused.
    QVERIFY(
        ExecSql("insert into pstg (txnid, objid, contra, txntype, pstgdate, seq, ccy, amt, "
                "val, rngbal, recamt, reconcode, dppstgdate, dprngbal, chnum, batchnum) "
                "values (1, ?, 0, 'P', 20240105, 1, 'GBP', 100, 100, 0, 0, 0, 1, 1, 0, 0)",
                {kFoxtrot}));
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    p.info("Cannot delete account - 1 posting(s) found");
    p.yes("Delete external account \"delta\"?");
    p.info("Cannot change accounts, database is frozen");
    p.info("Cannot change accounts, database is frozen");
    p.info("Account not found : #" + QString::number(kEcho));
    p.text("Dormant after (days)", "0");
    p.text("Dormant after (days)", "99999999");
    p.text("Dormant after (days)", "30");
    QStringList seen;
    whenList(1, [&](TFAccs* w) {
      w->filterButton(AccountFilter::All)->click();
      w->setCurrentRow(RowOfId(w->model()->rows(), kFoxtrot));
      trigger(w, "De&lete");
      QCOMPARE(w->currentId(), int(kFoxtrot));
      w->setCurrentRow(RowOfId(w->model()->rows(), kDelta));
      trigger(w, "De&lete");
      QCOMPARE(LocateAccount(kDelta), false);
      seen << shownRows(w).join(' ') << QString::number(w->currentId());

      Session().settings.dbFrozen = true;
      trigger(w, "De&lete");
      trigger(w, "Fa&vorite");
      Session().settings.dbFrozen = false;
      QVERIFY(LocateAccount(kEcho));

      // Deleted behind the list's back: refused, re-read, still open.
      QVERIFY(ExecSqlCommitted("delete from account where id = ?", {kEcho}));
      w->button("OK")->click();
      QVERIFY(w->isVisible());
      QCOMPARE(RowOfId(w->model()->rows(), kEcho), -1);

      w->dormancyAction()->trigger();
      w->dormancyAction()->trigger();
      QCOMPARE(Session().settings.dormantAfter, 365);
      w->dormancyAction()->trigger();
      seen << w->dormancyAction()->text() << w->filterButton(AccountFilter::Recent)->toolTip();
      w->reject();
    });
    QVERIFY(!PickAccount(1));
    VERIFY_PROMPTS(p);
    QCOMPARE(p.flashes(), (QStringList{"Out of range", "Out of range"}));
    QCOMPARE(Session().dormantCutoff, DaysAgo(30));
    QCOMPARE(seen, (QStringList{"Alpha:favorite bravo:closed Charlie:archived Echo:dormant foxtrot",
                                QString::number(kEcho), "Dormant after 30 days inactivity",
                                "Opened or posted within the last 30 days"}));
    QCOMPARE(SelectedAccount().id, 0);
  }

  void favouriteChosenAtOnce() {
    whenList(1, [&](TFAccs* w) {
      w->filterButton(AccountFilter::Recent)->click();
      w->setCurrentRow(RowOfId(w->model()->rows(), kFoxtrot));
      trigger(w, "Fa&vorite");
    });
    QVERIFY(PickAccount(1));
    QCOMPARE(SelectedAccount().id, int(kFoxtrot));
    QVERIFY(SelectedAccount().favourite);
    RollbackIfActive();
    QCOMPARE(QueryValue("select fav from account where id = ?", {kFoxtrot}).toInt(), 1);
  }

  void searchResults() {
    ScriptedPrompter p;
    p.textStartingWith("External Account name/notes search (new-style)", "",
                       "O'BRIEN & co \"50%\"");
    p.info("Cannot change accounts, database is frozen");
    p.info("Cannot change accounts, database is frozen");
    p.yes("Delete external account \"foxtrot\"?");
    SearchAccounts(1);
    TFAcSrchR* w = AccountSearchWindow();
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QCOMPARE(w->windowTitle(),
             QString("External Account search results \"O'BRIEN & co \"50%\"\" - 1 items"));
    QCOMPARE(w->model()->columnNames(),
             (QStringList{"Account name", "Group?", "CCY", "First used", "Last used", "Closed"}));
    QCOMPARE(w->model()->rows().value(0).id, int(kFoxtrot));
    QCOMPARE(LastAccountSearchText(), QString("O'BRIEN & co \"50%\""));

    QList<int> drilled;
    ScreenHooks().drillDownGroup = [&](int id) { drilled << id; };
    SearchAccountsFor(1, "n");  // the group by its name, foxtrot by its note
    QCOMPARE(w->model()->rows().size(), 2);
    w->setCurrentRow(0);
    w->preparePopup();
    QVERIFY(w->popupAction("Drill-down")->isEnabled());
    QVERIFY(!w->popupAction("Postings")->isEnabled());
    QCOMPARE(w->model()->data(w->model()->index(0, 1), Qt::DisplayRole).toString(),
             QString("GROUP"));
    w->drillDown();
    QCOMPARE(drilled, QList<int>{kBanks});
    w->setCurrentRow(1);
    Session().settings.dbFrozen = true;
    w->closeCurrent();
    w->deleteCurrent();
    Session().settings.dbFrozen = false;
    QCOMPARE(w->model()->rows().size(), 2);
    w->deleteCurrent();
    QCOMPARE(w->windowTitle(), QString("External Account search results \"n\" - 1 items"));

    // Closing reads the balance in the account's own currency, not the working one.
    QVERIFY(ExecSqlCommitted(
        "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdbfd, pdpayts, pdrcpts, pdtfrs, "
        "pdcfd) values (?, 'USD', 'A', 500, 0, 500, 0, 0, 0, 500)",
        {kGolf}));
    p.no("Account balance not zero (5.00), are you sure you want to close?");
    SearchAccountsFor(1, "golf");
    w->setCurrentRow(0);
    w->closeCurrent();
    QCOMPARE(Session().workingCurrency, QString("GBP"));
    w->close();
    VERIFY_PROMPTS(p);
  }

  void dispatch_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("arg");
    QTest::addColumn<QString>("reached");  // the hook reached, with its argument
    QTest::addColumn<QString>("message");
    QTest::newRow("edit counterparty") << "edit" << 10 << "editCounterparty 10"
                                       << "";
    QTest::newRow("edit group") << "edit" << int(kBanks) << "editGroup 9"
                                << "";
    QTest::newRow("edit id 0") << "edit" << 0 << ""
                               << "";
    QTest::newRow("edit unknown id") << "edit" << 99 << ""
                                     << "Account not found : #99";
    QTest::newRow("edit unknown kind") << "edit" << 11 << ""
                                       << "Invalid account type 7 - run DB Healthcheck!";
    QTest::newRow("add counterparty") << "add" << 4 << "addCounterparty Ann"
                                      << "";
    QTest::newRow("add internal group") << "add" << 10 << "addGroup 10 Ann"
                                        << "";
    QTest::newRow("add counterparty group by name")
        << "add" << 9 << ""
        << "Invalid account type 9 - run DB Healthcheck!";
    QTest::newRow("add counterparty group") << "addOfKind" << 9 << "addGroup 9 "
                                            << "";
    QTest::newRow("add diary") << "addOfKind" << 11 << ""
                               << "Program error : Acc.add";
  }
  void dispatch() {
    QFETCH(QString, call);
    QFETCH(int, arg);
    QFETCH(QString, reached);
    QFETCH(QString, message);
    QCOMPARE(addAccount(4, "Shop"), 10);
    QVERIFY(
        ExecSqlCommitted("insert into account (id, name, type2, btype, isgrp, grpid, ccy, "
                         "opendate, closedate) values (11, 'Odd', 7, 7, 0, 0, 'GBP', 0, "
                         "99999999)"));
    QStringList hooks;
    TScreenHooks& h = ScreenHooks();
    h.editCounterparty = [&](int id) {
      return hooks << "editCounterparty " + QString::number(id), true;
    };
    h.editGroup = [&](int id) { return hooks << "editGroup " + QString::number(id), true; };
    h.addCounterparty = [&](const QString& n) { return hooks << "addCounterparty " + n, 42; };
    h.addGroup = [&](int kind, const QString& n) {
      return hooks << "addGroup " + QString::number(kind) + " " + n, 43;
    };
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    int result = 0;
    if (call == "edit")
      result = EditAccount(arg) ? 1 : 0;
    else if (call == "add")
      result = AddAccount(arg, "Ann");
    else
      result = AddAccountOfKind(arg);
    VERIFY_PROMPTS(p);
    QCOMPARE(hooks.join(';'), reached);
    QCOMPARE(result != 0, !reached.isEmpty());
  }

  void detailsRereadsTheList() {
    const int32_t shop = addAccount(4, "Shop");
    ScreenHooks().editCounterparty = [](int id) {
      TObj o;
      if (!ReadAccount(id, o)) return false;
      o.name = "Zebra shop";
      return WriteAccount(o) && CommitIfActive();
    };
    QStringList seen;
    whenList(4, [&](TFAccs* w) {
      w->filterButton(AccountFilter::All)->click();
      w->setCurrentRow(RowOfId(w->model()->rows(), shop));
      trigger(w, "&Details");
      seen << shownRows(w).join(' ') << QString::number(w->currentId());
      w->reject();
    });
    QVERIFY(!PickAccount(4));
    QCOMPARE(seen, (QStringList{"Zebra shop", QString::number(shop)}));
  }

  void controlWindowItems() {
    QList<int> groupsAdded;
    ScreenHooks().addGroup = [&](int kind, const QString&) {
      groupsAdded << kind;
      return 0;
    };
    TFCtrl ctrl;
    const TCtrlMenu& m = ctrl.menu();
    ctrl.chooseListKind(4);
    m.newGroup->trigger();
    QCOMPARE(groupsAdded, QList<int>{9});
    int mode = 0;
    whenList(4, [&](TFAccs* w) {
      mode = AccountsListMode();
      w->reject();
    });
    m.listByStatus->trigger();
    QCOMPARE(mode, 2);
  }
};

QTEST_MAIN(TstAccountsList)
#include "tst_accounts_list.moc"
