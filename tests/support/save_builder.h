#pragma once

// Builds save containers byte by byte, so that each test states the bytes it
// reads. Header-only; used by the tests, the benchmarks and the demo save.

// std
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quillbox::testing {

using Bytes = std::vector<std::uint8_t>;

// Puts `text` at `offset`, growing the buffer with zeros as needed.
inline void put_text(Bytes& b, std::size_t offset, const std::string& text)
{
    b.resize(std::max(b.size(), offset + text.size()));
    std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Puts an unsigned 32-bit value, least significant byte first.
inline void put_u32(Bytes& b, std::size_t offset, std::uint32_t v)
{
    put_text(b, offset, {char(v), char(v >> 8), char(v >> 16), char(v >> 24)});
}

// `b` with `text`, or a 32-bit value, put at `at`.
inline Bytes with(Bytes b, std::size_t at, const std::string& s) { return put_text(b, at, s), b; }
inline Bytes with(Bytes b, std::size_t at, std::uint32_t v) { return put_u32(b, at, v), b; }

// `size` zero bytes with texts and little-endian numbers put in.
inline Bytes build(std::size_t size, const std::vector<std::pair<std::size_t, std::string>>& texts,
                   const std::vector<std::pair<std::size_t, std::uint32_t>>& numbers)
{
    Bytes b(size);
    for (const auto& [at, text] : texts) {
        put_text(b, at, text);
    }
    for (const auto& [at, number] : numbers) {
        put_u32(b, at, number);
    }
    return b;
}

// A whole X-Port save, as the archive reader reads it, of folder "F" holding
// "a" ("xy"): three texts, then the payload from 43: the folder's descriptor
// (name at 45), the file's, its data.
inline Bytes xport()
{
    // clang-format off
    return build(549, {{4, "SharkPortSave"}, {25, "Tt"}, {31, "Dd"}, {37, "Cc"}, {45, "F"}, {121, "\x84\x27"},
                       {295, "a"}, {371, "\x84\x97"}, {543, "xy"}},
                 {{0, 13}, {21, 2}, {27, 2}, {33, 2}, {39, 502}, {43, 250}, {109, 3}, {293, 250}, {359, 2}});
    // clang-format on
}

struct Section {
    std::string name;
    Bytes data;
};

// A section whose data are `size` bytes counting up from `seed`.
inline Section section(std::string name, std::size_t size, std::uint8_t seed = 1)
{
    Section s{std::move(name), Bytes(size)};
    std::iota(s.data.begin(), s.data.end(), seed);
    return s;
}

// EMS (.psu): directory name at 64, entries from 1536; each entry has its
// length at E+4, its name at E+64 and its data at E+512, padded to 1024.
inline Bytes ems_save(const std::string& directory, const std::vector<Section>& sections)
{
    Bytes b(1536);
    put_text(b, 64, directory);
    for (const Section& s : sections) {
        const std::size_t e = b.size();
        put_u32(b, e + 4, static_cast<std::uint32_t>(s.data.size()));
        put_text(b, e + 64, s.name);
        put_text(b, e + 512, std::string(s.data.begin(), s.data.end()));
        b.resize(e + 512 + (s.data.size() + 1023) / 1024 * 1024);
    }
    return b;
}

struct XportHeader {
    std::uint8_t variant = 0;  // byte 17; 1 marks a V1 save with the V2 header
    std::string block1 = "Rez ", block2 = "Made with a test", block3 = {};
};

inline XportHeader with_variant(std::uint8_t variant) { return {variant}; }

// Xport (.xps): three length-prefixed blocks from 21 ending at H, then the
// directory name at H+6 and entries from H+256: name at N, length at N+64,
// data at N+248, two trailing bytes.
inline Bytes xport_save(const std::string& directory, const std::vector<Section>& sections,
                        const XportHeader& h = {})
{
    Bytes b(21);
    put_text(b, 4, "SharkPortSave");
    b[17] = h.variant;
    for (const std::string* block : {&h.block1, &h.block2, &h.block3}) {
        put_u32(b, b.size(), static_cast<std::uint32_t>(block->size()));
        put_text(b, b.size(), *block);
    }
    const std::size_t header_end = b.size();
    put_text(b, header_end + 6, directory);
    b.resize(header_end + 256);
    for (const Section& s : sections) {
        const std::size_t n = b.size();
        put_text(b, n, s.name);
        put_u32(b, n + 64, static_cast<std::uint32_t>(s.data.size()));
        put_text(b, n + 248, std::string(s.data.begin(), s.data.end()) + std::string(2, '\0'));
    }
    return b;
}

inline void write_file(const std::filesystem::path& path, const Bytes& b)
{
    const auto* bytes = reinterpret_cast<const char*>(b.data());
    if (!std::ofstream(path, std::ios::binary).write(bytes, std::streamsize(b.size()))) {
        throw std::runtime_error("could not write " + path.string());
    }
}

inline Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillbox::testing
