#pragma once
// Pictures of the program's windows for its documentation, taken from
// inside the running program ("ruvemo --screenshot DIR", best under a
// headless X server): the main window without a device, a message box, the
// tray menu and, when a keyboard is connected (the device simulator will do),
// the keyboard's page with its lighting preview running, each saved as a PNG
// file in DIR whose name ends in the window's language
// ("main_no_device_en.png", "keyboard_page_en.png"). Without a keyboard the
// last picture is skipped. The program ends when the pictures are taken.
// bench/screenshots.sh takes them with the simulated keyboard.

#include <QString>

class CMainWnd;

// Starts taking the pictures once the main window shows; quits afterwards.
void TakeScreenshots(CMainWnd* window, const QString& folder);
