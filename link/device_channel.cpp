#include "link/device_channel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/debug_output.h"

namespace {

constexpr uint32_t kWiredTimeoutMs = 1000;
constexpr uint32_t kDongleTimeoutMs = 5000;
constexpr uint32_t kDongleQuietTimeoutMs = 500;
constexpr auto kEndConfigPause = std::chrono::milliseconds(10);

void TracePacket(const char* title, const uint8_t* bytes, uint32_t length) {
  uint8_t packet[kPacketSize] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketSize));
  DebugOutput(title);
  DebugOutput(FormatTraceLine(packet));
  DebugOutput(FormatTraceLine(packet + 32));
}

// Counts an exchange as running for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(std::atomic<int>& busy) : busy_(busy) { busy_.fetch_add(1); }
  ~BusyScope() { busy_.fetch_sub(1); }

 private:
  std::atomic<int>& busy_;
};

int StatusResult(const uint8_t* reply) {
  if (reply[7] == kReplyStatusFF) return kCommandStatusFF;
  if (reply[7] == kReplyStatusFE) return kCommandStatusFE;
  return kCommandSuccess;
}

}  // namespace

CDeviceChannel::~CDeviceChannel() { SetOpen(false); }

bool CDeviceChannel::OpenRecord(bool receiver, const std::string& path, int mode) {
  std::lock_guard<std::recursive_mutex> io(ioLock_);
  CHidDevice& record = receiver ? dongle_ : wired_;
  record.Close();
  if (!record.Open(path, true, true, true, false)) return false;
  if (mode != 0) SetConnectionMode(mode);
  SetOpen(true);
  return true;
}

void CDeviceChannel::SetConnectionMode(int mode) {
  const bool dongle = mode == 2;
  dongleMode_.store(dongle ? 1 : 0);
  payload_.store(dongle ? kDonglePayload : kWiredPayload);
}

bool CDeviceChannel::SetBlockSize(uint16_t size) {
  if (size > kMaxBlockSize) return false;
  blockSize_.store(size);
  return true;
}

int CDeviceChannel::Exchange(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                             uint32_t replyLength, uint32_t* bytesRead) {
  return ExchangePacket(request, requestLength, reply, replyLength, bytesRead, false);
}

int CDeviceChannel::ExchangeQuiet(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                                  uint32_t replyLength, uint32_t* bytesRead) {
  return ExchangePacket(request, requestLength, reply, replyLength, bytesRead, true);
}

int CDeviceChannel::ExchangePacket(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                                   uint32_t replyLength, uint32_t* bytesRead, bool quiet) {
  BusyScope busy(busy_);
  if (bytesRead != nullptr) *bytesRead = 0;
  if (!IsOpen() || request == nullptr || reply == nullptr || replyLength == 0)
    return kCommandNoReply;

  uint8_t packet[kPacketSize] = {};
  std::memcpy(packet, request, std::min(requestLength, kPacketSize));
  const uint8_t command = packet[3];
  if (!quiet) TracePacket("命令", packet, kPacketSize);

  const bool dongle = IsDongleMode();
  const uint32_t timeout =
      dongle ? (quiet ? kDongleQuietTimeoutMs : kDongleTimeoutMs) : kWiredTimeoutMs;
  int result = kCommandNoReply;
  {
    // The write and its reply reads stay together: another thread's request
    // must not slip in between and take this request's reply.
    std::lock_guard<std::recursive_mutex> io(ioLock_);
    CHidDevice& hid = LiveInterface();
    if (!hid.WriteReport(packet, kPacketSize, nullptr, timeout)) return kCommandWriteFailed;
    for (int read = 0; read < 2; ++read) {
      std::memset(reply, 0, replyLength);
      uint32_t got = 0;
      result =
          hid.ReadReport(reply, replyLength, &got, timeout) ? kCommandSuccess : kCommandNoReply;
      if (bytesRead != nullptr) *bytesRead = got;
      if (replyLength <= 3) break;
      if (reply[3] == command) break;
      if (dongle && reply[3] == kDongleNoDevice && command != kDongleNoDevice) {
        result = kCommandUnreachable;
        break;
      }
    }
  }
  if (!quiet) TracePacket("返回", reply, replyLength);
  return result;
}

int CDeviceChannel::LockedExchange(LockKind lock, const uint8_t* request, uint8_t* reply,
                                   bool quiet) {
  std::unique_lock<std::recursive_mutex> held;
  if (lock == LockKind::Command)
    held = std::unique_lock<std::recursive_mutex>(commandLock_);
  else if (lock == LockKind::Light)
    held = std::unique_lock<std::recursive_mutex>(lightLock_);
  return quiet ? ExchangeQuiet(request, kPacketSize, reply, kPacketSize, nullptr)
               : Exchange(request, kPacketSize, reply, kPacketSize, nullptr);
}

int CDeviceChannel::SinglePacket(uint8_t command, uint8_t* reply, uint8_t length, uint16_t offset) {
  const CommandPacket request = MakeRequest(command, length, offset);
  uint8_t local[kPacketSize] = {};
  uint8_t* answer = reply != nullptr ? reply : local;
  const int result = LockedExchange(LockKind::Command, request.data(), answer, false);
  if (result != kCommandSuccess) return result;
  return StatusResult(answer);
}

CDeviceChannel::Transfer CDeviceChannel::MakeTransfer(uint8_t command, uint32_t total,
                                                      uint64_t base) const {
  Transfer t;
  t.command = command;
  t.total = total;
  t.step = PayloadPerPacket();
  t.base = base;
  return t;
}

int CDeviceChannel::Chunked(const Transfer& t) {
  if (t.total == 0) return kCommandSuccess;
  // Offsets past 0xFFFF would wrap to 0 and touch the start of the device's
  // memory instead.
  if (t.base + t.total > kOffsetLimit) return kCommandBadRange;
  const uint64_t base = t.base;
  const std::vector<CommandPacket> requests = BuildChunkRequests(
      t.command, t.source, t.total, t.step,
      [base](uint32_t position) { return static_cast<uint16_t>(base + position); });
  const std::vector<ChunkSpan> chunks = ChunkLayout(t.total, t.step);
  uint8_t reply[kPacketSize];
  for (size_t i = 0; i < requests.size(); ++i) {
    if (t.skipWhileBusy && IsBusy()) {
      // Another exchange is running: this chunk of the frame is dropped.
      DebugOutput("放弃灯光数据");
      continue;
    }
    const int result = LockedExchange(t.lock, requests[i].data(), reply, t.quiet);
    if (result != kCommandSuccess) return result;
    const int status = StatusResult(reply);
    if (status != kCommandSuccess) return status;
    if (t.destination != nullptr)
      std::memcpy(t.destination + chunks[i].position, reply + kPacketDataOffset, chunks[i].length);
  }
  return kCommandSuccess;
}

int CDeviceChannel::BeginConfig() { return SinglePacket(kCmdBeginConfig); }

int CDeviceChannel::EndConfig() {
  std::this_thread::sleep_for(kEndConfigPause);
  return SinglePacket(kCmdEndConfig);
}

int CDeviceChannel::ReadDeviceInfo(uint8_t* destination) {
  if (destination == nullptr) return kCommandNoReply;
  // Collected apart and handed over only when every chunk arrived.
  uint8_t block[kDeviceInfoSize] = {};
  Transfer t = MakeTransfer(kCmdReadDeviceInfo, kDeviceInfoSize);
  t.destination = block;
  const int result = Chunked(t);
  if (result == kCommandSuccess) std::memcpy(destination, block, kDeviceInfoSize);
  return result;
}

int CDeviceChannel::ReadParameters(uint8_t* destination, uint32_t length, uint32_t base) {
  if (destination == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdReadParameters, length, base);
  t.destination = destination;
  return Chunked(t);
}

int CDeviceChannel::WriteParameters(const uint8_t* source, uint32_t length, uint32_t base) {
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdWriteParameters, length, base);
  t.source = source;
  return Chunked(t);
}

int CDeviceChannel::ReadKeyTable(uint8_t* destination) {
  if (destination == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdReadKeyTable, BlockSize());
  t.destination = destination;
  return Chunked(t);
}

int CDeviceChannel::WriteKeyTableCommand(uint8_t command, const uint8_t* source, int page) {
  if (page != 0) return kCommandBadPage;
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(command, BlockSize(), static_cast<uint64_t>(page) * 512);
  t.source = source;
  return Chunked(t);
}

int CDeviceChannel::WriteKeyTable(const uint8_t* source, int page) {
  return WriteKeyTableCommand(kCmdWriteKeyTable, source, page);
}

int CDeviceChannel::WriteFnKeyTable(const uint8_t* source, int page) {
  return WriteKeyTableCommand(kCmdWriteFnKeyTable, source, page);
}

int CDeviceChannel::ReadLightTable(uint8_t* destination, uint32_t length, uint32_t index,
                                   uint32_t stride) {
  if (destination == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdReadLightTable, length, uint64_t{index} * stride);
  t.destination = destination;
  return Chunked(t);
}

int CDeviceChannel::WriteLightTable(const uint8_t* source, uint32_t length, uint32_t index,
                                    uint32_t stride) {
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdWriteLightTable, length, uint64_t{index} * stride);
  t.source = source;
  t.lock = LockKind::Light;
  return Chunked(t);
}

int CDeviceChannel::StreamLightFrame(const uint8_t* source, uint32_t length) {
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdStreamLightFrame, length);
  t.source = source;
  t.lock = LockKind::Light;
  t.quiet = true;
  t.skipWhileBusy = true;
  return Chunked(t);
}

int CDeviceChannel::WriteMacroData(const uint8_t* source, uint32_t length) {
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdWriteMacroData, length);
  t.source = source;
  return Chunked(t);
}

int CDeviceChannel::WriteShootData(const uint8_t* source, uint32_t length) {
  if (source == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdWriteShootData, length);
  t.source = source;
  t.step = kShootChunkSize;  // whatever the connection
  t.lock = LockKind::None;
  return Chunked(t);
}

int CDeviceChannel::ReadStatus(uint8_t* destination, uint32_t length, uint16_t offset) {
  if (destination == nullptr) return kCommandNoReply;
  // One packet carries at most 56 data bytes.
  length = std::min<uint32_t>(length, kPacketSize - kPacketDataOffset);
  uint8_t reply[kPacketSize] = {};
  const int result = SinglePacket(kCmdReadStatus, reply, static_cast<uint8_t>(length), offset);
  if (result == kCommandSuccess) std::memcpy(destination, reply + kPacketDataOffset, length);
  return result;
}

int CDeviceChannel::ReadLedIndexTable(uint8_t* destination) {
  if (destination == nullptr) return kCommandNoReply;
  Transfer t = MakeTransfer(kCmdReadLedIndexTable, BlockSize() / 3u);
  t.destination = destination;
  return Chunked(t);
}

int CDeviceChannel::EnableSoftwareLighting() { return SinglePacket(kCmdEnableSoftwareLighting); }

bool CDeviceChannel::QueryWirelessLink() {
  if (!IsDongleMode()) return true;
  uint8_t reply[kPacketSize] = {};
  if (SinglePacket(kCmdQueryWirelessLink, reply) != kCommandSuccess) return false;
  return reply[kPacketDataOffset] == 0xFF;
}
