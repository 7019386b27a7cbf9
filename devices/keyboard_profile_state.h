#pragma once
// The keyboard's profile operations as data: what LoadProfile,
// LoadDefaultProfile and ValidateMacroAssignments take from and give to the
// profile document, without the page. The device object shows the result.

#include <string>
#include <vector>

#include "profiles/keyboard_profiledata.h"
#include "profiles/profile_records.h"

// Light table index of the keyboard in default_light.json.
inline constexpr int kKeyboardLightTableIndex = 1;

struct KeyboardProfileState {
  std::vector<KeyAssignmentRecord> keys;  // KeyList, indexed by key number
  LightInfoRecord light;
  AudioLightRecord audioLight;
  KbSystemStages stages;
  bool fnLayer = false;
  int customGroup = 0;
};

// Loads the document at profilePath (the document falls back to the default
// profile when the file lacks the device) and takes its key list, lighting,
// system options and Fn-layer flag.
KeyboardProfileState LoadKeyboardProfile(CKeyboardProfiledata& document,
                                         const std::string& profilePath);

// Loads the default profile, takes the same from it and saves it as the
// profile at profilePath (the defaults become the profile). saved tells
// whether that write succeeded.
KeyboardProfileState LoadDefaultKeyboardProfile(CKeyboardProfiledata& document,
                                                const std::string& profilePath, bool* saved);

// A main-layer macro assignment of a macro at or past macroCount becomes the
// key's default. True when any key changed (the caller stores the list).
bool ValidateMacroAssignments(std::vector<KeyAssignmentRecord>& keys, int macroCount);

// The device's effect code for each effect number of the page, from
// default_light.json in the DefaultData folder ("value" of each mode).
std::vector<int> KeyboardEffectCodes(const std::string& defaultDataFolder);
