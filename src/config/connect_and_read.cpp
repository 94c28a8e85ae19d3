#include "config/connect_and_read.h"

namespace halvric {

ConnectAndReadResult ConnectAndRead(DeviceLayer& dev, ConnectOptions options, WorkingCopy& wc, const ResetOptions& reset) {
  ConnectAndReadResult r;
  auto outer = options.read_all;
  options.read_all = [&](const std::string& path) {
    r.read = ReadAllOrRepair(dev, wc, reset);
    if (outer) outer(path);
  };
  r.connect = ConnectSequence(dev, options);
  return r;
}

}  // namespace halvric
