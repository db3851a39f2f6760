// Writes the packaged udev rule at build time from the same text that
// `ortenctl usb --udev-rule` prints: make_udev_rule "VID:PID,..." FILE.
#include <fstream>
#include <iostream>

#include "transport/UdevRule.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_udev_rule VID:PID,... FILE\n";
    return 2;
  }
  const orten::Result<std::vector<orten::UsbId>> ids = orten::ParseUsbIdList(argv[1]);
  if (!ids) {
    std::cerr << "make_udev_rule: " << ids.outcome().detail << '\n';
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << orten::UdevRuleText(*ids);
  return out.flush() ? 0 : 1;
}
