#include "panels/toolkit/paint_manager.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <algorithm>

#include "panels/toolkit/control.h"
#include "panels/toolkit/resource_manager.h"

int CPaintManagerUI::resourceType_ = 1;

static std::vector<CPaintManagerUI*>& AllManagers() {
  static std::vector<CPaintManagerUI*> managers;
  return managers;
}

CPaintManagerUI::CPaintManagerUI() { AllManagers().push_back(this); }

CPaintManagerUI::~CPaintManagerUI() {
  auto& all = AllManagers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  // Controls that outlive the manager forget it.
  for (auto& [seq, control] : controls_) control->manager_ = nullptr;
}

void CPaintManagerUI::Init(QWidget* paintWindow, const std::wstring& name) {
  paintWindow_ = paintWindow;
  name_ = name;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  root_ = root;
  if (root) root->SetManager(this, nullptr, true);
  return root != nullptr;
}

void CPaintManagerUI::RegisterControl(CControlUI* control) {
  if (controlSeq_.count(control)) return;
  const std::uint64_t seq = nextSeq_++;
  controlSeq_[control] = seq;
  controls_[seq] = control;
}

void CPaintManagerUI::UnregisterControl(CControlUI* control) {
  auto it = controlSeq_.find(control);
  if (it == controlSeq_.end()) return;
  controls_.erase(it->second);
  controlSeq_.erase(it);
  for (auto& [group, members] : optionGroups_)
    members.erase(std::remove(members.begin(), members.end(), control), members.end());
  if (root_ == control) root_ = nullptr;
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
  if (name.empty()) return nullptr;
  for (const auto& [seq, control] : controls_) {
    if (control->GetName() == name) return control;
  }
  return nullptr;
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent,
                                                  const std::wstring& name) const {
  if (!parent || name.empty()) return nullptr;
  const QString qname = ToQ(name);
  for (CControlUI* c : parent->findChildren<CControlUI*>(qname, Qt::FindChildrenRecursively)) {
    if (c->GetName() == name) return c;
  }
  return nullptr;
}

std::vector<CControlUI*> CPaintManagerUI::FindSubControlsByClass(
    CControlUI* parent, const std::wstring& className) const {
  std::vector<CControlUI*> out;
  if (!parent) return out;
  for (CControlUI* c : parent->findChildren<CControlUI*>()) {
    if (c->GetClass() == className) out.push_back(c);
  }
  return out;
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* parent,
                                                   const std::wstring& className, int index) const {
  auto all = FindSubControlsByClass(parent, className);
  if (index < 0 || index >= static_cast<int>(all.size())) return nullptr;
  return all[index];
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (!notifier) return false;
  if (std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end()) return false;
  notifiers_.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  auto it = std::find(notifiers_.begin(), notifiers_.end(), notifier);
  if (it == notifiers_.end()) return false;
  notifiers_.erase(it);
  return true;
}

void CPaintManagerUI::Deliver(TNotifyUI& msg) {
  if (msg.pSender) msg.pSender->CallNotifyHandlers(msg);
  // A notifier may add or remove notifiers (or close the window) while it runs:
  // walk a copy and skip the ones removed meanwhile.
  QPointer<CPaintManagerUI> guard(this);
  const auto notifiers = notifiers_;
  for (INotifyUI* n : notifiers) {
    if (!guard) return;
    if (std::find(notifiers_.begin(), notifiers_.end(), n) == notifiers_.end()) continue;
    n->Notify(msg);
  }
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
  msg.dwTimestamp = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
  if (paintWindow_) {
    msg.ptMouse = paintWindow_->mapFromGlobal(QCursor::pos());
  } else {
    msg.ptMouse = QCursor::pos();
  }
  if (!async) {
    Deliver(msg);
    return;
  }
  QPointer<CControlUI> sender(msg.pSender);
  const bool hadSender = msg.pSender != nullptr;
  TNotifyUI copy = msg;
  QMetaObject::invokeMethod(
      this,
      [this, sender, hadSender, copy]() mutable {
        if (hadSender && !sender) return;
        Deliver(copy);
      },
      Qt::QueuedConnection);
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam,
                                 LPARAM lParam, bool async) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapse) {
  return control && control->SetTimer(id, elapse);
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  return control && control->KillTimer(id);
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  if (control) control->KillTimer();
}

void CPaintManagerUI::AddOptionGroup(const std::wstring& group, CControlUI* option) {
  auto& members = optionGroups_[group];
  if (std::find(members.begin(), members.end(), option) == members.end()) members.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(const std::wstring& group, CControlUI* option) {
  auto it = optionGroups_.find(group);
  if (it == optionGroups_.end()) return;
  auto& m = it->second;
  m.erase(std::remove(m.begin(), m.end(), option), m.end());
}

std::vector<CControlUI*> CPaintManagerUI::GetOptionGroup(const std::wstring& group) const {
  auto it = optionGroups_.find(group);
  return it == optionGroups_.end() ? std::vector<CControlUI*>() : it->second;
}

void CPaintManagerUI::SetResourcePath(const std::wstring& path) {
  CResourceManager::GetInstance().SetResourcePath(path);
}

std::wstring CPaintManagerUI::GetResourcePath() {
  return CResourceManager::GetInstance().GetResourcePath();
}

std::wstring CPaintManagerUI::GetInstancePath() {
  QString dir = QCoreApplication::applicationDirPath();
  if (!dir.endsWith('/')) dir += '/';
  return FromQ(dir);
}

void CPaintManagerUI::SetDPI(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  ResetDPIAssets();
  for (auto& [seq, control] : controls_) {
    control->NeedUpdate();
    control->update();
  }
}

void CPaintManagerUI::SetAllDPI(int dpi) {
  for (CPaintManagerUI* m : AllManagers()) m->SetDPI(dpi);
}

void CPaintManagerUI::ResetDPIAssets() {
  CResourceManager::GetInstance().ResetImages();
  Invalidate();
}

void CPaintManagerUI::AddFont(int id, const std::wstring& family, int size, bool bold,
                              bool underline, bool italic, bool isDefault) {
  fonts_[id] = FontEntry{family, size, bold, underline, italic};
  if (isDefault || defaultFont_ < 0) defaultFont_ = id;
}

QFont CPaintManagerUI::GetFont(int id) const {
  auto it = fonts_.find(id);
  if (it == fonts_.end()) it = fonts_.find(defaultFont_);
  QFont font = QApplication::font();
  int size = 12;
  if (it != fonts_.end()) {
    if (!it->second.family.empty()) font.setFamily(ToQ(it->second.family));
    size = it->second.size;
    font.setBold(it->second.bold);
    font.setUnderline(it->second.underline);
    font.setItalic(it->second.italic);
  }
  font.setPixelSize(std::max(1, ScaleValue(size)));
  return font;
}

QFont CPaintManagerUI::GetDefaultFont() const { return GetFont(defaultFont_); }

void CPaintManagerUI::RemoveAllFonts() {
  fonts_.clear();
  defaultFont_ = -1;
}

void CPaintManagerUI::AddDefaultAttributeList(const std::wstring& className,
                                              const std::wstring& list) {
  defaults_[ToLower(className)] = list;
}

std::wstring CPaintManagerUI::GetDefaultAttributeList(const std::wstring& className) const {
  auto it = defaults_.find(ToLower(className));
  return it == defaults_.end() ? std::wstring() : it->second;
}

void CPaintManagerUI::AddStyle(const std::wstring& name, const std::wstring& list) {
  styles_[name] = list;
}

std::wstring CPaintManagerUI::GetStyle(const std::wstring& name) const {
  auto it = styles_.find(name);
  return it == styles_.end() ? std::wstring() : it->second;
}

void CPaintManagerUI::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
  const std::wstring n = ToLower(name);
  if (n == L"size") {
    initSize_ = ParseSize(value);
  } else if (n == L"caption") {
    caption_ = ParseMargins(value);
  } else if (n == L"sizebox") {
    sizeBox_ = ParseMargins(value);
  } else if (n == L"mininfo") {
    minInfo_ = ParseSize(value);
  } else if (n == L"maxinfo") {
    maxInfo_ = ParseSize(value);
  }
}

void CPaintManagerUI::Invalidate() {
  if (paintWindow_) paintWindow_->update();
  for (auto& [seq, control] : controls_) control->update();
}

int CPaintManagerUI::MessageLoop() { return QApplication::exec(); }

const std::vector<CPaintManagerUI*>& CPaintManagerUI::GetPaintManagers() { return AllManagers(); }

void PostQuitMessage(int exitCode) {
  QMetaObject::invokeMethod(
      qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}
