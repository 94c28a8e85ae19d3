// The backend both programs build from their options: hidraw or the simulated mice with their
// state file, wire trace and latency.

#include "sim/backend_factory.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

#include "raw_exchange.h"
#include "sim/sim_hid_backend.h"

namespace halvric::sim {
namespace {

namespace fs = std::filesystem;
using test::Exchange;
using test::LongRequest;

TEST(BackendFactory, NoModelsMeansRealMice) {
  Backend b = CreateBackend({});
  EXPECT_TRUE(b.hid);
  EXPECT_EQ(b.simulator, nullptr);
  EXPECT_THROW(CreateBackend({"level11,level99", {}, {}, {}}), std::invalid_argument);
}

TEST(BackendFactory, SimulatedMiceWithStateFileTraceAndLatency) {
  const fs::path dir = fs::path(::testing::TempDir()) / "backend_factory";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string state = (dir / "mice.json").string();
  const std::string trace = (dir / "wire.trace").string();
  {
    Backend b = CreateBackend({"level0, level11", state, trace, std::chrono::milliseconds(3)});
    ASSERT_NE(b.simulator, nullptr);
    EXPECT_EQ(static_cast<HidBackend*>(b.simulator), b.hid.get());
    ASSERT_EQ(b.simulator->MouseCount(), 2u);

    // Which mouse a path belongs to, for the windows' developer keys.
    EXPECT_EQ(b.simulator->MouseOfPath("sim/1/if1"), 1u);
    EXPECT_EQ(b.simulator->MouseOfPath("sim/0/if0"), 0u);
    EXPECT_FALSE(b.simulator->MouseOfPath("sim/7/if1"));
    EXPECT_FALSE(b.simulator->MouseOfPath("/dev/hidraw0"));

    auto h = b.hid->Open("sim/1/if1");
    ASSERT_TRUE(h);
    const auto start = std::chrono::steady_clock::now();
    Exchange(*h, LongRequest({0x03, 0x00, 0x07, 2, 0x5A, 0xA5}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3));
  }
  std::ifstream lines(trace);
  std::string first;
  ASSERT_TRUE(std::getline(lines, first));
  EXPECT_EQ(first.rfind("S sim/1/if1 01 03 00 07 02 5a a5", 0), 0u) << first;

  // The state file holds the write, and only the state, its lock and the trace are left.
  Backend again = CreateBackend({"level0,level11", state, {}, {}});
  EXPECT_EQ(again.simulator->Mouse(1).ReadMemory(0x700, 2), (std::vector<uint8_t>{0x5A, 0xA5}));
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 3);
}

}  // namespace
}  // namespace halvric::sim
