#pragma once
// Our own HID report-descriptor parser. It turns the descriptor of one HID
// node into one record per top-level collection (the node's "preparsed data"
// per interface path): usage page and usage, the three report byte lengths,
// the button and value capabilities of every report type, and the unpacking
// of input reports into usages and values.
//
// Report buffers always start with the report id byte, 0 when the descriptor
// numbers no reports; bit positions count from the byte after it.

#include <cstddef>
#include <cstdint>
#include <vector>

enum class HidReportType : int { Input = 0, Output = 1, Feature = 2 };
inline constexpr int kHidReportTypeCount = 3;

// Outcome of a capability or unpacking call.
enum class HidStatus : int32_t {
  Success = 0,
  UsageNotFound,         // no field of this report carries the usage
  IncompatibleReportId,  // the report's id belongs to no report of this collection
  InvalidReportLength,   // the report is shorter than its fields
  IsValueArray,          // a single usage that stands for several fields
  BadLogPhyValues,       // logical range unusable for scaling
  ValueOutOfRange,       // value outside its logical range (null value)
};

// One button field: a bit field of 1-bit variables, or an array field whose
// entries name the usages that are on. An array field yields one record per
// usage item (range or single usage) of its main item.
struct HidButtonCaps {
  uint16_t usagePage = 0;
  uint8_t reportId = 0;
  uint16_t linkCollection = 0;  // 0: the top-level collection itself
  uint16_t linkUsagePage = 0;
  uint16_t linkUsage = 0;
  bool isRange = false;
  uint16_t usageMin = 0;  // both equal to the usage when not a range
  uint16_t usageMax = 0;
  bool isArray = false;
  bool isAbsolute = true;
  uint32_t bitPosition = 0;  // first bit of the field after the report id byte
  uint16_t bitSize = 1;
  uint16_t reportCount = 0;
  int32_t logicalMin = 0;
  int32_t logicalMax = 0;
  int32_t arrayIndexMin = 0;  // array value that stands for usageMin
};

// One value field (report size above one bit, variable).
struct HidValueCaps {
  uint16_t usagePage = 0;
  uint8_t reportId = 0;
  uint16_t linkCollection = 0;
  uint16_t linkUsagePage = 0;
  uint16_t linkUsage = 0;
  bool isRange = false;
  uint16_t usageMin = 0;
  uint16_t usageMax = 0;
  bool isAbsolute = true;
  bool hasNull = false;
  uint32_t bitPosition = 0;
  uint16_t bitSize = 0;
  uint16_t reportCount = 0;
  int32_t logicalMin = 0;
  int32_t logicalMax = 0;
  int32_t physicalMin = 0;
  int32_t physicalMax = 0;
  uint32_t units = 0;
  uint32_t unitsExponent = 0;
};

// The summary of one top-level collection.
struct HidCaps {
  uint16_t usage = 0;
  uint16_t usagePage = 0;
  uint16_t inputReportByteLength = 0;
  uint16_t outputReportByteLength = 0;
  uint16_t featureReportByteLength = 0;
  uint16_t numberLinkCollectionNodes = 0;
  uint16_t numberInputButtonCaps = 0;
  uint16_t numberInputValueCaps = 0;
  uint16_t numberOutputButtonCaps = 0;
  uint16_t numberOutputValueCaps = 0;
  uint16_t numberFeatureButtonCaps = 0;
  uint16_t numberFeatureValueCaps = 0;
};

// Everything known about one top-level collection.
struct HidPreparsedData {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  bool usesReportIds = false;  // the descriptor numbers its reports
  uint16_t linkCollectionCount = 1;
  std::vector<uint8_t> reportIds[kHidReportTypeCount];  // ids of this collection's reports
  uint16_t reportByteLength[kHidReportTypeCount] = {0, 0, 0};
  std::vector<HidButtonCaps> buttonCaps[kHidReportTypeCount];
  std::vector<HidValueCaps> valueCaps[kHidReportTypeCount];

  HidCaps Caps() const;
  // True when a report of this type with this id belongs to the collection
  // (any id when the descriptor numbers no reports).
  bool HasReport(HidReportType type, uint8_t reportId) const;
};

class CHidReportDescriptor {
 public:
  // Parses a whole descriptor; false (and no collections) if it is malformed.
  bool Parse(const uint8_t* data, size_t size);
  bool Parse(const std::vector<uint8_t>& bytes) { return Parse(bytes.data(), bytes.size()); }

  // Top-level collections in descriptor order.
  const std::vector<HidPreparsedData>& Collections() const { return collections_; }

 private:
  std::vector<HidPreparsedData> collections_;
};

// The usages of the given page (0: every page) that are on in a report, over
// all link collections, in field order.
HidStatus HidGetUsages(const HidPreparsedData& data, HidReportType type, uint16_t usagePage,
                       const uint8_t* report, size_t length, std::vector<uint16_t>& usages);

// Most usages HidGetUsages can return for the type and page (0: every page).
uint32_t HidMaxUsageListLength(const HidPreparsedData& data, HidReportType type,
                               uint16_t usagePage);

// A value's raw bits, and the value scaled from its logical to its physical
// range (the logical value itself when no physical range is given).
HidStatus HidGetUsageValue(const HidPreparsedData& data, HidReportType type, uint16_t usagePage,
                           uint16_t usage, const uint8_t* report, size_t length, uint32_t& value);
HidStatus HidGetScaledUsageValue(const HidPreparsedData& data, HidReportType type,
                                 uint16_t usagePage, uint16_t usage, const uint8_t* report,
                                 size_t length, int32_t& value);
