// own
#include "title.h"

// std
#include <algorithm>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cstdint>
#endif

namespace quillbox::archive {

namespace {

#ifdef _WIN32
std::optional<std::string> from_cp932(std::string_view text)
{
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int wide =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wide <= 0) {
        return std::nullopt;
    }
    std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, utf16.data(), wide);
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), size, nullptr, nullptr);
    return utf8;
}
#else
// glibc's CP932 is Windows' table, so both systems give the same text.
std::optional<std::string> from_cp932(std::string_view text)
{
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(std::intptr_t{-1})) {
        return std::nullopt;
    }
    std::string utf8(text.size() * 3, '\0');    // a byte of CP932 is at most three of UTF-8
    char* in = const_cast<char*>(text.data());  // iconv's interface lacks the const
    std::size_t in_left = text.size();
    char* out = utf8.data();
    std::size_t out_left = utf8.size();
    const std::size_t done = iconv(cd, &in, &in_left, &out, &out_left);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || in_left != 0) {
        return std::nullopt;
    }
    utf8.resize(utf8.size() - out_left);
    return utf8;
}
#endif

}  // namespace

std::optional<Title> read_title(const Save& save)
{
    constexpr std::size_t kTitle = 0xC0;
    constexpr std::size_t kTitleSize = 68;
    const auto icon_sys = std::ranges::find(save.files, std::string_view("icon.sys"), &File::name);
    if (icon_sys == save.files.end()) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& b = icon_sys->data;
    if (b.size() < kTitle + kTitleSize || !std::equal(b.begin(), b.begin() + 4, "PS2D")) {
        return std::nullopt;
    }
    const std::string_view field(reinterpret_cast<const char*>(b.data()) + kTitle, kTitleSize);
    const std::string_view title = field.substr(0, field.find('\0'));
    // The offset where line 2 starts may lie past the title's end.
    const std::size_t split = std::min(static_cast<std::size_t>(b[6] | b[7] << 8), title.size());
    auto line1 = from_cp932(title.substr(0, split));
    auto line2 = from_cp932(title.substr(split));
    if (!line1 || !line2) {
        return std::nullopt;
    }
    return Title{std::move(*line1), std::move(*line2)};
}

}  // namespace quillbox::archive
