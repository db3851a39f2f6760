#include "startup/CommonOptions.h"

#include <charconv>
#include <filesystem>

#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "sim/SimState.h"

namespace orten {

namespace {

constexpr const char* kSimFault = "--sim-fault";
constexpr const char* kSimSkipWaits = "--sim-skip-waits";
constexpr const char* kFaultList =
    "no-device, two-devices, pipe-open, no-access, busy, write-fail@K, unplug@K, unplug-read@K, "
    "read-timeout@K, short-chunk@K, corrupt@K, bad-sync, bad-checksum, reject, no-answer";

// Matches "--name value" and "--name=value"; advances i past what it used.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::optional<std::string>& value, std::string& error) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) {
      error = "параметру " + name + " нужно значение";
      return true;
    }
    value = args[++i];
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

// Faults at a byte position: host-to-device bytes for writes, device-to-host
// bytes for reads, counted from the start of the program's work.
struct PositionedFault {
  const char* name;
  std::optional<std::uint64_t> SimFaults::*field;
};
constexpr PositionedFault kPositioned[] = {
    {"write-fail", &SimFaults::failWriteAtByte},   {"unplug", &SimFaults::unplugAtByte},
    {"unplug-read", &SimFaults::unplugAtReadByte}, {"read-timeout", &SimFaults::readTimeoutAtByte},
    {"short-chunk", &SimFaults::shortChunkAtByte}, {"corrupt", &SimFaults::corruptAtByte},
};

struct SwitchedFault {
  const char* name;
  bool SimFaults::*field;
};
constexpr SwitchedFault kSwitched[] = {
    {"pipe-open", &SimFaults::pipeOpenFails},  {"no-access", &SimFaults::accessRefused},
    {"busy", &SimFaults::heldElsewhere},       {"bad-sync", &SimFaults::badSync},
    {"bad-checksum", &SimFaults::badChecksum}, {"reject", &SimFaults::reject},
    {"no-answer", &SimFaults::noAnswer},
};

// Paths on the command line mean the folder the program was started in,
// whatever folder it works in later (the window enters its data folder).
std::string FromStartFolder(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), ec);
  return ec ? path : Utf8FromPath(absolute);
}

bool FaultError(const std::string& text, const std::string& why, std::string& error) {
  // What was typed, escaped and cut: a script's line may bring anything.
  constexpr std::size_t kShownChars = 40;
  error = std::string(kSimFault) + " " + EscapedExcerpt(text, kShownChars) + ": " + why;
  return false;
}

// Any --sim-fault given.
bool AnyFault(const CommonOptions& o) {
  const SimFaults& f = o.simFaults;
  return o.simNoDevice || o.simTwoDevices || f.pipeOpenFails || f.accessRefused ||
         f.heldElsewhere || f.failWriteAtByte || f.unplugAtByte || f.unplugAtReadByte ||
         f.readTimeoutAtByte || f.shortChunkAtByte || f.corruptAtByte || f.badSync ||
         f.badChecksum || f.reject || f.noAnswer;
}

// The simulation's faults only make sense on the simulated line.
bool CheckSimFaults(const CommonOptions& o, std::string& error) {
  if (o.simNoDevice && o.simTwoDevices) {
    error = std::string(kSimFault) + ": no-device и two-devices исключают друг друга";
    return false;
  }
  if (!o.simLine.empty()) {
    // The script says which devices come, and what goes wrong with each.
    if (o.simulate || !o.simState.empty()) {
      error = "--sim-line не сочетается с --simulate и --sim-state: приборы на линии задает сценарий";
      return false;
    }
    if (AnyFault(o)) {
      error = std::string(kSimFault) + " не сочетается с --sim-line: отказы задает сценарий";
      return false;
    }
    return true;
  }
  if ((AnyFault(o) || o.simSkipWaits) && !o.simulate && o.simState.empty()) {
    error = std::string(kSimFault) + " и " + kSimSkipWaits +
            " действуют только с --simulate, --sim-state или --sim-line";
    return false;
  }
  return true;
}

// Reads the value into options; false with error naming it when it is not one.
bool ReadSimFault(const std::string& text, CommonOptions& options, std::string& error) {
  const std::size_t at = text.find('@');
  const std::string name = text.substr(0, at);
  std::optional<std::uint64_t> position;
  if (at != std::string::npos) {
    const char* first = text.data() + at + 1;
    const char* last = text.data() + text.size();
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) {
      return FaultError(text, "номер байта после @ должен быть целым числом от 0", error);
    }
    position = value;
  }
  for (const PositionedFault& f : kPositioned) {
    if (name != f.name) continue;
    if (!position) return FaultError(text, "нужен номер байта: " + name + "@K", error);
    options.simFaults.*f.field = position;
    return true;
  }
  const auto takesNoPosition = [&] {
    return !position || FaultError(text, "этот отказ не принимает номер байта", error);
  };
  for (const SwitchedFault& f : kSwitched) {
    if (name != f.name) continue;
    if (!takesNoPosition()) return false;
    options.simFaults.*f.field = true;
    return true;
  }
  if (name == "no-device" || name == "two-devices") {
    if (!takesNoPosition()) return false;
    (name == "no-device" ? options.simNoDevice : options.simTwoDevices) = true;
    return true;
  }
  return FaultError(text, std::string("неизвестный отказ; ожидается один из: ") + kFaultList,
                    error);
}

}  // namespace

Outcome ParseSimFault(const std::string& text, CommonOptions& options) {
  std::string error;
  if (ReadSimFault(text, options, error)) return {};
  return {OutcomeKind::Usage, error};
}

Outcome TakeCommonOptions(std::vector<std::string>& args, CommonOptions& options) {
  std::string error;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    std::optional<std::string> value;
    if (args[i] == "--") {  // what follows is no option, whatever it looks like
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    if (TakeValue(args, i, "--simulate", value, error)) {
      if (value) {
        const Result<std::uint8_t> version = ParseSimulateOption(*value);
        if (version) options.simulate = value;
        if (!version) error = version.outcome().detail;
      }
    } else if (TakeValue(args, i, "--sim-state", value, error)) {
      if (value) options.simState = FromStartFolder(*value);
    } else if (TakeValue(args, i, "--sim-line", value, error)) {
      if (value) options.simLine = FromStartFolder(*value);
    } else if (TakeValue(args, i, kSimFault, value, error)) {
      if (value) ReadSimFault(*value, options, error);
    } else if (args[i] == kSimSkipWaits) {
      options.simSkipWaits = true;
    } else if (TakeValue(args, i, "--usb-id", value, error)) {
      const Result<std::vector<UsbId>> ids = value ? ParseUsbIdList(*value) : std::vector<UsbId>{};
      if (ids) options.usbIds.insert(options.usbIds.end(), ids->begin(), ids->end());
      if (!ids) error = ids.outcome().detail;
    } else if (TakeValue(args, i, "--data-dir", value, error)) {
      if (value) options.dataDir = FromStartFolder(*value);
    } else if (TakeValue(args, i, "--trace", value, error)) {
      if (value) options.tracePath = FromStartFolder(*value);
    } else {
      rest.push_back(args[i]);
    }
  }
  if (!error.empty() || !CheckSimFaults(options, error)) return {OutcomeKind::Usage, error};
  args = std::move(rest);
  return {};
}

const char* CommonOptionsHelp() {
  return "  --simulate FAMILY[:VERSION]  работать с имитатором прибора вместо USB\n"
         "                               (FAMILY rpu или mro; версии по умолчанию 120 и 45)\n"
         "  --sim-state FILE             хранить память и версию имитатора в FILE между запусками\n"
         "                               (программы на одном FILE работают с одним прибором)\n"
         "  --sim-fault FAULT            отказ имитатора, для репетиции без прибора (можно\n"
         "                               повторять): no-device, two-devices, pipe-open,\n"
         "                               no-access, busy, write-fail@K, unplug@K, unplug-read@K,\n"
         "                               read-timeout@K, short-chunk@K, corrupt@K, bad-sync,\n"
         "                               bad-checksum, reject, no-answer; K - номер байта от\n"
         "                               начала работы (запись в прибор, а для unplug-read,\n"
         "                               read-timeout и short-chunk - чтение из него);\n"
         "                               corrupt@K: прибор принимает байт K, но хранит его\n"
         "                               измененным (значение параметра или байт версии)\n"
         "  --sim-line FILE              линия, на которой приборы появляются и отключаются по\n"
         "                               сценарию FILE, для wait и batch (шаги plug, unplug,\n"
#ifdef _WIN32  // no manual pages there
         "                               pause: строки plug mro:45 [ОТКАЗ...], unplug [N],\n"
         "                               pause СЕКУНДЫ)\n"
#else
         "                               pause; см. man ortenctl)\n"
#endif
         "  --sim-skip-waits             ожидание ответа молчащего имитатора и паузы сценария\n"
         "                               линии не тратят времени\n"
#ifndef _WIN32  // Windows finds the device through its driver's interface
         "  --usb-id VID:PID             идентификатор USB прибора (можно повторять;\n"
         "                               иначе переменная ORTEN_USB_ID, через запятую)\n"
#endif
         "  --data-dir DIR               папка с Base, Reg_RPU и ReleCfg\n"
         "  --trace FILE                 записывать каждую операцию обмена с прибором в FILE\n";
}

}  // namespace orten
