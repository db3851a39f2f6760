#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "ops/JournalRecord.h"
#include "protocol/DeviceCommands.h"
#include "protocol/DeviceLink.h"
#include "base/Outcome.h"
#include "protocol/ParameterExchange.h"

namespace orten {

namespace msg {
// The user closed the chooser without a device: nothing was looked for
// beyond it, so "no device on the line" would not be true.
inline constexpr const char* kNoDeviceChosen = "Прибор не выбран: связь с прибором не установлена.";
// An area that could not be read, the read-back of a check included.
inline constexpr const char* kSettingsNotRead = "Ошибка: настройки реле не считаны из прибора.";
inline constexpr const char* kRegistrationNotRead =
    "Ошибка: резервная копия не считана из прибора.";
inline constexpr const char* kSettingsMatch = "Проверка: настройки в приборе совпадают с файлом.";
inline constexpr const char* kRegistrationMatch =
    "Проверка: память регистрации совпадает с файлом.";
inline constexpr const char* kNoAnswerAfterRestart =
    "Проверка не пройдена: прибор не ответил за 10 с после записи.";
}  // namespace msg

class FirmwareImage;
class Journal;
class RegistrationImage;

// The device as both programs work with it: one link, and the operations
// the window's buttons and ortenctl's commands run on it. Each returns an
// outcome; what the exchanges say between their steps (status lines,
// progress, the "Error" box) goes through the user interface given here.
// An outcome's message holds the words the exchange ended with; a check
// (ReadBackDifferences, AwaitRestart) returns its whole verdict, words
// included, which every front end shows as it is.
//
// With a journal, every operation that reads or writes the device's memory
// or firmware (and every check of one) adds its record there when it ends:
// the device as the last connect identified it, the file named by the
// caller (file: a path or a bare name; empty for none), the SHA-256 of the
// content as a file of these programs holds it, and the words the user read
// last about it: the outcome's message, unless the program then says words
// of its own and hands them over (Told). A journal that fails never changes
// an outcome.

// One entry that reads back otherwise than it was written.
struct Difference {
  std::size_t index;
  std::int32_t written;
  std::int32_t found;
};

// What a check after a write found, decided once for every front end and
// the journal. outcome: Done, VerifyFailed (detail: how many values differ),
// or how the read-back or the restart failed; its message is the sentence
// to show.
struct Verdict {
  Outcome outcome;
  std::vector<Difference> differences;   // a read-back's entries that differ, in order
  std::optional<DeviceIdentity> device;  // after a restart: the device as it came back

  bool ok() const { return outcome.ok(); }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return outcome.message; }
};

class Session {
 public:
  Session(Transport& transport, Pacer& pacer, UserInterface& ui, TraceLog* trace = nullptr,
          Journal* journal = nullptr);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The record of the operation that ended last waits for the program's own
  // words on it (Told). It is written here, when the next operation begins,
  // when the work of OnWorkPage ends, and when the session ends, whichever
  // comes first.
  void FinishRecord();
  // Words the program showed the user once the last operation ended (a box,
  // a status line, ortenctl's output): its record's message from now on.
  void Told(const std::string& words);
  // The records that follow are of a batch run's module (see JournalRecord);
  // an empty mark ends that.
  struct BatchMark {
    std::string batch;
    std::string module;
    std::string port;
  };
  void MarkBatch(BatchMark mark) { batchMark_ = std::move(mark); }

  DeviceLink& link() { return link_; }
  UserInterface& ui() { return link_.ui(); }

  // Finds exactly one device and opens its pipes. Otherwise says so on the
  // status line and in a box, with the reason when it is more than an
  // empty line (no IDs configured, no USB layer, no access), or else the
  // empty line's advice. A declined choice is Cancelled, said on the status
  // line only.
  Outcome Find();
  // Asked when a look at the line finds no device, before the user is told:
  // Chosen when something changed (a device was chosen) and another look is
  // worthwhile. The window's chooser; ortenctl has none.
  using EmptyLineHandler = std::function<DeviceChoiceResult(LinkFault fault)>;
  void SetEmptyLineHandler(EmptyLineHandler handler) { emptyLine_ = std::move(handler); }
  // Asked when a connect ends AccessRefused (the device is there, the
  // system would not let this user open it), after the connect's own words:
  // the window offers the udev rule. Without one, the transport's advice (the
  // rule and how to install it) is shown.
  using AccessRefusedHandler = std::function<void()>;
  void SetAccessRefusedHandler(AccessRefusedHandler handler) {
    accessRefused_ = std::move(handler);
  }
  // Shown after the box of a plain empty line (Windows: where to look for
  // the device's driver); nothing when empty.
  void SetEmptyLineAdvice(std::string advice) { emptyLineAdvice_ = std::move(advice); }
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
  // The device the last connect reached (none when it failed): a batch
  // names it in its line whatever became of the work.
  const std::optional<DeviceIdentity>& lastDevice() const { return device_; }

  // The relay module's whole output-settings page (the settings are its first entries).
  Result<std::vector<std::int32_t>> ReadReleSettings(const std::string& file = {});
  // table: the settings (at least the first entries of the page); the rest of the page is 0.
  Outcome WriteReleSettings(std::span<const std::int32_t> table, const std::string& file = {});
  Result<RegistrationImage> ReadRegistration(const std::string& file = {});
  Outcome WriteRegistration(const RegistrationImage& image, const std::string& file = {});
  Outcome WriteFirmware(const FirmwareImage& image, const std::string& file = {});

  // Reads an area back and compares it with expected, value by value:
  // Done when it holds what was written.
  Verdict ReadBackDifferences(ParameterArea area, std::span<const std::int32_t> expected,
                              const std::string& file = {});
  // After a firmware write the device restarts: reaches it again, quietly,
  // once a second for up to ten seconds, and reads its identity (then sends
  // the disconnect command). NoAnswer when it never came back, VerifyFailed
  // when it reports a version other than the last firmware written.
  Verdict AwaitRestart();

 private:
  struct Written {  // the last firmware written, for the check after the restart
    std::optional<DeviceIdentity> before;
    std::string file;
    std::string sha256;
    std::uint8_t version = 0;
    bool written = false;
  };

  Result<DeviceIdentity> Reidentify();
  // Every operation begins so: the last one's record is written, with
  // whatever words the program handed over for it.
  void Begin();
  void Record(const char* operation, const Outcome& outcome, const std::string& file,
              const std::string& sha256, const std::optional<DeviceIdentity>& before = std::nullopt,
              const std::optional<DeviceIdentity>& after = std::nullopt);

  DeviceLink link_;
  Transport& transport_;
  Pacer& pacer_;
  Journal* journal_;
  DeviceMode refusedFamily_ = DeviceMode::None;
  std::optional<DeviceIdentity> device_;  // as the last good connect identified it
  Written firmware_;
  std::optional<JournalRecord> pending_;  // see FinishRecord
  BatchMark batchMark_;
  EmptyLineHandler emptyLine_;
  AccessRefusedHandler accessRefused_;
  std::string emptyLineAdvice_;
};

}  // namespace orten
