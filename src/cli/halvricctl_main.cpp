#include <iostream>
#include <string>
#include <vector>

#include "cli/ctl_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return halvric::RunHalvricCtl(args, std::cout, std::cerr);
}
