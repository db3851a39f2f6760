// Throughput of the link checksum: every frame, firmware image and file check
// runs through it.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "protocol/LinkCrc.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
  std::mt19937 rng(64);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

void BM_LinkCrc64KiB(benchmark::State& state) {
  const std::vector<std::uint8_t> data = RandomBytes(64 * 1024);
  for (auto _ : state) {
    benchmark::DoNotOptimize(orten::ComputeLinkCrc(std::span<const std::uint8_t>(data)));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_LinkCrc64KiB);

// Images are held one integer per byte; the checksum must not be slower there.
void BM_LinkCrc64KiBIntegers(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = RandomBytes(64 * 1024);
  const std::vector<std::int32_t> data(bytes.begin(), bytes.end());
  for (auto _ : state) {
    benchmark::DoNotOptimize(orten::ComputeLinkCrc(std::span<const std::int32_t>(data)));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_LinkCrc64KiBIntegers);

}  // namespace
