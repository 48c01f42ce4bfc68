#pragma once

// own
#include "file_io.h"

// std
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace quillbox::saves {

// A save opened read-only, read at 0-based offsets through a small block
// cache, with the exhausted mark: whether the most recent byte read lay past
// the end of the file. Reads past the end return 0; they are never errors.
// The bytes may also be given in memory, which reads them the same way.
class SaveReader {
public:
    // Throws LoadError(unreadable) when the file cannot be opened.
    explicit SaveReader(const std::filesystem::path& path);
    // Reads `bytes`, which must outlive the reader, as if they were a file.
    explicit SaveReader(std::span<const std::uint8_t> bytes);

    [[nodiscard]] std::int64_t size() const { return size_; }
    [[nodiscard]] bool exhausted() const { return exhausted_; }

    // What closing and opening the save again does to the mark: clear for a
    // non-empty file, set for an empty one.
    void reopen() { exhausted_ = size_ == 0; }

    // The byte at `offset` (never negative), or 0 past the end.
    std::uint8_t read_byte(std::int64_t offset);

    // The 4-byte field that ends just before `end`, read from end-1 down to
    // end-4, as 8 upper-case hex digits in that order.
    std::string read_hex_field(std::int64_t end);

    struct Name {
        std::string bytes;  // single-byte text as stored
        bool limit_exceeded = false;
    };
    // The zero-terminated name at `offset`; with a limit, a name that has a
    // non-zero byte after `limit` characters is reported as exceeded.
    Name read_name(std::int64_t offset, std::optional<int> limit = std::nullopt);

private:
    static constexpr std::int64_t kBlockSize = 4096;

    void load_block(std::int64_t block_start);

    std::filesystem::path path_;
    File file_;  // null when reading from memory_
    const std::uint8_t* memory_ = nullptr;
    std::int64_t size_ = 0;
    bool exhausted_ = false;
    std::array<std::uint8_t, kBlockSize> block_{};
    std::int64_t block_start_ = -1;
    std::int64_t block_size_ = 0;
};

// The unsigned value of a hexadecimal text (digits in either case), taken in
// groups of seven digits from the right. Nothing for an empty text, a
// non-digit or a value beyond 64 bits.
std::optional<std::uint64_t> hex_to_number(std::string_view hex);

}  // namespace quillbox::saves
