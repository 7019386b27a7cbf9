#include "shell/control_classes.h"

#include <iterator>

#include "panels/controls/own_controls.h"
#include "panels/device_profile.h"
#include "panels/toolkit/dialog_builder.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/ui_types.h"
#include "platform/data_paths.h"
#include "profiles/json_file.h"
#include "shell/quorvane_keyboard_device.h"
#include "shell/quorvane_usb_device.h"

namespace {

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
  // The panels and the device classes arrive with their parts; until then a
  // row has no creator and the skin's element is skipped. The mouse page is
  // built as the base device page until its own class takes the row over.
  static const std::vector<ControlClassEntry> table = [] {
    std::vector<ControlClassEntry> t = OwnControlClasses();
    const ControlClassEntry later[] = {
        {L"CLightControlUI", L"LightControl", {}},
        {L"CMacroControlUI", nullptr, {}},
        {L"CKeySetControlUI", L"KeySetControl", {}},
        {L"CDeviceProfileUI", L"DeviceProfile", [] { return new CDeviceProfileUI(); }},
        {L"CShootControlUI", L"ShootControl", {}},
        {L"CMagicControlUI", L"MagicControl", {}},
        {L"CVoice6533ControlUI", L"Voice6533Control", {}},
        {L"CQuorvaneUSBDevice", nullptr, {}},
        {L"CQuorvaneKeyboardDevice", L"QuorvaneKeyboardDevice",
         [] { return new CQuorvaneKeyboardDevice(); }},
        {L"CQuorvaneMouseDevice", L"QuorvaneMouseDevice", [] { return new CQuorvaneUSBDevice(); }},
        {L"CQuorvaneMousePadDevice", L"QuorvaneMousePadDevice", {}},
        {L"CQuorvaneHS6533Device", L"QuorvaneHS6533Device", {}},
    };
    t.insert(t.end(), std::begin(later), std::end(later));
    return t;
  }();
  return table;
}

void RegisterControlClasses() {
  CControlFactory* factory = CControlFactory::GetInstance();
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
  for (const ControlClassEntry& e : ControlClassTable()) {
    if (e.element == nullptr || !EqualsNoCase(element, e.element)) continue;
    return e.create ? e.create() : nullptr;
  }
  const std::wstring layout = MainSkinSubTree(element);
  if (layout.empty()) return nullptr;
  CDialogBuilder builder;
  return builder.Create(layout, L"", nullptr, manager, nullptr);
}
