// The .cfg / .rrg reader on arbitrary file contents, at both value counts.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "params/ValueFile.h"

namespace {

void ReadAs(const std::string& path, std::size_t count) {
  std::vector<std::int32_t> values{-1};
  const orten::Outcome read = orten::ReadValueFile(path, count, values);
  if (read) {
    if (values.size() != count) orten::fuzz::Broken("accepted with the wrong count");
    for (std::int32_t v : values) {
      if (v < 0 || v > 255) orten::fuzz::Broken("accepted a value outside 0-255");
    }
  } else {
    // A refused file changes nothing and says why.
    if (values.size() != 1 || values[0] != -1) orten::fuzz::Broken("refused but values changed");
    if (read.detail.empty()) orten::fuzz::Broken("refused without a message");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orten::fuzz::ScratchFile file;
  const std::string& path = file.Write(data, size);
  ReadAs(path, 45);    // relay settings
  ReadAs(path, 1792);  // registration backup
  return 0;
}
