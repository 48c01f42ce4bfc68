// own
#include "json.h"

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

}  // namespace quillbox::cli
