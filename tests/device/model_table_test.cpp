#include "device/model_table.h"

#include <gtest/gtest.h>

#include "device/model_layout.h"

namespace halvric {
namespace {

// A new row must fit the artwork and the key rows: every drawn button has a key to edit.
TEST(ModelTable, EveryRowFitsThePicturesAndKeyRows) {
  for (int type = -1; type <= 40; ++type) {
    const ModelRow& row = ModelRowFor(type);
    for (const ModelPicture& p : {row.short_picture, row.long_picture}) {
      EXPECT_GE(p.row, 0) << type;
      EXPECT_LE(p.row, 10) << type;
      EXPECT_LE(static_cast<size_t>(p.buttons), KeyIndexRow(p.row).size()) << type;
    }
    if (row.level11_key_row >= 0) {
      EXPECT_LE(static_cast<size_t>(row.long_picture.buttons), KeyIndexRow(row.level11_key_row).size()) << type;
    }
    EXPECT_GE(LightingZones(row, 0), 7) << type;
    EXPECT_LE(LightingZones(row, 99), 11) << type;
  }
}

TEST(ModelTable, UnlistedTypeCodesShareTheGenericRow) {
  EXPECT_STREQ(ModelRowFor(3).name, "Halvric Mouse");
  EXPECT_STREQ(ModelRowFor(27).name, "Halvric Mouse");
  EXPECT_STREQ(ModelRowFor(-4).name, "Halvric Mouse");
  EXPECT_TRUE(ModelRowFor(3).adjust_lift);
  EXPECT_FALSE(ModelRowFor(27).adjust_lift) << "Adjust lift stays with the models that have it";
  EXPECT_EQ(ModelRowFor(27).default_colour, ModelRowFor(3).default_colour);
  EXPECT_EQ(ModelName(15, true), "Halvric M15 Lite");
  EXPECT_EQ(ModelName(15, false), "Halvric M15");
  EXPECT_EQ(LightingZones(ModelRowFor(19), 39), 9);
  EXPECT_EQ(LightingZones(ModelRowFor(19), 40), 11);
  EXPECT_EQ(LightingZones(ModelRowFor(32), 60), 7);
}

}  // namespace
}  // namespace halvric
