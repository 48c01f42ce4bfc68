// own
#include "about/sys_info.h"

// std
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace quillbox::about {

namespace {

using platform::Registry;

constexpr std::size_t kBufferSize = 1024;

// Closes an open key on every way out of GetKeyValue, an error included.
class OpenKey {
public:
    OpenKey(Registry& registry, Registry::Key key) : registry_(registry), key_(key) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() { registry_.close(key_); }

private:
    Registry& registry_;
    Registry::Key key_;
};

// A 32-bit number value as decimal digits. Its bytes are little-endian; the
// trimming before may have dropped a zero high byte, which changes nothing.
std::string number_text(const std::string& bytes)
{
    std::uint32_t number = 0;
    for (std::size_t i = std::min<std::size_t>(bytes.size(), 4); i-- > 0;) {
        number = number << 8 | static_cast<unsigned char>(bytes[i]);
    }
    return std::to_string(number);
}

}  // namespace

bool GetKeyValue(Registry& registry, Registry::Key root, const std::string& key_path,
                 const std::string& value_name, std::string& value)
{
    // Reading is all it needs: asking for every right fails on HKEY_LOCAL_MACHINE
    // for a user without administrator rights.
    const std::optional<Registry::Key> key = registry.open(root, key_path, Registry::kKeyRead);
    if (!key) {
        value.clear();
        return false;
    }
    const OpenKey open_key(registry, *key);

    std::array<std::uint8_t, kBufferSize> buffer{};
    std::uint32_t type = 0;
    std::uint32_t size = kBufferSize;
    if (!registry.query(*key, value_name, buffer, type, size) || size > kBufferSize) {
        value.clear();
        return false;
    }
    if (size == 0) {
        throw std::runtime_error("registry value " + value_name + " is empty");
    }
    const std::size_t kept = buffer[size - 1] == 0 ? size - 1 : size;
    const std::string trimmed(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kept));

    if (type == Registry::kString) {
        value = trimmed;
    } else if (type == Registry::kNumber) {
        value = number_text(trimmed);
    }
    return true;
}

std::optional<std::string> StartSysInfo(platform::Desktop& desktop)
{
    try {
        std::string tool;
        if (!GetKeyValue(desktop.registry, Registry::kLocalMachine,
                         "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool)) {
            if (GetKeyValue(desktop.registry, Registry::kLocalMachine,
                            "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", tool)) {
                tool += "\\MSINFO32.EXE";
                if (!desktop.files.is_plain_file(tool)) {
                    return kSysInfoUnavailable;
                }
            } else if (auto own = desktop.launcher.system_information_tool()) {
                tool = std::move(*own);
            } else {
                return kSysInfoUnavailable;
            }
        }
        // The path from the registry is not tested first: a failed start says enough.
        if (desktop.launcher.start(tool)) {
            return std::nullopt;
        }
    } catch (...) {
        // Whatever went wrong, the user hears only that the tool is unavailable.
    }
    return kSysInfoUnavailable;
}

}  // namespace quillbox::about
