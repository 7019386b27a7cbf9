#include "panels/toolkit/ui_types.h"

#include <cwctype>

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

std::wstring ToLower(const std::wstring& s) {
  std::wstring out = s;
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

std::uint32_t ParseColor(const std::wstring& value) {
  QString v = ToQ(value).trimmed();
  bool ok = false;
  std::uint32_t argb = 0;
  if (v.startsWith('#')) {
    QString hex = v.mid(1);
    argb = hex.toUInt(&ok, 16);
    if (ok && hex.size() <= 6) argb |= 0xFF000000u;
  } else if (v.startsWith("0x", Qt::CaseInsensitive)) {
    argb = v.mid(2).toUInt(&ok, 16);
  } else {
    argb = v.toUInt(&ok, 10);
  }
  return ok ? argb : 0;
}

QColor ToQColor(std::uint32_t argb) {
  return QColor((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}

static std::vector<int> ParseNumbers(const std::wstring& value) {
  std::vector<int> out;
  for (const QString& part : ToQ(value).split(',')) out.push_back(ParseInt(FromQ(part)));
  return out;
}

QRect ParseRect(const std::wstring& value) {
  auto n = ParseNumbers(value);
  n.resize(4, 0);
  return QRect(QPoint(n[0], n[1]), QPoint(n[2] - 1, n[3] - 1));
}

QMargins ParseMargins(const std::wstring& value) {
  auto n = ParseNumbers(value);
  n.resize(4, 0);
  return QMargins(n[0], n[1], n[2], n[3]);
}

QSize ParseSize(const std::wstring& value) {
  auto n = ParseNumbers(value);
  n.resize(2, 0);
  return QSize(n[0], n[1]);
}

bool ParseBool(const std::wstring& value) { return EqualsNoCase(value, L"true") || value == L"1"; }

int ParseInt(const std::wstring& value) {
  size_t i = 0;
  while (i < value.size() && std::iswspace(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) {
    negative = value[i] == L'-';
    ++i;
  }
  long long n = 0;
  while (i < value.size() && value[i] >= L'0' && value[i] <= L'9') {
    n = n * 10 + (value[i] - L'0');
    if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
    ++i;
  }
  return static_cast<int>(negative ? -n : n);
}

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  size_t i = 0;
  const size_t n = list.size();
  while (i < n) {
    while (i < n && std::iswspace(list[i])) ++i;
    size_t nameStart = i;
    while (i < n && list[i] != L'=' && !std::iswspace(list[i])) ++i;
    std::wstring name = list.substr(nameStart, i - nameStart);
    while (i < n && std::iswspace(list[i])) ++i;
    if (i >= n || list[i] != L'=') break;
    ++i;
    while (i < n && std::iswspace(list[i])) ++i;
    if (i >= n) break;
    wchar_t quote = list[i];
    if (quote != L'"' && quote != L'\'') break;
    ++i;
    size_t valueStart = i;
    while (i < n && list[i] != quote) ++i;
    std::wstring value = list.substr(valueStart, i - valueStart);
    if (i < n) ++i;
    if (!name.empty()) out.emplace_back(name, value);
  }
  return out;
}

bool SplitNumberedName(const std::wstring& name, std::wstring& prefix, int& number) {
  size_t end = name.size();
  size_t i = end;
  while (i > 0 && name[i - 1] >= L'0' && name[i - 1] <= L'9') --i;
  if (i == end) return false;
  prefix = name.substr(0, i);
  number = ParseInt(name.substr(i));
  return true;
}
