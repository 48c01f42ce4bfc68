#pragma once

// own
#include "archive/archive.h"
#include "archive/title.h"
#include "saves/save_state.h"

// std
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace quillbox::cli {

// Members keep the order they were added in.
using Json = nlohmann::ordered_json;

// `value` on one line, laid out as quillbox-cli has always written JSON
// (", " between members, ": " after a name). Text stays UTF-8; any byte that
// is not valid UTF-8 (a path can hold one) becomes U+FFFD.
std::string json_text(const Json& value);

// The window's state and the message it showed, as one JSON object.
Json state_json(const saves::SaveState& state, const std::optional<std::string>& message);

// A save read by the archive reader, with the title from its icon.sys: the
// stored fields, null where the container stores none.
Json save_json(const archive::Save& save, const std::optional<archive::Title>& title);

}  // namespace quillbox::cli
