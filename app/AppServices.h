#pragma once

#include <string>

namespace orten {
class DeviceChooser;
class Pacer;
class TraceLog;
class Transport;
class UserInterface;
}  // namespace orten

namespace orten::gui {

// What the window is given from outside: the device's transport, the person
// at the screen, time, the optional trace, and the folder of its data.
// main() passes the real ones; tests pass the simulation and a scripted user.
struct AppServices {
  Transport& transport;
  UserInterface& ui;
  Pacer& pacer;
  TraceLog* trace = nullptr;
  std::string programFolder;
  // The program's own guide (its index.html), shown when the help file
  // cannot be; empty when it was not found.
  std::string userGuide;
  // Offers a device to choose when none is found, and the udev rule when
  // access is refused; null where there is nothing to offer (simulation,
  // Windows, most tests).
  DeviceChooser* chooser = nullptr;
  // Said after the box of an empty line (the driver on Windows); empty for none.
  std::string emptyLineAdvice = {};
};

}  // namespace orten::gui
