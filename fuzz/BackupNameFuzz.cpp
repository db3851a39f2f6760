// Reading system mode, module and object back from any path.
#include <cstdint>
#include <string>

#include "backup/BackupNaming.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const orten::BackupNameFacts facts = orten::ReadBackupName(path);
  // Each number ends at the next "_" and lies inside the path.
  for (const auto& part : {facts.module, facts.object}) {
    if (!part) continue;
    if (part->find('_') != std::string::npos) orten::fuzz::Broken("a number runs past '_'");
    if (path.find(*part) == std::string::npos) orten::fuzz::Broken("a number not in the path");
  }
  if (facts.module.has_value() != (facts.mode != orten::SystemMode::None)) {
    orten::fuzz::Broken("a module number without a system mode, or the reverse");
  }
  if (facts.mode == orten::SystemMode::Rtr && path.find(orten::kRtrPrefix) == std::string::npos) {
    orten::fuzz::Broken("RTR without its prefix");
  }
  if (facts.module) orten::ModuleNumberAccepted(facts.mode, *facts.module);
  return 0;
}
