#pragma once
// A device's command channel: the wired and the receiver interface of one
// physical device, which of them is live, and the request/reply protocol of
// 64-byte reports (report id 4, 16-bit additive checksum, chunked blocks)
// with one routine per command code. Routines return the codes of
// link/command_result.h.
//
// Locks (all recursive): commandLock around each packet of the ordinary
// commands, lightLock around each packet of the lighting-table and frame
// commands, then ioLock around the write and the reply reads on the live
// interface. Order: command or lighting lock first, then ioLock; nothing
// takes the command or lighting lock while holding ioLock. dongleOpenLock is
// for the owner (reopening a receiver listener interface).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/command_packet.h"
#include "link/command_result.h"
#include "link/hid_device.h"

class CDeviceChannel {
 public:
  CDeviceChannel() = default;
  ~CDeviceChannel();
  CDeviceChannel(const CDeviceChannel&) = delete;
  CDeviceChannel& operator=(const CDeviceChannel&) = delete;

  // Channel management.
  void SetConnectionMode(int mode);  // 2: receiver (24 bytes a chunk); else wired (56)
  bool SetBlockSize(uint16_t size);  // refuses sizes above 512
  uint16_t BlockSize() const { return blockSize_.load(); }
  bool IsOpen() const { return open_.load() != 0; }
  void SetOpen(bool open) { open_.store(open ? 1 : 0); }
  // Opens the wired or the receiver record on `path` for command exchanges
  // (read, write, overlapped, shared), closing it first, under the I/O lock.
  // On success sets the connection mode (unless mode is 0) and marks the
  // channel open; on failure the open flag is left as it was.
  bool OpenRecord(bool receiver, const std::string& path, int mode);
  bool IsLightingPaused() const { return lightingPaused_.load() != 0; }
  void SetLightingPaused(bool paused) { lightingPaused_.store(paused ? 1 : 0); }
  bool IsDongleMode() const { return dongleMode_.load() != 0; }
  uint8_t PayloadPerPacket() const { return payload_.load(); }
  bool IsBusy() const { return busy_.load() > 0; }
  CHidDevice& WiredInterface() { return wired_; }
  CHidDevice& DongleInterface() { return dongle_; }
  CHidDevice& LiveInterface() { return IsDongleMode() ? dongle_ : wired_; }
  std::recursive_mutex& IoLock() { return ioLock_; }
  std::recursive_mutex& DongleOpenLock() { return dongleOpenLock_; }
  std::recursive_mutex& CommandLock() { return commandLock_; }
  std::recursive_mutex& LightLock() { return lightLock_; }

  // One packet each. Exchange traces request and reply; ExchangeQuiet does
  // not and waits less for a receiver.
  int Exchange(const uint8_t* request, uint32_t requestLength, uint8_t* reply, uint32_t replyLength,
               uint32_t* bytesRead);
  int ExchangeQuiet(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                    uint32_t replyLength, uint32_t* bytesRead);

  // Commands.
  int BeginConfig();                                                           // 0x01
  int EndConfig();                                                             // 0x02
  int ReadDeviceInfo(uint8_t* destination);                                    // 0x03, 34 bytes
  int ReadParameters(uint8_t* destination, uint32_t length, uint32_t base);    // 0x05
  int WriteParameters(const uint8_t* source, uint32_t length, uint32_t base);  // 0x06
  int ReadKeyTable(uint8_t* destination);                                      // 0x07
  int WriteKeyTable(const uint8_t* source, int page);                          // 0x09
  int ReadLightTable(uint8_t* destination, uint32_t length, uint32_t index,
                     uint32_t stride);  // 0x0A
  int WriteLightTable(const uint8_t* source, uint32_t length, uint32_t index,
                      uint32_t stride);                                    // 0x0B
  int StreamLightFrame(const uint8_t* source, uint32_t length);            // 0x12
  int WriteMacroData(const uint8_t* source, uint32_t length);              // 0x15
  int WriteShootData(const uint8_t* source, uint32_t length);              // 0x17
  int ReadStatus(uint8_t* destination, uint32_t length, uint16_t offset);  // 0x1A
  int ReadLedIndexTable(uint8_t* destination);                             // 0x1B
  int EnableSoftwareLighting();                                            // 0x1C
  int WriteFnKeyTable(const uint8_t* source, int page);                    // 0x27
  bool QueryWirelessLink();                                                // 0xAA

 private:
  enum class LockKind { Command, Light, None };
  struct Transfer {
    uint8_t command = 0;
    const uint8_t* source = nullptr;  // writes
    uint8_t* destination = nullptr;   // reads
    uint32_t total = 0;
    uint32_t step = 0;
    uint64_t base = 0;  // offset of the block's first byte
    LockKind lock = LockKind::Command;
    bool quiet = false;
    bool skipWhileBusy = false;
  };

  int ExchangePacket(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                     uint32_t replyLength, uint32_t* bytesRead, bool quiet);
  int LockedExchange(LockKind lock, const uint8_t* request, uint8_t* reply, bool quiet);
  int SinglePacket(uint8_t command, uint8_t* reply = nullptr, uint8_t length = 0,
                   uint16_t offset = 0);
  // A transfer of total bytes in chunks of the connection's payload, at
  // offset base + position, under the command lock.
  Transfer MakeTransfer(uint8_t command, uint32_t total, uint64_t base = 0) const;
  // Refuses with kCommandBadRange, before sending, a transfer whose bytes do
  // not all have an offset the 16-bit field can carry.
  int Chunked(const Transfer& transfer);
  int WriteKeyTableCommand(uint8_t command, const uint8_t* source, int page);

  std::atomic<uint16_t> blockSize_{kMaxBlockSize};
  std::atomic<int> busy_{0};  // exchanges in progress
  std::atomic<int> open_{0};
  std::atomic<int> lightingPaused_{0};
  CHidDevice wired_;
  CHidDevice dongle_;
  std::recursive_mutex ioLock_;
  std::recursive_mutex dongleOpenLock_;
  std::recursive_mutex commandLock_;
  std::recursive_mutex lightLock_;
  std::atomic<int> dongleMode_{0};
  std::atomic<uint8_t> payload_{kDonglePayload};
};
