#include "config/connect_and_read.h"

namespace halvric {

ConnectAndReadResult ConnectAndRead(DeviceLayer& dev, ConnectOptions options, WorkingCopy& wc, const ResetOptions& reset,
                                   unsigned parts) {
  ConnectAndReadResult r;
  auto outer = options.read_all;
  options.read_all = [&](const std::string& path) {
    r.read = ReadPartsOrRepair(dev, wc, parts, reset);
    if (outer) outer(path);
  };
  r.connect = ConnectSequence(dev, options);
  return r;
}

}  // namespace halvric
