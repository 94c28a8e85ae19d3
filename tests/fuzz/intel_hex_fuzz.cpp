// Intel HEX firmware files: any text either gives an image of the fixed size or a message.
#include <cstdlib>
#include <string_view>

#include "device/intel_hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto image = ParseIntelHex({reinterpret_cast<const char*>(data), size});
  if (!image.ok()) {
    if (image.message().empty()) std::abort();
    return 0;
  }
  if (image->bytes.size() != kFirmwareImageSize) std::abort();
  (void)FirmwareChecksum(*image);
  return 0;
}
