#pragma once
// A variable of the process environment as text: empty when it is not set.

#include <cstdlib>
#include <string>

namespace halvric {

inline std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

}  // namespace halvric
