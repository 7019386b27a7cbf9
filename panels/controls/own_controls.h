#pragma once
// The program's own controls as the layout builder meets them.

#include <functional>
#include <string>
#include <vector>

class CControlUI;
class CControlFactory;

// One control class of the program: the name it is registered under with the
// toolkit's control factory, the element name the main window's builder
// callback creates it for (nullptr: layouts reach it through the factory
// only), and what makes a new object (empty while the part that supplies
// the class is not there yet).
struct ControlClassEntry {
  const wchar_t* className;
  const wchar_t* element;
  std::function<CControlUI*()> create;
};

// The 14 own control classes, "CCircleProgressUI" ... "CAudioRecordUI", in
// the program's order of registration.
const std::vector<ControlClassEntry>& OwnControlClasses();

// Registers the own control classes with the factory under their class
// names, in the table's order.
void RegisterOwnControls(CControlFactory& factory);

// The main window's builder callback for the own controls: a new control for
// the element names of the table ("CircleProgress", "SelectPanel", ...;
// compared without regard to case), else nullptr.
CControlUI* CreateOwnControl(const std::wstring& elementName);
