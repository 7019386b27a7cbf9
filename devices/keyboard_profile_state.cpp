#include "devices/keyboard_profile_state.h"

#include "profiles/small_config.h"

namespace {

KeyboardProfileState TakeState(CKeyboardProfiledata& document) {
  KeyboardProfileState s;
  s.keys = document.GetKeyList();
  s.light = document.ReadLightInfo();
  s.audioLight = document.ReadAudioLightInfo();
  s.stages = document.GetSystemStages();
  s.fnLayer = document.GetFnKeysetFlag();
  s.customGroup = document.GetCustomGroupIndex();
  return s;
}

}  // namespace

KeyboardProfileState LoadKeyboardProfile(CKeyboardProfiledata& document,
                                         const std::string& profilePath) {
  document.SetProfilePath(profilePath);
  document.Load(profilePath);
  return TakeState(document);
}

KeyboardProfileState LoadDefaultKeyboardProfile(CKeyboardProfiledata& document,
                                                const std::string& profilePath, bool* saved) {
  document.Load(document.GetDefaultProfilePath());
  KeyboardProfileState s = TakeState(document);
  document.SetProfilePath(profilePath);
  const bool ok = document.SaveProfile();
  if (saved != nullptr) *saved = ok;
  return s;
}

bool ValidateMacroAssignments(std::vector<KeyAssignmentRecord>& keys, int macroCount) {
  bool changed = false;
  for (auto& key : keys) {
    if (key.Normal.code.IsMacro() && key.Normal.code.p1 >= macroCount) {
      key.Normal.code = key.Default.code;
      changed = true;
    }
  }
  return changed;
}

std::vector<int> KeyboardEffectCodes(const std::string& defaultDataFolder) {
  LightingNames names;
  ReadDefaultLightNames(defaultDataFolder + "default_light.json", kKeyboardLightTableIndex, names);
  return names.modeValues;
}
