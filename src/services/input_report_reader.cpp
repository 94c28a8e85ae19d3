#include "services/input_report_reader.h"

#include <algorithm>
#include <array>

#include "device/device_info.h"

namespace halvric {

std::vector<HidInterfaceInfo> VendorInputInterfaces(const std::vector<HidInterfaceInfo>& all,
                                                    bool with_feature_interfaces) {
  std::vector<HidInterfaceInfo> out;
  for (const HidInterfaceInfo& info : all) {
    if (info.vendor_id != kVendorId || info.usage != 1) continue;
    if (info.usage_page != 0xFF23 && info.usage_page != 0xFF18) continue;
    if (!with_feature_interfaces && info.feature_report_length > 0) continue;
    out.push_back(info);
  }
  return out;
}

InputReportReader::InputReportReader(HidBackend& backend, Sink sink, GoneFn gone)
    : backend_(backend), sink_(std::move(sink)), gone_(std::move(gone)) {}

InputReportReader::~InputReportReader() { Stop(); }

bool InputReportReader::Add(const std::string& path, std::string* error) {
  std::lock_guard l(mu_);
  if (std::any_of(readers_.begin(), readers_.end(), [&](const Reader& r) { return r.path == path; })) {
    if (error != nullptr) *error = "already being read";
    return false;
  }
  std::unique_ptr<HidHandle> handle = backend_.Open(path, error);
  if (!handle) return false;
  Reader& r = readers_.emplace_back();
  r.path = path;
  r.thread = std::jthread([this, path, h = std::move(handle)](std::stop_token stop) mutable {
    Run(stop, std::move(h), path);
  });
  return true;
}

void InputReportReader::Stop() {
  std::vector<Reader> readers;
  {
    std::lock_guard l(mu_);
    readers.swap(readers_);
  }
  for (Reader& r : readers) r.thread.request_stop();
  for (Reader& r : readers) {
    if (r.thread.joinable()) r.thread.join();
  }
}

std::vector<std::string> InputReportReader::Paths() const {
  std::lock_guard l(mu_);
  std::vector<std::string> paths;
  for (const Reader& r : readers_) paths.push_back(r.path);
  return paths;
}

void InputReportReader::Run(std::stop_token stop, std::unique_ptr<HidHandle> handle, std::string path) {
  std::array<uint8_t, kInputReportBufferSize> buf{};
  while (!stop.stop_requested()) {
    const int n = handle->ReadInput(buf, kInputPollMs);
    if (n < 0) {
      if (gone_) gone_(path);
      break;
    }
    // A report that fills the whole buffer may have been cut short: drop it.
    if (n == 0 || static_cast<size_t>(n) >= buf.size() || stop.stop_requested()) continue;
    sink_(path, std::span<const uint8_t>(buf.data(), static_cast<size_t>(n)));
    delivered_.fetch_add(1);
  }
  handle->CancelIo();
}

}  // namespace halvric
