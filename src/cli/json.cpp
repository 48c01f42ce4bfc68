// own
#include "json.h"

// std
#include <cstdio>

namespace quillbox::cli {

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string state_json(const saves::SaveState& s, const std::optional<std::string>& message)
{
    std::string out = "{";
    const auto field = [&out](const char* key, const std::string& value) {
        out += json_string(key) + ": " + json_string(value) + ", ";
    };
    field("txtload", s.txtload);
    field("txttype", s.txttype);
    field("txtvalidxps", s.txtvalidxps);
    field("txttempvar", s.txttempvar);
    field("txttempvar3", s.txttempvar3);
    field("directory", s.frame_caption);
    out += "\"message\": " + (message ? json_string(*message) : std::string("null")) + ", ";
    out += "\"slots\": [";
    for (std::size_t i = 0; i < s.slots.size(); ++i) {
        const saves::Slot& slot = s.slots[i];
        out += i == 0 ? "" : ", ";
        out += "{\"caption\": " + json_string(slot.caption) +
               ", \"enabled\": " + (slot.enabled ? "true" : "false") +
               ", \"selected\": " + (slot.selected ? "true" : "false") +
               ", \"start\": " + json_string(slot.start) +
               ", \"length\": " + json_string(slot.length) + "}";
    }
    return out + "]}";
}

}  // namespace quillbox::cli
