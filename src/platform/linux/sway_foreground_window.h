#pragma once
// The window in front on Sway: the compositor's IPC socket ($SWAYSOCK) answers GET_TREE with its
// layout tree as JSON, in which the focused node carries the process id of its client.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/pid_foreground_window.h"

namespace halvric::linux_hid {

// The pid of the focused node of a GET_TREE reply; nullopt when the reply is not JSON, no node
// has the focus, or the focused node is no window (an empty workspace).
std::optional<int> FocusedPidInTree(std::string_view tree_json);

class SwayForegroundWindow final : public PidForegroundWindow {
 public:
  // Connects to the socket at `socket_path`; nullptr when it cannot be reached or does not answer
  // as Sway's IPC does.
  static std::unique_ptr<SwayForegroundWindow> Connect(const std::string& socket_path);
  ~SwayForegroundWindow() override;
  SwayForegroundWindow(const SwayForegroundWindow&) = delete;
  SwayForegroundWindow& operator=(const SwayForegroundWindow&) = delete;

  // Asks for the tree; a connection the compositor closed is opened again once.
  std::optional<int> ActivePid() override;

 private:
  SwayForegroundWindow(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  std::optional<std::string> Request(uint32_t type, std::string_view payload);
  std::string path_;
  int fd_ = -1;
};

}  // namespace halvric::linux_hid
