#include "devices/keyboard_settings_block.h"

#include "link/command_result.h"
#include "link/device_channel.h"

namespace {

constexpr uint8_t kMaxPageSpeed = 4;
constexpr uint8_t kCustomColourEffect = 19;

uint8_t SpeedSwap(uint8_t speed) { return static_cast<uint8_t>(kMaxPageSpeed - speed); }

}  // namespace

SettingsBlock EncodeSettingsBlock(const SettingsBlock& last, const LightInfoRecord& light,
                                  const KbSystemStages& stages, const std::vector<int>& effectCodes,
                                  uint8_t activeProfile) {
  SettingsBlock b = last;
  b[19] = static_cast<uint8_t>(stages.WFlag);
  b[20] = static_cast<uint8_t>(stages.Key6Flag);
  b[21] = static_cast<uint8_t>(stages.WinFlag);
  b[22] = static_cast<uint8_t>(stages.PollingRate);
  b[29] = static_cast<uint8_t>(stages.Kyelatency);
  const int code =
      light.SelectItem < effectCodes.size() ? effectCodes[light.SelectItem] : light.SelectItem;
  b[1] = static_cast<uint8_t>(code);
  b[2] = light.Light;
  b[3] = SpeedSwap(light.Speed);
  b[4] = light.Fx;
  b[5] = light.MultiColor;
  b[6] = light.Red;
  b[7] = light.Green;
  b[8] = light.Blue;
  b[18] = light.ZZCCLedMode;
  b[25] = light.CustomGroup;
  b[16] = 0;
  b[27] = 0;
  b[0] = activeProfile;
  // The two software-driven effects run on the host; the device is told so.
  if (code == 29 || code == 30) b[1] = kSoftwareEffectCode;
  return b;
}

DecodedSettings DecodeSettingsBlock(const SettingsBlock& raw, uint8_t activeProfile,
                                    const std::vector<int>& effectCodes,
                                    const LightInfoRecord& previousLight,
                                    const KbSystemStages& profileStages) {
  DecodedSettings d;
  d.block = raw;
  d.block[0] = activeProfile;
  for (size_t k = 0; k < effectCodes.size(); ++k) {
    if (effectCodes[k] == raw[1]) {
      d.block[1] = static_cast<uint8_t>(k);
      break;
    }
  }
  d.block[16] = 0;
  const SettingsBlock& b = d.block;
  KeyboardDeviceState& s = d.state;
  s.activeProfile = activeProfile;
  s.effect = b[1];
  s.brightness = b[2];
  s.speed = SpeedSwap(b[3]);
  s.direction = b[4];
  s.multicolour = b[5];
  s.red = b[6];
  s.green = b[7];
  s.blue = b[8];
  s.alternateMode = b[18];
  s.customGroup = b[25];
  if (s.effect == kSoftwareEffectCode) s.effect = previousLight.SelectItem;

  d.light = previousLight;
  d.light.SelectItem = s.effect;
  d.light.Light = s.brightness;
  d.light.Speed = s.speed;
  d.light.Fx = s.direction;
  d.light.MultiColor = s.multicolour;
  d.light.Red = s.red;
  d.light.Green = s.green;
  d.light.Blue = s.blue;
  d.light.ZZCCLedMode = s.alternateMode;
  d.light.CustomGroup = s.customGroup;
  d.effectChanged = s.effect != previousLight.SelectItem || s.effect == kCustomColourEffect;

  d.stages = profileStages;
  d.stages.Key6Flag = b[20];
  d.stages.WinFlag = b[21];
  d.stages.WFlag = b[19];
  d.stages.Kyelatency = b[29];
  return d;
}

int ReadSettingsBlock(CDeviceChannel& channel, int profile, SettingsBlock& raw,
                      uint8_t& activeProfile) {
  raw.fill(0);
  activeProfile = 0;
  if (!channel.IsOpen()) return kCommandNoReply;
  uint8_t active = 0;
  int result = channel.ReadParameters(&active, 1, 0);
  if (result != kCommandSuccess) return result;
  activeProfile = active;
  const uint32_t which = profile < 0 ? active : static_cast<uint32_t>(profile);
  SettingsBlock block{};
  result = channel.ReadParameters(block.data(), kSettingsBlockSize, which * kSettingsBlockStride);
  if (result == kCommandSuccess) raw = block;
  return result;
}

int WriteSettingsBlock(CDeviceChannel& channel, int profile, const SettingsBlock& block) {
  if (!channel.IsOpen()) return kCommandNoReply;
  int first = channel.BeginConfig();
  const int written = channel.WriteParameters(
      block.data(), kSettingsBlockSize, static_cast<uint32_t>(profile) * kSettingsBlockStride);
  if (first == kCommandSuccess) first = written;
  const int ended = channel.EndConfig();
  if (first == kCommandSuccess) first = ended;
  return first;
}
