#include <ostream>

#include "cli/Commands.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "transport/DiscoveryAdvice.h"
#include "protocol/Packets.h"
#include "base/UserInterface.h"

namespace orten::cli {

int DiscoverOneDevice(CommandContext& ctx) {
  if (ctx.link.DiscoverDevice()) return kExitOk;
  if (ctx.link.DeviceCount() == 0) {
    ctx.ui.ShowMessage(msg::kNoDevices, kWarningCaption, BoxIcon::Error);
    // Why the search came up empty, when it is more than nothing plugged in.
    if (const auto why = NotFoundReason(ctx.link.transport()))
      ctx.ui.ShowMessage(*why, kAppTitle, BoxIcon::Information);
  } else {
    ctx.ui.ShowMessage(msg::kSeveralDevices, kWarningCaption, BoxIcon::Error);
  }
  return kExitNoDevice;
}

int OnWorkPageDevice(CommandContext& ctx, DeviceMode family, const std::function<int()>& exchange) {
  if (const int rc = DiscoverOneDevice(ctx); rc != kExitOk) return rc;
  const std::optional<DeviceIdentity> device = SendConnect(ctx.link, kCmdConnectWork);
  if (!device) return kExitDevice;
  if (device->mode != family) {
    ctx.ui.ShowMessage("Команда предназначена для прибора «" + DeviceTypeText(family) +
                       "», а подключен «" + DeviceTypeText(device->mode) +
                       "». Обмен параметрами с прибором не выполнялся.");
    SendDisconnect(ctx.link);
    return kExitDevice;
  }
  const int rc = exchange();
  return SendDisconnect(ctx.link) ? rc : kExitDevice;
}

int RunInfo(CommandContext& ctx) {
  if (ctx.options.words.size() != 1) {
    ctx.ui.ShowMessage("команда info не принимает аргументов");
    return kExitUsage;
  }
  if (const int rc = DiscoverOneDevice(ctx); rc != kExitOk) return rc;
  const std::optional<DeviceIdentity> device = SendConnect(ctx.link, kCmdConnectMain);
  if (!device) return kExitDevice;
  ctx.out << "Тип прибора: " << DeviceTypeText(device->mode) << '\n'
          << "Версия ПО: " << VersionText(device->version, device->mode) << '\n'
          << "Байт версии: " << int{device->version} << '\n';
  return SendDisconnect(ctx.link) ? kExitOk : kExitDevice;
}

}  // namespace orten::cli
