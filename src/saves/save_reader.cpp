// own
#include "save_reader.h"
#include "load_error.h"
#include "messages.h"

// std
#include <algorithm>
#include <limits>

namespace quillbox::saves {

namespace fs = std::filesystem;

SaveReader::SaveReader(const fs::path& path) : path_(path)
{
    OpenedSave save = open_save_file(path);
    if (!save.file) {
        throw LoadError(LoadError::Code::unreadable, save.failure);
    }
    file_ = std::move(save.file);
    size_ = save.size;
    reopen();
}

SaveReader::SaveReader(std::span<const std::uint8_t> bytes)
    : memory_(bytes.data()), size_(static_cast<std::int64_t>(bytes.size()))
{
    reopen();
}

void SaveReader::load_block(std::int64_t block_start)
{
    const std::int64_t wanted = std::min(kBlockSize, size_ - block_start);
    std::size_t got = 0;
    // Offsets past 2^31 never get here on systems with a 32-bit long: every
    // position the builders compute is a signed 32-bit value.
    if (std::fseek(file_.get(), static_cast<long>(block_start), SEEK_SET) == 0) {
        got = std::fread(block_.data(), 1, static_cast<std::size_t>(wanted), file_.get());
    }
    if (got != static_cast<std::size_t>(wanted)) {
        block_start_ = -1;
        throw LoadError(LoadError::Code::unreadable, read_failure(path_));
    }
    block_start_ = block_start;
    block_size_ = wanted;
}

std::uint8_t SaveReader::read_byte(std::int64_t offset)
{
    if (offset >= size_) {
        exhausted_ = true;
        return 0;
    }
    exhausted_ = false;
    if (!file_) {
        return memory_[offset];
    }
    if (offset < block_start_ || offset >= block_start_ + block_size_) {
        load_block(offset - offset % kBlockSize);
    }
    return block_[static_cast<std::size_t>(offset - block_start_)];
}

std::string SaveReader::read_hex_field(std::int64_t end)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::int64_t o = end - 1; o >= end - 4; --o) {
        const std::uint8_t b = read_byte(o);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

SaveReader::Name SaveReader::read_name(std::int64_t offset, std::optional<int> limit)
{
    Name name;
    std::uint8_t previous = 1;
    int count = 0;
    while (previous != 0) {
        if (offset > std::numeric_limits<std::int32_t>::max()) {
            throw LoadError(LoadError::Code::position_overflow, messages::kMayBeCorrupt);
        }
        const std::uint8_t b = read_byte(offset);
        if (b != 0) {
            name.bytes += static_cast<char>(b);
        }
        ++offset;
        ++count;
        if (limit && count > *limit && b != 0) {
            name.limit_exceeded = true;
            return name;
        }
        previous = b;
    }
    return name;
}

std::optional<std::uint64_t> hex_to_number(std::string_view hex)
{
    if (hex.empty()) {
        return std::nullopt;
    }
    std::uint64_t total = 0;
    unsigned exponent = 0;
    while (!hex.empty()) {
        const std::size_t take = std::min<std::size_t>(7, hex.size());
        const std::string_view group = hex.substr(hex.size() - take);
        hex.remove_suffix(take);
        std::uint64_t value = 0;
        for (const char c : group) {
            unsigned digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<unsigned>(c - '0');
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<unsigned>(c - 'A' + 10);
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<unsigned>(c - 'a' + 10);
            } else {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        if (value != 0) {
            // A group at 16^k must not carry the total past 64 bits.
            if (exponent >= 64 || (value << exponent) >> exponent != value ||
                total > std::numeric_limits<std::uint64_t>::max() - (value << exponent)) {
                return std::nullopt;
            }
            total += value << exponent;
        }
        exponent += 28;
    }
    return total;
}

}  // namespace quillbox::saves
