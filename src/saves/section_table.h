#pragma once

// own
#include "save_state.h"

// std
#include <optional>
#include <string>

namespace quillbox::saves {

class SaveReader;

// Builds the section table of `save`, the save named by state.txtload, read
// from its start, into the frame caption, the 18 slots and the two scratch
// fields: the EMS layout when txttype is "ems", the Xport layout for any other
// value. Expects every slot blank and enabled; never enables a slot or changes
// the selection.
//
// Returns the message to show (a name over 31 characters, more than 18 slots
// needed), or nothing. Throws LoadError when the save cannot be read or a
// position leaves the signed 32-bit range; `state` is then partly written, so
// callers build into a copy.
std::optional<std::string> Find_sections(SaveState& state, SaveReader& save);

}  // namespace quillbox::saves
