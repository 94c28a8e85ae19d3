#include "platform/report_descriptor.h"

#include <algorithm>

namespace halvric {
namespace {

// Item types of the short item prefix (bits 2-3).
constexpr int kTypeMain = 0;
constexpr int kTypeGlobal = 1;
constexpr int kTypeLocal = 2;

// Main item tags.
constexpr int kInput = 0x8;
constexpr int kOutput = 0x9;
constexpr int kFeature = 0xB;
constexpr int kCollection = 0xA;
constexpr int kEndCollection = 0xC;

// Global item tags.
constexpr int kUsagePage = 0x0;
constexpr int kReportSize = 0x7;
constexpr int kReportId = 0x8;
constexpr int kReportCount = 0x9;
constexpr int kPush = 0xA;
constexpr int kPop = 0xB;

// Local item tags.
constexpr int kUsage = 0x0;

constexpr uint8_t kLongItemPrefix = 0xFE;

// Limits that no real device comes near; they keep hostile descriptors from making the
// parser allocate or count without bound.
constexpr size_t kMaxGlobalStack = 16;
constexpr int kMaxCollectionDepth = 64;
constexpr size_t kMaxTopLevelCollections = 256;
constexpr uint64_t kMaxReportBits = uint64_t{65535} * 8;

struct GlobalState {
  uint16_t usage_page = 0;
  uint32_t report_size = 0;
  uint32_t report_count = 0;
  uint8_t report_id = 0;
};

// The first usage named since the last main item, resolved against the usage page in force
// at the main item unless it was given as an extended (32-bit) usage.
struct LocalState {
  bool has_usage = false;
  bool extended = false;
  uint32_t usage = 0;
};

struct ReportBits {
  uint8_t report_id = 0;
  uint64_t input = 0;
  uint64_t output = 0;
  uint64_t feature = 0;
};

int BitsToBytes(uint64_t bits) { return static_cast<int>((bits + 7) / 8); }

class Parser {
 public:
  explicit Parser(std::span<const uint8_t> data) : data_(data) {}

  ReportDescriptorSummary Run() {
    size_t pos = 0;
    while (pos < data_.size() && summary_.ok()) {
      const uint8_t prefix = data_[pos];
      if (prefix == kLongItemPrefix) {
        // Long item: prefix, data size, tag, data. No long item tags are defined; skip it.
        if (data_.size() - pos < 3) {
          Fail("truncated long item");
          break;
        }
        const size_t size = data_[pos + 1];
        if (data_.size() - pos - 3 < size) {
          Fail("truncated long item");
          break;
        }
        pos += 3 + size;
        continue;
      }
      static constexpr size_t kSizes[4] = {0, 1, 2, 4};
      const size_t size = kSizes[prefix & 0x3];
      if (data_.size() - pos - 1 < size) {
        Fail("truncated item");
        break;
      }
      uint32_t value = 0;
      for (size_t i = 0; i < size; ++i) value |= uint32_t{data_[pos + 1 + i]} << (8 * i);
      const int type = (prefix >> 2) & 0x3;
      const int tag = prefix >> 4;
      switch (type) {
        case kTypeMain: Main(tag, value); break;
        case kTypeGlobal: Global(tag, value, size); break;
        case kTypeLocal: Local(tag, value, size); break;
        default: break;  // reserved item type: skipped
      }
      pos += 1 + size;
    }
    if (summary_.ok() && depth_ != 0) Fail("unterminated collection");
    Finish();
    return std::move(summary_);
  }

 private:
  void Fail(const char* reason) {
    if (summary_.ok()) summary_.error = reason;
  }

  void Main(int tag, uint32_t value) {
    switch (tag) {
      case kCollection: OpenCollection(static_cast<uint8_t>(value)); break;
      case kEndCollection:
        if (depth_ == 0) {
          Fail("end of collection without collection");
          return;
        }
        --depth_;
        break;
      case kInput:
      case kOutput:
      case kFeature: AddReportItem(tag); break;
      default: break;  // reserved main item tag: skipped
    }
    local_ = LocalState{};
  }

  void OpenCollection(uint8_t type) {
    if (depth_ >= kMaxCollectionDepth) {
      Fail("collections nested too deeply");
      return;
    }
    if (depth_ == 0) {
      if (collections_.size() >= kMaxTopLevelCollections) {
        Fail("too many top-level collections");
        return;
      }
      TopLevelCollection c;
      c.type = type;
      if (local_.has_usage) {
        c.usage_page = local_.extended ? static_cast<uint16_t>(local_.usage >> 16) : global_.usage_page;
        c.usage = static_cast<uint16_t>(local_.usage & 0xFFFF);
      }
      collections_.push_back(Entry{std::move(c), {}});
    }
    ++depth_;
  }

  void AddReportItem(int tag) {
    if (depth_ == 0) {
      Fail("report item outside a collection");
      return;
    }
    if (summary_.uses_report_ids && global_.report_id == 0) {
      Fail("report item without report id");
      return;
    }
    const uint64_t bits = uint64_t{global_.report_size} * global_.report_count;
    ReportBits& r = ReportFor(collections_.back(), global_.report_id);
    uint64_t& total = tag == kInput ? r.input : tag == kOutput ? r.output : r.feature;
    if (bits > kMaxReportBits || total + bits > kMaxReportBits) {
      Fail("report too large");
      return;
    }
    total += bits;
  }

  void Global(int tag, uint32_t value, size_t size) {
    switch (tag) {
      case kUsagePage: global_.usage_page = static_cast<uint16_t>(value & 0xFFFF); break;
      case kReportSize: global_.report_size = value; break;
      case kReportCount: global_.report_count = value; break;
      case kReportId:
        if (size == 0 || value == 0 || value > 0xFF) {
          Fail("invalid report id");
          return;
        }
        global_.report_id = static_cast<uint8_t>(value);
        summary_.uses_report_ids = true;
        break;
      case kPush:
        if (stack_.size() >= kMaxGlobalStack) {
          Fail("global stack overflow");
          return;
        }
        stack_.push_back(global_);
        break;
      case kPop:
        if (stack_.empty()) {
          Fail("pop without push");
          return;
        }
        global_ = stack_.back();
        stack_.pop_back();
        break;
      default: break;  // logical/physical ranges, units: no bearing on sizes
    }
  }

  void Local(int tag, uint32_t value, size_t size) {
    if (tag != kUsage || local_.has_usage) return;
    local_.has_usage = true;
    local_.extended = size == 4;
    local_.usage = value;
  }

  struct Entry {
    TopLevelCollection collection;
    std::vector<ReportBits> bits;
  };

  static ReportBits& ReportFor(Entry& e, uint8_t report_id) {
    for (ReportBits& r : e.bits) {
      if (r.report_id == report_id) return r;
    }
    e.bits.push_back(ReportBits{report_id, 0, 0, 0});
    return e.bits.back();
  }

  void Finish() {
    for (Entry& e : collections_) {
      for (const ReportBits& r : e.bits) {
        e.collection.reports.push_back(
            ReportSizes{r.report_id, BitsToBytes(r.input), BitsToBytes(r.output), BitsToBytes(r.feature)});
      }
      summary_.collections.push_back(std::move(e.collection));
    }
  }

  std::span<const uint8_t> data_;
  ReportDescriptorSummary summary_;
  GlobalState global_;
  LocalState local_;
  std::vector<GlobalState> stack_;
  std::vector<Entry> collections_;
  int depth_ = 0;
};

int MaxOf(const std::vector<ReportSizes>& reports, int ReportSizes::*field) {
  int best = 0;
  for (const ReportSizes& r : reports) best = std::max(best, r.*field);
  return best;
}

}  // namespace

int TopLevelCollection::MaxInputBytes() const { return MaxOf(reports, &ReportSizes::input_bytes); }
int TopLevelCollection::MaxOutputBytes() const { return MaxOf(reports, &ReportSizes::output_bytes); }
int TopLevelCollection::MaxFeatureBytes() const { return MaxOf(reports, &ReportSizes::feature_bytes); }

ReportDescriptorSummary ParseReportDescriptor(std::span<const uint8_t> data) { return Parser(data).Run(); }

const TopLevelCollection* PrimaryCollection(const ReportDescriptorSummary& summary) {
  const TopLevelCollection* best = nullptr;
  for (const TopLevelCollection& c : summary.collections) {
    if (c.MaxFeatureBytes() > 0 && (best == nullptr || c.MaxFeatureBytes() > best->MaxFeatureBytes())) best = &c;
  }
  if (best != nullptr) return best;
  for (const TopLevelCollection& c : summary.collections) {
    if (c.type == 1) return &c;
  }
  return summary.collections.empty() ? nullptr : &summary.collections.front();
}

int FeatureReportLength(const TopLevelCollection& collection) {
  const int bytes = collection.MaxFeatureBytes();
  return bytes == 0 ? 0 : bytes + 1;
}

}  // namespace halvric
