#include "app/sim_hotplug_source.h"

#include "sim/sim_mouse.h"

namespace halvric {

bool SimHotplugSource::Start(Callbacks callbacks, std::string* error) {
  std::lock_guard l(mu_);
  if (thread_.joinable()) {
    if (error != nullptr) *error = "already running";
    return false;
  }
  callbacks_ = std::move(callbacks);
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void SimHotplugSource::Stop() {
  std::jthread t;
  {
    std::lock_guard l(mu_);
    t = std::move(thread_);
  }
  if (t.joinable()) {
    t.request_stop();
    t.join();
  }
}

bool SimHotplugSource::Running() const {
  std::lock_guard l(mu_);
  return thread_.joinable();
}

bool SimHotplugSource::Plugged(size_t index) const {
  if (index >= backend_.MouseCount()) return false;
  return !backend_.Mouse(index).Unplugged();
}

bool SimHotplugSource::Unplug(size_t index) { return Change(index, false); }
bool SimHotplugSource::Plug(size_t index) { return Change(index, true); }

bool SimHotplugSource::Change(size_t index, bool plugged) {
  if (index >= backend_.MouseCount()) return false;
  sim::SimMouse& mouse = backend_.Mouse(index);
  if (mouse.Unplugged() != plugged) return false;
  mouse.SetUnplugged(!plugged);
  std::lock_guard l(mu_);
  for (const HidInterfaceInfo& info : backend_.InterfacesOf(index)) events_.emplace_back(plugged, info.path);
  wake_.notify_all();
  return true;
}

void SimHotplugSource::Run(std::stop_token stop) {
  std::unique_lock l(mu_);
  while (true) {
    wake_.wait(l, stop, [this] { return !events_.empty(); });
    if (stop.stop_requested()) return;
    const auto [added, path] = events_.front();
    events_.pop_front();
    const Callbacks cb = callbacks_;
    l.unlock();
    if (added && cb.added) cb.added(path);
    if (!added && cb.removed) cb.removed(path);
    l.lock();
  }
}

}  // namespace halvric
