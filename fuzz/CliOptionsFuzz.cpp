// ortenctl's option parser over any argument list: the input split at NUL
// bytes, as argv would hold it.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  orten::cli::CliOptions options;
  std::string error;
  if (orten::cli::ParseCliOptions(args, options, error)) {
    if (options.timeout && (*options.timeout < 0 || *options.timeout > 86400)) {
      orten::fuzz::Broken("a timeout out of range passed");
    }
    if (options.words.size() > args.size()) orten::fuzz::Broken("more words than arguments");
  } else if (error.empty()) {
    orten::fuzz::Broken("refused without a message");
  }
  return 0;
}
