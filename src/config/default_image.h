#pragma once
// The configuration a mouse gets from the reset to defaults: a complete memory image for its
// protocol level.

#include <array>
#include <cstdint>
#include <vector>

#include "config/button_assignment.h"

namespace halvric {

inline constexpr uint32_t kDefaultImageSize = 8192;

// Default DPI of the five levels; stored as DPI / step.
inline constexpr std::array<int, 5> kDefaultDpi = {400, 800, 1600, 3200, 6400};
inline constexpr int kDefaultDpiLevel = 1;

// The default function of key `key` of a mouse with `keys` keys per profile: left, right, middle,
// backward, forward, DPI up, DPI down, DPI loop, profile switch; the last two keys are the
// wheel's up and down; every other key has no function.
ButtonAssignment DefaultAssignment(int key, int keys);

// 8192 bytes: signature, DPI table and state, profile records, button planes, empty key cycles
// and macro directory, every macro mode 8, lighting effect and zone table where the mouse has
// lighting, and the size-probe marker in the top two bytes.
std::vector<uint8_t> BuildDefaultImage(int protocol_level, bool lighting, int dpi_step);

}  // namespace halvric
