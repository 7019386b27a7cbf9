#pragma once
// A stored keyboard profile for tests that write a profile to the simulated
// keyboard: a macro library of two macros (eventsPerMacro key-down events of
// 5 ms each) and the selected profile of the keyboard's data folder, whose
// keys A and S (key numbers 64 and 65) use macros 1 and 0 and whose lighting
// has speed 1 and red 99 (and effect `effect` when it is not negative).

#include <string>

#include "profiles/data_folders.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"

// Returns the profile's id, or empty text when something could not be stored.
inline std::string StoreKeyboardProfileWithMacros(int eventsPerMacro, int effect = -1) {
  const std::string folder = UserDeviceFolder(kKeyboardFolderName);
  if (folder.empty()) return {};
  CMacroLibrary library(folder);
  for (int m = 0; m < 2; ++m) {
    const int index = library.NewMacro();
    if (index < 0) return {};
    Json::Value events(Json::arrayValue);
    for (int e = 0; e < eventsPerMacro; ++e) {
      Json::Value event;
      event["Delay"] = "5";
      event["Type"] = 1;
      event["Action"] = "down";
      event["Button"] = 4;
      events.append(event);
    }
    if (!library.SaveMacroEvents(index, events)) return {};
  }
  CProfileList profiles;
  profiles.SetDeviceType(1);
  profiles.SetFolders(folder, DefaultProfilePath(kKeyboardFolderName));
  if (!profiles.InitProfiles()) return {};
  CKeyboardProfiledata doc;
  doc.SetDefaultProfilePath(DefaultProfilePath(kKeyboardFolderName));
  doc.SetProfilePath(profiles.CurrentProfilePath());
  doc.Load(profiles.CurrentProfilePath());
  auto keys = doc.GetKeyList();
  if (keys.size() <= 65) return {};
  keys[64].Normal.code = {0x70, 1, 0};
  keys[65].Normal.code = {0x71, 0, 0};
  doc.SetKeyList(keys);
  LightInfoRecord light = doc.ReadLightInfo();
  if (effect >= 0) light.SelectItem = static_cast<uint8_t>(effect);
  light.Speed = 1;
  light.Red = 99;
  doc.WriteLightInfo(light);
  if (!doc.SaveProfile()) return {};
  return profiles.GetCurrentUUID();
}
