#include "platform/Files.h"

#include "platform/Paths.h"

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

} // namespace

FileError::FileError(const std::string& path, std::error_code ec)
    : std::runtime_error(path + ": " + ec.message()), FPath(path), FCode(ec) {}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
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

std::error_code CopyFileOver(const std::string& source, const std::string& target,
                             bool makeExecutable) {
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

void WriteFileAtomic(const std::string& path, const std::string& data) {
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
    std::string folder = ExtractFilePath(path);
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) ::fsync(dir.fd);
}

std::error_code ReplaceFileWith(const std::string& source, const std::string& target,
                                bool makeExecutable) {
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

std::error_code MoveFileOver(const std::string& source, const std::string& target) {
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
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool CreateFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(path));
}

bool SetExecutable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    return ::chmod(path.c_str(), mode | ((mode & 0444) >> 2)) == 0;
}

bool GetFileModificationTime(const std::string& path, FileTime& time) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    time = FileTime(std::chrono::duration_cast<FileTime::duration>(
        std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    return true;
}

bool SetFileModificationTime(const std::string& path, FileTime time) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_nsec += 1000000000;
        times[1].tv_sec -= 1;
    }
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

} // namespace platform
