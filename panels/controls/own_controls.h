#pragma once
// The program's own controls as the layout builder meets them.

#include <string>

class CControlUI;
class CControlFactory;

// Registers the own control classes with the factory under their class
// names ("CCircleProgressUI" ... "CAudioRecordUI"), in the program's order.
void RegisterOwnControls(CControlFactory& factory);

// The main window's builder callback for the own controls: a new control for
// the element names "CircleProgress", "SelectPanel", "DeviceKeyButton",
// "HandImgButton", "AudioRecord", "HandImgSelectButton", "RedioMacroButton"
// and "ComboEditContainerElement" (compared without regard to case), else nullptr.
CControlUI* CreateOwnControl(const std::wstring& elementName);
