#pragma once

// std
#include <array>
#include <cstddef>
#include <string>

namespace quillbox::saves {

inline constexpr std::size_t kSlotCount = 18;

// One section slot of the main window: the selector Option1(i) and the two
// hidden texts start(i) and length(i). Texts are UTF-8.
struct Slot {
    std::string caption;
    bool enabled = true;
    bool selected = false;
    std::string start;   // decimal text; for "ems" saves the data offset minus 2
    std::string length;  // decimal text, the length as stored

    bool operator==(const Slot&) const = default;
};

// The main window's state: its hidden text fields, the frame caption and the
// 18 slots, as a window is created.
struct SaveState {
    std::string txtload;      // path of the loaded save
    std::string txttype;      // "ems", "xv2", or empty before the first recognised file
    std::string txtvalidxps;  // "True" or "False", the Xport variant verdict
    std::string txttempvar;   // builder scratch: padded length
    std::string txttempvar3;  // builder scratch: start value
    std::string frame_caption = "Directory Name";
    std::array<Slot, kSlotCount> slots{};

    bool operator==(const SaveState&) const = default;

    // The index of the selected slot, or kSlotCount when none is.
    [[nodiscard]] std::size_t selected_slot() const;
    // Selects slot i as a radio group does: every other slot is unselected.
    void select(std::size_t i);
};

}  // namespace quillbox::saves
