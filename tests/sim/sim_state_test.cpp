// The simulated mouse's state: JSON round trip, malformed states, and the shared state file.

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "raw_exchange.h"
#include "sim/sim_hid_backend.h"

namespace halvric::sim {
namespace {

using test::Exchange;
using test::LongRequest;

std::string FreshPath(const std::string& name) {
  const std::string path = ::testing::TempDir() + name;
  std::remove(path.c_str());
  std::remove((path + ".lock").c_str());
  return path;
}

TEST(SimState, JsonRoundTripAndMalformedStates) {
  SimMouse a(*FindModel("level11"));
  a.WriteMemory(0x700, std::vector<uint8_t>{1, 2, 3});
  a.PressProfileButton(3);
  a.PressDpiButton(4);
  nlohmann::json saved = a.Save();

  SimMouse b(*FindModel("level11"));
  b.Load(saved);
  EXPECT_EQ(b.ReadMemory(0x700, 3), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(b.ActiveProfile(), 3);
  EXPECT_EQ(b.DpiLevel(), 4);
  EXPECT_EQ(b.Save(), saved);

  SimMouse c(*FindModel("level5"));
  EXPECT_THROW(c.Load(saved), std::runtime_error);  // another model
  nlohmann::json broken = saved;
  broken["memory"] = "zz";
  EXPECT_THROW(b.Load(broken), std::runtime_error);
  broken = saved;
  broken["live"]["active_profile"] = 9;
  EXPECT_THROW(b.Load(broken), std::runtime_error);
  broken = saved;
  broken["live"].erase("zones");
  EXPECT_THROW(b.Load(broken), std::runtime_error);
  EXPECT_EQ(b.Save(), saved);  // unchanged by the failed loads
}

TEST(SimState, StateFileCarriesMemoryAcrossBackends) {
  const std::string path = FreshPath("sim_state_roundtrip.json");
  {
    SimHidBackend backend("level11");
    backend.SetStateFile(path);
    auto h = backend.Open("sim/0/if1");
    Exchange(*h, LongRequest({0x03, 0x00, 0x07, 2, 0x5A, 0xA5}));
    Exchange(*h, LongRequest({0x00, 0x01, 0x12, 0x15}));
  }
  {
    SimHidBackend backend("");  // takes the models from the file
    backend.SetStateFile(path);
    ASSERT_EQ(backend.MouseCount(), 1u);
    EXPECT_EQ(backend.Mouse(0).ReadMemory(0x700, 2), (std::vector<uint8_t>{0x5A, 0xA5}));
    EXPECT_EQ(backend.Mouse(0).Marker(), 0x15);
    // Changes through the API are saved when the backend goes.
    backend.Mouse(0).PressProfileButton(4);
  }
  {
    SimHidBackend backend("level11");
    backend.SetStateFile(path);
    EXPECT_EQ(backend.Mouse(0).ActiveProfile(), 4);
    SimHidBackend other("level0");
    EXPECT_THROW(other.SetStateFile(path), std::invalid_argument);
  }
  {
    std::ofstream(path) << "{ not json";
    SimHidBackend backend("level11");
    EXPECT_THROW(backend.SetStateFile(path), std::runtime_error);
  }
}

// A state file the backend refuses is the user's file, not ours: it is never written, neither at
// once nor when handles close, the state is saved or the backend goes.
TEST(SimState, RefusedStateFilesAreNeverWritten) {
  std::string valid;
  {
    SimHidBackend backend("level11");
    valid = nlohmann::json{{"format", "halvric-sim-state"}, {"version", 1}, {"models", {"level11"}},
                           {"mice", {backend.Mouse(0).Save()}}}
                .dump();
  }
  nlohmann::json bad_mouse = nlohmann::json::parse(valid);
  bad_mouse["mice"][0]["memory"] = "zz";
  nlohmann::json unknown = nlohmann::json::parse(valid);
  unknown["models"] = {"level11", "level99"};
  unknown["mice"].push_back(unknown["mice"][0]);
  nlohmann::json uneven = nlohmann::json::parse(valid);
  uneven["mice"].push_back(uneven["mice"][0]);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"not JSON", "important notes, not JSON\n"},
      {"JSON of something else", R"({"hello": 1})"},
      {"no consistent lists", uneven.dump()},
      {"a model that does not exist", unknown.dump()},
      {"a mouse state that does not load", bad_mouse.dump()},
      {"another model's state", R"({"format":"halvric-sim-state","version":1,"models":["level0"],"mice":[{}]})"},
  };
  for (const auto& [what, text] : refused) {
    for (const char* models : {"level11", ""}) {
      const std::string path = FreshPath("sim_state_refused.json");
      std::ofstream(path) << text;
      {
        SimHidBackend backend(models);
        EXPECT_ANY_THROW(backend.SetStateFile(path)) << what;
        if (backend.MouseCount() > 0) {
          backend.Mouse(0).PressProfileButton(2);
          if (auto h = backend.Open(backend.InterfacesOf(0).front().path)) h.reset();
        }
        backend.SaveState();
        EXPECT_EQ(backend.MouseCount(), std::string(models).empty() ? 0u : 1u) << what << ": no mouse of a refused file";
      }
      std::ifstream in(path);
      const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(after, text) << what << " (models \"" << models << "\")";
    }
  }
}

// Two backends (as two processes would) on one state file, writing in turns: every write of
// both must end in the file.
TEST(SimState, TwoBackendsOnOneFileLoseNoWrite) {
  const std::string path = FreshPath("sim_state_shared.json");
  constexpr int kWrites = 40;
  auto writer = [&path](uint8_t base) {
    SimHidBackend backend("level5");
    backend.SetTraceInMemory(false);
    backend.SetStateFile(path);
    for (int i = 0; i < kWrites; ++i) {
      auto h = backend.Open("sim/0/if1");
      ASSERT_TRUE(h);
      const auto addr = static_cast<uint16_t>(0x800 + base + 2 * i);
      Exchange(*h, LongRequest({0x01, 0x03, static_cast<uint8_t>(addr & 0xFF),
                                static_cast<uint8_t>(addr >> 8), 1, static_cast<uint8_t>(i + 1)}));
    }
  };
  std::thread a(writer, 0);
  std::thread b(writer, 1);
  a.join();
  b.join();

  SimHidBackend check("level5");
  check.SetStateFile(path);
  const auto mem = check.Mouse(0).ReadMemory(0x800, 2 * kWrites);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(mem[2 * i], i + 1) << i;
    EXPECT_EQ(mem[2 * i + 1], i + 1) << i;
  }
}

}  // namespace
}  // namespace halvric::sim
