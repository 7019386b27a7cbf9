// The main window's routing tables: notification type and control name to the
// handler that deals with it.

#include "shell/notify_routes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  const wchar_t* type;
  const wchar_t* name;
  std::string handler;
  int number;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << std::string(c.type, c.type + wcslen(c.type)) << "/"
      << std::string(c.name, c.name + wcslen(c.name));
}

class NotifyRouting : public ::testing::TestWithParam<Case> {};

TEST_P(NotifyRouting, ReachesItsHandler) {
  const Case& c = GetParam();
  const RouteResult r = RouteNotify(c.type, c.name);
  EXPECT_EQ(NotifyTargetName(r.target), c.handler);
  EXPECT_EQ(r.number, c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, NotifyRouting,
    ::testing::Values(
        // click: names without regard to case, prefix + number names
        Case{L"click", L"closebtn", "OnCloseButton", -1},
        Case{L"click", L"CloseBtn", "OnCloseButton", -1},
        Case{L"click", L"nodevice_ok_btn", "OnNoDeviceOk", -1},
        Case{L"click", L"control_light_status", "OnLightControlToggle", -1},
        Case{L"click", L"gamemodebtn", "Nothing", -1}, Case{L"click", L"key_17", "OnKeyButton", 17},
        Case{L"click", L"KEY_0", "OnKeyButton", 0},
        Case{L"click", L"color_option_4", "OnColourSwatch", 4},
        Case{L"click", L"audiocolor_option_2", "OnAudioColourSwatch", 2},
        Case{L"click", L"DPI_color_option_3", "OnDpiColour", 3},
        Case{L"click", L"windowdeviceset_1", "OnSystemDeviceSettings", 1},
        Case{L"click", L"default_btn", "OnRestoreDefaults", -1},
        Case{L"click", L"deng_same_mode", "OnSameMode", -1},
        Case{L"click", L"device_import_btn", "OnProfileBar", -1},
        Case{L"click", L"device_reset_btn", "OnProfileReset", -1},
        Case{L"click", L"key_butt_prosave", "OnKeyPanelButton", -1},
        Case{L"click", L"macro_btn_deleteall", "OnMacroEditor", -1},
        Case{L"click", L"macro_inset_moveupkey_btn", "OnMacroEditor", -1},
        Case{L"click", L"bullet_selected_next", "OnShootPanel", -1},
        Case{L"click", L"hs_EQ_btn_delete", "OnHeadsetEqualiser", -1},
        Case{L"click", L"device_select_next", "OnNextDevice", -1},
        Case{L"click", L"music_setting_btn", "OnMusicLighting", -1},
        Case{L"click", L"reset_repeat_btn", "OnResetRepeatTest", -1},
        // the four arrow buttons of the macro editor are compared with case
        Case{L"click", L"Macro_inset_moveupkey_btn", "None", -1},
        // a prefix without its number, or a name only starting like a row
        Case{L"click", L"key_", "None", -1}, Case{L"click", L"key_butt_keysave1", "None", -1},
        Case{L"click", L"no_such_control", "None", -1},
        // selectchanged
        Case{L"selectchanged", L"DPI_enable_check_2", "OnSystemSettings", 2},
        Case{L"selectchanged", L"polling_rate_option_3", "OnSystemSettings", 3},
        Case{L"selectchanged", L"6flag_option", "OnSystemSettings", -1},
        Case{L"selectchanged", L"mouse_device_seting_option_1", "OnMouseSettingsPage", 1},
        Case{L"selectchanged", L"key_ComBox_check_11", "OnKeyPanelSelect", 11},
        Case{L"selectchanged", L"shoot_gun_op_2", "OnShootPanel", 2},
        Case{L"selectchanged", L"6533_eq_option_4", "OnHeadsetEqualiser", 4},
        Case{L"selectchanged", L"magic_option_7", "OnVoiceChanger", 7},
        Case{L"selectchanged", L"deng_7color_check", "OnLightingPanelSelect", -1},
        Case{L"selectchanged", L"audio_FgColor_check", "OnAudioLightingSelect", -1},
        Case{L"selectchanged", L"device_select", "OnDeviceTabSelected", -1},
        Case{L"selectchanged", L"synchro_device_select", "Nothing", -1},
        Case{L"selectchanged", L"deng_Op_tab", "OnFunctionPage", 1},
        Case{L"selectchanged", L"cursor_Op_tab", "OnFunctionPage", 5},
        Case{L"selectchanged", L"Virtual7.1_Op_tab", "OnFunctionPage", 8},
        // itemselect
        Case{L"itemselect", L"device_profile_combo", "OnProfileComboTimer", -1},
        Case{L"itemselect", L"light_combo_ZZCCmodeSelect", "OnLightingMode", -1},
        Case{L"itemselect", L"light_combo_audiomodeSelect", "OnAudioLightingMode", -1},
        Case{L"itemselect", L"keyset_combokey_combo", "OnKeyPanelList", -1},
        Case{L"itemselect", L"macro_name_list", "OnMacroList", -1},
        Case{L"itemselect", L"custom_eq_name_combo", "OnHeadsetEqualiserList", -1},
        // valuechanged, movevaluechanged
        Case{L"valuechanged", L"DPI_slider_5", "OnSystemSlider", 5},
        Case{L"valuechanged", L"6533_eq_hz_slider_9", "OnHeadsetSlider", 9},
        Case{L"valuechanged", L"deng_speed_slider", "OnLightingSlider", -1},
        Case{L"valuechanged", L"G_light_slider", "OnMusicColourSlider", -1},
        Case{L"movevaluechanged", L"tomel_DPI_slider_1", "OnDpiSliderMove", 1},
        Case{L"movevaluechanged", L"pointer_speed_slider", "None", -1},
        // killfocus
        Case{L"killfocus", L"tomel_DPI_edit_6", "OnDpiEdit", 6},
        Case{L"killfocus", L"deng_audioedit_B", "OnAudioColourEdit", -1},
        Case{L"killfocus", L"keyset_keyboard_text_edit", "OnKeyCaptureEnd", -1},
        Case{L"killfocus", L"bullet_delay_eidt", "OnShootPanel", -1},
        Case{L"killfocus", L"macro_delay", "OnMacroEditor", -1},
        Case{L"killfocus", L"keyset_macro_cycle_edit", "OnKeyPanelEdit", -1},
        // click_select_end, colorchanged
        Case{L"click_select_end", L"mouse_device_key_light", "OnPerKeyLightSelection", -1},
        Case{L"colorchanged", L"deng_audioColor_Pallet", "OnAudioLightingColour", -1},
        // a name is routed only under its own type
        Case{L"click", L"DPI_slider_1", "None", -1}, Case{L"itemclick", L"closebtn", "None", -1},
        // menu commands never arrive as notifications
        Case{L"menu", L"exit", "None", -1}));

TEST(NotifyRouting, TitleBarButtonsAreRoutedByControl) {
  for (const wchar_t* name : {L"minbtn", L"maxbtn", L"restorebtn", L"skinbtn", L"setbtn"}) {
    const RouteResult r = RouteNotify(L"click", name);
    EXPECT_TRUE(r.byControl);
    EXPECT_NE(r.target, NotifyTarget::kNone);
  }
  EXPECT_FALSE(RouteNotify(L"click", L"closebtn").byControl);
}

TEST(NotifyRouting, MenuCommands) {
  struct MenuCase {
    const wchar_t* name;
    std::string handler;
  };
  for (const MenuCase& c :
       {MenuCase{L"exit", "OnMenuExit"}, MenuCase{L"EXIT", "OnMenuExit"},
        MenuCase{L"about_menu", "OnMenuAbout"}, MenuCase{L"setwnd_menu", "OnMenuSettings"},
        MenuCase{L"redio_later_ignore_time", "OnMacroActionMenu"},
        MenuCase{L"back_click", "OnMacroActionMenu"},
        MenuCase{L"macro_action_edit", "OnMacroActionMenu"}, MenuCase{L"closebtn", "None"}}) {
    EXPECT_EQ(NotifyTargetName(RouteMenuCommand(c.name).target), c.handler);
  }
}

TEST(NotifyRouting, SplitAtTheLastNonDigit) {
  struct SplitCase {
    const wchar_t* name;
    const wchar_t* prefix;
    int number;
  };
  for (const SplitCase& c :
       {SplitCase{L"DPI_slider_12", L"DPI_slider_", 12},
        SplitCase{L"6533_eq_option_0", L"6533_eq_option_", 0}, SplitCase{L"key7", L"key", 7},
        SplitCase{L"closebtn", L"closebtn", -1}, SplitCase{L"123", L"123", -1},
        SplitCase{L"key_99999999999", L"key_99999999999", -1}}) {
    const SplitName s = SplitNameNumber(c.name);
    EXPECT_EQ(std::wstring(s.prefix), c.prefix);
    EXPECT_EQ(s.number, c.number);
  }
}

}  // namespace
