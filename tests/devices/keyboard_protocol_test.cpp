// The keyboard's protocol and data logic: layout discovery, the settings
// block, the key tables and the macro image against the simulated keyboard,
// and the pure codecs (settings block, events, frames) on small tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devices/keyboard_key_tables.h"
#include "devices/keyboard_layout.h"
#include "devices/keyboard_profile_state.h"
#include "devices/keyboard_protocol.h"
#include "devices/keyboard_settings_block.h"
#include "link/command_result.h"
#include "link/device_channel.h"
#include "profiles/macro_library.h"
#include "sim/device_layout.h"
#include "sim/simulator.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"

namespace {

// A layout of the given device positions (codes in device order, LED i at
// position i unless leds is given), maps rebuilt.
KeyboardLayout MakeLayout(const std::vector<KeyCode>& codes, std::vector<uint8_t> leds = {}) {
  KeyboardLayout layout;
  layout.keyCount = static_cast<int>(codes.size());
  for (const KeyCode& c : codes) layout.keyTable.insert(layout.keyTable.end(), c.begin(), c.end());
  if (leds.empty())
    for (size_t i = 0; i < codes.size(); ++i) leds.push_back(static_cast<uint8_t>(i));
  layout.ledTable = leds;
  layout.RebuildMaps();
  return layout;
}

// Every key its default assignment on both layers.
std::vector<KeyAssignmentRecord> DefaultKeys() {
  std::vector<KeyAssignmentRecord> keys(kKeyboardKeyNumbers);
  for (int i = 0; i < kKeyboardKeyNumbers; ++i) {
    const AssignmentCode code{kKeyLayoutTable[i][0], kKeyLayoutTable[i][1], kKeyLayoutTable[i][2]};
    keys[i].Fn.code = keys[i].Normal.code = keys[i].Default.code = code;
    keys[i].Fn.key = keys[i].Normal.key = keys[i].Default.key = static_cast<uint16_t>(i);
  }
  return keys;
}

std::vector<uint8_t> Bytes(const std::vector<uint8_t>& area, size_t at, size_t n) {
  if (at + n > area.size()) return {};
  return std::vector<uint8_t>(area.begin() + at, area.begin() + at + n);
}

AssignmentCode Macro(uint8_t number) { return AssignmentCode{0x70, number, 0}; }

class KeyboardSimTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sim_ = MakeQuickSimulator(Folder());
    ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
    const std::string path = SimCollectionPath(*sim_, SimProduct::Keyboard, "&col04");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(OpenWiredChannel(channel_, path));
  }
  void TearDown() override {
    channel_.WiredInterface().Close();
    sim_.reset();
    BusFolderTest::TearDown();
  }
  std::vector<uint8_t> Area(SimArea area) const { return sim_->Memory(SimProduct::Keyboard, area); }
  // A macro library in the bus folder with macros of the given event counts.
  std::unique_ptr<CMacroLibrary> MakeLibrary(const std::vector<int>& eventCounts) {
    auto library = std::make_unique<CMacroLibrary>(Folder() + "/");
    for (const int count : eventCounts) {
      const int index = library->NewMacro();
      EXPECT_GE(index, 0);
      Json::Value events(Json::arrayValue);
      for (int e = 0; e < count; ++e) {
        Json::Value event;
        event["Delay"] = std::to_string(10 + e);
        event["Type"] = 1;
        event["Action"] = e % 2 == 0 ? "down" : "up";
        event["Button"] = 4 + e;
        events.append(event);
      }
      EXPECT_TRUE(library->SaveMacroEvents(index, events));
    }
    return library;
  }

  std::unique_ptr<CSimulator> sim_;
  CDeviceChannel channel_;
};

TEST_F(KeyboardSimTest, LayoutIsFoundInTheKeyboardsShuffledTables) {
  KeyboardLayout layout;
  ASSERT_EQ(ReadKeyboardLayout(channel_, layout), kCommandSuccess);
  const auto& positions = SimKeyboardPositions();
  ASSERT_EQ(layout.keyCount, 104);
  EXPECT_EQ(channel_.BlockSize(), 312);
  EXPECT_EQ(layout.macroMemoryUnits, 32);
  int present = 0;
  for (int key = 0; key < kKeyboardKeyNumbers; ++key) {
    SCOPED_TRACE(key);
    int expected = kNoKeyPosition;
    for (size_t k = 0; k < positions.size(); ++k) {
      if (std::equal(kKeyLayoutTable[key].begin(), kKeyLayoutTable[key].end(), positions[k].code)) {
        expected = static_cast<int>(k);
        break;
      }
    }
    EXPECT_EQ(layout.position[key], expected);
    EXPECT_EQ(layout.led[key],
              expected == kNoKeyPosition ? kNoKeyPosition : positions[expected].ledIndex);
    present += expected != kNoKeyPosition;
  }
  EXPECT_EQ(present, 104);
  // Esc heads the first matrix column and the LED chain; A is the fourth key
  // of the first column; the Fn key exists, keys 18 to 20 (20.00.00) do not.
  EXPECT_EQ(layout.position[0], 0);
  EXPECT_EQ(layout.led[0], 0);
  EXPECT_EQ(layout.position[63], 3);  // Caps Lock
  EXPECT_NE(layout.position[110], kNoKeyPosition);
  EXPECT_EQ(layout.position[18], kNoKeyPosition);
}

TEST_F(KeyboardSimTest, TooManyKeysStopsBeforeTheTables) {
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Info, 5, {171}));
  KeyboardLayout layout;
  EXPECT_EQ(ReadKeyboardLayout(channel_, layout), kLayoutTooManyKeys);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x07), 0u);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x02), 1u);  // the batch still ends
  EXPECT_TRUE(std::all_of(layout.position.begin(), layout.position.end(),
                          [](uint8_t p) { return p == kNoKeyPosition; }));
}

TEST(KeyboardLayoutMaps, LowerOfTwoEqualPositionsWinsAndLedsFollowPositions) {
  // Position 0 and 2 both carry Esc; F1 at 1; a code no key has at 3.
  const KeyboardLayout layout = MakeLayout(
      {{0x20, 0x00, 0x29}, {0x20, 0x00, 0x3a}, {0x20, 0x00, 0x29}, {0x99, 0, 0}}, {7, 5, 6, 9});
  EXPECT_EQ(layout.position[0], 0);
  EXPECT_EQ(layout.led[0], 7);
  EXPECT_EQ(layout.position[1], 1);
  EXPECT_EQ(layout.led[1], 5);
  EXPECT_EQ(layout.position[2], kNoKeyPosition);
  EXPECT_EQ(layout.KeyAtPosition(2), -1);
  EXPECT_EQ(layout.KeyAtPosition(3), -1);
}

// ---- Settings block ----

struct EncodeCase {
  const char* field;
  size_t byte;
  void (*set)(LightInfoRecord&, KbSystemStages&);
  uint8_t expected;
};

// Effect codes of effect numbers 0 to 5: 10..15; 6 → 29, 7 → 30.
const std::vector<int> kCodes = {10, 11, 12, 13, 14, 15, 29, 30};

TEST(KeyboardSettingsBlock, EncodesEveryProfileField) {
  const EncodeCase cases[] = {
      {"effect via list", 1, [](LightInfoRecord& l, KbSystemStages&) { l.SelectItem = 3; }, 13},
      {"software effect 29", 1, [](LightInfoRecord& l, KbSystemStages&) { l.SelectItem = 6; },
       0xFE},
      {"software effect 30", 1, [](LightInfoRecord& l, KbSystemStages&) { l.SelectItem = 7; },
       0xFE},
      {"brightness", 2, [](LightInfoRecord& l, KbSystemStages&) { l.Light = 3; }, 3},
      {"speed 0", 3, [](LightInfoRecord& l, KbSystemStages&) { l.Speed = 0; }, 4},
      {"speed 4", 3, [](LightInfoRecord& l, KbSystemStages&) { l.Speed = 4; }, 0},
      {"speed 1", 3, [](LightInfoRecord& l, KbSystemStages&) { l.Speed = 1; }, 3},
      {"direction", 4, [](LightInfoRecord& l, KbSystemStages&) { l.Fx = 1; }, 1},
      {"multicolour", 5, [](LightInfoRecord& l, KbSystemStages&) { l.MultiColor = 1; }, 1},
      {"red", 6, [](LightInfoRecord& l, KbSystemStages&) { l.Red = 201; }, 201},
      {"green", 7, [](LightInfoRecord& l, KbSystemStages&) { l.Green = 202; }, 202},
      {"blue", 8, [](LightInfoRecord& l, KbSystemStages&) { l.Blue = 203; }, 203},
      {"alternate mode", 18, [](LightInfoRecord& l, KbSystemStages&) { l.ZZCCLedMode = 2; }, 2},
      {"windows flag", 19, [](LightInfoRecord&, KbSystemStages& s) { s.WFlag = 1; }, 1},
      {"six key", 20, [](LightInfoRecord&, KbSystemStages& s) { s.Key6Flag = 1; }, 1},
      {"windows lock", 21, [](LightInfoRecord&, KbSystemStages& s) { s.WinFlag = 1; }, 1},
      {"polling rate", 22, [](LightInfoRecord&, KbSystemStages& s) { s.PollingRate = 2; }, 2},
      {"custom group", 25, [](LightInfoRecord& l, KbSystemStages&) { l.CustomGroup = 5; }, 5},
      {"low latency", 29, [](LightInfoRecord&, KbSystemStages& s) { s.Kyelatency = 1; }, 1},
  };
  SettingsBlock last{};
  for (size_t i = 0; i < last.size(); ++i) last[i] = static_cast<uint8_t>(0xA0 + i);
  const size_t kept[] = {9, 10, 11, 12, 13, 14, 15, 17, 23, 24, 26, 28};
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.field);
    LightInfoRecord light;
    KbSystemStages stages;
    c.set(light, stages);
    const SettingsBlock b = EncodeSettingsBlock(last, light, stages, kCodes, 3);
    EXPECT_EQ(b[c.byte], c.expected);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b[16], 0);
    EXPECT_EQ(b[27], 0);
    for (size_t k : kept) EXPECT_EQ(b[k], last[k]) << "byte " << k;
  }
}

TEST(KeyboardSettingsBlock, DecodesWhatTheKeyboardHolds) {
  SettingsBlock raw{};
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i);
  raw[1] = 14;  // effect number 4
  raw[3] = 1;   // page speed 3
  raw[16] = 9;
  LightInfoRecord previous;
  previous.SelectItem = 4;
  previous.OldLedmode = 7;
  KbSystemStages profileStages;
  profileStages.PollingRate = 3;
  profileStages.Repeat = 11;
  DecodedSettings d = DecodeSettingsBlock(raw, 2, kCodes, previous, profileStages);
  EXPECT_EQ(d.block[0], 2);
  EXPECT_EQ(d.block[1], 4);
  EXPECT_EQ(d.block[16], 0);
  EXPECT_EQ(d.state.activeProfile, 2);
  EXPECT_EQ(d.state.speed, 3);
  EXPECT_EQ(d.light.Speed, 3);
  EXPECT_EQ(d.light.Light, 2);
  EXPECT_EQ(d.light.Fx, 4);
  EXPECT_EQ(d.light.MultiColor, 5);
  EXPECT_EQ(d.light.Red, 6);
  EXPECT_EQ(d.light.Green, 7);
  EXPECT_EQ(d.light.Blue, 8);
  EXPECT_EQ(d.light.ZZCCLedMode, 18);
  EXPECT_EQ(d.light.CustomGroup, 25);
  EXPECT_EQ(d.light.OldLedmode, 7);
  EXPECT_FALSE(d.effectChanged);
  EXPECT_EQ(d.stages.WFlag, 19);
  EXPECT_EQ(d.stages.Key6Flag, 20);
  EXPECT_EQ(d.stages.WinFlag, 21);
  EXPECT_EQ(d.stages.Kyelatency, 29);
  EXPECT_EQ(d.stages.PollingRate, 3);  // written only, never read back
  EXPECT_EQ(d.stages.Repeat, 11);

  raw[1] = 0xFE;  // a software effect runs: the page keeps its effect
  d = DecodeSettingsBlock(raw, 0, kCodes, previous, profileStages);
  EXPECT_EQ(d.state.effect, 4);
  EXPECT_EQ(d.light.SelectItem, 4);
  raw[1] = 99;  // a code not in the list stays as it is
  d = DecodeSettingsBlock(raw, 0, kCodes, previous, profileStages);
  EXPECT_EQ(d.light.SelectItem, 99);
  EXPECT_TRUE(d.effectChanged);
}

TEST_F(KeyboardSimTest, SettingsBlockGoesToItsProfilesPlace) {
  SettingsBlock last{};
  uint8_t active = 9;
  ASSERT_EQ(ReadSettingsBlock(channel_, 2, last, active), kCommandSuccess);
  EXPECT_EQ(active, 0);
  EXPECT_EQ(last[1], 6);  // the factory effect of profile 2
  LightInfoRecord light;
  light.Light = 1;
  light.Speed = 0;
  light.Red = 77;
  const SettingsBlock block = EncodeSettingsBlock(last, light, {}, kCodes, 2);
  ASSERT_EQ(WriteSettingsBlock(channel_, 2, block), kCommandSuccess);
  const auto params = Area(SimArea::Parameters);
  EXPECT_EQ(Bytes(params, 62, 30), std::vector<uint8_t>(block.begin(), block.end()));
  EXPECT_EQ(params[62 + 30], 0);  // the 31st byte is not the block's
  EXPECT_EQ(params[62 + 3], 4);
  // The page writes profile 0 with active profile 0.
  ASSERT_EQ(WriteSettingsBlock(channel_, 0, EncodeSettingsBlock(last, light, {}, kCodes, 0)),
            kCommandSuccess);
  EXPECT_EQ(Area(SimArea::Parameters)[0], 0);
  EXPECT_EQ(Area(SimArea::Parameters)[6], 77);
  SettingsBlock again{};
  ASSERT_EQ(ReadSettingsBlock(channel_, 2, again, active), kCommandSuccess);
  EXPECT_EQ(again, block);
}

// ---- Key tables and macros ----

TEST_F(KeyboardSimTest, KeyTablesCarryRemappedMacrosAndDefaultsForMissingOnes) {
  KeyboardLayout layout;
  ASSERT_EQ(ReadKeyboardLayout(channel_, layout), kCommandSuccess);
  std::vector<KeyAssignmentRecord> keys = DefaultKeys();
  keys[64].Normal.code = Macro(4);        // A
  keys[65].Normal.code = Macro(2);        // S
  keys[66].Normal.code = Macro(4);        // D
  keys[67].Normal.code = Macro(7);        // F: past the library → its default
  keys[68].Fn.code = Macro(7);            // G: past the library → empty Fn entry
  keys[69].Fn.code = Macro(2);            // H: Fn layer shares macro 2
  keys[70].Fn.code = {0x20, 0x02, 0x04};  // J: Shift+A on the Fn layer
  const auto factoryKeys = Area(SimArea::KeyTable);
  std::vector<int> used;
  ASSERT_EQ(WriteKeyTables(channel_, 0, layout, keys, 5, &used), kCommandSuccess);
  EXPECT_EQ(used, (std::vector<int>{4, 2}));
  EXPECT_EQ(CollectUsedMacros(layout, keys, 5), used);

  const auto main = Area(SimArea::KeyTable);
  const auto fn = Area(SimArea::FnKeyTable);
  auto at = [&](const std::vector<uint8_t>& t, int key) {
    return Bytes(t, layout.position[key] * 3, 3);
  };
  EXPECT_EQ(at(main, 64), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(at(main, 65), (std::vector<uint8_t>{0x70, 1, 0}));
  EXPECT_EQ(at(main, 66), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(at(main, 67), (std::vector<uint8_t>{0x20, 0, 0x09}));
  EXPECT_EQ(at(fn, 68), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(at(fn, 69), (std::vector<uint8_t>{0x70, 1, 0}));
  EXPECT_EQ(at(fn, 70), (std::vector<uint8_t>{0x20, 0x02, 0x04}));
  EXPECT_EQ(at(fn, 0), (std::vector<uint8_t>{0, 0, 0}));  // Fn value = default
  // Bytes past the keyboard's block are not the host's to write.
  EXPECT_EQ(Bytes(main, 312, 200), Bytes(factoryKeys, 312, 200));
  EXPECT_EQ(at(main, 0), (std::vector<uint8_t>{0x20, 0, 0x29}));
}

TEST_F(KeyboardSimTest, KeyTablesOfAnotherPageReachNothing) {
  KeyboardLayout layout;
  ASSERT_EQ(ReadKeyboardLayout(channel_, layout), kCommandSuccess);
  const auto before = Area(SimArea::KeyTable);
  EXPECT_EQ(WriteKeyTables(channel_, 1, layout, DefaultKeys(), 0), kCommandBadPage);
  EXPECT_EQ(Area(SimArea::KeyTable), before);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x09), 0u);
}

TEST_F(KeyboardSimTest, MacroImageLaysBlocksOutInUsedOrder) {
  const auto library = MakeLibrary({3, 5});
  const MacroWriteResult r = WriteMacros(channel_, *library, {0, 1});
  ASSERT_EQ(r.result, 0);
  ASSERT_EQ(r.imageLength, 60u);
  const auto image = Bytes(Area(SimArea::Macro), 0, 60);
  EXPECT_EQ(Bytes(image, 0, 6), (std::vector<uint8_t>{0xAA, 0x55, 60, 0, 2, 0}));
  EXPECT_EQ(Bytes(image, 16, 4), (std::vector<uint8_t>{20, 0, 36, 0}));
  EXPECT_EQ(Bytes(image, 20, 2), (std::vector<uint8_t>{3, 0}));
  EXPECT_EQ(Bytes(image, 24, 4), (std::vector<uint8_t>{10, 0, 0x81, 4}));  // first event, down
  EXPECT_EQ(Bytes(image, 36, 2), (std::vector<uint8_t>{5, 0}));
}

TEST_F(KeyboardSimTest, OversizedMacroImageWritesNothing) {
  // Two macros of 20 and 23 events: 16 + 12 + 4 × 43 = 200 bytes into 128.
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Info, 6, {1}));
  const auto library = MakeLibrary({20, 23});
  const auto before = Area(SimArea::Macro);
  const MacroWriteResult r = WriteMacros(channel_, *library, {0, 1});
  EXPECT_EQ(r.result, 19);
  EXPECT_EQ(Area(SimArea::Macro), before);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x15), 0u);
  EXPECT_EQ(sim_->CommandsReceived(SimProduct::Keyboard, 0x01), 0u);
}

TEST_F(KeyboardSimTest, PowerStatusSaysHowTheKeyboardIsConnected) {
  sim_->SetBattery(SimProduct::Keyboard, 15, false);
  PowerStatus status;
  ASSERT_TRUE(ReadPowerStatus(channel_, status));
  EXPECT_EQ(status.bytes[0], 15);
  EXPECT_EQ(status.bytes[3], 0);  // wired
  EXPECT_EQ(status.batteryLow, 1);
  channel_.SetOpen(false);
  EXPECT_FALSE(ReadPowerStatus(channel_, status));
}

TEST_F(KeyboardSimTest, FrameAndCustomColoursReachTheKeyboardsLeds) {
  KeyboardLayout layout;
  ASSERT_EQ(ReadKeyboardLayout(channel_, layout), kCommandSuccess);
  PreviewFrame lights(kKeyboardKeyNumbers);
  lights[64] = {200, 100, 50, 255};  // A
  const size_t led = SimKeyboardPositions()[layout.position[64]].ledIndex;
  ASSERT_EQ(channel_.StreamLightFrame(BuildLightFrame(lights, layout, true).data(),
                                      static_cast<uint32_t>(layout.keyCount * 3)),
            kCommandSuccess);
  const auto frame = sim_->LastLightFrame(SimProduct::Keyboard);
  ASSERT_EQ(frame.size(), 312u);
  EXPECT_EQ(Bytes(frame, led * 3, 3), (std::vector<uint8_t>{199, 99, 49}));
  EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), 309);

  ASSERT_EQ(
      WriteCustomColourTable(channel_, layout, 3, BuildCustomColourTable(lights, layout, false)),
      kCommandSuccess);
  EXPECT_EQ(Bytes(Area(SimArea::LightTables), 3 * 512 + led * 3, 3),
            (std::vector<uint8_t>{200, 100, 50}));
  std::vector<uint8_t> table;
  ASSERT_EQ(ReadCustomColourTable(channel_, layout, 3, table), kCommandSuccess);
  PreviewFrame back(kKeyboardKeyNumbers);
  ApplyCustomColourTable(table, layout, back);
  EXPECT_EQ(back[64], (PreviewColour{200, 100, 50, 0}));
}

// ---- Events ----

TEST(KeyboardEvents, DecodeTable) {
  // Esc at position 0x12, F1 at 0x00.
  std::vector<KeyCode> codes(0x13, KeyCode{0x99, 0, 0});
  codes[0x12] = {0x20, 0x00, 0x29};
  codes[0x00] = {0x20, 0x00, 0x3a};
  const KeyboardLayout layout = MakeLayout(codes);
  using K = KeyboardEventKind;
  struct Case {
    uint16_t code;
    K kind;
    int profile, byte17, position, key;
  };
  const Case cases[] = {
      {1025, K::kSyncRequest, -1, -1, -1, -1},
      {1026, K::kReloadRequest, -1, -1, -1, -1},
      {1000, K::kNone, -1, -1, -1, -1},
      {0x1005, K::kProfileChanged, 5, -1, -1, -1},
      {0x1123, K::kProfileChanged, 3, 2, -1, -1},
      {0x10F2, K::kProfileChanged, 2, -1, -1, -1},
      {0xA305, K::kProfileChanged, 3, 5, -1, -1},   // (h >> 4) & 7 = 2, l bit 7 clear
      {0xA385, K::kProfileChanged, 3, -1, -1, -1},  // l bit 7 set
      {0x9201, K::kProfileChanged, 2, -1, -1, -1},  // (h >> 4) & 7 = 1
      {0x0512, K::kKeyPress, -1, -1, 0x12, 0},
      {0x0500, K::kKeyPress, -1, -1, 0x00, 1},
      {0x0612, K::kKeyEvent, -1, -1, 0x12, 0},
      {0x0505, K::kKeyPress, -1, -1, 0x05, -1},  // a position without a key number
      {0x0700, K::kNone, -1, -1, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const KeyboardEvent e = DecodeKeyboardEvent(c.code, layout);
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.activeProfile, c.profile);
    EXPECT_EQ(e.settingsByte17, c.byte17);
    EXPECT_EQ(e.position, c.position);
    EXPECT_EQ(e.keyNumber, c.key);
  }
}

// ---- Colours ----

TEST(KeyboardColours, FramesAndCustomTablesGoByLedIndex) {
  // Esc lit by LED 1, F1 by LED 0; F2 by LED 170 (past a 512-byte table).
  const KeyboardLayout layout =
      MakeLayout({{0x20, 0x00, 0x29}, {0x20, 0x00, 0x3a}, {0x20, 0x00, 0x3b}}, {1, 0, 170});
  PreviewFrame lights(kKeyboardKeyNumbers);
  lights[0] = {255, 128, 2, 128};
  lights[1] = {10, 20, 30, 255};
  lights[2] = {1, 2, 3, 255};
  const auto frame = BuildLightFrame(lights, layout, true);
  EXPECT_EQ(frame, (std::vector<uint8_t>{9, 19, 29, 127, 64, 1, 0, 0, 0}));
  EXPECT_EQ(BuildLightFrame(lights, layout, false), std::vector<uint8_t>(9, 0));
  const auto table = BuildCustomColourTable(lights, layout, false);
  ASSERT_EQ(table.size(), 512u);
  EXPECT_EQ(Bytes(table, 0, 6), (std::vector<uint8_t>{10, 20, 30, 255, 128, 2}));
  PreviewFrame back(kKeyboardKeyNumbers);
  ApplyCustomColourTable(table, layout, back);
  EXPECT_EQ(back[0], (PreviewColour{255, 128, 2, 0}));
  EXPECT_EQ(back[1], (PreviewColour{10, 20, 30, 0}));
}

TEST(KeyboardProfileState, MissingMacrosFallBackToTheDefault) {
  std::vector<KeyAssignmentRecord> keys = DefaultKeys();
  keys[3].Normal.code = Macro(4);
  EXPECT_FALSE(ValidateMacroAssignments(keys, 5));
  keys[3].Normal.code = Macro(5);
  keys[4].Fn.code = Macro(9);  // the Fn layer is dealt with when written
  EXPECT_TRUE(ValidateMacroAssignments(keys, 5));
  EXPECT_EQ(keys[3].Normal.code, keys[3].Default.code);
  EXPECT_EQ(keys[4].Fn.code, Macro(9));
}

}  // namespace
