#include "link/hid_report_descriptor.h"

#include <algorithm>
#include <climits>
#include <map>
#include <utility>

namespace {

constexpr int kMaxPushDepth = 32;
constexpr int kMaxCollectionDepth = 64;
// What one report type of a collection may ask for: data items, and usage
// list entries over all its button items (each button item's list is as long
// as every button field of its page together, so they grow with the square
// of the field count). Real devices need a small fraction; a descriptor
// beyond these would make opening the interface take gigabytes.
constexpr uint64_t kMaxDataItems = 65536;
constexpr uint64_t kMaxUsageListEntries = uint64_t{1} << 20;

struct GlobalState {
  uint16_t usagePage = 0;
  uint32_t logicalMinRaw = 0;
  int logicalMinSize = 0;
  uint32_t logicalMaxRaw = 0;
  int logicalMaxSize = 0;
  uint32_t physicalMinRaw = 0;
  int physicalMinSize = 0;
  uint32_t physicalMaxRaw = 0;
  int physicalMaxSize = 0;
  uint32_t unitExponent = 0;
  uint32_t unit = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

// One usage item: a single usage or a range. The page is fixed at the main
// item unless the usage was given in its extended (32-bit) form.
struct UsageEntry {
  bool extended = false;
  uint16_t page = 0;
  uint16_t min = 0;
  uint16_t max = 0;
  bool isRange = false;
};

struct LocalState {
  std::vector<UsageEntry> usages;
  bool haveMin = false;
  bool haveMax = false;
  uint32_t minRaw = 0;
  int minSize = 0;
  uint32_t maxRaw = 0;
  int maxSize = 0;
};

int32_t SignedValue(uint32_t raw, int size) {
  switch (size) {
    case 1:
      return static_cast<int8_t>(raw);
    case 2:
      return static_cast<int16_t>(raw);
    case 4:
      return static_cast<int32_t>(raw);
    default:
      return 0;
  }
}

// Logical and physical ranges are signed items; a maximum below a
// non-negative minimum is read unsigned (0..0xFF written as 26 FF 00 or as
// 25 FF both occur in real descriptors).
std::pair<int32_t, int32_t> ReadRange(uint32_t minRaw, int minSize, uint32_t maxRaw, int maxSize) {
  const int32_t min = SignedValue(minRaw, minSize);
  int32_t max = SignedValue(maxRaw, maxSize);
  if (min >= 0 && max < min && maxSize < 4) max = static_cast<int32_t>(maxRaw);
  return {min, max};
}

UsageEntry MakeUsage(uint32_t raw, int size, uint16_t currentPage) {
  UsageEntry e;
  e.extended = size == 4;
  e.page = e.extended ? static_cast<uint16_t>(raw >> 16) : currentPage;
  e.min = e.max = static_cast<uint16_t>(raw & 0xFFFF);
  return e;
}

uint32_t ReadBits(const uint8_t* data, size_t length, uint32_t bitPos, uint32_t bitSize) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < bitSize && i < 32; ++i) {
    const uint32_t bit = bitPos + i;
    const size_t byte = bit / 8;
    if (byte >= length) break;
    if ((data[byte] >> (bit % 8)) & 1u) value |= 1u << i;
  }
  return value;
}

int32_t SignExtend(uint32_t value, uint32_t bitSize) {
  if (bitSize == 0 || bitSize >= 32) return static_cast<int32_t>(value);
  const uint32_t sign = 1u << (bitSize - 1);
  if (value & sign) return static_cast<int32_t>(value | ~((sign << 1) - 1));
  return static_cast<int32_t>(value);
}

// Whether the data items of one report type of a collection stay within
// kMaxDataItems and kMaxUsageListEntries.
bool WithinItemBudget(const HidPreparsedData& c, int t) {
  uint64_t items = c.buttonCaps[t].size();
  for (const auto& v : c.valueCaps[t])
    items += v.isRange ? uint64_t{v.usageMax} - v.usageMin + 1 : 1;
  if (items > kMaxDataItems) return false;
  std::map<uint16_t, uint64_t> fieldsOfPage;
  for (const auto& b : c.buttonCaps[t]) fieldsOfPage[b.usagePage] += b.reportCount;
  uint64_t listEntries = 0;
  for (const auto& b : c.buttonCaps[t]) {
    listEntries += fieldsOfPage[b.usagePage];
    if (listEntries > kMaxUsageListEntries) return false;
  }
  return true;
}

class Parser {
 public:
  bool Run(const uint8_t* data, size_t size, std::vector<HidPreparsedData>& out);

 private:
  bool MainItem(uint8_t tag, uint32_t raw);
  bool AddField(HidReportType type, uint32_t flags);
  void ResetLocal() { local_ = LocalState(); }

  GlobalState global_;
  std::vector<GlobalState> stack_;
  LocalState local_;
  bool usesIds_ = false;
  // Bits used so far by each (report type, report id).
  std::map<std::pair<int, uint8_t>, uint32_t> bits_;
  std::vector<HidPreparsedData> collections_;
  // Open collections: link collection numbers inside the current top-level
  // collection, innermost last, with their usages.
  struct OpenCollection {
    uint16_t link;
    uint16_t usagePage;
    uint16_t usage;
  };
  std::vector<OpenCollection> open_;
};

bool Parser::Run(const uint8_t* data, size_t size, std::vector<HidPreparsedData>& out) {
  size_t pos = 0;
  while (pos < size) {
    const uint8_t prefix = data[pos++];
    if (prefix == 0xFE) {  // long item: size, tag, data; none is defined, skip it
      if (pos + 2 > size) return false;
      const size_t dataSize = data[pos];
      pos += 2;
      if (pos + dataSize > size) return false;
      pos += dataSize;
      continue;
    }
    static constexpr int kSizes[4] = {0, 1, 2, 4};
    const int itemSize = kSizes[prefix & 3];
    const int type = (prefix >> 2) & 3;
    const uint8_t tag = prefix >> 4;
    if (pos + itemSize > size) return false;
    uint32_t raw = 0;
    for (int i = 0; i < itemSize; ++i) raw |= static_cast<uint32_t>(data[pos + i]) << (8 * i);
    pos += itemSize;

    if (type == 0) {
      if (!MainItem(tag, raw)) return false;
    } else if (type == 1) {
      switch (tag) {
        case 0x0:
          global_.usagePage = static_cast<uint16_t>(raw);
          break;
        case 0x1:
          global_.logicalMinRaw = raw;
          global_.logicalMinSize = itemSize;
          break;
        case 0x2:
          global_.logicalMaxRaw = raw;
          global_.logicalMaxSize = itemSize;
          break;
        case 0x3:
          global_.physicalMinRaw = raw;
          global_.physicalMinSize = itemSize;
          break;
        case 0x4:
          global_.physicalMaxRaw = raw;
          global_.physicalMaxSize = itemSize;
          break;
        case 0x5:
          global_.unitExponent = raw;
          break;
        case 0x6:
          global_.unit = raw;
          break;
        case 0x7:
          if (raw == 0 || raw > 32) return false;
          global_.reportSize = raw;
          break;
        case 0x8:
          if (raw == 0 || raw > 0xFF) return false;
          global_.reportId = static_cast<uint8_t>(raw);
          usesIds_ = true;
          break;
        case 0x9:
          if (raw > 0xFFFF) return false;
          global_.reportCount = raw;
          break;
        case 0xA:
          if (stack_.size() >= kMaxPushDepth) return false;
          stack_.push_back(global_);
          break;
        case 0xB:
          if (stack_.empty()) return false;
          global_ = stack_.back();
          stack_.pop_back();
          break;
        default:
          break;
      }
    } else if (type == 2) {
      switch (tag) {
        case 0x0:
          local_.usages.push_back(MakeUsage(raw, itemSize, global_.usagePage));
          break;
        case 0x1:
          local_.haveMin = true;
          local_.minRaw = raw;
          local_.minSize = itemSize;
          break;
        case 0x2:
          local_.haveMax = true;
          local_.maxRaw = raw;
          local_.maxSize = itemSize;
          break;
        default:  // designators, strings, delimiters: not used
          break;
      }
      if (local_.haveMin && local_.haveMax) {
        UsageEntry e = MakeUsage(local_.minRaw, local_.minSize, global_.usagePage);
        const uint16_t max = static_cast<uint16_t>(local_.maxRaw & 0xFFFF);
        if (max < e.min) return false;
        e.max = max;
        e.isRange = true;
        local_.usages.push_back(e);
        local_.haveMin = local_.haveMax = false;
      }
    }
  }
  if (!open_.empty()) return false;
  // Report lengths: the longest report of each type plus its id byte.
  for (auto& c : collections_) {
    for (int t = 0; t < kHidReportTypeCount; ++t) {
      if (!WithinItemBudget(c, t)) return false;
      uint32_t longest = 0;
      for (uint8_t id : c.reportIds[t]) longest = std::max(longest, bits_[{t, id}]);
      if (!c.reportIds[t].empty()) {
        const uint32_t bytes = (longest + 7) / 8 + 1;
        if (bytes > 0xFFFF) return false;
        c.reportByteLength[t] = static_cast<uint16_t>(bytes);
      }
    }
    c.usesReportIds = usesIds_;
  }
  out = std::move(collections_);
  return true;
}

bool Parser::MainItem(uint8_t tag, uint32_t raw) {
  bool ok = true;
  switch (tag) {
    case 0x8:
      ok = AddField(HidReportType::Input, raw);
      break;
    case 0x9:
      ok = AddField(HidReportType::Output, raw);
      break;
    case 0xB:
      ok = AddField(HidReportType::Feature, raw);
      break;
    case 0xA: {  // collection
      if (open_.size() >= kMaxCollectionDepth) return false;
      UsageEntry usage;
      if (!local_.usages.empty()) usage = local_.usages.front();
      const uint16_t page = usage.extended ? usage.page : global_.usagePage;
      if (open_.empty()) {
        HidPreparsedData c;
        c.usagePage = page;
        c.usage = local_.usages.empty() ? 0 : usage.min;
        collections_.push_back(std::move(c));
        open_.push_back({0, page, collections_.back().usage});
      } else {
        HidPreparsedData& c = collections_.back();
        open_.push_back({c.linkCollectionCount, page, usage.min});
        ++c.linkCollectionCount;
      }
      break;
    }
    case 0xC:  // end collection
      if (open_.empty()) return false;
      open_.pop_back();
      break;
    default:
      return false;
  }
  ResetLocal();
  return ok;
}

bool Parser::AddField(HidReportType type, uint32_t flags) {
  const int t = static_cast<int>(type);
  const uint32_t count = global_.reportCount;
  const uint32_t size = global_.reportSize;
  if (usesIds_ && global_.reportId == 0) return false;  // fields before the first id
  const uint8_t id = global_.reportId;
  uint32_t& used = bits_[{t, id}];
  const uint32_t start = used;
  used += count * size;
  if (used > 0xFFFF * 8) return false;
  if (open_.empty()) return true;  // outside any collection: takes room, no caps

  HidPreparsedData& c = collections_.back();
  if (std::find(c.reportIds[t].begin(), c.reportIds[t].end(), id) == c.reportIds[t].end())
    c.reportIds[t].push_back(id);

  const bool constant = flags & 0x01;
  const bool variable = flags & 0x02;
  const bool relative = flags & 0x04;
  const bool hasNull = flags & 0x40;
  if (constant || local_.usages.empty() || count == 0) return true;

  // Pages of usages given in the short form are the page at this main item.
  std::vector<UsageEntry> usages = local_.usages;
  for (auto& u : usages)
    if (!u.extended) u.page = global_.usagePage;

  // Plain variables, not structured bindings: the lambda below captures them,
  // which clang before version 16 refuses for bindings.
  const std::pair<int32_t, int32_t> logical = ReadRange(
      global_.logicalMinRaw, global_.logicalMinSize, global_.logicalMaxRaw, global_.logicalMaxSize);
  const std::pair<int32_t, int32_t> physical =
      ReadRange(global_.physicalMinRaw, global_.physicalMinSize, global_.physicalMaxRaw,
                global_.physicalMaxSize);
  const int32_t logicalMin = logical.first, logicalMax = logical.second;
  const int32_t physicalMin = physical.first, physicalMax = physical.second;
  const OpenCollection& link = open_.back();

  // What every caps record of this field says, button or value alike.
  auto describe = [&](auto& caps, const UsageEntry& u, uint16_t usageMax, uint32_t bitPosition,
                      uint32_t bitSize, uint32_t reportCount) {
    caps.usagePage = u.page;
    caps.reportId = id;
    caps.linkCollection = link.link;
    caps.linkUsagePage = link.usagePage;
    caps.linkUsage = link.usage;
    caps.isRange = u.isRange;
    caps.usageMin = u.min;
    caps.usageMax = usageMax;
    caps.isAbsolute = !relative;
    caps.bitPosition = bitPosition;
    caps.bitSize = static_cast<uint16_t>(bitSize);
    caps.reportCount = static_cast<uint16_t>(reportCount);
    caps.logicalMin = logicalMin;
    caps.logicalMax = logicalMax;
  };

  if (!variable) {  // array: every field names one usage of the list
    int64_t index = logicalMin;
    for (const auto& u : usages) {
      // Usages whose index lies beyond any 32-bit field value can never be
      // reported.
      if (index > INT32_MAX) break;
      HidButtonCaps b;
      describe(b, u, u.max, start, size, count);
      b.isArray = true;
      b.arrayIndexMin = static_cast<int32_t>(index);
      index += u.max - u.min + 1;
      c.buttonCaps[t].push_back(b);
    }
    return true;
  }

  // Variables: the usage items take the fields in order; the last one takes
  // every field that is left.
  uint32_t field = 0;
  for (size_t i = 0; i < usages.size() && field < count; ++i) {
    const UsageEntry& u = usages[i];
    const uint32_t span = static_cast<uint32_t>(u.max - u.min) + 1;
    const bool last = i + 1 == usages.size();
    const uint32_t fields = last ? count - field : std::min(span, count - field);
    const uint16_t usageMax =
        static_cast<uint16_t>(u.isRange ? std::min<uint32_t>(u.max, u.min + fields - 1) : u.min);
    const uint32_t bitPos = start + field * size;
    if (size == 1) {
      HidButtonCaps b;
      describe(b, u, usageMax, bitPos, 1, fields);
      c.buttonCaps[t].push_back(b);
    } else {
      HidValueCaps v;
      describe(v, u, usageMax, bitPos, size, fields);
      v.hasNull = hasNull;
      v.physicalMin = physicalMin;
      v.physicalMax = physicalMax;
      v.units = global_.unit;
      v.unitsExponent = global_.unitExponent;
      c.valueCaps[t].push_back(v);
    }
    field += fields;
  }
  return true;
}

HidStatus CheckReport(const HidPreparsedData& data, HidReportType type, const uint8_t* report,
                      size_t length) {
  if (report == nullptr || length == 0) return HidStatus::InvalidReportLength;
  if (!data.HasReport(type, report[0])) return HidStatus::IncompatibleReportId;
  if (length < data.reportByteLength[static_cast<int>(type)]) return HidStatus::InvalidReportLength;
  return HidStatus::Success;
}

}  // namespace

HidCaps HidPreparsedData::Caps() const {
  HidCaps caps;
  caps.usage = usage;
  caps.usagePage = usagePage;
  caps.inputReportByteLength = reportByteLength[0];
  caps.outputReportByteLength = reportByteLength[1];
  caps.featureReportByteLength = reportByteLength[2];
  caps.numberLinkCollectionNodes = linkCollectionCount;
  caps.numberInputButtonCaps = static_cast<uint16_t>(buttonCaps[0].size());
  caps.numberInputValueCaps = static_cast<uint16_t>(valueCaps[0].size());
  caps.numberOutputButtonCaps = static_cast<uint16_t>(buttonCaps[1].size());
  caps.numberOutputValueCaps = static_cast<uint16_t>(valueCaps[1].size());
  caps.numberFeatureButtonCaps = static_cast<uint16_t>(buttonCaps[2].size());
  caps.numberFeatureValueCaps = static_cast<uint16_t>(valueCaps[2].size());
  return caps;
}

bool HidPreparsedData::HasReport(HidReportType type, uint8_t reportId) const {
  const auto& ids = reportIds[static_cast<int>(type)];
  if (!usesReportIds) return reportId == 0 && !ids.empty();
  return std::find(ids.begin(), ids.end(), reportId) != ids.end();
}

bool CHidReportDescriptor::Parse(const uint8_t* data, size_t size) {
  collections_.clear();
  if (data == nullptr && size != 0) return false;
  Parser parser;
  std::vector<HidPreparsedData> result;
  if (!parser.Run(data, size, result)) return false;
  collections_ = std::move(result);
  return true;
}

HidStatus HidGetUsages(const HidPreparsedData& data, HidReportType type, uint16_t usagePage,
                       const uint8_t* report, size_t length, std::vector<uint16_t>& usages) {
  usages.clear();
  const HidStatus check = CheckReport(data, type, report, length);
  if (check != HidStatus::Success) return check;
  const uint8_t* body = report + 1;
  const size_t bodyLength = length - 1;
  bool found = false;
  for (const auto& b : data.buttonCaps[static_cast<int>(type)]) {
    if (b.reportId != report[0] || (usagePage != 0 && b.usagePage != usagePage)) continue;
    found = true;
    for (uint32_t j = 0; j < b.reportCount; ++j) {
      const uint32_t bits = ReadBits(body, bodyLength, b.bitPosition + j * b.bitSize, b.bitSize);
      if (!b.isArray) {
        if (bits != 0 && b.usageMin + j <= b.usageMax)
          usages.push_back(static_cast<uint16_t>(b.usageMin + j));
        continue;
      }
      const int32_t value = b.logicalMin < 0 ? SignExtend(bits, b.bitSize) : int32_t(bits);
      if (value < b.logicalMin || value > b.logicalMax) continue;  // null: no usage
      const int64_t index = int64_t(value) - b.arrayIndexMin;
      if (index < 0 || index > b.usageMax - b.usageMin) continue;
      const uint16_t usage = static_cast<uint16_t>(b.usageMin + index);
      if (usage != 0) usages.push_back(usage);  // usage 0 reports no event
    }
  }
  return found ? HidStatus::Success : HidStatus::UsageNotFound;
}

uint32_t HidMaxUsageListLength(const HidPreparsedData& data, HidReportType type,
                               uint16_t usagePage) {
  uint32_t total = 0;
  for (const auto& b : data.buttonCaps[static_cast<int>(type)])
    if (usagePage == 0 || b.usagePage == usagePage) total += b.reportCount;
  return total;
}

namespace {

HidStatus FindValue(const HidPreparsedData& data, HidReportType type, uint16_t usagePage,
                    uint16_t usage, uint8_t reportId, const HidValueCaps*& caps,
                    uint32_t& fieldIndex) {
  bool elsewhere = false;
  for (const auto& v : data.valueCaps[static_cast<int>(type)]) {
    if (v.usagePage != usagePage || usage < v.usageMin || usage > v.usageMax) continue;
    if (v.reportId != reportId) {
      elsewhere = true;
      continue;
    }
    if (!v.isRange && v.reportCount > 1) return HidStatus::IsValueArray;
    caps = &v;
    fieldIndex = usage - v.usageMin;
    return HidStatus::Success;
  }
  return elsewhere ? HidStatus::IncompatibleReportId : HidStatus::UsageNotFound;
}

}  // namespace

HidStatus HidGetUsageValue(const HidPreparsedData& data, HidReportType type, uint16_t usagePage,
                           uint16_t usage, const uint8_t* report, size_t length, uint32_t& value) {
  value = 0;
  const HidStatus check = CheckReport(data, type, report, length);
  if (check != HidStatus::Success) return check;
  const HidValueCaps* caps = nullptr;
  uint32_t index = 0;
  const HidStatus found = FindValue(data, type, usagePage, usage, report[0], caps, index);
  if (found != HidStatus::Success) return found;
  value =
      ReadBits(report + 1, length - 1, caps->bitPosition + index * caps->bitSize, caps->bitSize);
  return HidStatus::Success;
}

HidStatus HidGetScaledUsageValue(const HidPreparsedData& data, HidReportType type,
                                 uint16_t usagePage, uint16_t usage, const uint8_t* report,
                                 size_t length, int32_t& value) {
  value = 0;
  const HidStatus check = CheckReport(data, type, report, length);
  if (check != HidStatus::Success) return check;
  const HidValueCaps* caps = nullptr;
  uint32_t index = 0;
  const HidStatus found = FindValue(data, type, usagePage, usage, report[0], caps, index);
  if (found != HidStatus::Success) return found;
  const uint32_t bits =
      ReadBits(report + 1, length - 1, caps->bitPosition + index * caps->bitSize, caps->bitSize);
  if (caps->logicalMin >= caps->logicalMax) return HidStatus::BadLogPhyValues;
  const int32_t logical = caps->logicalMin < 0 ? SignExtend(bits, caps->bitSize) : int32_t(bits);
  if (logical < caps->logicalMin || logical > caps->logicalMax) return HidStatus::ValueOutOfRange;
  if (caps->physicalMin == 0 && caps->physicalMax == 0) {
    value = logical;
    return HidStatus::Success;
  }
  if (caps->physicalMin >= caps->physicalMax) return HidStatus::BadLogPhyValues;
  const int64_t scaled = (int64_t(logical) - caps->logicalMin) *
                             (int64_t(caps->physicalMax) - caps->physicalMin) /
                             (int64_t(caps->logicalMax) - caps->logicalMin) +
                         caps->physicalMin;
  value = static_cast<int32_t>(scaled);
  return HidStatus::Success;
}
