// own
#include "open_save.h"
#include "file_io.h"
#include "load_error.h"
#include "messages.h"
#include "save_reader.h"
#include "section_table.h"

namespace quillbox::saves {

void Get_Type(SaveState& state, std::string path)
{
    const std::size_t dot = path.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    if (extension == "psu" || extension == "PSU" || extension == "psd" || extension == "PSD") {
        state.txttype = "ems";
    } else if (extension == "xps" || extension == "XPS" || extension == "sps" ||
               extension == "SPS") {
        state.txttype = "xv2";
    }
}

void valid_xps(SaveState& state, SaveReader& save)
{
    state.txtvalidxps = save.read_byte(17) == 1 ? "False" : "True";
}

namespace {

// File, Open after the dialog; `open_reader(path)` gives the save's bytes.
// The save is opened once and read by both the variant test and the builder.
template <typename OpenReader>
OpenOutcome open_with(SaveState& state, const std::string& chosen, OpenReader open_reader)
{
    if (chosen.empty()) {
        return {OpenOutcome::Kind::cancelled, std::nullopt};
    }

    // Work on a copy so that a save which cannot be listed leaves the window
    // exactly as it was, the previous save still loaded.
    SaveState next = state;
    next.txtload = chosen;
    for (Slot& slot : next.slots) {
        slot.caption.clear();
        slot.enabled = true;
    }
    try {
        SaveReader save = open_reader(next.txtload);
        Get_Type(next, next.txtload);
        if (next.txttype == "xv2") {
            valid_xps(next, save);
            if (next.txtvalidxps == "False") {
                state = std::move(next);
                return {OpenOutcome::Kind::refused, messages::kXportV1};
            }
        }
        std::optional<std::string> message = Find_sections(next, save);
        next.select(0);
        state = std::move(next);
        return {OpenOutcome::Kind::loaded, std::move(message)};
    } catch (const LoadError& error) {
        return {OpenOutcome::Kind::failed, error.what()};
    }
}

}  // namespace

OpenOutcome open_save(SaveState& state, const std::string& chosen)
{
    return open_with(state, chosen,
                     [](const std::string& path) { return SaveReader(to_path(path)); });
}

OpenOutcome open_save(SaveState& state, const std::string& chosen,
                      std::span<const std::uint8_t> content)
{
    return open_with(state, chosen, [content](const std::string&) { return SaveReader(content); });
}

}  // namespace quillbox::saves
