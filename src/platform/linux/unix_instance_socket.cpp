// The instance socket as a Unix-domain stream socket. The runtime folder it lives in admits only
// the user (checked before the claim); the socket file itself is made private too, and the
// listener checks each peer's user id.

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "platform/instance_socket.h"

namespace halvric {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  addr = sockaddr_un{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool FolderIsPrivate(const std::string& folder) {
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

bool PeerIsThisUser(int fd) {
  ucred cred{};
  socklen_t size = sizeof cred;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && size == sizeof cred &&
         cred.uid == ::geteuid();
}

InstanceSocketClaim::~InstanceSocketClaim() {
  if (fd_ >= 0) CloseInstanceSocket(fd_, path_);
}

InstanceSocketClaim::InstanceSocketClaim(InstanceSocketClaim&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

InstanceSocketClaim& InstanceSocketClaim::operator=(InstanceSocketClaim&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) CloseInstanceSocket(fd_, path_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

int InstanceSocketClaim::Release() { return std::exchange(fd_, -1); }

InstanceSocketClaim InstanceSocketClaim::Claim(const std::string& path) {
  InstanceSocketClaim claim;
  sockaddr_un addr{};
  if (!FillAddress(path, addr) || !FolderIsPrivate(FolderOf(path))) return claim;
  const auto* sa = reinterpret_cast<const sockaddr*>(&addr);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return claim;
    if (::bind(fd, sa, sizeof addr) == 0) {
      ::chmod(addr.sun_path, 0600);
      if (::listen(fd, 8) == 0) {
        claim.fd_ = fd;
        claim.path_ = path;
        return claim;
      }
      ::close(fd);
      ::unlink(addr.sun_path);
      return claim;
    }
    const int bind_error = errno;
    ::close(fd);
    if (bind_error != EADDRINUSE || attempt > 0) return claim;
    // Someone answers: a running instance. Otherwise the socket file is a leftover.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return claim;
    const bool answered = ::connect(probe, sa, sizeof addr) == 0;
    ::close(probe);
    if (answered) return claim;
    ::unlink(addr.sun_path);
  }
  return claim;
}

void CloseInstanceSocket(int fd, const std::string& path) {
  ::close(fd);
  ::unlink(path.c_str());
}

bool SendToInstanceSocket(const std::string& path, std::string_view line, int timeout_ms) {
  sockaddr_un addr{};
  if (!FillAddress(path, addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  if (ok) ok = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
  ::close(fd);
  return ok;
}

}  // namespace halvric
