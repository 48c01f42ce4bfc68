// own
#include "output_folder.h"
#include "saves/file_io.h"
#include "saves/safe_name.h"

// std
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

// The lower-case partner of an upper-case letter of ASCII or Windows-1252.
char32_t lower(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= U'À' && c <= U'Þ' && c != U'×')) {
        return c + 0x20;
    }
    if (c == U'Š' || c == U'Œ' || c == U'Ž') {
        return c + 1;
    }
    return c == U'Ÿ' ? U'ÿ' : c;
}

// `name` as a case-insensitive file system (Windows, macOS, a FAT or exFAT
// stick) files it: its characters, with the letters of ASCII and of
// Windows-1252 in lower case. Those are one byte long or two beginning with
// C3 or C5; every other byte stands for itself.
std::u32string folded_name(std::string_view name)
{
    std::u32string key;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto lead = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0U;
        if ((lead == 0xC3 || lead == 0xC5) && (next & 0xC0U) == 0x80) {
            key += lower(((lead & 0x1FU) << 6) | (next & 0x3FU));
            ++i;
        } else {
            key += lead < 0x80 ? lower(lead) : lead;
        }
    }
    return key;
}

}  // namespace

std::optional<std::string> left_alone(const fs::path& path, bool force)
{
    std::error_code ec;
    if (force || !fs::exists(fs::symlink_status(path, ec))) {
        return std::nullopt;
    }
    return "\"" + saves::to_utf8(path) +
           "\" already exists; it was left alone (--force replaces it).";
}

std::string OutputNames::take(std::string_view name)
{
    const std::string base = saves::safe_file_name(name);
    std::string taken = base;
    for (int n = 2; !taken_.insert(folded_name(taken)).second; ++n) {
        taken = base + "_" + std::to_string(n);
    }
    return taken;
}

OutputFolder::OutputFolder(std::string dir, bool force, Io io)
    : dir_(std::move(dir)), force_(force), io_(io)
{}

bool OutputFolder::create()
{
    std::error_code ec;
    fs::create_directories(saves::to_path(dir_), ec);
    if (ec) {
        io_.err << "The folder \"" << dir_ << "\" could not be created: " << ec.message() << ".\n";
        gravest_ = kUsageOrIo;
        return false;
    }
    return true;
}

void OutputFolder::write(const std::string& what, std::string_view name,
                         const std::function<FileOutcome(const std::string& target)>& writer)
{
    const fs::path path = saves::to_path(dir_) / saves::to_path(names_.take(name));
    const std::string target = saves::to_utf8(path);
    const auto refusal = left_alone(path, force_);
    const FileOutcome outcome = refusal ? FileOutcome{kShowedMessage, *refusal} : writer(target);
    if (outcome.status == kDone) {
        io_.out << target << "\n";
        any_written_ = true;
    } else {
        io_.err << what << ": " << outcome.reason << "\n";
        any_missed_ = true;
        gravest_ = std::max(gravest_, outcome.status);
    }
}

void OutputFolder::missed()
{
    any_missed_ = true;
    gravest_ = std::max(gravest_, static_cast<int>(kShowedMessage));
}

int OutputFolder::status() const
{
    if (any_written_) {
        return any_missed_ ? kPartlyDone : kDone;
    }
    return gravest_;
}

}  // namespace quillbox::cli
