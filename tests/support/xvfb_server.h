#pragma once
// Test helper: a private Xvfb server.

#include <string>
#include <sys/types.h>

namespace halvric::test {

// An Xvfb server on a display it picks itself; `display` stays empty when it cannot start.
class Xvfb {
 public:
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  std::string display;

 private:
  pid_t pid_ = -1;
};

}  // namespace halvric::test
