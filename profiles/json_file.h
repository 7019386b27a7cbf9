#pragma once
// The file helpers every stored JSON document goes through, the identifier
// maker for profiles and macros, and the text conversions at the file boundary.
// A missing or broken file reads as a null document; a write replaces the file
// whole and never leaves a half-written one behind.

#include <json/json.h>

#include <cstddef>
#include <string>
#include <string_view>

// Stored documents are kilobytes; a larger file is not one of them and is
// refused before anything is allocated for it.
inline constexpr size_t kMaxStoredFileSize = 4 * 1024 * 1024;

// The whole content of a regular file of at most maxSize bytes. False (and out
// empty) for anything else: a missing or unreadable file, a folder, a device
// or pipe (never waited on), a larger file, or a failed allocation.
bool ReadFileBytes(const std::string& path, std::string& out, size_t maxSize = kMaxStoredFileSize);

// The whole file's bytes up to the first zero byte, or empty text when the
// file cannot be read completely (see ReadFileBytes).
std::string readjsonFile(const std::string& path);

// The parsed document, or a null value when the file is missing, empty or broken.
Json::Value ReadJson(const std::string& path);

// Writes value.toStyledString() and an end of line through WriteFileAtomic.
// Returns 0 when the file was written, -1 when it was not (errno says why).
int WriteJson(const std::string& path, const Json::Value& value);

// Replaces the file at path whole with bytes. The bytes go to a temporary
// file ".ruvemo-<pid>-<n>.tmp" in the same folder (a short name, so a target
// name of any allowed length works), which is flushed and then renamed over
// the target; the folder is flushed after the rename. A failed write leaves
// the previous file as it was. A symbolic link is written through, and an
// existing file keeps its mode. Before writing, temporary files that a
// process which no longer runs left in that folder are removed (see
// RemoveStaleTemporaryFiles). Returns 0 when written, -1 when not (errno
// says why).
int WriteFileAtomic(const std::string& path, std::string_view bytes);

// Removes the temporary files of this program in folder whose writer is gone:
// names ".ruvemo-<pid>-<n>.tmp" (and "<file>.tmp-<pid>-<n>",
// "main.ini.tmp-<pid>" of earlier versions) where no process <pid> exists, or
// that are older than a day (the pid was reused). Temporary files of this
// process and of running processes are left alone.
void RemoveStaleTemporaryFiles(const std::string& folder);

// Removes the file at path. True when it is gone afterwards (also when it was
// not there); false with errno set when it could not be removed.
bool RemoveFile(const std::string& path);

// "<path>: <reason of errno>", for messages about a failed read or write.
std::string FileErrorText(const std::string& path, int error);

// For crash tests: a function called at every step of WriteFileAtomic and
// RemoveFile (temporary file made, bytes written, flushed, renamed, folder
// flushed; before and after a removal). nullptr (the default) calls nothing.
using FileStepHook = void (*)();
void SetFileStepHook(FileStepHook hook);

// Local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day, hour,
// minute, second, millisecond), e.g. 2024_10_10_08_54_17_123.
std::string MakeTimestampId();

// UTF-8 <-> the program's wide text. Malformed input becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

// True when the text is empty after trimming white space at both ends.
bool IsBlank(std::wstring_view text);
bool IsBlank(std::string_view text);
