#pragma once
// Identifiers of new profiles and macros: MakeTimestampId(), and when that
// value is already in use (two made within one millisecond), the next
// millisecond's, so that a new profile or macro never takes over another's file.

#include <functional>
#include <string>

std::string MakeUniqueId(const std::function<bool(const std::string&)>& inUse);
