// Relay settings: a write and a read of the output-settings page against the
// simulated device with real pauses. The figure is the wall time divided by
// the pauses the device mandates; the exchange itself should add little.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"
#include "base/SilentUi.h"
#include "base/SleepPacer.h"
#include "protocol/ParameterExchange.h"
#include "params/ReleSettings.h"
#include "sim/SimTransport.h"

namespace {

// A relay module, found and connected as the relay page connects.
struct RelayRig {
  orten::SteadySimClock clock;
  orten::SimBus bus;
  std::shared_ptr<orten::SimDevice> device = bus.Attach(45);
  orten::SimTransport transport{bus, clock};
  orten::SleepPacer pacer;
  orten::SilentUi ui;
  orten::DeviceLink link{transport, pacer, ui};

  RelayRig() {
    link.DiscoverDevice();
    orten::SendConnect(link, orten::kCmdConnectWork);
  }
};

// 4 chunk pauses, 1 after the fourth chunk, 1 after the request, 1 between
// the checksum bytes, 1 before the answer: 8 x 10 ms.
void BM_WriteReleSettings(benchmark::State& state) {
  RelayRig rig;
  std::vector<std::int32_t> block(orten::kReleSettingsArea.size(), 0);
  std::copy(orten::kFactoryReleSettings.begin(), orten::kFactoryReleSettings.end(), block.begin());
  orten::bench::MeasureAgainstPauses(state, 80.0, [&] {
    return orten::WriteParameterBlock(rig.link, orten::kReleSettingsArea, block);
  });
}
BENCHMARK(BM_WriteReleSettings)->Unit(benchmark::kMillisecond)->Iterations(10);

// One 10 ms pause after the request.
void BM_ReadReleSettings(benchmark::State& state) {
  RelayRig rig;
  std::vector<std::int32_t> block(orten::kReleSettingsArea.size(), 0);
  orten::bench::MeasureAgainstPauses(state, 10.0, [&] {
    return orten::ReadParameterBlock(rig.link, orten::kReleSettingsArea, block);
  });
}
BENCHMARK(BM_ReadReleSettings)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
