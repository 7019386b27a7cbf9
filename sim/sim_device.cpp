#include "sim/sim_device.h"

#include <algorithm>
#include <cstring>

#include "platform/debug_output.h"

namespace {

constexpr uint8_t kDone = 0x01;
constexpr uint8_t kRefused = 0xFF;
constexpr uint8_t kUnknown = 0xFE;
constexpr size_t kMaxChunk = 56;
constexpr size_t kHeadsetLights = 13;

}  // namespace

uint16_t SimChecksum(const uint8_t* report64) {
  unsigned sum = 0;
  for (size_t i = 3; i < 64; ++i) sum += report64[i];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

CSimDevice::CSimDevice(SimProduct product)
    : product_(product), memory_(SimDeviceMemory::Factory(product)) {
  frameBuffer_.assign(memory_.KeyCount() * 3, 0);
  lastFrame_ = frameBuffer_;
  headsetFrame_.assign(2 * kHeadsetLights * 3, 0);
  headsetLastFrame_ = headsetFrame_;
  RebuildStatus();
}

uint8_t CSimDevice::Read(std::vector<uint8_t>& area, size_t offset, size_t length, uint8_t* out) {
  if (area.empty()) return kUnknown;
  if (length > kMaxChunk || offset + length > area.size()) return kRefused;
  std::memcpy(out, area.data() + offset, length);
  return kDone;
}

uint8_t CSimDevice::Write(std::vector<uint8_t>& area, size_t offset, size_t length,
                          const uint8_t* in) {
  if (area.empty()) return kUnknown;
  if (length > kMaxChunk || offset + length > area.size()) return kRefused;
  std::memcpy(area.data() + offset, in, length);
  unsaved_ = true;
  return kDone;
}

uint8_t CSimDevice::StreamFrame(size_t offset, size_t length, const uint8_t* in) {
  if (length > kMaxChunk || offset + length > frameBuffer_.size()) return kRefused;
  std::memcpy(frameBuffer_.data() + offset, in, length);
  if (offset + length == frameBuffer_.size()) {
    lastFrame_ = frameBuffer_;
    ++frameCount_;
  }
  return kDone;
}

SimReport CSimDevice::Execute(const uint8_t* report, size_t size) {
  SimReport request{};
  std::memcpy(request.data(), report, std::min(size, request.size()));
  SimReport reply{};
  const uint8_t command = request[3];
  const size_t length = request[4];
  const size_t offset = request[5] | (request[6] << 8);
  reply[0] = request[0];
  reply[3] = command;
  reply[4] = request[4];
  reply[5] = request[5];
  reply[6] = request[6];

  const uint16_t sum = SimChecksum(request.data());
  uint8_t status = kDone;
  uint8_t* out = reply.data() + 8;
  const uint8_t* in = request.data() + 8;
  const bool keyboard = product_ == SimProduct::Keyboard;
  const bool paired = SimProductHasReceiver(product_);
  if ((sum & 0xFF) != request[1] || (sum >> 8) != request[2]) {
    ++badChecksums_;
    DebugOutputF("sim %s: command %02x refused, checksum %04x expected %04x",
                 std::string(SimProductName(product_)).c_str(), command,
                 request[1] | (request[2] << 8), sum);
    status = kRefused;
  } else {
    switch (command) {
      case 0x01:
        break;
      case 0x02:
        if (unsaved_) commitPending_ = true;
        break;
      case 0x03:
        status = Read(memory_.info, offset, length, out);
        break;
      case 0x05:
        status = Read(memory_.parameters, offset, length, out);
        break;
      case 0x06:
        status = Write(memory_.parameters, offset, length, in);
        break;
      case 0x07:
        status = Read(memory_.keyTable, offset, length, out);
        break;
      case 0x09:
        status = Write(memory_.keyTable, offset, length, in);
        break;
      case 0x27:
        status = Write(memory_.fnKeyTable, offset, length, in);
        break;
      case 0x0A:
        status = Read(memory_.lightTables, offset, length, out);
        break;
      case 0x0B:
        status = Write(memory_.lightTables, offset, length, in);
        break;
      case 0x12:
        status = keyboard ? StreamFrame(offset, length, in) : kUnknown;
        break;
      case 0x15:
        status = Write(memory_.macro, offset, length, in);
        break;
      case 0x17:
        status = Write(memory_.shoot, offset, length, in);
        break;
      case 0x1A:
        status = Read(memory_.status, offset, length, out);
        break;
      case 0x1B:
        status = Read(memory_.ledIndex, offset, length, out);
        break;
      case 0x1C:
        if (keyboard)
          ++softwareLightingRequests_;
        else
          status = kUnknown;
        break;
      case 0xAA:
        // Asked over the cable the device simply answers: it is there.
        if (paired)
          out[0] = 0xFF;
        else
          status = kUnknown;
        break;
      default:
        status = kUnknown;
        break;
    }
  }
  reply[7] = status;
  const uint16_t replySum = SimChecksum(reply.data());
  reply[1] = static_cast<uint8_t>(replySum & 0xFF);
  reply[2] = static_cast<uint8_t>(replySum >> 8);
  return reply;
}

bool CSimDevice::HandleLightReport(const uint8_t* report, size_t size) {
  if (product_ != SimProduct::Headset || size != 17 || report[0] != 0x00 || report[1] != 0xFF)
    return false;
  const uint8_t target = report[2];
  const uint8_t sub = report[3];
  if ((target != 0x22 && target != 0x44) || sub < 0xAA || sub > 0xAF) return false;
  const size_t side = target == 0x22 ? 0 : 1;
  const size_t channel = (sub - 0xAA) % 3;
  const size_t first = sub >= 0xAD ? 7 : 0;
  const size_t count = sub >= 0xAD ? 6 : 7;
  for (size_t i = 0; i < count; ++i)
    headsetFrame_[(side * kHeadsetLights + first + i) * 3 + channel] = report[4 + i];
  if (target == 0x44 && sub == 0xAF) {  // the last report of a frame
    headsetLastFrame_ = headsetFrame_;
    ++headsetFrameCount_;
  }
  return true;
}

void CSimDevice::RebuildStatus() {
  auto& s = memory_.status;
  s.assign(kSimStatusSize, 0);
  s[0] = batteryLevel_;
  s[1] = charging_ ? 1 : (wireless_ ? 2 : 0);
  s[3] = wireless_ ? 1 : 0;
  s[4] = batteryLevel_ <= 20 ? 1 : 0;
  s[5] = product_ == SimProduct::Pad ? phone_ : 0;
}

void CSimDevice::SetBattery(uint8_t level, bool charging) {
  batteryLevel_ = std::min<uint8_t>(level, 100);
  charging_ = charging;
  RebuildStatus();
}

void CSimDevice::SetWireless(bool wireless) {
  wireless_ = wireless;
  RebuildStatus();
}

void CSimDevice::SetPhoneOnPad(uint8_t type) {
  phone_ = type;
  RebuildStatus();
}

void CSimDevice::ApplyEvent(uint16_t code) {
  if (!SimProductHasReceiver(product_) || code <= 1026) return;
  const uint8_t h = code >> 8, l = code & 0xFF;
  auto& params = memory_.parameters;
  // The keyboard's block byte 17 and the mouse's active DPI stage (byte 12).
  const size_t stride = product_ == SimProduct::Keyboard ? 31 : 128;
  const size_t field = product_ == SimProduct::Keyboard ? 17 : 12;
  int profile = -1, value = -1;
  if (h == 0x10 || h == 0x11) {
    profile = l & 0x0F;
    if (h == 0x11) value = l >> 4;
  } else if (h & 0x80) {
    profile = h & 0x0F;
    if (((h >> 4) & 7) == 2 && (l & 0x80) == 0) value = l & 0x7F;
  } else {
    return;  // key events change no memory
  }
  params[0] = static_cast<uint8_t>(profile);
  if (value >= 0 && profile * stride + field < params.size())
    params[profile * stride + field] = static_cast<uint8_t>(value);
  unsaved_ = true;
  commitPending_ = true;
}
