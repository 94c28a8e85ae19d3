#pragma once
// How a simulated mouse identifies itself: its indexed strings 198 and 199, the 256-byte device
// record that long-report firmware hands out, and the information entries.

#include <array>
#include <cstdint>
#include <vector>

#include "sim/sim_models.h"

namespace halvric::sim {

// Raw payload of string descriptor `index`; empty when the mouse has no such string.
std::vector<uint8_t> IndexedStringPayload(const ModelSpec& model, int index);

// The device record: information values at 2-13 and 16, information entries at 72 + 4 i.
std::array<uint8_t, 256> DeviceRecord(const ModelSpec& model);

// Information entry i (the factory function of key i; a first value above 50 means none).
std::array<uint8_t, 4> InfoEntry(const ModelSpec& model, int i);

}  // namespace halvric::sim
