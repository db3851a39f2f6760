#include "startup/DeviceChooser.h"

#include "base/UserInterface.h"
#include "startup/UsbIdSettings.h"
#include "transport/UdevRule.h"
#include "transport/UsbDeviceScan.h"

namespace orten {

namespace {

#ifndef _WIN32

constexpr const char* kChooserTitle = "Выбор прибора";

std::optional<bool> MayOpen(UsbAccess access) {
  if (access == UsbAccess::Unknown) return std::nullopt;
  return access == UsbAccess::Yes;
}

std::string ChoiceText(const ConfiguredUsbIds& configured, const Outcome& resolved) {
  std::string why;
  if (resolved.kind == OutcomeKind::FileError) {
    why = "Файл запомненных идентификаторов прибора испорчен.";
  } else if (configured.ids.empty()) {
    why = "Идентификаторы USB прибора не заданы.";
  } else {
    why = "Прибор с запомненными идентификаторами";
    for (const UsbId& id : configured.ids) {
      why += ' ';  // appended piece by piece: GCC 12 at -O2 misreads " " + a temporary (-Wrestrict)
      why += FormatUsbId(id);
    }
    why += " не найден.";
  }
  return why +
         "\nВыберите прибор из подключенных устройств USB: его идентификаторы будут запомнены "
         "для ortenconf и ortenctl в " +
         RememberedUsbIdsPath() + ".";
}

#endif

}  // namespace

DeviceChooser::DeviceChooser(std::vector<UsbId> usbIdOption, UdevRuleInstaller installer)
    : usbIdOption_(std::move(usbIdOption)), installer_(std::move(installer)) {}

#ifndef _WIN32

DeviceChoiceResult DeviceChooser::OfferAfterEmptyLine(LinkFault fault, UserInterface& ui) {
  constexpr DeviceChoiceResult kNotOffered = DeviceChoiceResult::NotOffered;
  if (fault != LinkFault::None && fault != LinkFault::NotConfigured) return kNotOffered;
  const Result<ConfiguredUsbIds> resolved = ResolveUsbIds(usbIdOption_);
  const ConfiguredUsbIds configured = resolved ? *resolved : ConfiguredUsbIds{};
  // IDs given with --usb-id or ORTEN_USB_ID win over anything remembered:
  // a choice would change nothing.
  if (resolved.kind() == OutcomeKind::Usage || configured.source == UsbIdSource::Option ||
      configured.source == UsbIdSource::Environment) {
    return kNotOffered;
  }
  UsbScan scan = ScanUsbDevices(configured.ids);
  if (!scan.ok) return kNotOffered;
  const std::vector<UsbDeviceInfo> candidates = ReceiverCandidates(std::move(scan.devices));
  if (candidates.empty()) return kNotOffered;

  DeviceChoice choice{kChooserTitle, ChoiceText(configured, resolved.outcome()), {}};
  for (const UsbDeviceInfo& d : candidates) {
    choice.items.push_back(
        {FormatUsbId(d.id), d.manufacturer, d.product, d.port, MayOpen(d.access)});
  }
  const std::optional<std::size_t> row = ui.ChooseDevice(choice);
  if (!row || *row >= candidates.size()) return DeviceChoiceResult::Declined;
  if (const Outcome kept = RememberUsbIds(RememberedUsbIdsPath(), {candidates[*row].id}); !kept) {
    ui.ShowMessage("Идентификаторы прибора не запомнены: " + kept.detail, kWarningCaption,
                   BoxIcon::Error);
    return kNotOffered;
  }
  return DeviceChoiceResult::Chosen;
}

bool DeviceChooser::OfferRule(UserInterface& ui, const std::string& advice) {
  UsbScan scan;
  if (const Result<ConfiguredUsbIds> configured = ResolveUsbIds(usbIdOption_)) {
    scan = ScanUsbDevices(configured->ids);
  }
  const UsbDeviceInfo* refused = nullptr;
  for (const UsbDeviceInfo& d : scan.devices) {
    if (d.configured && d.access == UsbAccess::No) refused = &d;
  }
  if (!refused) {
    if (!advice.empty()) ui.ShowMessage(advice, kAppTitle, BoxIcon::Information);
    return false;
  }
  const UsbId id = refused->id;
  const std::string rule = "Нет доступа к прибору " + FormatUsbId(id) + " (USB " + refused->port +
                           ") у этого пользователя. Доступ к нему дает правило udev\n" +
                           UdevRuleLine(id) + "в файле " + kUdevRulePath + ".\n";
  if (installer_.route() == UdevRuleInstaller::Route::Manual) {
    ui.ShowMessage(rule + "Поставьте его командами (нужны права root):\n" +
                       ManualInstallCommands(id) + "Затем установите связь снова.",
                   kAppTitle, BoxIcon::Information);
    return false;
  }
  // As root the rule is written here and now; otherwise pkexec asks for the password.
  const char* how = installer_.route() == UdevRuleInstaller::Route::Write
                        ? "Программа запущена от root: правило будет записано сразу."
                        : "Понадобится пароль администратора.";
  if (!ui.AskYesNo(rule + "Поставить правило сейчас? " + how, kSystemCaption, BoxIcon::Question)) {
    return false;
  }
  const Result<UdevRuleInstaller::Installation> result = installer_.Install(id);
  if (!result || result->kind != UdevRuleInstaller::Installation::Kind::Installed) {
    ui.ShowMessage(result ? result->text : result.outcome().detail, kWarningCaption,
                   BoxIcon::Error);
    return false;
  }
  ui.ShowMessage(result->text + "\nУстановите связь снова.", kAppTitle, BoxIcon::Information);
  return true;
}

#else

DeviceChoiceResult DeviceChooser::OfferAfterEmptyLine(LinkFault, UserInterface&) {
  return DeviceChoiceResult::NotOffered;
}

bool DeviceChooser::OfferRule(UserInterface&, const std::string&) {
  return false;
}

#endif

}  // namespace orten
