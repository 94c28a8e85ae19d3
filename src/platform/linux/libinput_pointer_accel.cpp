#include "platform/linux/libinput_pointer_accel.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include "platform/linux/x11_pointer_control.h"

namespace halvric::linux_hid {
namespace {

constexpr const char* kProfileProperty = "libinput Accel Profile Enabled";

template <typename T>
struct Freed {
  T* p;
  ~Freed() { std::free(p); }
};

}  // namespace

std::vector<uint8_t> AccelProfileValue(std::span<const uint8_t> current, bool accelerated) {
  if (current.size() < 2 || current.size() > 3) return {};
  std::vector<uint8_t> v(current.size(), 0);
  v[accelerated ? 0 : 1] = 1;
  return v;
}

struct LibinputPointerAccel::Connection {
  xcb_connection_t* conn = nullptr;
  xcb_atom_t property = XCB_ATOM_NONE;
  std::vector<xcb_input_device_id_t> devices;  // pointers that have the property
  ~Connection() {
    if (conn != nullptr) xcb_disconnect(conn);
  }

  // The property's one-byte flags on one device; empty when it cannot be read.
  std::vector<uint8_t> Get(xcb_input_device_id_t id, xcb_atom_t* type) const {
    Freed<xcb_input_xi_get_property_reply_t> r{xcb_input_xi_get_property_reply(
        conn, xcb_input_xi_get_property(conn, id, 0, property, XCB_ATOM_ANY, 0, 4), nullptr)};
    if (r.p == nullptr || r.p->format != 8 || r.p->num_items == 0 || r.p->num_items > 3) return {};
    const auto* items = static_cast<const uint8_t*>(xcb_input_xi_get_property_items(r.p));
    if (type != nullptr) *type = r.p->type;
    std::vector<uint8_t> out(r.p->num_items);
    std::memcpy(out.data(), items, out.size());
    return out;
  }
};

LibinputPointerAccel::LibinputPointerAccel(std::unique_ptr<Connection> c) : c_(std::move(c)) {}
LibinputPointerAccel::~LibinputPointerAccel() = default;

std::unique_ptr<LibinputPointerAccel> LibinputPointerAccel::Connect(const std::string& display) {
  auto c = std::make_unique<Connection>();
  c->conn = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
  if (c->conn == nullptr || xcb_connection_has_error(c->conn) != 0) return nullptr;

  Freed<xcb_input_xi_query_version_reply_t> version{
      xcb_input_xi_query_version_reply(c->conn, xcb_input_xi_query_version(c->conn, 2, 2), nullptr)};
  if (version.p == nullptr || version.p->major_version < 2) return nullptr;

  Freed<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
      c->conn, xcb_intern_atom(c->conn, 1, static_cast<uint16_t>(std::strlen(kProfileProperty)), kProfileProperty),
      nullptr)};
  if (atom.p == nullptr || atom.p->atom == XCB_ATOM_NONE) return nullptr;  // no libinput device ever
  c->property = atom.p->atom;

  Freed<xcb_input_xi_query_device_reply_t> devices{
      xcb_input_xi_query_device_reply(c->conn, xcb_input_xi_query_device(c->conn, XCB_INPUT_DEVICE_ALL), nullptr)};
  if (devices.p == nullptr) return nullptr;
  for (auto it = xcb_input_xi_query_device_infos_iterator(devices.p); it.rem > 0; xcb_input_xi_device_info_next(&it)) {
    if (it.data->type != XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER) continue;
    if (!c->Get(it.data->deviceid, nullptr).empty()) c->devices.push_back(it.data->deviceid);
  }
  if (c->devices.empty()) return nullptr;
  return std::unique_ptr<LibinputPointerAccel>(new LibinputPointerAccel(std::move(c)));
}

std::optional<PointerAccel> LibinputPointerAccel::Read() {
  bool any_read = false;
  for (xcb_input_device_id_t id : c_->devices) {
    const std::vector<uint8_t> v = c_->Get(id, nullptr);
    if (v.empty()) continue;
    any_read = true;
    if (v[0] != 0) return kAccelOn;
  }
  if (!any_read) return std::nullopt;
  return kAccelOff;
}

bool LibinputPointerAccel::Write(const PointerAccel& accel) {
  bool ok = true;
  for (xcb_input_device_id_t id : c_->devices) {
    xcb_atom_t type = XCB_ATOM_NONE;
    const std::vector<uint8_t> now = c_->Get(id, &type);
    const std::vector<uint8_t> next = AccelProfileValue(now, accel.On());
    if (next.empty()) {
      ok = false;
      continue;
    }
    xcb_generic_error_t* e = xcb_request_check(
        c_->conn, xcb_input_xi_change_property_checked(c_->conn, id, XCB_PROP_MODE_REPLACE, 8, c_->property, type,
                                                      static_cast<uint32_t>(next.size()), next.data()));
    if (e != nullptr) {
      std::free(e);
      ok = false;
    }
  }
  return ok;
}

std::unique_ptr<PointerSettings> ConnectPointerSettings(const std::string& display) {
  if (auto libinput = LibinputPointerAccel::Connect(display)) return libinput;
  return X11PointerControl::Connect(display);
}

}  // namespace halvric::linux_hid
