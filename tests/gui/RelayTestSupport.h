#pragma once

// Shared steps of the relay page's tests: opening the page, tables in and
// out of the controls, and random tables.
#include <QComboBox>
#include <QCoreApplication>
#include <QTabWidget>
#include <QTest>
#include <random>
#include <vector>

#include "pages/RelayPage.h"
#include "params/ReleSettings.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"

namespace orten::gui::test {

inline RelayPage* Page(const WindowFixture& f) {
  return f.form->ReleSettingsTabSh;
}

inline const OutputControls& Out(const WindowFixture& f, int n) {
  return Page(f)->outputs[static_cast<std::size_t>(n - 1)];
}

inline ReleTable Collect(const WindowFixture& f) {
  ReleTable table{};
  Page(f)->CollectReleSettings(table);
  return table;
}

inline void Show(const WindowFixture& f, const ReleTable& table) {
  Page(f)->ShowReleSettings(table);
}

// Demo mode, family "МРО", "Выполнить": the relay page without a device.
inline void OpenRelayPageInDemo(const WindowFixture& f) {
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(0);
  f.Pick("DevOperModeRdG", 1);
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
}

// Connect on "Главная" to the relay module, then "Выполнить": the relay
// page with the device connected for work.
inline void OpenRelayPageOnline(const WindowFixture& f) {
  f.Click("ConnectButton");
  f.Click("ExecuteButton");
  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
  QVERIFY(f.Wire().endsWith(kConnectWork));
  QVERIFY(f.Enabled("ReadButton") && f.Enabled("WriteButton"));
}

// Brings output n's page to the front, so its controls take clicks.
inline void ShowOutputPage(const WindowFixture& f, int n) {
  Page(f)->ReleOKPageC->setCurrentIndex(n - 1);
  QCoreApplication::processEvents();
}

// A table of the kind the device and the window keep: output bits only,
// reserved entries 0, any time code, a mode code 1-7.
inline ReleTable RandomValidTable(std::mt19937& rng) {
  std::uniform_int_distribution<int> bits(0, 7), time(0, 255), mode(1, 7);
  ReleTable t{};
  for (int e = 0; e < static_cast<int>(kReleParamCount); ++e) {
    auto& v = t[static_cast<std::size_t>(e)];
    if (rele::IsBitmask(e)) v = bits(rng);
    if (e >= rele::ClosingEntry(1) && e <= rele::DurationEntry(3)) v = time(rng);
    if (e >= rele::ModeEntry(1)) v = mode(rng);
  }
  return t;
}

}  // namespace orten::gui::test
