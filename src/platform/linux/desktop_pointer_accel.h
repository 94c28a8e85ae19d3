#pragma once
// Pointer acceleration in Wayland sessions, where the compositor drives the pointer and keeps the
// setting: GNOME in GSettings (org.gnome.desktop.peripherals.mouse accel-profile: "flat" or
// "default"), KDE Plasma on KWin's input devices over D-Bus (pointerAccelerationProfileFlat), which
// KWin keeps in its own configuration for the next login.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/session_bus.h"
#include "platform/pointer_acceleration.h"
#include "platform/session_desktop.h"

namespace halvric::linux_hid {

// The state a printed GSettings accel-profile value stands for ("'flat'" off; "'default'",
// "'adaptive'" on); nullopt for anything else.
std::optional<PointerAccel> AccelFromGnomeProfile(std::string_view printed);

class GnomePointerAccel final : public PointerSettings {
 public:
  // nullptr when the mouse schema is not installed. `schema` is GNOME's mouse schema unless a
  // test names its own.
  static std::unique_ptr<GnomePointerAccel> Connect(std::string schema = "org.gnome.desktop.peripherals.mouse");
  std::optional<PointerAccel> Read() override;
  // Off writes "flat"; on writes back the profile the user had ("default" or "adaptive"), as
  // last read, so that turning the option off and on again leaves the desktop as it was.
  bool Write(const PointerAccel& accel) override;

 private:
  explicit GnomePointerAccel(std::string schema) : schema_(std::move(schema)) {}
  std::string schema_;
  std::string on_profile_ = "default";
};

class PlasmaPointerAccel final : public PointerSettings {
 public:
  // nullptr when KWin is not on the session bus or lists no pointer.
  static std::unique_ptr<PlasmaPointerAccel> Connect();
  // On when any mouse (a pointer that is no touchpad) has the adaptive profile.
  std::optional<PointerAccel> Read() override;
  bool Write(const PointerAccel& accel) override;

 private:
  explicit PlasmaPointerAccel(SessionBus bus) : bus_(std::move(bus)) {}
  SessionBus bus_;
};

// The pointer settings of this session: the desktop's own in a GNOME or Plasma Wayland session;
// the X server's otherwise (libinput property or core pointer control). nullptr when none can be
// reached, and in other Wayland sessions, where XWayland's pointer settings would change nothing.
std::unique_ptr<PointerSettings> SessionPointerSettings(const SessionEnvironment& env);

}  // namespace halvric::linux_hid
