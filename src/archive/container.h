#pragma once

// What the five container readers share: checked reading of fields, and the
// failure that read_save turns into an Error.

// own
#include "archive.h"

// std
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillbox::archive::detail {

// Thrown inside the library only; read_save returns its error.
struct Failure {
    Error error;
};

// "The MAX save ..." and the like.
std::string the_save(Format format);

[[noreturn]] void fail(Error::Code code, std::string message);

// Refuses a size beyond kSizeLimit, before anything is allocated for it.
void check_limit(Format format, std::uint64_t size, const std::string& what);

// The bytes of a container, of the payload inside it, or of a decompressed
// stream, each handed out only after a check that they are all there.
class Reader {
public:
    enum class Kind { file, payload, stream };

    Reader(Format format, std::span<const std::uint8_t> bytes, Kind kind = Kind::file)
        : format_(format), bytes_(bytes), kind_(kind)
    {}

    // Bytes [begin, end) of this file as its payload; offsets stay the file's.
    [[nodiscard]] Reader payload(std::uint64_t begin, std::uint64_t end) const;

    // The `length` bytes at `offset`, or a failure that says `what` needed them.
    std::span<const std::uint8_t> need(std::uint64_t offset, std::uint64_t length,
                                       const std::string& what) const;

    [[nodiscard]] std::uint64_t end() const { return begin_ + bytes_.size(); }

private:
    Format format_;
    std::span<const std::uint8_t> bytes_;
    Kind kind_;
    std::uint64_t begin_ = 0;  // the offset of bytes_[0]
};

// Fields at `at` of bytes that need() handed out.
std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at);
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at);
Time time_at(std::span<const std::uint8_t> b, std::size_t at);
// A zero-padded name field of `size` bytes: the bytes before the first zero.
std::string name_at(std::span<const std::uint8_t> b, std::size_t at, std::size_t size);

// "1 byte", "2 bytes"
std::string plural(std::uint64_t n, const char* noun);

// "the data of file 3"
std::string of_file(const char* what, std::size_t index);

Save read_ems(std::span<const std::uint8_t> bytes);
Save read_xport(std::span<const std::uint8_t> bytes);
Save read_max(std::span<const std::uint8_t> bytes);
Save read_cbs(std::span<const std::uint8_t> bytes);
Save read_psv(std::span<const std::uint8_t> bytes);

// Whether the bytes have the structure of an EMS save.
bool looks_like_ems(std::span<const std::uint8_t> bytes);

}  // namespace quillbox::archive::detail
