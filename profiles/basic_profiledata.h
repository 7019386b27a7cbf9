#pragma once
// The profile document of a device: the device section of the active profile
// file in memory, turned into the fixed records of profile_records.h, and
// written back on request. The mouse pad uses this class as it is; keyboards,
// mice and headsets use the subclasses. Setters change only the section in
// memory; SaveProfile writes it into the profile file.

#include <json/json.h>

#include <string>
#include <vector>

#include "profiles/profile_records.h"

class CBasicProfiledata {
 public:
  CBasicProfiledata() = default;
  virtual ~CBasicProfiledata() = default;

  // Document set-up. An empty path leaves the stored one unchanged.
  void SetProfilePath(const std::string& path);
  const std::string& GetProfilePath() const { return profilePath_; }
  void SetDefaultProfilePath(const std::string& path);
  const std::string& GetDefaultProfilePath() const { return defaultProfilePath_; }
  void SetLightLibraryPath(const std::string& path);
  const std::string& GetLightLibraryPath() const { return lightLibraryPath_; }
  // The element of "Device" to use (device objects use 0). A negative or
  // absurd index is taken as 0.
  void SetDeviceIndex(int index);
  int GetDeviceIndex() const { return deviceIndex_; }

  // Loads "Device"[index] of the file at path into the section. A file that
  // is missing, unreadable or without an object there gets the default
  // profile's section and is rewritten at once, keeping its other keys.
  Json::Value Load(const std::string& path);
  // The same into the secondary section (another profile, cross-profile edits).
  Json::Value LoadSecondary(const std::string& path);
  const Json::Value& Section() const { return section_; }
  const Json::Value& SecondarySection() const { return secondary_; }

  LightInfoRecord ReadLightInfo();
  void WriteLightInfo(const LightInfoRecord& record);
  AudioLightRecord ReadAudioLightInfo();
  void WriteAudioLightInfo(const AudioLightRecord& record);
  std::vector<LightModeRecord> GetLightList();

  Json::Value LoadLightLibrary(const std::string& path);
  // The steps of the custom effect that the current LightInfo's SelectItem
  // names in the light library. The effect file <Guid>.light lies in the
  // light library's folder; a Guid that is not a plain file name gives no
  // steps.
  std::vector<EffectStepRecord> GetCustomEffect();

  std::vector<KeyAssignmentRecord> GetKeyList();
  std::vector<KeyAssignmentRecord> GetSecondaryKeyList();
  void SetKeyList(const std::vector<KeyAssignmentRecord>& list);
  void SetSecondaryKeyList(const std::vector<KeyAssignmentRecord>& list);

  // Last values read or set, for readers that must not touch the file.
  const LightInfoRecord& CurrentLightInfo() const { return lightInfo_; }
  const AudioLightRecord& CurrentAudioLightInfo() const { return audioLightInfo_; }
  const std::vector<LightModeRecord>& CurrentLightList() const { return lightList_; }
  const std::vector<EffectStepRecord>& CurrentCustomEffect() const { return effectSteps_; }
  const std::vector<KeyAssignmentRecord>& CurrentKeyList() const { return keyList_; }

  // Writing. Each returns true when the file was written.
  virtual bool SaveProfile();
  // Reads the file at path, sets its "Device"[index] to value, writes it.
  virtual bool SaveSection(const Json::Value& value, const std::string& path);
  virtual bool SaveSecondary(const std::string& path);
  // Writes value as the whole file.
  virtual bool WriteDocument(const Json::Value& value, const std::string& path);

 protected:
  Json::ArrayIndex Index() const { return static_cast<Json::ArrayIndex>(deviceIndex_); }
  Json::Value LoadInto(Json::Value& target, const std::string& path);
  static std::vector<KeyAssignmentRecord> ReadKeyList(const Json::Value& section);
  static void WriteKeyList(Json::Value& section, const std::vector<KeyAssignmentRecord>& list);

  std::string profilePath_;
  std::string defaultProfilePath_;
  std::string lightLibraryPath_;
  int deviceIndex_ = 0;
  LightInfoRecord lightInfo_;
  LightInfoRecord zeroLightInfo_{};  // the record of a profile without lighting
  AudioLightRecord audioLightInfo_;
  std::vector<LightModeRecord> lightList_;
  Json::Value section_;
  Json::Value secondary_;
  Json::Value lightLibrary_;
  std::vector<EffectStepRecord> effectSteps_;
  std::vector<KeyAssignmentRecord> keyList_;
  std::vector<KeyAssignmentRecord> secondaryKeyList_;
};
