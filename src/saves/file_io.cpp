// own
#include "file_io.h"

// std
#include <atomic>
#include <cerrno>
#include <random>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

// The errno of the call that has just failed. Callers clear errno before the
// call, since not every C runtime sets it for every failure.
int last_error() { return errno != 0 ? errno : EIO; }

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

// A short name of fixed length, so that any name the folder can hold can be
// replaced; hidden on Linux.
fs::path temporary_in(const fs::path& folder)
{
    static std::mt19937_64 rng{std::random_device{}()};
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = ".quillbox-";
    for (std::uint64_t bits = rng(), i = 0; i < 8; ++i, bits >>= 4) {
        name += kDigits[bits & 15];
    }
    return folder / name;
}

// Why a target that exists cannot be replaced by a file, or nothing when it can.
std::optional<std::string> not_replaceable(fs::file_type type)
{
    switch (type) {
    case fs::file_type::regular:
    case fs::file_type::not_found: return std::nullopt;
    case fs::file_type::directory: return errno_reason(EISDIR);
    case fs::file_type::block:
    case fs::file_type::character: return "it is a device, not a file";
    case fs::file_type::fifo: return "it is a pipe, not a file";
    case fs::file_type::socket: return "it is a socket, not a file";
    default: return "it is not a plain file";
    }
}

std::atomic<FlushFunction> g_flush{flush_to_device};

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
        save.failure = save_failure(path, errno_reason(last_error()));
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
    if (out_) {
        out_.reset();
        std::error_code ec;
        fs::remove(temporary_, ec);
    }
}

std::string Replacement::failure(std::string_view reason) const
{
    return "The file \"" + to_utf8(target_) + "\" could not be written: " + std::string(reason) +
           ".";
}

std::string Replacement::failure(int err) const
{
    return failure(err == ENOENT ? "its folder does not exist" : errno_reason(err));
}

std::optional<std::string> Replacement::check()
{
    if (checked_) {
        return refusal_;
    }
    checked_ = true;
    // The new file goes where the links lead, as the links' own folders may
    // say; 40 links as the kernel allows.
    file_ = target_;
    std::error_code ec;
    for (int links = 0; fs::is_symlink(fs::symlink_status(file_, ec)); ++links) {
        fs::path next = fs::read_symlink(file_, ec);
        if (ec || links == 40) {
            return refusal_ = failure(ec ? ec.value() : ELOOP);
        }
        file_ = next.is_absolute() ? std::move(next) : file_.parent_path() / next;
    }
    const fs::file_status status = fs::status(file_, ec);
    if (ec && status.type() != fs::file_type::not_found) {
        return refusal_ = failure(ec.value());
    }
    if (std::optional<std::string> reason = not_replaceable(status.type())) {
        return refusal_ = failure(*reason);
    }
#ifndef _WIN32
    struct stat st {};
    if (status.type() == fs::file_type::regular && ::stat(file_.c_str(), &st) == 0) {
        replaces_ = true;
        owner_ = st.st_uid;
        group_ = st.st_gid;
        mode_ = st.st_mode & 07777;
    }
#endif
    return std::nullopt;
}

// 0, or the errno of the last of a few tries with fresh names.
int Replacement::make_temporary()
{
    for (int attempt = 0; attempt < 16 && !out_; ++attempt) {
        temporary_ = temporary_in(file_.parent_path());
        errno = 0;
        out_ = open_file(temporary_, true);
        if (!out_ && errno != EEXIST) {
            break;
        }
    }
    if (!out_) {
        return last_error();
    }
#ifndef _WIN32
    // Best effort: the group where we belong to it, the owner only as root;
    // a file of our own can always take the old mode (last, as a change of
    // owner clears set-id bits).
    if (replaces_) {
        const int fd = fileno(out_.get());
        [[maybe_unused]] int ignored = fchown(fd, static_cast<uid_t>(-1), group_);
        ignored = fchown(fd, owner_, static_cast<gid_t>(-1));
        fchmod(fd, static_cast<mode_t>(mode_));
    }
#endif
    return 0;
}

void Replacement::reserve([[maybe_unused]] std::size_t size)
{
#ifdef __linux__
    // The size stays 0 until the write, and a file system that cannot
    // reserve simply says so.
    if (!check() && make_temporary() == 0) {
        fallocate(fileno(out_.get()), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    }
#endif
}

std::optional<std::string> Replacement::commit(const char* data, std::size_t size)
{
    if (std::optional<std::string> refusal = check()) {
        return refusal;
    }
    if (!out_) {
        if (const int err = make_temporary(); err != 0) {
            return failure(err);
        }
    }
    errno = 0;
    const bool written = (size == 0 || std::fwrite(data, 1, size, out_.get()) == size) &&
                         std::fflush(out_.get()) == 0;
    int err = written ? g_flush.load()(fileno(out_.get())) : last_error();
    const bool closed = std::fclose(out_.release()) == 0;
    if (err == 0 && !closed) {
        err = last_error();
    }
    std::error_code ec;
    if (err != 0) {
        fs::remove(temporary_, ec);
        return failure(err);
    }
#ifdef _WIN32
    // MoveFileEx, as std::filesystem::rename would, but with Windows' own
    // error code, which tells a target in use from one we may not replace;
    // and written through, so that the new name is on the disk when it returns.
    if (!MoveFileExW(temporary_.c_str(), file_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        int rename_err = errno_of(GetLastError(), EIO);
        if (rename_err == EACCES && held_open_elsewhere(file_)) {
            rename_err = EBUSY;
        }
        fs::remove(temporary_, ec);
        return failure(rename_err);
    }
#else
    fs::rename(temporary_, file_, ec);
    if (ec) {
        const int rename_err = ec.value();
        fs::remove(temporary_, ec);
        return failure(rename_err);
    }
    // The rename itself lives in the folder. Best effort: the file is in
    // place either way, and some file systems cannot flush a folder.
    const fs::path folder = file_.parent_path().empty() ? fs::path(".") : file_.parent_path();
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        g_flush.load()(fd);
        ::close(fd);
    }
#endif
    return std::nullopt;
}

int flush_to_device(int fd)
{
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return FlushFileBuffers(handle) ? 0 : errno_of(GetLastError(), EIO);
#else
    return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

FlushFunction set_flush(FlushFunction flush) { return g_flush.exchange(flush); }

std::optional<std::string> write_file_atomically(const fs::path& target, const char* data,
                                                 std::size_t size)
{
    return Replacement(target).commit(data, size);
}

}  // namespace quillbox::saves
