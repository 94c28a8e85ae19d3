#include "platform/linux/gsettings_value.h"

#include <gio/gio.h>

namespace halvric::linux_hid {
namespace {

// The settings of `schema` when it is installed and has `key`; null otherwise (GIO would abort
// the program on a missing schema).
GSettings* OpenSettings(const char* schema, const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return nullptr;
  GSettingsSchema* found = g_settings_schema_source_lookup(source, schema, TRUE);
  if (found == nullptr) return nullptr;
  const bool has_key = g_settings_schema_has_key(found, key) != 0;
  GSettings* settings = has_key ? g_settings_new_full(found, nullptr, nullptr) : nullptr;
  g_settings_schema_unref(found);
  return settings;
}

}  // namespace

std::optional<std::string> ReadGSettings(const char* schema, const char* key) {
  GSettings* settings = OpenSettings(schema, key);
  if (settings == nullptr) return std::nullopt;
  GVariant* value = g_settings_get_value(settings, key);
  gchar* printed = g_variant_print(value, FALSE);
  std::string text = printed;
  g_free(printed);
  g_variant_unref(value);
  g_object_unref(settings);
  return text;
}

bool WriteGSettingsString(const char* schema, const char* key, const std::string& value) {
  GSettings* settings = OpenSettings(schema, key);
  if (settings == nullptr) return false;
  GVariant* current = g_settings_get_value(settings, key);
  const bool is_string = g_variant_is_of_type(current, G_VARIANT_TYPE_STRING) != 0;
  g_variant_unref(current);
  const bool written = is_string && g_settings_set_string(settings, key, value.c_str()) != 0;
  if (written) g_settings_sync();
  g_object_unref(settings);
  return written;
}

}  // namespace halvric::linux_hid
