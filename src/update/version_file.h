#pragma once

// std
#include <string>
#include <string_view>

namespace quillbox::update {

// The first field of a version file: leading spaces are skipped; the field
// ends at the first comma or line end; one that begins with a double quote
// runs to the next double quote, without the quotes. Blanks after an unquoted
// field are dropped. Nothing after the field is read.
std::string first_field(std::string_view text);

// True when `text` is a version: decimal numbers joined by single dots
// ("2", "1.2", "1.10.3").
bool is_version(std::string_view text);

// True when version `remote` is newer than version `current`, comparing
// their numbers from the left as numbers: "1.10" is newer than "1.2", and
// missing trailing numbers count as 0 ("1.2.0" and "1.02" equal "1.2").
bool is_newer(std::string_view remote, std::string_view current);

}  // namespace quillbox::update
