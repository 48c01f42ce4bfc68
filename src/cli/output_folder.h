#pragma once

// own
#include "cli.h"
#include "commands.h"

// std
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quillbox::cli {

// The file names one command gives the files it writes into one folder, taken
// from the names in a save: each made safe with safe_file_name, and one that
// a case-insensitive file system would take for an earlier one gets "_2",
// "_3"... so no file is written over another.
class OutputNames {
public:
    std::string take(std::string_view name);

private:
    std::set<std::u32string> taken_;  // folded
};

// How writing one file went: kDone, or the status and the reason it was not written.
struct FileOutcome {
    int status;
    std::string reason;
};

// The report for a file already at `path`, which is left alone unless
// `force`; nothing when it may be written.
std::optional<std::string> left_alone(const std::filesystem::path& path, bool force);

// The files that one command writes into the folder `dir`, named by
// OutputNames. A file already there is left alone unless `force`. Each file
// written is printed on `out`, each one left alone or not written is reported
// on `err` and the others still written; status() sums it up.
class OutputFolder {
public:
    OutputFolder(std::string dir, bool force, Io io);

    // Makes the folder; false, with a report, when it cannot be.
    bool create();

    // Writes the file for `name` with `writer`, given the target's path.
    // `what` names it in a report, as "Slot 3 (icon.sys)".
    void write(const std::string& what, std::string_view name,
               const std::function<FileOutcome(const std::string& target)>& writer);

    // Something in the save was not reached (the save showed a message).
    void missed();

    // kDone when every file was written; else kPartlyDone when some were;
    // else the gravest status of those not written.
    [[nodiscard]] int status() const;

private:
    std::string dir_;
    bool force_;
    Io io_;
    OutputNames names_;
    bool any_written_ = false;
    bool any_missed_ = false;
    int gravest_ = kDone;
};

}  // namespace quillbox::cli
