#include "config/function_catalogue.h"

#include <algorithm>
#include <array>

#include "config/describe_assignment.h"
#include "config/text_tables.h"
#include "device/model_table.h"
#include "device/protocol_encoding.h"

namespace halvric {
namespace {

constexpr std::array<int, 8> kHiddenTypes = {15, 18, 21, 2, 25, 32, 33, 27};

}  // namespace

std::vector<_FITEM_> BuildFunctionCatalogue(const TextTables& t, int type_code, int protocol_level, bool gamepad) {
  namespace ft = function_type;
  std::vector<_FITEM_> list;
  int row = 0;
  auto add = [&](int page, int type, int p1, int p2, int p3, std::string name) {
    ++row;
    list.push_back(_FITEM_{kCatalogueIconBase + row, type, p1, p2, p3, std::move(name), page, 1, 0.0f});
  };
  auto mouse = [&t](int i) { return t.Get(TextFamily::mouse_str, i); };
  auto type_name = [&t](int i) { return t.Get(TextFamily::type_str, i); };
  constexpr int M = kCataloguePageMouse;
  constexpr int A = kCataloguePageAdvanced;

  add(M, ft::kMouse, 1, 0, 0, mouse(0));
  add(M, ft::kMouse, 2, 0, 0, mouse(1));
  add(M, ft::kMouse, 4, 0, 0, mouse(2));
  add(M, ft::kMouse, 16, 0, 0, mouse(4));
  add(M, ft::kMouse, 8, 0, 0, mouse(3));
  add(M, ft::kMouse, 0, 1, 0, mouse(7));
  add(M, ft::kMouse, 0, 255, 0, mouse(8));
  add(M, ft::kMacroFire, builtin_action::kTiltLeft, 0, 255, mouse(5));
  add(M, ft::kMacroFire, builtin_action::kTiltRight, 0, 255, mouse(6));
  add(M, ft::kMotionScrolling, 4, 4, 0, type_name(ft::kMotionScrolling));
  add(M, ft::kMacroFire, builtin_action::kDoubleClick, 0, 255, mouse(9));
  add(M, ft::kMacroFire, builtin_action::kTripleClick, 0, 255, mouse(10));
  add(M, ft::kFireButton, 1, 1, 0, type_name(ft::kFireButton));
  add(M, ft::kRapidFire, 1, 1, 0, type_name(ft::kRapidFire));
  add(A, ft::kNoFunction, 0, 0, 0, type_name(ft::kNoFunction));
  add(A, ft::kHidKey2, 1, 0, 0, t.Get(TextFamily::launch_str));
  if (protocol_level >= ModelRowFor(type_code).adjust_lift_from_level) {
    add(A, ft::kAdjustLift, 0, 0, 0, type_name(ft::kAdjustLift));
  } else {
    ++row;  // keeps the icon numbers of the later rows
  }
  add(A, ft::kAdjustDpi, 0, 0, 0, type_name(ft::kAdjustDpi));
  add(A, ft::kDpiFirekey, 255, 0, 0, t.Get(TextFamily::msg_str, 47));
  add(A, ft::kDpiFirekey, 0, 255, 0, t.Get(TextFamily::msg_str, 46));
  add(A, ft::kDpiFirekey, 8, 8, 0, type_name(ft::kDpiFirekey));
  add(A, ft::kAngleSnapping, 80, 80, 0, type_name(ft::kAngleSnapping));
  add(A, ft::kDpiUp, 0, 0, 0, type_name(ft::kDpiUp));
  add(A, ft::kDpiDown, 0, 0, 0, type_name(ft::kDpiDown));
  add(A, ft::kDpiLoop, 0, 0, 0, type_name(ft::kDpiLoop));
  if (gamepad) {
    for (int bit = 0; bit < kGamepadBitCount; ++bit) {
      const int bits = 1 << bit;
      add(A, ft::kGamepad, bits & 0xFF, bits >> 8, 0, GamepadBitName(bit));
    }
    add(A, ft::kGamepadAnalogToggle, 0, 0, 0, "XBOX Anlog1 toggle");
    add(A, ft::kGamepadAnalogToggle, 1, 0, 0, "XBOX Anlog2 toggle");
  }
  return list;
}

std::vector<_FITEM_> BuildFunctionCatalogue(const TextTables& texts, const DeviceInfo& info) {
  return BuildFunctionCatalogue(texts, info.type_code, info.protocol_level, GamepadFlag(info));
}

std::span<const int> HiddenTypeList() { return kHiddenTypes; }

std::vector<int> HiddenTypesForPosition(int position, int protocol_level, int device_flag) {
  const EncodingTraits traits = EncodingFor(protocol_level).Traits();
  const bool hidden = ((position == 14 || position == 15) && traits.short_reports) ||
                      ((position == 12 || position == 13) && traits.short_reports && device_flag == 1) ||
                      ((position == 22 || position == 23) && !traits.wide_key_planes) ||
                      ((position == 30 || position == 31) && traits.wide_key_planes);
  if (!hidden) return {};
  return {kHiddenTypes.begin(), kHiddenTypes.end()};
}

bool IsCatalogueEntryShown(const _FITEM_& item, int type_code, std::span<const int> hidden_types) {
  if (item.type == function_type::kAdjustLift && !ModelRowFor(type_code).adjust_lift) return false;
  return std::find(hidden_types.begin(), hidden_types.end(), item.type) == hidden_types.end();
}

int PreselectedCatalogueEntry(std::span<const _FITEM_> catalogue, const ButtonAssignment& current) {
  namespace ft = function_type;
  auto find = [&catalogue](auto pred) {
    const auto it = std::find_if(catalogue.begin(), catalogue.end(), pred);
    return it == catalogue.end() ? -1 : static_cast<int>(it - catalogue.begin());
  };
  const int type = current.type;
  if (type == ft::kDpiFirekey || type == ft::kDpiHotkey) {
    const int exact = find([&](const _FITEM_& e) {
      return (e.type == ft::kDpiFirekey || e.type == ft::kDpiHotkey) && e.p1 == current.p1 && e.p2 == current.p2;
    });
    if (exact >= 0) return exact;
    return find([](const _FITEM_& e) {
      return (e.type == ft::kDpiFirekey || e.type == ft::kDpiHotkey) && e.p1 == 8 && e.p2 == 8;
    });
  }
  if (type == ft::kFireButton || type == ft::kRapidFire) {
    return find([type](const _FITEM_& e) { return e.type == type; });
  }
  return find([&current](const _FITEM_& e) { return e.Assignment() == current; });
}

}  // namespace halvric
