// ruvemoctl's device link commands: list the supported interfaces that are
// present, and talk to a device's command interface.

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ctl/ctl_commands.h"
#include "devices/device_kind.h"
#include "devices/interface_catalogue.h"
#include "link/command_result.h"
#include "link/device_channel.h"
#include "link/hid_device.h"
#include "link/hid_path.h"
#include "platform/debug_output.h"

namespace {

constexpr int kExitOk = kCtlExitOk;
constexpr int kExitNotPresent = kCtlExitNotPresent;
constexpr int kExitFailed = kCtlExitFailed;

struct PresentInterface {
  int catalogueIndex;
  std::string path;
  uint16_t usagePage;
  uint16_t usage;
  const char* note;  // "no access" when it could not be opened; null when it was
};

// Whether a present node failed to open for want of permission: its open
// needs read permission (hidraw) or, for a bus node's socket, write
// permission to connect.
bool LacksAccess(const std::string& path) {
  const std::string node = NodePathOf(path);
  const bool socket = node.size() > 5 && node.compare(node.size() - 5, 5, ".sock") == 0;
  return ::access(node.c_str(), socket ? W_OK : R_OK) != 0 && (errno == EACCES || errno == EPERM);
}

// The catalogue row whose vendor, product, interface and collection number
// the path names (unique in the catalogue), -1 if none.
int CatalogueRowOfPath(const InterfaceEntry& identity) {
  for (size_t i = 0; i < kInterfaceCatalogue.size(); ++i) {
    const InterfaceEntry& row = kInterfaceCatalogue[i];
    if (row.vendorId == identity.vendorId && row.productId == identity.productId &&
        row.interfaceNumber == identity.interfaceNumber &&
        row.collectionNumber == identity.collectionNumber)
      return static_cast<int>(i);
  }
  return -1;
}

// Every catalogue interface that is present, in enumeration order. Paths are
// taken as discovery takes them: admitted by the identity their path names,
// then opened to read attributes and capabilities. One that this user may not
// open is listed with the note "no access", under the catalogue row its path
// names.
std::vector<PresentInterface> FindPresentInterfaces() {
  std::vector<PresentInterface> found;
  const ConnectionTable unclaimed = MakeConnectionTable();
  CHidDevice enumerator;
  if (!enumerator.BeginEnumeration()) return found;
  while (auto path = enumerator.NextDevicePath()) {
    InterfaceEntry identity;
    identity.vendorId = ParseVid(*path);
    identity.productId = ParsePid(*path);
    identity.interfaceNumber = ParseInterfaceNumber(*path);
    identity.collectionNumber = ParseCollectionNumber(*path);
    if (!AdmitInterface(unclaimed, identity)) continue;
    CHidDevice probe;
    if (!probe.Open(*path, true, false, true, false)) {
      // One that is there but may not be opened is listed with a note; one
      // that failed otherwise (gone, stuck) is left out.
      const int row = CatalogueRowOfPath(identity);
      if (row >= 0 && LacksAccess(*path)) {
        DebugOutputF("list: no access to %s", path->c_str());
        const InterfaceEntry& entry = kInterfaceCatalogue[static_cast<size_t>(row)];
        found.push_back({row, *path, entry.usagePage, entry.usage, "no access"});
      }
      continue;
    }
    for (size_t i = 0; i < kInterfaceCatalogue.size(); ++i) {
      const InterfaceEntry& row = kInterfaceCatalogue[i];
      if (row.vendorId == probe.VendorId() && row.productId == probe.ProductId() &&
          row.interfaceNumber == identity.interfaceNumber &&
          row.collectionNumber == identity.collectionNumber && row.usagePage == probe.UsagePage() &&
          row.usage == probe.Usage()) {
        found.push_back({static_cast<int>(i), *path, probe.UsagePage(), probe.Usage(), nullptr});
        break;
      }
    }
    probe.Close();
  }
  enumerator.FreeDevicePaths();
  return found;
}

const char* KindName(uint16_t kind) {
  switch (kind) {
    case kKindKeyboard:
      return "keyboard";
    case kKindKeyboardReceiver:
      return "keyboard-receiver";
    case kKindMouse:
      return "mouse";
    case kKindMouseReceiver:
      return "mouse-receiver";
    case kKindMousePad:
      return "pad";
    case kKindHeadset:
      return "headset";
  }
  return "unknown";
}

// Catalogue rows of a device's command interface: wired first, then receiver.
std::optional<std::vector<int>> CommandRowsOf(const std::string& device) {
  if (device == "keyboard") return std::vector<int>{0, 2};
  if (device == "mouse") return std::vector<int>{4, 6};
  if (device == "pad") return std::vector<int>{8};
  if (device == "headset") return std::vector<int>{10};
  return std::nullopt;
}

void PrintHex(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) std::printf("%02x%s", data[i], (i + 1 == size) ? "\n" : " ");
  if (size == 0) std::printf("\n");
}

bool ParseNumber(const std::string& text, uint32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || parsed > 0xFFFFFFu) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == ',') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
  }
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 128) return false;
  for (size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return true;
}

int ReportFailure(const char* what, int result) {
  std::fprintf(stderr, "ruvemoctl: %s failed with result %d\n", what, result);
  return kExitFailed;
}

int RunList() {
  std::printf("%-56s %-6s %-7s %-9s %-10s %-10s %-5s %-17s %-7s %s\n", "path", "vendor", "product",
              "interface", "collection", "usage-page", "usage", "kind", "role", "note");
  for (const auto& p : FindPresentInterfaces()) {
    const InterfaceEntry& row = kInterfaceCatalogue[p.catalogueIndex];
    std::printf("%-56s %04x   %04x    %-9u %-10u %04x       %-5x %-17s %-7s %s\n", p.path.c_str(),
                row.vendorId, row.productId, row.interfaceNumber, row.collectionNumber, p.usagePage,
                p.usage, KindName(row.kind), row.role == kRoleEvent ? "event" : "command",
                p.note != nullptr ? p.note : "");
  }
  return kExitOk;
}

// BeginConfig, the body, EndConfig; the first failing result decides.
template <typename Body>
int InConfigBatch(CDeviceChannel& channel, Body body) {
  int result = channel.BeginConfig();
  if (result != kCommandSuccess) return ReportFailure("BeginConfig", result);
  const int status = body();
  result = channel.EndConfig();
  if (status != kExitOk) return status;
  if (result != kCommandSuccess) return ReportFailure("EndConfig", result);
  return kExitOk;
}

}  // namespace

// Opens the device's command interface on the channel: the wired one when it
// is present, else the receiver's.
int OpenDeviceChannel(const std::string& device, CDeviceChannel& channel) {
  const auto rows = CommandRowsOf(device);
  if (!rows) {
    std::fprintf(stderr, "ruvemoctl: unknown device '%s' (keyboard, mouse, pad, headset)\n",
                 device.c_str());
    return kExitFailed;
  }
  const auto present = FindPresentInterfaces();
  for (int row : *rows) {
    for (const auto& p : present) {
      if (p.catalogueIndex != row || p.note != nullptr) continue;
      const bool receiver = IsReceiverKind(kInterfaceCatalogue[row].kind);
      const bool paired = device == "keyboard" || device == "mouse";
      if (!channel.OpenRecord(receiver, p.path, paired ? (receiver ? 2 : 1) : 0)) {
        std::fprintf(stderr, "ruvemoctl: cannot open %s\n", p.path.c_str());
        return kExitFailed;
      }
      return kExitOk;
    }
  }
  std::fprintf(stderr, "ruvemoctl: no %s is present\n", device.c_str());
  return kExitNotPresent;
}

int RunDeviceCommand(const CtlArgs& all) {
  CtlArgs args;
  bool force = false;
  for (const auto& a : all) {
    if (a == "--trace")
      SetDebugOutputEnabled(true);
    else if (a == "--force")
      force = true;
    else
      args.push_back(a);
  }
  if (args.empty()) {
    PrintUsage();
    return kExitFailed;
  }
  // Two processes exchanging reports with one device would take each other's
  // replies: while the program runs, leave the devices to it.
  if (!force) {
    const std::string owner = ProgramRunningReason();
    if (!owner.empty()) {
      std::fprintf(stderr,
                   "ruvemoctl: %s; its requests and ours would take each other's replies. "
                   "Quit it first, or pass --force.\n",
                   owner.c_str());
      return kExitFailed;
    }
  }
  const std::string& command = args[0];
  if (command == "list") return RunList();
  if (command == "keyboard") return RunKeyboardCommand(args);

  if (args.size() < 2) {
    PrintUsage();
    return kExitFailed;
  }
  CDeviceChannel channel;
  const int opened = OpenDeviceChannel(args[1], channel);
  if (opened != kExitOk) return opened;

  if (command == "info" && args.size() == 2) {
    return InConfigBatch(channel, [&] {
      uint8_t info[34] = {};
      const int result = channel.ReadDeviceInfo(info);
      if (result != kCommandSuccess) return ReportFailure("ReadDeviceInfo", result);
      PrintHex(info, sizeof info);
      return kExitOk;
    });
  }
  if (command == "read-params" && args.size() == 4) {
    uint32_t offset = 0, length = 0;
    if (!ParseNumber(args[2], offset) || !ParseNumber(args[3], length) || offset > 0xFFFF ||
        length == 0 || length > 0x10000) {
      std::fputs("ruvemoctl: OFFSET and LENGTH must be numbers (LENGTH 1 to 65536)\n", stderr);
      return kExitFailed;
    }
    // The offset field has 16 bits: the range must end by 0x10000.
    if (offset + length > 0x10000) {
      std::fprintf(stderr,
                   "ruvemoctl: OFFSET + LENGTH must not pass 0x10000 (the range %#x..%#x does "
                   "not fit the 16-bit offset)\n",
                   offset, offset + length - 1);
      return kExitFailed;
    }
    return InConfigBatch(channel, [&] {
      std::vector<uint8_t> data(length);
      const int result = channel.ReadParameters(data.data(), length, offset);
      if (result != kCommandSuccess) return ReportFailure("ReadParameters", result);
      PrintHex(data.data(), data.size());
      return kExitOk;
    });
  }
  if (command == "raw" && args.size() >= 3) {
    std::string hex;
    for (size_t i = 2; i < args.size(); ++i) hex += args[i];
    std::vector<uint8_t> request;
    if (!ParseHexBytes(hex, request)) {
      std::fputs("ruvemoctl: HEXBYTES must be 1 to 64 bytes in hexadecimal\n", stderr);
      return kExitFailed;
    }
    uint8_t reply[64] = {};
    uint32_t read = 0;
    const int result = channel.Exchange(request.data(), static_cast<uint32_t>(request.size()),
                                        reply, sizeof reply, &read);
    if (result != kCommandSuccess) return ReportFailure("the exchange", result);
    PrintHex(reply, read);
    return kExitOk;
  }
  PrintUsage();
  return kExitFailed;
}
