// Data folders and the small configuration files.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "profiles/data_folders.h"
#include "profiles/json_file.h"
#include "profiles/small_config.h"
#include "tests/profiles/temp_folder.h"

namespace {

class SmallConfigTest : public TempFolderTest {};

TEST_F(SmallConfigTest, FoldersAreMadeOnFirstUseAndNamesStayInside) {
  ::setenv("XDG_DATA_HOME", PathOf("data").c_str(), 1);
  ::setenv("RUVEMO_DATA_DIR", PathOf("share").c_str(), 1);
  ::setenv("TMPDIR", PathOf("tmp").c_str(), 1);
  EXPECT_EQ(AppDataFolder(), PathOf("data/Brivo75/"));
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("data/Brivo75")));
  EXPECT_EQ(UserDeviceFolder("keyboard"), PathOf("data/Brivo75/keyboard/"));
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("data/Brivo75/keyboard")));
  EXPECT_EQ(UpdateFolder(), PathOf("tmp/UpdateData/"));
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("tmp/UpdateData")));
  EXPECT_EQ(DefaultDataFolder(), PathOf("share/DefaultData/"));
  EXPECT_EQ(DefaultProfilePath("HD"), PathOf("share/DefaultData/HD.Json"));
  for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(UserDeviceFolder(bad), "");
    EXPECT_EQ(DefaultProfilePath(bad), "");
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("data/x")));
  // The user's data is the user's alone: folders made for it are 0700.
  for (const char* made : {"data", "data/Brivo75", "data/Brivo75/keyboard", "tmp/UpdateData"}) {
    SCOPED_TRACE(made);
    struct stat st {};
    ASSERT_EQ(::stat(PathOf(made).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
  ::unsetenv("TMPDIR");
}

TEST_F(SmallConfigTest, LightingNamesReplaceOnlyWhatTheFilesHold) {
  WriteDoc("default_light.json", R"({"DefaultLightName": [[{"LightName": "m0", "visible": true,
      "value": 0}], [{"LightName": "k0", "visible": false, "value": 7},
      {"LightName": "k1", "visible": 1, "value": "8"}]],
      "AreaLightName": [null, [{"LightName": "Logo"}]]})");
  WriteDoc("tomel_light.config", R"({"LightInfo": [[{"LightName": "mine", "Guid": "g"}]]})");
  WriteDoc("macro.config", R"({"MacroInfo": [{"MacroName": "Jump", "Guid": "g"}]})");
  LightingNames names;
  names.modeNames = {L"old"};
  names.customEffectNames = {L"keep"};
  RefreshLightingNames(dir_, dir_, 1, false, names);
  EXPECT_EQ(names.macroNames, std::vector<std::wstring>{L"Jump"});
  EXPECT_EQ(names.modeNames, (std::vector<std::wstring>{L"k0", L"k1"}));
  EXPECT_EQ(names.modeVisible, (std::vector<bool>{false, true}));
  EXPECT_EQ(names.modeValues, (std::vector<int>{7, 0}));
  EXPECT_EQ(names.areaNames, std::vector<std::wstring>{L"Logo"});
  EXPECT_EQ(names.customEffectNames, std::vector<std::wstring>{L"keep"});  // no LightInfo[1]

  // A light table index beyond the file leaves the mode lists as they are;
  // the headset and pad read tomel_macro.config, which nothing writes.
  RefreshLightingNames(dir_, dir_, 5, true, names);
  EXPECT_EQ(names.modeNames.size(), 2u);
  EXPECT_TRUE(names.macroNames.empty());
  RefreshLightingNames(dir_, dir_, 0, false, names);
  EXPECT_EQ(names.customEffectNames, std::vector<std::wstring>{L"mine"});
  EXPECT_EQ(names.areaNames, std::vector<std::wstring>{L"Logo"});
}

TEST_F(SmallConfigTest, ColourOptionsAreSeededFromTheShippedCopyAndKeptAsHex) {
  ColourOptions shipped;
  for (int i = 0; i < kColourOptionCount; ++i) shipped.presets[i] = 0xFF000000u + i;
  shipped.presetSelect = 3;
  WriteJson(PathOf("shipped.config"), ColourOptionsDocument(shipped));
  EXPECT_EQ(ReadDoc("shipped.config")["coloroptioninfo"]["palletDialogcoloroption"][10]["color"],
            "FF00000A");

  ColourOptions user = LoadUserColourOptions(PathOf("user.config"), PathOf("shipped.config"));
  EXPECT_TRUE(Exists("user.config"));
  EXPECT_EQ(user.presets[19], 0xFF000013u);
  EXPECT_EQ(user.presetSelect, 3);

  user.collected[2] = 0xFFABCDEFu;
  user.collectedUserData[2] = L"slot";
  user.collectedSelect = 2;
  ASSERT_TRUE(SaveCollectedColours(PathOf("user.config"), user));
  ColourOptions again;
  ASSERT_TRUE(ReadColourOptions(PathOf("user.config"), again));
  EXPECT_EQ(again.collected[2], 0xFFABCDEFu);
  EXPECT_EQ(again.collectedUserData[2], L"slot");
  EXPECT_EQ(again.presets[1], 0xFF000001u);

  WriteText("user.config", "{broken");
  EXPECT_EQ(LoadUserColourOptions(PathOf("user.config"), PathOf("shipped.config")).presets[5],
            0xFF000005u);
  EXPECT_EQ(ParseArgb("ff00ff00"), 0xFF00FF00u);
  EXPECT_EQ(ParseArgb("xyz"), 0u);
  EXPECT_EQ(ParseArgb("123456789"), 0u);
}

TEST_F(SmallConfigTest, UpdateDateAndSkinImage) {
  ASSERT_TRUE(WriteUpdateDate(PathOf("updatetime.config"), 2025, 3, 5));
  EXPECT_EQ(ReadUpdateDate(PathOf("updatetime.config")), "2025-3-5");
  EXPECT_EQ(ReadUpdateDate(PathOf("none.config")), "");

  WriteText("main.ini", "[OTHER]\nFLAGS=9\n[SKINIMAGE]\nFLAGS=0\nX=1\n");
  ASSERT_TRUE(WriteSkinImage(PathOf("main.ini"), {"1", "/home/u/p.png"}));
  const SkinImage skin = ReadSkinImage(PathOf("main.ini"));
  EXPECT_EQ(skin.flags, "1");
  EXPECT_EQ(skin.image, "/home/u/p.png");
  std::ifstream in(PathOf("main.ini"));
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "[OTHER]\nFLAGS=9\n[SKINIMAGE]\nFLAGS=1\nX=1\nIMAGE=/home/u/p.png\n");
  ASSERT_TRUE(WriteSkinImage(PathOf("new.ini"), {"0", kResetSkinImage}));
  EXPECT_EQ(ReadSkinImage(PathOf("new.ini")).image, "common/background.png");
  EXPECT_FALSE(WriteSkinImage(PathOf("new.ini"), {"1", "a\n[X]"}));

  // main.ini is replaced like every stored file: through a link, keeping its
  // mode, with nothing left beside it.
  std::filesystem::create_directory(PathOf("ini"));
  WriteText("ini/real.ini", "[SKINIMAGE]\nFLAGS=0\n");
  ::chmod(PathOf("ini/real.ini").c_str(), 0640);
  std::filesystem::create_symlink(PathOf("ini/real.ini"), PathOf("ini/main.ini"));
  ASSERT_TRUE(WriteSkinImage(PathOf("ini/main.ini"), {"1", "p.png"}));
  EXPECT_TRUE(std::filesystem::is_symlink(PathOf("ini/main.ini")));
  EXPECT_EQ(ReadSkinImage(PathOf("ini/real.ini")).image, "p.png");
  struct stat st {};
  ASSERT_EQ(::stat(PathOf("ini/real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(PathOf("ini")), {}), 2);
}

TEST_F(SmallConfigTest, AudioFileIsRebuiltFromTheShippedCopy) {
  WriteDoc("shipped.json", R"({"Device": {"AudioLightInfo": {"nAudioStyle": 1,
      "nStyleName2": "Warm", "nStyleR1": 9, "nStyleG1": "x"}}})");
  Json::Value device = LoadAudioFile(PathOf("user.json"), PathOf("shipped.json"));
  AudioStyles styles = ReadAudioStyles(device);
  EXPECT_EQ(styles.selected, 1);
  EXPECT_EQ(styles.styles[1].name, L"Warm");
  EXPECT_EQ(styles.styles[1].red, 9);
  EXPECT_EQ(styles.styles[1].green, 0);
  styles.styles[3] = {L"Cool", 1, 2, 3};
  WriteAudioStyles(device, styles);
  ASSERT_TRUE(SaveAudioFile(PathOf("user.json"), device));
  EXPECT_EQ(ReadAudioStyles(LoadAudioFile(PathOf("user.json"), "")).styles[3].blue, 3);
}

}  // namespace
