#include "pages/RelayPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "params/ReleModeRules.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

QWidget* MakeOutputPage(QTabWidget* pages, const QString& name, const QString& caption) {
  auto* page = new QWidget();
  page->setObjectName(name);
  page->setAccessibleName(caption);
  pages->addTab(page, caption);
  return page;
}

void Apply(QComboBox* list, const ComboRule& rule) {
  list->setCurrentIndex(rule.code);
  list->setEnabled(rule.enabled);
}

// Marks a work-mode click as running for as long as it is handled.
class ClickScope {
 public:
  explicit ClickScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~ClickScope() { flag_ = false; }
  ClickScope(const ClickScope&) = delete;
  ClickScope& operator=(const ClickScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

RelayPage::RelayPage(QWidget* parent) : QWidget(parent) {
  setObjectName("ReleSettingsTabSh");
  setAccessibleName("Режимы реле и выхода ОК");

  ReleOKPageC = new QTabWidget();
  ReleOKPageC->setObjectName("ReleOKPageC");
  ReleOKPageC->setAccessibleName("Выходы");
  Rele1TabSh = MakeOutputPage(ReleOKPageC, "Rele1TabSh", kOutputNames[0]);
  Rele2TabSh = MakeOutputPage(ReleOKPageC, "Rele2TabSh", kOutputNames[1]);
  OK1TabSh = MakeOutputPage(ReleOKPageC, "OK1TabSh", kOutputNames[2]);
  outputPages = {Rele1TabSh, Rele2TabSh, OK1TabSh};
  for (int n = 1; n <= kOutputCount; ++n) {
    OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
    c = BuildOutputPage(outputPages[static_cast<std::size_t>(n - 1)], n);
    RadioGroup* group = c.ReleWorkMode;
    // The group fires on the user's choice only; showing a table selects
    // modes from code and so never runs the rules.
    connect(group, &RadioGroup::clicked, this, [this, group] { ReleWorkMode1Click(group); });
  }
  ReleOKPageC->setCurrentIndex(0);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);
  page->addWidget(ReleOKPageC);
}

int RelayPage::outputOfModeGroup(const QObject* sender) const {
  for (int n = 1; n <= kOutputCount; ++n) {
    if (sender && sender == outputs[static_cast<std::size_t>(n - 1)].ReleWorkMode) return n;
  }
  return 0;
}

void RelayPage::CheckReleEvents(int n, bool checked) {
  if (n < 1 || n > kOutputCount) return;
  const OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
  for (QCheckBox* box : c.notifications) box->setChecked(checked);
  // A mode click changes what the output reacts to, never where it is bound.
  if (releModeClickActive_) return;
  for (QCheckBox* box : c.privrele) box->setChecked(checked);
}

void RelayPage::EnableReleEvents(int n, bool enabled) {
  if (n < 1 || n > kOutputCount) return;
  const OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
  for (QCheckBox* box : c.notifications) box->setEnabled(enabled);
  c.TimeRzmk->setEnabled(enabled);
  c.TimeZmk->setEnabled(enabled);
  c.TimePeriod->setEnabled(enabled || n == kOpenCollectorOutput);
  c.InvRele->setEnabled(enabled);
}

void RelayPage::ShowReleSettings(std::span<const std::int32_t> table) {
  if (table.size() < kReleParamCount) return;
  for (int n = 1; n <= kOutputCount; ++n) showOutput(n, table);
}

void RelayPage::showOutput(int n, std::span<const std::int32_t> table) {
  const OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
  const OutputSettings s = OutputOf(table, n);
  for (std::size_t k = 0; k < c.privrele.size(); ++k) c.privrele[k]->setChecked(s.partitions[k]);
  for (std::size_t i = 0; i < c.notifications.size(); ++i) {
    c.notifications[i]->setChecked(s.notifications[i]);
  }
  c.InvRele->setCurrentIndex(s.inverse ? 1 : 0);
  c.TimeZmk->setCurrentIndex(s.closing);
  c.TimeRzmk->setCurrentIndex(s.opening);
  c.TimePeriod->setCurrentIndex(s.duration);
  c.ReleWorkMode->setItemIndex(s.modeItem);
  EnableReleEvents(n, s.modeItem == kSpecialModeItem);
}

void RelayPage::CollectReleSettings(std::span<std::int32_t> table) const {
  if (table.size() < kReleParamCount) return;
  std::fill_n(table.begin(), kReleParamCount, 0);
  const auto at = [&table](int entry) -> std::int32_t& {
    return table[static_cast<std::size_t>(entry)];
  };
  for (int n = 1; n <= kOutputCount; ++n) {
    const OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
    const int bit = rele::OutputBit(n);
    for (std::size_t k = 0; k < c.privrele.size(); ++k) {
      if (c.privrele[k]->isChecked()) table[k] |= bit;
    }
    for (std::size_t i = 0; i < c.notifications.size(); ++i) {
      if (c.notifications[i]->isChecked()) at(kNotifications[i].entry) |= bit;
    }
    if (c.InvRele->currentIndex() == 1) at(rele::kInvRele) |= bit;
    // Locked controls count like free ones: a forced value is stored as shown.
    at(rele::ClosingEntry(n)) = c.TimeZmk->currentIndex();
    at(rele::OpeningEntry(n)) = c.TimeRzmk->currentIndex();
    at(rele::DurationEntry(n)) = c.TimePeriod->currentIndex();
    at(rele::ModeEntry(n)) = c.ReleWorkMode->itemIndex() + 1;
  }
}

void RelayPage::ReleWorkMode1Click(QObject* sender) {
  const int n = outputOfModeGroup(sender);
  if (n == 0) return;
  ClickScope running(releModeClickActive_);
  const OutputControls& c = outputs[static_cast<std::size_t>(n - 1)];
  const int item = c.ReleWorkMode->itemIndex();
  if (item < 0 || item >= kWorkModeCount) return;

  const ModeRule rule = ModeRuleFor(item, n);
  EnableReleEvents(n, rule.notificationsEnabled);
  CheckReleEvents(n, false);
  Apply(c.TimeRzmk, rule.opening);
  Apply(c.TimeZmk, rule.closing);
  Apply(c.TimePeriod, rule.duration);
  Apply(c.InvRele, rule.inverse);
  for (int i = 0; i < kNotificationCount; ++i) {
    if (rule.checked & (1 << i)) c.notifications[static_cast<std::size_t>(i)]->setChecked(true);
  }
}

}  // namespace orten::gui
