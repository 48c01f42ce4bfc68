// Feeds arbitrary bytes to File, Open and Extract as either family, checking
// what must hold for any file at all.
//
// Listing runs in memory, so that libFuzzer gets through thousands of inputs
// a second. Extraction needs the save on disk: a fixed sample of the inputs
// (chosen by their bytes, so that rerunning one takes the same road), and
// every input under the replay main, is written out, listed from the file as
// well, which must agree with the listing from memory, and extracted.

// own
#include "fuzz/save_fuzz.h"
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <span>
#include <string_view>

namespace {

using namespace quillbox;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::cerr << "invariant broken: " << what << "\n";
        std::abort();
    }
}

// One input in 1024, by a hash of its size and its first 4 KiB (where the
// headers and the first entries lie). The library's hash is not instrumented,
// so this costs next to nothing.
bool through_files(std::span<const std::uint8_t> content)
{
    if (fuzz::every_input_through_files) {
        return true;
    }
    const std::span<const std::uint8_t> head = content.first(std::min<std::size_t>(content.size(), 4096));
    const std::string_view bytes(reinterpret_cast<const char*>(head.data()), head.size());
    return (std::hash<std::string_view>{}(bytes) ^ content.size()) % 1024 == 0;
}

void check_listing(const saves::OpenOutcome& opened, const saves::SaveState& state,
                   const saves::SaveState& before, const std::string& path)
{
    if (opened.kind == saves::OpenOutcome::Kind::failed) {
        check(state == before, "a failed load changed the state");
        return;
    }
    check(state.txtload == path, "the path was not recorded");
    if (opened.kind == saves::OpenOutcome::Kind::loaded) {
        check(state.selected_slot() == 0, "slot 0 is not selected");
    } else {
        check(std::ranges::all_of(state.slots, &saves::Slot::enabled), "a refused save disabled slots");
    }
}

void check_extraction(const saves::SaveState& state, const testing::TempDir& dir)
{
    const std::string target = dir.file("out.bin");
    std::filesystem::remove(target);
    const saves::SaveState listed = state;
    const saves::ExtractOutcome r = saves::extract_data(state, target);
    check(state == listed, "extraction changed the state");
    check((r.kind == saves::ExtractOutcome::Kind::written) == std::filesystem::exists(target),
          "a target was written without success, or not written on success");
    check(std::distance(std::filesystem::directory_iterator(dir.path()), {}) <= 3,
          "extraction left a file behind");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // In memory where there is a tmpfs: creating and deleting files there is cheap.
    static const testing::TempDir dir(std::filesystem::is_directory("/dev/shm")
                                          ? std::filesystem::path("/dev/shm")
                                          : std::filesystem::temp_directory_path());
    static const saves::SaveState before = [] {
        saves::SaveState s;
        s.txtload = "previous";
        return s;
    }();
    const std::span<const std::uint8_t> content(data, size);
    const bool files = through_files(content);

    // Neither layout reads byte 0, so under libFuzzer its low bit picks the
    // family without hiding any content from the reader, and each input costs
    // one listing; the replay tries both. In memory the name only decides the
    // family; a short one costs no allocation.
    const bool xport_only = size > 0 && (data[0] & 1) != 0;
    for (const std::string name : {"f.psu", "f.xps"}) {
        if (!fuzz::every_input_through_files && (name == "f.xps") != xport_only) {
            continue;
        }
        saves::SaveState state;
        state.txtload = before.txtload;
        const saves::OpenOutcome opened = saves::open_save(state, name, content);
        check_listing(opened, state, before, name);
        if (!files) {
            continue;
        }

        // Removed first: truncating a file in place makes ext4 flush it on close.
        const std::string path = dir.file(name);
        std::filesystem::remove(path);
        testing::write_file(path, testing::Bytes(content.begin(), content.end()));
        saves::SaveState from_file = before;
        const saves::OpenOutcome reread = saves::open_save(from_file, path);
        if (reread.kind != saves::OpenOutcome::Kind::failed) {
            from_file.txtload = name;
        }
        check(reread.kind == opened.kind && reread.message == opened.message && from_file == state,
              "the file and the same bytes in memory list differently");
        if (reread.kind != saves::OpenOutcome::Kind::failed) {
            from_file.txtload = path;
            check_extraction(from_file, dir);
        }
    }
    return 0;
}
