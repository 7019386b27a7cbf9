#include "shell/control_classes.h"

#include <iterator>

#include "panels/controls/own_controls.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"
#include "platform/data_paths.h"
#include "profiles/json_file.h"

namespace {

// Elements the main window creates itself, with the registered class that
// supplies the object. The keyboard and mouse device classes are known only
// here, never to the factory.
struct DirectElement {
  const wchar_t* element;
  const wchar_t* registeredClass;  // nullptr: not a factory class
};
constexpr DirectElement kDirectElements[] = {
    {L"CircleProgress", L"CCircleProgressUI"},
    {L"SelectPanel", L"CSelectPanelUI"},
    {L"DeviceKeyButton", L"CDeviceKeyButtonUI"},
    {L"HandImgButton", L"CHandImgButtonUI"},
    {L"AudioRecord", L"CAudioRecordUI"},
    {L"HandImgSelectButton", L"CHandImgSelectButtonUI"},
    {L"RedioMacroButton", L"CRedioMacroButtonUI"},
    {L"ComboEditContainerElement", L"CComboEditContainerElementUI"},
    {L"QuorvaneMousePadDevice", L"CQuorvaneMousePadDevice"},
    {L"QuorvaneHS6533Device", L"CQuorvaneHS6533Device"},
    {L"QuorvaneMouseDevice", nullptr},
    {L"QuorvaneKeyboardDevice", nullptr},
    {L"DeviceProfile", L"CDeviceProfileUI"},
    {L"LightControl", L"CLightControlUI"},
    {L"MagicControl", L"CMagicControlUI"},
    {L"Voice6533Control", L"CVoice6533ControlUI"},
    {L"KeySetControl", L"CKeySetControlUI"},
    {L"ShootControl", L"CShootControlUI"},
};

struct SubTreeElement {
  const wchar_t* element;
  const wchar_t* layout;
};
constexpr SubTreeElement kSubTrees[] = {
    {L"DeviceProfileUI", L"XML\\CustomControlXML\\DeviceProfile.xml"},
    {L"LightSetControlUI", L"XML\\CustomControlXML\\LightControl.xml"},
    {L"Voice6533SetControlUI", L"XML\\CustomControlXML\\Voice6533Control.xml"},
    {L"MagicSetControlUI", L"XML\\CustomControlXML\\MagicControl.xml"},
    {L"KeySetControlUI", L"XML\\CustomControlXML\\KeySetControl.xml"},
    {L"MacroSetControlUI", L"XML\\CustomControlXML\\MacroControl.xml"},
    {L"ShootKeySetControlUI", L"XML\\CustomControlXML\\ShootControl.xml"},
    {L"VirtualSetControlUI", L"XML\\CustomControlXML\\VirtualSet.xml"},
};

}  // namespace

const std::vector<ControlClassEntry>& ControlClassTable() {
  // The own controls (rows 1 to 14) are registered by their module; the
  // panels and the device classes arrive with their parts; until then a row
  // has no creator and the skin's element is skipped.
  static const std::vector<ControlClassEntry> table = {
      {L"CCircleProgressUI", {}},
      {L"CChartViewUI", {}},
      {L"CWndUI", {}},
      {L"CSelectPanelUI", {}},
      {L"CDeviceKeyButtonUI", {}},
      {L"CCloudShareListItemUI", {}},
      {L"CUpdateInfoListItemUI", {}},
      {L"CDeviceOptionUI", {}},
      {L"CMpDevicePowerUI", {}},
      {L"CComboEditContainerElementUI", {}},
      {L"CHandImgButtonUI", {}},
      {L"CHandImgSelectButtonUI", {}},
      {L"CRedioMacroButtonUI", {}},
      {L"CAudioRecordUI", {}},
      {L"CLightControlUI", {}},
      {L"CMacroControlUI", {}},
      {L"CKeySetControlUI", {}},
      {L"CDeviceProfileUI", {}},
      {L"CShootControlUI", {}},
      {L"CMagicControlUI", {}},
      {L"CVoice6533ControlUI", {}},
      {L"CQuorvaneUSBDevice", {}},
      {L"CQuorvaneMousePadDevice", {}},
      {L"CQuorvaneHS6533Device", {}},
  };
  return table;
}

void RegisterControlClasses() {
  CControlFactory* factory = CControlFactory::GetInstance();
  // Rows 1 to 14, the program's own controls, come from their module in
  // the same order; the rest follow as their parts supply them.
  RegisterOwnControls(*factory);
  for (const ControlClassEntry& e : ControlClassTable()) {
    if (e.create) factory->RegistControl(e.className, e.create);
  }
}

void SetupSkinResources() {
  const std::wstring skin = WideFromUtf8(ProgramDataFolder() + "/skin/");
  CPaintManagerUI::SetResourcePath(skin);
  CResourceManager::GetInstance().LoadResource(L"res.xml");
  RegisterControlClasses();
}

std::wstring MainSkinSubTree(const std::wstring& element) {
  for (const SubTreeElement& s : kSubTrees) {
    if (EqualsNoCase(element, s.element)) return s.layout;
  }
  return {};
}

CControlUI* CreateMainSkinControl(const std::wstring& element, CPaintManagerUI* manager) {
  if (CControlUI* own = CreateOwnControl(element)) return own;
  for (const DirectElement& d : kDirectElements) {
    if (!EqualsNoCase(element, d.element)) continue;
    if (d.registeredClass == nullptr) return nullptr;  // device pages come with the device list
    const std::wstring cls = d.registeredClass;
    // Only an exact registration counts: the element name itself must not
    // find a class the factory knows under another spelling.
    if (!CControlFactory::GetInstance()->IsRegistered(cls)) return nullptr;
    return CControlFactory::GetInstance()->CreateControl(cls);
  }
  const std::wstring layout = MainSkinSubTree(element);
  if (layout.empty()) return nullptr;
  CDialogBuilder builder;
  return builder.Create(layout, L"", nullptr, manager, nullptr);
}
