#include "platform/runtime_folder.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace halvric {

std::string RuntimeFolder() {
  std::string dir;
  if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt != nullptr && *rt != '\0') {
    dir = std::string(rt) + "/halvric";
  } else {
    dir = "/tmp/halvric-" + std::to_string(::getuid());
  }
  // Made private even when it was there already: it holds the instance socket.
  ::mkdir(dir.c_str(), 0700);
  ::chmod(dir.c_str(), 0700);
  return dir;
}

}  // namespace halvric
