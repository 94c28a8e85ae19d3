#include "platform/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace halvric {
namespace {

constexpr std::string_view kTemporaryInfix = ".tmp.";

bool Fail(std::string* error, const std::string& what, int err) {
  if (error) *error = what + ": " + std::strerror(err);
  return false;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A link is followed, so that a settings file the user keeps elsewhere stays linked; a link that
// leads nowhere is replaced like a file.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string out(resolved);
  std::free(resolved);
  return out;
}

// Flushes the folder's entry list, so that a rename survives a power cut. File systems that
// cannot flush a folder (EINVAL) keep their entries by other means.
bool SyncFolder(const std::string& folder, std::string* error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot open folder " + folder, errno);
  const int r = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (r != 0 && err != EINVAL) return Fail(error, "cannot flush folder " + folder, err);
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool IsAtomicWriteTemporary(std::string_view file_name) {
  if (file_name.size() < 1 + kTemporaryInfix.size() + 6 || file_name.front() != '.') return false;
  return file_name.substr(file_name.size() - 6 - kTemporaryInfix.size(), kTemporaryInfix.size()) == kTemporaryInfix;
}

void RemoveStaleTemporaries(const std::string& folder, std::string_view file_name) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const time_t stale = std::time(nullptr) - 10 * 60;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!IsAtomicWriteTemporary(name)) continue;
    // ".<file name>.tmp.XXXXXX": the file it was written for lies between the dot and the infix.
    if (!file_name.empty() && name.substr(1, name.size() - 1 - kTemporaryInfix.size() - 6) != file_name) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (st.st_mtime > stale) continue;
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  const std::string target = ResolveTarget(path);
  const std::string folder = FolderOf(target);
  std::string templ = folder + "/." + FileNameOf(target) + std::string(kTemporaryInfix) + "XXXXXX";
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot create a temporary file for " + path, errno);
  const std::string tmp(name.data());

  // Nothing is left behind on failure; the target has not been touched yet.
  const auto abandon = [&](const std::string& what, int err, bool close_fd) {
    if (close_fd) ::close(fd);
    ::unlink(tmp.c_str());
    return Fail(error, what, err);
  };

  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;

  if (!WriteAll(fd, bytes)) return abandon("cannot write " + path, errno, true);
  if (::fchmod(fd, mode) != 0) return abandon("cannot write " + path, errno, true);
  // Delayed allocation reports a full disk or a failing device only here.
  if (::fsync(fd) != 0) return abandon("cannot write " + path, errno, true);
  if (::close(fd) != 0) return abandon("cannot write " + path, errno, false);
  if (::rename(tmp.c_str(), target.c_str()) != 0) return abandon("cannot replace " + path, errno, false);
  if (!SyncFolder(folder, error)) return false;
  RemoveStaleTemporaries(folder, FileNameOf(target));
  return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    // File systems without the flag: link() also refuses an existing name, but only for files.
    if (errno != EINVAL && errno != ENOSYS) return Fail(error, "cannot rename " + from + " to " + to, errno);
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return Fail(error, "cannot rename " + from, errno);
    if (S_ISDIR(st.st_mode)) {
      if (::lstat(to.c_str(), &st) == 0) return Fail(error, "cannot rename " + from + " to " + to, EEXIST);
      if (::rename(from.c_str(), to.c_str()) != 0) return Fail(error, "cannot rename " + from + " to " + to, errno);
    } else {
      if (::link(from.c_str(), to.c_str()) != 0) return Fail(error, "cannot rename " + from + " to " + to, errno);
      ::unlink(from.c_str());
    }
  }
  if (!SyncFolder(FolderOf(to), error)) return false;
  return FolderOf(from) == FolderOf(to) || SyncFolder(FolderOf(from), error);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error, std::size_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot open " + path, errno);
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return Fail(error, "cannot read " + path, err);
    }
    if (n == 0) break;
    if (out.size() + static_cast<size_t>(n) > max_bytes) {
      ::close(fd);
      if (error) *error = "cannot read " + path + ": larger than " + std::to_string(max_bytes) + " bytes";
      return false;
    }
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  bytes = std::move(out);
  return true;
}

}  // namespace halvric
