#include "devices/interface_catalogue.h"

#include "devices/device_kind.h"
#include "link/hid_path.h"
#include "platform/usb_ids.h"

namespace {

constexpr uint16_t V = kBrivoVendorId;

InterfaceEntry Row(uint16_t vendor, uint16_t product, uint16_t interfaceNumber, uint16_t collection,
                   uint16_t kind, uint16_t role, uint16_t usagePage, uint16_t usage,
                   uint16_t hasPartner, uint16_t partner) {
  InterfaceEntry e;
  e.vendorId = vendor;
  e.productId = product;
  e.interfaceNumber = interfaceNumber;
  e.collectionNumber = collection;
  e.kind = kind;
  e.role = role;
  e.usagePage = usagePage;
  e.usage = usage;
  e.hasPartner = hasPartner;
  e.partnerIndex = partner;
  return e;
}

bool SameLocation(const InterfaceEntry& a, const InterfaceEntry& b) {
  return a.vendorId == b.vendorId && a.productId == b.productId &&
         a.collectionNumber == b.collectionNumber && a.interfaceNumber == b.interfaceNumber;
}

bool IsFree(const InterfaceEntry& e) { return e.claimed == 0 && e.path.empty(); }

}  // namespace

// clang-format off
const std::array<InterfaceEntry, kInterfaceCatalogueSize> kInterfaceCatalogue = {
    //  vendor            product  mi col kind  role   page    usage partner
    Row(V,                0x5055,  1, 4,  1,    0x00,  0xFF1C, 0x92, 1, 2),
    Row(V,                0x5055,  1, 3,  1,    0xFF,  0x000C, 0x01, 1, 3),
    Row(V,                0x5088,  1, 4,  9,    0x00,  0xFF1C, 0x92, 1, 0),
    Row(V,                0x5088,  1, 3,  9,    0xFF,  0x000C, 0x01, 1, 1),
    Row(kMouseVendorId,   0x024F,  1, 4,  2,    0x00,  0xFF1C, 0x92, 1, 6),
    Row(kMouseVendorId,   0x024F,  1, 3,  2,    0xFF,  0x000C, 0x01, 1, 7),
    Row(V,                0x221D,  1, 4,  6,    0x00,  0xFF1C, 0x92, 1, 4),
    Row(V,                0x221D,  1, 3,  6,    0xFF,  0x000C, 0x01, 1, 5),
    Row(V,                0x1004,  1, 4,  3,    0x00,  0xFF1C, 0x92, 0, 0),
    Row(V,                0x1004,  1, 3,  3,    0xFF,  0x000C, 0x01, 0, 0),
    Row(kHeadsetVendorId, 0x1630,  3, 0,  7,    0x00,  0x000C, 0x01, 0, 0),
};

const std::array<DeviceTypeEntry, 4> kDeviceTypes = {{
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "mouse", kMouseVendorId, 0x024F, 2, 0, 1},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "keyboard", V, 0x5055, 1, 0, 0},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "MousePad", V, 0x1004, 3, 0, 2},
    {"XML\\CustomControlXML\\DeviceOption.xml", "tab_header_device", "device_power_switch",
     "HD", kHeadsetVendorId, 0x1630, 7, 0, 3},
}};

const std::array<DevicePageEntry, 4> kDevicePages = {{
    {"XML\\DeviceXml\\mousedevice.xml", 15, 11, 1, -1, "tomel_light"},
    {"XML\\DeviceXml\\keyboarddevice.xml", 170, 170, 1, -1, "tomel_light"},
    {"XML\\DeviceXml\\mousepaddevice.xml", 15, 0, 0, -1, "tomel_light"},
    {"XML\\DeviceXml\\hs6533device.xml", 13, 0, 0, -1, "tomel_light"},
}};

// Registration data of the update service: the five key columns identify each
// product family to it.
const std::array<ProductEntry, 4> kProducts = {{
    {1, 1, "BRIVO", "BM75", "MOUSE", "Brivo75 Mouse", ""},
    {2, 1, "BRIVO", "BK75", "KEYBOARD", "Brivo75 Keyboard", ""},
    {3, 1, "BRIVO", "BP75", "MOUSEPAD", "Brivo75 Mouse Pad", ""},
    {0, 1, "BRIVO", "APP", "RUVEMO", "AP", "V1.0.0.0"},
}};
// clang-format on

uint16_t ParseVid(std::string_view path) {
  return static_cast<uint16_t>(ParseHexAfter(path, "vid_"));
}
uint16_t ParsePid(std::string_view path) {
  return static_cast<uint16_t>(ParseHexAfter(path, "pid_"));
}
uint16_t ParseInterfaceNumber(std::string_view path) {
  return static_cast<uint16_t>(ParseHexAfter(path, "&mi_"));
}
uint16_t ParseCollectionNumber(std::string_view path) {
  return static_cast<uint16_t>(ParseHexAfter(path, "&col"));
}

bool SameInterface(const InterfaceEntry& a, const InterfaceEntry& b) {
  return SameLocation(a, b) && a.kind == b.kind && a.role == b.role && a.usagePage == b.usagePage &&
         a.usage == b.usage;
}

ConnectionTable MakeConnectionTable() {
  return ConnectionTable(kInterfaceCatalogue.begin(), kInterfaceCatalogue.end());
}

bool AllInterfacesClaimed(const ConnectionTable& table) {
  for (const auto& row : table)
    if (IsFree(row)) return false;
  return true;
}

bool AdmitInterface(const ConnectionTable& table, const InterfaceEntry& identity) {
  bool known = false;
  for (const auto& row : kInterfaceCatalogue) known = known || SameLocation(row, identity);
  if (!known) return false;
  for (const auto& row : table)
    if (SameLocation(row, identity) && IsFree(row)) return true;
  return false;
}

bool ClaimInterface(ConnectionTable& table, InterfaceEntry& identity, int& index) {
  const InterfaceEntry* match = nullptr;
  for (const auto& row : kInterfaceCatalogue) {
    if (SameLocation(row, identity) && row.usagePage == identity.usagePage &&
        row.usage == identity.usage) {
      match = &row;
      break;
    }
  }
  if (match == nullptr) return false;
  identity.kind = match->kind;
  identity.role = match->role;
  for (size_t i = 0; i < table.size(); ++i) {
    InterfaceEntry& row = table[i];
    if (SameLocation(row, identity) && row.usagePage == identity.usagePage &&
        row.usage == identity.usage && IsFree(row)) {
      row.claimed = 1;
      row.path = identity.path;
      index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

int FindCommandRow(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role) {
  for (size_t i = 0; i < kInterfaceCatalogue.size(); ++i) {
    const auto& row = kInterfaceCatalogue[i];
    if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
        row.role == role)
      return static_cast<int>(i);
  }
  return -1;
}

int FindDeviceType(uint16_t vendorId, uint16_t productId, uint16_t kind, uint16_t role) {
  for (size_t i = 0; i < kDeviceTypes.size(); ++i) {
    const auto& row = kDeviceTypes[i];
    if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
        row.role == role)
      return static_cast<int>(i);
  }
  return -1;
}
