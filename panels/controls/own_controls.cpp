#include "panels/controls/own_controls.h"

#include "panels/controls/audio_record.h"
#include "panels/controls/chart_view.h"
#include "panels/controls/circle_progress.h"
#include "panels/controls/combo_edit_element.h"
#include "panels/controls/device_key_button.h"
#include "panels/controls/device_option.h"
#include "panels/controls/device_power.h"
#include "panels/controls/hand_img_button.h"
#include "panels/controls/hand_img_select_button.h"
#include "panels/controls/hot_frame_list_items.h"
#include "panels/controls/redio_macro_button.h"
#include "panels/controls/select_panel.h"
#include "panels/controls/wnd_host.h"
#include "panels/toolkit/dialog_builder.h"

const std::vector<ControlClassEntry>& OwnControlClasses() {
  static const std::vector<ControlClassEntry> table = {
      {L"CCircleProgressUI", L"CircleProgress", [] { return new CCircleProgressUI(); }},
      {L"CChartViewUI", nullptr, [] { return new CChartViewUI(); }},
      {L"CWndUI", nullptr, [] { return new CWndUI(); }},
      {L"CSelectPanelUI", L"SelectPanel", [] { return new CSelectPanelUI(); }},
      {L"CDeviceKeyButtonUI", L"DeviceKeyButton", [] { return new CDeviceKeyButtonUI(); }},
      {L"CCloudShareListItemUI", nullptr, [] { return new CCloudShareListItemUI(); }},
      {L"CUpdateInfoListItemUI", nullptr, [] { return new CUpdateInfoListItemUI(); }},
      {L"CDeviceOptionUI", nullptr, [] { return new CDeviceOptionUI(); }},
      {L"CMpDevicePowerUI", nullptr, [] { return new CMpDevicePowerUI(); }},
      {L"CComboEditContainerElementUI", L"ComboEditContainerElement",
       [] { return new CComboEditContainerElementUI(); }},
      {L"CHandImgButtonUI", L"HandImgButton", [] { return new CHandImgButtonUI(); }},
      {L"CHandImgSelectButtonUI", L"HandImgSelectButton",
       [] { return new CHandImgSelectButtonUI(); }},
      {L"CRedioMacroButtonUI", L"RedioMacroButton", [] { return new CRedioMacroButtonUI(); }},
      {L"CAudioRecordUI", L"AudioRecord", [] { return new CAudioRecordUI(); }},
  };
  return table;
}

void RegisterOwnControls(CControlFactory& factory) {
  for (const ControlClassEntry& e : OwnControlClasses())
    factory.RegistControl(e.className, e.create);
}

CControlUI* CreateOwnControl(const std::wstring& elementName) {
  for (const ControlClassEntry& e : OwnControlClasses()) {
    if (e.element != nullptr && EqualsNoCase(elementName, e.element)) return e.create();
  }
  return nullptr;
}
