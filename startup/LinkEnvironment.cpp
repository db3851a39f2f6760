#include "startup/LinkEnvironment.h"

#include <filesystem>

#include "base/Utf8Path.h"
#include "base/FileKind.h"
#include "base/Wording.h"
#include "sim/SimLine.h"
#include "sim/SimState.h"
#include "sim/SimTransport.h"
#include "startup/SimLineScript.h"
#include "startup/SimPresence.h"
#include "transport/DiscoveryAdvice.h"

#ifdef _WIN32
#include "transport/WinPipeTransport.h"
#include "transport/WinPresence.h"
#else
#include "transport/LibusbPresence.h"
#include "transport/LibusbTransport.h"
#endif

namespace orten {

namespace {

// A state file is checked at start, so that a bad one stops the program
// before anything else happens: taken for a moment, it is made when
// missing and loaded otherwise. When another program holds it, it exists
// and is only read.
Outcome CheckSimStateFile(SimStateFile& file) {
  const Outcome taken = file.Take();
  if (taken) file.Release();
  if (taken.kind == OutcomeKind::DeviceBusy) return LoadSimState(file.path(), file.device());
  return taken;
}

}  // namespace

LinkEnvironment::LinkEnvironment(std::vector<UsbId> usbIdOption)
    : usbIdOption_(std::move(usbIdOption)) {}

Result<std::unique_ptr<LinkEnvironment>> LinkEnvironment::Create(const CommonOptions& options) {
  std::unique_ptr<LinkEnvironment> env(new LinkEnvironment(options.usbIds));
  if (!options.tracePath.empty()) {
    if (Outcome opened = env->trace_.Open(options.tracePath); !opened) return opened;
  }

  if (!options.simLine.empty()) {
    if (Outcome made = env->MakeSimLine(options); !made) return made;
    return env;
  }
  if (options.simulate || !options.simState.empty()) {
    std::uint8_t version = 0;
    if (options.simulate) {
      version = *ParseSimulateOption(*options.simulate);  // checked when the options were read
    } else if (InspectFile(options.simState).kind == FileKind::Missing) {
      constexpr std::size_t kShownPathChars = 200;
      return Outcome{OutcomeKind::Usage, "файла состояния имитатора " +
                                             EscapedExcerpt(options.simState, kShownPathChars) +
                                             " нет; укажите --simulate"};
    }
    if (options.simSkipWaits) {
      env->simClock_ = std::make_unique<SkippingSimClock>();
    } else {
      env->simClock_ = std::make_unique<SteadySimClock>();
    }
    env->simBus_ = std::make_unique<SimBus>();
    env->simDevice_ = env->simBus_->Attach(version);
    auto transport = std::make_unique<SimTransport>(*env->simBus_, *env->simClock_);
    if (!options.simState.empty()) {
      env->simState_ = std::make_unique<SimStateFile>(options.simState, *env->simDevice_);
      if (Outcome checked = CheckSimStateFile(*env->simState_); !checked) return checked;
      transport->KeepStateIn(env->simState_.get());
    }
    env->ApplySimFaults(options);
    env->transport_ = std::move(transport);
    return env;
  }

#ifdef _WIN32
  env->transport_ = std::make_unique<WinPipeTransport>();
  env->emptyLineAdvice_ = kDriverAdvice;
#else
  // The IDs are looked up by each look at the line, never here: nothing
  // the program does before (or instead of) that depends on them.
  env->transport_ = std::make_unique<LibusbTransport>(env->UsbIds());
#endif
  return env;
}

// The line starts empty: its script brings the devices.
Outcome LinkEnvironment::MakeSimLine(const CommonOptions& options) {
  std::vector<SimLineStep> steps;
  if (Outcome read = ReadSimLineScript(options.simLine, steps); !read) return read;
  if (options.simSkipWaits) {
    simClock_ = std::make_unique<SkippingSimClock>();
  } else {
    simClock_ = std::make_unique<SteadySimClock>();
  }
  simBus_ = std::make_unique<SimBus>();
  simLine_ = std::make_unique<SimLine>(*simBus_, *simClock_, std::move(steps));
  transport_ = std::make_unique<SimTransport>(*simBus_, *simClock_);
  return {};
}

MonotonicMs LinkEnvironment::clock() const {
  if (!simClock_) return SteadyMs;
  return [clock = simClock_.get()] { return clock->NowUs() / 1000; };
}

UsbIdLookup LinkEnvironment::UsbIds() const {
  return [fromOption = usbIdOption_]() -> Result<std::vector<UsbId>> {
    Result<ConfiguredUsbIds> configured = ResolveUsbIds(fromOption);
    if (!configured) return configured.outcome();
    return std::move(configured->ids);
  };
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
  // Lets the device go for the other programs; every change is saved already.
  if (transport_) transport_->CloseLink();
}

DevicePresence* LinkEnvironment::presence() {
  if (!presence_) {
    if (simBus_) {
      presence_ = std::make_unique<SimPresence>(*simBus_, simLine_.get());
    } else {
#ifdef _WIN32
      presence_ = std::make_unique<WinPresence>();
#else
      presence_ = std::make_unique<LibusbPresence>(UsbIds());
#endif
    }
  }
  return presence_.get();
}

}  // namespace orten
