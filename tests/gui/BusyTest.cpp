// While an exchange runs, the window takes no input; the pacer keeps it alive.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <stdexcept>

#include "tests/gui/WindowFixture.h"
#include "widgets/BusyGuard.h"
#include "widgets/GuiPacer.h"
#include "widgets/WindowThread.h"

using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

class BusyTest : public QObject {
  Q_OBJECT

 private slots:
  void swallowsInputToTheWindow();
  void otherWindowsStillTakeInput();
  void guardsNest();
  void pauseKeepsEventsFlowing_data();
  void pauseKeepsEventsFlowing();
  void pumpHandlesPendingEvents();
  void workRunsOffTheWindowThread();
};

namespace {

// Input that would show a message: the help file is missing.
void PressHelp(WindowFixture& f) {
  auto* help = f.Find<QPushButton>("Help");
  QTest::mouseClick(help, Qt::LeftButton);
  help->setFocus();
  QTest::keyClick(help, Qt::Key_Space);
}

}  // namespace

void BusyTest::swallowsInputToTheWindow() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.form->SetStatusText("Чтение ...");
  f.ui.Clear();
  {
    BusyGuard busy(f.form.get());
    QVERIFY(BusyGuard::Active());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    PressHelp(f);
    QVERIFY(f.ui.events().empty());
    // Closing mid-transfer is refused too, and the status line says why
    // (a transfer pumps events, as here).
    QVERIFY(!f.form->close());
    QVERIFY(f.form->isVisible());
    QTRY_COMPARE(f.form->statusText(), QString(kCloseWhileBusy));
    QVERIFY(f.ui.events().empty());  // a word of the window's own, no status of the exchange
  }
  // The exchange's status text is back once it is over.
  QTRY_COMPARE(f.form->statusText(), QString("Чтение ..."));
  QVERIFY(!BusyGuard::Active());
  QVERIFY(!QGuiApplication::overrideCursor());
  PressHelp(f);
  QCOMPARE(f.ui.Of(Kind::Message).size(), std::size_t{2});
}

void BusyTest::otherWindowsStillTakeInput() {
  WindowFixture f;
  QVERIFY(f.Show());
  // Stands for a box the exchange itself opens.
  QPushButton ok("OK");
  ok.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ok));
  int clicks = 0;
  QObject::connect(&ok, &QPushButton::clicked, [&clicks] { ++clicks; });
  BusyGuard busy(f.form.get());
  QTest::mouseClick(&ok, Qt::LeftButton);
  QCOMPARE(clicks, 1);
}

void BusyTest::guardsNest() {
  WindowFixture f;
  QVERIFY(f.Show());
  auto outer = std::make_unique<BusyGuard>(f.form.get());
  { BusyGuard inner(f.form.get()); }
  QVERIFY(BusyGuard::Active());
  PressHelp(f);
  QVERIFY(f.ui.events().empty());
  outer.reset();
  QVERIFY(!BusyGuard::Active());
  QVERIFY(!QGuiApplication::overrideCursor());
  PressHelp(f);
  QVERIFY(!f.ui.events().empty());
}

void BusyTest::pauseKeepsEventsFlowing_data() {
  QTest::addColumn<bool>("offWindowThread");
  QTest::newRow("on the window's thread: the window's events flow") << false;
  QTest::newRow("off it: it sleeps, the window's events wait") << true;
}

void BusyTest::pauseKeepsEventsFlowing() {
  QFETCH(bool, offWindowThread);
  GuiPacer pacer;
  bool ran = false;
  // Tied to this test: a timer the pause leaves waiting must not fire later.
  QObject scope;
  QTimer::singleShot(0, &scope, [&ran] { ran = true; });
  qint64 paused = 0;
  const auto pause = [&] {
    QElapsedTimer timer;
    timer.start();
    pacer.Pause(30);
    if (offWindowThread) pacer.Pump();
    paused = timer.elapsed();
  };
  if (offWindowThread) {
    std::unique_ptr<QThread> worker(QThread::create(pause));
    worker->start();
    worker->wait();
  } else {
    pause();
  }
  QVERIFY(paused >= 30);  // never shorter than asked
  QCOMPARE(ran, !offWindowThread);
}

void BusyTest::pumpHandlesPendingEvents() {
  GuiPacer pacer;
  bool ran = false;
  QMetaObject::invokeMethod(
      qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
  QVERIFY(!ran);
  pacer.Pump();
  QVERIFY(ran);
}

// An exchange on its worker: the window's loop turns, the window is busy and
// refuses to close, a call carried over runs on the window's thread, and the
// result (or what was thrown) comes back.
void BusyTest::workRunsOffTheWindowThread() {
  WindowFixture f;
  QVERIFY(f.Show());
  std::atomic<bool> turned = false;
  QTimer::singleShot(0, [&turned] { turned = true; });
  bool overThere = false;
  bool closed = true;
  const int result = OffWindowThread(f.form.get(), [&] {
    // Only the window's loop sets it; inline on the window's thread, never.
    for (int ms = 0; !turned && ms < 5000; ++ms) QThread::msleep(1);
    CallOnWindowThread([&] {
      overThere = OnWindowThread() && BusyGuard::Active();
      closed = f.form->close();
    });
    return OnWindowThread() ? 0 : 7;
  });
  QCOMPARE(result, 7);
  QVERIFY(turned);
  QVERIFY(overThere);
  QVERIFY(!closed);
  QVERIFY(f.form->isVisible());
  QTRY_COMPARE(f.form->statusText(), QString(kCloseWhileBusy));
  QVERIFY(!BusyGuard::Active());
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           OffWindowThread(f.form.get(), [] { throw std::runtime_error("x"); }));
}

QTEST_MAIN(BusyTest)
#include "BusyTest.moc"
