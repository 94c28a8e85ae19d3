#include "platform/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halvric {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error, AtomicWrite how) {
  std::string templ = path + ".tmp.XXXXXX";
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return Fail(error, "cannot create temporary file for " + path);
  const std::string tmp(name.data());

  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const bool r = Fail(error, "cannot write " + tmp);
      ::close(fd);
      ::unlink(tmp.c_str());
      return r;
    }
    done += static_cast<size_t>(n);
  }
  if (::fchmod(fd, mode) != 0 || (how == AtomicWrite::kDurable && ::fsync(fd) != 0)) {
    const bool r = Fail(error, "cannot finish " + tmp);
    ::close(fd);
    ::unlink(tmp.c_str());
    return r;
  }
  if (::close(fd) != 0) {
    const bool r = Fail(error, "cannot close " + tmp);
    ::unlink(tmp.c_str());
    return r;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const bool r = Fail(error, "cannot replace " + path);
    ::unlink(tmp.c_str());
    return r;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot open " + path);
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const bool r = Fail(error, "cannot read " + path);
      ::close(fd);
      return r;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  bytes = std::move(out);
  return true;
}

}  // namespace halvric
