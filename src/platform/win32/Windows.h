#pragma once
// <windows.h> for the Win32 services, and what they share: UTF-8 to UTF-16
// at every call, and Win32 error numbers as portable error codes. Only the
// .cpp files of this folder include it.
#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

// Macros of <windows.h> that would rename the services' own functions.
#undef DeleteFile
#undef MessageBox
#undef GetCurrentTime

namespace platform::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A file name for the W functions: native separators, and absolute names
// longer than the classic MAX_PATH limit in the "\\?\" form.
std::wstring WidePath(const std::string& path);

// The common error numbers become std::generic_category() codes, so that they
// compare equal to the std::errc values portable code tests for. A file held
// open by another process (a sharing or lock violation, a running program)
// keeps its number in the "win32" category, reads as the system's own text,
// and compares equal to std::errc::text_file_busy, as on POSIX. Every other
// number stays in the "win32" category, its message in UTF-8.
std::error_code Win32Error(unsigned long code);
std::error_code LastError();
const std::error_category& Win32Category();

// An environment variable in UTF-8; empty when unset.
std::string Environment(const char* name);

} // namespace platform::win32
