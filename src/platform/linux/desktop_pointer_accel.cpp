#include "platform/linux/desktop_pointer_accel.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/libinput_pointer_accel.h"
#include "platform/linux/gsettings_value.h"
#include "platform/text.h"

namespace halvric::linux_hid {
namespace {

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kDevices = "/org/kde/KWin/InputDevice";
constexpr const char* kManagerInterface = "org.kde.KWin.InputDeviceManager";
constexpr const char* kDeviceInterface = "org.kde.KWin.InputDevice";

// The system names of KWin's mice ("event5"), touchpads left out: their acceleration is a
// setting of its own in Plasma.
std::vector<std::string> PlasmaMice(sd_bus* bus) {
  std::vector<std::string> out;
  sd_bus_error error{};
  char** names = nullptr;
  const int r = sd_bus_get_property_strv(bus, kKWin, kDevices, kManagerInterface, "devicesSysNames", &error, &names);
  sd_bus_error_free(&error);
  if (r < 0 || names == nullptr) return out;
  for (char** n = names; *n != nullptr; ++n) {
    const std::string path = std::string(kDevices) + "/" + *n;
    int pointer = 0;
    int touchpad = 0;
    sd_bus_error e1{};
    sd_bus_error e2{};
    const bool ok = sd_bus_get_property_trivial(bus, kKWin, path.c_str(), kDeviceInterface, "pointer", &e1, 'b', &pointer) >= 0 &&
                    sd_bus_get_property_trivial(bus, kKWin, path.c_str(), kDeviceInterface, "touchpad", &e2, 'b', &touchpad) >= 0;
    sd_bus_error_free(&e1);
    sd_bus_error_free(&e2);
    if (ok && pointer != 0 && touchpad == 0) out.push_back(*n);
    std::free(*n);
  }
  std::free(names);
  return out;
}

}  // namespace

std::optional<PointerAccel> AccelFromGnomeProfile(std::string_view printed) {
  const std::string value = AsciiLower(Trim(Trim(printed), "'\""));
  if (value == "flat") return kAccelOff;
  if (value == "default" || value == "adaptive") return kAccelOn;
  return std::nullopt;
}

std::unique_ptr<GnomePointerAccel> GnomePointerAccel::Connect(std::string schema) {
  std::unique_ptr<GnomePointerAccel> s(new GnomePointerAccel(std::move(schema)));
  return s->Read() ? std::move(s) : nullptr;
}

std::optional<PointerAccel> GnomePointerAccel::Read() {
  const auto printed = ReadGSettings(schema_.c_str(), "accel-profile");
  if (!printed) return std::nullopt;
  const auto accel = AccelFromGnomeProfile(*printed);
  if (accel && accel->On()) on_profile_ = AsciiLower(Trim(Trim(*printed), "'\""));
  return accel;
}

bool GnomePointerAccel::Write(const PointerAccel& accel) {
  return WriteGSettingsString(schema_.c_str(), "accel-profile", accel.On() ? on_profile_ : "flat");
}

std::unique_ptr<PlasmaPointerAccel> PlasmaPointerAccel::Connect() {
  SessionBus bus = OpenSessionBus();
  if (!bus || !NameHasOwner(bus.get(), kKWin) || PlasmaMice(bus.get()).empty()) return nullptr;
  return std::unique_ptr<PlasmaPointerAccel>(new PlasmaPointerAccel(std::move(bus)));
}

std::optional<PointerAccel> PlasmaPointerAccel::Read() {
  const std::vector<std::string> mice = PlasmaMice(bus_.get());
  if (mice.empty()) return std::nullopt;
  for (const std::string& name : mice) {
    const std::string path = std::string(kDevices) + "/" + name;
    int flat = 1;
    sd_bus_error error{};
    const int r = sd_bus_get_property_trivial(bus_.get(), kKWin, path.c_str(), kDeviceInterface,
                                              "pointerAccelerationProfileFlat", &error, 'b', &flat);
    sd_bus_error_free(&error);
    if (r >= 0 && flat == 0) return kAccelOn;
  }
  return kAccelOff;
}

bool PlasmaPointerAccel::Write(const PointerAccel& accel) {
  const int flat = accel.On() ? 0 : 1;
  bool all = true;
  for (const std::string& name : PlasmaMice(bus_.get())) {
    const std::string path = std::string(kDevices) + "/" + name;
    sd_bus_error error{};
    all = sd_bus_set_property(bus_.get(), kKWin, path.c_str(), kDeviceInterface, "pointerAccelerationProfileFlat",
                              &error, "b", flat) >= 0 && all;
    sd_bus_error_free(&error);
  }
  return all;
}

std::unique_ptr<PointerSettings> SessionPointerSettings(const SessionEnvironment& env) {
  if (!IsWaylandSession(env)) return env.display.empty() ? nullptr : ConnectPointerSettings(env.display);
  switch (DesktopOf(env)) {
    case SessionDesktop::kGnome: return GnomePointerAccel::Connect();
    case SessionDesktop::kPlasma: return PlasmaPointerAccel::Connect();
    case SessionDesktop::kSway:
    case SessionDesktop::kOther: return nullptr;
  }
  return nullptr;
}

}  // namespace halvric::linux_hid
