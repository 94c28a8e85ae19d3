#pragma once
// The ready-made functions the button setting dialog offers on its "Mouse" and "Advanced"
// pages, the types hidden for some button positions, and the dialog's display filter.

#include <span>
#include <string>
#include <vector>

#include "config/button_assignment.h"
#include "device/device_info.h"

namespace halvric {

class TextTables;

inline constexpr int kCataloguePageMouse = 0;
inline constexpr int kCataloguePageAdvanced = 2;
// Icon resource numbers of catalogue entries are this base plus the entry's row (1..41).
inline constexpr int kCatalogueIconBase = 500;

// One entry of the catalogue.
struct _FITEM_ {
  int image = 0;     // icon resource number
  int type = 0;
  int p1 = 0;
  int p2 = 0;
  int p3 = 0;
  std::string name;  // copy of the current text when the list was built
  int category = 0;  // dialog page: kCataloguePageMouse or kCataloguePageAdvanced
  int enabled = 1;
  float highlight = 0.0f;

  ButtonAssignment Assignment() const { return ButtonAssignment::Make(type, p1, p2, p3); }
};

// The catalogue in display order for the current device: "Adjust lift" is left out for type
// code 15 below protocol level 10; the game-pad entries only come with the game-pad flag.
std::vector<_FITEM_> BuildFunctionCatalogue(const TextTables& texts, int type_code, int protocol_level,
                                            bool gamepad);

// What identification learnt that the catalogue depends on: the extended flag of string 199
// (short-report mice only; 0 on the others). Set (non-zero), it is the game-pad flag that offers
// the game-pad entries; its value is the device flag that hides types on positions 12 and 13.
inline bool GamepadFlag(const DeviceInfo& info) { return info.extended_flag != 0; }
inline int HiddenTypesDeviceFlag(const DeviceInfo& info) { return info.extended_flag; }

// The catalogue for an identified mouse: its type code, its protocol level and its game-pad flag.
std::vector<_FITEM_> BuildFunctionCatalogue(const TextTables& texts, const DeviceInfo& info);

// The eight types the dialog must not offer for some button positions.
std::span<const int> HiddenTypeList();
// The hidden types for a (mapped) button position: the list for positions 14 and 15 on protocol
// level 0, 12 and 13 on level 0 with the device flag set, 22 and 23 below level 11, 30 and 31
// from level 11; else none.
std::vector<int> HiddenTypesForPosition(int position, int protocol_level, int device_flag);

// The dialog's display filter: "Adjust lift" only for type codes 2, 3, 6 and 15; no hidden type.
bool IsCatalogueEntryShown(const _FITEM_& item, int type_code, std::span<const int> hidden_types);

// The entry to select when the dialog opens on `current`: for DPI firekey/hotkey the entry with
// the same resolutions, else the one with 8 x 8; for fire button and rapid fire the first entry
// of that type; otherwise the first entry equal in all four bytes. -1 when none.
int PreselectedCatalogueEntry(std::span<const _FITEM_> catalogue, const ButtonAssignment& current);

}  // namespace halvric
