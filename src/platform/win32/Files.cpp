#include "platform/Files.h"

#include "platform/Paths.h"
#include "platform/win32/Windows.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace platform {
using win32::LastError;
using win32::WidePath;

namespace {

// Closes a handle on every path out of a function.
struct OwnedHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit OwnedHandle(HANDLE handle) : h(handle) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    bool Valid() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    void Close() {
        if (Valid()) ::CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    HANDLE Release() {
        HANDLE r = h;
        h = INVALID_HANDLE_VALUE;
        return r;
    }
};

// Others may read, write, rename and delete a file we only read: hashing the
// application's files must never stand in its way.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
constexpr DWORD kCopyBlock = 1 << 20;

DWORD Attributes(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

bool IsFolder(const std::wstring& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Why CreateFileW failed: a folder opened as a file is refused with "access
// denied"; report it as POSIX does.
std::error_code OpenError(const std::wstring& path) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_ACCESS_DENIED && IsFolder(path))
        return std::make_error_code(std::errc::is_a_directory);
    return win32::Win32Error(code);
}

HANDLE OpenForReading(const std::wstring& path, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags,
                         nullptr);
}

bool WriteAll(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, kCopyBlock * 64));
        DWORD written = 0;
        if (!::WriteFile(h, data, chunk, &written, nullptr)) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Copies the rest of `in` to `out`; an empty code on success.
std::error_code CopyData(HANDLE in, HANDLE out) {
    std::vector<char> buf(kCopyBlock);
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(in, buf.data(), kCopyBlock, &n, nullptr)) return LastError();
        if (n == 0) return {};
        if (!WriteAll(out, buf.data(), n)) return LastError();
    }
}

// FILETIME counts 100 ns steps since 1601.
using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
constexpr int64_t kTicksTo1970 = 116444736000000000;

FILETIME ToFileTime(FileTime time) {
    const int64_t ticks = std::chrono::floor<Ticks>(time.time_since_epoch()).count() + kTicksTo1970;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return ft;
}

FileTime FromFileTime(const FILETIME& ft) {
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return FileTime(std::chrono::duration_cast<FileTime::duration>(Ticks(ticks - kTicksTo1970)));
}

unsigned NextTempNumber() {
    static std::atomic<unsigned> counter{0};
    return counter++;
}

std::string UniqueName(const std::string& path, const char* ending) {
    return path + ".~" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(NextTempNumber()) + ending;
}

// A name of our own beside `path`, created anew; the handle may read and write.
HANDLE CreateBeside(const std::string& path, std::string& name) {
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = UniqueName(path, ".tmp");
        h = ::CreateFileW(WidePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
    }
    return h;
}

bool Move(const std::string& from, const std::string& to) {
    return ::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), kMoveFlags) != 0;
}

} // namespace

FileError::FileError(const std::string& path, std::error_code ec)
    : std::runtime_error(path + ": " + ec.message()), FPath(path), FCode(ec) {}

bool FileExists(const std::string& path) {
    DWORD a = Attributes(WidePath(path));
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    return IsFolder(WidePath(path));
}

std::string ReadWholeFile(const std::string& name) {
    const std::string path = NativePath(name);
    const std::wstring wide = WidePath(path);
    OwnedHandle f(OpenForReading(wide, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!f.Valid()) throw FileError(path, OpenError(wide));
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(f.h, &size)) throw FileError(path, LastError());
    std::string data;
    data.reserve(static_cast<size_t>(size.QuadPart));
    std::vector<char> buf(size.QuadPart > 0 && size.QuadPart < (1 << 20) ? size.QuadPart + 1
                                                                         : 1 << 16);
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(f.h, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr))
            throw FileError(path, LastError());
        if (n == 0) break;
        data.append(buf.data(), n);
    }
    return data;
}

std::error_code CopyFileOver(const std::string& sourceName, const std::string& targetName,
                             bool /*makeExecutable*/) {
    const std::wstring source = WidePath(sourceName), target = WidePath(targetName);
    OwnedHandle in(OpenForReading(source, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!in.Valid()) return OpenError(source);
    FILETIME accessed, modified;
    if (!::GetFileTime(in.h, nullptr, &accessed, &modified)) return LastError();
    // Written in place rather than renamed over: a running program's file
    // refuses writers (a sharing violation) until the program has ended, which
    // is what the hand-off waits for. OPEN_ALWAYS, not CREATE_ALWAYS: the
    // latter refuses a hidden or system file.
    OwnedHandle out(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) return OpenError(target);
    if (!::SetEndOfFile(out.h)) return LastError();
    if (std::error_code ec = CopyData(in.h, out.h)) return ec;
    ::SetFileTime(out.h, nullptr, &accessed, &modified);
    if (!::CloseHandle(out.Release())) return LastError();
    return {};
}

void WriteFileAtomic(const std::string& file, const std::string& data) {
    const std::string path = NativePath(file);
    std::string tmp;
    OwnedHandle f(CreateBeside(path, tmp));
    if (!f.Valid()) throw FileError(path, LastError());
    auto fail = [&](std::error_code ec) {
        f.Close();
        ::DeleteFileW(WidePath(tmp).c_str());
        throw FileError(path, ec);
    };
    if (!WriteAll(f.h, data.data(), data.size())) fail(LastError());
    if (!::FlushFileBuffers(f.h)) fail(LastError());
    if (!::CloseHandle(f.Release())) fail(LastError());

    // Lets a test end the process between the flushed temporary file and the rename.
    if (const std::string marker = win32::Environment("UPDATER_TEST_PAUSE_BEFORE_RENAME");
        !marker.empty()) {
        OwnedHandle m(::CreateFileW(WidePath(marker).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        std::this_thread::sleep_for(std::chrono::seconds(60));
    }

    if (!Move(tmp, path)) fail(LastError());
}

std::error_code ReplaceFileWith(const std::string& sourceName, const std::string& targetName,
                                bool /*makeExecutable*/) {
    const std::string target = NativePath(targetName);
    const std::wstring source = WidePath(sourceName);
    OwnedHandle in(OpenForReading(source, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!in.Valid()) return OpenError(source);
    if (IsFolder(WidePath(target))) return std::make_error_code(std::errc::is_a_directory);
    std::string tmp;
    OwnedHandle out(CreateBeside(target, tmp));
    if (!out.Valid()) return LastError();
    auto fail = [&](std::error_code ec) {
        out.Close();
        ::DeleteFileW(WidePath(tmp).c_str());
        return ec;
    };
    if (std::error_code ec = CopyData(in.h, out.h)) return fail(ec);
    if (!::FlushFileBuffers(out.h)) return fail(LastError());
    if (!::CloseHandle(out.Release())) return fail(LastError());
    if (!Move(tmp, target)) return fail(LastError());
    return {};
}

std::error_code MoveFileOver(const std::string& sourceName, const std::string& targetName) {
    const std::string source = NativePath(sourceName), target = NativePath(targetName);
    if (Attributes(WidePath(source)) == INVALID_FILE_ATTRIBUTES) return LastError();
    if (IsFolder(WidePath(target))) return std::make_error_code(std::errc::is_a_directory);
    // Without MOVEFILE_COPY_ALLOWED: a move to another volume would copy over
    // the target in place; ReplaceFileWith does it safely instead.
    if (Move(source, target)) return {};
    if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return LastError();
    if (std::error_code ec = ReplaceFileWith(source, target)) return ec;
    ::DeleteFileW(WidePath(source).c_str());
    return {};
}

bool SameFile(const std::string& a, const std::string& b) {
    // Volume serial number and file index name one file, whatever the spelling;
    // backup semantics let folders be opened too.
    auto identity = [](const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
        OwnedHandle h(::CreateFileW(WidePath(name).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.Valid() && ::GetFileInformationByHandle(h.h, &info);
    };
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return identity(a, ia) && identity(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool DeleteFile(const std::string& name) {
    const std::wstring path = WidePath(name);
    if (::DeleteFileW(path.c_str())) return true;
    // A read-only file is deleted too, as unlink does on POSIX.
    DWORD a = Attributes(path);
    if (::GetLastError() != ERROR_ACCESS_DENIED || a == INVALID_FILE_ATTRIBUTES ||
        !(a & FILE_ATTRIBUTE_READONLY) || (a & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    ::SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (::DeleteFileW(path.c_str())) return true;
    ::SetFileAttributesW(path.c_str(), a);
    return false;
}

bool CreateFolder(const std::string& name, std::error_code* error) {
    const std::wstring path = WidePath(name);
    if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS && IsFolder(path)) return true;
    if (error) *error = win32::Win32Error(code);
    return false;
}

bool SetExecutable(const std::string& path) {
    // Windows has no execute bits: what may run is decided by the name.
    return Attributes(WidePath(path)) != INVALID_FILE_ATTRIBUTES;
}

bool GetFileModificationTime(const std::string& path, FileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    time = FromFileTime(data.ftLastWriteTime);
    return true;
}

bool SetFileModificationTime(const std::string& path, FileTime time) {
    OwnedHandle h(::CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.Valid()) return false;
    const FILETIME modified = ToFileTime(time);
    return ::SetFileTime(h.h, nullptr, nullptr, &modified) != 0;
}

// ---------------------------------------------------------------------------

struct TTempFile::Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    bool hasTime = false;
    FILETIME time{};
};

TTempFile::TTempFile(const std::string& target, const std::string& tempPath)
    : FTarget(NativePath(target)), FHandle(std::make_unique<Handle>()) {
    if (!tempPath.empty()) {
        FPath = NativePath(tempPath);
        const std::wstring wide = WidePath(FPath);
        if (Attributes(wide) != INVALID_FILE_ATTRIBUTES) {
            // An older file of that name is moved aside and deleted: a process
            // that still reads it keeps it until it lets go, and the name is
            // free at once (a plain delete would leave it pending until then).
            const std::wstring aside = WidePath(UniqueName(FPath, ".old"));
            if (::MoveFileExW(wide.c_str(), aside.c_str(), 0))
                ::DeleteFileW(aside.c_str());
            else
                ::DeleteFileW(wide.c_str());
        }
        FHandle->h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        FHandle->h = CreateBeside(FTarget, FPath);
    }
    if (FHandle->h == INVALID_HANDLE_VALUE) throw FileError(FPath, LastError());
}

TTempFile::~TTempFile() {
    if (FHandle->h != INVALID_HANDLE_VALUE) ::CloseHandle(FHandle->h);
    if (!FCommitted && !FKept) ::DeleteFileW(WidePath(FPath).c_str());
}

void TTempFile::Write(const void* data, size_t size) {
    if (FHandle->h == INVALID_HANDLE_VALUE)
        throw FileError(FPath, std::make_error_code(std::errc::bad_file_descriptor));
    if (!WriteAll(FHandle->h, static_cast<const char*>(data), size))
        throw FileError(FPath, LastError());
}

void TTempFile::SetTimes(FileTime modified) {
    FHandle->time = ToFileTime(modified);
    FHandle->hasTime = true;
}

void TTempFile::Close() {
    if (FHandle->h == INVALID_HANDLE_VALUE) return;
    const HANDLE h = FHandle->h;
    FHandle->h = INVALID_HANDLE_VALUE;
    if (FHandle->hasTime) ::SetFileTime(h, nullptr, nullptr, &FHandle->time);
    if (!::CloseHandle(h)) throw FileError(FPath, LastError());
}

void TTempFile::Commit(bool durable) {
    if (FHandle->h != INVALID_HANDLE_VALUE) {
        if (durable && !::FlushFileBuffers(FHandle->h)) throw FileError(FPath, LastError());
        Close();
    }
    if (IsFolder(WidePath(FTarget)))
        throw FileError(FTarget, std::make_error_code(std::errc::is_a_directory));
    // MOVEFILE_WRITE_THROUGH: the rename is on the disk when this returns.
    if (!Move(FPath, FTarget)) {
        // A temporary name on another volume (a folder mounted inside the
        // installation): copied over instead, as safely.
        if (::GetLastError() != ERROR_NOT_SAME_DEVICE) throw FileError(FTarget, LastError());
        if (std::error_code ec = ReplaceFileWith(FPath, FTarget)) throw FileError(FTarget, ec);
        ::DeleteFileW(WidePath(FPath).c_str());
    }
    FCommitted = true;
}

// ---------------------------------------------------------------------------

struct TFileReader::Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
};

TFileReader::TFileReader(const std::string& path)
    : FPath(NativePath(path)), FHandle(std::make_unique<Handle>()) {
    const std::wstring wide = WidePath(FPath);
    FHandle->h = OpenForReading(wide, FILE_FLAG_SEQUENTIAL_SCAN);
    if (FHandle->h == INVALID_HANDLE_VALUE) throw FileError(FPath, OpenError(wide));
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(FHandle->h, &size)) throw FileError(FPath, LastError());
    FSize = static_cast<uint64_t>(size.QuadPart);
}

TFileReader::~TFileReader() {
    if (FHandle->h != INVALID_HANDLE_VALUE) ::CloseHandle(FHandle->h);
}

size_t TFileReader::ReadAt(uint64_t offset, void* data, size_t count) {
    char* dst = static_cast<char*>(data);
    size_t done = 0;
    while (done < count) {
        // A synchronous handle reads at the offset the OVERLAPPED names.
        OVERLAPPED at{};
        const uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        if (!::ReadFile(FHandle->h, dst + done, chunk, &n, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            throw FileError(FPath, LastError());
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

size_t TFileReader::Read(void* data, size_t count) {
    size_t n = ReadAt(FPosition, data, count);
    FPosition += n;
    return n;
}

} // namespace platform
