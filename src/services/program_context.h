#pragma once
// The values the running program shares between its windows and worker threads: the quit flag,
// the profile and DPI level the program believes active on the mouse, the full-redraw request and
// the tag that the mouse's status and host-action reports must carry. The program creates one
// and passes it by reference; tests create as many as they like.

#include <atomic>
#include <cstdint>

namespace halvric {

// The tag the selected mouse puts in its status and host-action reports: the selection marker
// the device layer sends to the current mouse.
inline constexpr uint8_t kReportTag = 21;

struct ProgramContext {
  std::atomic<bool> quit{false};
  std::atomic<int> current_profile{-1};  // -1 until known
  std::atomic<int> current_dpi_level{0};
  std::atomic<bool> full_redraw{false};
  std::atomic<uint8_t> report_tag{kReportTag};
};

}  // namespace halvric
