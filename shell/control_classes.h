#pragma once
// The program's classes as the skin names them: the classes registered with
// the toolkit's control factory at start-up, in their fixed order, and the
// main window's builder callback, which creates some elements itself and
// builds others as sub-trees from layouts of the skin folder.

#include <string>
#include <vector>

#include "panels/controls/own_controls.h"

class CControlUI;
class CPaintManagerUI;

// The 26 classes, in the order they are registered: the own controls of
// OwnControlClasses, then the panels and the device classes. The one list of
// the program's class names and of the elements the builder callback creates.
const std::vector<ControlClassEntry>& ControlClassTable();

// Registers every class of the table that has a creator, in the table's order.
void RegisterControlClasses();

// The skin folder, the index of named resources and the control classes.
void SetupSkinResources();

// The main window's builder callback: a new control for the elements of the
// class table (a row without a creator gives nullptr), the root of a sub-tree for elements that
// stand for a layout of the skin folder, or nullptr so that the toolkit tries its own classes and
// the factory. Element names are compared without regard to case.
CControlUI* CreateMainSkinControl(const std::wstring& element, CPaintManagerUI* manager);

// The layout behind a sub-tree element ("DeviceProfileUI" ->
// "XML\\CustomControlXML\\DeviceProfile.xml"), empty for other elements.
std::wstring MainSkinSubTree(const std::wstring& element);
