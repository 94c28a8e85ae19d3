#pragma once
// Keys of the desktop's GSettings (GNOME's settings store) through GIO, for schemas that may not
// be installed: outside GNOME a schema is usually missing, which is an answer, not an error.

#include <optional>
#include <string>

namespace halvric::linux_hid {

// The key's value as GVariant text, "'flat'" or "[('xkb', 'de')]"; nullopt when the schema or
// the key does not exist.
std::optional<std::string> ReadGSettings(const char* schema, const char* key);

// Sets a string key and waits until the settings store has it. False when the schema or key does
// not exist or is not a string.
bool WriteGSettingsString(const char* schema, const char* key, const std::string& value);

}  // namespace halvric::linux_hid
