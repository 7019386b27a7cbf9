#pragma once
// Result codes of the device commands. Every value other than
// kCommandSuccess is a failure.

inline constexpr int kCommandSuccess = 1;
inline constexpr int kCommandNoReply = 0;         // channel not open, or no reply read
inline constexpr int kCommandWriteFailed = -1;    // the request could not be written
inline constexpr int kCommandUnreachable = -101;  // the receiver says its device does not answer
inline constexpr int kCommandStatusFF = -102;     // the device answered with status 0xFF
inline constexpr int kCommandStatusFE = -103;     // the device answered with status 0xFE
inline constexpr int kCommandBadPage = -201;      // key-table page other than 0
// The transfer reaches past the 16-bit offset field (offset + length above
// 0x10000); refused before anything is sent, as its offsets would wrap to 0.
inline constexpr int kCommandBadRange = -202;
