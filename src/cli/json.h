#pragma once

// own
#include "saves/save_state.h"

// std
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::cli {

// `text` (UTF-8) as a JSON string literal, quotes included.
std::string json_string(std::string_view text);

// The window's state and the message it showed, as one JSON object.
std::string state_json(const saves::SaveState& state, const std::optional<std::string>& message);

}  // namespace quillbox::cli
