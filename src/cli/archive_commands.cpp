// own
#include "archive_commands.h"
#include "archive/title.h"
#include "cli.h"
#include "json.h"
#include "output_folder.h"
#include "saves/codepage.h"
#include "saves/file_io.h"
#include "saves/safe_name.h"

// std
#include <chrono>
#include <cstdio>
#include <optional>

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

// The save at `path` as the archive reader reads it; else the message to
// show and the exit status.
struct Loaded {
    std::optional<archive::Save> save;
    std::string message;
    int status = kDone;
};

Loaded load(const std::string& path)
{
    const fs::path p = saves::to_path(path);
    const saves::OpenedSave opened = saves::open_save_file(p);
    if (!opened.file) {
        return {std::nullopt, opened.failure, kUsageOrIo};
    }
    // Refused before a byte is read: no save is larger.
    if (static_cast<std::uint64_t>(opened.size) > archive::kSizeLimit) {
        return {std::nullopt,
                "The save \"" + path + "\" has " + std::to_string(opened.size) +
                    " bytes, more than the 32 MiB limit for a save.",
                kShowedMessage};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(opened.size));
    if (std::fread(bytes.data(), 1, bytes.size(), opened.file.get()) != bytes.size()) {
        return {std::nullopt, saves::read_failure(p), kUsageOrIo};
    }
    archive::Result<archive::Save> save = archive::read_save(bytes);
    if (!save) {
        return {std::nullopt, save.error().message, kShowedMessage};
    }
    return {std::move(*save), "", kDone};
}

// Loads SAVE, reporting a failure on `err`.
Loaded load_or_report(const std::string& path, std::ostream& err)
{
    Loaded loaded = load(path);
    if (!loaded.save) {
        err << loaded.message << "\n";
    }
    return loaded;
}

std::string_view container_name(archive::Format format)
{
    static constexpr std::string_view kNames[] = {"EMS", "X-Port or SharkPort", "Action Replay MAX",
                                                  "CodeBreaker", "PS3 PSV"};
    return kNames[static_cast<int>(format)];
}

// The mode and the times tab-separated, "-" for a field not stored.
std::string mode_and_times(const archive::Entry& e)
{
    const auto time = [](const std::optional<archive::Time>& t) {
        return t ? archive::format_time(*t) : "-";
    };
    char mode[8] = "-";
    if (e.mode) {
        std::snprintf(mode, sizeof mode, "0x%04X", unsigned{*e.mode});
    }
    return std::string(mode) + "\t" + time(e.created) + "\t" + time(e.modified);
}

// A file's modification time as a memory card keeps its times: in Japan time
// (UTC+9), whatever the machine's own zone.
archive::Time card_time(fs::file_time_type time)
{
    using namespace std::chrono;
    const auto japan = floor<seconds>(file_clock::to_sys(time)) + hours(9);
    const auto day = floor<days>(japan);
    const year_month_day date(day);
    const hh_mm_ss clock(japan - day);
    return {0,
            static_cast<std::uint8_t>(clock.seconds().count()),
            static_cast<std::uint8_t>(clock.minutes().count()),
            static_cast<std::uint8_t>(clock.hours().count()),
            static_cast<std::uint8_t>(unsigned{date.day()}),
            static_cast<std::uint8_t>(unsigned{date.month()}),
            static_cast<std::uint16_t>(int{date.year()})};
}

}  // namespace

int info(const Arguments& args, Io io)
{
    const Loaded loaded = args.json ? load(args.save) : load_or_report(args.save, io.err);
    if (!loaded.save) {
        if (args.json) {
            io.out << json_text({{"error", loaded.message}}) << "\n";
        }
        return loaded.status;
    }
    const archive::Save& save = *loaded.save;
    const std::optional<archive::Title> title = archive::read_title(save);
    if (args.json) {
        io.out << json_text(save_json(save, title)) << "\n";
        return kDone;
    }
    io.out << "Container: " << container_name(save.format) << "\n"
           << "Folder: " << saves::cp1252_to_utf8(save.folder.name) << "\t"
           << mode_and_times(save.folder) << "\n"
           << "Title: " << (title ? title->line1 : "-") << "\n";
    if (title && !title->line2.empty()) {
        io.out << "       " << title->line2 << "\n";
    }
    io.out << "Files: " << save.files.size() << "\n";
    for (const archive::File& f : save.files) {
        io.out << saves::cp1252_to_utf8(f.name) << "\t" << f.data.size() << "\t"
               << mode_and_times(f) << "\n";
    }
    return kDone;
}

int unpack(const Arguments& args, Io io)
{
    const Loaded loaded = load_or_report(args.save, io.err);
    if (!loaded.save) {
        return loaded.status;
    }
    const archive::Save& save = *loaded.save;
    const fs::path dir =
        saves::to_path(args.target) /
        saves::to_path(saves::safe_file_name(saves::cp1252_to_utf8(save.folder.name)));
    OutputFolder folder(saves::to_utf8(dir), args.force, io);
    if (!folder.create()) {
        return folder.status();
    }
    for (std::size_t i = 0; i < save.files.size(); ++i) {
        const archive::File& f = save.files[i];
        const std::string name = saves::cp1252_to_utf8(f.name);
        folder.write(
            "File " + std::to_string(i + 1) + " (" + name + ")", name,
            [&f](const std::string& target) {
                const auto failure = saves::write_file_atomically(
                    saves::to_path(target), reinterpret_cast<const char*>(f.data.data()),
                    f.data.size());
                return failure ? FileOutcome{kUsageOrIo, *failure} : FileOutcome{kDone, ""};
            });
    }
    return folder.status();
}

int convert(const Arguments& args, Io io)
{
    const Loaded loaded = load_or_report(args.save, io.err);
    if (!loaded.save) {
        return loaded.status;
    }
    const fs::path target = saves::to_path(args.target);
    if (const auto refusal = left_alone(target, args.force)) {
        io.err << *refusal << "\n";
        return kShowedMessage;
    }
    // The time of every entry where the save stores none (MAX): the same
    // for two conversions of one file.
    std::error_code ec;
    const fs::file_time_type modified = fs::last_write_time(saves::to_path(args.save), ec);
    if (ec) {
        io.err << saves::read_failure(saves::to_path(args.save)) << "\n";
        return kUsageOrIo;
    }
    const auto psu = archive::write_psu(*loaded.save, card_time(modified));
    if (!psu) {
        io.err << psu.error().message << " Nothing was written.\n";
        return kShowedMessage;
    }
    const auto failure = saves::write_file_atomically(
        target, reinterpret_cast<const char*>(psu->data()), psu->size());
    if (failure) {
        io.err << *failure << "\n";
        return kUsageOrIo;
    }
    return kDone;
}

}  // namespace quillbox::cli
