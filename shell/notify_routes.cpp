#include "shell/notify_routes.h"

#include <cwctype>
#include <iterator>

namespace {

using T = NotifyTarget;
constexpr RouteMatch N = RouteMatch::kName;
constexpr RouteMatch C = RouteMatch::kNameWithCase;
constexpr RouteMatch P = RouteMatch::kPrefixNumber;
constexpr RouteMatch W = RouteMatch::kControl;

// The main skin's routing tables, by notification type. Order matters only
// where two rows could meet one name; none do.
constexpr NotifyRoute kRoutes[] = {
    // "click"
    {L"click", L"closebtn", N, T::kCloseButton, -1},
    {L"click", L"nodevice_ok_btn", N, T::kNoDeviceOk, -1},
    {L"click", L"control_light_status", N, T::kLightControlToggle, -1},
    {L"click", L"minbtn", W, T::kMinimise, -1},
    {L"click", L"maxbtn", W, T::kMaximise, -1},
    {L"click", L"restorebtn", W, T::kRestore, -1},
    {L"click", L"skinbtn", W, T::kSkinPicker, -1},
    {L"click", L"setbtn", W, T::kSettingsWindow, -1},
    {L"click", L"gamemodebtn", N, T::kNothing, -1},
    {L"click", L"cloudbtn", N, T::kNothing, -1},
    {L"click", L"smarteyesbtn", N, T::kNothing, -1},
    {L"click", L"key_", P, T::kKeyButton, -1},
    {L"click", L"color_option_", P, T::kColourSwatch, -1},
    {L"click", L"audiocolor_option_", P, T::kAudioColourSwatch, -1},
    {L"click", L"windowdeviceset_", P, T::kSystemDeviceSettings, -1},
    {L"click", L"DPI_color_option_", P, T::kDpiColour, -1},
    {L"click", L"default_btn", N, T::kRestoreDefaults, -1},
    {L"click", L"custom_bright_color_btn", N, T::kLightingPanelClick, -1},
    {L"click", L"custom_off_color_btn", N, T::kLightingPanelClick, -1},
    {L"click", L"deng_same_mode", N, T::kSameMode, -1},
    {L"click", L"reset_repeat_btn", N, T::kResetRepeatTest, -1},
    {L"click", L"device_add_btn", N, T::kProfileBar, -1},
    {L"click", L"device_sub_btn", N, T::kProfileBar, -1},
    {L"click", L"device_export_btn", N, T::kProfileBar, -1},
    {L"click", L"device_import_btn", N, T::kProfileBar, -1},
    {L"click", L"device_copy_btn", N, T::kProfileBar, -1},
    {L"click", L"device_profile_edit_save_btn", N, T::kProfileBar, -1},
    {L"click", L"profile_fun_spread_btn", N, T::kProfileBar, -1},
    {L"click", L"device_reset_btn", N, T::kProfileReset, -1},
    {L"click", L"key_butt_keysave", N, T::kKeyPanelButton, -1},
    {L"click", L"key_butt_keydefalut", N, T::kKeyPanelButton, -1},
    {L"click", L"key_butt_keycancel", N, T::kKeyPanelButton, -1},
    {L"click", L"key_butt_prosave", N, T::kKeyPanelButton, -1},
    {L"click", L"macro_btn_starredio", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_stopredio", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_name_add", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_name_sub", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_name_edit", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_save", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_cancel", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_export", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_import", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_up", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_down", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_uptop", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_downbottom", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_delete", N, T::kMacroEditor, -1},
    {L"click", L"macro_btn_deleteall", N, T::kMacroEditor, -1},
    {L"click", L"macro_inset_moveleftkey_btn", C, T::kMacroEditor, -1},
    {L"click", L"macro_inset_moverightkey_btn", C, T::kMacroEditor, -1},
    {L"click", L"macro_inset_moveupkey_btn", C, T::kMacroEditor, -1},
    {L"click", L"macro_inset_movedownkey_btn", C, T::kMacroEditor, -1},
    {L"click", L"shootdate_save_btn", N, T::kShootPanel, -1},
    {L"click", L"shootdate_reset_btn", N, T::kShootPanel, -1},
    {L"click", L"shootdate_import_btn", N, T::kShootPanel, -1},
    {L"click", L"shootdate_export_btn", N, T::kShootPanel, -1},
    {L"click", L"bullet_selected_prev", N, T::kShootPanel, -1},
    {L"click", L"bullet_selected_next", N, T::kShootPanel, -1},
    {L"click", L"hs_EQ_btn_save", N, T::kHeadsetEqualiser, -1},
    {L"click", L"hs_EQ_btn_delete", N, T::kHeadsetEqualiser, -1},
    {L"click", L"device_select_prev", N, T::kPreviousDevice, -1},
    {L"click", L"device_select_next", N, T::kNextDevice, -1},
    {L"click", L"Close_bkColor_btn", N, T::kMusicLighting, -1},
    {L"click", L"music_setting_btn", N, T::kMusicLighting, -1},

    // "selectchanged"
    {L"selectchanged", L"DPI_enable_check_", P, T::kSystemSettings, -1},
    {L"selectchanged", L"DPI_select_check_", P, T::kSystemSettings, -1},
    {L"selectchanged", L"polling_rate_option_", P, T::kSystemSettings, -1},
    {L"selectchanged", L"repeat_delay_check_", P, T::kSystemSettings, -1},
    {L"selectchanged", L"pointer_precision_check", N, T::kSystemSettings, -1},
    {L"selectchanged", L"scrolls_page_check", N, T::kSystemSettings, -1},
    {L"selectchanged", L"winlockflag_option", N, T::kSystemSettings, -1},
    {L"selectchanged", L"wflag_option", N, T::kSystemSettings, -1},
    {L"selectchanged", L"6flag_option", N, T::kSystemSettings, -1},
    {L"selectchanged", L"key_uitra_low_latency", N, T::kSystemSettings, -1},
    {L"selectchanged", L"keyset_fn", N, T::kSystemSettings, -1},
    {L"selectchanged", L"mouse_device_seting_option_", P, T::kMouseSettingsPage, -1},
    {L"selectchanged", L"key_ComBox_check_", P, T::kKeyPanelSelect, -1},
    {L"selectchanged", L"shoot_gun_op_", P, T::kShootPanel, -1},
    {L"selectchanged", L"bullet_op_", P, T::kShootPanel, -1},
    {L"selectchanged", L"bullet_x_check", N, T::kShootPanel, -1},
    {L"selectchanged", L"bullet_y_check", N, T::kShootPanel, -1},
    {L"selectchanged", L"magic_option_", P, T::kVoiceChanger, -1},
    {L"selectchanged", L"magic_enable_option", N, T::kVoiceChanger, -1},
    {L"selectchanged", L"6533_eq_option_", P, T::kHeadsetEqualiser, -1},
    {L"selectchanged", L"6533_MicIn_option", N, T::kHeadsetEqualiser, -1},
    {L"selectchanged", L"6533_MicMoniter_option", N, T::kHeadsetEqualiser, -1},
    {L"selectchanged", L"deng_FXL_check", N, T::kLightingPanelSelect, -1},
    {L"selectchanged", L"deng_FXR_check", N, T::kLightingPanelSelect, -1},
    {L"selectchanged", L"deng_7color_check", N, T::kLightingPanelSelect, -1},
    {L"selectchanged", L"deng_7audiocolor_check", N, T::kAudioLightingSelect, -1},
    {L"selectchanged", L"audio_BkColor_check", N, T::kAudioLightingSelect, -1},
    {L"selectchanged", L"audio_FgColor_check", N, T::kAudioLightingSelect, -1},
    {L"selectchanged", L"device_select", N, T::kDeviceTabSelected, -1},
    {L"selectchanged", L"synchro_device_select", N, T::kNothing, -1},
    {L"selectchanged", L"deng_Op_tab", N, T::kFunctionPage, 1},
    {L"selectchanged", L"key_Op_tab", N, T::kFunctionPage, 2},
    {L"selectchanged", L"macro_Op_tab", N, T::kFunctionPage, 3},
    {L"selectchanged", L"system_Op_tab", N, T::kFunctionPage, 4},
    {L"selectchanged", L"cursor_Op_tab", N, T::kFunctionPage, 5},
    {L"selectchanged", L"6533_voice_Op_tab", N, T::kFunctionPage, 6},
    {L"selectchanged", L"magic_Op_tab", N, T::kFunctionPage, 7},
    {L"selectchanged", L"Virtual7.1_Op_tab", N, T::kFunctionPage, 8},

    // "itemselect"
    {L"itemselect", L"device_profile_combo", N, T::kProfileComboTimer, -1},
    {L"itemselect", L"light_combo_modeSelect", N, T::kLightingMode, -1},
    {L"itemselect", L"light_combo_custommodeSelect", N, T::kLightingMode, -1},
    {L"itemselect", L"light_combo_ZZCCmodeSelect", N, T::kLightingMode, -1},
    {L"itemselect", L"light_combo_audiomodeSelect", N, T::kAudioLightingMode, -1},
    {L"itemselect", L"keyset_function_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_macro_over_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_mousekey_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_mouseswing_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_mousewheel_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_mousedpi_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_media_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_system_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_macro_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_gunkey_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"keyset_combokey_combo", N, T::kKeyPanelList, -1},
    {L"itemselect", L"macro_name_list", N, T::kMacroList, -1},
    {L"itemselect", L"custom_eq_name_combo", N, T::kHeadsetEqualiserList, -1},

    // "valuechanged" and "movevaluechanged"
    {L"valuechanged", L"DPI_slider_", P, T::kSystemSlider, -1},
    {L"valuechanged", L"pointer_speed_slider", N, T::kSystemSlider, -1},
    {L"valuechanged", L"scroll_speed_slider", N, T::kSystemSlider, -1},
    {L"valuechanged", L"double_click_slider", N, T::kSystemSlider, -1},
    {L"valuechanged", L"repeat_rate_slider", N, T::kSystemSlider, -1},
    {L"valuechanged", L"6533_eq_hz_slider_", P, T::kHeadsetSlider, -1},
    {L"valuechanged", L"6533_MicIn_slider", N, T::kHeadsetSlider, -1},
    {L"valuechanged", L"6533_MicMoniter_slider", N, T::kHeadsetSlider, -1},
    {L"valuechanged", L"deng_light_slider", N, T::kLightingSlider, -1},
    {L"valuechanged", L"deng_speed_slider", N, T::kLightingSlider, -1},
    {L"valuechanged", L"R_light_slider", N, T::kMusicColourSlider, -1},
    {L"valuechanged", L"G_light_slider", N, T::kMusicColourSlider, -1},
    {L"valuechanged", L"B_light_slider", N, T::kMusicColourSlider, -1},
    {L"movevaluechanged", L"DPI_slider_", P, T::kDpiSliderMove, -1},
    {L"movevaluechanged", L"tomel_DPI_slider_", P, T::kDpiSliderMove, -1},

    // "killfocus"
    {L"killfocus", L"DPI_edit_", P, T::kDpiEdit, -1},
    {L"killfocus", L"tomel_DPI_edit_", P, T::kDpiEdit, -1},
    {L"killfocus", L"deng_edit_R", N, T::kLightingColourEdit, -1},
    {L"killfocus", L"deng_edit_G", N, T::kLightingColourEdit, -1},
    {L"killfocus", L"deng_edit_B", N, T::kLightingColourEdit, -1},
    {L"killfocus", L"deng_audioedit_R", N, T::kAudioColourEdit, -1},
    {L"killfocus", L"deng_audioedit_G", N, T::kAudioColourEdit, -1},
    {L"killfocus", L"deng_audioedit_B", N, T::kAudioColourEdit, -1},
    {L"killfocus", L"keyset_keyboard_text_edit", N, T::kKeyCaptureEnd, -1},
    {L"killfocus", L"bullet_x_eidt", N, T::kShootPanel, -1},
    {L"killfocus", L"bullet_y_eidt", N, T::kShootPanel, -1},
    {L"killfocus", L"bullet_delay_eidt", N, T::kShootPanel, -1},
    {L"killfocus", L"macro_delay", N, T::kMacroEditor, -1},
    {L"killfocus", L"keyset_mouseswing_num_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mouseswing_delay_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mouseswing_speed_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mousewheel_num_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mousewheel_delay_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mousewheel_speed_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mousefire_interval_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_mousefire_num_edit", N, T::kKeyPanelEdit, -1},
    {L"killfocus", L"keyset_macro_cycle_edit", N, T::kKeyPanelEdit, -1},

    // "click_select_end" and "colorchanged"
    {L"click_select_end", L"device_key_light", N, T::kPerKeyLightSelection, -1},
    {L"click_select_end", L"mouse_device_key_light", N, T::kPerKeyLightSelection, -1},
    {L"colorchanged", L"deng_Color_Pallet", N, T::kLightingColour, -1},
    {L"colorchanged", L"deng_audioColor_Pallet", N, T::kAudioLightingColour, -1},

    // Menu commands (tray menu and macro action menu)
    {L"menu", L"exit", N, T::kMenuExit, -1},
    {L"menu", L"about_menu", N, T::kMenuAbout, -1},
    {L"menu", L"setwnd_menu", N, T::kMenuSettings, -1},
    {L"menu", L"redio_previous_record_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"redio_previous_constant_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"redio_previous_ignore_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"redio_later_record_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"redio_later_constant_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"redio_later_ignore_time", N, T::kMacroActionMenu, -1},
    {L"menu", L"left_down", N, T::kMacroActionMenu, -1},
    {L"menu", L"left_up", N, T::kMacroActionMenu, -1},
    {L"menu", L"left_click", N, T::kMacroActionMenu, -1},
    {L"menu", L"middle_down", N, T::kMacroActionMenu, -1},
    {L"menu", L"middle_up", N, T::kMacroActionMenu, -1},
    {L"menu", L"middle_click", N, T::kMacroActionMenu, -1},
    {L"menu", L"right_down", N, T::kMacroActionMenu, -1},
    {L"menu", L"right_up", N, T::kMacroActionMenu, -1},
    {L"menu", L"right_click", N, T::kMacroActionMenu, -1},
    {L"menu", L"forward_down", N, T::kMacroActionMenu, -1},
    {L"menu", L"forward_up", N, T::kMacroActionMenu, -1},
    {L"menu", L"forward_click", N, T::kMacroActionMenu, -1},
    {L"menu", L"back_down", N, T::kMacroActionMenu, -1},
    {L"menu", L"back_up", N, T::kMacroActionMenu, -1},
    {L"menu", L"back_click", N, T::kMacroActionMenu, -1},
    {L"menu", L"macro_action_edit", N, T::kMacroActionMenu, -1},
};

constexpr const char* kTargetNames[] = {
    "None",
    "Nothing",
    "OnCloseButton",
    "OnNoDeviceOk",
    "OnLightControlToggle",
    "OnMinimise",
    "OnMaximise",
    "OnRestore",
    "OnSkinPicker",
    "OnSettingsWindow",
    "OnSystemDeviceSettings",
    "OnRestoreDefaults",
    "OnProfileReset",
    "OnDeviceTabSelected",
    "OnPreviousDevice",
    "OnNextDevice",
    "OnFunctionPage",
    "OnSameMode",
    "OnProfileBar",
    "OnProfileComboTimer",
    "OnKeyButton",
    "OnKeyPanelButton",
    "OnKeyPanelSelect",
    "OnKeyPanelList",
    "OnKeyPanelEdit",
    "OnKeyCaptureEnd",
    "OnColourSwatch",
    "OnAudioColourSwatch",
    "OnLightingPanelClick",
    "OnLightingPanelSelect",
    "OnAudioLightingSelect",
    "OnLightingMode",
    "OnAudioLightingMode",
    "OnLightingSlider",
    "OnLightingColourEdit",
    "OnAudioColourEdit",
    "OnLightingColour",
    "OnAudioLightingColour",
    "OnPerKeyLightSelection",
    "OnSystemSettings",
    "OnMouseSettingsPage",
    "OnSystemSlider",
    "OnDpiSliderMove",
    "OnDpiEdit",
    "OnDpiColour",
    "OnResetRepeatTest",
    "OnMacroEditor",
    "OnMacroList",
    "OnMacroActionMenu",
    "OnShootPanel",
    "OnHeadsetEqualiser",
    "OnHeadsetEqualiserList",
    "OnHeadsetSlider",
    "OnVoiceChanger",
    "OnMusicLighting",
    "OnMusicColourSlider",
    "OnMenuExit",
    "OnMenuAbout",
    "OnMenuSettings",
};
static_assert(std::size(kTargetNames) == static_cast<size_t>(NotifyTarget::kTargetCount),
              "one name per target");

bool Matches(const NotifyRoute& row, std::wstring_view name, int& number) {
  switch (row.match) {
    case RouteMatch::kName:
    case RouteMatch::kControl:
      number = row.number;
      return EqualNoCase(row.name, name);
    case RouteMatch::kNameWithCase:
      number = row.number;
      return row.name == name;
    case RouteMatch::kPrefixNumber: {
      const SplitName split = SplitNameNumber(name);
      if (split.number < 0 || !EqualNoCase(split.prefix, row.name)) return false;
      number = split.number;
      return true;
    }
  }
  return false;
}

RouteResult Find(std::wstring_view type, std::wstring_view name) {
  for (const NotifyRoute& row : kRoutes) {
    if (row.type != type) continue;
    int number = -1;
    if (Matches(row, name, number)) {
      return {row.target, number, row.match == RouteMatch::kControl};
    }
  }
  return {};
}

}  // namespace

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

SplitName SplitNameNumber(std::wstring_view name) {
  size_t end = name.size();
  while (end > 0 && name[end - 1] >= L'0' && name[end - 1] <= L'9') --end;
  if (end == name.size() || end == 0) return {name, -1};
  // Nine digits fit an int; longer runs are no control numbers.
  if (name.size() - end > 9) return {name, -1};
  int number = 0;
  for (size_t i = end; i < name.size(); ++i) number = number * 10 + (name[i] - L'0');
  return {name.substr(0, end), number};
}

RouteResult RouteNotify(std::wstring_view type, std::wstring_view name) {
  if (type == L"menu") return {};  // menu commands come only through RouteMenuCommand
  return Find(type, name);
}

RouteResult RouteMenuCommand(std::wstring_view name) { return Find(L"menu", name); }

const char* NotifyTargetName(NotifyTarget target) {
  const auto i = static_cast<size_t>(target);
  return i < std::size(kTargetNames) ? kTargetNames[i] : "?";
}
