#include "platform/linux/xkb_key_names.h"

#include <array>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/linux/desktop_layout_names.h"
#include "platform/linux/scan_code_keycodes.h"
#include "platform/linux/wayland_keymap.h"
#include "platform/session_desktop.h"

namespace halvric::linux_hid {
namespace {

struct ContextDeleter {
  void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
struct KeymapDeleter {
  void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
struct StateDeleter {
  void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
struct XcbDeleter {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using ContextPtr = std::unique_ptr<xkb_context, ContextDeleter>;
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapDeleter>;
using StatePtr = std::unique_ptr<xkb_state, StateDeleter>;
using XcbPtr = std::unique_ptr<xcb_connection_t, XcbDeleter>;

// Dead keys are labelled with the accent they put on the next letter.
constexpr std::array<std::pair<xkb_keysym_t, char32_t>, 13> kDeadKeyAccents{{
    {XKB_KEY_dead_grave, U'`'},
    {XKB_KEY_dead_acute, U'\u00B4'},
    {XKB_KEY_dead_circumflex, U'^'},
    {XKB_KEY_dead_tilde, U'~'},
    {XKB_KEY_dead_macron, U'\u00AF'},
    {XKB_KEY_dead_breve, U'\u02D8'},
    {XKB_KEY_dead_abovedot, U'\u02D9'},
    {XKB_KEY_dead_diaeresis, U'\u00A8'},
    {XKB_KEY_dead_abovering, U'\u02DA'},
    {XKB_KEY_dead_doubleacute, U'\u02DD'},
    {XKB_KEY_dead_caron, U'\u02C7'},
    {XKB_KEY_dead_cedilla, U'\u00B8'},
    {XKB_KEY_dead_ogonek, U'\u02DB'},
}};

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

bool IsKeypadSym(xkb_keysym_t sym) { return sym >= XKB_KEY_KP_Space && sym <= XKB_KEY_KP_9; }

// The label of one keysym; empty for keys that type nothing visible.
std::string LabelOf(xkb_keysym_t sym) {
  for (const auto& [dead, accent] : kDeadKeyAccents) {
    if (dead == sym) return Utf8(accent);
  }
  if (IsKeypadSym(sym)) return {};
  const char32_t c = xkb_keysym_to_utf32(xkb_keysym_to_upper(sym));
  // Control characters, blanks and the no-break space are no label.
  if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return {};
  return Utf8(c);
}

ContextPtr NewContext() {
  ContextPtr context(xkb_context_new(static_cast<xkb_context_flags>(XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
  // A layout that does not compile is answered by returning no source; the library's own
  // complaints on standard error would only confuse the user.
  if (context) xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
  return context;
}

// The labels of every key the scan-code table knows, in layout `layout` of the keymap.
std::map<int, std::string> LabelsOf(xkb_keymap* keymap, xkb_layout_index_t layout) {
  std::map<int, std::string> names;
  auto add = [&](int scan_code) {
    const int code = EventCodeForScanCode(scan_code);
    if (code == 0) return;
    const auto keycode = static_cast<xkb_keycode_t>(code + kXkbKeycodeOffset);
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, keycode);
    if (layouts == 0) return;
    const xkb_keysym_t* syms = nullptr;
    const int n = xkb_keymap_key_get_syms_by_level(keymap, keycode, layout < layouts ? layout : 0, 0, &syms);
    if (n != 1 || syms == nullptr) return;
    std::string label = LabelOf(syms[0]);
    if (!label.empty()) names.emplace(scan_code, std::move(label));
  };
  for (int s = 0x01; s <= 0x7F; ++s) add(s);
  for (int s = 0xE001; s <= 0xE07F; ++s) add(s);
  return names;
}

}  // namespace

std::unique_ptr<XkbKeyNames> XkbKeyNames::FromNames(const XkbLayoutNames& names) {
  const ContextPtr context = NewContext();
  if (!context) return nullptr;
  auto field = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
  const xkb_rule_names rules{field(names.rules), field(names.model), field(names.layout), field(names.variant),
                             field(names.options)};
  const KeymapPtr keymap(xkb_keymap_new_from_names(context.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;
  return std::make_unique<XkbKeyNames>(LabelsOf(keymap.get(), 0));
}

std::unique_ptr<XkbKeyNames> XkbKeyNames::FromX11Display(const char* display) {
  if (display == nullptr) {
    display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return nullptr;
  }
  const XcbPtr connection(xcb_connect(display, nullptr));
  if (!connection || xcb_connection_has_error(connection.get()) != 0) return nullptr;
  if (xkb_x11_setup_xkb_extension(connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                  XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
    return nullptr;
  }
  const int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
  if (device < 0) return nullptr;
  const ContextPtr context = NewContext();
  if (!context) return nullptr;
  const KeymapPtr keymap(
      xkb_x11_keymap_new_from_device(context.get(), connection.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;
  // The layout the user has switched to, when the server has several.
  const StatePtr state(xkb_x11_state_new_from_device(keymap.get(), connection.get(), device));
  const xkb_layout_index_t layout = state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
  return std::make_unique<XkbKeyNames>(LabelsOf(keymap.get(), layout));
}

std::unique_ptr<XkbKeyNames> XkbKeyNames::FromKeymapText(const std::string& text) {
  const ContextPtr context = NewContext();
  if (!context) return nullptr;
  const KeymapPtr keymap(
      xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;
  return std::make_unique<XkbKeyNames>(LabelsOf(keymap.get(), 0));
}

std::string XkbKeyNames::KeyName(int scan_code) const {
  const auto it = names_.find(scan_code);
  return it != names_.end() ? it->second : std::string();
}

std::unique_ptr<KeyNameSource> UserKeyNames() {
  const SessionEnvironment env = SessionEnvironment::FromProcess();
  auto desktop = [&env]() -> std::unique_ptr<XkbKeyNames> {
    const std::optional<XkbLayoutNames> names = DesktopLayoutNames(env);
    return names ? XkbKeyNames::FromNames(*names) : nullptr;
  };
  if (IsWaylandSession(env)) {
    if (const auto text = WaylandKeymapText()) {
      if (auto compositor = XkbKeyNames::FromKeymapText(*text)) return compositor;
    }
    if (auto configured = desktop()) return configured;
  }
  if (auto x11 = XkbKeyNames::FromX11Display()) return x11;
  if (auto configured = desktop()) return configured;
  if (auto system = XkbKeyNames::FromNames(SystemLayoutNames())) return system;
  return std::make_unique<NoKeyNames>();
}

}  // namespace halvric::linux_hid
