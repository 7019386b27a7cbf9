#include "sim/device_memory.h"

#include "sim/hex_text.h"

#include "sim/device_layout.h"

namespace {

constexpr SimArea kStoredAreas[] = {SimArea::Parameters,  SimArea::KeyTable, SimArea::FnKeyTable,
                                    SimArea::LightTables, SimArea::Macro,    SimArea::Shoot};

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t value) {
  v[at] = static_cast<uint8_t>(value & 0xFF);
  v[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Factory lighting of the five profiles: effect code, brightness, device
// speed, direction, multicolour, red, green, blue.
constexpr uint8_t kProfileLighting[5][8] = {{1, 4, 2, 0, 1, 255, 0, 0},
                                            {5, 3, 1, 0, 0, 0, 255, 0},
                                            {6, 4, 2, 1, 0, 0, 0, 255},
                                            {4, 2, 3, 0, 1, 255, 255, 0},
                                            {2, 4, 0, 1, 0, 255, 255, 255}};

void FillKeyboard(SimDeviceMemory& m) {
  const auto& positions = SimKeyboardPositions();
  m.info[0] = 0x05;  // firmware 1.05
  m.info[1] = 0x01;
  m.info[5] = static_cast<uint8_t>(positions.size());
  m.info[6] = 32;  // 4096 bytes of macro memory
  m.keyTable.assign(kSimKeyTableSize, 0);
  m.fnKeyTable.assign(kSimKeyTableSize, 0);
  m.ledIndex.assign(kSimKeyTableSize, 0xFF);
  for (size_t k = 0; k < positions.size(); ++k) {
    for (int b = 0; b < 3; ++b) m.keyTable[k * 3 + b] = positions[k].code[b];
    m.ledIndex[k] = positions[k].ledIndex;
  }
  m.lightTables.assign(kSimLightGroups * kSimLightGroupStride, 0);
  for (size_t g = 0; g < kSimLightGroups; ++g) {
    for (size_t led = 0; led < positions.size(); ++led) {
      uint8_t* entry = &m.lightTables[g * kSimLightGroupStride + led * 3];
      entry[0] = static_cast<uint8_t>(255 - g * 32);
      entry[1] = static_cast<uint8_t>(led * 2);
      entry[2] = static_cast<uint8_t>(g * 32);
    }
  }
  m.macro.assign(static_cast<size_t>(m.info[6]) * 128, 0);
  for (size_t p = 0; p < 5; ++p) {
    uint8_t* block = &m.parameters[p * 31];
    for (int b = 0; b < 8; ++b) block[1 + b] = kProfileLighting[p][b];
    block[19] = 0;  // Windows-key related flag
    block[20] = 0;  // six-key flag
    block[21] = 0;  // Windows-key lock
    block[22] = 3;  // polling rate code
    block[29] = 0;  // low latency
  }
}

void FillMouse(SimDeviceMemory& m) {
  const auto& positions = SimMousePositions();
  m.info[0] = 0x12;  // firmware 2.12
  m.info[1] = 0x02;
  m.info[5] = static_cast<uint8_t>(positions.size());
  m.info[6] = 16;            // 2048 bytes of macro memory
  Put16(m.info, 9, 0x3325);  // sensor code
  m.info[11] = 100;          // DPI step
  Put16(m.info, 12, 73);     // number of steps: up to 9900 DPI
  Put16(m.info, 14, 100);    // minimum DPI
  m.keyTable.assign(kSimKeyTableSize, 0);
  for (size_t k = 0; k < positions.size(); ++k)
    for (int b = 0; b < 3; ++b) m.keyTable[k * 3 + b] = positions[k].code[b];
  m.macro.assign(static_cast<size_t>(m.info[6]) * 128, 0);
  m.shoot.assign(kSimShootSize, 0);
  // DPI stages as step counts: 400, 800, 1600, 3200, 6400 DPI.
  const uint16_t counts[5] = {3, 7, 15, 31, 55};
  const uint8_t colours[5][3] = {
      {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {255, 0, 255}};
  for (size_t p = 0; p < 5; ++p) {
    uint8_t* block = &m.parameters[p * 128];
    for (int b = 0; b < 8; ++b) block[1 + b] = kProfileLighting[p][b];
    block[11] = 3;  // polling rate index
    block[12] = 1;  // active DPI stage
    for (int s = 0; s < 5; ++s) {
      uint8_t* stage = block + 14 + 9 * s;
      stage[0] = 1;
      stage[1] = 0;
      stage[2] = static_cast<uint8_t>(counts[s] & 0xFF);
      stage[3] = static_cast<uint8_t>(counts[s] >> 8);
      stage[4] = stage[2];
      stage[5] = stage[3];
      stage[6] = colours[s][0];
      stage[7] = colours[s][1];
      stage[8] = colours[s][2];
    }
  }
}

void FillSmall(SimDeviceMemory& m, uint8_t versionLow) {
  m.info[0] = versionLow;
  m.info[1] = 0x01;
  for (size_t p = 0; p < 5; ++p) {
    uint8_t* block = &m.parameters[p * 64];
    for (int b = 0; b < 8; ++b) block[1 + b] = kProfileLighting[p][b];
  }
}

}  // namespace

std::vector<uint8_t>& SimDeviceMemory::Area(SimArea area) {
  switch (area) {
    case SimArea::Info:
      return info;
    case SimArea::Parameters:
      return parameters;
    case SimArea::KeyTable:
      return keyTable;
    case SimArea::FnKeyTable:
      return fnKeyTable;
    case SimArea::LedIndex:
      return ledIndex;
    case SimArea::LightTables:
      return lightTables;
    case SimArea::Macro:
      return macro;
    case SimArea::Shoot:
      return shoot;
    case SimArea::Status:
      break;
  }
  return status;
}

const std::vector<uint8_t>& SimDeviceMemory::Area(SimArea area) const {
  return const_cast<SimDeviceMemory*>(this)->Area(area);
}

SimDeviceMemory SimDeviceMemory::Factory(SimProduct product) {
  SimDeviceMemory m;
  m.info.assign(kSimInfoSize, 0);
  m.parameters.assign(kSimParameterSize, 0);
  m.status = {100, 0, 0, 0, 0, 0};
  switch (product) {
    case SimProduct::Keyboard:
      FillKeyboard(m);
      break;
    case SimProduct::Mouse:
      FillMouse(m);
      break;
    case SimProduct::Pad:
      FillSmall(m, 0x03);
      break;
    case SimProduct::Headset:
      FillSmall(m, 0x07);
      break;
  }
  return m;
}

Json::Value SimDeviceMemory::ToJson() const {
  Json::Value value(Json::objectValue);
  for (SimArea area : kStoredAreas) {
    const auto& bytes = Area(area);
    if (!bytes.empty()) value[std::string(SimAreaName(area))] = SimHexText(bytes);
  }
  return value;
}

void SimDeviceMemory::FromJson(const Json::Value& value) {
  if (!value.isObject()) return;
  for (SimArea area : kStoredAreas) {
    const std::string name(SimAreaName(area));
    if (!value.isMember(name) || !value[name].isString()) continue;
    std::vector<uint8_t> bytes;
    auto& target = Area(area);
    if (SimParseHex(value[name].asString(), bytes) && bytes.size() == target.size() &&
        !target.empty())
      target = std::move(bytes);
  }
}
