// own
#include "file_io.h"

// std
#include <cerrno>
#include <random>
#include <system_error>

namespace quillbox::saves {

namespace fs = std::filesystem;

fs::path to_path(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

namespace {

std::string display(const fs::path& path)
{
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string errno_reason(int err)
{
    switch (err) {
    case ENOENT:
        return "the file does not exist";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EISDIR:
        return "it is a folder";
    case ENOSPC:
        return "the disk is full";
    case EROFS:
        return "the disk is read-only";
    default:
        return std::generic_category().message(err);
    }
}

File open_file(const fs::path& path, bool for_writing)
{
#ifdef _WIN32
    std::FILE* f = _wfopen(path.c_str(), for_writing ? L"wbx" : L"rb");
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

}  // namespace

File open_for_reading(const fs::path& path)
{
    std::error_code ec;
    // fopen happily opens a folder on some systems; refuse it up front.
    if (fs::is_directory(path, ec)) {
        errno = EISDIR;
        return nullptr;
    }
    return open_file(path, false);
}

std::string read_failure(std::string_view what, const fs::path& path, std::string_view reason)
{
    return std::string(what) + " \"" + display(path) + "\" could not be read: " +
           std::string(reason) + ".";
}

std::string open_failure_reason(const fs::path& path, int saved_errno)
{
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) {
        return errno_reason(ENOENT);
    }
    if (st.type() == fs::file_type::directory) {
        return errno_reason(EISDIR);
    }
    return errno_reason(saved_errno != 0 ? saved_errno : EIO);
}

std::optional<std::string> write_file_atomically(const fs::path& target, const char* data,
                                                 std::size_t size)
{
    const auto fail = [&](int err) {
        return "The file \"" + display(target) + "\" could not be written: " + errno_reason(err) +
               ".";
    };

    fs::path tmp;
    File out;
    for (int attempt = 0; attempt < 16 && !out; ++attempt) {
        tmp = temporary_beside(target);
        errno = 0;
        out = open_file(tmp, true);
        if (!out && errno != EEXIST) {
            break;
        }
    }
    if (!out) {
        return fail(errno != 0 ? errno : EIO);
    }

    errno = 0;
    const bool written = (size == 0 || std::fwrite(data, 1, size, out.get()) == size) &&
                         std::fflush(out.get()) == 0;
    int err = errno;
    const bool closed = std::fclose(out.release()) == 0;
    if (err == 0) {
        err = errno;
    }
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(tmp, ec);
        return fail(err != 0 ? err : EIO);
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        const int rename_err = ec.value();
        fs::remove(tmp, ec);
        return fail(rename_err);
    }
    return std::nullopt;
}

}  // namespace quillbox::saves
