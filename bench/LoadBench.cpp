// Loading a 256 KiB firmware file. Ours reads the file into one byte
// buffer. The old way kept the image as one decimal list item per byte in a
// hidden list box and let the window handle its events after every byte;
// it runs here in the same process for comparison.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QListWidget>
#include <fstream>
#include <vector>

#include "bench/BenchSupport.h"
#include "protocol/FirmwareImage.h"
#include "firmware/FirmwareLibrary.h"

namespace {

constexpr std::size_t kBlocks256KiB = 4096;  // 256 KiB + 10 bytes

void BM_LoadFirmware256KiB(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = orten::bench::FirmwareBytes(kBlocks256KiB);
  const orten::bench::TempFirmwareFile file("orten-bench-RPU_121", bytes);
  for (auto _ : state) {
    orten::FirmwareFile loaded = orten::ReadFirmwareFile(file.path(), orten::FirmwareReadMode::Load,
                                                         orten::DeviceMode::Receiver);
    if (!loaded.loaded() || loaded.image.size() != bytes.size()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(loaded);
  }
}
BENCHMARK(BM_LoadFirmware256KiB)->Unit(benchmark::kMillisecond);

void BM_LoadFirmware256KiBListBox(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = orten::bench::FirmwareBytes(kBlocks256KiB);
  const orten::bench::TempFirmwareFile file("orten-bench-list-RPU_121", bytes);
  QListWidget list;  // never shown
  for (auto _ : state) {
    std::ifstream in(file.path(), std::ios::binary);
    in.seekg(0, std::ios::end);
    std::vector<char> buffer(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    list.clear();
    for (const char c : buffer) {
      list.addItem(QString::number(static_cast<unsigned char>(c)));
      QCoreApplication::processEvents();
    }
    if (static_cast<std::size_t>(list.count()) != bytes.size()) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_LoadFirmware256KiBListBox)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
