// The mouse's vendor input reports: a stream of reports of any length goes through validation,
// decoding, the on-screen display's state and the program's state, as the report readers pass
// them. The input is split into reports by a length byte before each.
#include <cstdlib>
#include <span>

#include "services/mouse_status.h"
#include "services/osd_state.h"
#include "services/program_context.h"
#include "services/report_dispatcher.h"
#include "services/vendor_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  ProgramContext context;
  MouseStatus status(context);
  OsdState osd;
  int profile_seen = 0;
  ReportHandlers handlers;
  // The profile is three bits of the report; the windows ignore numbers beyond the five profiles.
  handlers.profile_changed = [&](int profile) {
    if (profile < 0 || profile > 7) std::abort();
    ++profile_seen;
  };
  handlers.dpi_values = [](int level, uint8_t, uint8_t) {
    if (level < 0 || level > 4) std::abort();
  };
  handlers.movement = [](const MovementReport&) {};
  handlers.status = [](const StatusReport&) {};
  ReportDispatcher dispatcher(context, status, osd, handlers);
  std::span<const uint8_t> rest(data, size);
  while (!rest.empty()) {
    const std::size_t length = std::min<std::size_t>(rest[0], rest.size() - 1);
    const auto report = rest.subspan(1, length);
    rest = rest.subspan(1 + length);
    (void)dispatcher.DispatchReport(report);
    (void)osd.Pass();
    (void)osd.View();
    (void)ReportXor(report);
  }
  return 0;
}
