#include <gtest/gtest.h>

#include "device/connect_sequence.h"
#include "device/device_commands.h"
#include "device/model_layout.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::SimRig;

TEST(Identification, EveryModelIsListedWithItsAttributes) {
  SimRig rig("level0,level5,level11,level11-blank");
  ASSERT_EQ(rig.dev->DeviceCount(), 4);
  struct Expect {
    int level, type, lighting, length;
  } expect[] = {{0, 1, 0, 9}, {5, 11, 1, 64}, {11, 19, 1, 64}, {11, 19, 1, 64}};
  for (size_t i = 0; i < 4; ++i) {
    const auto info = rig.dev->Info(rig.PathOf(i));
    ASSERT_TRUE(info) << i;
    EXPECT_EQ(info->protocol_level, expect[i].level) << i;
    EXPECT_EQ(info->type_code, expect[i].type) << i;
    EXPECT_EQ(info->lighting, expect[i].lighting) << i;
    EXPECT_EQ(info->feature_report_length, expect[i].length) << i;
    EXPECT_EQ(info->device_class, 11);
  }
  // Level 11 records get their fixed version bytes; the entries are the mouse's.
  const auto l11 = rig.dev->Info(rig.PathOf(2));
  EXPECT_EQ(l11->record[12], 5);
  EXPECT_EQ(l11->record[13], 4);
  EXPECT_EQ(rig.dev->ProtocolLevel("never/identified"), 0);
}

TEST(Identification, OnlyTheConfigurationInterfacesAreMouseInterfaces) {
  HidInterfaceInfo hi;
  hi.vendor_id = kVendorId;
  hi.interface_number = 1;
  hi.feature_report_length = 64;
  hi.usage = 1;
  hi.usage_page = 0xFF18;
  EXPECT_TRUE(DeviceLayer::IsMouseInterface(hi));
  hi.interface_number = 2;
  EXPECT_TRUE(DeviceLayer::IsMouseInterface(hi));
  hi.usage_page = 0xFF00;
  EXPECT_FALSE(DeviceLayer::IsMouseInterface(hi));

  HidInterfaceInfo mouse;
  mouse.vendor_id = kVendorId;
  mouse.interface_number = 0;
  mouse.usage_page = 1;
  mouse.usage = 2;
  mouse.feature_report_length = 9;
  EXPECT_TRUE(DeviceLayer::IsMouseInterface(mouse));
  mouse.feature_report_length = 64;
  EXPECT_FALSE(DeviceLayer::IsMouseInterface(mouse)) << "a mouse collection with long features";
  mouse.feature_report_length = 9;
  mouse.vendor_id = 0x046D;
  EXPECT_FALSE(DeviceLayer::IsMouseInterface(mouse));
}

TEST(Identification, TypeCodesTwelveToFourteenAreStoredAsNine) {
  for (int type : {12, 13, 14}) {
    sim::ModelSpec model_spec = *sim::FindModel("level11");
    model_spec.type_code = type;
    sim::SimHidBackend backend("");
    backend.AddMouse(model_spec);
    DeviceLayer dev(backend, test::TempPath("lock"));
    dev.EnumerateMice();
    ASSERT_EQ(dev.DeviceCount(), 1);
    const auto info = dev.Info("sim/0/if1");
    EXPECT_EQ(info->type_code, 9) << type;
    const ModelLayout m = DecideModelLayout(info->type_code, info->protocol_level);
    EXPECT_EQ(m.row, 1);
    EXPECT_EQ(m.buttons, 12);
  }
}

TEST(Identification, ShortMouseOfAnotherClassIsRejected) {
  sim::ModelSpec model_spec = *sim::FindModel("level0");
  model_spec.model_class = 10;
  sim::SimHidBackend backend("");
  backend.AddMouse(model_spec);
  DeviceLayer dev(backend, test::TempPath("lock"));
  dev.EnumerateMice();
  EXPECT_EQ(dev.DeviceCount(), 0);
}

TEST(ModelLayout, RowsButtonsAndKeyIndexes) {
  struct Case {
    int type, level, row, buttons;
  } cases[] = {{9, 0, 1, 12},  {0, 0, 2, 10},  {1, 0, 3, 9},  {11, 0, 4, 12}, {11, 5, 6, 11},
               {10, 5, 5, 10}, {14, 5, 5, 10}, {15, 5, 7, 8}, {18, 0, 7, 8},  {19, 11, 8, 14},
               {19, 0, 0, 10}, {21, 5, 9, 10}, {32, 0, 5, 9}, {23, 5, 10, 9}, {40, 3, 9, 10}, {40, 0, 0, 10}};
  for (const auto& c : cases) {
    const ModelLayout m = DecideModelLayout(c.type, c.level);
    EXPECT_EQ(m.row, c.row) << c.type << "/" << c.level;
    EXPECT_EQ(m.buttons, c.buttons) << c.type << "/" << c.level;
  }
  EXPECT_TRUE(DecideModelLayout(14, 5).alternate_layout);
  // Row 8 on level 11 takes the key indexes of row 11 unchanged.
  const ModelLayout r8 = DecideModelLayout(19, 11);
  EXPECT_EQ(r8.key_row, 11);
  EXPECT_EQ(r8.key_index[12], 30);
  EXPECT_EQ(r8.key_index[30], 3);
  // Other rows on level 11 edit keys 30 and 31 where older mice have keys 22 and 23.
  const ModelLayout r9 = DecideModelLayout(21, 11);
  EXPECT_EQ(r9.key_row, 9);
  EXPECT_EQ(r9.key_index[8], 30);
  EXPECT_EQ(r9.key_index[9], 31);
  EXPECT_EQ(r9.key_index[7], 6);
  EXPECT_EQ(DecideModelLayout(21, 5).key_index[8], 22);
}

TEST(Selection, SelectingTheSecondMouseMarksItAndClearsTheFirst) {
  SimRig rig("level5,level11");
  rig.backend.ClearTrace();
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(1), true));
  EXPECT_EQ(rig.backend.Mouse(0).Marker(), 0);
  EXPECT_EQ(rig.backend.Mouse(1).Marker(), kSelectedMarker);
  // The marker requests on the wire: 00 01 12 marker, once per mouse (each echoed at once).
  int to_first = 0, to_second = 0;
  for (const auto& e : rig.SendsSinceClear()) {
    if (e.bytes.size() == 64 && e.bytes[1] == 0x00 && e.bytes[2] == 0x01 && e.bytes[3] == 0x12) {
      if (e.path == rig.PathOf(0)) {
        EXPECT_EQ(e.bytes[4], 0);
        ++to_first;
      } else {
        EXPECT_EQ(e.bytes[4], kSelectedMarker);
        ++to_second;
      }
    }
  }
  EXPECT_EQ(to_first, 1);
  EXPECT_EQ(to_second, 1);
  EXPECT_EQ(rig.dev->CurrentPath(), rig.PathOf(1));
}

TEST(Selection, ShortMouseEchoesTheMarkerInByteSeven) {
  SimRig rig("level0");
  EXPECT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
  EXPECT_EQ(rig.backend.Mouse(0).Marker(), kSelectedMarker);
}

TEST(Selection, AMouseThatNeverEchoesIsGivenUp) {
  SimRig rig("level11");
  rig.backend.Mouse(0).SetGarbageAnswers(true);
  EXPECT_FALSE(rig.dev->SelectDevice(rig.PathOf(0), true));
}

TEST(Selection, UnpluggingAnotherMouseLeavesTheCurrentOneAlone) {
  SimRig rig("level5,level11");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(1), true));
  std::vector<uint8_t> buf(64);
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, rig.PathOf(1)), 0x100, buf, true));
  rig.backend.Mouse(0).SetUnplugged(true);
  rig.dev->RemoveDevice(rig.PathOf(0));
  EXPECT_EQ(rig.dev->DeviceCount(), 1);
  EXPECT_EQ(rig.dev->CurrentPath(), rig.PathOf(1));
  rig.backend.ClearTrace();
  std::vector<uint8_t> again(64);
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, rig.PathOf(1)), 0x100, again, true));
  EXPECT_EQ(again, buf);
  EXPECT_TRUE(rig.SendsSinceClear().empty()) << "the mirror still serves the current mouse";
}

TEST(ConnectSequence, FirstRunEnumeratesAndSelectsTheFirstMouse) {
  SimRig rig("level11,level0", false);
  std::string read_for = "unset";
  ConnectOptions o;
  o.first_run = true;
  o.read_all = [&](const std::string& p) { read_for = p; };
  const ConnectResult r = ConnectSequence(*rig.dev, o);
  EXPECT_EQ(r.path, rig.PathOf(0));
  EXPECT_TRUE(r.selected);
  EXPECT_EQ(read_for, r.path);
  EXPECT_EQ(r.layout.row, 8);
  EXPECT_EQ(r.layout.buttons, 14);

  o.first_run = false;
  o.requested_path = rig.PathOf(1);
  const ConnectResult r2 = ConnectSequence(*rig.dev, o);
  EXPECT_EQ(r2.path, rig.PathOf(1));
  EXPECT_EQ(r2.layout.row, 3);
}

TEST(ConnectSequence, NoMouseStillRunsTheReadAllStep) {
  sim::SimHidBackend backend("");
  DeviceLayer dev(backend, test::TempPath("lock"));
  bool ran = false;
  ConnectOptions o;
  o.first_run = true;
  o.read_all = [&](const std::string& p) { ran = p.empty(); };
  EXPECT_TRUE(ConnectSequence(dev, o).path.empty());
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace halvric
