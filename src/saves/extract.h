#pragma once

// own
#include "save_state.h"

// std
#include <optional>
#include <string>

namespace quillbox::saves {

// The Extract guard: "Please load a save first" while no save is loaded, and
// also right after an Xport save was refused, whose slots still describe the
// previous save. Nothing when extraction may go ahead.
std::optional<std::string> check_loaded(const SaveState& state);

// 1 when `name` is not empty and names an existing file (a folder does not
// count), otherwise 0.
int Exists(const std::string& name);

struct ExtractOutcome {
    enum class Kind {
        cancelled,  // no target chosen: nothing touched
        written,    // the target holds the section
        refused,    // the slot's values do not describe bytes of the save
        failed,     // the save or the target could not be read or written
    };
    Kind kind = Kind::cancelled;
    std::optional<std::string> message;  // the message box to show, if any
};

// Copies the selected slot's section of the loaded save to `target`, the name
// the save dialog returned (empty when cancelled). Reads the section in one
// piece, then replaces the target through a temporary file, so that on any
// failure the old target is untouched. Never changes `state`.
ExtractOutcome extract_data(const SaveState& state, const std::string& target);

}  // namespace quillbox::saves
