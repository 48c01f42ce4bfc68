// Feeds arbitrary bytes to File, Open, and to the archive reader and its .psu
// writer, checking what must hold for any file at all. Both read from memory,
// so that libFuzzer gets through thousands of inputs a second; extraction and
// the reading of files are the tests' to check.

// own
#include "archive/archive.h"
#include "archive/title.h"
#include "saves/open_save.h"

// std
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <span>

namespace quillbox::fuzz {
bool every_family = false;  // the replay main's knob: each input through every reader
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
    // Neither layout reads byte 0, so under libFuzzer it picks the reader, and
    // each input costs one reading: 0 an EMS listing, 1 an Xport listing, 2
    // the archive reader of the bytes after it.
    const bool all = quillbox::fuzz::every_family;
    const int family = size > 0 ? data[0] % 3 : 0;
    if (all || family == 2) {
        check_archive({data + (size > 0), size - (size > 0)});
    }
    for (const std::string name : {"f.psu", "f.xps"}) {
        if (!all && (name == "f.xps" ? 1 : 0) != family) {
            continue;
        }
        SaveState state;
        const OpenOutcome opened = open_save(state, name, {data, size});
        const bool kept =
            opened.kind == OpenOutcome::Kind::failed
                ? state == SaveState{}
                : state.txtload == name && (opened.kind == OpenOutcome::Kind::loaded
                                                ? state.selected_slot() == 0
                                                : std::ranges::all_of(state.slots, &Slot::enabled));
        check(kept, "a failed load changed the state, a load did not select slot 0, or a refusal "
                    "disabled slots");
    }
    return 0;
}
