#pragma once
// The folder for the program's locks and sockets: private to the user and emptied when the user
// logs out.

#include <string>

namespace halvric {

// $XDG_RUNTIME_DIR/halvric, or without that variable /tmp/halvric-<user id>; created with mode
// 0700 when missing. The folder is returned even when it cannot be created, so that the caller's
// own open reports the failure.
std::string RuntimeFolder();

}  // namespace halvric
