#pragma once
// The names the user's keyboard layout gives to keys. Key texts prefer these over the program's
// own table names, so that a user sees the labels printed on the own keyboard.

#include <string>

namespace halvric {

class KeyNameSource {
 public:
  virtual ~KeyNameSource() = default;
  // The layout's name of the key with this PC set-1 scan code (extended keys as 0xE0nn); empty
  // when the layout has no name for it.
  virtual std::string KeyName(int scan_code) const = 0;
};

// A source that knows no names, so that the program's table names are used.
class NoKeyNames final : public KeyNameSource {
 public:
  std::string KeyName(int) const override { return {}; }
};

}  // namespace halvric
