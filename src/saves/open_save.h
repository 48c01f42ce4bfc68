#pragma once

// own
#include "save_state.h"

// std
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillbox::saves {

class SaveReader;

// Sets state.txttype from the text after the last "." of `path`: "ems" for
// psu/PSU/psd/PSD, "xv2" for xps/XPS/sps/SPS; anything else leaves it as it was.
void Get_Type(SaveState& state, std::string path);

// Sets state.txtvalidxps to "False" when byte 17 of `save`, the save named by
// state.txtload, is 1 (an Xport V1 save in V2 clothing), else to "True".
// Throws LoadError when the save cannot be read.
void valid_xps(SaveState& state, SaveReader& save);

struct OpenOutcome {
    enum class Kind {
        cancelled,  // the dialog gave no name: nothing changed
        loaded,     // the builder ran; slot 0 is selected
        refused,    // an Xport V1 save: slots blanked, builder not run
        failed,     // unreadable or corrupt beyond listing: nothing changed
    };
    Kind kind = Kind::cancelled;
    // The one message box a window shows for this File, Open, if any.
    std::optional<std::string> message;
};

// File, Open from the moment the dialog has returned `chosen` (empty when the
// user cancelled). On `failed`, `state` is exactly as it was before.
OpenOutcome open_save(SaveState& state, const std::string& chosen);

// The same for a save whose bytes are already in memory: `content` is read
// as the file named `chosen`, which is never opened.
OpenOutcome open_save(SaveState& state, const std::string& chosen,
                      std::span<const std::uint8_t> content);

}  // namespace quillbox::saves
