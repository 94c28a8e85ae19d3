#pragma once
// The read-all sequence: after a mouse is selected, its whole configuration is read into the
// working copy.

#include <string>

#include "config/working_copy.h"
#include "device/device_layer.h"
#include "device/progress.h"

namespace halvric {

enum class ReadAllResult {
  kLoaded,         // the working copy holds the mouse's configuration
  kNoDevice,       // no mouse is current
  kUninitialised,  // a level-11 mouse whose memory is not initialised: reset it, then read again
  kFailed,         // the mouse stopped answering; the working copy is not loaded
};

// Reads the mouse's whole configuration into the working copy.
ReadAllResult ReadAll(DeviceLayer& dev, WorkingCopy& wc, const ProgressFn& progress = {});

// The parts of the configuration a command can read on its own, so that a command that changes one
// setting does not wait for the whole memory. What identification has learnt (model, memory map,
// DPI step) comes with every part, and so does the signature check of level 11.
inline constexpr unsigned kReadIdentity = 0;         // identification's values alone
inline constexpr unsigned kReadStatus = 1u << 0;       // GetStatus: the active profile (below level 11 also the DPI state)
inline constexpr unsigned kReadInfoValues = 1u << 1;   // GetInfo1 and GetInfo2
inline constexpr unsigned kReadMemoryTop = 1u << 2;    // the highest memory address (a size probe on mice that report none)
inline constexpr unsigned kReadDpiState = 1u << 3;     // the current DPI level and the enable mask
inline constexpr unsigned kReadSettings = 1u << 4;     // the start of the memory: DPI table, settings byte, profile bits
inline constexpr unsigned kReadProfiles = 1u << 5;     // the whole configuration memory: profiles, names, buttons, key cycles
inline constexpr unsigned kReadMacros = 1u << 6;       // the macro directory with the macros' names and modes
inline constexpr unsigned kReadInfoEntries = 1u << 7;  // the information entries (from identification: no exchange)
inline constexpr unsigned kReadEverything = (1u << 8) - 1;

// Reads the parts the working copy does not hold yet for the current mouse (a working copy of
// another mouse is started afresh); kReadIdentity takes identification's values alone. Parts read
// before stay as they are.
ReadAllResult ReadParts(DeviceLayer& dev, WorkingCopy& wc, unsigned parts, const ProgressFn& progress = {});

// Profile record fields, as ReadAll takes them apart and the writers put them back.
std::string DecodeProfileName(const uint8_t* field, size_t size);
std::vector<uint8_t> EncodeProfileName(const std::string& name, size_t size);

}  // namespace halvric
