#pragma once
// The fixed list of HID interfaces the program knows, the product tables that
// go with it, and the tests the discovery code runs on the connection table
// (the run-time copy of the catalogue).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct InterfaceEntry {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t interfaceNumber = 0;
  uint16_t collectionNumber = 0;
  uint16_t kind = 0;
  uint16_t role = 0;     // 0 command interface, 0xFF event interface
  uint16_t claimed = 0;  // run time: 1 while claimed by an open device
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  uint16_t hasPartner = 0;  // 1 if the device has a second connection
  uint16_t partnerIndex = 0;
  std::string path;  // run time: path of the claimed interface
};

inline constexpr size_t kInterfaceCatalogueSize = 11;
extern const std::array<InterfaceEntry, kInterfaceCatalogueSize> kInterfaceCatalogue;

struct DeviceTypeEntry {
  const char* tabLayout;
  const char* tabGroup;
  const char* powerContainer;
  const char* deviceName;
  uint16_t vendorId;
  uint16_t productId;
  uint16_t kind;
  uint16_t role;
  uint16_t deviceTypeCode;
};
extern const std::array<DeviceTypeEntry, 4> kDeviceTypes;

struct DevicePageEntry {
  const char* pageLayout;
  int lightPointCount;
  int keyButtonCount;
  int batteryIndicator;
  int reservedValue;
  const char* lightLibraryName;
};
extern const std::array<DevicePageEntry, 4> kDevicePages;

struct ProductEntry {
  int integer1;  // 0 for the application row, non-zero for device rows
  int integer2;
  const char* vendor;
  const char* modelCode;
  const char* productName;
  const char* displayName;
  const char* versionText;
};
extern const std::array<ProductEntry, 4> kProducts;

// Path parsers: the hexadecimal number after "vid_", "pid_", "&mi_" or "&col",
// found without regard to case in the path's identity part (behind its last
// '?', so the node path's folder names never count); 0 when the marker or the
// number is missing.
uint16_t ParseVid(std::string_view path);
uint16_t ParsePid(std::string_view path);
uint16_t ParseInterfaceNumber(std::string_view path);
uint16_t ParseCollectionNumber(std::string_view path);

// Equal vendor, product, interface, collection, kind, role, usage page and usage.
bool SameInterface(const InterfaceEntry& a, const InterfaceEntry& b);

using ConnectionTable = std::vector<InterfaceEntry>;

// The connection table as the main window starts it: the catalogue's rows in order.
ConnectionTable MakeConnectionTable();

// True when no row is free (claimed 0 and an empty path).
bool AllInterfacesClaimed(const ConnectionTable& table);

// The identity's vendor, product, collection and interface number match a
// catalogue row, and some row with those values is free.
bool AdmitInterface(const ConnectionTable& table, const InterfaceEntry& identity);

// Completes the identity's kind and role from the catalogue row that matches
// its vendor, product, collection, interface, usage page and usage, then claims
// the first free connection-table row with those six values.
bool ClaimInterface(ConnectionTable& table, InterfaceEntry& identity, int& index);

// First catalogue index with these values, -1 if none.
int FindCommandRow(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role);

// First device-type index with these values, -1 if none.
int FindDeviceType(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role);
