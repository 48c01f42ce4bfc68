// own
#include "json.h"
#include "saves/codepage.h"

namespace quillbox::cli {

namespace {

void append(std::string& out, const Json& value)
{
    const char* separator = "";
    if (value.is_object()) {
        out += '{';
        for (const auto& [name, member] : value.items()) {
            out += separator;
            append(out, name);
            out += ": ";
            append(out, member);
            separator = ", ";
        }
        out += '}';
    } else if (value.is_array()) {
        out += '[';
        for (const Json& element : value) {
            out += separator;
            append(out, element);
            separator = ", ";
        }
        out += ']';
    } else {
        out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

// The mode and the two times of an entry, after its `fields`.
Json with_mode_and_times(Json fields, const archive::Entry& e)
{
    const auto time = [](const std::optional<archive::Time>& t) {
        return t ? Json(archive::format_time(*t)) : Json(nullptr);
    };
    fields["mode"] = e.mode ? Json(*e.mode) : Json(nullptr);
    fields["created"] = time(e.created);
    fields["modified"] = time(e.modified);
    return fields;
}

}  // namespace

std::string json_text(const Json& value)
{
    std::string out;
    append(out, value);
    return out;
}

Json state_json(const saves::SaveState& s, const std::optional<std::string>& message)
{
    Json slots = Json::array();
    for (const saves::Slot& slot : s.slots) {
        slots.push_back({{"caption", slot.caption},
                         {"enabled", slot.enabled},
                         {"selected", slot.selected},
                         {"start", slot.start},
                         {"length", slot.length}});
    }
    return {{"txtload", s.txtload},
            {"txttype", s.txttype},
            {"txtvalidxps", s.txtvalidxps},
            {"txttempvar", s.txttempvar},
            {"txttempvar3", s.txttempvar3},
            {"directory", s.frame_caption},
            {"message", message ? Json(*message) : Json(nullptr)},
            {"slots", slots}};
}

Json save_json(const archive::Save& save, const std::optional<archive::Title>& title)
{
    Json files = Json::array();
    for (const archive::File& f : save.files) {
        files.push_back(with_mode_and_times(
            {{"name", saves::cp1252_to_utf8(f.name)}, {"size", f.data.size()}}, f));
    }
    Json object = with_mode_and_times(
        {{"format", archive::format_name(save.format)},
         {"folder", saves::cp1252_to_utf8(save.folder.name)},
         {"title", title ? Json::array({title->line1, title->line2}) : Json(nullptr)}},
        save.folder);
    object["files"] = std::move(files);
    return object;
}

}  // namespace quillbox::cli
