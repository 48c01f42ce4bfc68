#pragma once

// own
#include "archive.h"

// std
#include <optional>
#include <string>

namespace quillbox::archive {

// The game's title as the console's browser shows it, in two lines.
struct Title {
    std::string line1;  // UTF-8
    std::string line2;  // UTF-8; often empty
    bool operator==(const Title&) const = default;
};

// The title in the save's icon.sys: split at the byte offset stored there,
// each line decoded from Shift-JIS (code page 932) with the system's own
// converter. Nothing when the save has no icon.sys, or one too short, without
// its "PS2D" mark, or whose title is not Shift-JIS.
std::optional<Title> read_title(const Save& save);

}  // namespace quillbox::archive
