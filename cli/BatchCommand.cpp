// ortenctl batch settings | firmware | restore: one job over devices that
// are plugged in one after another, until a count, a time limit, the first
// failure or Ctrl-C ends the run.
#include <algorithm>
#include <csignal>
#include <ostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/JsonWriter.h"
#include "base/UserInterface.h"
#include "base/Wording.h"
#include "cli/BatchJob.h"
#include "cli/CliUi.h"
#include "cli/JsonOutput.h"
#include "ops/Journal.h"
#include "ops/Session.h"
#include "base/OutcomeKinds.h"
#include "startup/LinkEnvironment.h"
#include "transport/DiscoveryAdvice.h"

namespace orten::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;  // the first signal that came, 0 for none
volatile std::sig_atomic_t gWorking = 0;      // a device is being worked on
volatile std::sig_atomic_t gAckOnNewLine = 0;

constexpr char kAcknowledged[] = "\nпрерывание: жду ответа прибора…\n";

// Told at once, from the handler itself: the device under way may be silent
// for its whole wait, and Ctrl-C with no answer gets pressed again.
void Acknowledge() {
  const char* text = kAcknowledged + (gAckOnNewLine ? 0 : 1);
  const unsigned size = sizeof kAcknowledged - (gAckOnNewLine ? 1 : 2);
#ifdef _WIN32
  const bool told = _write(2, text, size) >= 0;
#else
  const bool told = ::write(STDERR_FILENO, text, size) >= 0;
#endif
  if (!told) {
    // stderr is gone (a closed terminal): the summary and the journal still tell.
  }
}

extern "C" void OnInterrupt(int signal) {
  if (gInterrupted != 0) return;
  gInterrupted = signal;
  if (gWorking) Acknowledge();
}

#ifdef _WIN32
constexpr int kEndingSignals[] = {SIGINT, SIGTERM};
#else
constexpr int kEndingSignals[] = {SIGINT, SIGHUP, SIGTERM};
#endif

// Ctrl-C, a closed terminal (SIGHUP) and kill (SIGTERM) end the run between
// devices: a device under way is finished first, so none is left half
// written, and the summary and the journal tell what was done.
class InterruptCatcher {
 public:
  explicit InterruptCatcher(bool stderrIsTerminal) {
    gInterrupted = 0;
    gWorking = 0;
    // The terminal shows ^C where the cursor is: the words go on a line of their own.
    gAckOnNewLine = stderrIsTerminal;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      previous_[i] = std::signal(kEndingSignals[i], OnInterrupt);
  }
  ~InterruptCatcher() {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      std::signal(kEndingSignals[i], previous_[i]);
  }
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

 private:
  void (*previous_[std::size(kEndingSignals)])(int) = {};
};

// How often the line is looked at while nothing is reported to change.
constexpr std::int64_t kLookSliceMs = 250;

enum class End { Count, TimeLimit, Failure, Interrupted, LineScript, LineFailed };

const char* EndName(End end) {
  switch (end) {
    case End::Count: return "count";
    case End::TimeLimit: return "time-limit";
    case End::Failure: return "failure";
    case End::Interrupted: return "interrupted";
    case End::LineScript: return "line-script";
    case End::LineFailed: break;
  }
  return "line-failed";
}

const char* InterruptedText(int signal) {
#ifndef _WIN32
  if (signal == SIGHUP) return "прервано (терминал закрыт)";
#endif
  if (signal == SIGTERM) return "прервано (сигнал завершения)";
  return "прервано (Ctrl+C)";
}

const char* EndText(End end) {
  switch (end) {
    case End::Count: return "обработано заданное число приборов";
    case End::TimeLimit: return "истекло время работы";
    case End::Failure: return "прибор отложен, задано --stop-on-failure";
    case End::Interrupted: return InterruptedText(gInterrupted);
    case End::LineScript: return "на линии имитатора больше ничего не изменится";
    case End::LineFailed: break;
  }
  return "линию USB не удается просмотреть";
}

// Why a device was set aside, in a few words; the summary counts by these.
std::string Reason(OutcomeKind kind) {
  const OutcomeKindRow& row = OutcomeKindFacts(kind);
  return row.batchReason ? row.batchReason : row.name;
}

// Not the module's fault: it is fine, but this user may not open it, or
// another program holds it. It is not set aside; once it can be opened it is
// plugged in again.
bool NotItsFault(OutcomeKind kind) {
  return kind == OutcomeKind::AccessRefused || kind == OutcomeKind::DeviceBusy;
}

std::string NotDoneAdvice(OutcomeKind kind) {
  return std::string("Отключите прибор: он не обработан, но откладывать его не нужно. ") +
         (kind == OutcomeKind::AccessRefused
              ? "Дайте этому пользователю доступ к прибору (правило udev) и подключите его снова."
              : "Закройте программу, которая держит прибор, и подключите его снова.");
}

struct Tally {
  long done = 0;
  long failed = 0;                                    // set aside
  long notDone = 0;                                   // not the module's fault (NotItsFault)
  std::vector<std::pair<std::string, long>> reasons;  // in the order they first came
  std::optional<OutcomeKind> firstFailure;

  long total() const { return done + failed + notDone; }
  void Add(const Outcome& outcome) {
    if (outcome) {
      ++done;
      return;
    }
    ++(NotItsFault(outcome.kind) ? notDone : failed);
    if (!firstFailure) firstFailure = outcome.kind;
    const std::string reason = Reason(outcome.kind);
    const auto it = std::find_if(reasons.begin(), reasons.end(),
                                 [&](const auto& r) { return r.first == reason; });
    if (it == reasons.end()) {
      reasons.emplace_back(reason, 1);
    } else {
      ++it->second;
    }
  }
};

class BatchRun {
 public:
  BatchRun(CommandContext& ctx, const BatchJob& job, DevicePresence& presence)
      : ctx_(ctx), job_(job), presence_(presence), start_(ctx.now()), batch_(JournalTimeNow()) {}

  Outcome Run();

 private:
  std::optional<End> TimeToEnd() const;
  std::optional<End> AwaitDevice(std::string& place);
  bool LookAtLine(std::uint32_t& count, std::vector<std::string>& places);
  void ShowPause(std::uint32_t count);
  std::optional<End> WorkOn(const std::string& place);
  void PrintDevice(const std::string& place, const Outcome& outcome);
  void PrintSummary(End end);

  CommandContext& ctx_;
  const BatchJob& job_;
  DevicePresence& presence_;
  std::int64_t start_;
  std::string batch_;  // the run, as the journal names it: when it began
  Tally tally_;
  std::vector<std::string> finished_;  // places of devices worked on and still on the line
  bool paused_ = false;
  Outcome lineFailure_;
};

std::optional<End> BatchRun::TimeToEnd() const {
  if (gInterrupted) return End::Interrupted;
  if (ctx_.options.count && tally_.total() >= *ctx_.options.count) return End::Count;
  if (ctx_.options.timeLimit &&
      ctx_.now() - start_ >= static_cast<std::int64_t>(*ctx_.options.timeLimit * 1000)) {
    return End::TimeLimit;
  }
  return std::nullopt;
}

// The devices on the line now; the finished ones that left are forgotten.
bool BatchRun::LookAtLine(std::uint32_t& count, std::vector<std::string>& places) {
  if (!presence_.Count(count)) return false;
  places = presence_.Places();
  if (places.size() != count) places.assign(count, std::string());
  std::vector<std::string> stillHere;
  for (const std::string& place : places) {
    const auto it = std::find(finished_.begin(), finished_.end(), place);
    if (it == finished_.end()) continue;
    stillHere.push_back(place);
    finished_.erase(it);
  }
  finished_ = std::move(stillHere);
  return true;
}

void BatchRun::ShowPause(std::uint32_t count) {
  if (count > 1 && !paused_) {
    ctx_.ui.ShowMessage("На линии " + CountText(count, "прибор", "прибора", "приборов") +
                        ": работа приостановлена. Оставьте на линии один прибор.");
  } else if (count <= 1 && paused_) {
    ctx_.ui.ShowMessage("На линии не больше одного прибора: работа продолжается.");
  }
  paused_ = count > 1;
}

// Until one device not yet worked on is alone on the line.
std::optional<End> BatchRun::AwaitDevice(std::string& place) {
  for (;;) {
    if (std::optional<End> end = TimeToEnd()) return end;
    std::uint32_t count = 0;
    std::vector<std::string> places;
    if (!LookAtLine(count, places)) {
      const LinkFault fault = presence_.LastFault();
      ctx_.ui.ShowMessage(NotFoundReason(fault, presence_.LastErrorText())
                              .value_or(presence_.LastErrorText()));
      lineFailure_ = fault == LinkFault::NotConfigured ? OutcomeKind::Usage : OutcomeKind::LinkFailed;
      return End::LineFailed;
    }
    ShowPause(count);
    if (count == 1 && finished_.empty()) {
      place = places.front();
      return std::nullopt;
    }
    if (!presence_.CanChange()) return End::LineScript;
    std::int64_t slice = kLookSliceMs;
    if (ctx_.options.timeLimit) {
      const std::int64_t left =
          static_cast<std::int64_t>(*ctx_.options.timeLimit * 1000) - (ctx_.now() - start_);
      slice = std::clamp<std::int64_t>(left, 1, slice);
    }
    presence_.WaitForChange(static_cast<int>(slice));
  }
}

std::optional<End> BatchRun::WorkOn(const std::string& place) {
  // The journal tells this run's modules apart: the run, the module's number, its place.
  ctx_.session->MarkBatch({batch_, std::to_string(tally_.total() + 1), place});
  gWorking = 1;
  Outcome outcome = job_.run();
  gWorking = 0;
  ctx_.session->FinishRecord();  // with the words shown on this module
  ctx_.session->MarkBatch({});
  // A second device plugged in that very moment: the pause takes over, this one is no failure.
  if (outcome.kind == OutcomeKind::SeveralDevices) return std::nullopt;
  // It was there a moment ago: it left before the work began.
  if (outcome.kind == OutcomeKind::NoDevice) outcome.kind = OutcomeKind::DeviceGone;
  tally_.Add(outcome);
  PrintDevice(place, outcome);
  finished_.push_back(place);
  if (!outcome && !NotItsFault(outcome.kind) && ctx_.options.stopOnFailure) return End::Failure;
  ctx_.ui.ShowMessage(outcome                     ? "Отключите прибор."
                      : NotItsFault(outcome.kind) ? NotDoneAdvice(outcome.kind)
                                                  : "Отключите прибор и отложите его.");
  return std::nullopt;
}

void BatchRun::PrintDevice(const std::string& place, const Outcome& outcome) {
  const std::optional<DeviceIdentity>& device = ctx_.session->lastDevice();
  std::string reason = outcome ? std::string() : Reason(outcome.kind);
  // The other family's name is in the line already, with the version.
  if (!outcome && !outcome.detail.empty() && outcome.kind != OutcomeKind::WrongFamily) {
    reason += ": " + outcome.detail;
  }
  if (ctx_.options.json) {
    JsonWriter json(ctx_.out);
    json.BeginObject().Field("number", tally_.total()).Field("place", place).Key("type");
    device ? json.String(DeviceTypeText(device->mode)) : json.Null();
    json.Key("family");
    WriteFamily(json, device ? device->mode : DeviceMode::None);
    json.Key("version_text");
    device ? json.String(VersionText(device->version, device->mode)) : json.Null();
    json.Key("version_byte");
    device ? json.Number(device->version) : json.Null();
    json.Field("done", outcome.ok()).Field("kind", OutcomeKindName(outcome.kind)).Key("reason");
    outcome ? json.Null() : json.String(reason);
    json.EndObject();
    ctx_.out << std::endl;  // a line a reader can take while the run goes on
    return;
  }
  ctx_.out << tally_.total() << ". " << (place.empty() ? "USB" : place) << ", ";
  if (device) {
    ctx_.out << DeviceTypeText(device->mode) << ", версия "
             << VersionText(device->version, device->mode);
  } else {
    ctx_.out << "версия неизвестна";
  }
  const char* verdict = NotItsFault(outcome.kind) ? "НЕ ОБРАБОТАН - " : "ОТЛОЖИТЬ - ";
  ctx_.out << ": " << (outcome ? std::string("готово") : verdict + reason) << std::endl;
}

void BatchRun::PrintSummary(End end) {
  if (ctx_.options.json) {
    JsonWriter json(ctx_.out);
    json.BeginObject().Key("summary").BeginObject().Field("done", tally_.done).Field("failed",
                                                                                       tally_.failed);
    json.Field("not_processed", tally_.notDone);
    json.Key("reasons").BeginObject();
    for (const auto& [reason, n] : tally_.reasons) json.Field(reason, n);
    json.EndObject().Field("ended", EndName(end)).EndObject().EndObject();
    ctx_.out << std::endl;
    return;
  }
  ctx_.out << "Итого: готово " << tally_.done << ", отложено " << tally_.failed;
  if (tally_.notDone > 0) ctx_.out << ", не обработано " << tally_.notDone;
  std::string reasons;
  for (const auto& [reason, n] : tally_.reasons) {
    reasons += (reasons.empty() ? "" : "; ") + reason + ": " + std::to_string(n);
  }
  if (!reasons.empty()) ctx_.out << " (" << reasons << ")";
  ctx_.out << ". Завершено: " << EndText(end) << '.' << std::endl;
}

Outcome BatchRun::Run() {
  ctx_.ui.ShowMessage("Пакетная запись: " + job_.title +
                      ". Подключайте приборы по одному; Ctrl+C - закончить.");
  End end = End::Count;
  for (;;) {
    std::string place;
    if (std::optional<End> over = AwaitDevice(place)) {
      end = *over;
      break;
    }
    if (std::optional<End> over = WorkOn(place)) {
      end = *over;
      break;
    }
  }
  PrintSummary(end);
  if (tally_.firstFailure) return *tally_.firstFailure;
  if (end == End::LineFailed) return lineFailure_;
  // Fewer devices than asked for came in the time given.
  if (end == End::TimeLimit && ctx_.options.count) return OutcomeKind::TimedOut;
  return {};
}

Outcome Batch(CommandContext& ctx, Result<BatchJob> (*make)(CommandContext&, const std::string&)) {
  DevicePresence* presence = ctx.env->presence();
  if (!presence) {
    ctx.ui.ShowMessage("команда batch работает в Linux и с имитатором (--sim-line)");
    return OutcomeKind::Usage;
  }
  const Result<BatchJob> job = make(ctx, ctx.arguments[0]);
  if (!job) return job.outcome();
  return RunBatch(ctx, *job);
}

}  // namespace

Outcome RunBatch(CommandContext& ctx, const BatchJob& job) {
  InterruptCatcher catcher(StderrIsTerminal());
  BatchRun run(ctx, job, *ctx.env->presence());
  return run.Run();
}

Outcome RunBatchSettings(CommandContext& ctx) {
  return Batch(ctx, SettingsJob);
}
Outcome RunBatchFirmware(CommandContext& ctx) {
  return Batch(ctx, FirmwareJob);
}
Outcome RunBatchRestore(CommandContext& ctx) {
  return Batch(ctx, RestoreJob);
}

}  // namespace orten::cli
