// HID report descriptors as the kernel hands them over (any interface of any device is read).
#include <cstdlib>

#include "platform/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto summary = ParseReportDescriptor({data, size});
  if (const TopLevelCollection* primary = PrimaryCollection(summary)) {
    if (FeatureReportLength(*primary) < 0) std::abort();
    (void)primary->MaxInputBytes();
    (void)primary->MaxOutputBytes();
  }
  return 0;
}
