// ortenctl wait: until the device is on the line, or (--gone) off it. Looks
// only at the list of devices, so a waiting script never holds the device.
#include <cmath>
#include <ostream>

#include "base/UserInterface.h"
#include "cli/Commands.h"
#include "startup/LinkEnvironment.h"
#include "transport/DiscoveryAdvice.h"

namespace orten::cli {

Outcome RunWait(CommandContext& ctx) {
  DevicePresence* presence = ctx.env->presence();
  if (!presence) {
    ctx.ui.ShowMessage("команда wait работает в Linux и с имитатором (--simulate)");
    return OutcomeKind::Usage;
  }
  const bool gone = ctx.options.gone;
  std::optional<std::int64_t> timeoutMs;
  if (ctx.options.timeout) timeoutMs = std::llround(*ctx.options.timeout * 1000);

  switch (WaitForPresence(*presence, !gone, timeoutMs)) {
    case WaitOutcome::Happened:
      ctx.out << (gone ? "Прибор отключен от линии USB.\n" : "Прибор на линии USB.\n");
      return {};
    case WaitOutcome::TimedOut:
      ctx.ui.ShowMessage(gone ? "Время ожидания истекло: прибор все еще на линии USB."
                              : "Время ожидания истекло: прибора нет на линии USB.");
      return OutcomeKind::TimedOut;
    case WaitOutcome::Endless:
      ctx.ui.ShowMessage(
          "Имитатор прибора не отключается, пока работает ortenctl: без --timeout ожидание "
          "не кончилось бы.");
      return OutcomeKind::Usage;
    case WaitOutcome::Failed:
      break;
  }
  const LinkFault fault = presence->LastFault();
  ctx.ui.ShowMessage(
      NotFoundReason(fault, presence->LastErrorText()).value_or(presence->LastErrorText()));
  return fault == LinkFault::NotConfigured ? OutcomeKind::Usage : OutcomeKind::LinkFailed;
}

}  // namespace orten::cli
