// The reply and frame checks, and the connect command reading a reply the
// fuzzer makes up. Byte 0 steers the exchange (which connect code, where a
// write fails, how the reply ends); the rest is what the device "sends".
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Packets.h"
#include "base/UserInterface.h"
#include "sim/VirtualPacer.h"

namespace {

using orten::fuzz::Broken;

// Serves the given bytes one read at a time; writes succeed up to a chosen
// byte. When the bytes run out, reads time out or fail.
class ReplayTransport final : public orten::Transport {
 public:
  ReplayTransport(std::span<const std::uint8_t> reply, int failingWrite, bool failAtEnd)
      : reply_(reply), failingWrite_(failingWrite), failAtEnd_(failAtEnd) {}

  bool DiscoverDevice() override { return true; }
  std::uint32_t DeviceCount() const override { return 1; }
  bool WriteByte(std::uint8_t) override { return writes_++ != failingWrite_; }
  bool WriteChunk(const orten::Chunk&) override { return writes_++ != failingWrite_; }
  orten::ReadStatus ReadByte(std::uint8_t& byte, int) override {
    if (next_ >= reply_.size())
      return failAtEnd_ ? orten::ReadStatus::Failed : orten::ReadStatus::TimedOut;
    byte = reply_[next_++];
    return orten::ReadStatus::Ok;
  }
  orten::ReadStatus ReadChunk(orten::Chunk& chunk, int) override {
    if (reply_.size() - next_ < chunk.size()) return orten::ReadStatus::TimedOut;
    std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(next_), chunk.size(), chunk.begin());
    next_ += chunk.size();
    return orten::ReadStatus::Ok;
  }
  void DiscardInput() override {}
  void FlushWritePipe() override {}
  void FlushReadPipe() override {}
  void CloseLink() override {}
  orten::PipeState WritePipeState() const override { return orten::PipeState::Open; }
  orten::PipeState ReadPipeState() const override { return orten::PipeState::Open; }
  std::string LastErrorText() const override { return "replay ended"; }
  orten::LinkFault LastFault() const override { return orten::LinkFault::Io; }

  std::size_t consumed() const { return next_; }

 private:
  std::span<const std::uint8_t> reply_;
  std::size_t next_ = 0;
  int writes_ = 0;
  int failingWrite_;
  bool failAtEnd_;
};

class CountingUi final : public orten::UserInterface {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string&, const std::string&, orten::BoxIcon) override { ++boxes; }
  bool AskYesNo(const std::string&, const std::string&, orten::BoxIcon) override { return false; }
  std::optional<std::string> AskOpenFile(const orten::FileDialogRequest&) override { return {}; }
  std::optional<std::string> AskSaveFile(const orten::FileDialogRequest&) override { return {}; }
  bool OpenDocument(const std::string&) override { return false; }
  void Beep() override {}
  int boxes = 0;
};

void CheckFrames(std::span<const std::uint8_t> bytes) {
  orten::DataFrameSyncOk(bytes);
  orten::DataFrameChecksumOk(bytes);
  // Any payload framed by us passes both checks, and one flipped bit fails
  // the checksum (CRC-16 catches every single-bit error).
  const std::vector<std::int32_t> payload(bytes.begin(), bytes.end());
  std::vector<std::uint8_t> frame = orten::BuildDataFrame(payload);
  if (!orten::DataFrameSyncOk(frame) || !orten::DataFrameChecksumOk(frame)) {
    Broken("a built frame fails its own checks");
  }
  if (!bytes.empty()) {
    const std::size_t bit = bytes[0] % (frame.size() * 8);
    frame[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    if (orten::DataFrameChecksumOk(frame)) Broken("a flipped bit passed the frame checksum");
  }
}

void CheckConnect(std::uint8_t steer, std::span<const std::uint8_t> reply) {
  const std::uint8_t code = (steer & 1) ? orten::kCmdConnectWork : orten::kCmdConnectMain;
  const bool failAtEnd = (steer & 2) != 0;
  // 0-7 breaks the request at that byte, anything else lets it through.
  const int failingWrite = (steer >> 2) & 0x0F;
  ReplayTransport transport(reply, failingWrite, failAtEnd);
  orten::VirtualPacer pacer;
  CountingUi ui;
  orten::DeviceLink link(transport, pacer, ui);
  const orten::Result<orten::DeviceIdentity> identity = orten::SendConnect(link, code);

  orten::CommandPacket packet{};
  const bool arrived = failingWrite >= 8 && reply.size() >= packet.size();
  if (arrived) std::copy_n(reply.begin(), packet.size(), packet.begin());
  const bool good = arrived && orten::PacketHasSync(packet) && orten::PacketChecksumOk(packet);
  if (identity.ok() != good) Broken("connect judged a reply wrongly");
  if (identity && identity->version != packet[3]) Broken("connect took the wrong version byte");
  if (transport.consumed() > packet.size()) Broken("connect read past its reply");
  // One failure, at most the transport's box and then the command's own.
  if (ui.boxes > 2 || (identity && ui.boxes != 0)) Broken("connect raised too many boxes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (size >= orten::kPacketSize) {
    orten::CommandPacket packet{};
    std::copy_n(data, packet.size(), packet.begin());
    orten::PacketHasSync(packet);
    orten::PacketChecksumOk(packet);
    const orten::CommandPacket made =
        orten::MakeCommandPacket(packet[2], packet[3], packet[4], packet[5]);
    if (!orten::PacketHasSync(made) || !orten::PacketChecksumOk(made)) {
      Broken("a made packet fails its own checks");
    }
  }
  CheckFrames(bytes);
  if (size > 0) CheckConnect(data[0], bytes.subspan(1));
  return 0;
}
