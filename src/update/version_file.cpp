// own
#include "update/version_file.h"

// std
#include <algorithm>
#include <vector>

namespace quillbox::update {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a version without their leading zeros, so that they
// compare by length and then by digits, however long they are.
std::vector<std::string_view> numbers_of(std::string_view version)
{
    std::vector<std::string_view> numbers;
    for (std::size_t start = 0;;) {
        const std::size_t dot = std::min(version.find('.', start), version.size());
        std::string_view number = version.substr(start, dot - start);
        number.remove_prefix(std::min(number.find_first_not_of('0'), number.size()));
        numbers.push_back(number);
        if (dot == version.size()) {
            return numbers;
        }
        start = dot + 1;
    }
}

}  // namespace

std::string first_field(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {  // a UTF-8 byte order mark
        text.remove_prefix(3);
    }
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    if (text.starts_with('"')) {
        text.remove_prefix(1);
        return std::string(text.substr(0, text.find('"')));
    }
    std::string_view field = text.substr(0, text.find_first_of(",\r\n"));
    field.remove_suffix(field.size() - std::min(field.find_last_not_of(" \t") + 1, field.size()));
    return std::string(field);
}

bool is_version(std::string_view text)
{
    bool after_digit = false;
    for (const char c : text) {
        if (is_digit(c)) {
            after_digit = true;
        } else if (c == '.' && after_digit) {
            after_digit = false;
        } else {
            return false;
        }
    }
    return after_digit;
}

bool is_newer(std::string_view remote, std::string_view current)
{
    const std::vector<std::string_view> a = numbers_of(remote);
    const std::vector<std::string_view> b = numbers_of(current);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string_view x = i < a.size() ? a[i] : std::string_view();
        const std::string_view y = i < b.size() ? b[i] : std::string_view();
        if (x.size() != y.size()) {
            return x.size() > y.size();
        }
        if (x != y) {
            return x > y;
        }
    }
    return false;
}

}  // namespace quillbox::update
