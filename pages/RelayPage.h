#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <span>

#include "pages/RelayOutputPage.h"

class QTabWidget;

namespace orten::gui {

// The page "Режимы реле и выхода ОК": one inner page per output (relay 1,
// relay 2, open-collector output), in output order. The controls are the
// only store of the settings while the program runs; tables move them to
// and from the device, files and the factory defaults.
class RelayPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kOutputCount = kReleCount;

  explicit RelayPage(QWidget* parent = nullptr);

  QTabWidget* ReleOKPageC = nullptr;
  QWidget* Rele1TabSh = nullptr;
  QWidget* Rele2TabSh = nullptr;
  QWidget* OK1TabSh = nullptr;
  // The same three pages and their controls, indexed by output number - 1.
  std::array<QWidget*, kOutputCount> outputPages{};
  std::array<OutputControls, kOutputCount> outputs{};

  // Table (at least 45 entries) to controls. Shows every value as stored,
  // without running the work-mode rules; only the enabled states follow
  // the modes.
  void ShowReleSettings(std::span<const std::int32_t> table);
  // Controls to entries 0-44 of table (reserved entries 0); later entries
  // are left as they are.
  void CollectReleSettings(std::span<std::int32_t> table) const;
  // Checks or clears output n's nine notifications and, unless a work-mode
  // click is being handled, its sixteen partition bindings.
  void CheckReleEvents(int n, bool checked);
  // Locks or frees output n's notifications, times and inverse mode. The
  // open-collector output's notification duration stays free.
  void EnableReleEvents(int n, bool enabled);
  // The user chose a work mode in one of the three mode groups (sender):
  // that mode's times, inverse mode and notifications are set and locked
  // (freed in "Специальный"); the bindings stay.
  void ReleWorkMode1Click(QObject* sender);

  bool ReleModeClickActive() const { return releModeClickActive_; }

 private:
  // Output 1-3 whose mode group is sender; 0 for anything else.
  int outputOfModeGroup(const QObject* sender) const;
  void showOutput(int n, std::span<const std::int32_t> table);

  bool releModeClickActive_ = false;
};

}  // namespace orten::gui
