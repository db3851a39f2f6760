// Page changes by the user: refused while a device is connected on-line,
// without the other page ever becoming current; leaving a work page
// otherwise returns to "Главная" and closes the work page.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include "pages/FirmwarePage.h"
#include "pages/RelayPage.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"

using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

namespace {

enum class Input { Mouse, Wheel, ArrowKey, CtrlTab, CtrlPage };

const char* const kRefusal =
    "Внимание!\nВы не можете поменять режим работы в данный момент!\n"
    "Для смены режима работы разорвите связь с прибором.";

const char* const kFiveButtons[] = {"SaveButton", "LoadButton", "WriteButton", "ReadButton",
                                    "DefaultButton"};

// The user asks to go from the current page to `to` (a neighbour) by `input`.
void Ask(GuardedTabWidget* pages, int to, Input input) {
  QTabBar* bar = pages->tabBar();
  const bool forward = to > pages->currentIndex();
  switch (input) {
    case Input::Mouse:
      QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(to).center());
      break;
    case Input::Wheel: {
      const QPointF at = bar->tabRect(pages->currentIndex()).center();
      QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, forward ? -120 : 120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(bar, &wheel);
      break;
    }
    case Input::ArrowKey:
      QTest::keyClick(bar, forward ? Qt::Key_Right : Qt::Key_Left);
      break;
    case Input::CtrlTab:
      QTest::keyClick(pages, Qt::Key_Tab,
                      forward ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
      break;
    case Input::CtrlPage:
      QTest::keyClick(pages, forward ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::ControlModifier);
      break;
  }
}

// A work page shown as "Выполнить" shows it, and made current when asked.
void OpenWorkPage(WindowFixture& f, int work, bool current) {
  f.form->MainPageC->setTabVisible(work, true);
  if (current) f.form->MainPageC->setCurrentIndex(work);
}

void SetDemo(WindowFixture& f, bool demo) {
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(demo ? 0 : 1);
}

void AddInputRows(int from, int to) {
  const auto name = [&](const char* input) {
    return QByteArray::number(from) + "->" + QByteArray::number(to) + " by " + input;
  };
  QTest::newRow(name("mouse")) << from << to << Input::Mouse;
  QTest::newRow(name("wheel")) << from << to << Input::Wheel;
  QTest::newRow(name("arrow key")) << from << to << Input::ArrowKey;
  QTest::newRow(name("ctrl+tab")) << from << to << Input::CtrlTab;
  QTest::newRow(name("ctrl+page")) << from << to << Input::CtrlPage;
}

}  // namespace

Q_DECLARE_METATYPE(Input)

class TabGuardTest : public QObject {
  Q_OBJECT

 private slots:
  void refusedWhileConnectedOnline_data();
  void refusedWhileConnectedOnline();
  void leavingWorkPageInDemoClosesIt_data();
  void leavingWorkPageInDemoClosesIt();
  void openingWorkPageWhenIdleHasNoSideEffects();
  void programmaticChangeIsNotGuarded();
  void hiddenPagesAreNotReachable_data();
  void hiddenPagesAreNotReachable();
  void layoutFollowsTabsAndPages_data();
  void layoutFollowsTabsAndPages();
};

void TabGuardTest::refusedWhileConnectedOnline_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("to");
  QTest::addColumn<Input>("input");
  AddInputRows(0, 1);
  AddInputRows(1, 0);
  AddInputRows(2, 0);
}

void TabGuardTest::refusedWhileConnectedOnline() {
  QFETCH(int, from);
  QFETCH(int, to);
  QFETCH(Input, input);
  WindowFixture f;
  QVERIFY(f.Show());
  const int work = from == 0 ? to : from;
  OpenWorkPage(f, work, from != 0);
  f.Find<QPushButton>("DisconnectButton")->setEnabled(true);  // as after a connect
  GuardedTabWidget* pages = f.form->MainPageC;
  QSignalSpy changed(pages, &QTabWidget::currentChanged);

  Ask(pages, to, input);

  QCOMPARE(changed.count(), 0);
  QCOMPARE(pages->currentIndex(), from);
  QVERIFY(pages->isTabVisible(work));
  const auto& events = f.ui.events();
  QCOMPARE(events.size(), std::size_t{2});
  QCOMPARE(events[0].kind, Kind::Beep);
  QCOMPARE(events[1].kind, Kind::Message);
  QCOMPARE(events[1].text, std::string(kRefusal));
  QCOMPARE(events[1].caption, std::string("Системное сообщение"));
  QCOMPARE(events[1].icon, orten::BoxIcon::None);
}

void TabGuardTest::leavingWorkPageInDemoClosesIt_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("to");
  QTest::addColumn<Input>("input");
  AddInputRows(1, 0);
  AddInputRows(2, 0);
}

void TabGuardTest::leavingWorkPageInDemoClosesIt() {
  QFETCH(int, from);
  QFETCH(int, to);
  QFETCH(Input, input);
  WindowFixture f;
  QVERIFY(f.Show());
  SetDemo(f, true);
  OpenWorkPage(f, from, true);
  // A connected device does not hold the page in demo mode.
  f.Find<QPushButton>("DisconnectButton")->setEnabled(true);
  for (const char* name : kFiveButtons) f.Find<QPushButton>(name)->setEnabled(true);
  GuardedTabWidget* pages = f.form->MainPageC;
  QSignalSpy changed(pages, &QTabWidget::currentChanged);

  Ask(pages, to, input);

  QCOMPARE(pages->currentIndex(), 0);
  QCOMPARE(changed.count(), 1);
  QVERIFY(!pages->isTabVisible(1));
  QVERIFY(!pages->isTabVisible(2));
  for (const char* name : kFiveButtons) QVERIFY2(!f.Find<QPushButton>(name)->isEnabled(), name);
  QVERIFY(f.Find<QPushButton>("Help")->isEnabled());
  QVERIFY(f.ui.events().empty());
}

void TabGuardTest::openingWorkPageWhenIdleHasNoSideEffects() {
  WindowFixture f;
  QVERIFY(f.Show());
  OpenWorkPage(f, 2, false);
  for (const char* name : kFiveButtons) f.Find<QPushButton>(name)->setEnabled(true);
  Ask(f.form->MainPageC, 2, Input::Mouse);
  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
  QVERIFY(f.form->MainPageC->isTabVisible(2));
  for (const char* name : kFiveButtons) QVERIFY2(f.Find<QPushButton>(name)->isEnabled(), name);
  QVERIFY(f.ui.events().empty());
}

void TabGuardTest::programmaticChangeIsNotGuarded() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.Find<QPushButton>("DisconnectButton")->setEnabled(true);
  OpenWorkPage(f, 1, true);
  QCOMPARE(f.form->MainPageC->currentIndex(), 1);
  f.form->MainPageC->setCurrentIndex(0);
  QCOMPARE(f.form->MainPageC->currentIndex(), 0);
  QVERIFY(f.form->MainPageC->isTabVisible(1));
  QVERIFY(f.ui.events().empty());
}

void TabGuardTest::hiddenPagesAreNotReachable_data() {
  QTest::addColumn<Input>("input");
  QTest::newRow("wheel") << Input::Wheel;
  QTest::newRow("arrow key") << Input::ArrowKey;
  QTest::newRow("ctrl+tab") << Input::CtrlTab;
  QTest::newRow("ctrl+page") << Input::CtrlPage;
}

void TabGuardTest::hiddenPagesAreNotReachable() {
  QFETCH(Input, input);
  WindowFixture f;
  QVERIFY(f.Show());
  f.Find<QPushButton>("DisconnectButton")->setEnabled(true);
  QSignalSpy changed(f.form->MainPageC, &QTabWidget::currentChanged);
  Ask(f.form->MainPageC, 1, input);
  QCOMPARE(f.form->MainPageC->currentIndex(), 0);
  QCOMPARE(changed.count(), 0);
  // Nothing to change to, so nothing to refuse either.
  QVERIFY(f.ui.events().empty());
}

void TabGuardTest::layoutFollowsTabsAndPages_data() {
  QTest::addColumn<int>("change");
  QTest::newRow("a page shows a part") << 0;
  QTest::newRow("a work tab is shown") << 1;
  QTest::newRow("a hidden tab is hidden again") << 2;
}

// The tab widget lays itself out again only when its tabs need it: after
// each change the tab bar holds every shown tab, the current page fills the
// place below it, and a part the page shows lies inside the page.
void TabGuardTest::layoutFollowsTabsAndPages() {
  QFETCH(int, change);
  WindowFixture f;
  QVERIFY(f.Show());
  GuardedTabWidget* pages = f.form->MainPageC;
  FirmwarePage* main = f.form->UpdateSoftTabSh;
  if (change == 0) main->showFileFacts(true);
  if (change == 1) OpenWorkPage(f, TMainForm::kBackupTab, false);
  if (change == 2) pages->setTabVisible(TMainForm::kRelayTab, false);
  for (int turn = 0; turn < 8; ++turn) QCoreApplication::processEvents();

  const QTabBar* bar = pages->tabBar();
  for (int i = 0; i < pages->count(); ++i) {
    if (pages->isTabVisible(i)) QVERIFY(bar->rect().contains(bar->tabRect(i)));
  }
  QCOMPARE(main->size(), main->parentWidget()->size());
  QVERIFY(main->mapTo(pages, QPoint(0, 0)).y() >= bar->geometry().bottom());
  const QWidget* part = main->SoftUpdateGrB;
  QCOMPARE(part->isVisible(), change == 0);
  if (part->isVisible()) {
    QVERIFY(main->rect().contains(QRect(part->mapTo(main, QPoint(0, 0)), part->size())));
  }
  QCOMPARE(pages->currentIndex(), int{TMainForm::kFirmwareTab});
  QCOMPARE(pages->isTabVisible(TMainForm::kBackupTab), change == 1);
  QVERIFY(!pages->isTabVisible(TMainForm::kRelayTab));
  QVERIFY(f.form->ReleSettingsTabSh->isHidden());
}

QTEST_MAIN(TabGuardTest)
#include "TabGuardTest.moc"
