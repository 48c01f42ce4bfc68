#pragma once

// std
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace quillbox::saves {

// Paths travel through the state record as UTF-8 text.
std::filesystem::path to_path(std::string_view utf8);
// And back.
std::string to_utf8(const std::filesystem::path& path);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A save opened for reading raw bytes, unbuffered (callers read in blocks of
// their own), with its size; or, when it cannot be read, the message to show,
// which names the file and the reason.
struct OpenedSave {
    File file;
    std::int64_t size = 0;
    std::string failure;
};
OpenedSave open_save_file(const std::filesystem::path& path);

// The message for a save that could be opened but not read.
std::string read_failure(const std::filesystem::path& path);

// New contents for `target`, written to a temporary file beside it that is
// renamed over the target, so a failure leaves the old target untouched and no
// temporary file behind.
class Replacement {
public:
    explicit Replacement(std::filesystem::path target);
    // Removes the temporary file unless commit() renamed it.
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // For a large `size` on Linux: makes the temporary file now and sets its
    // room aside on another thread while the caller gets the bytes ready, so
    // that the write only has to copy them. Best effort: what fails here,
    // commit() retries and reports.
    void reserve(std::size_t size);

    // Writes the bytes and renames the file over the target. Returns the
    // message to show on failure, or nothing.
    std::optional<std::string> commit(const char* data, std::size_t size);

private:
    int make_temporary();
    void finish_reserving();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    File out_;
    std::thread reserving_;
};

// Replacement(target).commit(data, size).
std::optional<std::string> write_file_atomically(const std::filesystem::path& target,
                                                 const char* data, std::size_t size);

}  // namespace quillbox::saves
