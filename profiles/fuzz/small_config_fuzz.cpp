// Any bytes as each of the small configuration files.

#include <cstdint>
#include <cstdlib>

#include "profiles/fuzz/fuzz_folder.h"
#include "profiles/small_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFolder folder;
  folder.Reset();
  const std::string user = folder.User();
  for (const char* name : {"macro.config", "tomel_macro.config", "default_light.json",
                           "tomel_light.config", "color_option_info.config", "updatetime.config",
                           "main.ini", "Language.config", "AudioFile.json"})
    folder.Put(user + name, data, size);

  LightingNames names;
  for (int k = 0; k < 5; ++k) RefreshLightingNames(user, user, k, k % 2 == 1, names);
  ColourOptions options = LoadUserColourOptions(user + "color_option_info.config", user + "x");
  SaveColourPresets(user + "color_option_info.config", options);
  SaveCollectedColours(user + "color_option_info.config", options);
  ReadUpdateDate(user + "updatetime.config");
  SkinImage skin = ReadSkinImage(user + "main.ini");
  WriteSkinImage(user + "main.ini", {"1", "common/background.png"});
  ReadLanguageList(user + "Language.config");
  Json::Value device = LoadAudioFile(user + "AudioFile.json", user + "none.json");
  WriteAudioStyles(device, ReadAudioStyles(device));
  SaveAudioFile(user + "AudioFile.json", device);

  if (folder.Escaped()) std::abort();
  return 0;
}
