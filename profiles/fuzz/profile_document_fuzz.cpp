// Any bytes as a profile file, a light library and a custom effect file:
// every getter and setter of the three document classes must cope.

#include <cstdint>
#include <cstdlib>

#include "profiles/fuzz/fuzz_folder.h"
#include "profiles/hs6533_profiledata.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"

namespace {

template <typename Doc>
void Common(Doc& doc, const FuzzFolder& folder) {
  doc.SetDefaultProfilePath(folder.User() + "default.Json");
  doc.SetLightLibraryPath(folder.User() + "tomel_light.config");
  doc.SetDeviceIndex(0);
  doc.SetProfilePath(folder.User() + "p.Json");
  doc.Load(folder.User() + "p.Json");
  doc.LoadSecondary(folder.User() + "q.Json");
  doc.LoadLightLibrary(doc.GetLightLibraryPath());
  LightInfoRecord info = doc.ReadLightInfo();
  doc.GetCustomEffect();
  doc.WriteLightInfo(info);
  doc.WriteAudioLightInfo(doc.ReadAudioLightInfo());
  doc.GetLightList();
  auto keys = doc.GetKeyList();
  doc.SetKeyList(keys);
  doc.SetSecondaryKeyList(doc.GetSecondaryKeyList());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFolder folder;
  folder.Reset();
  folder.Put(folder.User() + "p.Json", data, size);
  folder.Put(folder.User() + "q.Json", data, size);
  folder.Put(folder.User() + "tomel_light.config", data, size);
  folder.Put(folder.User() + ".light", data, size);
  folder.Put(folder.User() + "default.Json", reinterpret_cast<const uint8_t*>(kFuzzDefaultProfile),
             std::char_traits<char>::length(kFuzzDefaultProfile));

  CKeyboardProfiledata keyboard;
  Common(keyboard, folder);
  keyboard.SetSystemStages(keyboard.GetSystemStages());
  keyboard.SetFnKeysetFlag(keyboard.GetFnKeysetFlag());
  const int group = keyboard.GetCustomGroupIndex();
  keyboard.SetCustomLightColors(keyboard.GetCustomLightColors(group, 8), group);
  keyboard.SetCustomGroupIndex(group);
  keyboard.SaveProfile();
  keyboard.SaveSecondary(folder.User() + "q.Json");

  CMouseProfiledata mouse;
  Common(mouse, folder);
  mouse.SetDpiStages(mouse.GetDpiStages());
  mouse.SetActiveDpiStage(mouse.GetActiveDpiStage());
  mouse.SetMouseSystemStages(mouse.GetMouseSystemStages());
  mouse.GetCorrectList();
  mouse.SaveProfile();

  CHs6533Profiledata headset;
  Common(headset, folder);
  const HsSystemSetStages s = headset.GetSystemSetStages();
  headset.SetEqBands(s.EqType, headset.GetEqBands(s.EqType));
  headset.SetCustomEqBands(s.CustomEqSeletIndex, headset.GetCustomEqBands(s.CustomEqSeletIndex));
  headset.SetCustomEqNames(headset.GetCustomEqNames());
  headset.SetSystemSetStages(s.MagicEnable, s.MagicType, s.EqType, s.CustomEqSeletIndex,
                             s.MicInSelect, s.MicInValue, s.MicMoniterSelect, s.MicMoniterValue);
  headset.SaveProfile();

  if (folder.Escaped()) std::abort();
  return 0;
}
