// own
#include "extract.h"
#include "file_io.h"
#include "messages.h"
#include "section_buffer.h"

// std
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

namespace quillbox::saves {

namespace fs = std::filesystem;

namespace {

using Kind = ExtractOutcome::Kind;

// A slot text as a signed 32-bit number; empty gives 0. The builders write
// plain decimal digits, so anything else means the slot was not theirs.
std::optional<std::int32_t> slot_number(const std::string& text)
{
    if (text.empty()) {
        return 0;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

ExtractOutcome refuse(std::string message)
{
    return {Kind::refused, std::move(message) + " Nothing was extracted."};
}

// Reads the section at `offset` into `buffer`. For a large one the other core
// meanwhile makes the buffer's pages ready from the far end until they meet
// the read, then sets the new file's room aside, which only the write needs:
// run side by side, the two would slow the read down. False when the read
// failed.
bool read_section(std::FILE* save, std::int64_t offset, SectionBuffer& buffer,
                  Replacement& replacement)
{
    std::jthread helper;  // done when this returns
    if (buffer.mapped()) {
        try {
            helper = std::jthread([&buffer, &replacement] {
                buffer.prepare();
                replacement.reserve(buffer.size());
            });
        } catch (const std::system_error&) {
            // No thread to be had: the read and the write do it all.
        }
    }
    return buffer.size() == 0 ||
           (std::fseek(save, static_cast<long>(offset), SEEK_SET) == 0 &&
            std::fread(buffer.data(), 1, buffer.size(), save) == buffer.size());
}

}  // namespace

std::optional<std::string> check_loaded(const SaveState& state)
{
    if (state.txtload.empty() || (state.txttype == "xv2" && state.txtvalidxps == "False")) {
        return messages::kLoadFirst;
    }
    return std::nullopt;
}

int Exists(const std::string& name)
{
    if (name.empty()) {
        return 0;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(to_path(name), ec);
    return fs::exists(status) && !fs::is_directory(status) ? 1 : 0;
}

ExtractOutcome extract_data(const SaveState& state, const std::string& target)
{
    std::string start_text;
    std::string length_text;
    if (const std::size_t i = state.selected_slot(); i < kSlotCount) {
        start_text = state.slots[i].start;
        length_text = state.slots[i].length;
    }
    if (target.empty()) {
        return {Kind::cancelled, std::nullopt};
    }

    const std::optional<std::int32_t> start = slot_number(start_text);
    const std::optional<std::int32_t> length = slot_number(length_text);
    if (!start) {
        return refuse("The section's start (" + start_text + ") is out of range.");
    }
    if (!length) {
        return refuse("The section is too large to extract: its length of " + length_text +
                      " bytes is more than 2147483647.");
    }
    const std::int64_t offset = std::int64_t{*start} + (state.txttype == "ems" ? 2 : 0);
    if (offset > std::numeric_limits<std::int32_t>::max()) {
        return refuse("The section's offset (" + std::to_string(offset) + ") is out of range.");
    }

    const fs::path save_path = to_path(state.txtload);
    OpenedSave save = open_save_file(save_path);
    if (!save.file) {
        return {Kind::failed, save.failure};
    }
    const std::int64_t save_size = save.size;
    // Nothing to read, nothing to run past: an empty section is an empty file.
    if (*length > 0 && offset + *length > save_size) {
        return refuse("The section runs past the end of the save: it needs bytes " +
                      std::to_string(offset) + " to " + std::to_string(offset + *length) +
                      ", but the save holds " + std::to_string(save_size) + " bytes.");
    }

    // Every refusal before anything is created on the disk.
    Replacement replacement(to_path(target));
    if (std::optional<std::string> refusal = replacement.check()) {
        return {Kind::failed, std::move(refusal)};
    }

    // The whole section in memory before the target is touched.
    const std::size_t size = static_cast<std::uint32_t>(*length);  // never negative
    std::optional<SectionBuffer> buffer;
    try {
        buffer.emplace(size);
    } catch (const std::bad_alloc&) {
        return {Kind::failed, "There is not enough memory to extract a section of " +
                                  std::to_string(size) + " bytes."};
    }
    if (!read_section(save.file.get(), offset, *buffer, replacement)) {
        return {Kind::failed, read_failure(save_path)};
    }
    save.file.reset();

    if (std::optional<std::string> error = replacement.commit(buffer->data(), size)) {
        return {Kind::failed, std::move(error)};
    }
    return {Kind::written, messages::kExtracted};
}

}  // namespace quillbox::saves
