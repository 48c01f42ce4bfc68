#pragma once

// The second reader: any of the five single-save containers (EMS, X-Port or
// SharkPort, Action Replay MAX, CodeBreaker, PS3 PSV) into one model of the
// save folder and its files. Standard C++ and zlib only. No input makes it
// throw: every failure comes back as an Error with a message to show.

// std
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quillbox::archive {

enum class Format { ems, xport, max, cbs, psv };

// No save holds more: four times a whole memory card. A container, a declared
// stream or file, and a written .psu beyond it are refused before anything is
// allocated for them.
inline constexpr std::size_t kSizeLimit = std::size_t{32} << 20;

// A memory-card time as stored, all eight bytes of it: no zone, and invalid
// dates kept as they stand.
struct Time {
    std::uint8_t unused = 0;
    std::uint8_t second = 0;
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::uint16_t year = 0;
    bool operator==(const Time&) const = default;
};

// Fields of an EMS entry that only say where the save lay on its card. Read
// from EMS saves so that writing one again gives the same bytes; zero from
// every other container.
struct CardFields {
    std::uint32_t cluster = 0;
    std::uint32_t entry_index = 0;
    std::uint32_t user_attribute = 0;
    bool operator==(const CardFields&) const = default;
};

// The folder or one of its files. Empty optionals: the container stores no
// such field (MAX stores neither modes nor times).
struct Entry {
    std::string name;  // the bytes stored, up to the first zero byte
    std::optional<std::uint16_t> mode;
    std::optional<Time> created;
    std::optional<Time> modified;
    CardFields card;
    bool operator==(const Entry&) const = default;
};

struct File : Entry {
    std::vector<std::uint8_t> data;
    bool operator==(const File&) const = default;
};

struct Save {
    Format format = Format::ems;
    Entry folder;
    std::vector<File> files;  // in stored order
    bool operator==(const Save&) const = default;
};

struct Error {
    enum class Code {
        unknown_format,  // no container this reader knows
        damaged,         // cut short, a field that contradicts the bytes, a corrupt stream
        too_large,       // a size beyond kSizeLimit
        unsupported,     // a known container holding something else (PS1 PSV, GBA SharkPort)
        name_too_long,   // writing: a name the EMS header cannot hold
    };
    Code code;
    std::string message;
    bool operator==(const Error&) const = default;
};

// A value, or the Error that stands in its place.
template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    explicit operator bool() const { return v_.index() == 0; }
    const T& operator*() const& { return std::get<0>(v_); }
    T&& operator*() && { return std::get<0>(std::move(v_)); }
    const T* operator->() const { return &std::get<0>(v_); }
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

// Reads a container, told by its first bytes (EMS by its structure), never
// by a file name. Every length is checked against the bytes there are.
Result<Save> read_save(std::span<const std::uint8_t> bytes);

// The save as an EMS container (.psu): the folder's entry (its size counting
// "." and ".."), "." and "..", then each file's entry and its data padded with
// zeros to a multiple of 1024. Modes, times and card fields are carried over;
// where the source stores none, the folder gets mode 0x8427, the files 0x8497
// and every entry `when`. A name over 32 bytes, a folder mode without the
// folder bits, a file marked as a folder or a result beyond kSizeLimit is an
// error, and nothing is produced. An EMS save read and written again comes
// back byte for byte where it holds zeros in the bytes the layout leaves unused.
Result<std::vector<std::uint8_t>> write_psu(const Save& save, const Time& when);

// "ems", "xport", "max", "cbs" or "psv".
std::string_view format_name(Format format);

// "YYYY-MM-DD HH:MM:SS", the fields as stored (a month 0 stays 00).
std::string format_time(const Time& time);

}  // namespace quillbox::archive
