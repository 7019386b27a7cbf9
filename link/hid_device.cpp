#include "link/hid_device.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/hid_path.h"
#include "link/hidraw_backend.h"
#include "link/vhid_backend.h"
#include "platform/data_paths.h"

namespace {

using Clock = std::chrono::steady_clock;

// Longest a Close waits for a woken transfer to leave the interface.
constexpr auto kTransferLeaveWait = std::chrono::milliseconds(2000);
constexpr size_t kMaxReportSize = 16 * 1024 + 1;

void SignalEvent(int fd) {
  const uint64_t one = 1;
  if (fd >= 0) (void)!::write(fd, &one, sizeof one);
}

// Resets an auto-reset event; true if it was set.
bool ConsumeEvent(int fd) {
  uint64_t value = 0;
  return ::read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

IHidBackend* BackendFor(const std::string& nodePath) {
  for (IHidBackend* backend : HidBackends())
    if (backend->Owns(nodePath)) return backend;
  return nullptr;
}

}  // namespace

const std::vector<IHidBackend*>& HidBackends() {
  static CHidrawBackend hidraw;
  static CVhidBackend bus([] { return VhidBusFolder(); });
  static const std::vector<IHidBackend*> backends = {&hidraw, &bus};
  return backends;
}

struct CHidDevice::Link {
  std::unique_ptr<IHidConnection> connection;
  int shutdownEvent = -1;  // set once when the interface is closed, never reset
  bool usesReportIds = false;
  std::vector<uint8_t> inputReportIds;
  uint16_t inputLength = 0;
  bool canRead = false;
  bool canWrite = false;

  ~Link() {
    connection.reset();
    if (shutdownEvent >= 0) ::close(shutdownEvent);
  }
  bool AcceptsInput(uint8_t reportId) const {
    if (!usesReportIds) return true;
    return std::find(inputReportIds.begin(), inputReportIds.end(), reportId) !=
           inputReportIds.end();
  }
};

CHidDevice::CHidDevice() { cancelEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

CHidDevice::~CHidDevice() {
  Close();
  FreeDevicePaths();
  if (cancelEvent_ >= 0) ::close(cancelEvent_);
}

bool CHidDevice::BeginEnumeration() {
  FreeDevicePaths();
  std::vector<HidNodeInfo> nodes;
  for (IHidBackend* backend : HidBackends())
    if (!backend->Enumerate(nodes)) {
      FreeDevicePaths();
      return false;
    }
  for (const HidNodeInfo& node : nodes) {
    CHidReportDescriptor descriptor;
    if (!descriptor.Parse(node.reportDescriptor)) continue;
    const size_t count = descriptor.Collections().size();
    if (count == 1) {
      paths_.push_back(
          MakeInterfacePath(node.nodePath, node.vendorId, node.productId, node.interfaceNumber, 0));
    } else {
      for (size_t i = 0; i < count; ++i)
        paths_.push_back(MakeInterfacePath(node.nodePath, node.vendorId, node.productId,
                                           node.interfaceNumber, static_cast<uint32_t>(i + 1)));
    }
  }
  return true;
}

std::optional<std::string> CHidDevice::NextDevicePath() {
  if (cursor_ >= paths_.size()) return std::nullopt;
  return paths_[cursor_++];
}

void CHidDevice::FreeDevicePaths() {
  paths_.clear();
  paths_.shrink_to_fit();
  cursor_ = 0;
}

std::shared_ptr<CHidDevice::Link> CHidDevice::CurrentLink() const {
  std::lock_guard<std::mutex> lock(linkMutex_);
  return link_;
}

bool CHidDevice::IsOpen() const { return CurrentLink() != nullptr; }

bool CHidDevice::Open(const std::string& path, bool openForRead, bool openForWrite, bool overlapped,
                      bool exclusive) {
  openForRead_ = openForRead;
  openForWrite_ = openForWrite;
  overlapped_ = overlapped;
  exclusive_ = exclusive;
  if (path.size() > kHidMaxPathLength) return false;
  devicePath_ = path;
  Close();

  const std::string nodePath = NodePathOf(path);
  IHidBackend* backend = BackendFor(nodePath);
  if (backend == nullptr) return false;
  HidNodeInfo info;
  std::unique_ptr<IHidConnection> connection =
      backend->Open(nodePath, openForRead, openForWrite, info);
  if (connection == nullptr) return false;
  if (!ReadDeviceInformation(info)) {
    Close();
    return false;
  }
  auto link = std::make_shared<Link>();
  link->connection = std::move(connection);
  link->shutdownEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (link->shutdownEvent < 0) {
    Close();
    return false;
  }
  link->usesReportIds = preparsed_.usesReportIds;
  link->inputReportIds = preparsed_.reportIds[static_cast<int>(HidReportType::Input)];
  link->inputLength = caps_.inputReportByteLength;
  link->canRead = openForRead;
  link->canWrite = openForWrite;
  std::lock_guard<std::mutex> lock(linkMutex_);
  link_ = std::move(link);
  return true;
}

bool CHidDevice::ReadDeviceInformation(const HidNodeInfo& info) {
  CHidReportDescriptor descriptor;
  if (!descriptor.Parse(info.reportDescriptor) || descriptor.Collections().empty()) return false;
  const auto& collections = descriptor.Collections();
  // A node with one collection has one path without a collection number;
  // otherwise the paths count the collections from 1.
  const uint32_t collection = ParseHexAfter(devicePath_, "&col");
  size_t index = 0;
  if (collections.size() > 1) {
    if (collection == 0 || collection > collections.size()) return false;
    index = collection - 1;
  } else if (collection > 1) {
    return false;
  }
  preparsed_ = collections[index];
  caps_ = preparsed_.Caps();
  attributes_ = {info.vendorId, info.productId, info.version};

  for (int t = 0; t < kHidReportTypeCount; ++t) {
    ReportSet& set = reports_[t];
    set.buffer.assign(preparsed_.reportByteLength[t], 0);
    set.buttonCaps = preparsed_.buttonCaps[t];
    set.valueCaps = preparsed_.valueCaps[t];
    set.items = MakeDataItems(preparsed_, static_cast<HidReportType>(t));
  }
  interfaceNumber_ = ParseHexAfter(devicePath_, "&mi_");
  collectionNumber_ = collection;
  return true;
}

std::vector<HidDataItem> CHidDevice::MakeDataItems(const HidPreparsedData& preparsed,
                                                   HidReportType type) {
  const auto& buttonCaps = preparsed.buttonCaps[static_cast<int>(type)];
  const auto& valueCaps = preparsed.valueCaps[static_cast<int>(type)];
  size_t valueCount = 0;
  for (const auto& v : valueCaps)
    valueCount += v.isRange ? static_cast<size_t>(v.usageMax - v.usageMin) + 1 : 1;
  std::vector<HidDataItem> items;
  items.reserve(buttonCaps.size() + valueCount);
  for (const auto& b : buttonCaps) {
    HidDataItem item;
    item.isButtonData = true;
    item.usagePage = b.usagePage;
    item.reportId = b.reportId;
    item.usageMin = b.usageMin;
    item.usageMax = b.isRange ? b.usageMax : b.usageMin;
    item.maxUsageListLength = HidMaxUsageListLength(preparsed, type, b.usagePage);
    item.usageList.assign(item.maxUsageListLength, 0);
    items.push_back(std::move(item));
  }
  for (const auto& v : valueCaps) {
    const uint32_t last = v.isRange ? v.usageMax : v.usageMin;
    for (uint32_t usage = v.usageMin; usage <= last; ++usage) {
      HidDataItem item;
      item.usagePage = v.usagePage;
      item.reportId = v.reportId;
      item.usage = static_cast<uint16_t>(usage);
      items.push_back(std::move(item));
    }
  }
  return items;
}

void CHidDevice::Close() {
  std::shared_ptr<Link> link;
  {
    std::lock_guard<std::mutex> lock(linkMutex_);
    link = std::move(link_);
    link_.reset();
  }
  if (link != nullptr) {
    // Wake any transfer on the interface and let it leave before the buffers
    // it may be using go away.
    SignalEvent(link->shutdownEvent);
    std::unique_lock<std::mutex> lock(busyMutex_);
    transferLeft_.wait_for(lock, kTransferLeaveWait,
                           [this] { return !reading_.load() && !writing_.load(); });
  }
  CloseLocked();
}

void CHidDevice::CloseLocked() {
  for (auto& set : reports_) set = ReportSet();
  preparsed_ = HidPreparsedData();
  caps_ = HidCaps();
}

void CHidDevice::SetCancelEvent() { SignalEvent(cancelEvent_); }

bool CHidDevice::ReadReport(uint8_t* buffer, uint32_t length, uint32_t* bytesTransferred,
                            uint32_t timeoutMs) {
  return Transfer(true, buffer, nullptr, length, bytesTransferred, timeoutMs);
}

bool CHidDevice::WriteReport(const uint8_t* buffer, uint32_t length, uint32_t* bytesTransferred,
                             uint32_t timeoutMs) {
  return Transfer(false, nullptr, buffer, length, bytesTransferred, timeoutMs);
}

bool CHidDevice::Transfer(bool read, uint8_t* buffer, const uint8_t* source, uint32_t length,
                          uint32_t* bytesTransferred, uint32_t timeoutMs) {
  std::atomic<bool>& busy = read ? reading_ : writing_;
  busy.store(true);
  if (bytesTransferred != nullptr) *bytesTransferred = 0;
  uint32_t transferred = 0;
  bool ok = false;
  const std::shared_ptr<Link> link = CurrentLink();
  if (link != nullptr && (read ? link->canRead : link->canWrite) &&
      (read ? buffer != nullptr : source != nullptr)) {
    const bool infinite = timeoutMs == kHidInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : timeoutMs);
    std::vector<uint8_t> report(read ? kMaxReportSize : 0);
    for (;;) {
      int waitMs = -1;
      if (!infinite) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        waitMs = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(left, INT32_MAX)));
      }
      pollfd fds[3] = {
          {cancelEvent_, POLLIN, 0},
          {link->shutdownEvent, POLLIN, 0},
          {link->connection->PollFd(), static_cast<short>(read ? POLLIN : POLLOUT), 0}};
      const int n = ::poll(fds, 3, waitMs);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (n == 0) break;  // time-out
      if ((fds[0].revents & POLLIN) && ConsumeEvent(cancelEvent_)) break;
      if (fds[1].revents & POLLIN) break;  // closed meanwhile
      if (fds[2].revents & POLLNVAL) break;
      if (fds[2].revents == 0) continue;  // the cancel event was taken by the other direction
      if (read) {
        const int got = link->connection->ReadInput(report.data(), report.size());
        if (got < 0) break;
        if (got == 0) {
          if (fds[2].revents & (POLLHUP | POLLERR)) break;
          continue;
        }
        // Reports of the node's other collections are not this interface's.
        if (!link->AcceptsInput(report[0])) continue;
        const uint32_t copied = std::min<uint32_t>(static_cast<uint32_t>(got), length);
        std::memcpy(buffer, report.data(), copied);
        // Shorter reports read as the full report length, zero-filled.
        const uint32_t full = std::min<uint32_t>(length, link->inputLength);
        if (copied < full) std::memset(buffer + copied, 0, full - copied);
        transferred = std::max(copied, full);
        ok = true;
        break;
      }
      if (fds[2].revents & (POLLHUP | POLLERR)) break;
      const int sent = link->connection->WriteOutput(source, length);
      if (sent < 0) break;
      if (sent == 0) continue;
      transferred = length;
      ok = true;
      break;
    }
  }
  if (bytesTransferred != nullptr) *bytesTransferred = transferred;
  {
    // Under the lock, so that a Close waiting for the transfer to leave can
    // neither miss the wake-up nor return (and let the object go) before the
    // notification is done.
    std::lock_guard<std::mutex> lock(busyMutex_);
    busy.store(false);
    transferLeft_.notify_all();
  }
  return ok;
}

bool CHidDevice::SetOutputReport(const uint8_t* buffer, uint32_t length) {
  const std::shared_ptr<Link> link = CurrentLink();
  if (link == nullptr || buffer == nullptr || length == 0 || !link->canWrite) return false;
  return link->connection->SetOutputReport(buffer, length);
}

bool CHidDevice::UnpackInputReport(const uint8_t* report, uint32_t length, HidReportType type,
                                   HidDataItem* items, uint32_t itemCount,
                                   const HidPreparsedData* preparsed) {
  if (report == nullptr || length == 0 || preparsed == nullptr) return false;
  const uint8_t reportId = report[0];
  std::vector<uint16_t> usages;
  for (uint32_t i = 0; i < itemCount; ++i) {
    HidDataItem& item = items[i];
    if (item.reportId != reportId) continue;
    if (item.isButtonData) {
      item.status = HidGetUsages(*preparsed, type, item.usagePage, report, length, usages);
      // Only the item's own range, compacted to the front, 0 after the last.
      size_t out = 0;
      for (uint16_t usage : usages) {
        if (usage < item.usageMin || usage > item.usageMax) continue;
        if (out >= item.usageList.size()) break;
        item.usageList[out++] = usage;
      }
      if (out < item.usageList.size()) item.usageList[out] = 0;
    } else {
      item.status = HidGetUsageValue(*preparsed, type, item.usagePage, item.usage, report, length,
                                     item.value);
      if (item.status != HidStatus::Success) return false;
      int32_t scaled = 0;
      HidGetScaledUsageValue(*preparsed, type, item.usagePage, item.usage, report, length, scaled);
      item.scaledValue = scaled;
    }
    item.isDataSet = true;
  }
  return true;
}
