// own
#include "safe_name.h"

// std
#include <algorithm>
#include <array>
#include <cctype>

namespace quillbox::saves {

namespace {

bool is_reserved_device(std::string_view name)
{
    std::string base(name.substr(0, name.find('.')));
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), base) != kPlain.end()) {
        return true;
    }
    if (!base.starts_with("COM") && !base.starts_with("LPT")) {
        return false;
    }
    // Windows takes the superscripts 1, 2 and 3 (UTF-8 C2 B9, C2 B2, C2 B3) for
    // digits here too.
    const std::string_view digit = std::string_view(base).substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

std::string safe_file_name(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        const bool bad = b < 0x20 || b == 0x7F ||
                         std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
        out += bad ? '_' : c;
    }
    for (auto it = out.rbegin(); it != out.rend() && (*it == '.' || *it == ' '); ++it) {
        *it = '_';
    }
    if (out.empty()) {
        return "_";
    }
    if (is_reserved_device(out)) {
        out.insert(out.begin(), '_');
    }
    return out;
}

}  // namespace quillbox::saves
