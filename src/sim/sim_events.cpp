#include "sim/sim_events.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <string>

namespace halvric::sim {
namespace {

std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  while (true) {
    const size_t cut = text.find(sep);
    parts.push_back(text.substr(0, cut));
    if (cut == std::string_view::npos) return parts;
    text.remove_prefix(cut + 1);
  }
}

int Number(std::string_view text, int lo, int hi, std::string_view event) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) {
    throw std::invalid_argument("bad simulated event \"" + std::string(event) + "\": expected a number " +
                                std::to_string(lo) + ".." + std::to_string(hi));
  }
  return v;
}

}  // namespace

std::vector<SimEvent> ParseSimEvents(std::string_view list) {
  std::vector<SimEvent> events;
  if (list.empty()) return events;
  for (std::string_view item : Split(list, ',')) {
    const std::vector<std::string_view> p = Split(item, ':');
    const std::string_view name = p[0];
    SimEvent e;
    auto args = [&](size_t n) {
      if (p.size() != n + 1) {
        throw std::invalid_argument("bad simulated event \"" + std::string(item) + "\": expected " +
                                    std::to_string(n) + " value(s)");
      }
    };
    if (name == "dpi-up" || name == "dpi-down") {
      args(0);
      e.kind = name == "dpi-up" ? SimEvent::Kind::kDpiUp : SimEvent::Kind::kDpiDown;
    } else if (name == "dpi") {
      args(1);
      e = {SimEvent::Kind::kDpi, Number(p[1], 1, 5, item) - 1, 0};  // levels 1-5 as the user counts them
    } else if (name == "profile") {
      args(1);
      e = {SimEvent::Kind::kProfile, Number(p[1], 1, 5, item) - 1, 0};  // profiles 1-5
    } else if (name == "scroll") {
      args(1);
      if (p[1] != "on" && p[1] != "off") throw std::invalid_argument("bad simulated event \"" + std::string(item) + "\": expected on or off");
      e = {SimEvent::Kind::kScroll, p[1] == "on" ? 1 : 0, 0};
    } else if (name == "tilt") {
      args(1);
      e = {SimEvent::Kind::kTilt, Number(p[1], -128, 127, item), 0};
    } else if (name == "touch") {
      args(1);
      e = {SimEvent::Kind::kTouch, Number(p[1], 0, 1, item), 0};
    } else if (name == "move") {
      args(2);
      e = {SimEvent::Kind::kMove, Number(p[1], -32768, 32767, item), Number(p[2], -32768, 32767, item)};
    } else if (name == "host") {
      args(1);
      e = {SimEvent::Kind::kHost, Number(p[1], 0, 255, item), 0};
    } else {
      throw std::invalid_argument("unknown simulated event \"" + std::string(item) +
                                  "\" (dpi-up, dpi-down, dpi:N, profile:N, scroll:on|off, tilt:S, touch:0|1, "
                                  "move:DX:DY, host:A)");
    }
    events.push_back(e);
  }
  return events;
}

void ApplySimEvent(SimMouse& mouse, const SimEvent& e) {
  switch (e.kind) {
    case SimEvent::Kind::kDpiUp:
      mouse.PressDpiButton(std::min(mouse.DpiLevel() + 1, 4));
      break;
    case SimEvent::Kind::kDpiDown:
      mouse.PressDpiButton(std::max(mouse.DpiLevel() - 1, 0));
      break;
    case SimEvent::Kind::kDpi:
      mouse.PressDpiButton(e.a);
      break;
    case SimEvent::Kind::kProfile:
      mouse.PressProfileButton(e.a);
      break;
    case SimEvent::Kind::kScroll:
      mouse.SetDpiScrollMode(e.a != 0);
      break;
    case SimEvent::Kind::kTilt:
      mouse.PushMovement(false, 0, 0, static_cast<int8_t>(e.a));
      break;
    case SimEvent::Kind::kTouch:
      mouse.PushMovement(e.a != 0, 0, 0, 0);
      break;
    case SimEvent::Kind::kMove:
      mouse.PushMovement(false, static_cast<int16_t>(e.a), static_cast<int16_t>(e.b), 0);
      break;
    case SimEvent::Kind::kHost:
      mouse.PushHostAction(static_cast<uint8_t>(e.a));
      break;
  }
}

}  // namespace halvric::sim
