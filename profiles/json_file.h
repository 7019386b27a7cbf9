#pragma once
// The file helpers every stored JSON document goes through, the identifier
// maker for profiles and macros, and the text conversions at the file boundary.
// A missing or broken file reads as a null document; a write replaces the file
// whole and never leaves a half-written one behind.

#include <json/json.h>

#include <string>
#include <string_view>

// The whole file's bytes up to the first zero byte, or empty text when the
// file cannot be opened or read completely.
std::string readjsonFile(const std::string& path);

// The parsed document, or a null value when the file is missing, empty or broken.
Json::Value ReadJson(const std::string& path);

// Writes value.toStyledString() and an end of line. The text goes to a
// temporary file in the same folder which is flushed and then renamed over
// the target, so a failed write leaves the previous file as it was.
// Returns 0 when the file was written, -1 when it was not.
int WriteJson(const std::string& path, const Json::Value& value);

// Local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day, hour,
// minute, second, millisecond), e.g. 2024_10_10_08_54_17_123.
std::string MakeTimestampId();

// UTF-8 <-> the program's wide text. Malformed input becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

// True when the text is empty after trimming white space at both ends.
bool IsBlank(std::wstring_view text);
bool IsBlank(std::string_view text);
