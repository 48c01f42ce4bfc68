#pragma once

// std
#include <string>
#include <string_view>

namespace quillbox::saves {

// Decodes single-byte Windows-1252 text into UTF-8. The five bytes the code
// page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls
// of the same value, so every byte stays visible and distinct.
std::string cp1252_to_utf8(std::string_view bytes);

}  // namespace quillbox::saves
