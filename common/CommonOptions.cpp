#include "common/CommonOptions.h"

#include "sim/SimState.h"

namespace orten {

namespace {

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

}  // namespace

bool TakeCommonOptions(std::vector<std::string>& args, CommonOptions& options, std::string& error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    std::optional<std::string> value;
    if (TakeValue(args, i, "--simulate", value, error)) {
      if (value && ParseSimulateOption(*value, error)) options.simulate = value;
    } else if (TakeValue(args, i, "--sim-state", value, error)) {
      if (value) options.simState = *value;
    } else if (TakeValue(args, i, "--usb-id", value, error)) {
      if (value) ParseUsbIdList(*value, options.usbIds, error);
    } else if (TakeValue(args, i, "--data-dir", value, error)) {
      if (value) options.dataDir = *value;
    } else if (TakeValue(args, i, "--trace", value, error)) {
      if (value) options.tracePath = *value;
    } else {
      rest.push_back(args[i]);
    }
  }
  if (!error.empty()) return false;
  args = std::move(rest);
  return true;
}

const char* CommonOptionsHelp() {
  return "  --simulate FAMILY[:VERSION]  работать с имитатором прибора вместо USB\n"
         "                               (FAMILY rpu или mro; версии по умолчанию 120 и 45)\n"
         "  --sim-state FILE             хранить память и версию имитатора в FILE между запусками\n"
#ifndef _WIN32  // Windows finds the device through its driver's interface
         "  --usb-id VID:PID             идентификатор USB прибора (можно повторять;\n"
         "                               иначе переменная ORTEN_USB_ID, через запятую)\n"
#endif
         "  --data-dir DIR               папка с Base, Reg_RPU и ReleCfg\n"
         "  --trace FILE                 записывать каждую операцию обмена с прибором в FILE\n";
}

}  // namespace orten
