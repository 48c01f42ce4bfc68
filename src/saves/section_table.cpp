// own
#include "section_table.h"
#include "codepage.h"
#include "load_error.h"
#include "messages.h"
#include "save_reader.h"

// std
#include <cstdint>
#include <limits>

namespace quillbox::saves {

namespace {

constexpr int kNameLimit = 31;
constexpr std::size_t kLastSlot = kSlotCount - 1;

// Positions are signed 32-bit values; one that would leave that range means
// the lengths in the save cannot be right.
std::int32_t position(std::int64_t value)
{
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        throw LoadError(LoadError::Code::position_overflow, messages::kMayBeCorrupt);
    }
    return static_cast<std::int32_t>(value);
}

// The unsigned 32-bit field that ends just before `end`.
std::uint64_t field_value(SaveReader& save, std::int64_t end)
{
    // read_hex_field always yields eight valid digits.
    return *hex_to_number(save.read_hex_field(end));
}

void disable_from(SaveState& state, std::size_t first)
{
    for (std::size_t i = first; i < kSlotCount; ++i) {
        state.slots[i].enabled = false;
    }
}

// The Xport header: three length-prefixed blocks, then the directory name.
// Returns the cursor of the first entry.
std::int32_t read_xport_header(SaveReader& save, SaveState& state)
{
    std::int32_t pos = 25;
    pos = position(std::int64_t{pos} + 4 + static_cast<std::int64_t>(field_value(save, pos)));
    pos = position(std::int64_t{pos} + 4 + static_cast<std::int64_t>(field_value(save, pos)));
    const std::string third = save.read_hex_field(pos);
    if (third == "00000000") {
        pos = position(std::int64_t{pos} + 4);
    } else {
        pos = position(std::int64_t{pos} + 4 + static_cast<std::int64_t>(*hex_to_number(third)));
    }
    save.reopen();
    state.frame_caption = cp1252_to_utf8(save.read_name(position(std::int64_t{pos} + 2)).bytes);
    return position(std::int64_t{pos} + 320);
}

std::int32_t read_ems_header(SaveReader& save, SaveState& state)
{
    state.frame_caption = "Directory: " + cp1252_to_utf8(save.read_name(64).bytes);
    return 1544;
}

}  // namespace

std::optional<std::string> Find_sections(SaveState& state, SaveReader& save)
{
    save.reopen();
    const bool ems = state.txttype == "ems";
    std::int32_t cursor = ems ? read_ems_header(save, state) : read_xport_header(save, state);

    save.reopen();
    std::size_t i = 0;
    while (!save.exhausted()) {
        Slot& slot = state.slots[i];
        state.txttempvar.clear();
        state.txttempvar3.clear();

        const std::uint64_t length = field_value(save, cursor);
        slot.length = std::to_string(length);
        const std::uint64_t padded = ems ? (length + 1023) / 1024 * 1024 : length;
        state.txttempvar = std::to_string(padded);
        const std::int32_t start = position(std::int64_t{cursor} + (ems ? 502 : 180));
        state.txttempvar3 = std::to_string(start);

        std::int32_t name_offset = 0;
        if (ems) {
            // An empty first byte moves the name two bytes on.
            name_offset = position(std::int64_t{cursor} + 56);
            if (save.read_byte(name_offset) == 0) {
                name_offset = position(std::int64_t{cursor} + 58);
            }
        } else {
            name_offset = position(std::int64_t{cursor} - 68);
        }
        slot.start = state.txttempvar3;

        if (name_offset < save.size() - 2) {
            const SaveReader::Name name = save.read_name(name_offset, kNameLimit);
            if (name.limit_exceeded) {
                if (i < kLastSlot) {
                    disable_from(state, i);
                }
                return messages::kNameTooLong;
            }
            slot.caption = cp1252_to_utf8(name.bytes);
        }

        cursor =
            position(std::int64_t{start} + static_cast<std::int64_t>(padded) + (ems ? 10 : 70));
        ++i;
        if (i > kLastSlot) {
            return messages::kMayBeCorrupt;
        }
    }

    // Disabling starts at the pass beyond the last entry; after 17 passes or
    // more nothing is disabled. An empty save makes no pass: nothing is listed.
    if (i < kLastSlot) {
        disable_from(state, i == 0 ? 0 : i - 1);
    }
    return std::nullopt;
}

}  // namespace quillbox::saves
