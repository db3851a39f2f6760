// Firmware: loading a file into the image, and the write's time against the
// pauses the device needs (the stream should add next to nothing to them).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareLibrary.h"
#include "firmware/FirmwareWriter.h"
#include "link/DeviceCommands.h"
#include "link/DeviceLink.h"
#include "link/Packets.h"
#include "link/SilentUi.h"
#include "link/SleepPacer.h"
#include "sim/SimTransport.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Image(std::size_t blocks) {
  std::vector<std::uint8_t> bytes(10 + 64 * blocks, 0x5A);
  bytes[0] = bytes[1] = 0x55;
  bytes[2] = 0x12;
  bytes[3] = 121;
  return bytes;
}

class NoFacts final : public orten::FirmwareFactsView {
 public:
  void ShowFileName(const std::string&) override {}
  void ShowFileSize(std::uintmax_t) override {}
  void ShowFileDate(std::chrono::system_clock::time_point) override {}
  void ShowFileType(const std::string&) override {}
  void ShowNewVersion(const std::string&) override {}
};

void BM_LoadFirmware256KiB(benchmark::State& state) {
  const fs::path path = fs::temp_directory_path() / "orten-bench-RPU_121";
  const std::vector<std::uint8_t> bytes = Image(4096);  // 256 KiB + 10
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  orten::SilentUi ui;
  NoFacts facts;
  for (auto _ : state) {
    orten::FirmwareImage image;
    const bool ok = orten::ReadFirmwareFile(path.string(), orten::FirmwareReadMode::Load,
                                            {orten::DeviceMode::Receiver, 0}, facts, ui, &image);
    if (!ok || image.size() != bytes.size()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  fs::remove(path);
}
BENCHMARK(BM_LoadFirmware256KiB)->Unit(benchmark::kMillisecond);

// Wall time of a 64 KiB write with real pauses, divided by the sum of the
// pauses the device mandates: 256 block pauses of 10 ms, 10 ms in the tail,
// 25 ms before the verdict.
void BM_WriteFirmware64KiB(benchmark::State& state) {
  orten::SteadySimClock clock;
  orten::SimBus bus;
  auto device = bus.Attach(100);
  orten::SimTransport transport(bus, clock);
  orten::SleepPacer pacer;
  orten::SilentUi ui;
  orten::DeviceLink link(transport, pacer, ui);
  link.DiscoverDevice();
  orten::SendConnect(link, orten::kCmdConnectMain);
  const std::vector<std::uint8_t> image = Image(1024);
  constexpr double kMandatedMs = 256 * 10 + 10 + 25;
  double ratio = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!orten::WriteFirmwareImage(link, image))
      state.SkipWithError(device->lastVerdictReason().c_str());
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    ratio = wall.count() / kMandatedMs;
  }
  state.counters["wall_over_pauses"] = ratio;
}
BENCHMARK(BM_WriteFirmware64KiB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
