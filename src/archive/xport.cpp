// X-Port and SharkPort (.xps, .sps): one container. Three length-prefixed
// texts, then a payload of descriptors, each followed by its file's data,
// then a checksum of the payload.

// own
#include "container.h"

namespace quillbox::archive::detail {

namespace {

constexpr std::size_t kDescriptorSize = 250;

Entry entry_at(std::span<const std::uint8_t> d)
{
    // The mode alone is big-endian.
    return {name_at(d, 0x02, 64),
            static_cast<std::uint16_t>(d[0x4E] << 8 | d[0x4F]),
            time_at(d, 0x52),
            time_at(d, 0x5A),
            {}};
}

}  // namespace

Save read_xport(std::span<const std::uint8_t> bytes)
{
    const Reader file(Format::xport, bytes);
    std::uint64_t at = 21;  // the magic and a field no PS2 save uses
    for (const std::string what : {"the title", "the second header text", "the comment"}) {
        const std::uint32_t length = u32(file.need(at, 4, what + "'s length"), 0);
        file.need(at + 4, length, what);
        at += 4 + std::uint64_t{length};
    }
    const std::uint32_t length = u32(file.need(at, 4, "the payload's length"), 0);
    at += 4;
    file.need(at, std::uint64_t{length} + 4, "the payload and its checksum");
    const std::uint64_t end = at + length;
    if (end + 4 < bytes.size()) {
        fail(Error::Code::damaged, the_save(Format::xport) + " goes on for " +
                                       plural(bytes.size() - end - 4, "byte") +
                                       " after its checksum.");
    }
    const Reader payload = file.payload(at, end);
    // A Game Boy Advance save has the same magic, and no PS2 folder descriptor.
    const auto folder = payload.need(at, 2, "the folder's descriptor");
    const std::size_t folder_size = u16(folder, 0);
    if (folder_size < kDescriptorSize || folder_size > end - at || (bytes[at + 0x4F] & 0x20) == 0) {
        fail(Error::Code::unsupported, "The SharkPort save holds no PS2 save folder (it may be a "
                                       "Game Boy Advance save).");
    }
    Save save{Format::xport, entry_at(bytes.subspan(at)), {}};
    const std::uint32_t entries = u32(bytes, at + 0x42);
    if (entries < 2) {
        fail(Error::Code::damaged,
             the_save(Format::xport) + " is damaged: its folder's entry count is " +
                 std::to_string(entries) + ", less than the 2 (. and ..) of every folder.");
    }
    at += folder_size;
    for (std::uint32_t i = 0; i < entries - 2; ++i) {
        const std::string what = of_file("the descriptor", i);
        const std::size_t size = u16(payload.need(at, 2, what), 0);
        if (size < kDescriptorSize) {
            fail(Error::Code::damaged, the_save(Format::xport) + " is damaged: " + what + " has " +
                                           plural(size, "byte") + ", fewer than 250.");
        }
        const auto descriptor = payload.need(at, size, what);
        at += size;
        const std::uint32_t data_size = u32(descriptor, 0x42);
        check_limit(Format::xport, data_size, of_file("the data", i));
        const auto data = payload.need(at, data_size, of_file("the data", i));
        save.files.push_back({entry_at(descriptor), {data.begin(), data.end()}});
        at += data_size;
    }
    if (at < end) {
        fail(Error::Code::damaged, the_save(Format::xport) + "'s payload goes on for " +
                                       plural(end - at, "byte") +
                                       " after the files its folder declares.");
    }
    return save;
}

}  // namespace quillbox::archive::detail
