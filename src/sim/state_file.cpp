#include "sim/state_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace halvric::sim {
namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

StateFileLock::StateFileLock(const std::string& lock_path) {
  fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error("cannot open lock file " + lock_path + ": " + Reason());
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const std::string why = Reason();
      ::close(fd_);
      fd_ = -1;
      throw std::runtime_error("cannot lock " + lock_path + ": " + why);
    }
  }
}

StateFileLock::~StateFileLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw std::runtime_error("cannot read state file " + path + ": " + Reason());
  }
  std::string text;
  char buf[65536];
  while (true) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string why = Reason();
      ::close(fd);
      throw std::runtime_error("cannot read state file " + path + ": " + why);
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

nlohmann::json ParseJsonText(const std::string& path, const std::string& text) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) throw std::runtime_error("state file " + path + " is not valid JSON");
  return j;
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
  std::string tmpl = path + ".XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) throw std::runtime_error("cannot create a temporary file for " + path + ": " + Reason());
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string why = Reason();
      ::close(fd);
      ::unlink(tmpl.c_str());
      throw std::runtime_error("cannot write " + path + ": " + why);
    }
    done += static_cast<size_t>(n);
  }
  ::fchmod(fd, 0644);
  // No fsync: the rename keeps readers from ever seeing a half-written file, which is what the
  // simulation needs; surviving a power cut is not.
  if (::close(fd) != 0) {
    const std::string why = Reason();
    ::unlink(tmpl.c_str());
    throw std::runtime_error("cannot write " + path + ": " + why);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const std::string why = Reason();
    ::unlink(tmpl.c_str());
    throw std::runtime_error("cannot replace " + path + ": " + why);
  }
}

}  // namespace halvric::sim
