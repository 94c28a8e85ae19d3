#pragma once
// A parser for HID report descriptors: finds the top-level collections with their usages and,
// per report id, the sizes of the input, output and feature reports. It is pure (bytes in,
// summary out) so that every operating-system backend can derive the same capabilities from
// the descriptor a device hands out.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halvric {

// Sizes of one report id inside one top-level collection, in bytes, without the report id byte.
struct ReportSizes {
  uint8_t report_id = 0;  // 0 when the descriptor declares no report ids
  int input_bytes = 0;
  int output_bytes = 0;
  int feature_bytes = 0;
};

struct TopLevelCollection {
  uint8_t type = 0;         // collection type: 1 = application, 0 = physical, 2 = logical ...
  uint16_t usage_page = 0;
  uint16_t usage = 0;
  std::vector<ReportSizes> reports;  // in order of first appearance

  // Largest report of each kind in this collection, in bytes, report id byte not included.
  int MaxInputBytes() const;
  int MaxOutputBytes() const;
  int MaxFeatureBytes() const;
};

struct ReportDescriptorSummary {
  std::vector<TopLevelCollection> collections;  // in descriptor order
  bool uses_report_ids = false;
  // Empty when the whole descriptor was understood. Otherwise a short reason; parsing stopped at
  // the faulty item and `collections` holds what was found before it.
  std::string error;

  bool ok() const { return error.empty(); }
};

// Parses a report descriptor. Never reads outside `data`, whatever its content.
ReportDescriptorSummary ParseReportDescriptor(std::span<const uint8_t> data);

// The collection that best represents an interface that can only show one: the one with the
// largest feature report, or (when no collection has feature reports) the first application
// collection, else the first collection. Nullptr when the summary has no collection.
const TopLevelCollection* PrimaryCollection(const ReportDescriptorSummary& summary);

// Feature report length of a collection as the device layer counts it: the largest feature
// report in bytes plus the report id byte (which is present in the buffer even when the
// descriptor declares no report ids); 0 when the collection has no feature report.
int FeatureReportLength(const TopLevelCollection& collection);

}  // namespace halvric
