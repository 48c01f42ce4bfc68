#pragma once

// std
#include <string>
#include <string_view>

namespace quillbox::saves {

// A section name made safe to use as one file name inside a chosen folder on
// any desktop system: separators, reserved characters and control characters
// become "_", as do trailing dots and spaces (so "." and ".." cannot pass), and
// reserved device names such as CON or LPT1.txt get a leading "_". Never empty.
std::string safe_file_name(std::string_view name);

}  // namespace quillbox::saves
