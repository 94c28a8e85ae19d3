#include "platform/linux/kwin_foreground_window.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>

#include "config/temp_folder.h"

extern char** environ;

namespace halvric::linux_hid {
namespace {

// A session bus of the test's own: dbus-daemon on a socket of the temporary folder, made the
// session bus of this process while the test runs.
class PrivateBus {
 public:
  explicit PrivateBus(const std::filesystem::path& folder) {
    const std::string socket = (folder / "bus").string();
    address_ = "unix:path=" + socket;
    const std::string address_arg = "--address=" + address_;
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--nopidfile", address_arg.c_str(), nullptr};
    if (posix_spawnp(&pid_, "dbus-daemon", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    for (int i = 0; i < 100 && pid_ > 0 && !std::filesystem::exists(socket); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS")) old_ = old;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~PrivateBus() {
    if (old_) ::setenv("DBUS_SESSION_BUS_ADDRESS", old_->c_str(), 1);
    else ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  std::string address_;
  std::optional<std::string> old_;
};

// KWin's scripting object as far as the program uses it. Starting the scripts plays what the
// Plasma script does: it reports the active window twice, first as an integer, then as KWin's
// script engine may pass a number, as a double.
class FakeKWin {
 public:
  FakeKWin() {
    sd_bus_open_user(&bus_);
    sd_bus_add_object_vtable(bus_, nullptr, "/Scripting", "org.kde.kwin.Scripting", kTable, this);
    ok_ = sd_bus_request_name(bus_, "org.kde.KWin", 0) >= 0;
    thread_ = std::thread([this] {
      while (!stop_) {
        sd_bus_process(bus_, nullptr);
        sd_bus_wait(bus_, 50'000);
      }
    });
  }
  ~FakeKWin() {
    stop_ = true;
    thread_.join();
    sd_bus_flush_close_unref(bus_);
  }
  bool ok() const { return ok_; }
  std::string loaded() {
    std::lock_guard lock(m_);
    return loaded_;
  }
  int unloads() const { return unloads_; }

 private:
  static int Load(sd_bus_message* m, void* self, sd_bus_error*) {
    const char* path = nullptr;
    const char* plugin = nullptr;
    sd_bus_message_read(m, "ss", &path, &plugin);
    auto* k = static_cast<FakeKWin*>(self);
    std::lock_guard lock(k->m_);
    k->loaded_ = std::string(path) + " as " + plugin;
    return sd_bus_reply_method_return(m, "i", 3);
  }
  static int Unload(sd_bus_message* m, void* self, sd_bus_error*) {
    ++static_cast<FakeKWin*>(self)->unloads_;
    return sd_bus_reply_method_return(m, "b", 1);
  }
  static int Start(sd_bus_message* m, void* self, sd_bus_error*) {
    sd_bus* bus = static_cast<FakeKWin*>(self)->bus_;
    sd_bus_call_method_async(bus, nullptr, kKWinReportName, kKWinReportPath, kKWinReportInterface, "Activated", nullptr,
                             nullptr, "i", 4321);
    sd_bus_call_method_async(bus, nullptr, kKWinReportName, kKWinReportPath, kKWinReportInterface, "Activated", nullptr,
                             nullptr, "d", static_cast<double>(::getpid()));
    return sd_bus_reply_method_return(m, "");
  }
  static constexpr sd_bus_vtable kTable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("loadScript", "ss", "i", Load, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("unloadScript", "s", "b", Unload, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("start", "", "", Start, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END,
  };
  sd_bus* bus_ = nullptr;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<int> unloads_{0};
  std::mutex m_;
  std::string loaded_;
  std::thread thread_;
};

TEST(KWinForegroundWindow, ScriptReportsTheActiveWindow) {
  testing::TempFolder dir;
  PrivateBus bus(dir.path());
  if (!bus.Running()) GTEST_SKIP() << "no dbus-daemon";
  const std::string script = dir.Put("kwin/halvric-foreground-plasma6.js", "// script\n");
  EXPECT_EQ(KWinScriptFile(dir.path(), "6").string(), script);
  EXPECT_EQ(KWinScriptFile(dir.path(), "").string(), script);
  EXPECT_EQ(KWinScriptFile(dir.path(), "5").filename(), "halvric-foreground-plasma5.js");

  // No KWin on the bus: no source.
  EXPECT_EQ(KWinForegroundWindow::Connect(script), nullptr);

  FakeKWin kwin;
  ASSERT_TRUE(kwin.ok());
  // A missing script is never handed to KWin.
  EXPECT_EQ(KWinForegroundWindow::Connect(dir.path() / "kwin" / "missing.js"), nullptr);
  EXPECT_EQ(kwin.loaded(), "");
  {
    auto windows = KWinForegroundWindow::Connect(script);
    ASSERT_NE(windows, nullptr);
    EXPECT_EQ(kwin.loaded(), script + " as " + kKWinScriptPlugin);
    // The reports arrive in order: the last one, this process as a double, is the window in front.
    std::optional<int> pid;
    for (int i = 0; i < 100 && pid != ::getpid(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      pid = windows->ActivePid();
    }
    EXPECT_EQ(pid, ::getpid());
    const auto program = windows->ProgramName(windows->Active());
    ASSERT_TRUE(program.has_value());
    EXPECT_NE(program->find("test_platform_linux"), std::string::npos);
  }
  // The script of an earlier run is unloaded before loading, this run's on the way out.
  for (int i = 0; i < 50 && kwin.unloads() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(kwin.unloads(), 2);
}

}  // namespace
}  // namespace halvric::linux_hid
