#pragma once
// The window in front and the program behind it, for the profile switching by application.

#include <cstdint>
#include <optional>
#include <string>

namespace halvric {

// An opaque window id; 0 means no window.
using WindowId = uint64_t;

class ForegroundWindow {
 public:
  virtual ~ForegroundWindow() = default;
  // The window that has the focus now; 0 when there is none or it cannot be told.
  virtual WindowId Active() = 0;
  // The file name (no folder) of the program that owns `window`; for programs run through a
  // Windows compatibility layer, the .exe it runs. nullopt when the process cannot be examined.
  virtual std::optional<std::string> ProgramName(WindowId window) = 0;
  // Asks the desktop to minimise `window` without waiting for it to happen. False when the
  // request could not be made (no window, or a desktop that lets no program do it).
  virtual bool Minimise(WindowId /*window*/) { return false; }
};

}  // namespace halvric
