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

void RegisterOwnControls(CControlFactory& factory) {
  factory.RegistControl(L"CCircleProgressUI", [] { return new CCircleProgressUI(); });
  factory.RegistControl(L"CChartViewUI", [] { return new CChartViewUI(); });
  factory.RegistControl(L"CWndUI", [] { return new CWndUI(); });
  factory.RegistControl(L"CSelectPanelUI", [] { return new CSelectPanelUI(); });
  factory.RegistControl(L"CDeviceKeyButtonUI", [] { return new CDeviceKeyButtonUI(); });
  factory.RegistControl(L"CCloudShareListItemUI", [] { return new CCloudShareListItemUI(); });
  factory.RegistControl(L"CUpdateInfoListItemUI", [] { return new CUpdateInfoListItemUI(); });
  factory.RegistControl(L"CDeviceOptionUI", [] { return new CDeviceOptionUI(); });
  factory.RegistControl(L"CMpDevicePowerUI", [] { return new CMpDevicePowerUI(); });
  factory.RegistControl(L"CComboEditContainerElementUI",
                        [] { return new CComboEditContainerElementUI(); });
  factory.RegistControl(L"CHandImgButtonUI", [] { return new CHandImgButtonUI(); });
  factory.RegistControl(L"CHandImgSelectButtonUI", [] { return new CHandImgSelectButtonUI(); });
  factory.RegistControl(L"CRedioMacroButtonUI", [] { return new CRedioMacroButtonUI(); });
  factory.RegistControl(L"CAudioRecordUI", [] { return new CAudioRecordUI(); });
}

CControlUI* CreateOwnControl(const std::wstring& elementName) {
  const std::wstring n = ToLower(elementName);
  if (n == L"circleprogress") return new CCircleProgressUI();
  if (n == L"selectpanel") return new CSelectPanelUI();
  if (n == L"devicekeybutton") return new CDeviceKeyButtonUI();
  if (n == L"handimgbutton") return new CHandImgButtonUI();
  if (n == L"audiorecord") return new CAudioRecordUI();
  if (n == L"handimgselectbutton") return new CHandImgSelectButtonUI();
  if (n == L"rediomacrobutton") return new CRedioMacroButtonUI();
  if (n == L"comboeditcontainerelement") return new CComboEditContainerElementUI();
  return nullptr;
}
