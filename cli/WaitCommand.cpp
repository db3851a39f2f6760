// ortenctl wait: until the device is on the line, or (--gone) off it. Looks
// only at the list of devices, so a waiting script never holds the device.
#include <cmath>
#include <ostream>

#include "cli/Commands.h"
#include "startup/LinkEnvironment.h"
#include "transport/DiscoveryAdvice.h"
#include "base/UserInterface.h"

namespace orten::cli {

int RunWait(CommandContext& ctx) {
  if (ctx.options.words.size() != 1) {
    ctx.ui.ShowMessage("команда wait принимает только --gone и --timeout SECONDS");
    return kExitUsage;
  }
  DevicePresence* presence = ctx.env.presence();
  if (!presence) {
    ctx.ui.ShowMessage("команда wait работает в Linux и с имитатором (--simulate)");
    return kExitUsage;
  }
  const bool gone = ctx.options.gone;
  std::optional<std::int64_t> timeoutMs;
  if (ctx.options.timeout) timeoutMs = std::llround(*ctx.options.timeout * 1000);

  switch (WaitForPresence(*presence, !gone, timeoutMs)) {
    case WaitOutcome::Happened:
      ctx.out << (gone ? "Прибор отключен от линии USB.\n" : "Прибор на линии USB.\n");
      return kExitOk;
    case WaitOutcome::TimedOut:
      ctx.ui.ShowMessage(gone ? "Время ожидания истекло: прибор все еще на линии USB."
                              : "Время ожидания истекло: прибора нет на линии USB.");
      return kExitNoDevice;
    case WaitOutcome::Endless:
      ctx.ui.ShowMessage(
          "Имитатор прибора не отключается, пока работает ortenctl: без --timeout ожидание "
          "не кончилось бы.");
      return kExitUsage;
    case WaitOutcome::Failed:
      break;
  }
  const LinkFault fault = presence->LastFault();
  ctx.ui.ShowMessage(
      NotFoundReason(fault, presence->LastErrorText()).value_or(presence->LastErrorText()));
  return fault == LinkFault::NotConfigured ? kExitUsage : kExitDevice;
}

}  // namespace orten::cli
