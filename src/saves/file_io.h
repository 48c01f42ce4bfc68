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

// Writes `size` bytes to `target` through a temporary file beside it that is
// renamed over the target, so a failure leaves the old target untouched and no
// temporary file behind. Returns the message to show on failure, or nothing.
std::optional<std::string> write_file_atomically(const std::filesystem::path& target,
                                                 const char* data, std::size_t size);

}  // namespace quillbox::saves
