#pragma once

// std
#include <set>
#include <string>
#include <string_view>

namespace quillbox::cli {

// `name` as a case-insensitive file system (Windows, macOS, a FAT or exFAT
// stick) files it: ASCII letters and the letters of Windows-1252 in lower case.
std::string folded_name(std::string_view name);

// The file names one command gives the files it writes into one folder, taken
// from the names in a save: each made safe with safe_file_name, and one that
// a case-insensitive file system would take for an earlier one gets "_2",
// "_3"... so no file is written over another.
class OutputNames {
public:
    std::string take(std::string_view name);

private:
    std::set<std::string> taken_;  // folded
};

}  // namespace quillbox::cli
