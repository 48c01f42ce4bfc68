// Feeds arbitrary bytes to File, Open and Extract, and to the archive reader
// and its .psu writer, checking what must hold for any file at all.
//
// Listing runs in memory, so that libFuzzer gets through thousands of inputs
// a second. Extraction needs the save on disk: one input in 1024 (chosen by
// its bytes, so that rerunning one takes the same road), and every input
// under the replay main, is written out, listed from the file as well, which
// must agree with the listing from memory, and extracted.

// own
#include "archive/archive.h"
#include "archive/title.h"
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <span>
#include <string_view>

namespace quillbox::fuzz {
bool every_input_through_files = false;  // the replay main's knob; off under libFuzzer, for speed
}

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::cerr << "invariant broken: " << what << "\n";
        std::abort();
    }
}

// Whatever reads is written as a .psu that reads back as the same save, with
// the modes and times it lacked filled in, and is written again unchanged.
void check_archive(std::span<const std::uint8_t> bytes)
{
    using namespace quillbox::archive;
    const Result<Save> save = read_save(bytes);
    if (!save) {
        return check(!save.error().message.empty(), "a save was refused without a message");
    }
    read_title(*save);
    const Time when{0, 1, 2, 3, 4, 5, 2006};
    const auto psu = write_psu(*save, when);
    if (!psu) {
        return check(!psu.error().message.empty(), "a .psu was refused without a message");
    }
    Save expected = *save;
    expected.format = Format::ems;
    const auto fill = [&](Entry& e, std::uint16_t mode) {
        e.mode = e.mode.value_or(mode);
        e.created = e.created.value_or(when);
        e.modified = e.modified.value_or(when);
    };
    fill(expected.folder, 0x8427);
    for (File& f : expected.files) {
        fill(f, 0x8497);
    }
    const Result<Save> again = read_save(*psu);
    check(again && *again == expected, "a save written as a .psu reads back otherwise");
    check(*write_psu(*again, when) == *psu, "a .psu read and written again changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillbox::saves;
    using Kind = OpenOutcome::Kind;
    namespace fs = std::filesystem;
    // In memory where there is a tmpfs: creating and deleting files there is cheap.
    static const quillbox::testing::TempDir dir(
        fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path());
    const bool all = quillbox::fuzz::every_input_through_files;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool files = all || std::hash<std::string_view>{}(bytes) % 1024 == 0;
    // Neither layout reads byte 0, so under libFuzzer it picks the family,
    // and each input costs one reading: 0 an EMS listing, 1 an Xport
    // listing, 2 the archive reader of the bytes after it. The replay tries
    // all of them, and the archive reader of the whole input too.
    const int family = size > 0 ? data[0] % 3 : 0;
    if (all || family == 2) {
        check_archive({data + (size > 0), size - (size > 0)});
    }
    if (all) {
        check_archive({data, size});
    }
    for (const std::string name : {"f.psu", "f.xps"}) {
        if (!all && (name == "f.xps" ? 1 : 0) != family) {
            continue;
        }
        SaveState state;
        const OpenOutcome opened = open_save(state, name, {data, size});
        const bool kept =
            opened.kind == Kind::failed
                ? state == SaveState{}
                : state.txtload == name && (opened.kind == Kind::loaded
                                                ? state.selected_slot() == 0
                                                : std::ranges::all_of(state.slots, &Slot::enabled));
        check(kept, "a failed load changed the state, a load did not select slot 0, or a refusal "
                    "disabled slots");
        if (!files) {
            continue;
        }
        const std::string path = dir.file(name);
        quillbox::testing::write_file(path, {data, data + size});
        SaveState from_file;
        const OpenOutcome reread = open_save(from_file, path);
        from_file.txtload = reread.kind == Kind::failed ? "" : name;
        check(reread.kind == opened.kind && reread.message == opened.message && from_file == state,
              "the file and the same bytes in memory list differently");
        if (reread.kind != Kind::failed) {
            from_file.txtload = path;
            const std::string target = dir.file("out.bin");
            fs::remove(target);
            const bool written =
                extract_data(from_file, target).kind == ExtractOutcome::Kind::written;
            check(written == fs::exists(target) &&
                      std::distance(fs::directory_iterator(dir.path()), {}) <= 3,
                  "a target was written without success or not on success, or a file was left "
                  "behind");
        }
    }
    return 0;
}
