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
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string safe_file_name(std::string_view name)
{
    std::string out;
    out.reserve(name.size() + 1);
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
