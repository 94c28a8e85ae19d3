// Backup files: a file that decodes encodes back to the same image.
#include <cstdlib>

#include "config/backup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto image = DecodeBackupFile({data, size});
  if (!image.ok()) {
    if (image.message().empty()) std::abort();
    return 0;
  }
  const auto again = DecodeBackupFile(EncodeBackupFile(*image));
  if (!again.ok() || *again != *image) std::abort();
  return 0;
}
