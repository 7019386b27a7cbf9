#pragma once
// Building control trees from the XML layouts of the skin folder.
//
// A layout is either a <Window> element, whose attributes configure the
// window (size, caption, sizebox, mininfo, maxinfo) and whose children are
// <Font>, <Default>, <Style>, <Include> elements and one root control, or a
// control element itself. Control elements are named by class ("Button",
// "VerticalLayout", ...); their attributes go to SetAttribute in document
// order after the class's <Default> list. For each element the builder asks,
// in this order: the callback, the toolkit's own classes, the control factory.

#include <functional>
#include <map>
#include <string>

class CControlUI;
class CPaintManagerUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for an element name, or nullptr to let the toolkit decide.
  virtual CControlUI* CreateControl(const std::wstring& className) = 0;
};

class CControlFactory {
 public:
  using CreateClass = std::function<CControlUI*()>;
  static CControlFactory* GetInstance();

  // Registers a program class under its class name ("CCircleProgressUI").
  // An element finds it by that name or by the name without the "C" prefix
  // and "UI" suffix ("CircleProgress"), compared without regard to case.
  void RegistControl(const std::wstring& className, CreateClass creator);
  CControlUI* CreateControl(const std::wstring& name) const;
  bool IsRegistered(const std::wstring& name) const;

 private:
  std::map<std::wstring, CreateClass> creators_;  // lower-case names
};

class CDialogBuilder {
 public:
  // Builds the tree of a layout: xml is a file of the skin folder (separators
  // '\' or '/'), a named resource of res.xml, or XML text starting with '<'.
  // The tree is given to manager (when not null) and added to parent (when it
  // is a container). Returns the root control, nullptr when nothing was built.
  CControlUI* Create(const std::wstring& xml, const std::wstring& type = L"",
                     IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  std::wstring GetLastErrorMessage() const { return error_; }

  // A control of the toolkit's own classes by element name, or nullptr.
  static CControlUI* CreateBuiltinControl(const std::wstring& className);

 private:
  std::wstring error_;
};
