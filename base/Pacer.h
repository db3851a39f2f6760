#pragma once

namespace orten {

// Time as the exchanges see it. The window's pacer keeps the window painted
// while it waits; tests use a virtual one that only records.
class Pacer {
 public:
  virtual ~Pacer() = default;
  // Blocks for ms milliseconds (the device's pacing needs at least that).
  virtual void Pause(int ms) = 0;
  // Lets the window handle what is pending, without waiting.
  virtual void Pump() = 0;
};

}  // namespace orten
