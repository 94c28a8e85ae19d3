#include "device/protocol_encoding.h"

#include <functional>
#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "device/mouse.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::SimRig;
using Bytes = std::vector<uint8_t>;

// The requests one command sends through each encoding: short, grouped, operation byte.
struct Case {
  const char* name;
  std::function<bool(const Mouse&)> run;
  std::array<std::vector<Bytes>, 3> sends;
};

// A sent request matches when it starts with `expected` (from byte 1 on) and is zero after it
// up to the checksum in its last byte.
void ExpectRequest(const test::WireEvent& e, const Bytes& expected, const std::string& what) {
  ASSERT_GT(e.bytes.size(), expected.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(e.bytes[i + 1], expected[i]) << what << " byte " << i + 1;
  for (size_t i = expected.size() + 1; i + 1 < e.bytes.size(); ++i) EXPECT_EQ(e.bytes[i], 0) << what << " byte " << i;
}

TEST(ProtocolEncoding, EachEncodingFramesTheCommandsAsBefore) {
  const std::vector<Case> cases = {
      {"apply DPI", [](const Mouse& m) { return m.encoding->ApplyDpiLevel(m, 2, 0x10, 0x11); },
       {{{{0x04, 0x01, 2, 0x10, 0x11, 0x00, 0x12}}, {{0x01, 0x07, 0x01, 0x10, 0x11}}, {{0x10, 0x10, 0x11}}}}},
      {"commit", [](const Mouse& m) { return m.encoding->Commit(m); },
       {{{{0x08, 0x00, 0, 0, 0, 0x0C, 0x12}}, {{0x01, 0x04}}, {{0x14}}}}},
      {"alternate commit", [](const Mouse& m) { return m.encoding->CommitAlternate(m); },
       {{{{0x08, 0x02, 0, 0, 0, 0x0C, 0x12}}, {{0x01, 0x04, 0x02}}, {{0x16}}}}},
      {"wake", [](const Mouse& m) { return m.encoding->Wake(m, 0); }, {{{}, {{0x00, 0x12, 0x12}}, {{0x00, 0x12, 0x12}}}}},
      {"lift word", [](const Mouse& m) { return m.encoding->SetWord(m, 0x1234); },
       {{{{0x04, 0x08, 0x34, 0x12, 0, 0, 0x12}},
         {{0x01, 0x07, 0x03, 0x02, 0x34, 0x12, 0, 0, 0x12}},
         {{0x01, 0x07, 0x03, 0x02, 0x34, 0x12, 0, 0, 0x12}}}}},
      {"write byte", [](const Mouse& m) { return m.encoding->WriteByte(m, 0x234, 0x5A); },
       {{{{0x05, 0x01, 0x34, 0x02, 0x00, 0x5A, 0x12}}, {{0x01, 0x03, 0x34, 0x02, 1, 0x5A}}, {{0x03, 0x34, 0x02, 1, 0x5A}}}}},
      {"write chunk",
       [](const Mouse& m) {
         const uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
         return m.encoding->WriteChunk(m, 0x345, d);
       },
       {{{{0x09, 0, 1, 2, 3, 4, 5, 6}, {0x09, 6, 7, 8}, {0x05, 0x02, 0x45, 0x03, 0x00, 8, 0x12}},
         {{0x01, 0x03, 0x45, 0x03, 8, 1, 2, 3, 4, 5, 6, 7, 8}},
         {{0x03, 0x45, 0x03, 8, 1, 2, 3, 4, 5, 6, 7, 8}}}}},
      {"status", [](const Mouse& m) { return m.encoding->GetStatus(m).ok; },
       {{{{0x04, 0x00, 0, 0, 0, 0, 0x12}}, {Bytes{}}, {Bytes{}}}}},
      {"information entry",
       [](const Mouse& m) {
         std::array<uint8_t, 4> out{};
         return m.encoding->GetInfoEntry(m, 3, out);
       },
       {{{{0x00, 0x02, 0x04, 3, 0, 0, 0x12}}, {}, {{0x0A, 3, 0x01}}}}},
      {"pairing", [](const Mouse& m) { return m.encoding->SetPair(m, 7, 9) || true; },
       {{{}, {{0x01, 0x05, 0x00, 7, 9}}, {{0x01, 0x05, 0x00, 7, 9}}}}},
      {"lighting apply", [](const Mouse& m) { return m.encoding->ApplyLighting(m); },
       {{{}, {{0x01, 0x04, 0x03}}, {{0x01, 0x04, 0x03}}}}},
      {"preview LED",
       [](const Mouse& m) { return m.encoding->SetLed(m, {2, 255, 0xA1, 0xA2, 0xA3, 0xA4}) || true; },
       {{{}, {{0x01, 0x08, 0x02, 2, 255, 0xA1, 0xA2, 0xA3, 0xA4}}, {{0x13, 2, 0xA1, 0xA2, 0xA3, 0xA4}}}}},
  };
  SimRig rig("level0,level5,level11");
  for (const Case& c : cases) {
    for (size_t e = 0; e < 3; ++e) {
      const std::string what = std::string(c.name) + " on encoding " + std::to_string(e);
      const Mouse m = MouseAt(*rig.dev, rig.PathOf(e));
      rig.backend.ClearTrace();
      EXPECT_TRUE(c.run(m)) << what;
      const auto sent = rig.SendsSinceClear();
      ASSERT_EQ(sent.size(), c.sends[e].size()) << what;
      for (size_t i = 0; i < sent.size(); ++i) ExpectRequest(sent[i], c.sends[e][i], what + " request " + std::to_string(i));
    }
  }
}

TEST(ProtocolEncoding, ReadRequestsAndStepsPerEncoding) {
  const Report s = EncodingFor(0).ReadRequest(0x12345);
  const Report g = EncodingFor(1).ReadRequest(0x1234);
  const Report o = EncodingFor(11).ReadRequest(0x1234);
  EXPECT_EQ(Bytes(s.bytes.begin() + 1, s.bytes.begin() + 8), (Bytes{0x05, 0x00, 0x45, 0x23, 0x01, 0x00, 0x12}));
  EXPECT_EQ(Bytes(g.bytes.begin() + 1, g.bytes.begin() + 6), (Bytes{0x01, 0x00, 0x00, 0x34, 0x12}));
  EXPECT_EQ(Bytes(o.bytes.begin() + 1, o.bytes.begin() + 4), (Bytes{0x02, 0x34, 0x12}));
  EXPECT_EQ(EncodingFor(0).ReadStep(), 7u);
  EXPECT_EQ(EncodingFor(10).ReadStep(), 61u);
  EXPECT_EQ(EncodingFor(40).ReadStep(), 61u);
}

TEST(ProtocolEncoding, ChosenAtIdentificationByLevel) {
  SimRig rig("level0,level5,level11");
  EXPECT_EQ(&rig.dev->Encoding(rig.PathOf(0)), &EncodingFor(0));
  EXPECT_EQ(&rig.dev->Encoding(rig.PathOf(1)), &EncodingFor(10));
  EXPECT_EQ(&rig.dev->Encoding(rig.PathOf(2)), &EncodingFor(11));
  EXPECT_NE(&EncodingFor(0), &EncodingFor(1));
  EXPECT_NE(&EncodingFor(10), &EncodingFor(11));
  // A path that was never identified gets the short encoding, as its level reads 0.
  EXPECT_EQ(&rig.dev->Encoding("/dev/nowhere"), &EncodingFor(0));
  EXPECT_EQ(rig.dev->Map(rig.PathOf(2)).zone_table, 0x500u);
}

TEST(MemoryMap, AddressesPerLevel) {
  const MemoryMap s = MemoryMapFor(0, false), two = MemoryMapFor(2, false), g = MemoryMapFor(5, true),
                  o = MemoryMapFor(11, true);
  // Only level 11 and above keep the DPI state in memory (byte 2).
  EXPECT_EQ(s.dpi_state, 0u);
  EXPECT_EQ(g.dpi_state, 0u);
  EXPECT_EQ(o.dpi_state, 2u);
  EXPECT_EQ(s.DpiX(1), 6u);
  EXPECT_EQ(o.DpiX(1), 5u);
  EXPECT_EQ(s.settings_byte, 15u);
  EXPECT_EQ(o.settings_byte, 14u);
  // Only levels 3 and above store a lighting effect.
  EXPECT_EQ(s.led_mode, 0u);
  EXPECT_EQ(two.led_mode, 0u);
  EXPECT_EQ(g.led_mode, 0x11u);
  EXPECT_EQ(g.Zone(12), 0x460u + 48);
  EXPECT_EQ(g.zone_records, 13);
  EXPECT_EQ(o.Zone(15), 0x500u + 60);
  EXPECT_EQ(o.zone_records, 16);
  EXPECT_EQ(s.ProfileColour(1), 16u + 96 + 3);
  EXPECT_EQ(o.ProfileName(2), 32u + 320 + 6);
  EXPECT_EQ(g.DirectoryEntry(3), 672u + 12);
  EXPECT_EQ(o.ModeEntry(79), 1152u + 79);
  EXPECT_EQ(MemoryMapFor(5, false).macro_area, 1120u);
  EXPECT_EQ(g.macro_area, 1200u);
  EXPECT_TRUE(s.two_bit_colours);
  EXPECT_FALSE(g.two_bit_colours);
  EXPECT_FALSE(g.checks_signature);
  EXPECT_TRUE(o.checks_signature);
}

}  // namespace
}  // namespace halvric
