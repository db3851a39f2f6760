#pragma once

#include <QWidget>
#include <array>

class QTabWidget;

namespace orten::gui {

// The page "Режимы реле и выхода ОК": one inner page per output (relay 1,
// relay 2, open-collector output), in output order.
class RelayPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kOutputCount = 3;

  explicit RelayPage(QWidget* parent = nullptr);

  QTabWidget* ReleOKPageC = nullptr;
  QWidget* Rele1TabSh = nullptr;
  QWidget* Rele2TabSh = nullptr;
  QWidget* OK1TabSh = nullptr;
  // The same three pages, indexed by output number - 1.
  std::array<QWidget*, kOutputCount> outputPages{};
};

}  // namespace orten::gui
