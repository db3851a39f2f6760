#pragma once

#include <memory>
#include <string>
#include <vector>

#include "transport/Transport.h"

namespace orten {

// The device on Windows, through its driver's device interface: SetupAPI
// finds the interface, "\PIPE00" is the write pipe and "\PIPE01" the read
// pipe. Reads and writes are overlapped so that they can be bounded.
class WinPipeTransport final : public Transport {
 public:
  WinPipeTransport();
  ~WinPipeTransport() override;
  WinPipeTransport(const WinPipeTransport&) = delete;
  WinPipeTransport& operator=(const WinPipeTransport&) = delete;

  bool DiscoverDevice() override;
  std::uint32_t DeviceCount() const override;
  bool WriteByte(std::uint8_t byte) override;
  bool WriteChunk(const Chunk& chunk) override;
  ReadStatus ReadByte(std::uint8_t& byte, int timeoutMs) override;
  ReadStatus ReadChunk(Chunk& chunk, int timeoutMs) override;
  void DiscardInput() override;
  void FlushWritePipe() override;
  void FlushReadPipe() override;
  void CloseLink() override;
  PipeState WritePipeState() const override;
  PipeState ReadPipeState() const override;
  std::string LastErrorText() const override;
  LinkFault LastFault() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Device paths of the present interfaces of the device's class. Counts an
// interface whose path cannot be fetched with an empty path; error says why
// the enumeration ended early, if it did.
std::vector<std::string> EnumerateInterfacePaths(std::string& error);

// The kind of a Windows error code met on the device's pipes: at their open
// (opening) or on a transfer.
LinkFault WindowsErrorFault(unsigned long code, bool opening);

}  // namespace orten
