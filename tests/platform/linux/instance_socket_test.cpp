#include "platform/instance_socket.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/sim_fixture.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

// A private folder (mode 0700) of this test process, as the runtime folder is.
std::string PrivateFolder() {
  const fs::path folder = test::TempPath("inst");
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0700);
  return folder.string();
}

std::string SocketPath() { return PrivateFolder() + "/instance"; }

// What the first client with something to say sent to the listening descriptor `fd` (a claim
// that found the socket answered leaves a silent connection before it).
std::string NextWord(int fd) {
  for (int i = 0; i < 3; ++i) {
    const int c = ::accept(fd, nullptr, nullptr);
    if (c < 0) return {};
    char buf[64];
    const ssize_t n = ::read(c, buf, sizeof buf);
    ::close(c);
    if (n > 0) return std::string(buf, static_cast<size_t>(n));
  }
  return {};
}

TEST(InstanceSocket, TheFirstClaimWinsAndHearsTheLaterInstances) {
  const std::string path = SocketPath();
  fs::remove(path);
  InstanceSocketClaim first = InstanceSocketClaim::Claim(path);
  ASSERT_TRUE(first.Claimed());
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  // Another instance finds the socket answered and does not take it.
  EXPECT_FALSE(InstanceSocketClaim::Claim(path).Claimed());
  EXPECT_TRUE(fs::exists(fs::symlink_status(path)));

  EXPECT_TRUE(SendToInstanceSocket(path, "wake\n", 1000));
  const int fd = first.Release();
  EXPECT_FALSE(first.Claimed());
  EXPECT_EQ(NextWord(fd), "wake\n");
  CloseInstanceSocket(fd, path);
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  EXPECT_FALSE(SendToInstanceSocket(path, "wake\n", 1000)) << "nobody listens any more";
}

TEST(InstanceSocket, ASocketLeftByADeadInstanceIsTakenOver) {
  const std::string path = SocketPath();
  fs::remove(path);
  {
    InstanceSocketClaim dead = InstanceSocketClaim::Claim(path);
    ASSERT_TRUE(dead.Claimed());
    ::close(dead.Release());  // the descriptor ends with its process; the file stays
  }
  ASSERT_TRUE(fs::exists(fs::symlink_status(path)));
  InstanceSocketClaim next = InstanceSocketClaim::Claim(path);
  EXPECT_TRUE(next.Claimed());
  // An unreleased claim removes its socket file when it ends.
  next = InstanceSocketClaim();
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
}

TEST(InstanceSocket, OnlyAPrivateFolderOfThisUserTakesTheSocket) {
  const std::string folder = PrivateFolder() + "-shared";
  fs::create_directories(folder);
  for (const mode_t mode : {0755, 0770, 0701, 01777}) {
    ::chmod(folder.c_str(), mode);
    EXPECT_FALSE(FolderIsPrivate(folder)) << std::oct << mode;
    EXPECT_FALSE(InstanceSocketClaim::Claim(folder + "/instance").Claimed()) << std::oct << mode;
  }
  ::chmod(folder.c_str(), 0700);
  EXPECT_TRUE(FolderIsPrivate(folder));
  // A link to a private folder is not the folder: whoever made the link may change it.
  const std::string link = folder + "-link";
  fs::remove(link);
  fs::create_directory_symlink(folder, link);
  EXPECT_FALSE(FolderIsPrivate(link));
  EXPECT_FALSE(InstanceSocketClaim::Claim(link + "/instance").Claimed());
  fs::remove(link);
  fs::remove_all(folder);
}

TEST(InstanceSocket, ThePeersUserIsKnown) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  EXPECT_TRUE(PeerIsThisUser(pair[0]));
  ::close(pair[0]);
  ::close(pair[1]);
  EXPECT_FALSE(PeerIsThisUser(-1));
  if (::geteuid() != 0) GTEST_SKIP() << "a peer of another user needs root to make";
  // A child of another user connects to a socket in a folder it may enter.
  const std::string folder = PrivateFolder() + "-open";
  fs::create_directories(folder);
  ::chmod(folder.c_str(), 0755);
  const std::string path = folder + "/peer";
  fs::remove(path);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::chmod(path.c_str(), 0777);
  ASSERT_EQ(::listen(listener, 1), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    const int c = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int r = ::connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::sleep(1);
    ::_exit(r == 0 ? 0 : 1);
  }
  const int accepted = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(accepted, 0);
  EXPECT_FALSE(PeerIsThisUser(accepted));
  ::close(accepted);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(listener);
  fs::remove_all(folder);
}

TEST(InstanceSocket, PathsASocketCannotHaveAreRefused) {
  EXPECT_FALSE(InstanceSocketClaim::Claim("").Claimed());
  EXPECT_FALSE(InstanceSocketClaim::Claim("/tmp/" + std::string(200, 'x')).Claimed());
  EXPECT_FALSE(SendToInstanceSocket("/tmp/" + std::string(200, 'x'), "wake\n", 100));
}

}  // namespace
}  // namespace halvric
