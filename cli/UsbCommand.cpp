// ortenctl usb: which USB devices could be the receiver, and the IDs both
// programs remember for it. Formatting only: the core does the looking.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <vector>

#include "base/JsonWriter.h"
#include "base/TextColumns.h"
#include "cli/Commands.h"
#include "startup/UdevRuleInstall.h"
#include "startup/UsbIdSettings.h"
#include "transport/DiscoveryAdvice.h"
#include "transport/UdevRule.h"
#include "transport/UsbDeviceScan.h"

namespace orten::cli {

namespace {

#ifndef _WIN32

std::string AccessText(UsbAccess access) {
  switch (access) {
    case UsbAccess::Yes:
      return "да";
    case UsbAccess::No:
      return "нет";
    case UsbAccess::Unknown:
      break;
  }
  return "?";
}

std::string NamesText(const UsbDeviceInfo& device) {
  if (device.manufacturer.empty() && device.product.empty()) return "(названия не прочитать)";
  return (device.manufacturer.empty() ? "?" : device.manufacturer) + " / " +
         (device.product.empty() ? "?" : device.product);
}

void PrintTable(const std::vector<UsbDeviceInfo>& rows, bool all, std::ostream& out) {
  std::size_t portWidth = 8;
  for (const UsbDeviceInfo& d : rows) portWidth = std::max(portWidth, d.port.size() + 2);
  // "прибор?" only with --all: without it every row shown may be the device.
  std::vector<std::size_t> widths = {11, portWidth, 8, 7};
  if (all) widths.push_back(9);
  const auto line = [&](std::vector<std::string> cells, const std::string& receiver,
                        const std::string& names) {
    if (all) cells.push_back(receiver);
    cells.push_back(names);
    out << TableLine(cells, widths) << '\n';
  };
  line({"VID:PID", "USB", "доступ", "задан"}, "прибор?", "изготовитель / изделие");
  for (const UsbDeviceInfo& d : rows) {
    line({FormatUsbId(d.id), d.port, AccessText(d.access), d.configured ? "да" : "нет"},
         d.receiverInterface ? "может" : "нет", NamesText(d));
  }
}

// What to do next: remember the one candidate, or let this user open it.
void PrintAdvice(const std::vector<UsbDeviceInfo>& rows, bool haveIds, std::ostream& out) {
  std::vector<const UsbDeviceInfo*> candidates;
  for (const UsbDeviceInfo& d : rows) {
    if (d.receiverInterface) candidates.push_back(&d);
  }
  if (!haveIds && candidates.size() == 1) {
    out << "\nЗапомните его: ortenctl usb --remember " << FormatUsbId(candidates[0]->id) << '\n';
  }
  for (const UsbDeviceInfo* d : candidates) {
    if ((d->configured || !haveIds) && d->access == UsbAccess::No) {
      out << "\nУ этого пользователя нет доступа к " << FormatUsbId(d->id) << " (" << d->port
          << ").\n"
          << UdevAdvice(d->id) << '\n';
    }
  }
}

// The same list for programs.
void WriteDevices(const ConfiguredUsbIds& configured, const std::vector<UsbDeviceInfo>& rows,
                  std::ostream& out) {
  JsonWriter json(out);
  json.BeginObject().Key("ids").BeginArray();
  for (const UsbId& id : configured.ids) json.String(FormatUsbId(id));
  json.EndArray().Field("source", UsbIdSourceText(configured.source)).Key("devices").BeginArray();
  for (const UsbDeviceInfo& d : rows) {
    json.BeginObject()
        .Field("id", FormatUsbId(d.id))
        .Field("port", d.port)
        .Field("manufacturer", d.manufacturer)
        .Field("product", d.product)
        .Field("access", d.access == UsbAccess::Yes  ? "yes"
                         : d.access == UsbAccess::No ? "no"
                                                     : "unknown")
        .Field("configured", d.configured)
        .Field("receiver", d.receiverInterface.has_value())
        .EndObject();
  }
  json.EndArray().EndObject();
  out << '\n';
}

Outcome ListDevices(const CliOptions& options, std::ostream& out, std::ostream& err) {
  const Result<ConfiguredUsbIds> resolved = ResolveUsbIds(options.common.usbIds);
  const Outcome rc = resolved.outcome();
  if (!resolved) err << "ortenctl: " << rc.detail << '\n';
  const ConfiguredUsbIds configured = resolved ? *resolved : ConfiguredUsbIds{};
  UsbScan scan = ScanUsbDevices(configured.ids);
  const std::vector<UsbDeviceInfo> rows =
      options.all ? std::move(scan.devices) : ReceiverCandidates(std::move(scan.devices));
  if (options.json) {
    if (!scan.ok) {
      err << "ortenctl: " << NotFoundReason(scan.fault, scan.error).value_or(scan.error) << '\n';
      return OutcomeKind::LinkFailed;
    }
    WriteDevices(configured, rows, out);
    return rc;
  }
  out << "Идентификаторы прибора: ";
  for (const UsbId& id : configured.ids) out << FormatUsbId(id) << ' ';
  out << '(' << UsbIdSourceText(configured.source) << ")\n\n";
  if (!scan.ok) {
    err << "ortenctl: " << NotFoundReason(scan.fault, scan.error).value_or(scan.error) << '\n';
    return OutcomeKind::LinkFailed;
  }
  if (rows.empty()) {
    out << (options.all ? "Устройств USB не найдено.\n"
                        : "Устройств USB, которые могут быть прибором, не найдено "
                          "(все устройства: ortenctl usb --all).\n");
    return rc;
  }
  PrintTable(rows, options.all, out);
  PrintAdvice(rows, !configured.ids.empty(), out);
  return rc;
}

// The rule for the IDs in force, ready for `| sudo tee` into the rules folder.
Outcome PrintUdevRule(const CliOptions& options, std::ostream& out, std::ostream& err) {
  const Result<ConfiguredUsbIds> configured = ResolveUsbIds(options.common.usbIds);
  if (!configured) {
    err << "ortenctl: " << configured.outcome().detail << '\n';
    return configured.outcome();
  }
  out << UdevRuleText(configured->ids);
  return {};
}

Outcome Remember(const CliOptions& options, std::ostream& out, std::ostream& err) {
  // Checked when the options were read.
  const std::vector<UsbId> ids = *ParseUsbIdList(options.remember);
  const std::string path = RememberedUsbIdsPath();
  if (Outcome kept = RememberUsbIds(path, ids); !kept) {
    err << "ortenctl: " << kept.detail << '\n';
    return kept;
  }
  out << "Идентификаторы прибора запомнены в " << path << ".\n";
  if (!options.common.usbIds.empty()) out << "(В этом запуске действует --usb-id.)\n";
  return {};
}

// This program's own full path: pkexec runs it again as root.
std::string SelfPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

// As root: writes the rule and applies it; as a user: asks pkexec to run
// this command as root, else prints the commands. The ID was checked when
// the options were read, and is checked again here, on the root side.
Outcome InstallRule(const CliOptions& options, std::ostream& out, std::ostream& err) {
  const std::optional<UsbId> id = ParseRuleUsbId(options.installRule);
  if (!id) {
    err << "ortenctl: --install-rule: ожидается VVVV:PPPP\n";
    return OutcomeKind::Usage;
  }
  const UdevRuleInstaller installer(UdevRuleInstaller::FromEnvironment(SelfPath()));
  const Result<UdevRuleInstaller::Installation> result = installer.Install(*id);
  if (!result) {
    const std::string& why = result.outcome().detail;
    err << "ortenctl: " << why << (why.ends_with('\n') ? "" : "\n");
    return result.outcome();
  }
  if (result->kind == UdevRuleInstaller::Installation::Kind::Installed) {
    out << result->text << '\n';
    return {};
  }
  out << "Правило ставит root: pkexec не найден. Выполните:\n" << result->text;
  // The rule file was not written.
  return OutcomeKind::FileError;
}

#endif

}  // namespace

Outcome RunUsb(CommandContext& ctx) {
  const CliOptions& options = ctx.options;
  std::ostream& out = ctx.out;
  std::ostream& err = ctx.err;
  const int actions = int{options.forget} + int{!options.remember.empty()} + int{options.udevRule} +
                      int{!options.installRule.empty()};
  if (actions > 1) {
    err << "ortenctl: --remember, --forget, --udev-rule и --install-rule исключают друг друга\n";
    return OutcomeKind::Usage;
  }
#ifdef _WIN32
  (void)out;
  err << "ortenctl: команда usb нужна только в Linux: в Windows прибор находит его драйвер.\n";
  return OutcomeKind::Usage;
#else
  if (!options.remember.empty()) return Remember(options, out, err);
  if (options.udevRule) return PrintUdevRule(options, out, err);
  if (!options.installRule.empty()) return InstallRule(options, out, err);
  if (options.forget) {
    if (Outcome forgotten = ForgetUsbIds(RememberedUsbIdsPath()); !forgotten) {
      err << "ortenctl: " << forgotten.detail << '\n';
      return forgotten;
    }
    out << "Запомненных идентификаторов прибора больше нет.\n";
    return {};
  }
  return ListDevices(options, out, err);
#endif
}

}  // namespace orten::cli
