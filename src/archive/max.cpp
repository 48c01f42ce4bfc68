// Action Replay MAX (.max): a fixed header, then one LZARI stream of the
// files, each a length and a name before its data, the next starting at
// 8 mod 16. No modes and no times are stored.

// own
#include "coders.h"
#include "container.h"

namespace quillbox::archive::detail {

Save read_max(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kHeaderSize = 0x5C;
    constexpr std::size_t kFileHeaderSize = 36;
    const auto header = Reader(Format::max, bytes).need(0, kHeaderSize, "the header");
    const std::uint32_t files = u32(header, 0x54);
    // The stream runs to the end of the file: the size at 0x50 is not to be trusted.
    const std::uint32_t size = u32(header, 0x58);
    check_limit(Format::max, size, "its file stream");
    std::vector<std::uint8_t> stream;
    const Decoded decoded = lzari_decode(bytes.subspan(kHeaderSize), size, stream);
    if (decoded != Decoded::exact) {
        fail(Error::Code::damaged,
             the_save(Format::max) + " is damaged: its LZARI stream " +
                 (decoded == Decoded::ends_early ? "ends before" : "goes on past") + " the " +
                 plural(size, "byte") + " it declares.");
    }
    Save save{Format::max, {name_at(header, 0x10, 32), {}, {}, {}, {}}, {}};
    const Reader in(Format::max, stream, Reader::Kind::stream);
    std::uint64_t at = 0;
    for (std::uint32_t i = 0; i < files; ++i) {
        const auto h = in.need(at, kFileHeaderSize, of_file("the header", i));
        const auto data = in.need(at + kFileHeaderSize, u32(h, 0), of_file("the data", i));
        File& file = save.files.emplace_back();
        file.name = name_at(h, 4, 32);
        file.data.assign(data.begin(), data.end());
        const std::uint64_t end = at + kFileHeaderSize + data.size();
        at = (end + 8 + 15) / 16 * 16 - 8;
    }
    if (size > at) {
        fail(Error::Code::damaged, the_save(Format::max) + "'s file stream goes on for " +
                                       plural(size - at, "byte") +
                                       " after the files its header declares.");
    }
    return save;
}

}  // namespace quillbox::archive::detail
