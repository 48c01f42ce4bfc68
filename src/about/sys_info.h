#pragma once

// Starting Microsoft's system information tool, which the registry names.
// Plain C++ over the platform's registry, launcher and files, so that the
// Windows build, which has no Qt, builds and tests it too.

// own
#include "platform/desktop.h"

// std
#include <optional>
#include <string>

namespace quillbox::about {

inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Reads the value `value_name` of the key `key_path` under `root` as text
// into `value`. True when it was read. False, with `value` empty, when the key
// cannot be opened or the value is missing or longer than 1024 bytes.
// A string value loses one terminating zero; a 32-bit number value becomes
// its decimal digits; a value of any other type leaves `value` as it came
// in. Throws std::runtime_error for a value of zero bytes, which the caller
// takes as the tool being unavailable. The key is opened for reading only
// and always closed again.
bool GetKeyValue(platform::Registry& registry, platform::Registry::Key root,
                 const std::string& key_path, const std::string& value_name, std::string& value);

// Starts the system information tool that the registry names, or, where it
// names none, the desktop's own. Returns the message to show when none could
// be started, or nothing. Never throws.
std::optional<std::string> StartSysInfo(platform::Desktop& desktop);

}  // namespace quillbox::about
