#include "profiles/json_access.h"

#include <cmath>

namespace {

const Json::Value& NullValue() {
  static const Json::Value null;
  return null;
}

}  // namespace

const Json::Value& JMember(const Json::Value& v, const char* key) {
  if (!v.isObject()) return NullValue();
  const Json::Value* found = v.find(key, key + std::char_traits<char>::length(key));
  return found != nullptr ? *found : NullValue();
}

const Json::Value& JElement(const Json::Value& v, Json::ArrayIndex index) {
  if (!v.isArray() || index >= v.size()) return NullValue();
  return v[index];
}

Json::ArrayIndex JSize(const Json::Value& v) { return v.isArray() ? v.size() : 0; }

int64_t JInt64(const Json::Value& v, int64_t fallback) {
  switch (v.type()) {
    case Json::intValue:
      return v.asInt64();
    case Json::uintValue:
      return static_cast<int64_t>(v.asUInt64());  // wraps above INT64_MAX
    case Json::realValue: {
      const double d = v.asDouble();
      if (!std::isfinite(d) || d < -9.2e18 || d > 9.2e18) return fallback;
      return static_cast<int64_t>(d);
    }
    case Json::booleanValue:
      return v.asBool() ? 1 : 0;
    default:
      return fallback;
  }
}

int JInt(const Json::Value& v, int fallback) {
  if (!v.isNumeric() && !v.isBool()) return fallback;
  // Truncation to 32 bits, as the library's integer conversion keeps the low bits.
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(JInt64(v, fallback))));
}

bool JBool(const Json::Value& v, bool fallback) {
  if (v.isBool()) return v.asBool();
  if (v.isIntegral()) return JInt64(v) != 0;
  if (v.isDouble()) return v.asDouble() != 0.0;
  return fallback;
}

std::string JString(const Json::Value& v, const std::string& fallback) {
  return v.isString() ? v.asString() : fallback;
}

Json::Value& JSetMember(Json::Value& v, const char* key) {
  if (!v.isObject()) v = Json::Value(Json::objectValue);
  return v[key];
}

Json::Value& JSetElement(Json::Value& v, Json::ArrayIndex index) {
  if (index >= kMaxWrittenIndex) {
    // A position no stored document uses; the write goes nowhere instead of
    // growing the array to that size.
    thread_local Json::Value scratch;
    scratch = Json::Value();
    return scratch;
  }
  if (!v.isArray()) v = Json::Value(Json::arrayValue);
  return v[index];
}

bool IsPlainFileName(const std::string& text) {
  if (text.empty() || text == "." || text == "..") return false;
  for (const char c : text)
    if (c == '/' || c == '\\' || c == '\0') return false;
  return true;
}
