#include "sim/backend_factory.h"

#include "platform/linux/hidraw_backend.h"
#include "sim/sim_hid_backend.h"
#include "sim/sim_mouse.h"

namespace halvric::sim {

Backend CreateBackend(const BackendOptions& options) {
  Backend out;
  if (options.simulate.empty()) {
    out.hid = std::make_unique<linux_hid::LinuxHidBackend>();
    return out;
  }
  auto s = std::make_unique<SimHidBackend>(options.simulate);
  if (!options.sim_state.empty()) s->SetStateFile(options.sim_state);
  if (!options.trace.empty()) s->SetTraceFile(options.trace);
  if (options.sim_latency.count() != 0) {
    for (size_t i = 0; i < s->MouseCount(); ++i) s->Mouse(i).SetLatency(options.sim_latency);
  }
  out.simulator = s.get();
  out.hid = std::move(s);
  return out;
}

}  // namespace halvric::sim
