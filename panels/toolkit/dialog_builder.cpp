#include "panels/toolkit/dialog_builder.h"

#include <QFile>
#include <QXmlStreamReader>

#include <memory>
#include <vector>

#include "panels/toolkit/button.h"
#include "panels/toolkit/color_palette.h"
#include "panels/toolkit/combo.h"
#include "panels/toolkit/edit.h"
#include "panels/toolkit/paint_manager.h"
#include "panels/toolkit/progress.h"
#include "panels/toolkit/resource_manager.h"
#include "panels/toolkit/rich_edit.h"
#include "platform/debug_output.h"

CControlFactory* CControlFactory::GetInstance() {
  static CControlFactory factory;
  return &factory;
}

void CControlFactory::RegistControl(const std::wstring& className, CreateClass creator) {
  creators_[ToLower(className)] = std::move(creator);
}

CControlUI* CControlFactory::CreateControl(const std::wstring& name) const {
  const std::wstring n = ToLower(name);
  for (const std::wstring& key : {n, L"c" + n + L"ui", L"c" + n}) {
    auto it = creators_.find(key);
    if (it != creators_.end() && it->second) return it->second();
  }
  return nullptr;
}

bool CControlFactory::IsRegistered(const std::wstring& name) const {
  const std::wstring n = ToLower(name);
  return creators_.count(n) || creators_.count(L"c" + n + L"ui") || creators_.count(L"c" + n);
}

CControlUI* CDialogBuilder::CreateBuiltinControl(const std::wstring& className) {
  static const std::map<std::wstring, std::function<CControlUI*()>> builtins = {
      {L"control", [] { return new CControlUI(); }},
      {L"container", [] { return new CContainerUI(); }},
      {L"verticallayout", [] { return new CVerticalLayoutUI(); }},
      {L"horizontallayout", [] { return new CHorizontalLayoutUI(); }},
      {L"tablayout", [] { return new CTabLayoutUI(); }},
      {L"label", [] { return new CLabelUI(); }},
      {L"text", [] { return new CTextUI(); }},
      {L"button", [] { return new CButtonUI(); }},
      {L"option", [] { return new COptionUI(); }},
      {L"checkbox", [] { return new CCheckBoxUI(); }},
      {L"edit", [] { return new CEditUI(); }},
      {L"richedit", [] { return new CRichEditUI(); }},
      {L"combo", [] { return new CComboUI(); }},
      {L"list", [] { return new CListUI(); }},
      {L"listelement", [] { return new CListElementUI(); }},
      {L"listlabelelement", [] { return new CListLabelElementUI(); }},
      {L"listtextelement", [] { return new CListTextElementUI(); }},
      {L"listcontainerelement", [] { return new CListContainerElementUI(); }},
      {L"progress", [] { return new CProgressUI(); }},
      {L"slider", [] { return new CSliderUI(); }},
      {L"colorpalette", [] { return new CColorPaletteUI(); }},
  };
  auto it = builtins.find(ToLower(className));
  return it == builtins.end() ? nullptr : it->second();
}

namespace {
struct XmlNode {
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> attrs;
  std::vector<XmlNode> children;
  std::wstring Attr(const std::wstring& key) const {
    for (const auto& [k, v] : attrs)
      if (EqualsNoCase(k, key)) return v;
    return std::wstring();
  }
};

bool ReadTree(QXmlStreamReader& xml, XmlNode& root, std::wstring& error) {
  std::vector<XmlNode*> stack;
  bool haveRoot = false;
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) {
      XmlNode node;
      node.name = FromQ(xml.name().toString());
      for (const auto& a : xml.attributes())
        node.attrs.emplace_back(FromQ(a.name().toString()), FromQ(a.value().toString()));
      if (stack.empty()) {
        if (haveRoot) break;
        root = std::move(node);
        haveRoot = true;
        stack.push_back(&root);
      } else {
        stack.back()->children.push_back(std::move(node));
        stack.push_back(&stack.back()->children.back());
      }
    } else if (token == QXmlStreamReader::EndElement) {
      if (!stack.empty()) stack.pop_back();
    }
  }
  if (xml.hasError()) {
    error = FromQ(xml.errorString());
    return false;
  }
  if (!haveRoot) error = L"no element";
  return haveRoot;
}

class TreeBuilder {
 public:
  TreeBuilder(IDialogBuilderCallback* callback, CPaintManagerUI* manager)
      : callback_(callback), manager_(manager) {}

  // Builds the control elements among nodes into parent; returns the first built.
  CControlUI* BuildChildren(const std::vector<XmlNode>& nodes, CControlUI* parent) {
    CControlUI* first = nullptr;
    for (const XmlNode& node : nodes) {
      CControlUI* c = BuildNode(node, parent);
      if (c && !first) first = c;
      // Without a parent only the first control is the result.
      if (first && !dynamic_cast<CContainerUI*>(parent)) break;
    }
    return first;
  }

  void ApplyWindowNode(const XmlNode& node) {
    if (!manager_) return;
    for (const auto& [k, v] : node.attrs) manager_->SetWindowAttribute(k, v);
  }

  bool ApplyResourceNode(const XmlNode& node) {
    const std::wstring n = ToLower(node.name);
    if (n == L"font") {
      if (manager_)
        manager_->AddFont(ParseInt(node.Attr(L"id")), node.Attr(L"name"),
                          node.Attr(L"size").empty() ? 12 : ParseInt(node.Attr(L"size")),
                          ParseBool(node.Attr(L"bold")), ParseBool(node.Attr(L"underline")),
                          ParseBool(node.Attr(L"italic")), ParseBool(node.Attr(L"default")));
      return true;
    }
    if (n == L"default") {
      if (manager_) manager_->AddDefaultAttributeList(node.Attr(L"name"), node.Attr(L"value"));
      return true;
    }
    if (n == L"style") {
      if (manager_) manager_->AddStyle(node.Attr(L"name"), node.Attr(L"value"));
      return true;
    }
    if (n == L"image" || n == L"scrollbar" || n == L"vscrollbar" || n == L"hscrollbar" ||
        n == L"listheader" || n == L"listheaderitem") {
      return true;
    }
    return false;
  }

 private:
  CControlUI* BuildNode(const XmlNode& node, CControlUI* parent) {
    if (ApplyResourceNode(node)) return nullptr;
    if (EqualsNoCase(node.name, L"Include")) return BuildInclude(node, parent);

    CControlUI* control = nullptr;
    if (callback_) control = callback_->CreateControl(node.name);
    if (!control) control = CDialogBuilder::CreateBuiltinControl(node.name);
    if (!control) control = CControlFactory::GetInstance()->CreateControl(node.name);
    if (!control) {
      DebugOutputF("layout element %s has no control class",
                   QString::fromStdWString(node.name).toUtf8().constData());
      return nullptr;
    }
    if (manager_) control->SetManager(manager_, parent, false);
    if (manager_) {
      std::wstring defaults = manager_->GetDefaultAttributeList(node.name);
      if (defaults.empty()) defaults = manager_->GetDefaultAttributeList(control->GetClass());
      control->ApplyAttributeList(defaults);
    }
    for (const auto& [k, v] : node.attrs) control->SetAttribute(k, v);
    if (!node.children.empty()) {
      if (auto* container = dynamic_cast<CContainerUI*>(control)) {
        for (const XmlNode& child : node.children) BuildNode(child, container);
      }
    }
    if (auto* container = dynamic_cast<CContainerUI*>(parent)) {
      container->Add(control);
    }
    return control;
  }

  CControlUI* BuildInclude(const XmlNode& node, CControlUI* parent) {
    const int count = node.Attr(L"count").empty() ? 1 : ParseInt(node.Attr(L"count"));
    CControlUI* first = nullptr;
    for (int i = 0; i < count; ++i) {
      CDialogBuilder builder;
      CControlUI* c = builder.Create(node.Attr(L"source"), L"", callback_, manager_, parent);
      if (c && !first) first = c;
    }
    return first;
  }

  IDialogBuilderCallback* callback_;
  CPaintManagerUI* manager_;
};
}  // namespace

CControlUI* CDialogBuilder::Create(const std::wstring& xml, const std::wstring& type,
                                   IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
  (void)type;
  error_.clear();
  XmlNode root;
  if (!xml.empty() && xml[0] == L'<') {
    QXmlStreamReader reader(ToQ(xml));
    if (!ReadTree(reader, root, error_)) return nullptr;
  } else {
    auto& res = CResourceManager::GetInstance();
    QFile file(ToQ(res.ResolvePath(res.GetXmlFile(xml))));
    if (!file.open(QIODevice::ReadOnly)) {
      error_ = L"cannot open " + FromQ(file.fileName());
      DebugOutputF("layout %s cannot be read", file.fileName().toUtf8().constData());
      return nullptr;
    }
    QXmlStreamReader reader(&file);
    if (!ReadTree(reader, root, error_)) {
      DebugOutputF("layout %s: %s", file.fileName().toUtf8().constData(),
                   QString::fromStdWString(error_).toUtf8().constData());
      return nullptr;
    }
  }

  TreeBuilder builder(callback, manager);
  CControlUI* result = nullptr;
  if (EqualsNoCase(root.name, L"Window")) {
    builder.ApplyWindowNode(root);
    std::vector<XmlNode> controls;
    for (const XmlNode& child : root.children) {
      if (!builder.ApplyResourceNode(child)) controls.push_back(child);
    }
    result = builder.BuildChildren(controls, parent);
  } else {
    result = builder.BuildChildren({root}, parent);
  }
  if (result && manager && !dynamic_cast<CContainerUI*>(parent)) {
    result->SetManager(manager, nullptr, true);
  }
  return result;
}
