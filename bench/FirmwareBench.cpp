// Firmware write: its wall time against the pauses the device needs (the
// stream itself should add next to nothing to them).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSupport.h"
#include "protocol/FirmwareWriter.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"
#include "base/SilentUi.h"
#include "base/SleepPacer.h"
#include "sim/SimTransport.h"

namespace {

// A 64 KiB image with real pauses: 256 block pauses of 10 ms, 10 ms in the
// tail, 25 ms before the verdict.
void BM_WriteFirmware64KiB(benchmark::State& state) {
  orten::SteadySimClock clock;
  orten::SimBus bus;
  bus.Attach(100);
  orten::SimTransport transport(bus, clock);
  orten::SleepPacer pacer;
  orten::SilentUi ui;
  orten::DeviceLink link(transport, pacer, ui);
  link.DiscoverDevice();
  orten::SendConnect(link, orten::kCmdConnectMain);
  const std::vector<std::uint8_t> image = orten::bench::FirmwareBytes(1024);
  orten::bench::MeasureAgainstPauses(state, 256 * 10 + 10 + 25,
                                     [&] { return orten::WriteFirmwareImage(link, image); });
}
BENCHMARK(BM_WriteFirmware64KiB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
