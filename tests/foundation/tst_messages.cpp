// The user-message seam: the texts of the standard questions and notices, the
// input box for integers, and the flash interval.
#include <QtTest>

#include "foundation/messages.h"
#include "support/scripted_prompter.h"

class TstMessages : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { SetFlashInterval(1500); }

  void notices() {
    ScriptedPrompter p;
    p.info("Program error : no such account")
        .info("Export : this facility not currently supported")
        .info("This facility not currently supported")
        .info("Invalid amount \"x\"");
    ShowProgramError("no such account");
    ShowNotSupported("Export");
    ShowNotSupported(QString());
    ShowPlainInfo("Invalid amount \"x\"");
    VERIFY_PROMPTS(p);
  }

  void confirmations_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("result");
    QTest::newRow("ok yes") << "ok"
                            << "Delete it - OK ?"
                            << "Y" << true;
    QTest::newRow("ok no") << "ok"
                           << "Delete it - OK ?"
                           << "N" << false;
    QTest::newRow("ok cancel") << "ok"
                               << "Delete it - OK ?"
                               << "C" << false;
    QTest::newRow("ok closed") << "ok"
                               << "Delete it - OK ?"
                               << " " << false;
    QTest::newRow("sure yes") << "sure"
                              << "Delete it - are you sure ?"
                              << "Y" << true;
    QTest::newRow("sure no") << "sure"
                             << "Delete it - are you sure ?"
                             << "N" << false;
    QTest::newRow("exit") << "exit"
                          << "Exit program \"VORBEK2\" - OK ?"
                          << "Y" << true;
  }
  void confirmations() {
    QFETCH(QString, which);
    QFETCH(QString, question);
    QFETCH(QString, answer);
    QFETCH(bool, result);
    ScriptedPrompter p;
    p.ask(question, answer.at(0).toLatin1());
    bool got = false;
    if (which == "ok") got = ConfirmOk("Delete it");
    if (which == "sure") got = ConfirmSure("Delete it");
    if (which == "exit") got = ConfirmExit();
    QCOMPARE(got, result);
    VERIFY_PROMPTS(p);
  }

  void reallySure_data() {
    QTest::addColumn<QString>("answers");  // one letter per question the user is asked
    QTest::addColumn<bool>("result");
    QTest::newRow("yes yes") << "YY" << true;
    QTest::newRow("yes no") << "YN" << false;
    QTest::newRow("no: second never asked") << "N" << false;
    QTest::newRow("cancel: second never asked") << "C" << false;
  }
  void reallySure() {
    QFETCH(QString, answers);
    QFETCH(bool, result);
    ScriptedPrompter p;
    p.ask("Wipe the books - are you sure ?", answers.at(0).toLatin1());
    if (answers.size() > 1) p.ask("... really really sure ?", answers.at(1).toLatin1());
    QCOMPARE(ConfirmReallySure("Wipe the books"), result);
    VERIFY_PROMPTS(p);
  }

  void askInt_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("after");
    QTest::newRow("zero shows empty box") << 0 << ""
                                          << "12" << true << true << 12;
    QTest::newRow("negative shows empty box") << -4 << ""
                                              << "3" << true << true << 3;
    QTest::newRow("current value shown") << 5 << "5"
                                         << "7" << true << true << 7;
    QTest::newRow("empty answer is zero") << 5 << "5"
                                          << "" << true << true << 0;
    QTest::newRow("not a number") << 5 << "5"
                                  << "abc" << true << false << 5;
    QTest::newRow("cancelled") << 5 << "5"
                               << "9" << false << false << 5;
  }
  void askInt() {
    QFETCH(int, start);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(bool, pressOk);
    QFETCH(bool, result);
    QFETCH(int, after);
    ScriptedPrompter p;
    p.textStartingWith("How many ?", shown, typed, pressOk);
    int n = start;
    QCOMPARE(AskInt("How many ?", n), result);
    QCOMPARE(n, after);
    VERIFY_PROMPTS(p);
  }

  void flashDuration_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("ms");
    QTest::newRow("short") << 5 << 1500 << 1500;
    QTest::newRow("twenty") << 20 << 1500 << 1500;
    QTest::newRow("twenty-one") << 21 << 1500 << 1575;
    QTest::newRow("forty") << 40 << 1500 << 3000;
    QTest::newRow("forty at 500") << 40 << 500 << 1000;
  }
  void flashDuration() {
    QFETCH(int, length);
    QFETCH(int, interval);
    QFETCH(int, ms);
    QCOMPARE(FlashDurationMs(QString(length, QLatin1Char('x')), interval), ms);
  }

  void askFlashInterval_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("flash");
    QTest::newRow("in range") << "800" << true << 800 << "Flash interval updated OK";
    QTest::newRow("lowest") << "500" << true << 500 << "Flash interval updated OK";
    QTest::newRow("highest") << "2000" << true << 2000 << "Flash interval updated OK";
    QTest::newRow("too low") << "499" << false << 1500 << "Out of range";
    QTest::newRow("too high") << "3000" << false << 1500 << "Out of range";
    QTest::newRow("empty is zero") << "" << false << 1500 << "Out of range";
    QTest::newRow("not a number") << "fast" << false << 1500 << "";
  }
  void askFlashInterval() {
    QFETCH(QString, typed);
    QFETCH(bool, result);
    QFETCH(int, interval);
    QFETCH(QString, flash);
    ScriptedPrompter p;
    p.textStartingWith("Enter flash interval in milliseconds (500-2000)", "1500", typed);
    QCOMPARE(AskFlashInterval(), result);
    QCOMPARE(FlashInterval(), interval);
    QCOMPARE(p.flashes(), flash.isEmpty() ? QStringList() : QStringList{flash});
    VERIFY_PROMPTS(p);
  }

  void busyCounter() {
    ScriptedPrompter p;
    BusyOn();
    BusyOn();
    QCOMPARE(BusyDepth(), 2);
    BusyOff();
    BusyOff();
    BusyOff();
    QCOMPARE(BusyDepth(), 0);  // never below zero
    BusyOn();
    BusyReset();
    QCOMPARE(BusyDepth(), 0);
    QCOMPARE(p.maxBusyDepth(), 2);
  }
};

QTEST_GUILESS_MAIN(TstMessages)
#include "tst_messages.moc"
