// own
#include "cli.h"
#include "json.h"
#include "quillbox/version.h"
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/line_breaks.h"
#include "saves/open_save.h"
#include "saves/safe_name.h"

// std
#include <charconv>
#include <filesystem>
#include <set>

namespace quillbox::cli {

namespace {

namespace fs = std::filesystem;
using saves::ExtractOutcome;
using saves::OpenOutcome;
using saves::SaveState;

constexpr const char* kUsage =
    // The GNU form, which help2man turns into the manual page's synopsis.
    "Usage: quillbox-cli list [--json] SAVE\n"
    "  or:  quillbox-cli extract SAVE SLOT OUTPUT\n"
    "  or:  quillbox-cli extract-all SAVE DIR\n"
    "  or:  quillbox-cli --help | --version\n";

constexpr const char* kHelp =
    "Lists and extracts the sections of a PS2 save container (.psu, .psd, .xps, .sps).\n"
    "\n"
    "  list SAVE              the directory, then one row per slot in use:\n"
    "                         slot, name, data offset in the file, length (tab-separated)\n"
    "  list --json SAVE       the main window's state after opening SAVE, as JSON\n"
    "  extract SAVE SLOT OUT  writes section SLOT (0 to 17) to the file OUT\n"
    "  extract-all SAVE DIR   writes every named section into DIR, one line per file\n"
    "\n"
    "Exit status: 0 done; 1 a message was shown or an extraction was refused;\n"
    "2 usage or I/O error. Messages go to standard error.\n";

int usage(std::ostream& err)
{
    err << kUsage;
    return kUsageOrIo;
}

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
// message on `err`. Without a state when there is nothing to extract from;
// `status` is then the exit status.
struct Extractable {
    std::optional<SaveState> state;
    int status = kDone;
};

Extractable open_for_extraction(const std::string& path, std::ostream& err)
{
    Opened opened = open(path);
    if (opened.outcome.message) {
        err << saves::plain_line_breaks(*opened.outcome.message) << "\n";
    }
    if (opened.outcome.kind == OpenOutcome::Kind::failed) {
        return {std::nullopt, kUsageOrIo};
    }
    if (const auto refusal = saves::check_loaded(opened.state)) {
        err << *refusal << "\n";
        return {std::nullopt, kShowedMessage};
    }
    return {std::move(opened.state), kDone};
}

std::string data_offset(const SaveState& s, const saves::Slot& slot)
{
    if (s.txttype != "ems" || slot.start.empty()) {
        return slot.start;
    }
    return std::to_string(std::stoll(slot.start) + 2);
}

int list(const std::string& path, bool json, std::ostream& out, std::ostream& err)
{
    const Opened opened = open(path);
    const OpenOutcome& outcome = opened.outcome;
    if (json) {
        if (outcome.kind == OpenOutcome::Kind::failed) {
            out << "{\"error\": " << json_string(*outcome.message) << "}\n";
            return kUsageOrIo;
        }
        out << state_json(opened.state, outcome.message) << "\n";
        return outcome.message ? kShowedMessage : kDone;
    }

    if (outcome.message) {
        err << saves::plain_line_breaks(*outcome.message) << "\n";
    }
    if (outcome.kind == OpenOutcome::Kind::failed) {
        return kUsageOrIo;
    }
    if (outcome.kind == OpenOutcome::Kind::refused) {
        return kShowedMessage;
    }
    const SaveState& s = opened.state;
    out << s.frame_caption << "\n";
    for (std::size_t i = 0; i < s.slots.size(); ++i) {
        const saves::Slot& slot = s.slots[i];
        if (slot.enabled && !slot.start.empty()) {
            out << i << '\t' << slot.caption << '\t' << data_offset(s, slot) << '\t' << slot.length
                << "\n";
        }
    }
    return outcome.message ? kShowedMessage : kDone;
}

int status_of(const ExtractOutcome& r)
{
    switch (r.kind) {
    case ExtractOutcome::Kind::written: return kDone;
    case ExtractOutcome::Kind::refused: return kShowedMessage;
    default: return kUsageOrIo;
    }
}

int extract(const std::string& path, const std::string& slot_text, const std::string& output,
            std::ostream& err)
{
    std::size_t slot = saves::kSlotCount;
    const auto [end, ec] =
        std::from_chars(slot_text.data(), slot_text.data() + slot_text.size(), slot);
    if (ec != std::errc() || end != slot_text.data() + slot_text.size() ||
        slot >= saves::kSlotCount || output.empty()) {
        return usage(err);
    }
    auto [state, status] = open_for_extraction(path, err);
    if (!state) {
        return status;
    }
    if (!state->slots[slot].enabled) {
        err << "Slot " << slot << " is not in use in this save; nothing was extracted.\n";
        return kShowedMessage;
    }
    state->select(slot);
    const ExtractOutcome r = saves::extract_data(*state, output);
    if (r.kind != ExtractOutcome::Kind::written) {
        err << saves::plain_line_breaks(r.message.value_or("")) << "\n";
    }
    return status_of(r);
}

int extract_all(const std::string& path, const std::string& dir, std::ostream& out,
                std::ostream& err)
{
    auto [state, status] = open_for_extraction(path, err);
    if (!state) {
        return status;
    }
    std::error_code ec;
    fs::create_directories(saves::to_path(dir), ec);
    if (ec) {
        err << "The folder \"" << dir << "\" could not be created: " << ec.message() << ".\n";
        return kUsageOrIo;
    }

    std::set<std::string> used;
    for (std::size_t i = 0; i < state->slots.size(); ++i) {
        if (!state->slots[i].enabled || state->slots[i].caption.empty()) {
            continue;
        }
        // Two sections of one name must not overwrite each other.
        const std::string base = saves::safe_file_name(state->slots[i].caption);
        std::string name = base;
        for (int n = 2; used.contains(name); ++n) {
            name = base + "_" + std::to_string(n);
        }
        used.insert(name);

        const std::string target = saves::to_utf8(saves::to_path(dir) / saves::to_path(name));
        state->select(i);
        const ExtractOutcome r = saves::extract_data(*state, target);
        if (r.kind == ExtractOutcome::Kind::written) {
            out << target << "\n";
        } else {
            err << "Slot " << i << " (" << state->slots[i].caption
                << "): " << saves::plain_line_breaks(r.message.value_or("")) << "\n";
            status = std::max(status, status_of(r));
        }
    }
    return status;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage << "\n" << kHelp;
        return kDone;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "quillbox-cli " << version::text << "\n";
        return kDone;
    }
    if (args.size() == 2 && args[0] == "list") {
        return list(args[1], false, out, err);
    }
    if (args.size() == 3 && args[0] == "list" && args[1] == "--json") {
        return list(args[2], true, out, err);
    }
    if (args.size() == 4 && args[0] == "extract") {
        return extract(args[1], args[2], args[3], err);
    }
    if (args.size() == 3 && args[0] == "extract-all") {
        return extract_all(args[1], args[2], out, err);
    }
    return usage(err);
}

}  // namespace quillbox::cli
