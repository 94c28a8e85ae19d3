// Several programs on one simulated mouse at once: the desktop program (with its report readers),
// halvricctl processes writing, one reading input reports, and one that is killed again and again
// while it holds the mouse. Every write lands, nothing deadlocks, and a killed holder blocks no
// one. HALVRIC_SHARING_SECONDS sets how long the writers run (default 3; a minute for the long
// run).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/ctl_run.h"
#include "support/sim_fixture.h"

extern char** environ;

namespace halvric {
namespace {

using Clock = std::chrono::steady_clock;

class Children {
 public:
  explicit Children(std::vector<std::string> env) : env_(std::move(env)) {
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      bool replaced = false;
      for (const std::string& mine : env_) replaced |= mine.compare(0, name.size() + 1, name + "=") == 0;
      if (!replaced) env_.push_back(entry);
    }
  }
  ~Children() {
    std::lock_guard l(mu_);
    for (const auto& [pid, name] : running_) kill(pid, SIGKILL);
    for (const auto& [pid, name] : running_) waitpid(pid, nullptr, 0);
  }

  pid_t Start(const std::string& name, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env_) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int r = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (r != 0) return -1;
    std::lock_guard l(mu_);
    running_[pid] = name;
    return pid;
  }

  // Exit status of `pid`, or -1 when it has not ended by `deadline` (then it is killed).
  int Wait(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        Forget(pid);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Forget(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  void Forget(pid_t pid) {
    std::lock_guard l(mu_);
    running_.erase(pid);
  }

  std::vector<std::string> env_;
  std::mutex mu_;
  std::map<pid_t, std::string> running_;
};

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

std::string HexByte(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x", value);
  return text;
}

TEST(Sharing, ProgramsHammeringOneMouseLoseNothingAndNeverDeadlock) {
  const char* seconds_text = std::getenv("HALVRIC_SHARING_SECONDS");
  const int seconds = seconds_text != nullptr ? std::max(1, std::atoi(seconds_text)) : 3;
  const std::string folder = test::TempPath("sharing");
  std::filesystem::create_directories(folder + "/run");
  std::filesystem::permissions(folder + "/run", std::filesystem::perms::owner_all);
  const std::string state = folder + "/state.json";
  const std::vector<std::string> sim = {HALVRICCTL_PATH, "--simulate=level11", "--sim-state", state};
  ASSERT_EQ(test::Ctl({"--simulate=level11", "--sim-state", state, "info"}).code, 0);

  // One private runtime folder for all: the transfer lock and the instance socket live there.
  Children children({"XDG_RUNTIME_DIR=" + folder + "/run", "HALVRIC_DATA_DIR=" + folder + "/data",
                     "QT_QPA_PLATFORM=offscreen"});
  pid_t window = -1;
#ifdef HALVRIC_PATH
  window = children.Start("window", {HALVRIC_PATH, "--simulate=level11", "--sim-state", state});
  ASSERT_GT(window, 0);
#endif

  // Writer w owns 16 bytes from 0x900 + 0x40 w and writes them in turn, each write a value of
  // its own; a writer runs halvricctl once per write, one after another.
  constexpr int kWriters = 3;
  const auto stop_at = Clock::now() + std::chrono::seconds(seconds);
  const auto deadline = stop_at + std::chrono::seconds(60);
  std::vector<std::thread> threads;
  std::vector<std::map<int, int>> last(kWriters);
  std::vector<int> failures(kWriters, 0), writes(kWriters, 0);
  auto run = [&](const std::string& name, std::vector<std::string> args) { return children.Start(name, std::move(args)); };
  auto wait = [&](pid_t pid) { return children.Wait(pid, deadline); };
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      for (int i = 0; Clock::now() < stop_at; ++i) {
        const int address = 0x900 + 0x40 * w + i % 16;
        const int value = (i * 7 + w) % 255 + 1;
        auto args = sim;
        args.insert(args.end(), {"mem", "write", Hex(address), HexByte(value)});
        const pid_t pid = run("writer", args);
        if (pid < 0 || wait(pid) != 0) {
          ++failures[w];
        } else {
          last[w][address] = value;
          ++writes[w];
        }
      }
    });
  }
  // A reader of input reports, restarted while the writers run.
  int reader_failures = 0;
  threads.emplace_back([&] {
    while (Clock::now() < stop_at) {
      auto args = sim;
      args.insert(args.end(), {"monitor", "--seconds", "0.5", "--sim-events", "dpi-up,profile:2,tilt:+3"});
      const pid_t pid = run("reader", args);
      if (pid < 0 || wait(pid) != 0) ++reader_failures;
    }
  });
  // A backup that is killed at a random moment, over and over: its lock dies with it.
  int killed = 0;
  threads.emplace_back([&] {
    std::mt19937 random(7);
    while (Clock::now() < stop_at) {
      auto args = sim;
      args.insert(args.end(), {"backup", folder + "/killed.bf"});
      const pid_t pid = run("killed", args);
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 150));
      kill(pid, SIGKILL);
      wait(pid);
      ++killed;
    }
  });
  for (std::thread& t : threads) t.join();

  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(failures[w], 0) << "writer " << w << " after " << writes[w] << " writes";
    EXPECT_GT(writes[w], 0);
  }
  EXPECT_EQ(reader_failures, 0);
  EXPECT_GT(killed, 0);
  std::printf("sharing: %d s: writes %d/%d/%d, %d holders killed\n", seconds, writes[0], writes[1], writes[2], killed);
  // Every address holds the last value its writer wrote.
  for (int w = 0; w < kWriters; ++w) {
    for (const auto& [address, value] : last[w]) {
      const auto r = test::Ctl({"--simulate=level11", "--sim-state", state, "mem", "read", Hex(address), "1"});
      ASSERT_EQ(r.code, 0) << r.err;
      EXPECT_NE(r.out.find(": " + HexByte(value)), std::string::npos) << Hex(address) << ": " << r.out;
    }
  }
#ifdef HALVRIC_PATH
  // The desktop program is still there and ends when asked.
  EXPECT_EQ(waitpid(window, nullptr, WNOHANG), 0) << "the desktop program ended by itself";
  const pid_t closer = run("closer", {HALVRIC_PATH, "--close"});
  EXPECT_EQ(wait(closer), 0);
  EXPECT_EQ(wait(window), 0);
#endif
}

}  // namespace
}  // namespace halvric
