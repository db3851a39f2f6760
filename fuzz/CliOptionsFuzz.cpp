// ortenctl's command line over any argument list: the input split at NUL
// bytes, as argv would hold it.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CommandTable.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  orten::cli::CommandLine line;
  if (const auto bad = orten::cli::ParseCommandLine(args, line)) {
    if (bad->error.empty() || bad->usage.empty()) orten::fuzz::Broken("refused without a message");
    return 0;
  }
  const orten::cli::CliOptions& o = line.options;
  if (o.timeout && (*o.timeout < 0 || *o.timeout > 86400)) {
    orten::fuzz::Broken("a timeout out of range passed");
  }
  if (o.words.size() > args.size()) orten::fuzz::Broken("more words than arguments");
  if (!line.command && !o.help && !o.version) orten::fuzz::Broken("accepted without a command");
  if (line.command && !o.help &&
      (line.arguments.size() < line.command->minArguments ||
       line.arguments.size() > line.command->maxArguments)) {
    orten::fuzz::Broken("a command accepted with the wrong number of arguments");
  }
  return 0;
}
