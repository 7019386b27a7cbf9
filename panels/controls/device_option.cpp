#include "panels/controls/device_option.h"

#include "panels/toolkit/button.h"

namespace {
std::wstring IconPath(const std::wstring& prefix, const wchar_t* suffix) {
  return L"common/device_ico/" + prefix + suffix;
}
}  // namespace

CDeviceOptionUI::CDeviceOptionUI(QWidget* parent) : CHorizontalLayoutUI(parent) {
  normalImage_ = IconPath(prefix_, L"_device_normal.png");
  selectedImage_ = IconPath(prefix_, L"_device_selected.png");
  synchroNormalImage_ = IconPath(prefix_, L"_device_synchro_normal.png");
  synchroSelectedImage_ = IconPath(prefix_, L"_device_synchro_selected.png");
}

COptionUI* CDeviceOptionUI::SelectOption() const {
  return dynamic_cast<COptionUI*>(FindSubControl(L"device_select"));
}
COptionUI* CDeviceOptionUI::SynchroOption() const {
  return dynamic_cast<COptionUI*>(FindSubControl(L"synchro_device_select"));
}
CLabelUI* CDeviceOptionUI::NameLabel() const {
  return dynamic_cast<CLabelUI*>(FindSubControl(L"device_select_name"));
}

void CDeviceOptionUI::SetVisible(bool visible) {
  visibleFlag_ = visible;
  CHorizontalLayoutUI::SetVisible(visible);
}

void CDeviceOptionUI::SetKind(int kind, int role) {
  std::wstring prefix;
  switch (kind) {
    case 1:
      prefix = L"kb";
      break;
    case 2:
      prefix = L"ms";
      break;
    case 3:
      if (role == 0) {
        prefix = L"hard_mp";
      } else if (role == 1) {
        prefix = L"soft_mp";
      } else {
        return;  // neither pad role: nothing changes
      }
      break;
    case 4:
    case 7:
      prefix = L"hd";
      break;
    case 5:
      prefix = L"hub";
      break;
    default:
      prefix = L"unknow";
  }
  kind_ = kind;
  role_ = role;
  prefix_ = prefix;
  normalImage_ = IconPath(prefix, L"_device_normal.png");
  selectedImage_ = IconPath(prefix, L"_device_selected.png");
  synchroNormalImage_ = IconPath(prefix, L"_device_synchro_normal.png");
  synchroSelectedImage_ = IconPath(prefix, L"_device_synchro_selected.png");
  if (COptionUI* option = SelectOption()) {
    option->SetNormalImage(normalImage_);
    option->SetForeImage(normalImage_);
    option->SetSelectedImage(selectedImage_);
  }
  if (CLabelUI* name = NameLabel()) name->SetText(prefix + L"_device_name_text");
}

void CDeviceOptionUI::ApplyImagePair() {
  COptionUI* option = SelectOption();
  if (!option) return;
  const bool synchro = IsSynchronised();
  const std::wstring& normal = synchro ? synchroNormalImage_ : normalImage_;
  option->SetNormalImage(normal);
  option->SetForeImage(normal);
  option->SetSelectedImage(synchro ? synchroSelectedImage_ : selectedImage_);
}

void CDeviceOptionUI::SetSynchronised(bool on) {
  if (COptionUI* synchro = SynchroOption()) synchro->Selected(on, true);
  ApplyImagePair();
}

void CDeviceOptionUI::ShowSynchronise(bool on) {
  if (COptionUI* synchro = SynchroOption()) synchro->SetVisible(on);
  ApplyImagePair();
}

bool CDeviceOptionUI::IsSynchronised() const {
  COptionUI* synchro = SynchroOption();
  return synchro && synchro->IsSelected();
}

void CDeviceOptionUI::Select(bool on, bool triggerEvent) {
  if (COptionUI* option = SelectOption()) option->Selected(on, triggerEvent);
}

bool CDeviceOptionUI::IsSelected() const {
  COptionUI* option = SelectOption();
  return option && option->IsSelected();
}

void CDeviceOptionUI::SetGroup(const std::wstring& group) {
  if (COptionUI* option = SelectOption()) option->SetGroup(group);
}

void CDeviceOptionUI::BindTab(const std::wstring& layout, int index) {
  boundLayout_ = layout;
  boundIndex_ = index;
}

void CDeviceOptionUI::SetBattery(const std::wstring& container, int index) {
  batteryContainer_ = container;
  batteryIndex_ = index;
}

int CDeviceOptionUI::CountLinkFailure() {
  linkFailures_ = (linkFailures_ + 1) % 20;
  return linkFailures_;
}

bool CDeviceOptionUI::Activate() {
  if (!CControlUI::Activate()) return false;
  RaiseNotify(L"selectchanged");
  return true;
}
