// CodeBreaker (.cbs): a header with the folder's fields, then a body that
// is a zlib stream of the files, encrypted with RC4 from a fixed state.

// own
#include "coders.h"
#include "container.h"

// std
#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include <zlib.h>

namespace quillbox::archive {

namespace {

// The state RC4 starts from, as it stands: no key schedule runs.
constexpr std::array<std::uint8_t, 256> kInitialState = {
    0x5F, 0x1F, 0x85, 0x6F, 0x31, 0xAA, 0x3B, 0x18, 0x21, 0xB9, 0xCE, 0x1C, 0x07, 0x4C, 0x9C, 0xB4,
    0x81, 0xB8, 0xEF, 0x98, 0x59, 0xAE, 0xF9, 0x26, 0xE3, 0x80, 0xA3, 0x29, 0x2D, 0x73, 0x51, 0x62,
    0x7C, 0x64, 0x46, 0xF4, 0x34, 0x1A, 0xF6, 0xE1, 0xBA, 0x3A, 0x0D, 0x82, 0x79, 0x0A, 0x5C, 0x16,
    0x71, 0x49, 0x8E, 0xAC, 0x8C, 0x9F, 0x35, 0x19, 0x45, 0x94, 0x3F, 0x56, 0x0C, 0x91, 0x00, 0x0B,
    0xD7, 0xB0, 0xDD, 0x39, 0x66, 0xA1, 0x76, 0x52, 0x13, 0x57, 0xF3, 0xBB, 0x4E, 0xE5, 0xDC, 0xF0,
    0x65, 0x84, 0xB2, 0xD6, 0xDF, 0x15, 0x3C, 0x63, 0x1D, 0x89, 0x14, 0xBD, 0xD2, 0x36, 0xFE, 0xB1,
    0xCA, 0x8B, 0xA4, 0xC6, 0x9E, 0x67, 0x47, 0x37, 0x42, 0x6D, 0x6A, 0x03, 0x92, 0x70, 0x05, 0x7D,
    0x96, 0x2F, 0x40, 0x90, 0xC4, 0xF1, 0x3E, 0x3D, 0x01, 0xF7, 0x68, 0x1E, 0xC3, 0xFC, 0x72, 0xB5,
    0x54, 0xCF, 0xE7, 0x41, 0xE4, 0x4D, 0x83, 0x55, 0x12, 0x22, 0x09, 0x78, 0xFA, 0xDE, 0xA7, 0x06,
    0x08, 0x23, 0xBF, 0x0F, 0xCC, 0xC1, 0x97, 0x61, 0xC5, 0x4A, 0xE6, 0xA0, 0x11, 0xC2, 0xEA, 0x74,
    0x02, 0x87, 0xD5, 0xD1, 0x9D, 0xB7, 0x7E, 0x38, 0x60, 0x53, 0x95, 0x8D, 0x25, 0x77, 0x10, 0x5E,
    0x9B, 0x7F, 0xD8, 0x6E, 0xDA, 0xA2, 0x2E, 0x20, 0x4F, 0xCD, 0x8F, 0xCB, 0xBE, 0x5A, 0xE0, 0xED,
    0x2C, 0x9A, 0xD4, 0xE2, 0xAF, 0xD0, 0xA9, 0xE8, 0xAD, 0x7A, 0xBC, 0xA8, 0xF2, 0xEE, 0xEB, 0xF5,
    0xA6, 0x99, 0x28, 0x24, 0x6C, 0x2B, 0x75, 0x5D, 0xF8, 0xD3, 0x86, 0x17, 0xFB, 0xC0, 0x7B, 0xB3,
    0x58, 0xDB, 0xC7, 0x4B, 0xFF, 0x04, 0x50, 0xE9, 0x88, 0x69, 0xC9, 0x2A, 0xAB, 0xFD, 0x5B, 0x1B,
    0x8A, 0xD9, 0xEC, 0x27, 0x44, 0x0E, 0x33, 0xC8, 0x6B, 0x93, 0x32, 0x48, 0xB6, 0x30, 0x43, 0xA5,
};

bool zlib_header(std::span<const std::uint8_t> b)
{
    return b.size() >= 2 && (b[0] & 0x0F) == 8 && (b[0] >> 4) <= 7 && (b[0] << 8 | b[1]) % 31 == 0;
}

[[noreturn]] void damaged(const std::string& why)
{
    detail::fail(Error::Code::damaged, detail::the_save(Format::cbs) + " is damaged: its " + why);
}

}  // namespace

void codebreaker_crypt(std::span<std::uint8_t> bytes)
{
    std::array<std::uint8_t, 256> s = kInitialState;
    unsigned i = 0;
    unsigned j = 0;
    for (std::uint8_t& b : bytes) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        b ^= s[(s[i] + s[j]) & 0xFF];
    }
}

Decoded zlib_inflate(std::span<const std::uint8_t> in, std::size_t size,
                     std::vector<std::uint8_t>& out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        throw std::bad_alloc();
    }
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    z.next_in = const_cast<Bytef*>(in.data());  // zlib's interface lacks the const
    z.avail_in = static_cast<uInt>(in.size());
    out.assign(std::min<std::size_t>(size, 1U << 16), 0);
    std::size_t n = 0;
    for (;;) {
        if (n == out.size() && n < size) {
            out.resize(std::min(size, 2 * n));
        }
        // One byte past the declared size shows a stream that goes on.
        std::uint8_t spare = 0;
        const bool full = n == size;
        const std::size_t room = full ? 1 : out.size() - n;
        z.next_out = full ? &spare : out.data() + n;
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t made = room - z.avail_out;
        if (full && made > 0) {
            return Decoded::runs_long;
        }
        n += made;
        switch (rc) {
        case Z_OK: continue;
        case Z_STREAM_END:
            return n < size         ? Decoded::ends_early
                   : z.avail_in > 0 ? Decoded::runs_long
                                    : Decoded::exact;
        case Z_BUF_ERROR: return Decoded::ends_early;  // no input left
        case Z_MEM_ERROR: throw std::bad_alloc();
        default: return Decoded::corrupt;
        }
    }
}

namespace detail {

Save read_cbs(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kHeaderSize = 0x128;
    constexpr std::size_t kFileHeaderSize = 64;
    const Reader file(Format::cbs, bytes);
    const auto header = file.need(0, kHeaderSize, "the header");
    const std::uint32_t body_at = u32(header, 0x08);
    if (body_at < kHeaderSize) {
        fail(Error::Code::damaged, the_save(Format::cbs) + " is damaged: its header length " +
                                       std::to_string(body_at) +
                                       " is shorter than the 296 bytes of its fields.");
    }
    file.need(0, body_at, "the header");
    // The compressed size at 0x10 is not to be trusted: the body runs to the end.
    const std::uint32_t size = u32(header, 0x0C);
    check_limit(Format::cbs, size, "its file stream");
    const auto raw = bytes.subspan(body_at);
    std::vector<std::uint8_t> body(raw.begin(), raw.end());
    codebreaker_crypt(body);
    if (!zlib_header(body)) {
        damaged(zlib_header(raw) ? "body is not encrypted, as every CodeBreaker save's is."
                                 : "body does not decrypt to a zlib stream.");
    }
    std::vector<std::uint8_t> stream;
    switch (zlib_inflate(body, size, stream)) {
    case Decoded::exact: break;
    case Decoded::ends_early: damaged("compressed stream ends early.");
    case Decoded::runs_long:
        damaged("compressed stream goes on past the " + plural(size, "byte") + " it declares.");
    case Decoded::corrupt: damaged("compressed stream is corrupt.");
    }
    std::uint16_t mode = static_cast<std::uint16_t>(u32(header, 0x48));
    if ((mode & 0x20) == 0) {
        mode = 0x8427;  // as other readers do: some writers leave the field empty
    }
    Save save{Format::cbs,
              {name_at(header, 0x14, 32), mode, time_at(header, 0x34), time_at(header, 0x3C), {}},
              {}};
    const Reader in(Format::cbs, stream, Reader::Kind::stream);
    std::uint64_t at = 0;
    for (std::size_t i = 0; at < stream.size(); ++i) {
        const auto h = in.need(at, kFileHeaderSize, of_file("the header", i));
        const auto data = in.need(at + kFileHeaderSize, u32(h, 0x10), of_file("the data", i));
        save.files.push_back({{name_at(h, 0x20, 32),
                               static_cast<std::uint16_t>(u32(h, 0x14)),
                               time_at(h, 0),
                               time_at(h, 8),
                               {}},
                              {data.begin(), data.end()}});
        at += kFileHeaderSize + data.size();
    }
    return save;
}

}  // namespace detail

}  // namespace quillbox::archive
