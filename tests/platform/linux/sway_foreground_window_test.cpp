#include "platform/linux/sway_foreground_window.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "config/temp_folder.h"

namespace halvric::linux_hid {
namespace {

// A layout tree as Sway sends it, cut down: the focused window is a floating one of the second
// workspace; the tiled window beside it and the workspaces carry pids or none.
constexpr const char* kTree = R"({
  "id": 1, "type": "root", "focused": false, "nodes": [
    {"id": 3, "type": "output", "name": "HEADLESS-1", "focused": false, "nodes": [
      {"id": 4, "type": "workspace", "name": "1", "focused": false, "nodes": [
        {"id": 7, "type": "con", "app_id": "foot", "pid": 4242, "focused": false, "nodes": []}
      ], "floating_nodes": []},
      {"id": 5, "type": "workspace", "name": "2", "focused": false, "nodes": [], "floating_nodes": [
        {"id": 9, "type": "con", "app_id": null, "window_properties": {"class": "steam_app_1"},
         "shell": "xwayland", "pid": 5151, "focused": true, "nodes": []}
      ]}
    ]}
  ]
})";

// Answers GET_TREE on a Unix socket as Sway would, with the trees in `replies` in turn; after
// `close_after` answers on one connection it closes it, as a restarted compositor would.
class FakeSway {
 public:
  FakeSway(const std::string& path, std::vector<std::string> replies, int close_after = 1000)
      : replies_(std::move(replies)), close_after_(close_after) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    EXPECT_EQ(::listen(listener_, 4), 0);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeSway() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  int connections() const { return connections_.load(); }
  int bad_requests() const { return bad_requests_.load(); }

 private:
  void Serve() {
    size_t next = 0;
    for (;;) {
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      ++connections_;
      for (int answered = 0; answered < close_after_; ++answered) {
        char header[14];
        if (::recv(fd, header, sizeof(header), MSG_WAITALL) != static_cast<ssize_t>(sizeof(header))) break;
        uint32_t length = 0;
        uint32_t type = 0;
        std::memcpy(&length, header + 6, 4);
        std::memcpy(&type, header + 10, 4);
        if (std::string(header, 6) != "i3-ipc" || type != 4 || length != 0) ++bad_requests_;
        const std::string& body = replies_[std::min(next++, replies_.size() - 1)];
        std::string reply = "i3-ipc";
        const uint32_t fields[2] = {static_cast<uint32_t>(body.size()), 4};
        reply.append(reinterpret_cast<const char*>(fields), sizeof(fields));
        reply += body;
        if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(reply.size())) break;
      }
      ::close(fd);
    }
  }
  std::vector<std::string> replies_;
  int close_after_;
  int listener_ = -1;
  std::thread thread_;
  std::atomic<int> connections_{0};
  std::atomic<int> bad_requests_{0};
};

TEST(SwayForegroundWindow, FocusedNodeOfTheTree) {
  EXPECT_EQ(FocusedPidInTree(kTree), 5151);
  // The focus on an empty workspace, a focused node without pid, and replies that are no tree.
  EXPECT_EQ(FocusedPidInTree(R"({"nodes":[{"type":"workspace","focused":true,"nodes":[]}]})"), std::nullopt);
  EXPECT_EQ(FocusedPidInTree(R"({"nodes":[{"focused":true,"pid":0}]})"), std::nullopt);
  EXPECT_EQ(FocusedPidInTree(R"({"nodes":[{"focused":true,"pid":"12"}]})"), std::nullopt);
  EXPECT_EQ(FocusedPidInTree("{\"nodes\": [{\"focused\": tr"), std::nullopt);
  EXPECT_EQ(FocusedPidInTree("[]"), std::nullopt);
}

TEST(SwayForegroundWindow, AsksTheSocketAndNamesTheProgram) {
  testing::TempFolder dir;
  const std::string path = (dir.path() / "sway-ipc.sock").string();
  // The second answer moves the focus to this test's own process.
  const std::string own = R"({"nodes":[{"focused":true,"pid":)" + std::to_string(::getpid()) + "}]}";
  FakeSway sway(path, {kTree, kTree, own}, /*close_after=*/2);
  auto windows = SwayForegroundWindow::Connect(path);
  ASSERT_NE(windows, nullptr);  // answered its first request
  EXPECT_EQ(windows->Active(), WindowId{5151});
  // The compositor closed the connection after two answers: the next question opens a new one.
  const WindowId self = windows->Active();
  EXPECT_EQ(self, static_cast<WindowId>(::getpid()));
  EXPECT_EQ(sway.connections(), 2);
  EXPECT_EQ(sway.bad_requests(), 0);
  const auto program = windows->ProgramName(self);
  ASSERT_TRUE(program.has_value());
  EXPECT_NE(program->find("test_platform_linux"), std::string::npos);
}

TEST(SwayForegroundWindow, NoSocketNoSource) {
  testing::TempFolder dir;
  EXPECT_EQ(SwayForegroundWindow::Connect((dir.path() / "missing.sock").string()), nullptr);
  EXPECT_EQ(SwayForegroundWindow::Connect(""), nullptr);
}

}  // namespace
}  // namespace halvric::linux_hid
