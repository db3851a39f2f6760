#include "startup/LinkEnvironment.h"

#include <filesystem>

#include "base/Utf8Path.h"
#include "sim/SimState.h"
#include "sim/SimTransport.h"
#include "startup/SimPresence.h"

#ifdef _WIN32
#include "transport/WinPipeTransport.h"
#else
#include "transport/LibusbPresence.h"
#include "transport/LibusbTransport.h"
#endif

namespace orten {

std::unique_ptr<LinkEnvironment> LinkEnvironment::Create(const CommonOptions& options,
                                                         std::string& error, Failure* failure) {
  Failure ignored = Failure::None;
  Failure& why = failure ? *failure : ignored;
  why = Failure::File;
  std::unique_ptr<LinkEnvironment> env(new LinkEnvironment());
  if (!options.tracePath.empty() && !env->trace_.Open(options.tracePath, error)) return nullptr;

  const bool stateExists =
      !options.simState.empty() && std::filesystem::exists(PathFromUtf8(options.simState));
  if (options.simulate || !options.simState.empty()) {
    std::uint8_t version = 0;
    if (options.simulate) {
      version = *ParseSimulateOption(*options.simulate, error);
    } else if (!stateExists) {
      error = "файла состояния имитатора " + options.simState + " нет; укажите --simulate";
      why = Failure::Usage;
      return nullptr;
    }
    if (options.simSkipWaits) {
      env->simClock_ = std::make_unique<SkippingSimClock>();
    } else {
      env->simClock_ = std::make_unique<SteadySimClock>();
    }
    env->simBus_ = std::make_unique<SimBus>();
    env->simDevice_ = env->simBus_->Attach(version);
    if (stateExists && !LoadSimState(options.simState, *env->simDevice_, error)) return nullptr;
    env->ApplySimFaults(options);
    env->simStatePath_ = options.simState;
    env->transport_ = std::make_unique<SimTransport>(*env->simBus_, *env->simClock_);
    why = Failure::None;
    return env;
  }

#ifdef _WIN32
  env->transport_ = std::make_unique<WinPipeTransport>();
#else
  switch (ResolveUsbIds(options.usbIds, env->usbIds_, error)) {
    case UsbIdProblem::BadEnvironment:
      why = Failure::Usage;
      return nullptr;
    case UsbIdProblem::BadFile:
      return nullptr;
    case UsbIdProblem::None:
      break;
  }
  env->transport_ = std::make_unique<LibusbTransport>(env->usbIds_.ids);
#endif
  why = Failure::None;
  return env;
}

// Byte positions of the faults count from here: the start of the program's work.
void LinkEnvironment::ApplySimFaults(const CommonOptions& options) {
  simDevice_->set_faults(options.simFaults);
  if (options.simNoDevice) simDevice_->Unplug();
  // The second device is a twin that lives only for this run; the state
  // file keeps the first.
  if (options.simTwoDevices) simBus_->Attach(simDevice_->version());
}

LinkEnvironment::~LinkEnvironment() {
  std::string ignored;  // a program that is ending has nobody left to tell
  SaveSimState(ignored);
  if (transport_) transport_->CloseLink();
}

DevicePresence* LinkEnvironment::presence() {
  if (!presence_) {
    if (simBus_) {
      presence_ = std::make_unique<SimPresence>(*simBus_);
    } else {
#ifndef _WIN32
      presence_ = std::make_unique<LibusbPresence>(usbIds_.ids);
#endif
    }
  }
  return presence_.get();
}

bool LinkEnvironment::SaveSimState(std::string& error) {
  if (!simDevice_ || simStatePath_.empty()) return true;
  return orten::SaveSimState(simStatePath_, *simDevice_, error);
}

}  // namespace orten
