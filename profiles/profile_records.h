#pragma once
// The fixed records that device and panel code read from and write into a
// profile's device section. Plain data; the profile document classes convert
// between them and the JSON keys of the section.

#include <cstdint>
#include <string>

// "LightInfo": the lighting effect of the profile.
struct LightInfoRecord {
  uint8_t SelectItem = 0;
  uint8_t Light = 0;
  uint8_t Speed = 0;
  uint8_t Fx = 0;
  uint8_t MultiColor = 0;
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Unused[3] = {0, 0, 0};  // never stored in the document
  uint8_t ZZCCLedMode = 0;
  uint8_t CustomGroup = 0;
  uint8_t OldLedmode = 0;
};

// "AudioLightInfo": the music-lighting colours and mode (keyboard).
struct AudioLightRecord {
  uint8_t AudioMode = 0;
  uint8_t BkColorR = 0;
  uint8_t BkColorG = 0;
  uint8_t BkColorB = 0;
  uint8_t FgColorR = 0;
  uint8_t FgColorG = 0;
  uint8_t FgColorB = 0;
  uint8_t SevenColorFlags = 0;  // "7ColorFlags"
  uint8_t ColorTypeFlags = 0;
};

// One element of "LightList": a light's own mode over the running effect.
struct LightModeRecord {
  uint8_t mode = 0;
  uint8_t brightness = 0;
  uint8_t speed = 0;
  uint8_t direction = 0;
  uint8_t multicolour = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t valid = 0;  // 1 when the element was present in the list
  uint8_t spare[5] = {0, 0, 0, 0, 0};
};
static_assert(sizeof(LightModeRecord) == sizeof(LightInfoRecord));

// One step of a custom effect file ("LEDEffectList").
struct EffectStepRecord {
  uint8_t mode = 0;
  uint8_t brightness = 0;
  uint8_t speed = 0;
  uint8_t direction = 0;
  uint8_t multicolour = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  int32_t Time = 0;
  int32_t Cyle = 0;
};

// Three bytes saying what a key or button does; in documents one integer
// type << 16 | p1 << 8 | p2.
struct AssignmentCode {
  uint8_t type = 0;
  uint8_t p1 = 0;
  uint8_t p2 = 0;

  static AssignmentCode Unpack(int packed) {
    const auto bits = static_cast<uint32_t>(packed);
    return {static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 8),
            static_cast<uint8_t>(bits)};
  }
  int Pack() const { return type << 16 | p1 << 8 | p2; }
  bool IsMacro() const { return type == 0x70 || type == 0x71; }
  friend bool operator==(const AssignmentCode&, const AssignmentCode&) = default;
};

// A key value: the key's index in "KeyList", its code and a spare byte.
struct KeyValue {
  uint16_t key = 0;
  AssignmentCode code;
  uint8_t spare = 0;
};

// One "KeyList" entry.
struct KeyAssignmentRecord {
  KeyValue Fn;
  KeyValue Normal;
  KeyValue Default;
};

// Keyboard "SystemStages".
struct KbSystemStages {
  uint16_t Repeat = 0;
  uint16_t RepeatDelay = 0;
  uint16_t Key6Flag = 0;
  uint16_t PollingRate = 0;
  uint16_t WFlag = 0;
  uint16_t WinFlag = 0;
  uint16_t Kyelatency = 0;
};

// One element of the mouse's "DPIStages"."StageDPIs".
struct DpiStageRecord {
  uint8_t StageActive = 0;
  uint8_t StageXY = 0;
  uint16_t StageDPIX = 0;
  uint16_t StageDPIY = 0;
  uint8_t StageColorR = 0;
  uint8_t StageColorG = 0;
  uint8_t StageColorB = 0;
};

// Mouse "SystemStages" plus the report-rate stage of "ReportStages".
struct MouseSystemStages {
  uint16_t DoubleClickTime = 0;
  uint16_t MouseSpeed = 0;
  uint16_t PointerPrecision = 0;
  uint16_t ScorllPage = 0;
  uint16_t WheelScorlllinse = 0;
  uint16_t ReportStage = 0;
};

// One element of the mouse's "CorrectInfo".
struct CorrectRecord {
  uint8_t CorrectPixThresh = 0;
  uint8_t CorrectMinSq = 0;
  uint8_t CorrectSelect = 0;
  std::wstring CorrectName;
};

// Headset "SystemSetStages".
struct HsSystemSetStages {
  int32_t MagicEnable = 0;
  int32_t MagicType = 0;
  int32_t EqType = 0;
  int32_t CustomEqSeletIndex = 0;
  int32_t MicInSelect = 0;
  int32_t MicInValue = 0;
  int32_t MicMoniterSelect = 0;
  int32_t MicMoniterValue = 0;
};

struct RgbaColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Alpha = 0;
};
