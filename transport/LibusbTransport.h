#pragma once

#include <memory>
#include <vector>

#include "transport/Transport.h"
#include "transport/UsbId.h"

namespace orten {

// The device on Linux, through libusb-1.0: interface 0 of the one device
// with a configured ID, its first bulk OUT endpoint as the write pipe and its
// first bulk IN endpoint as the read pipe. Input arrives in whole packets of
// the IN endpoint's size and is served from a queue in the sizes asked for.
class LibusbTransport final : public Transport {
 public:
  explicit LibusbTransport(std::vector<UsbId> ids);
  // The IDs are asked for at each discovery.
  explicit LibusbTransport(UsbIdLookup lookup);
  ~LibusbTransport() override;
  LibusbTransport(const LibusbTransport&) = delete;
  LibusbTransport& operator=(const LibusbTransport&) = delete;

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
  std::string OpenAdvice() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orten
