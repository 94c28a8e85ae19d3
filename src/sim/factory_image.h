#pragma once
// What a simulated mouse holds when it leaves the factory: the memory image of its default
// configuration and the factory function of every button.

#include <array>
#include <cstdint>
#include <vector>

#include "sim/sim_models.h"

namespace halvric::sim {

// The factory function of key `key` as a four-byte button assignment (type, p1, p2, p3).
std::array<uint8_t, 4> FactoryAssignment(const ModelSpec& model, int key);

// The whole memory (model.memory_size bytes). Blank models get all 0xFF.
std::vector<uint8_t> FactoryImage(const ModelSpec& model);

}  // namespace halvric::sim
