#pragma once

// own
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <string>
#include <vector>

namespace quillbox::testing {

struct Loaded {
    saves::SaveState state;
    saves::OpenOutcome outcome;
};

// File, Open of `content` saved as `name` in `dir`, on `state` (a fresh
// window by default).
inline Loaded load(const TempDir& dir, const std::string& name, const Bytes& content,
                   saves::SaveState state = {})
{
    const std::string path = dir.file(name);
    write_file(path, content);
    saves::OpenOutcome outcome = saves::open_save(state, path);
    return {std::move(state), std::move(outcome)};
}

inline std::vector<std::string> captions(const saves::SaveState& s)
{
    std::vector<std::string> out;
    for (const saves::Slot& slot : s.slots) {
        out.push_back(slot.caption);
    }
    return out;
}

// The number of leading enabled slots, checking that the rest are disabled.
inline std::size_t enabled_count(const saves::SaveState& s)
{
    std::size_t n = 0;
    while (n < s.slots.size() && s.slots[n].enabled) {
        ++n;
    }
    for (std::size_t i = n; i < s.slots.size(); ++i) {
        if (s.slots[i].enabled) {
            return 99;  // not a prefix
        }
    }
    return n;
}

}  // namespace quillbox::testing
