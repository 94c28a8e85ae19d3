#pragma once
// Runs halvricctl in-process on a command line and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/ctl_app.h"

namespace halvric::test {

struct CtlRun {
  int code = -1;
  std::string out, err;
};

inline CtlRun Ctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CtlRun r;
  r.code = RunHalvricCtl(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace halvric::test
