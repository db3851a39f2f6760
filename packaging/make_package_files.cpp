// Writes the files the package makes from ortenctl's command table: the
// manual pages ortenctl.1 and ortenconf.1, and the bash completion ortenctl.
#include <fstream>
#include <iostream>
#include <string>

#include "cli/Completion.h"
#include "cli/ManPage.h"

namespace {

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_package_files FOLDER VERSION DATE\n";
    return 2;
  }
  const std::string folder = argv[1];
  const orten::cli::ManPageFacts facts{argv[2], argv[3]};
  const bool ok = Write(folder + "/ortenctl.1", orten::cli::OrtenctlManPage(facts)) &&
                  Write(folder + "/ortenconf.1", orten::cli::OrtenconfManPage(facts)) &&
                  Write(folder + "/ortenctl", orten::cli::BashCompletion());
  return ok ? 0 : 1;
}
