// own
#include "codepage.h"

// std
#include <array>
#include <cstdint>
#include <string_view>

namespace quillbox::saves {

namespace {

// The bytes 0x80 to 0x9F in UTF-8; the rest of the page is Latin-1.
// clang-format off
constexpr std::array<std::string_view, 32> kHighControls = {
    "\u20AC", "\u0081", "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021",
    "\u02C6", "\u2030", "\u0160", "\u2039", "\u0152", "\u008D", "\u017D", "\u008F",
    "\u0090", "\u2018", "\u2019", "\u201C", "\u201D", "\u2022", "\u2013", "\u2014",
    "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", "\u009D", "\u017E", "\u0178",
};
// clang-format on

}  // namespace

std::string cp1252_to_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else if (b < 0xA0) {
            out += kHighControls[b - 0x80U];
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

}  // namespace quillbox::saves
