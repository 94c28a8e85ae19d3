#include "config/safe_format.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

TEST(SafeFormat, ConvertsEachArgumentToWhatTheTextAsksFor) {
  EXPECT_EQ(SafeFormat("%s has %d keys, %x %% %04d|%-4d|%.3d", {std::string("Mouse"), 7LL, 255LL, 42LL, 5LL, 9LL}),
            "Mouse has 7 keys, ff % 0042|5   |009");
  // A translation may swap kinds: a number for %s, a text for %d (read as 0).
  EXPECT_EQ(SafeFormat("%s/%d", {12LL, std::string("x")}), "12/0");
  // Missing arguments and unknown conversions produce nothing; a trailing % is dropped.
  EXPECT_EQ(SafeFormat("a%db%nc%s%", {1LL}), "a1bc");
}

TEST(SafeFormat, HostileWidthsAreLimitedToWhatTheTextCanHold) {
  const std::string wide = SafeFormat("%999999999d", {1LL});
  EXPECT_EQ(wide.size(), 63u);
  EXPECT_EQ(wide.back(), '1');
  EXPECT_EQ(SafeFormat("%.999999999d", {1LL}).size(), 63u);
}

}  // namespace
}  // namespace halvric
