#pragma once
// Pictures of the program's windows for its documentation, taken from
// inside the running program ("ruvemo --screenshot DIR", best under a
// headless X server): the main window without a device, a message box and
// the tray menu, each saved as a PNG file in DIR whose name ends in the
// window's language ("main_no_device_en.png"). The program ends when the
// pictures are taken.

#include <QString>

class CMainWnd;

// Starts taking the pictures once the main window shows; quits afterwards.
void TakeScreenshots(CMainWnd* window, const QString& folder);
