#pragma once
// Where the main window sends each notification of its skin and each menu
// command: the routing tables by notification type and control name. The
// tables are plain data; the main window maps every target to its handler.

#include <string>
#include <string_view>

enum class NotifyTarget {
  kNone,     // not routed (a name the tables do not list)
  kNothing,  // listed, and deliberately nothing happens
  // Window and title bar
  kCloseButton,
  kNoDeviceOk,
  kLightControlToggle,
  kMinimise,
  kMaximise,
  kRestore,
  kSkinPicker,
  kSettingsWindow,
  kSystemDeviceSettings,  // "windowdeviceset_" n: the system's mouse and keyboard settings
  kRestoreDefaults,
  kProfileReset,
  // Device list
  kDeviceTabSelected,
  kPreviousDevice,
  kNextDevice,
  kFunctionPage,  // page tabs: number = function page 1 to 8
  kSameMode,      // "deng_same_mode": lighting panel and synchronised lighting
  // Profile bar
  kProfileBar,
  kProfileComboTimer,
  // Key assignment panel
  kKeyButton,
  kKeyPanelButton,
  kKeyPanelSelect,
  kKeyPanelList,
  kKeyPanelEdit,
  kKeyCaptureEnd,
  // Lighting panel
  kColourSwatch,
  kAudioColourSwatch,
  kLightingPanelClick,
  kLightingPanelSelect,
  kAudioLightingSelect,
  kLightingMode,
  kAudioLightingMode,
  kLightingSlider,
  kLightingColourEdit,
  kAudioColourEdit,
  kLightingColour,
  kAudioLightingColour,
  kPerKeyLightSelection,
  // DPI, polling and system settings
  kSystemSettings,
  kMouseSettingsPage,
  kSystemSlider,
  kDpiSliderMove,
  kDpiEdit,
  kDpiColour,
  kResetRepeatTest,
  // Macro editor
  kMacroEditor,
  kMacroList,
  kMacroActionMenu,
  // Shooting assist
  kShootPanel,
  // Headset
  kHeadsetEqualiser,
  kHeadsetEqualiserList,
  kHeadsetSlider,
  kVoiceChanger,
  // Music lighting
  kMusicLighting,
  kMusicColourSlider,
  // Menu commands
  kMenuExit,
  kMenuAbout,
  kMenuSettings,
  kTargetCount
};

// How a table row's name meets a control name.
enum class RouteMatch {
  kName,          // equal, without regard to case
  kNameWithCase,  // equal, letter case included
  kPrefixNumber,  // the name split at its last non-digit: prefix equal without regard to case
  kControl,       // the main window's own title-bar control of that name
};

struct NotifyRoute {
  std::wstring_view type;  // notification type; L"menu" for menu commands
  std::wstring_view name;
  RouteMatch match;
  NotifyTarget target;
  int number;  // passed on for kName rows (the page of a page tab), else -1
};

struct RouteResult {
  NotifyTarget target = NotifyTarget::kNone;
  int number = -1;         // the number of a prefix + number name, or the row's number
  bool byControl = false;  // the caller must check that the sender is its own control
};

// The row for a notification of this type from a control of this name.
RouteResult RouteNotify(std::wstring_view type, std::wstring_view name);
// The row for a menu command (the menu item's name, without regard to case).
RouteResult RouteMenuCommand(std::wstring_view name);

// A control name split at its last non-digit: "DPI_slider_3" gives
// "DPI_slider_" and 3; a name without trailing digits gives number -1.
struct SplitName {
  std::wstring_view prefix;
  int number = -1;
};
SplitName SplitNameNumber(std::wstring_view name);

bool EqualNoCase(std::wstring_view a, std::wstring_view b);

// The handler's name, for debug lines and tests.
const char* NotifyTargetName(NotifyTarget target);
