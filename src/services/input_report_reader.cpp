#include "services/input_report_reader.h"

#include <algorithm>
#include <array>
#include <chrono>

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

InputReportReader::InputReportReader(HidBackend& backend, Sink sink, GoneFn gone, int poll_ms)
    : backend_(backend), sink_(std::move(sink)), gone_(std::move(gone)), poll_ms_(poll_ms) {}

InputReportReader::~InputReportReader() { Stop(); }

bool InputReportReader::Add(const std::string& path, std::string* error) {
  std::lock_guard l(mu_);
  for (auto it = readers_.begin(); it != readers_.end(); ++it) {
    if (it->path != path) continue;
    if (!it->done->load()) {
      if (error != nullptr) *error = "already being read";
      return false;
    }
    Finish(*it);
    readers_.erase(it);
    break;
  }
  std::shared_ptr<HidHandle> handle = backend_.Open(path, error);
  if (!handle) return false;
  Reader& r = readers_.emplace_back();
  r.path = path;
  r.handle = handle;
  r.done = std::make_shared<std::atomic<bool>>(false);
  r.thread = std::jthread([this, path, h = std::move(handle), done = r.done](std::stop_token stop) mutable {
    Run(stop, std::move(h), path);
    done->store(true);
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
  for (Reader& r : readers) Finish(r);
}

void InputReportReader::Finish(Reader& r) {
  r.thread.request_stop();
  // A read that began just before the stop request may have missed the cancel: cancel until the
  // thread has left its loop.
  while (!r.done->load()) {
    r.handle->CancelIo();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (r.thread.joinable()) r.thread.join();
}

std::vector<std::string> InputReportReader::Paths() const {
  std::lock_guard l(mu_);
  std::vector<std::string> paths;
  for (const Reader& r : readers_) paths.push_back(r.path);
  return paths;
}

void InputReportReader::Run(std::stop_token stop, std::shared_ptr<HidHandle> handle, std::string path) {
  std::array<uint8_t, kInputReportBufferSize> buf{};
  while (!stop.stop_requested()) {
    const int n = handle->ReadInput(buf, poll_ms_);
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
