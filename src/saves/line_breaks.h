#pragma once

// std
#include <string>

namespace quillbox::saves {

// The core's messages break their lines as a message box does, with CR LF;
// plain text (a terminal, a toolkit's message box) wants LF alone.
inline std::string plain_line_breaks(std::string text)
{
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

}  // namespace quillbox::saves
