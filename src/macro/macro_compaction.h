#pragma once
// Packing the stored macros together at the start of the macro area, and allocating room for a
// new record (best fit, packing first when the free total suffices but no single gap does).

#include <cstdint>
#include <string>

#include "device/progress.h"
#include "macro/macro_store_result.h"

namespace halvric {

struct Mouse;
struct WorkingCopy;

// Reads every stored record, then writes them one after the other from the area start (records
// that already sit at their place are not rewritten), updating each directory entry and the
// buttons bound to a moved macro, and finally sends the profile reload. Records are packed in
// address order, so a record is only ever written over free space or over its own old place:
// when a transfer fails, every other macro is still intact where its directory entry says.
// Progress: 0-50 % reading, 50-100 % writing. The mode table is not touched.
MacroStoreResult CompactMacroMemory(const Mouse& m, WorkingCopy& wc,
                                    const ProgressFn& progress = {});

struct MacroAllocation {
  MacroStoreResult result = MacroStoreResult::kNoSpace;
  uint32_t start = 0;  // 0 unless result is kOk
};

// Finds `size` bytes in the macro area from the slot table (see FindMacroGaps / BestFit); when
// the free total suffices but no gap does, compacts and tries once more.
MacroAllocation AllocateMacroSpace(const Mouse& m, WorkingCopy& wc,
                                   uint32_t size, const ProgressFn& progress = {});

}  // namespace halvric
