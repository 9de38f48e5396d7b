#include "platform/Files.h"

#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// Closes a descriptor on every path out of a function.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int release() {
        int f = fd;
        fd = -1;
        return f;
    }
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

constexpr size_t kCopyBlock = 1 << 20;

// The first bytes of a program: an ELF image or a script.
bool IsProgramHead(std::string_view head) {
    return head.substr(0, 4) == "\177ELF" || head.substr(0, 2) == "#!";
}

struct timespec ToTimespec(FileTime time) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    struct timespec t;
    t.tv_sec = static_cast<time_t>(ns / 1000000000);
    t.tv_nsec = static_cast<long>(ns % 1000000000);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000;
        t.tv_sec -= 1;
    }
    return t;
}

// The mode a file put in place of target gets: the old file's, or for a new
// one the umask's default with a program's execute bits.
mode_t ModeForTarget(const std::string& target, int fd) {
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = 0666 & ~mask;
    char head[4] = {};
    ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (IsProgramHead(std::string_view(head, n > 0 ? static_cast<size_t>(n) : 0)))
        mode |= (mode & 0444) >> 2;
    return mode;
}

void FlushFolderOf(const std::string& path) {
    std::string folder = ExtractFilePath(path);
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) ::fsync(dir.fd);
}

unsigned NextTempNumber() {
    static std::atomic<unsigned> counter{0};
    return counter++;
}

} // namespace

FileError::FileError(const std::string& path, std::error_code ec)
    : std::runtime_error(path + ": " + ec.message()), FPath(path), FCode(ec) {}

bool FileExists(const std::string& name) {
    const std::string path = NativePath(name);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& name) {
    const std::string path = NativePath(name);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string& name) {
    const std::string path = NativePath(name);
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0) throw FileError(path, LastError());
    struct stat st;
    if (::fstat(f.fd, &st) != 0) throw FileError(path, LastError());
    if (S_ISDIR(st.st_mode)) throw FileError(path, std::make_error_code(std::errc::is_a_directory));
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    std::vector<char> buf(st.st_size > 0 && st.st_size < (1 << 20) ? st.st_size + 1 : 1 << 16);
    for (;;) {
        ssize_t n = ::read(f.fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(path, LastError());
        }
        if (n == 0) break;
        data.append(buf.data(), static_cast<size_t>(n));
    }
    return data;
}

std::error_code CopyFileOver(const std::string& sourceName, const std::string& targetName,
                             bool makeExecutable) {
    const std::string source = NativePath(sourceName), target = NativePath(targetName);
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) return LastError();
    struct stat st;
    if (::fstat(in.fd, &st) != 0) return LastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    mode_t mode = st.st_mode & 07777;
    if (makeExecutable) mode |= (mode & 0444) >> 2;

    Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (out.fd < 0) return LastError();
    std::vector<char> buf(kCopyBlock);
    for (;;) {
        ssize_t n = ::read(in.fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (n == 0) break;
        if (!WriteAll(out.fd, buf.data(), static_cast<size_t>(n))) return LastError();
    }
    // An existing target keeps its own mode on open; give it the source's.
    if (::fchmod(out.fd, mode) != 0) return LastError();
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd, times);
    if (::close(out.release()) != 0) return LastError();
    return {};
}

void WriteFileAtomic(const std::string& file, const std::string& data) {
    const std::string path = NativePath(file);
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    Fd f(::mkostemp(name.data(), O_CLOEXEC));
    if (f.fd < 0) throw FileError(path, LastError());
    std::string tmp(name.data());
    auto fail = [&](std::error_code ec) {
        ::unlink(tmp.c_str());
        throw FileError(path, ec);
    };
    struct stat old;
    mode_t mode = 0666 & ~[] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    if (::stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;
    if (::fchmod(f.fd, mode) != 0) fail(LastError());
    if (!WriteAll(f.fd, data.data(), data.size())) fail(LastError());
    if (::fsync(f.fd) != 0) fail(LastError());
    if (::close(f.release()) != 0) fail(LastError());

    // Lets a test kill the process between the flushed temporary file and the rename.
    if (const char* marker = std::getenv("UPDATER_TEST_PAUSE_BEFORE_RENAME")) {
        Fd m(::open(marker, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        std::this_thread::sleep_for(std::chrono::seconds(60));
    }

    if (::rename(tmp.c_str(), path.c_str()) != 0) fail(LastError());
    FlushFolderOf(path);
}

std::error_code ReplaceFileWith(const std::string& sourceName, const std::string& targetName,
                                bool makeExecutable) {
    const std::string source = NativePath(sourceName), target = NativePath(targetName);
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) return LastError();
    struct stat st;
    if (::fstat(in.fd, &st) != 0) return LastError();
    mode_t mode = st.st_mode & 07777;
    struct stat old;
    bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        mode = old.st_mode & 07777;
    }
    if (makeExecutable) mode |= (mode & 0444) >> 2;

    std::string tmpl = target + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    Fd out(::mkostemp(name.data(), O_CLOEXEC));
    if (out.fd < 0) return LastError();
    std::string tmp(name.data());
    auto fail = [&](std::error_code ec) {
        ::unlink(tmp.c_str());
        return ec;
    };
    std::vector<char> buf(kCopyBlock);
    bool first = true;
    for (;;) {
        ssize_t n = ::read(in.fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(LastError());
        }
        if (n == 0) break;
        if (first && !replacing) {
            if (IsProgramHead(std::string_view(buf.data(), static_cast<size_t>(n))))
                mode |= (mode & 0444) >> 2;
        }
        first = false;
        if (!WriteAll(out.fd, buf.data(), static_cast<size_t>(n))) return fail(LastError());
    }
    if (::fchmod(out.fd, mode) != 0 || ::fsync(out.fd) != 0) return fail(LastError());
    if (::close(out.release()) != 0) return fail(LastError());
    if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(LastError());
    return {};
}

std::error_code MoveFileOver(const std::string& sourceName, const std::string& targetName) {
    const std::string source = NativePath(sourceName), target = NativePath(targetName);
    struct stat st, old;
    if (::stat(source.c_str(), &st) != 0) return LastError();
    mode_t mode = st.st_mode & 07777;
    if (::stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        mode = old.st_mode & 07777;
    } else {
        char head[4] = {};
        Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        ssize_t n = in.fd >= 0 ? ::read(in.fd, head, sizeof head) : 0;
        if (IsProgramHead(std::string_view(head, n > 0 ? static_cast<size_t>(n) : 0)))
            mode |= (mode & 0444) >> 2;
    }
    if (::chmod(source.c_str(), mode) != 0) return LastError();
    // Renaming over the old file replaces it in one step; ext4 writes the new
    // data out before such a rename becomes durable.
    if (::rename(source.c_str(), target.c_str()) == 0) return {};
    if (errno != EXDEV) return LastError();
    if (std::error_code ec = ReplaceFileWith(source, target)) return ec;
    ::unlink(source.c_str());
    return {};
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(NativePath(a).c_str(), &sa) == 0 && ::stat(NativePath(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
}

bool CreateFolder(const std::string& name, std::error_code* error) {
    const std::string path = NativePath(name);
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int code = errno;
    if (code == EEXIST && DirectoryExists(path)) return true;
    if (error) *error = std::error_code(code, std::generic_category());
    return false;
}

bool SetExecutable(const std::string& name) {
    const std::string path = NativePath(name);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    return ::chmod(path.c_str(), mode | ((mode & 0444) >> 2)) == 0;
}

bool GetFileModificationTime(const std::string& path, FileTime& time) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return false;
    time = FileTime(std::chrono::duration_cast<FileTime::duration>(
        std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    return true;
}

bool SetFileModificationTime(const std::string& path, FileTime time) {
    struct timespec times[2] = {{0, UTIME_OMIT}, ToTimespec(time)};
    return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

// ---------------------------------------------------------------------------

struct TTempFile::Handle {
    int fd = -1;
    bool hasTime = false;
    struct timespec time {};
};

TTempFile::TTempFile(const std::string& target, const std::string& tempPath)
    : FTarget(NativePath(target)), FHandle(std::make_unique<Handle>()) {
    if (!tempPath.empty()) {
        FPath = NativePath(tempPath);
        ::unlink(FPath.c_str());
        FHandle->fd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } else {
        // Our own name rather than mkstemp's: the file gets the umask's
        // permissions instead of 0600.
        for (int attempt = 0; FHandle->fd < 0 && attempt < 100; ++attempt) {
            FPath = FTarget + ".~" + std::to_string(::getpid()) + "-" +
                    std::to_string(NextTempNumber()) + ".tmp";
            FHandle->fd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (FHandle->fd < 0 && errno != EEXIST) break;
        }
    }
    if (FHandle->fd < 0) throw FileError(FPath, LastError());
}

TTempFile::~TTempFile() {
    if (FHandle->fd >= 0) ::close(FHandle->fd);
    if (!FCommitted && !FKept) ::unlink(FPath.c_str());
}

void TTempFile::Write(const void* data, size_t size) {
    if (FHandle->fd < 0)
        throw FileError(FPath, std::make_error_code(std::errc::bad_file_descriptor));
    if (!WriteAll(FHandle->fd, static_cast<const char*>(data), size))
        throw FileError(FPath, LastError());
}

void TTempFile::SetTimes(FileTime modified) {
    FHandle->time = ToTimespec(modified);
    FHandle->hasTime = true;
}

void TTempFile::Close() {
    if (FHandle->fd < 0) return;
    const int fd = FHandle->fd;
    FHandle->fd = -1;
    if (FHandle->hasTime) {
        struct timespec times[2] = {{0, UTIME_OMIT}, FHandle->time};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0) throw FileError(FPath, LastError());
}

void TTempFile::Commit(bool durable) {
    if (FHandle->fd >= 0) {
        if (::fchmod(FHandle->fd, ModeForTarget(FTarget, FHandle->fd)) != 0)
            throw FileError(FPath, LastError());
        if (durable && ::fsync(FHandle->fd) != 0) throw FileError(FPath, LastError());
        Close();
    }
    struct stat old;
    if (::stat(FTarget.c_str(), &old) == 0 && S_ISDIR(old.st_mode))
        throw FileError(FTarget, std::make_error_code(std::errc::is_a_directory));
    if (::rename(FPath.c_str(), FTarget.c_str()) != 0) {
        // A temporary name on another file system (a folder mounted inside
        // the installation): copied over instead, as safely.
        if (errno != EXDEV) throw FileError(FTarget, LastError());
        if (std::error_code ec = ReplaceFileWith(FPath, FTarget)) throw FileError(FTarget, ec);
        ::unlink(FPath.c_str());
    }
    FCommitted = true;
    if (durable) FlushFolderOf(FTarget);
}

// ---------------------------------------------------------------------------

struct TFileReader::Handle {
    int fd = -1;
};

TFileReader::TFileReader(const std::string& path)
    : FPath(NativePath(path)), FHandle(std::make_unique<Handle>()) {
    FHandle->fd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle->fd < 0) throw FileError(FPath, LastError());
    struct stat st;
    if (::fstat(FHandle->fd, &st) != 0) throw FileError(FPath, LastError());
    if (S_ISDIR(st.st_mode))
        throw FileError(FPath, std::make_error_code(std::errc::is_a_directory));
    FSize = static_cast<uint64_t>(st.st_size);
    ::posix_fadvise(FHandle->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TFileReader::~TFileReader() {
    if (FHandle->fd >= 0) ::close(FHandle->fd);
}

size_t TFileReader::ReadAt(uint64_t offset, void* data, size_t count) {
    char* dst = static_cast<char*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t n =
            ::pread(FHandle->fd, dst + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(FPath, LastError());
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t TFileReader::Read(void* data, size_t count) {
    size_t n = ReadAt(FPosition, data, count);
    FPosition += n;
    return n;
}

} // namespace platform
