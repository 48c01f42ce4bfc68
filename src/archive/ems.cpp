// EMS (.psu): 512-byte entries as on the memory card, the folder's first,
// then "." and "..", then each file's followed by its data padded to 1024.

// own
#include "container.h"

// std
#include <cstdio>

namespace quillbox::archive {

namespace {

constexpr std::size_t kEntrySize = 512;
constexpr std::uint64_t kBlock = 1024;
constexpr std::size_t kNameSize = 32;
constexpr std::uint16_t kFolderBits = 0x8000 | 0x0020;  // exists, folder
constexpr std::uint16_t kFolderBit = 0x0020;

std::uint64_t padded(std::uint64_t size) { return (size + kBlock - 1) / kBlock * kBlock; }

Entry entry_at(std::span<const std::uint8_t> h)
{
    using namespace detail;
    return {name_at(h, 0x40, kNameSize),
            u16(h, 0),
            time_at(h, 0x08),
            time_at(h, 0x18),
            {u32(h, 0x10), u32(h, 0x14), u32(h, 0x20)}};
}

void put_u16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v)
{
    put_u16(p, static_cast<std::uint16_t>(v));
    put_u16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

void put_time(std::uint8_t* p, const Time& t)
{
    p[0] = t.unused;
    p[1] = t.second;
    p[2] = t.minute;
    p[3] = t.hour;
    p[4] = t.day;
    p[5] = t.month;
    put_u16(p + 6, t.year);
}

struct Header {
    std::uint16_t mode;
    std::uint32_t size;
    Time created;
    Time modified;
    CardFields card;
    const std::string& name;
};

void put_header(std::uint8_t* h, const Header& e)
{
    put_u16(h, e.mode);
    put_u32(h + 0x04, e.size);
    put_time(h + 0x08, e.created);
    put_u32(h + 0x10, e.card.cluster);
    put_u32(h + 0x14, e.card.entry_index);
    put_time(h + 0x18, e.modified);
    put_u32(h + 0x20, e.card.user_attribute);
    std::copy(e.name.begin(), e.name.end(), h + 0x40);
}

std::string hex(std::uint16_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned{mode});
    return text;
}

}  // namespace

namespace detail {

bool looks_like_ems(std::span<const std::uint8_t> b)
{
    const auto is_folder = [&](std::size_t entry, std::uint16_t bits, const char* name) {
        return (u16(b, entry * kEntrySize) & bits) == bits &&
               name_at(b, entry * kEntrySize + 0x40, kNameSize) == name;
    };
    return b.size() >= 3 * kEntrySize && (u16(b, 0) & kFolderBits) == kFolderBits &&
           u32(b, 4) >= 2 && is_folder(1, kFolderBit, ".") && is_folder(2, kFolderBit, "..");
}

Save read_ems(std::span<const std::uint8_t> bytes)
{
    const Reader file(Format::ems, bytes);
    Save save{Format::ems, entry_at(bytes), {}};
    const std::uint32_t entries = u32(bytes, 4) - 2;
    std::uint64_t at = 3 * kEntrySize;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const auto h = file.need(at, kEntrySize, of_file("the header", i));
        at += kEntrySize;
        if ((u16(h, 0) & kFolderBit) != 0) {
            continue;  // a stray folder entry: no data follows it
        }
        const std::uint32_t size = u32(h, 4);
        check_limit(Format::ems, size, of_file("the data", i));
        const auto data = file.need(at, size, of_file("the data", i));
        save.files.push_back({entry_at(h), {data.begin(), data.end()}});
        at += padded(size);  // the last file's padding may be missing
    }
    if (at < bytes.size()) {
        fail(Error::Code::damaged, the_save(Format::ems) + " goes on for " +
                                       plural(bytes.size() - at, "byte") +
                                       " after the entries its folder declares.");
    }
    return save;
}

}  // namespace detail

Result<std::vector<std::uint8_t>> write_psu(const Save& save, const Time& when)
{
    const auto refuse = [](Error::Code code, std::string message) {
        return Error{code, std::move(message)};
    };
    const auto long_name = [&](const std::string& name, const std::string& whose) {
        return refuse(Error::Code::name_too_long,
                      whose + " has " + std::to_string(name.size()) +
                          " bytes; an EMS save holds names of at most 32.");
    };
    const Entry& folder = save.folder;
    const std::uint16_t folder_mode = folder.mode.value_or(0x8427);
    if (folder.name.size() > kNameSize) {
        return long_name(folder.name, "The folder's name");
    }
    if ((folder_mode & kFolderBits) != kFolderBits) {
        return refuse(Error::Code::unsupported, "The folder's mode " + hex(folder_mode) +
                                                    " does not mark an existing folder, as an "
                                                    "EMS save must.");
    }
    std::uint64_t total = 3 * kEntrySize;
    for (std::size_t i = 0; i < save.files.size(); ++i) {
        const File& f = save.files[i];
        if (f.name.size() > kNameSize) {
            return long_name(f.name, "The " + detail::of_file("name", i));
        }
        if ((f.mode.value_or(0) & kFolderBit) != 0) {
            return refuse(Error::Code::unsupported,
                          "File " + std::to_string(i + 1) + " is marked as a folder (mode " +
                              hex(*f.mode) + "), which an EMS save cannot hold as a file.");
        }
        total += kEntrySize + padded(f.data.size());
    }
    if (total > kSizeLimit) {
        return refuse(Error::Code::too_large, "The EMS save would have " + std::to_string(total) +
                                                  " bytes, more than the 32 MiB limit.");
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(total));
    std::uint8_t* at = out.data();
    const Time created = folder.created.value_or(when);
    put_header(at, {folder_mode, static_cast<std::uint32_t>(save.files.size() + 2), created,
                    folder.modified.value_or(when), folder.card, folder.name});
    for (const std::string name : {".", ".."}) {
        at += kEntrySize;
        put_header(at, {folder_mode, 0, created, created, {}, name});
    }
    at += kEntrySize;
    for (const File& f : save.files) {
        put_header(at, {f.mode.value_or(0x8497), static_cast<std::uint32_t>(f.data.size()),
                        f.created.value_or(when), f.modified.value_or(when), f.card, f.name});
        std::copy(f.data.begin(), f.data.end(), at + kEntrySize);
        at += kEntrySize + padded(f.data.size());
    }
    return out;
}

}  // namespace quillbox::archive
