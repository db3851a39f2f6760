#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/FirmwareLibrary.h"

namespace orten::bench {

// A firmware stream the device takes whole: the head 55 55 12 VERSION and 4
// more bytes, blocks of 64, two tail bytes.
inline std::vector<std::uint8_t> FirmwareBytes(std::size_t blocks, std::uint8_t version = 121) {
  std::vector<std::uint8_t> bytes(10 + 64 * blocks, 0x5A);
  bytes[0] = bytes[1] = 0x55;
  bytes[2] = 0x12;
  bytes[3] = version;
  return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A firmware file in the temporary folder for as long as the object lives.
class TempFirmwareFile {
 public:
  TempFirmwareFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
      : path_(std::filesystem::temp_directory_path() / name) {
    WriteFile(path_, bytes);
  }
  ~TempFirmwareFile() { std::filesystem::remove(path_); }
  TempFirmwareFile(const TempFirmwareFile&) = delete;
  TempFirmwareFile& operator=(const TempFirmwareFile&) = delete;

  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Runs exchange once per iteration and reports its wall time divided by
// the pauses the device mandates for it, averaged over the iterations.
template <typename Exchange>
void MeasureAgainstPauses(benchmark::State& state, double mandatedMs, Exchange exchange) {
  double wallMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!exchange()) state.SkipWithError("exchange failed");
    wallMs +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["wall_over_pauses"] =
      wallMs / (mandatedMs * static_cast<double>(state.iterations()));
}

}  // namespace orten::bench
