#include "platform/instance_socket.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvric {
namespace {

namespace fs = std::filesystem;

std::string SocketPath() {
  return (fs::temp_directory_path() / ("halvric-inst-" + std::to_string(::getpid()))).string();
}

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

TEST(InstanceSocket, PathsASocketCannotHaveAreRefused) {
  EXPECT_FALSE(InstanceSocketClaim::Claim("").Claimed());
  EXPECT_FALSE(InstanceSocketClaim::Claim("/tmp/" + std::string(200, 'x')).Claimed());
  EXPECT_FALSE(SendToInstanceSocket("/tmp/" + std::string(200, 'x'), "wake\n", 100));
}

}  // namespace
}  // namespace halvric
