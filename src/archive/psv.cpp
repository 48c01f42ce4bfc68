// PS3 .psv holding a PS2 save: a signed header, the folder's record, a
// record per file with the absolute offset of its data.

// own
#include "container.h"

namespace quillbox::archive::detail {

Save read_psv(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kFolder = 0x68;
    constexpr std::size_t kRecords = 0xA0;
    constexpr std::size_t kRecordSize = 60;
    const Reader file(Format::psv, bytes);
    const auto header = file.need(0, kRecords, "the header");
    // The signature at 0x1C needs the console's key; a reader has no use for it.
    const std::uint32_t version = u32(header, 4);
    const std::uint32_t type = u32(header, 0x3C);
    if (version != 0 || type != 2) {
        fail(Error::Code::unsupported,
             the_save(Format::psv) +
                 (type == 1 ? " holds a PS1 save, which Quillbox does not read."
                            : " is of version " + std::to_string(version) + " and type " +
                                  std::to_string(type) + "; Quillbox reads version 0, type 2."));
    }
    const auto entry = [](std::span<const std::uint8_t> r) -> Entry {
        return {name_at(r, 0x18, 32),
                static_cast<std::uint16_t>(u32(r, 0x14)),
                time_at(r, 0),
                time_at(r, 8),
                {}};
    };
    Save save{Format::psv, entry(header.subspan(kFolder)), {}};
    const std::uint32_t files = u32(header, 0x64);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < files; ++i) {
        const auto r = file.need(kRecords + std::uint64_t{i} * kRecordSize, kRecordSize,
                                 of_file("the record", i));
        const std::uint32_t length = u32(r, 0x10);
        // Records may point at the same bytes, so it is the copies that are bounded.
        total += length;
        check_limit(Format::psv, length, of_file("the data", i));
        check_limit(Format::psv, total, "its files together");
        const auto data = file.need(u32(r, 0x38), length, of_file("the data", i));
        save.files.push_back({entry(r), {data.begin(), data.end()}});
    }
    return save;
}

}  // namespace quillbox::archive::detail
