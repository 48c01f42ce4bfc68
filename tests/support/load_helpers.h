#pragma once

// own
#include "saves/messages.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <string>

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

// What a File, Open left in the window, as one line: the frame caption;
// "caption@start+length" of each slot with a start or a caption, marked "*"
// when selected and "-" when disabled; the scratch fields; "/n" slots enabled
// in all; then the message, if any, and the outcome unless it is "loaded".
inline std::string shown(const Loaded& l)
{
    namespace m = saves::messages;
    const saves::SaveState& s = l.state;
    std::string out = s.frame_caption;
    int enabled = 0;
    for (const saves::Slot& slot : s.slots) {
        enabled += slot.enabled ? 1 : 0;
        if (!slot.start.empty() || !slot.caption.empty()) {
            out += " " + slot.caption + "@" + slot.start + "+" + slot.length + (slot.selected ? "*" : "") +
                   (slot.enabled ? "" : "-");
        }
    }
    out += " tmp=" + s.txttempvar + "," + s.txttempvar3 + " /" + std::to_string(enabled);
    const std::string message = l.outcome.message.value_or("");
    out += message.empty()               ? ""
           : message == m::kNameTooLong  ? " !long"
           : message == m::kMayBeCorrupt ? " !corrupt"
                                         : " !" + message;
    using Kind = saves::OpenOutcome::Kind;
    const Kind kind = l.outcome.kind;
    return out + (kind == Kind::loaded ? "" : kind == Kind::refused ? " [refused]" : " [failed]");
}

}  // namespace quillbox::testing
