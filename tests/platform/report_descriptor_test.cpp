#include "platform/report_descriptor.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace halvric {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Generic desktop mouse: 5 buttons + padding, 16-bit X/Y, 8-bit wheel, and an 8-byte vendor
// feature report, no report ids.
const Bytes kMouseNoIds = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x05,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x03, 0x81, 0x01,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10, 0x95, 0x02,
    0x81, 0x06, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06, 0xC0,
    0x06, 0x00, 0xFF, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02,
    0xC0};

// Vendor collection 0xFF18 / 1, report id 1 with a 63-byte feature report and a 63-byte input.
const Bytes kVendorFF18 = {0x06, 0x18, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0x15, 0x00,
                           0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0xB1, 0x02, 0x09, 0x01, 0x81, 0x02, 0xC0};

// Vendor input collection 0xFF23 / 1 with an 8-byte input report, no features.
const Bytes kVendorFF23 = {0x06, 0x23, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x01, 0x15, 0x00,
                           0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0};

// Interface 0 of a gaming mouse: mouse (id 1), consumer control (id 2), keyboard (id 3) whose
// collection optionally carries an 8-byte feature report (id 4).
const Bytes kMultiMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09,
                           0x19, 0x01, 0x29, 0x08, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
                           0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};
const Bytes kMultiConsumer = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x19, 0x00, 0x2A, 0x3C, 0x02,
                              0x15, 0x00, 0x26, 0x3C, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};
const Bytes kMultiKeyboardHead = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x03, 0x05, 0x07, 0x19, 0xE0,
                                  0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
                                  0x95, 0x05, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x03,
                                  0x91, 0x01};
const Bytes kMultiKeyboardFeature = {0x85, 0x04, 0x06, 0x00, 0xFF, 0x09, 0x02, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02};
const Bytes kEnd = {0xC0};

TEST(ReportDescriptor, MouseWithoutReportIdsHasNineByteFeatureLength) {
  const auto s = ParseReportDescriptor(kMouseNoIds);
  ASSERT_TRUE(s.ok()) << s.error;
  EXPECT_FALSE(s.uses_report_ids);
  ASSERT_EQ(s.collections.size(), 1u);
  const auto& c = s.collections[0];
  EXPECT_EQ(c.type, 1);
  EXPECT_EQ(c.usage_page, 1);  // the vendor page set inside the collection does not leak out
  EXPECT_EQ(c.usage, 2);
  EXPECT_EQ(c.MaxInputBytes(), 6);
  EXPECT_EQ(c.MaxFeatureBytes(), 8);
  EXPECT_EQ(FeatureReportLength(c), 9);
}

TEST(ReportDescriptor, VendorCollectionsWithAndWithoutFeatures) {
  const auto ff18 = ParseReportDescriptor(kVendorFF18);
  ASSERT_TRUE(ff18.ok()) << ff18.error;
  EXPECT_TRUE(ff18.uses_report_ids);
  ASSERT_EQ(ff18.collections.size(), 1u);
  EXPECT_EQ(ff18.collections[0].usage_page, 0xFF18);
  EXPECT_EQ(ff18.collections[0].usage, 1);
  ASSERT_EQ(ff18.collections[0].reports.size(), 1u);
  EXPECT_EQ(ff18.collections[0].reports[0].report_id, 1);
  EXPECT_EQ(ff18.collections[0].reports[0].input_bytes, 63);
  EXPECT_EQ(FeatureReportLength(ff18.collections[0]), 64);

  const auto ff23 = ParseReportDescriptor(kVendorFF23);
  ASSERT_TRUE(ff23.ok()) << ff23.error;
  ASSERT_EQ(ff23.collections.size(), 1u);
  EXPECT_EQ(ff23.collections[0].usage_page, 0xFF23);
  EXPECT_EQ(ff23.collections[0].MaxInputBytes(), 8);
  EXPECT_EQ(FeatureReportLength(ff23.collections[0]), 0);
}

TEST(ReportDescriptor, MultiCollectionInterfacePicksTheFeatureCollectionElseTheFirst) {
  const auto with_feature =
      ParseReportDescriptor(Cat({kMultiMouse, kMultiConsumer, kMultiKeyboardHead, kMultiKeyboardFeature, kEnd}));
  ASSERT_TRUE(with_feature.ok()) << with_feature.error;
  ASSERT_EQ(with_feature.collections.size(), 3u);
  EXPECT_EQ(with_feature.collections[0].usage, 2);
  EXPECT_EQ(with_feature.collections[0].MaxInputBytes(), 5);
  EXPECT_EQ(with_feature.collections[1].usage_page, 0x0C);
  EXPECT_EQ(with_feature.collections[1].MaxInputBytes(), 2);
  const auto& keyboard = with_feature.collections[2];
  EXPECT_EQ(keyboard.usage, 6);
  ASSERT_EQ(keyboard.reports.size(), 2u);  // id 3 (input + LED output) and id 4 (feature)
  EXPECT_EQ(keyboard.reports[0].output_bytes, 1);
  EXPECT_EQ(keyboard.reports[1].report_id, 4);
  const TopLevelCollection* primary = PrimaryCollection(with_feature);
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(primary, &with_feature.collections[2]);
  EXPECT_EQ(FeatureReportLength(*primary), 9);

  const auto without_feature = ParseReportDescriptor(Cat({kMultiConsumer, kMultiMouse, kMultiKeyboardHead, kEnd}));
  ASSERT_TRUE(without_feature.ok()) << without_feature.error;
  // A consumer control collection comes first, and it is an application collection too.
  EXPECT_EQ(PrimaryCollection(without_feature), &without_feature.collections[0]);
  EXPECT_EQ(PrimaryCollection(ReportDescriptorSummary{}), nullptr);
}

TEST(ReportDescriptor, ItemFormsThatChangeTheResult) {
  // A long item is skipped; an extended usage carries its own page; push/pop restore the
  // report size and count; a second report id in the same collection is counted separately.
  const Bytes d = {0xFE, 0x02, 0x10, 0xAA, 0xBB,            // long item
                   0x05, 0x0C, 0x0B, 0x01, 0x00, 0x18, 0xFF,  // page 0x0C, usage 0xFF18:0001
                   0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x08,
                   0xA4, 0x75, 0x01, 0x95, 0x03, 0xB1, 0x02, 0xB4,  // push, 3 bits, pop
                   0xB1, 0x02,                                      // 8 bytes under id 1
                   0x85, 0x02, 0x95, 0x3F, 0xB1, 0x02,              // 63 bytes under id 2
                   0xC0};
  const auto s = ParseReportDescriptor(d);
  ASSERT_TRUE(s.ok()) << s.error;
  ASSERT_EQ(s.collections.size(), 1u);
  const auto& c = s.collections[0];
  EXPECT_EQ(c.usage_page, 0xFF18);
  EXPECT_EQ(c.usage, 1);
  ASSERT_EQ(c.reports.size(), 2u);
  EXPECT_EQ(c.reports[0].feature_bytes, 9);  // 3 bits + 8 bytes, rounded up
  EXPECT_EQ(c.reports[1].feature_bytes, 63);
  EXPECT_EQ(FeatureReportLength(c), 64);
}

TEST(ReportDescriptor, MalformedDescriptorsStopWithAReasonAndKeepWhatCameBefore) {
  struct Case {
    const char* name;
    Bytes data;
  };
  const Case cases[] = {
      {"truncated item", Cat({kVendorFF23, {0x06, 0x18}})},
      {"truncated long item", Cat({kVendorFF23, {0xFE, 0x05, 0x00, 0x01}})},
      {"end without collection", Cat({kVendorFF23, {0xC0}})},
      {"pop without push", Cat({kVendorFF23, {0xB4}})},
      {"report id 0", Cat({kVendorFF23, {0xA1, 0x01, 0x85, 0x00, 0xC0}})},
      {"unterminated", Cat({kVendorFF23, {0xA1, 0x01}})},
      {"input outside", Cat({kVendorFF23, {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}})},
      {"absurd size", Cat({kVendorFF23, {0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF,
                                          0xB1, 0x02, 0xC0}})},
      {"nesting", Cat({kVendorFF23, Bytes(200, 0xA0)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto s = ParseReportDescriptor(c.data);
    EXPECT_FALSE(s.ok());
    ASSERT_GE(s.collections.size(), 1u);
    EXPECT_EQ(s.collections[0].usage_page, 0xFF23);
    EXPECT_EQ(s.collections[0].MaxInputBytes(), 8);
    for (const auto& col : s.collections) EXPECT_EQ(col.MaxFeatureBytes(), 0);
  }
  EXPECT_TRUE(ParseReportDescriptor({}).ok());
  EXPECT_TRUE(ParseReportDescriptor({}).collections.empty());
}

TEST(ReportDescriptor, ArbitraryBytesNeverCrash) {
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 300);
  for (int round = 0; round < 3000; ++round) {
    Bytes d(static_cast<size_t>(length(rng)));
    for (auto& b : d) b = static_cast<uint8_t>(byte(rng));
    const auto s = ParseReportDescriptor(d);
    for (const auto& c : s.collections) {
      EXPECT_GE(c.MaxFeatureBytes(), 0);
      EXPECT_LE(c.MaxFeatureBytes(), 65535);
    }
  }
  // Every prefix of a valid descriptor parses without reading past its end, and only the
  // whole descriptor is free of errors among those that cut the keyboard collection short.
  const Bytes full = Cat({kMultiMouse, kMultiConsumer, kMultiKeyboardHead, kMultiKeyboardFeature, kEnd});
  const size_t keyboard_start = kMultiMouse.size() + kMultiConsumer.size() + 6;  // after its Collection item
  for (size_t n = 0; n <= full.size(); ++n) {
    const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    const auto s = ParseReportDescriptor(prefix);
    EXPECT_LE(s.collections.size(), 3u);
    if (n >= keyboard_start) {
      EXPECT_EQ(s.ok(), n == full.size()) << n;
    }
  }
}

}  // namespace
}  // namespace halvric
