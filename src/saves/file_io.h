#pragma once

// std
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::saves {

// Paths travel through the state record as UTF-8 text.
std::filesystem::path to_path(std::string_view utf8);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading raw bytes, unbuffered: callers read in blocks of
// their own. Returns nothing when it cannot be opened; see open_failure().
File open_for_reading(const std::filesystem::path& path);

// Why `path` cannot be read, as a sentence naming it:
// The save "x.psu" could not be read: the file does not exist.
std::string read_failure(std::string_view what, const std::filesystem::path& path,
                         std::string_view reason);
// The reason a file cannot be opened for reading, worked out after the fact.
std::string open_failure_reason(const std::filesystem::path& path, int saved_errno);

// Writes `size` bytes to `target` through a temporary file beside it that is
// renamed over the target, so a failure leaves the old target untouched and no
// temporary file behind. Returns the message to show on failure, or nothing.
std::optional<std::string> write_file_atomically(const std::filesystem::path& target,
                                                 const char* data, std::size_t size);

}  // namespace quillbox::saves
