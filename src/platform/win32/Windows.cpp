#include "platform/win32/Windows.h"

#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace platform::win32 {

std::wstring Wide(std::string_view utf8) {
    std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(std::wstring_view utf16) {
    return Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

std::wstring WidePath(const std::string& path) {
    std::wstring w = Wide(path);
    std::replace(w.begin(), w.end(), L'/', L'\\');
    // Below this length every W function takes the name as it is (CreateDirectoryW
    // has the lowest limit: MAX_PATH less room for an 8.3 name).
    if (w.size() < MAX_PATH - 12 || w.rfind(L"\\\\?\\", 0) == 0) return w;
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return w;
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

namespace {

// ERROR_SHARING_VIOLATION and its kin: the file is held by another process.
bool IsBusy(unsigned long code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_USER_MAPPED_FILE;
}

// 0 when the number has no portable counterpart.
std::errc Portable(unsigned long code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_MOD_NOT_FOUND:
        return std::errc::no_such_file_or_directory;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_INVALID_ACCESS:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
        return std::errc::permission_denied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::errc::file_exists;
    case ERROR_DIR_NOT_EMPTY:
        return std::errc::directory_not_empty;
    case ERROR_DIRECTORY:
        return std::errc::not_a_directory;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::errc::no_space_on_device;
    case ERROR_NOT_SAME_DEVICE:
        return std::errc::cross_device_link;
    case ERROR_OPERATION_ABORTED:
    case ERROR_CANCELLED:
        return std::errc::operation_canceled;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return std::errc::not_enough_memory;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return std::errc::filename_too_long;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_HANDLE:
        return std::errc::invalid_argument;
    case ERROR_TOO_MANY_OPEN_FILES:
        return std::errc::too_many_files_open;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return std::errc::executable_format_error;
    case ERROR_NOT_SUPPORTED:
        return std::errc::not_supported;
    case ERROR_INVALID_FUNCTION:
        return std::errc::function_not_supported;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return std::errc::broken_pipe;
    case ERROR_TIMEOUT:
    case WAIT_TIMEOUT:
        return std::errc::timed_out;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_GEN_FAILURE:
        return std::errc::io_error;
    case ERROR_BUSY:
    case ERROR_DEVICE_IN_USE:
        return std::errc::device_or_resource_busy;
    default:
        return std::errc{};
    }
}

class Category : public std::error_category {
public:
    const char* name() const noexcept override { return "win32"; }

    // The system's text in the user's language, as UTF-8 (std::system_category
    // of the C library gives it in the ANSI code page).
    std::string message(int code) const override {
        wchar_t* buffer = nullptr;
        DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                   nullptr, static_cast<DWORD>(code), 0,
                                   reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        std::string text;
        if (n > 0 && buffer) text = Narrow(std::wstring_view(buffer, n));
        if (buffer) ::LocalFree(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        if (text.empty()) text = "Windows error " + std::to_string(static_cast<unsigned>(code));
        return text;
    }

    std::error_condition default_error_condition(int code) const noexcept override {
        const auto number = static_cast<unsigned long>(code);
        if (IsBusy(number)) return std::make_error_condition(std::errc::text_file_busy);
        if (std::errc portable = Portable(number); portable != std::errc{})
            return std::make_error_condition(portable);
        return std::error_condition(code, *this);
    }
};

} // namespace

const std::error_category& Win32Category() {
    static const Category category;
    return category;
}

std::error_code Win32Error(unsigned long code) {
    if (!IsBusy(code)) {
        if (std::errc portable = Portable(code); portable != std::errc{})
            return std::make_error_code(portable);
    }
    return std::error_code(static_cast<int>(code), Win32Category());
}

std::error_code LastError() {
    return Win32Error(::GetLastError());
}

std::string Environment(const char* name) {
    const std::wstring wname = Wide(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        DWORD n = ::GetEnvironmentVariableW(wname.c_str(), buffer.data(),
                                            static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(n);
    }
}

} // namespace platform::win32
