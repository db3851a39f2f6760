#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "protocol/Outcome.h"
#include "protocol/ParameterExchange.h"

namespace orten {

class FirmwareImage;
class RegistrationImage;

// The device as both programs work with it: one link, and the operations
// the window's buttons and ortenctl's commands run on it. Each returns an
// outcome; what the exchanges say between their steps (status lines,
// progress, the "Error" box) goes through the user interface given here,
// and what the outcome means in words is for the caller to say.
// One entry that reads back otherwise than it was written.
struct Difference {
  std::size_t index;
  std::int32_t written;
  std::int32_t found;
};

class Session {
 public:
  Session(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace = nullptr);

  DeviceLink& link() { return link_; }
  UserInterface& ui() { return link_.ui(); }

  // Finds exactly one device and opens its pipes. Otherwise says so on the
  // status line and in a box, with the reason when it is more than an
  // empty line (no IDs configured, no USB layer, no access).
  Outcome Find();
  // The connect command with the code of the page it is for.
  Result<DeviceIdentity> Connect(std::uint8_t code);
  Result<DeviceIdentity> FindAndConnect(std::uint8_t code);
  // The disconnect command; nothing is sent to a device that went away.
  Outcome Disconnect();
  // Closes the pipes and leaves the device as it is.
  void Close() { link_.CloseLink(); }

  // Finds the device, connects as a work page does, refuses a device of the
  // other family (WrongFamily, detail: its type) before anything else is
  // asked, runs work and always ends with the disconnect command.
  Outcome OnWorkPage(DeviceMode family, const std::function<Outcome()>& work);
  // The family found by the last connect on a work page that was refused.
  DeviceMode refusedFamily() const { return refusedFamily_; }

  // The relay module's whole output-settings page (the settings are its first entries).
  Result<std::vector<std::int32_t>> ReadReleSettings();
  // table: the settings (at least the first entries of the page); the rest of the page is 0.
  Outcome WriteReleSettings(std::span<const std::int32_t> table);
  Result<RegistrationImage> ReadRegistration();
  Outcome WriteRegistration(const RegistrationImage& image);
  Outcome WriteFirmware(const FirmwareImage& image);

  // Reads an area back; the entries that differ from expected (none: it
  // holds what was written).
  Result<std::vector<Difference>> ReadBackDifferences(ParameterArea area,
                                                      std::span<const std::int32_t> expected);
  // After a firmware write the device restarts: reaches it again, quietly,
  // once a second for up to ten seconds, and reads its identity (then sends
  // the disconnect command). NoAnswer when it never came back.
  Result<DeviceIdentity> AwaitRestart();

 private:
  DeviceLink link_;
  Transport& transport_;
  Pacer& pacer_;
  DeviceMode refusedFamily_ = DeviceMode::None;
};

}  // namespace orten
