// The keyboard's device object against the simulated keyboard: connecting,
// the profile switch the main window asks for, the keyboard's own events,
// the streamed frames of the software-driven effects and shutting down with
// every thread running.
#include "devices/keyboard_device_core.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/device_kind.h"
#include "link/command_result.h"
#include "profiles/data_folders.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"
#include "sim/device_layout.h"
#include "sim/simulator.h"
#include "tests/support/bus_folder_fixture.h"
#include "tests/support/sim_bus.h"
#include "tests/support/stored_keyboard_profile.h"

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The device position the simulated keyboard gives key `key`, -1 when none.
int SimPosition(int key) {
  const auto& positions = SimKeyboardPositions();
  for (size_t k = 0; k < positions.size(); ++k)
    if (std::equal(kKeyLayoutTable[key].begin(), kKeyLayoutTable[key].end(), positions[k].code))
      return static_cast<int>(k);
  return -1;
}

// Records what the object's threads hand to the page.
class RecordingSink : public IDevicePageSink {
 public:
  void ArmTabTimer(int, int) override {}
  void OnDeviceProfileChanged(int activeProfile) override {
    std::lock_guard<std::mutex> lock(mutex_);
    profiles_.push_back(activeProfile);
    changed_.notify_all();
  }
  void ReloadProfileList() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++reloads_;
  }
  int Reloads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reloads_;
  }
  void ShowDeviceState() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++shown_;
  }
  bool WaitForProfile(int profile, int ms = 2000) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
      return std::find(profiles_.begin(), profiles_.end(), profile) != profiles_.end();
    });
  }
  int Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> profiles_;
  int shown_ = 0;
  int reloads_ = 0;
};

class KeyboardDeviceCoreTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    ::setenv("XDG_DATA_HOME", (Folder() + "/data").c_str(), 1);
    ::setenv("RUVEMO_DATA_DIR", RUVEMO_SOURCE_DIR, 1);
    sim_ = MakeQuickSimulator(Folder());
    ASSERT_TRUE(sim_->Plug(SimProduct::Keyboard));
    core_ = std::make_unique<CKeyboardDeviceCore>();
    core_->SetPageSink(&sink_);
  }
  void TearDown() override {
    core_.reset();
    sim_.reset();
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("RUVEMO_DATA_DIR");
    BusFolderTest::TearDown();
  }
  std::string KeyboardPath(const char* collection) {
    return SimCollectionPath(*sim_, SimProduct::Keyboard, collection);
  }
  void OpenCommandChannel() {
    const std::string path = KeyboardPath("&col04");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(OpenWiredChannel(core_->Channel(), path));
  }
  void AttachListener() {
    const std::string path = KeyboardPath("&col03");
    ASSERT_FALSE(path.empty());
    // The command channel holds a connection of its own.
    const auto before = sim_->ConnectionCount(SimProduct::Keyboard, false);
    ASSERT_TRUE(core_->AttachListener(path, kKindKeyboard));
    ASSERT_TRUE(
        WaitFor([&] { return sim_->ConnectionCount(SimProduct::Keyboard, false) > before; }));
  }
  std::vector<uint8_t> Area(SimArea area) const { return sim_->Memory(SimProduct::Keyboard, area); }
  std::vector<uint8_t> KeyEntry(SimArea area, int key) const {
    const auto table = Area(area);
    const size_t at = static_cast<size_t>(SimPosition(key)) * 3;
    return {table[at], table[at + 1], table[at + 2]};
  }
  // The keyboard's selected stored profile, effect 6 (see
  // StoreKeyboardProfileWithMacros); returns its id.
  static std::string StoreProfile(int eventsPerMacro) {
    std::string uuid = StoreKeyboardProfileWithMacros(eventsPerMacro, 6);
    EXPECT_FALSE(uuid.empty());
    return uuid;
  }
  void SetEffect(int effect, int speed) {
    LightInfoRecord light = core_->GetLightInfo();
    light.SelectItem = static_cast<uint8_t>(effect);
    light.Speed = static_cast<uint8_t>(speed);
    light.Light = 4;
    uint32_t words[4] = {};
    std::memcpy(words, &light, sizeof(light));
    core_->SetLightInfo(words[0], words[1], words[2], words[3]);
  }

  std::unique_ptr<CSimulator> sim_;
  RecordingSink sink_;
  std::unique_ptr<CKeyboardDeviceCore> core_;
};

TEST_F(KeyboardDeviceCoreTest, ConnectingFindsTheLayoutAndReadsTheActiveProfilesSettings) {
  // Active profile 2, whose block holds speed 3 (page speed 1) and red 77.
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {2}));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 62 + 3, {3, 0, 0, 77}));
  OpenCommandChannel();
  core_->OnDeviceConnected();

  const KeyboardLayout layout = core_->Layout();
  EXPECT_EQ(layout.keyCount, 104);
  int present = 0;
  for (int key = 0; key < kKeyboardKeyNumbers; ++key) {
    const int expected = SimPosition(key);
    EXPECT_EQ(layout.position[key], expected < 0 ? kNoKeyPosition : expected) << key;
    present += expected >= 0;
  }
  EXPECT_EQ(present, 104);
  EXPECT_EQ(core_->KeyPositionMap()[63], SimPosition(63));

  const KeyboardDeviceState state = core_->DeviceState();
  EXPECT_EQ(state.activeProfile, 2);
  EXPECT_EQ(state.speed, 1);
  EXPECT_EQ(state.red, 77);
  EXPECT_EQ(core_->GetLightInfo().Red, 77);
  EXPECT_GE(sink_.Shown(), 1);
  EXPECT_TRUE(core_->IsLightingThreadRunning());
}

TEST_F(KeyboardDeviceCoreTest, CustomColoursAreReadIntoThePreviewAndKeptOnTheKeyboard) {
  // Active profile 0 shows custom colours (group 1) at full brightness; Esc's
  // LED has orange in group 1's table.
  const uint8_t code = static_cast<uint8_t>(core_->EffectCodes().at(19));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {0, code, 4}));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 25, {1}));
  const size_t esc = 512 + size_t{SimKeyboardPositions()[SimPosition(0)].ledIndex} * 3;
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::LightTables, esc, {200, 100, 50}));
  OpenCommandChannel();
  core_->OnDeviceConnected();

  EXPECT_EQ(core_->CustomGroup(), 1);
  const PreviewColour shown = core_->PreviewSnapshot()[0];
  EXPECT_EQ(shown.red, 200);
  EXPECT_EQ(shown.green, 100);
  EXPECT_EQ(shown.blue, 50);
  // Written back at the lighting's brightness, not as black.
  const auto table = Area(SimArea::LightTables);
  EXPECT_EQ(std::vector<uint8_t>(table.begin() + esc, table.begin() + esc + 3),
            (std::vector<uint8_t>{199, 99, 49}));
}

TEST_F(KeyboardDeviceCoreTest, ProfileSwitchWritesProfileZeroMacrosAndRemappedKeyTables) {
  const std::string uuid = StoreProfile(3);
  ASSERT_FALSE(uuid.empty());
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 0, {2}));
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Parameters, 62 + 10, {0x5A}));
  OpenCommandChannel();
  core_->OnDeviceConnected();
  const auto before = Area(SimArea::Parameters);

  ASSERT_EQ(core_->ApplyProfile(uuid), 0);
  EXPECT_EQ(core_->GetProfilePath(), UserDeviceFolder(kKeyboardFolderName) + uuid + ".Json");
  const auto params = Area(SimArea::Parameters);
  EXPECT_EQ(params[0], 0);  // device profile 0 made the active one
  ASSERT_GT(core_->EffectCodes().size(), 6u);
  EXPECT_EQ(params[1], core_->EffectCodes()[6]);  // static lighting
  EXPECT_EQ(params[3], 3);                        // speed 4 − 1
  EXPECT_EQ(params[6], 99);                       // red
  EXPECT_EQ(params[10], 0x5A);                    // kept from the block last read
  EXPECT_TRUE(std::equal(params.begin() + 31, params.end(), before.begin() + 31));
  // Macros 1 and 0 of the library are the device's 0 and 1.
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 64), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 65), (std::vector<uint8_t>{0x71, 1, 0}));
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 0), (std::vector<uint8_t>{0x20, 0, 0x29}));
  EXPECT_EQ(KeyEntry(SimArea::FnKeyTable, 64), (std::vector<uint8_t>{0, 0, 0}));
  const auto macro = Area(SimArea::Macro);
  EXPECT_EQ(std::vector<uint8_t>(macro.begin(), macro.begin() + 6),
            (std::vector<uint8_t>{0xAA, 0x55, 52, 0, 2, 0}));
}

// The page can switch profiles before the connect timer has run: the switch
// reads the key layout itself instead of refusing the key tables.
TEST_F(KeyboardDeviceCoreTest, ProfileSwitchBeforeConnectingReadsTheLayoutFirst) {
  const std::string uuid = StoreProfile(3);
  ASSERT_FALSE(uuid.empty());
  OpenCommandChannel();
  ASSERT_EQ(core_->ApplyProfile(uuid), 0);
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 64), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(KeyEntry(SimArea::KeyTable, 0), (std::vector<uint8_t>{0x20, 0, 0x29}));
}

TEST_F(KeyboardDeviceCoreTest, ProfileSwitchReportsWhatItCouldNotWrite) {
  const std::string uuid = StoreProfile(40);  // 16 + 12 + 320 bytes of macros
  // Channel closed: nothing can be written.
  EXPECT_EQ(core_->ApplyProfile(uuid), -1);

  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Info, 6, {2}));  // 256 bytes
  OpenCommandChannel();
  core_->OnDeviceConnected();
  const auto keys = Area(SimArea::KeyTable);
  const auto macro = Area(SimArea::Macro);
  // (348 − 256) / 4 + 1 units too many; neither macros nor keys are written.
  EXPECT_EQ(core_->ApplyProfile(uuid), 24);
  EXPECT_EQ(Area(SimArea::KeyTable), keys);
  EXPECT_EQ(Area(SimArea::Macro), macro);

  // A keyboard that stops answering: the lost reply is a failed write, never
  // the 0 of a switch that went through.
  sim_->InjectFault(SimProduct::Keyboard, SimFault{SimFault::Kind::NoReply, -1, 0, -1});
  EXPECT_EQ(core_->ApplyProfile(uuid), -1);
  sim_->ClearFaults(SimProduct::Keyboard);
}

TEST_F(KeyboardDeviceCoreTest, PowerStatusReachesItsHandlerUnlessHeldBack) {
  ASSERT_TRUE(sim_->SetMemory(SimProduct::Keyboard, SimArea::Status, 0, {1, 2, 3, 9, 40, 6}));
  OpenCommandChannel();
  int calls = 0;
  core_->SetPowerStatusHandler([&](const PowerStatus&) { ++calls; });
  core_->SetPowerQueryHold(true);
  core_->RefreshPowerStatus();
  EXPECT_EQ(calls, 0);
  core_->SetPowerQueryHold(false);
  core_->RefreshPowerStatus();
  ASSERT_EQ(calls, 1);
  // Byte 3 tells the connection: 0 by cable.
  EXPECT_EQ(core_->LastPowerStatus().bytes, (std::array<uint8_t, 6>{1, 2, 3, 0, 40, 6}));
  EXPECT_FALSE(core_->IsWirelessLinkUp());
}

TEST_F(KeyboardDeviceCoreTest, DefaultsWithoutABoundProfileAreSavedNowhere) {
  const std::string uuid = StoreProfile(1);
  core_->SetProfileUuid(uuid);
  core_->LoadProfile();
  EXPECT_EQ(core_->GetLightInfo().Red, 99);
  // The profile goes away (deleted on the profile bar): no profile is bound.
  core_->SetProfileUuid("");
  core_->LoadDefaultProfile();
  EXPECT_NE(core_->GetLightInfo().Red, 99);
  // The profile last loaded keeps what it had.
  CKeyboardDeviceCore other;
  other.SetProfileUuid(uuid);
  other.LoadProfile();
  EXPECT_EQ(other.GetLightInfo().Red, 99);
}

TEST_F(KeyboardDeviceCoreTest, TheProfilesSectionIsReadWhateverTheDevicesTypeRow) {
  // The device list gives the keyboard its type row (1) as device index; the
  // profile's one section must still be the one read.
  core_->SetDeviceIndex(1);
  core_->SetProfileUuid(StoreProfile(1));
  core_->LoadProfile();
  EXPECT_EQ(core_->GetLightInfo().Red, 99);
}

TEST_F(KeyboardDeviceCoreTest, KeyboardEventsMoveTheProfileAndDriveTheReactiveEffect) {
  OpenCommandChannel();
  core_->OnDeviceConnected();
  AttachListener();

  // 0x1123: profile 3, settings byte 17 = 2, handed to the page.
  ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, 0x1123));
  ASSERT_TRUE(sink_.WaitForProfile(3)) << LastKeyboardEventCode();
  EXPECT_EQ(core_->DeviceState().activeProfile, 3);
  EXPECT_EQ(core_->LastSettingsBlock()[17], 2);
  EXPECT_EQ(LastKeyboardEventCode(), 0x1123);

  // A sync after 1026 reloads the profile list and the profile; after 1025
  // it only reads the settings again.
  struct Sync {
    uint16_t code;
    int reloads;
  };
  for (const Sync s : {Sync{1026, 1}, Sync{1025, 1}}) {
    SCOPED_TRACE(s.code);
    ASSERT_TRUE(sim_->SendEvent(SimProduct::Keyboard, s.code));
    ASSERT_TRUE(WaitFor([&] { return LastKeyboardEventCode() == s.code; }));
    core_->OnDeviceSyncRequest();
    EXPECT_EQ(sink_.Reloads(), s.reloads);
  }

  // Reactive effect 7: a press at A's device position lights A alone.
  SetEffect(7, 0);
  ASSERT_TRUE(WaitFor([&] { return core_->PreviewSnapshot()[0].brightness == 0; }));
  ASSERT_TRUE(
      sim_->SendEvent(SimProduct::Keyboard, static_cast<uint16_t>(0x500 + SimPosition(64))));
  EXPECT_TRUE(WaitFor([&] { return core_->PreviewSnapshot()[64].brightness > 0; }));
  EXPECT_EQ(core_->Effects().KeyPhase(64), 1);
  EXPECT_EQ(core_->PreviewSnapshot()[0].brightness, 0);
}

TEST_F(KeyboardDeviceCoreTest, OnlyTheSoftwareDrivenEffectsStreamFrames) {
  OpenCommandChannel();
  core_->OnDeviceConnected();
  struct Case {
    int effect;
    bool streams;
    bool seen;  // whether the page shows the preview
  };
  // Whether the preview is seen changes nothing for the keyboard.
  for (const Case c : {Case{6, false, true}, Case{30, true, true}, Case{1, false, true},
                       Case{29, true, true}, Case{30, true, false}, Case{1, false, false}}) {
    SCOPED_TRACE(testing::Message() << c.effect << (c.seen ? " seen" : " unseen"));
    core_->SetPreviewVisible(c.seen);
    SetEffect(c.effect, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // a pass of the old effect ends
    const uint64_t before = sim_->LightFrameCount(SimProduct::Keyboard);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const uint64_t sent = sim_->LightFrameCount(SimProduct::Keyboard) - before;
    if (c.streams) {
      EXPECT_GE(sent, 3u);
      EXPECT_EQ(sim_->LastLightFrame(SimProduct::Keyboard).size(), 104u * 3);
    } else {
      EXPECT_EQ(sent, 0u);
    }
  }
  EXPECT_EQ(core_->DroppedFrames(), 0u);
}

TEST_F(KeyboardDeviceCoreTest, FramesTheKeyboardDoesNotTakeAreDroppedAndPaced) {
  OpenCommandChannel();
  core_->OnDeviceConnected();
  SetEffect(30, 2);
  ASSERT_TRUE(WaitFor([&] { return core_->StreamedFrames() > 0; }));
  sim_->Unplug(SimProduct::Keyboard);
  ASSERT_TRUE(WaitFor([&] { return core_->DroppedFrames() > 0; }));
  // One attempt per 200 ms while frames fail, not one per pass.
  const uint64_t dropped = core_->DroppedFrames();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(core_->DroppedFrames() - dropped, 2u);
  const auto start = Clock::now();
  core_.reset();
  EXPECT_LT(ElapsedMs(start), 1000);
}

TEST_F(KeyboardDeviceCoreTest, DestroyingTheConnectedKeyboardStopsEveryThread) {
  OpenCommandChannel();
  core_->OnDeviceConnected();
  AttachListener();
  SetEffect(30, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto start = Clock::now();
  core_.reset();
  EXPECT_LT(ElapsedMs(start), 1000);
}

}  // namespace
