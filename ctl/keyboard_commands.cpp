// ruvemoctl keyboard: the keyboard's layout, its settings blocks, and a
// stored profile written to it as the keyboard page writes it on a profile
// switch, all through the device code the program uses.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ctl/ctl_commands.h"
#include "devices/keyboard_key_tables.h"
#include "devices/keyboard_layout.h"
#include "devices/keyboard_profile_state.h"
#include "devices/keyboard_settings_block.h"
#include "link/command_result.h"
#include "link/device_channel.h"
#include "profiles/data_folders.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"

namespace {

int Fail(const std::string& reason) {
  std::fprintf(stderr, "ruvemoctl: %s\n", reason.c_str());
  return kCtlExitFailed;
}

int CommandFailed(const char* what, int result) {
  return Fail(std::string(what) + " failed with result " + std::to_string(result));
}

// A decimal number in 0..max (no sign, no trailing text).
bool ParseIndex(const std::string& text, long max, int& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || parsed > max) return false;
  value = static_cast<int>(parsed);
  return true;
}

int DiscoverLayout(CDeviceChannel& channel, KeyboardLayout& layout) {
  const int result = ReadKeyboardLayout(channel, layout);
  if (result == kLayoutTooManyKeys)
    return Fail("the keyboard reports " + std::to_string(layout.keyCount) +
                " keys, more than a key table holds (" + std::to_string(kMaxKeyboardKeys) + ")");
  if (result != kCommandSuccess) return CommandFailed("reading the keyboard layout", result);
  return kCtlExitOk;
}

int RunLayout(CDeviceChannel& channel) {
  KeyboardLayout layout;
  const int status = DiscoverLayout(channel, layout);
  if (status != kCtlExitOk) return status;
  std::printf("key count %d\nblock size %u\n", layout.keyCount, channel.BlockSize());
  for (int key = 0; key < kKeyboardKeyNumbers; ++key)
    if (layout.HasKey(key)) std::printf("%d %u %u\n", key, layout.position[key], layout.led[key]);
  return kCtlExitOk;
}

// Highest profile whose block ends inside the 16-bit offset range.
constexpr long kMaxSettingsProfile = (0x10000 - kSettingsBlockSize) / kSettingsBlockStride;

int RunSettings(CDeviceChannel& channel, const CtlArgs& args) {
  int profile = -1;
  if (args.size() > 2 && !ParseIndex(args[2], kMaxSettingsProfile, profile))
    return Fail("P must be a profile number from 0 to " + std::to_string(kMaxSettingsProfile));
  SettingsBlock block{};
  uint8_t active = 0;
  int result = channel.BeginConfig();
  if (result == kCommandSuccess) result = ReadSettingsBlock(channel, profile, block, active);
  const int ended = channel.EndConfig();
  if (result != kCommandSuccess) return CommandFailed("reading the settings", result);
  if (ended != kCommandSuccess) return CommandFailed("EndConfig", ended);
  const std::vector<int> codes = KeyboardEffectCodes(DefaultDataFolder());
  const DecodedSettings d = DecodeSettingsBlock(block, active, codes, {}, {});
  const int shown = profile < 0 ? active : profile;
  std::printf("profile %d\n", shown);
  std::printf("active profile %u\n", active);
  std::printf("effect code %u\n", block[1]);
  if (block[1] == kSoftwareEffectCode)
    std::printf("effect software\n");
  else
    std::printf("effect %u\n", d.block[1]);
  std::printf("brightness %u\n", block[2]);
  std::printf("speed %u\n", d.state.speed);
  std::printf("direction %u\n", block[4]);
  std::printf("multicolour %u\n", block[5]);
  std::printf("red %u\ngreen %u\nblue %u\n", block[6], block[7], block[8]);
  std::printf("alternate mode %u\n", block[18]);
  std::printf("windows key flag %u\n", block[19]);
  std::printf("six key %u\n", block[20]);
  std::printf("windows key lock %u\n", block[21]);
  std::printf("polling rate %u\n", block[22]);
  std::printf("custom group %u\n", block[25]);
  std::printf("low latency %u\n", block[29]);
  std::printf("byte 17 %u\n", block[17]);
  return kCtlExitOk;
}

int RunWriteProfile(CDeviceChannel& channel, const CtlArgs& args) {
  const std::string folder = UserDeviceFolder(kKeyboardFolderName);
  const std::string defaultPath = DefaultProfilePath(kKeyboardFolderName);
  if (folder.empty()) return Fail("the keyboard's data folder cannot be made");
  CProfileList profiles;
  profiles.SetDeviceType(1);
  profiles.SetFolders(folder, defaultPath);
  if (!profiles.InitProfiles())
    return Fail("cannot read the profile list: " + profiles.LastError());
  // GetProfileCount reads the list that GetProfilePathAt looks paths up in.
  const int count = profiles.GetProfileCount();
  int n = profiles.GetSelectedIndex();
  if (args.size() > 2 && !ParseIndex(args[2], count - 1, n))
    return Fail("N must be a stored profile number from 0 to " + std::to_string(count - 1));
  if (n < 0 || n >= count) return Fail("no profile is selected");

  CKeyboardProfiledata document;
  document.SetDefaultProfilePath(defaultPath);
  const std::string path = profiles.GetProfilePathAt(n);
  if (path.empty()) return Fail("stored profile " + std::to_string(n) + " has no file name");
  const KeyboardProfileState state = LoadKeyboardProfile(document, path);

  // The keyboard as the page knows it after connecting: its layout and the
  // settings block it last read (the base of the block written back).
  KeyboardLayout layout;
  int status = DiscoverLayout(channel, layout);
  if (status != kCtlExitOk) return status;
  SettingsBlock last{};
  uint8_t active = 0;
  int result = channel.BeginConfig();
  if (result == kCommandSuccess) result = ReadSettingsBlock(channel, -1, last, active);
  channel.EndConfig();
  if (result != kCommandSuccess) return CommandFailed("reading the settings", result);

  // The page writes device profile 0 and makes it the active one.
  const SettingsBlock block = EncodeSettingsBlock(last, state.light, state.stages,
                                                  KeyboardEffectCodes(DefaultDataFolder()), 0);
  result = WriteSettingsBlock(channel, 0, block);
  if (result != kCommandSuccess) return CommandFailed("writing the settings block", result);

  // Macros before the key tables: keys never point at macros the keyboard
  // does not hold.
  CMacroLibrary library(folder);
  const int macroCount = library.Count();
  const std::vector<int> used = CollectUsedMacros(layout, state.keys, macroCount);
  if (!used.empty()) {
    const MacroWriteResult macros = WriteMacros(channel, library, used);
    if (macros.result > 0)
      return Fail("the macros the keys use need " + std::to_string(macros.result) +
                  " more four-byte units than the keyboard's macro memory holds; nothing was "
                  "written to it and the key tables were left as they were");
    if (macros.result < 0) return CommandFailed("writing the macros", macros.result);
  }
  result = WriteKeyTables(channel, 0, layout, state.keys, macroCount);
  if (result != kCommandSuccess) return CommandFailed("writing the key tables", result);
  std::printf("wrote profile %d (%zu macros)\n", n, used.size());
  return kCtlExitOk;
}

}  // namespace

int RunKeyboardCommand(const CtlArgs& args) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  const bool known = (sub == "layout" && args.size() == 2) ||
                     ((sub == "settings" || sub == "write-profile") && args.size() <= 3);
  if (!known) {
    std::fprintf(stderr, "ruvemoctl: unknown keyboard command or wrong arguments\n");
    PrintUsage();
    return kCtlExitFailed;
  }
  CDeviceChannel channel;
  const int opened = OpenDeviceChannel("keyboard", channel);
  if (opened != kCtlExitOk) return opened;
  if (sub == "layout") return RunLayout(channel);
  if (sub == "settings") return RunSettings(channel, args);
  return RunWriteProfile(channel, args);
}
