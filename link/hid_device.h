#pragma once
// One HID interface: the program's only door to HID nodes (hidraw and the
// virtual HID bus). It lists the interface paths present (one per top-level
// collection of every node), opens one, reads its attributes and
// capabilities, keeps per-report-type buffers and data items, and moves
// reports in and out with a time-out and a cancel event.
//
// Meant for one reader thread and one writer thread at a time; Close, a
// further Open and SetCancelEvent may come from any other thread and wake a
// blocked transfer.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "link/hid_report_descriptor.h"

inline constexpr uint32_t kHidInfinite = 0xFFFFFFFFu;  // time-out that never runs out
inline constexpr size_t kHidMaxPathLength = 259;

struct HidAttributes {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

// One button caps record (button part) or one value usage (value part) of a
// report type, filled by UnpackInputReport.
struct HidDataItem {
  bool isButtonData = false;
  uint16_t usagePage = 0;
  HidStatus status = HidStatus::Success;
  uint32_t reportId = 0;
  bool isDataSet = false;
  // button part
  uint32_t usageMin = 0;
  uint32_t usageMax = 0;
  uint32_t maxUsageListLength = 0;
  std::vector<uint16_t> usageList;  // usages that are on, 0-terminated when not full
  // value part
  uint16_t usage = 0;
  uint32_t value = 0;
  int32_t scaledValue = 0;
};

class CHidDevice {
 public:
  CHidDevice();
  ~CHidDevice();
  CHidDevice(const CHidDevice&) = delete;
  CHidDevice& operator=(const CHidDevice&) = delete;

  // Enumeration: builds the list of present interface paths (hidraw nodes
  // first, then the virtual bus) and resets the cursor.
  bool BeginEnumeration();
  // The next path, or none once the cursor has reached the count.
  std::optional<std::string> NextDevicePath();
  void FreeDevicePaths();
  uint32_t DevicePathCount() const { return static_cast<uint32_t>(paths_.size()); }

  bool Open(const std::string& path, bool openForRead, bool openForWrite, bool overlapped,
            bool exclusive);
  void Close();  // idempotent

  // One input report of this interface's collection (report id first).
  bool ReadReport(uint8_t* buffer, uint32_t length, uint32_t* bytesTransferred, uint32_t timeoutMs);
  bool WriteReport(const uint8_t* buffer, uint32_t length, uint32_t* bytesTransferred,
                   uint32_t timeoutMs);
  // A SET_REPORT request of type output (the headset's lighting reports).
  bool SetOutputReport(const uint8_t* buffer, uint32_t length);
  // Makes one blocked or the next read or write give up (auto-reset).
  void SetCancelEvent();

  // The data items of one report type of a collection, as Open fills them:
  // one per button caps record, then one per value usage.
  static std::vector<HidDataItem> MakeDataItems(const HidPreparsedData& preparsed,
                                                HidReportType type);

  static bool UnpackInputReport(const uint8_t* report, uint32_t length, HidReportType type,
                                HidDataItem* items, uint32_t itemCount,
                                const HidPreparsedData* preparsed);

  bool IsOpen() const;
  const std::string& DevicePath() const { return devicePath_; }
  uint16_t VendorId() const { return attributes_.vendorId; }
  uint16_t ProductId() const { return attributes_.productId; }
  uint16_t Version() const { return attributes_.versionNumber; }
  const HidAttributes& Attributes() const { return attributes_; }
  const HidCaps& Caps() const { return caps_; }
  uint16_t UsagePage() const { return caps_.usagePage; }
  uint16_t Usage() const { return caps_.usage; }
  uint16_t InputReportByteLength() const { return caps_.inputReportByteLength; }
  uint16_t OutputReportByteLength() const { return caps_.outputReportByteLength; }
  uint16_t FeatureReportByteLength() const { return caps_.featureReportByteLength; }
  uint32_t InterfaceNumber() const { return interfaceNumber_; }
  uint32_t CollectionNumber() const { return collectionNumber_; }
  const HidPreparsedData* PreparsedData() const { return IsOpen() ? &preparsed_ : nullptr; }
  uint8_t* InputReportBuffer() { return Reports(HidReportType::Input).buffer.data(); }
  HidDataItem* InputDataItems() { return Reports(HidReportType::Input).items.data(); }
  uint32_t InputItemCount() const { return static_cast<uint32_t>(reports_[0].items.size()); }
  std::vector<HidDataItem>& DataItems(HidReportType type) { return Reports(type).items; }
  const std::vector<HidButtonCaps>& ButtonCaps(HidReportType type) const {
    return reports_[static_cast<int>(type)].buttonCaps;
  }
  const std::vector<HidValueCaps>& ValueCaps(HidReportType type) const {
    return reports_[static_cast<int>(type)].valueCaps;
  }
  bool IsReading() const { return reading_.load(); }
  bool IsWriting() const { return writing_.load(); }

 private:
  struct ReportSet {
    std::vector<uint8_t> buffer;
    std::vector<HidDataItem> items;
    std::vector<HidButtonCaps> buttonCaps;
    std::vector<HidValueCaps> valueCaps;
  };
  // What a transfer needs of the open interface; kept alive by a running
  // transfer even when another thread closes the interface.
  struct Link;

  ReportSet& Reports(HidReportType type) { return reports_[static_cast<int>(type)]; }
  std::shared_ptr<Link> CurrentLink() const;
  bool ReadDeviceInformation(const HidNodeInfo& info);
  void CloseLocked();
  bool Transfer(bool read, uint8_t* buffer, const uint8_t* source, uint32_t length,
                uint32_t* bytesTransferred, uint32_t timeoutMs);

  std::vector<std::string> paths_;
  uint32_t cursor_ = 0;
  bool openForRead_ = false;
  bool openForWrite_ = false;
  bool overlapped_ = false;
  bool exclusive_ = false;
  mutable std::mutex linkMutex_;  // guards link_ only
  std::shared_ptr<Link> link_;
  std::string devicePath_;
  HidPreparsedData preparsed_;
  HidCaps caps_;
  HidAttributes attributes_;
  ReportSet reports_[kHidReportTypeCount];
  uint32_t interfaceNumber_ = 0;
  uint32_t collectionNumber_ = 0;
  int cancelEvent_ = -1;  // eventfd
  std::atomic<bool> reading_{false};
  std::atomic<bool> writing_{false};
  std::mutex busyMutex_;                  // a transfer clears its busy flag under it
  std::condition_variable transferLeft_;  // notified when it has
};
