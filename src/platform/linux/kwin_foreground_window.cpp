#include "platform/linux/kwin_foreground_window.h"

#include <cstdint>
#include <string>

namespace halvric::linux_hid {
namespace {

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kScripting = "/Scripting";
constexpr const char* kScriptingInterface = "org.kde.kwin.Scripting";

bool CallScripting(sd_bus* bus, const char* method, sd_bus_message** reply, const char* types, const char* a,
                   const char* b) {
  sd_bus_error error{};
  int r;
  if (types[0] == '\0') {
    r = sd_bus_call_method(bus, kKWin, kScripting, kScriptingInterface, method, &error, reply, "");
  } else if (types[1] == '\0') {
    r = sd_bus_call_method(bus, kKWin, kScripting, kScriptingInterface, method, &error, reply, types, a);
  } else {
    r = sd_bus_call_method(bus, kKWin, kScripting, kScriptingInterface, method, &error, reply, types, a, b);
  }
  sd_bus_error_free(&error);
  return r >= 0;
}

}  // namespace

std::filesystem::path KWinScriptFile(const std::filesystem::path& program_folder, const std::string& session_version) {
  const bool plasma5 = session_version == "5";
  return program_folder / "kwin" / (plasma5 ? "halvric-foreground-plasma5.js" : "halvric-foreground-plasma6.js");
}

std::unique_ptr<KWinForegroundWindow> KWinForegroundWindow::Connect(const std::filesystem::path& script) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(script, ec)) return nullptr;
  SessionBus bus = OpenSessionBus();
  if (!bus || !NameHasOwner(bus.get(), kKWin)) return nullptr;
  std::unique_ptr<KWinForegroundWindow> w(new KWinForegroundWindow(std::move(bus)));
  sd_bus* b = w->bus_.get();
  // One handler for every message to the report object; it answers the one method it knows.
  if (sd_bus_add_object(b, &w->slot_, kKWinReportPath, &KWinForegroundWindow::OnActivated, w.get()) < 0) return nullptr;
  if (sd_bus_request_name(b, kKWinReportName, 0) < 0) return nullptr;
  // A script of an earlier run that ended without unloading it would keep the plugin name.
  sd_bus_message* reply = nullptr;
  CallScripting(b, "unloadScript", &reply, "s", kKWinScriptPlugin, nullptr);
  sd_bus_message_unref(reply);
  reply = nullptr;
  const std::string path = std::filesystem::absolute(script, ec).string();
  if (!CallScripting(b, "loadScript", &reply, "ss", path.c_str(), kKWinScriptPlugin)) return nullptr;
  int32_t id = -1;
  const int read = sd_bus_message_read(reply, "i", &id);
  sd_bus_message_unref(reply);
  if (read < 0 || id < 0) return nullptr;
  w->loaded_ = true;
  reply = nullptr;
  if (!CallScripting(b, "start", &reply, "", nullptr, nullptr)) return nullptr;
  sd_bus_message_unref(reply);
  return w;
}

KWinForegroundWindow::~KWinForegroundWindow() {
  if (loaded_) {
    sd_bus_message* reply = nullptr;
    CallScripting(bus_.get(), "unloadScript", &reply, "s", kKWinScriptPlugin, nullptr);
    sd_bus_message_unref(reply);
  }
  sd_bus_slot_unref(slot_);
}

int KWinForegroundWindow::OnActivated(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
  if (!sd_bus_message_is_method_call(m, kKWinReportInterface, "Activated")) return 0;
  // The script's number reaches the bus as whatever type KWin's script engine makes of it: an
  // integer of some width, or a double.
  char type = 0;
  int64_t pid = 0;
  if (sd_bus_message_peek_type(m, &type, nullptr) > 0) {
    int32_t i = 0;
    uint32_t u = 0;
    int64_t x = 0;
    uint64_t t = 0;
    double d = 0;
    if (type == 'i' && sd_bus_message_read(m, "i", &i) > 0) pid = i;
    if (type == 'u' && sd_bus_message_read(m, "u", &u) > 0) pid = u;
    if (type == 'x' && sd_bus_message_read(m, "x", &x) > 0) pid = x;
    if (type == 't' && sd_bus_message_read(m, "t", &t) > 0 && t <= 0x7fffffffu) pid = static_cast<int64_t>(t);
    if (type == 'd' && sd_bus_message_read(m, "d", &d) > 0 && d >= 0 && d <= 0x7fffffff) pid = static_cast<int64_t>(d);
  }
  static_cast<KWinForegroundWindow*>(self)->pid_ = pid > 0 && pid <= 0x7fffffff ? static_cast<int>(pid) : 0;
  return sd_bus_reply_method_return(m, "");
}

std::optional<int> KWinForegroundWindow::ActivePid() {
  // Every report queued since the last question, in order: the last one is the window in front.
  while (sd_bus_process(bus_.get(), nullptr) > 0) {
  }
  if (pid_ <= 0) return std::nullopt;
  return pid_;
}

}  // namespace halvric::linux_hid
