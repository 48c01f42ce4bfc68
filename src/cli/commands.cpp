// own
#include "commands.h"
#include "archive_commands.h"
#include "cli.h"
#include "json.h"
#include "output_folder.h"
#include "saves/extract.h"
#include "saves/line_breaks.h"
#include "saves/open_save.h"

// std
#include <array>
#include <charconv>

#include <CLI/CLI.hpp>

namespace quillbox::cli {

namespace {

using saves::ExtractOutcome;
using saves::OpenOutcome;
using saves::SaveState;

struct Opened {
    SaveState state;
    OpenOutcome outcome;
};

Opened open(const std::string& path)
{
    SaveState state;
    OpenOutcome outcome = saves::open_save(state, path);
    return {std::move(state), std::move(outcome)};
}

// Opens SAVE as File, Open would and applies Extract's guard, reporting any
// message on `err`, and tells whether there was one. Without a state when
// there is nothing to extract from; `status` is then the exit status.
struct Extractable {
    std::optional<SaveState> state;
    int status;
    bool showed_message;
};

Extractable open_for_extraction(const std::string& path, std::ostream& err)
{
    Opened opened = open(path);
    const bool showed_message = opened.outcome.message.has_value();
    if (showed_message) {
        err << saves::plain_line_breaks(*opened.outcome.message) << "\n";
    }
    if (opened.outcome.kind == OpenOutcome::Kind::failed) {
        return {std::nullopt, kUsageOrIo, showed_message};
    }
    if (const auto refusal = saves::check_loaded(opened.state)) {
        err << *refusal << "\n";
        return {std::nullopt, kShowedMessage, showed_message};
    }
    return {std::move(opened.state), kDone, showed_message};
}

std::string data_offset(const SaveState& s, const saves::Slot& slot)
{
    if (s.txttype != "ems" || slot.start.empty()) {
        return slot.start;
    }
    return std::to_string(std::stoll(slot.start) + 2);
}

int list(const Arguments& args, Io io)
{
    const Opened opened = open(args.save);
    const OpenOutcome& outcome = opened.outcome;
    if (args.json) {
        if (outcome.kind == OpenOutcome::Kind::failed) {
            io.out << json_text({{"error", *outcome.message}}) << "\n";
            return kUsageOrIo;
        }
        io.out << json_text(state_json(opened.state, outcome.message)) << "\n";
        return outcome.message ? kShowedMessage : kDone;
    }

    if (outcome.message) {
        io.err << saves::plain_line_breaks(*outcome.message) << "\n";
    }
    if (outcome.kind == OpenOutcome::Kind::failed) {
        return kUsageOrIo;
    }
    if (outcome.kind == OpenOutcome::Kind::refused) {
        return kShowedMessage;
    }
    const SaveState& s = opened.state;
    io.out << s.frame_caption << "\n";
    for (std::size_t i = 0; i < s.slots.size(); ++i) {
        const saves::Slot& slot = s.slots[i];
        if (slot.enabled && !slot.start.empty()) {
            io.out << i << '\t' << slot.caption << '\t' << data_offset(s, slot) << '\t'
                   << slot.length << "\n";
        }
    }
    return outcome.message ? kShowedMessage : kDone;
}

FileOutcome outcome_of(const ExtractOutcome& r)
{
    switch (r.kind) {
    case ExtractOutcome::Kind::written: return {kDone, ""};
    case ExtractOutcome::Kind::refused:
        return {kShowedMessage, saves::plain_line_breaks(r.message.value_or(""))};
    default: return {kUsageOrIo, saves::plain_line_breaks(r.message.value_or(""))};
    }
}

int extract(const Arguments& args, Io io)
{
    auto [state, status, showed_message] = open_for_extraction(args.save, io.err);
    if (!state) {
        return status;
    }
    if (!state->slots[args.slot].enabled) {
        io.err << "Slot " << args.slot << " is not in use in this save; nothing was extracted.\n";
        return kShowedMessage;
    }
    state->select(args.slot);
    const FileOutcome outcome = outcome_of(saves::extract_data(*state, args.target));
    if (outcome.status != kDone) {
        io.err << outcome.reason << "\n";
    }
    return outcome.status;
}

int extract_all(const Arguments& args, Io io)
{
    auto [state, status, showed_message] = open_for_extraction(args.save, io.err);
    if (!state) {
        return status;
    }
    OutputFolder folder(args.target, args.force, io);
    if (!folder.create()) {
        return folder.status();
    }
    // The builder's message means that the sections after the last slot listed were not reached.
    if (showed_message) {
        folder.missed();
    }
    for (std::size_t i = 0; i < state->slots.size(); ++i) {
        const std::string& caption = state->slots[i].caption;
        if (!state->slots[i].enabled || caption.empty()) {
            continue;
        }
        state->select(i);
        folder.write("Slot " + std::to_string(i) + " (" + caption + ")", caption,
                     [&](const std::string& target) {
                         return outcome_of(saves::extract_data(*state, target));
                     });
    }
    return folder.status();
}

// clang-format off
constexpr std::array kCommands = {
    Command{"list", "[--json] SAVE",
        "the directory, then one row per slot in use: slot, name, data offset in the file, "
        "length (tab-separated); with --json, the main window's state after opening SAVE, as JSON",
        [](CLI::App& c, Arguments& a) { declare_json(c, a); declare_save(c, a); }, list},
    Command{"extract", "SAVE SLOT OUTPUT",
        "writes section SLOT (0 to 17) to the file OUTPUT, replacing it",
        [](CLI::App& c, Arguments& a) {
            declare_save(c, a); declare_slot(c, a); declare_path(c, "OUTPUT", a.target); },
        extract},
    Command{"extract-all", "[--force] SAVE DIR",
        "writes every named section into DIR, one line per file; the names are made safe as "
        "file names, and a name taken before, also with letters in another case, gets \"_2\" "
        "(then \"_3\"...); a file already in DIR is left alone and reported, unless --force "
        "replaces it",
        [](CLI::App& c, Arguments& a) {
            declare_force(c, a); declare_save(c, a); declare_path(c, "DIR", a.target); },
        extract_all},
    Command{"info", "[--json] SAVE",
        "the container, the folder (name, mode, created, modified), the game's title from "
        "icon.sys (its two lines), then one row per file: name, size, mode, created, modified "
        "(tab-separated; \"-\" where the container stores none); with --json, one object with "
        "the same fields, null where none is stored, or {\"error\": MESSAGE}",
        [](CLI::App& c, Arguments& a) { declare_json(c, a); declare_save(c, a); }, info},
    Command{"unpack", "[--force] SAVE DIR",
        "writes every file of the save into DIR/FOLDER, FOLDER being the save's folder, one line "
        "per file; names are made safe and kept apart as for extract-all, and a file already "
        "there is left alone and reported, unless --force replaces it",
        [](CLI::App& c, Arguments& a) {
            declare_force(c, a); declare_save(c, a); declare_path(c, "DIR", a.target); },
        unpack},
    Command{"convert", "[--force] SAVE OUTPUT",
        "writes the save as an EMS save (.psu) to the file OUTPUT, with its modes and times; "
        "where SAVE stores none (MAX), mode 0x8427 for the folder, 0x8497 for the files and "
        "SAVE's modification time in Japan time, as memory cards keep theirs; a name over 32 "
        "bytes, which a .psu cannot hold, is refused; an existing OUTPUT is left alone, unless "
        "--force replaces it",
        [](CLI::App& c, Arguments& a) {
            declare_force(c, a); declare_save(c, a); declare_path(c, "OUTPUT", a.target); },
        convert},
};
// clang-format on

}  // namespace

std::span<const Command> commands() { return kCommands; }

void declare_path(CLI::App& command, const char* name, std::string& path)
{
    command.add_option(name, path)->required()->check([](const std::string& text) {
        return text.empty() ? "must not be empty" : "";
    });
}

void declare_save(CLI::App& command, Arguments& args) { declare_path(command, "SAVE", args.save); }

void declare_slot(CLI::App& command, Arguments& args)
{
    // Read here, as decimal: CLI11 would take "010" for octal.
    command.add_option("SLOT", args.slot)->required()->transform([](const std::string& text) {
        std::size_t slot = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), slot);
        if (ec != std::errc() || end != text.data() + text.size() || slot >= saves::kSlotCount) {
            throw CLI::ValidationError("\"" + text + "\" is not a slot; slots are 0 to 17");
        }
        return std::to_string(slot);
    });
}

void declare_json(CLI::App& command, Arguments& args)
{
    command.add_flag("--json", args.json, "JSON output");
}

void declare_force(CLI::App& command, Arguments& args)
{
    command.add_flag("--force", args.force, "replace files already there");
}

}  // namespace quillbox::cli
