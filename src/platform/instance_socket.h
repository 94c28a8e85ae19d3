#pragma once
// The socket through which instances of the desktop program find each other, in plain system
// calls so that it works before any toolkit object exists. The first instance claims the socket and
// listens on it; a later one connects and sends one line.

#include <cstddef>
#include <string>
#include <string_view>

namespace halvric {

// What one connection may bring: words of at most this many bytes (with the line end), and at
// most this many of them; the listener drops a connection that sends more.
inline constexpr std::size_t kMaxInstanceLineBytes = 32;
inline constexpr int kMaxInstanceLinesPerConnection = 8;

class InstanceSocketClaim {
 public:
  InstanceSocketClaim() = default;
  // Closes a socket that was not released and removes its file.
  ~InstanceSocketClaim();
  InstanceSocketClaim(InstanceSocketClaim&& other) noexcept;
  InstanceSocketClaim& operator=(InstanceSocketClaim&& other) noexcept;
  InstanceSocketClaim(const InstanceSocketClaim&) = delete;
  InstanceSocketClaim& operator=(const InstanceSocketClaim&) = delete;

  // Binds and listens on `path` (mode 0600). A socket file left by an instance that died is
  // taken over; the claim fails while another instance answers on it, and when the folder of
  // `path` is not private (a folder of this user that no one else may enter), because another
  // user could then replace the socket.
  static InstanceSocketClaim Claim(const std::string& path);

  bool Claimed() const { return fd_ >= 0; }
  // Hands the listening descriptor over (to the toolkit's server); -1 when not claimed.
  int Release();

 private:
  int fd_ = -1;
  std::string path_;
};

// True when the process at the other end of the connected Unix socket `fd` runs as this user.
bool PeerIsThisUser(int fd);

// True when `folder` is a real folder (not a link) of this user that no one else may enter.
bool FolderIsPrivate(const std::string& folder);

// Closes a listening descriptor taken with Release() and removes the socket file at `path`.
void CloseInstanceSocket(int fd, const std::string& path);

// Connects to the socket at `path` and sends `line`; false when nobody listens or the line could
// not be sent within `timeout_ms`.
bool SendToInstanceSocket(const std::string& path, std::string_view line, int timeout_ms);

}  // namespace halvric
