#pragma once
// Small types shared by every part of the toolkit layer: message parameters,
// the window-message numbers the window base knows, and the parsers for the
// value formats of layout attributes (colours, rectangles, sizes, booleans).

#include <QColor>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Window messages understood by the window base. Private messages of the
// program start at WM_USER (1024).
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_DPICHANGED = 0x02E0;
constexpr UINT WM_USER = 0x0400;

// System commands (wParam of WM_SYSCOMMAND).
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// Text conversions at the Qt boundary.
inline QString ToQ(const std::wstring& s) { return QString::fromStdWString(s); }
inline std::wstring FromQ(const QString& s) { return s.toStdWString(); }

// Case-insensitive comparison of control names, class names and element names.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
std::wstring ToLower(const std::wstring& s);

// "#FFRRGGBB", "#RRGGBB", "0xFFRRGGBB" or a decimal number -> ARGB.
std::uint32_t ParseColor(const std::wstring& value);
QColor ToQColor(std::uint32_t argb);
// "l,t,r,b" -> the four numbers (missing ones are 0).
QRect ParseRect(const std::wstring& value);  // left, top, right, bottom as QRect(l, t, r-l, b-t)
QMargins ParseMargins(const std::wstring& value);
QSize ParseSize(const std::wstring& value);  // "cx,cy"
bool ParseBool(const std::wstring& value);   // "true" / "1"
int ParseInt(const std::wstring& value);     // leading decimal digits with sign; none gives 0

// Splits an attribute list such as  name="a" text='b'  into pairs.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list);

// Splits a control name such as "DPI_slider_3" at the last non-digit:
// prefix "DPI_slider_" and number 3. Returns false when it does not end in digits.
bool SplitNumberedName(const std::wstring& name, std::wstring& prefix, int& number);
