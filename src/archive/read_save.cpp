// own
#include "archive.h"
#include "container.h"

// std
#include <algorithm>
#include <cstdio>
#include <new>

namespace quillbox::archive {

namespace detail {

std::string the_save(Format format)
{
    static constexpr const char* kNames[] = {"EMS", "X-Port", "MAX", "CodeBreaker", "PSV"};
    return std::string("The ") + kNames[static_cast<int>(format)] + " save";
}

void fail(Error::Code code, std::string message) { throw Failure{{code, std::move(message)}}; }

void check_limit(Format format, std::uint64_t size, const std::string& what)
{
    if (size > kSizeLimit) {
        fail(Error::Code::too_large, the_save(format) + " declares " + std::to_string(size) +
                                         " bytes for " + what + ", more than the 32 MiB limit.");
    }
}

Reader Reader::payload(std::uint64_t begin, std::uint64_t end) const
{
    Reader r(format_, bytes_.subspan(begin, end - begin), Kind::payload);
    r.begin_ = begin;
    return r;
}

std::span<const std::uint8_t> Reader::need(std::uint64_t offset, std::uint64_t length,
                                           const std::string& what) const
{
    if (length == 0) {
        return {};  // wherever a zero-length file is said to lie, it is all there
    }
    if (offset >= begin_ && offset <= end() && length <= end() - offset) {
        return bytes_.subspan(offset - begin_, length);
    }
    const std::string needs = what + " needs bytes " + std::to_string(offset) + " to " +
                              std::to_string(offset + length - 1);
    const std::string has = std::to_string(end());
    if (kind_ == Kind::file) {
        fail(Error::Code::damaged, the_save(format_) + " is cut short: " + needs +
                                       ", but the file has only " + has + " bytes.");
    }
    fail(Error::Code::damaged,
         the_save(format_) + " is damaged: " + needs +
             (kind_ == Kind::payload ? ", but its payload ends before byte " + has + "."
                                     : " of its file stream, which has only " + has + " bytes."));
}

std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint32_t{u16(b, at)} | std::uint32_t{u16(b, at + 2)} << 16;
}

Time time_at(std::span<const std::uint8_t> b, std::size_t at)
{
    return {b[at], b[at + 1], b[at + 2], b[at + 3], b[at + 4], b[at + 5], u16(b, at + 6)};
}

std::string name_at(std::span<const std::uint8_t> b, std::size_t at, std::size_t size)
{
    const auto field = b.subspan(at, size);
    return {field.begin(), std::find(field.begin(), field.end(), 0)};
}

std::string plural(std::uint64_t n, const char* noun)
{
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string of_file(const char* what, std::size_t index)
{
    return std::string(what) + " of file " + std::to_string(index + 1);
}

}  // namespace detail

Result<Save> read_save(std::span<const std::uint8_t> bytes)
{
    using namespace detail;
    const auto starts = [&](std::string_view magic) {
        return bytes.size() >= magic.size() &&
               std::equal(magic.begin(), magic.end(), bytes.begin(),
                          [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
    };
    try {
        if (bytes.size() > kSizeLimit) {
            return Error{Error::Code::too_large,
                         "The file has " + std::to_string(bytes.size()) +
                             " bytes, more than the 32 MiB limit for a save."};
        }
        if (starts("Ps2PowerSave")) {
            return read_max(bytes);
        }
        if (starts({"CFU\0", 4})) {
            return read_cbs(bytes);
        }
        if (starts({"\0VSP", 4})) {
            return read_psv(bytes);
        }
        if (starts({"\x0D\0\0\0SharkPortSave", 17})) {
            return read_xport(bytes);
        }
        if (looks_like_ems(bytes)) {
            return read_ems(bytes);
        }
        return Error{Error::Code::unknown_format,
                     "This is not a PS2 save in a container Quillbox reads (EMS, X-Port or "
                     "SharkPort, Action Replay MAX, CodeBreaker, PS3 PSV)."};
    } catch (const Failure& failure) {
        return failure.error;
    } catch (const std::bad_alloc&) {
        return Error{Error::Code::too_large, "There is not enough memory to read this save."};
    }
}

std::string_view format_name(Format format)
{
    static constexpr std::string_view kNames[] = {"ems", "xport", "max", "cbs", "psv"};
    return kNames[static_cast<int>(format)];
}

std::string format_time(const Time& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.year},
                  unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                  unsigned{t.second});
    return text;
}

}  // namespace quillbox::archive
