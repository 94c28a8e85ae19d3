#include "platform/linux/sway_foreground_window.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>

namespace halvric::linux_hid {
namespace {

// Every message, both ways: the magic, the payload's length and the message type in the host's
// byte order, then the payload.
constexpr std::string_view kMagic = "i3-ipc";
constexpr uint32_t kGetTree = 4;
constexpr size_t kHeaderSize = 6 + 4 + 4;
// A reply larger than this is not a layout tree.
constexpr uint32_t kMaxReply = 64u << 20;
constexpr int kReplyTimeoutMs = 1000;

int OpenSocket(const std::string& path) {
  sockaddr_un addr{};
  if (path.empty() || path.size() >= sizeof(addr.sun_path)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.data(), path.size());
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads exactly `size` bytes, waiting at most the reply timeout for each part.
bool ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, kReplyTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = ::recv(fd, data, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::optional<int> FocusedPid(const nlohmann::json& node) {
  if (!node.is_object()) return std::nullopt;
  if (node.value("focused", false)) {
    const auto pid = node.find("pid");
    if (pid != node.end() && pid->is_number_integer() && pid->get<int64_t>() > 0 && pid->get<int64_t>() <= 0x7fffffff) {
      return static_cast<int>(pid->get<int64_t>());
    }
    return std::nullopt;
  }
  for (const char* children : {"nodes", "floating_nodes"}) {
    const auto list = node.find(children);
    if (list == node.end() || !list->is_array()) continue;
    for (const auto& child : *list) {
      if (auto pid = FocusedPid(child)) return pid;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> FocusedPidInTree(std::string_view tree_json) {
  const nlohmann::json tree = nlohmann::json::parse(tree_json, nullptr, false);
  if (tree.is_discarded()) return std::nullopt;
  return FocusedPid(tree);
}

std::unique_ptr<SwayForegroundWindow> SwayForegroundWindow::Connect(const std::string& socket_path) {
  const int fd = OpenSocket(socket_path);
  if (fd < 0) return nullptr;
  std::unique_ptr<SwayForegroundWindow> w(new SwayForegroundWindow(socket_path, fd));
  if (!w->Request(kGetTree, {})) return nullptr;
  return w;
}

SwayForegroundWindow::~SwayForegroundWindow() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> SwayForegroundWindow::Request(uint32_t type, std::string_view payload) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (fd_ < 0) fd_ = OpenSocket(path_);
    if (fd_ < 0) return std::nullopt;
    std::string message(kMagic);
    const uint32_t header[2] = {static_cast<uint32_t>(payload.size()), type};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    message.append(payload);
    char reply_header[kHeaderSize];
    if (WriteAll(fd_, message.data(), message.size()) && ReadAll(fd_, reply_header, sizeof(reply_header)) &&
        std::string_view(reply_header, kMagic.size()) == kMagic) {
      uint32_t length = 0;
      uint32_t reply_type = 0;
      std::memcpy(&length, reply_header + 6, 4);
      std::memcpy(&reply_type, reply_header + 10, 4);
      std::string body(length <= kMaxReply ? length : 0, '\0');
      if (length <= kMaxReply && reply_type == type && ReadAll(fd_, body.data(), body.size())) return body;
    }
    // A broken or confused connection is dropped; the next attempt opens a fresh one.
    ::close(fd_);
    fd_ = -1;
  }
  return std::nullopt;
}

std::optional<int> SwayForegroundWindow::ActivePid() {
  const std::optional<std::string> tree = Request(kGetTree, {});
  if (!tree) return std::nullopt;
  return FocusedPidInTree(*tree);
}

}  // namespace halvric::linux_hid
