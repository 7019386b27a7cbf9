#pragma once
// Reading and changing stored documents without trusting their shape. A file
// may hold any JSON at any place; jsoncpp's own accessors stop the program on
// a value of the wrong kind, so every read and write of a member or element
// in the stored-data code goes through these helpers. A value of the wrong
// kind reads as the caller's default.

#include <json/json.h>

#include <cstdint>
#include <string>

// The member of an object, or a null value when v is not an object or lacks it.
const Json::Value& JMember(const Json::Value& v, const char* key);
// The element of an array, or a null value when v is not an array or too short.
const Json::Value& JElement(const Json::Value& v, Json::ArrayIndex index);
// The number of elements when v is an array, else 0.
Json::ArrayIndex JSize(const Json::Value& v);

// Integers: integral values and finite doubles in range; booleans as 0/1.
// Anything else (strings, objects, arrays, null) gives the fallback.
int64_t JInt64(const Json::Value& v, int64_t fallback = 0);
int JInt(const Json::Value& v, int fallback = 0);
// Booleans: a boolean, or a number read as non-zero.
bool JBool(const Json::Value& v, bool fallback = false);
// Text: only a JSON string; anything else gives the fallback.
std::string JString(const Json::Value& v, const std::string& fallback = {});

// The member key of v for writing; v becomes an empty object first when it is
// not one.
Json::Value& JSetMember(Json::Value& v, const char* key);
// Element index of v for writing; v becomes an empty array first when it is
// not one, and grows with null elements up to index. An index of
// kMaxWrittenIndex or more (only a damaged document asks for one) changes
// nothing: the returned value is a scratch value outside v.
inline constexpr Json::ArrayIndex kMaxWrittenIndex = 4096;
Json::Value& JSetElement(Json::Value& v, Json::ArrayIndex index);

// True when text can be used as one file name inside a folder: not empty, not
// "." or "..", no '/' or '\\' and no zero byte.
bool IsPlainFileName(const std::string& text);
