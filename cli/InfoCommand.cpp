#include <ostream>

#include "base/UserInterface.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "ops/Session.h"
#include "protocol/DeviceCommands.h"
#include "protocol/Packets.h"

namespace orten::cli {

Outcome OnWorkPage(CommandContext& ctx, DeviceMode family, const std::function<Outcome()>& work) {
  const Outcome done = ctx.session->OnWorkPage(family, work);
  if (done.kind == OutcomeKind::WrongFamily) {
    ctx.ui.ShowMessage("Команда предназначена для прибора «" + DeviceTypeText(family) +
                       "», а подключен «" + done.detail +
                       "». Обмен параметрами с прибором не выполнялся.");
  }
  return done;
}

void SayOutcome(CommandContext& ctx, const std::string& line) {
  ctx.out << line << '\n';
  ctx.session->Told(line);
}

void SayFailure(CommandContext& ctx, const std::string& text) {
  ctx.ui.ShowMessage(text);
  ctx.session->Told(text);
}

Outcome SayVerdict(CommandContext& ctx, const Verdict& verdict) {
  // The journal has these words already: the check's record holds its verdict.
  if (verdict) {
    ctx.out << verdict.message() << '\n';
  } else {
    ctx.ui.ShowMessage(verdict.message());
  }
  return verdict.outcome;
}

Outcome RunInfo(CommandContext& ctx) {
  const Result<DeviceIdentity> device = ctx.session->FindAndConnect(kCmdConnectMain);
  if (!device) return device.outcome();
  if (ctx.options.json) {
    JsonWriter json(ctx.out);
    WriteDevice(json, *device);
    ctx.out << '\n';
    return ctx.session->Disconnect();
  }
  ctx.out << "Тип прибора: " << DeviceTypeText(device->mode) << '\n'
          << "Версия ПО: " << VersionText(device->version, device->mode) << '\n'
          << "Байт версии: " << int{device->version} << '\n';
  return ctx.session->Disconnect();
}

}  // namespace orten::cli
