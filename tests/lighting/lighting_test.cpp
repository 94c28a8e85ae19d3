#include <deque>
#include <gtest/gtest.h>

#include "lighting/colour_picker.h"
#include "lighting/lighting_operations.h"
#include "lighting/preview_model.h"
#include "support/sim_fixture.h"

namespace halvric::lighting {
namespace {

using test::SimRig;
using test::WireEvent;

std::vector<uint8_t> Head(const WireEvent& e, size_t n) { return {e.bytes.begin() + 1, e.bytes.begin() + 1 + static_cast<long>(n)}; }

TEST(LedZoneRecord, FlagsChooseColourAndMode) {
  const Rgb fallback{1, 2, 3};
  const auto zones = DecodeZoneRecords(std::vector<uint8_t>{0x80, 0xFF, 0, 0, 0xC0, 0, 0, 0xFF, 0x00, 0x12, 0x34, 0x56});
  ASSERT_EQ(zones.size(), 3u);
  ZoneLook red = LookOf(zones[0], fallback);
  EXPECT_EQ(red.colour, (Rgb{255, 0, 0}));
  EXPECT_FALSE(red.always_on);
  ZoneLook blue = LookOf(zones[1], fallback);
  EXPECT_EQ(blue.colour, (Rgb{0, 0, 255}));
  EXPECT_TRUE(blue.always_on);
  EXPECT_EQ(LookOf(zones[2], fallback).colour, fallback);
}

TEST(LightingOperations, ZoneFiveIsStoredWhereEachLevelKeepsIt) {
  SimRig rig("level5,level11");
  const LedZoneRecord rec = OwnColourRecord({0x10, 0x20, 0x30}, true);

  rig.backend.ClearTrace();
  ASSERT_TRUE(SetZoneColour(MouseAt(*rig.dev, rig.PathOf(0)), 5, rec));
  auto sends = rig.SendsSinceClear();
  auto write = std::find_if(sends.begin(), sends.end(), [](const WireEvent& e) { return e.bytes[2] == 0x03; });
  ASSERT_NE(write, sends.end());
  EXPECT_EQ(Head(*write, 9), (std::vector<uint8_t>{0x01, 0x03, 0x74, 0x04, 4, 0xC0, 0x10, 0x20, 0x30}));
  ASSERT_NE(write + 1, sends.end());
  EXPECT_EQ(Head(*(write + 1), 4), (std::vector<uint8_t>{0x01, 0x04, 0x03, 0x00}));
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0x474, 4), (std::vector<uint8_t>{0xC0, 0x10, 0x20, 0x30}));

  rig.backend.ClearTrace();
  ASSERT_TRUE(SetZoneColour(MouseAt(*rig.dev, rig.PathOf(1)), 5, rec));
  sends = rig.SendsSinceClear();
  write = std::find_if(sends.begin(), sends.end(), [](const WireEvent& e) { return e.bytes[1] == 0x03; });
  ASSERT_NE(write, sends.end());
  EXPECT_EQ(Head(*write, 4), (std::vector<uint8_t>{0x03, 0x14, 0x05, 4}));
  for (auto it = write + 1; it != sends.end(); ++it) EXPECT_NE(it->bytes[1], 0x01) << "no lighting request after the write";
  EXPECT_EQ(rig.backend.Mouse(1).ReadMemory(0x514, 4), (std::vector<uint8_t>{0xC0, 0x10, 0x20, 0x30}));
}

TEST(LightingOperations, MiceWithoutLightingAndInvalidEffectsGetNothing) {
  SimRig rig("level0,level11");
  rig.backend.ClearTrace();
  std::vector<LedZoneRecord> zones;
  EXPECT_EQ(GetLedMode(MouseAt(*rig.dev, rig.PathOf(0))), 0);
  EXPECT_FALSE(SetLedMode(MouseAt(*rig.dev, rig.PathOf(0)), 2));
  EXPECT_FALSE(ReadLightingBlock(MouseAt(*rig.dev, rig.PathOf(0)), zones));
  EXPECT_FALSE(SetLed(MouseAt(*rig.dev, rig.PathOf(0)), 1, OwnColourRecord({1, 2, 3}, true)));
  EXPECT_FALSE(LightingCommit(MouseAt(*rig.dev, rig.PathOf(0))));

  const std::string l11 = rig.PathOf(1);
  ASSERT_TRUE(SetLedMode(MouseAt(*rig.dev, l11), 4));
  EXPECT_EQ(rig.backend.Mouse(1).LedMode(), 4);
  const auto table_before = rig.backend.Mouse(1).ReadMemory(0x500, 64);
  rig.backend.ClearTrace();
  EXPECT_FALSE(SetLedMode(MouseAt(*rig.dev, l11), 5));
  EXPECT_TRUE(rig.backend.TraceLines().empty());
  EXPECT_EQ(rig.dev->CurrentLedMode(), 4);
  EXPECT_EQ(GetLedMode(MouseAt(*rig.dev, l11)), 4);
  EXPECT_EQ(rig.backend.Mouse(1).ReadMemory(0x500, 64), table_before);
}

TEST(ColourPicker, CancelRestoresEveryPreviewedZoneWithoutWritingMemory) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  sim::SimMouse& mouse = rig.backend.Mouse(0);
  ASSERT_TRUE(SetZoneColour(MouseAt(*rig.dev, path), 2, OwnColourRecord({9, 8, 7}, false)));
  ASSERT_TRUE(LightingCommit(MouseAt(*rig.dev, path)));
  std::vector<LedZoneRecord> records;
  ASSERT_TRUE(ReadLightingBlock(MouseAt(*rig.dev, path), records));
  const auto memory_before = mouse.ReadMemory(0, 16384);
  std::vector<std::array<uint8_t, 4>> lights_before;
  for (int z = 0; z < 16; ++z) lights_before.push_back(mouse.LiveZone(z));

  ColourPicker picker(MouseAt(*rig.dev, path), PickerTarget::All({4, 2, 1}), records);
  EXPECT_EQ(picker.zones(), (std::vector<int>{1, 2, 4}));
  // Opens with the first chosen zone, which has no colour of its own: its flags, the default colour.
  const auto info = rig.dev->Info(path);
  ASSERT_TRUE(info.has_value());
  ASSERT_FALSE(records[4].own_colour());
  EXPECT_EQ(picker.Current().flags, records[4].flags);
  EXPECT_EQ(picker.Current().colour(), ModelLightingFor(info->type_code, info->generation).default_colour);
  rig.backend.ClearTrace();
  picker.SetColour({0xFF, 0x80, 0x00});
  picker.SetAlwaysOn(false);
  picker.SetSlider(2, 109, 10, 100);  // blue = 100 x 255 / 100
  EXPECT_EQ(picker.ColourValue(), 0xFF80FFu);
  EXPECT_EQ(mouse.LiveZone(2), (std::array<uint8_t, 4>{0x80, 0xFF, 0x80, 0xFF}));
  picker.Cancel();
  for (const WireEvent& e : rig.SendsSinceClear()) EXPECT_EQ(e.bytes[1], 0x13) << "only previews";
  for (int z = 0; z < 16; ++z) EXPECT_EQ(mouse.LiveZone(z), lights_before[static_cast<size_t>(z)]) << z;
  EXPECT_EQ(mouse.ReadMemory(0, 16384), memory_before);

  picker.SetColour({0, 0x40, 0});
  ASSERT_TRUE(picker.Ok());
  EXPECT_EQ(mouse.ReadMemory(0x504, 4), (std::vector<uint8_t>{0x80, 0, 0x40, 0}));
  EXPECT_EQ(mouse.ReadMemory(0x510, 4), (std::vector<uint8_t>{0x80, 0, 0x40, 0}));
  EXPECT_EQ(mouse.ReadMemory(0x50C, 4), std::vector<uint8_t>(memory_before.begin() + 0x50C, memory_before.begin() + 0x510));
}

// A zone without its own colour is pictured in the model's default colour; the picker opens at
// that colour (not at its record's unused bytes), and Cancel still restores the record as it was.
TEST(ColourPicker, OpensAtTheColourTheZoneIsShownIn) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  const Mouse mouse = MouseAt(*rig.dev, path);
  LedZoneRecord plain;
  plain.flags = kZoneAlwaysOn;
  plain.red = 0x12;
  plain.green = 0x34;
  plain.blue = 0x56;
  ASSERT_TRUE(SetZoneColour(mouse, 3, plain));
  ASSERT_TRUE(SetZoneColour(mouse, 5, OwnColourRecord({1, 2, 3}, true)));
  std::vector<LedZoneRecord> records;
  ASSERT_TRUE(ReadLightingBlock(mouse, records));
  const auto info = rig.dev->Info(path);
  ASSERT_TRUE(info.has_value());
  const Rgb shown = ModelLightingFor(info->type_code, info->generation).default_colour;
  ASSERT_NE(shown, (Rgb{0x12, 0x34, 0x56}));

  ColourPicker one(mouse, PickerTarget::One(3), records);
  EXPECT_EQ(one.Current().colour(), shown);
  EXPECT_TRUE(one.Current().always_on()) << "the mode is the record's";
  EXPECT_EQ(one.ColourValue(), (uint32_t{shown[0]} << 16) | (uint32_t{shown[1]} << 8) | shown[2]);
  ASSERT_TRUE(one.Cancel());
  EXPECT_EQ(rig.backend.Mouse(0).LiveZone(3), (std::array<uint8_t, 4>{kZoneAlwaysOn, 0x12, 0x34, 0x56}));

  // A zone with its own colour opens at it; "Set all lights" opens at the first chosen zone's.
  EXPECT_EQ(ColourPicker(mouse, PickerTarget::One(5), records).Current().colour(), (Rgb{1, 2, 3}));
  EXPECT_EQ(ColourPicker(mouse, PickerTarget::All({3, 5}), records).Current().colour(), shown);
}

// A scripted random source: the values given, then zeros.
RandomFn Script(std::deque<uint32_t> values) {
  return [v = std::move(values)]() mutable {
    if (v.empty()) return uint32_t{1};
    const uint32_t x = v.front();
    v.pop_front();
    return x;
  };
}

TEST(PreviewModel, PhaseBreathesBetweenZeroAndTheTop) {
  PreviewModel m(ModelLightingFor(19, 40));
  std::vector<LedZoneRecord> records(13, OwnColourRecord({0, 255, 0}, false));
  records[0] = OwnColourRecord({255, 0, 0}, true);
  m.FillCustomize(records);
  std::vector<int> phases;
  for (int i = 0; i < 45; ++i) {
    m.Tick();
    phases.push_back(m.phase());
  }
  EXPECT_EQ(phases[21], 440);
  EXPECT_EQ(phases[22], 300) << "past the top it falls from 300";
  EXPECT_EQ(phases[37], 0);
  EXPECT_EQ(phases[38], 0) << "below 0 it stays at 0";
  EXPECT_EQ(phases[39], 20) << "and rises again";
  EXPECT_EQ(m.zones()[0].brightness, 255) << "Always ON";
  EXPECT_EQ(m.zones()[1].brightness, std::min(m.phase(), 255)) << "Breathe";
}

TEST(PreviewModel, TheSixStateCycleAndItsRandomTransitions) {
  PreviewModel wave(ModelLightingFor(11, 32));
  wave.FillPreset(1);
  EXPECT_EQ(wave.zones()[0].colour, (Rgb{255, 0, 0}));
  for (int i = 0; i < 7; ++i) wave.Tick();  // green rises by 40: 255 after seven ticks
  EXPECT_EQ(wave.zones()[0].colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(wave.zones()[0].state, 1);
  int ticks = 7;
  while (wave.zones()[0].state != 0 && ticks < 100) {
    wave.Tick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 42) << "six ramps of seven ticks";
  EXPECT_EQ(wave.zones()[0].colour, (Rgb{255, 0, 0}));

  // Effect 3: a draw of 0 for zone 0's chance of one in five jumps it to the next state at once.
  PreviewModel random1(ModelLightingFor(19, 40), Script({0}));
  random1.FillPreset(3);
  random1.Tick();
  EXPECT_EQ(random1.zones()[0].state, 1);
  EXPECT_EQ(random1.zones()[0].colour, (Rgb{255, 255, 0}));
  EXPECT_EQ(random1.zones()[1].colour, (Rgb{0, 255, 10})) << "no jump: a step of 10";

  // Effect 4: a zone at the end of its ramp waits for a draw of 5 modulo 9.
  std::deque<uint32_t> draws(11 * 26, 0);
  draws.push_back(14);
  PreviewModel random2(ModelLightingFor(19, 40), Script(draws));
  random2.FillPreset(4);
  for (int i = 0; i < 26; ++i) random2.Tick();
  EXPECT_EQ(random2.zones()[0].state, 0);
  EXPECT_EQ(random2.zones()[0].colour, (Rgb{255, 255, 0}));
  random2.Tick();
  EXPECT_EQ(random2.zones()[0].state, 1);
}

}  // namespace
}  // namespace halvric::lighting
