// own
#include "file_io.h"

// std
#include <cerrno>
#include <random>
#include <system_error>
#include <utility>

#ifdef __linux__
#include <fcntl.h>
#endif

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#endif

namespace quillbox::saves {

namespace fs = std::filesystem;

fs::path to_path(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string to_utf8(const fs::path& path)
{
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

namespace {

std::string errno_reason(int err)
{
    switch (err) {
    case ENOENT: return "the file does not exist";
    case EACCES:
    case EPERM: return "permission denied";
    case EISDIR: return "it is a folder";
    case ENOSPC: return "the disk is full";
    case EROFS: return "the disk is read-only";
    case EBUSY: return "it is in use by another program";
    default: return std::generic_category().message(err);
    }
}

#ifdef _WIN32
// The C runtime folds Windows' own reasons into fewer errno values; a file
// that another program holds open without sharing it becomes a mere EACCES.
int errno_of(DWORD error, int otherwise)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    default: return otherwise;
    }
}

// Windows answers "access denied", not "in use", when asked to replace a
// file that another program holds open; asking for the right to delete it
// tells the two apart.
bool held_open_elsewhere(const fs::path& path)
{
    HANDLE h =
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_SHARING_VIOLATION;
    }
    CloseHandle(h);
    return false;
}
#endif

File open_file(const fs::path& path, bool for_writing)
{
#ifdef _WIN32
    // Wide names, so that any name opens; and the exclusive create through
    // _O_EXCL, since not every C runtime of Windows knows fopen's "x".
    std::FILE* f = nullptr;
    if (for_writing) {
        int fd = -1;
        if (_wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO,
                      _S_IREAD | _S_IWRITE) == 0) {
            f = _fdopen(fd, "wb");
            if (f == nullptr) {
                _close(fd);
            }
        }
    } else {
        f = _wfopen(path.c_str(), L"rb");
    }
    if (f == nullptr && errno == EACCES) {
        errno = errno_of(_doserrno, EACCES);
    }
#else
    std::FILE* f = std::fopen(path.c_str(), for_writing ? "wbx" : "rb");
#endif
    if (f != nullptr) {
        std::setvbuf(f, nullptr, _IONBF, 0);
    }
    return File(f);
}

fs::path temporary_beside(const fs::path& target)
{
    static std::mt19937_64 rng{std::random_device{}()};
    fs::path tmp = target;
    tmp += ".quillbox-" + std::to_string(rng() % 1000000000U) + ".tmp";
    return tmp;
}

std::string save_failure(const fs::path& path, std::string_view reason)
{
    return "The save \"" + to_utf8(path) + "\" could not be read: " + std::string(reason) + ".";
}

}  // namespace

OpenedSave open_save_file(const fs::path& path)
{
    OpenedSave save;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    // Only plain files: a folder cannot be read, and opening a pipe or a
    // device could block forever.
    if (status.type() == fs::file_type::not_found) {
        save.failure = save_failure(path, errno_reason(ENOENT));
    } else if (status.type() == fs::file_type::directory) {
        save.failure = save_failure(path, errno_reason(EISDIR));
    } else if (ec) {
        save.failure = save_failure(path, errno_reason(ec.value()));
    } else if (status.type() != fs::file_type::regular) {
        save.failure = save_failure(path, "it is not a plain file");
    }
    if (!save.failure.empty()) {
        return save;
    }

    errno = 0;
    save.file = open_file(path, false);
    if (!save.file) {
        save.failure = save_failure(path, errno_reason(errno != 0 ? errno : EIO));
        return save;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        save.file.reset();
        save.failure = save_failure(path, errno_reason(ec.value()));
        return save;
    }
    save.size = static_cast<std::int64_t>(size);
    return save;
}

std::string read_failure(const fs::path& path)
{
    return save_failure(path, "an error occurred while reading it");
}

Replacement::Replacement(fs::path target) : target_(std::move(target)) {}

Replacement::~Replacement()
{
    finish_reserving();
    if (out_) {
        out_.reset();
        std::error_code ec;
        fs::remove(temporary_, ec);
    }
}

// 0, or the errno of the last of a few tries with fresh names.
int Replacement::make_temporary()
{
    for (int attempt = 0; attempt < 16 && !out_; ++attempt) {
        temporary_ = temporary_beside(target_);
        errno = 0;
        out_ = open_file(temporary_, true);
        if (!out_ && errno != EEXIST) {
            break;
        }
    }
    return out_ ? 0 : (errno != 0 ? errno : EIO);
}

void Replacement::reserve([[maybe_unused]] std::size_t size)
{
#ifdef __linux__
    // Below this, a thread costs more than the room it would set aside.
    constexpr std::size_t kReserveFrom = std::size_t{4} << 20;
    if (size < kReserveFrom || out_ || make_temporary() != 0) {
        return;
    }
    // Finding and allocating the room is much of a large write's time; on
    // another core it overlaps the read. The size stays 0 until the write, and
    // a file system that cannot reserve simply says so.
    try {
        reserving_ = std::thread([fd = fileno(out_.get()), size] {
            fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
        });
    } catch (const std::system_error&) {
        // No thread to be had: the write takes the room itself.
    }
#endif
}

void Replacement::finish_reserving()
{
    if (reserving_.joinable()) {
        reserving_.join();
    }
}

std::optional<std::string> Replacement::commit(const char* data, std::size_t size)
{
    const auto fail = [&](int err) {
        const std::string reason = err == ENOENT ? "its folder does not exist" : errno_reason(err);
        return "The file \"" + to_utf8(target_) + "\" could not be written: " + reason + ".";
    };

    finish_reserving();
    if (!out_) {
        if (const int err = make_temporary(); err != 0) {
            return fail(err);
        }
    }
    errno = 0;
    const bool written = (size == 0 || std::fwrite(data, 1, size, out_.get()) == size) &&
                         std::fflush(out_.get()) == 0;
    int err = errno;
    const bool closed = std::fclose(out_.release()) == 0;
    if (err == 0) {
        err = errno;
    }
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temporary_, ec);
        return fail(err != 0 ? err : EIO);
    }
#ifdef _WIN32
    // MoveFileEx, as std::filesystem::rename would, but with Windows' own
    // error code, which tells a target in use from one we may not replace.
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        int rename_err = errno_of(GetLastError(), EIO);
        if (rename_err == EACCES && held_open_elsewhere(target_)) {
            rename_err = EBUSY;
        }
        fs::remove(temporary_, ec);
        return fail(rename_err);
    }
#else
    fs::rename(temporary_, target_, ec);
    if (ec) {
        const int rename_err = ec.value();
        fs::remove(temporary_, ec);
        return fail(rename_err);
    }
#endif
    return std::nullopt;
}

std::optional<std::string> write_file_atomically(const fs::path& target, const char* data,
                                                 std::size_t size)
{
    return Replacement(target).commit(data, size);
}

}  // namespace quillbox::saves
