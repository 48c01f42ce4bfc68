#pragma once

// own
#include "platform/desktop.h"

// std
#include <cstdint>
#include <string>

namespace quillbox::shell {

// Hands `target` (a file path or a web address) to the desktop shell to open
// with the user's default program: the operation "Open", no parameters, the
// working folder "C:\", the normal show mode. Returns the shell's value,
// greater than 32 on success; shows nothing, whatever happens.
std::int32_t ShellOpen(platform::Shell& shell, const std::string& target);

}  // namespace quillbox::shell
