#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "params/ReleSettings.h"

namespace orten::cli {

// One job a batch repeats on each device that comes: what it writes is read
// and checked once, before any device is asked.
struct BatchJob {
  DeviceMode family = DeviceMode::None;  // the devices it is for
  std::string title;                     // "настройки object.cfg", for the first line
  // On the one device on the line: connect, refuse the other family, write,
  // verify, end the connection. Says nothing in its own words.
  std::function<Outcome()> run;
};

// The job, or the outcome (a FileError) when its file cannot be used (said
// through ctx.ui).
Result<BatchJob> SettingsJob(CommandContext& ctx, const std::string& arg);
Result<BatchJob> FirmwareJob(CommandContext& ctx, const std::string& arg);
Result<BatchJob> RestoreJob(CommandContext& ctx, const std::string& arg);

// Runs job on device after device until the run ends; its outcome decides
// the exit code.
Outcome RunBatch(CommandContext& ctx, const BatchJob& job);

// A .cfg file's settings as the window keeps them (what it drops is said).
Outcome ReadSettingsFile(CommandContext& ctx, const std::string& arg, ReleTable& table);

}  // namespace orten::cli
