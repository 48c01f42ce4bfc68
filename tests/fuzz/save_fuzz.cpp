// Feeds arbitrary bytes to File, Open, and to the archive reader and its .psu
// writer, checking what must hold for any file at all. Both read from memory,
// so that libFuzzer gets through thousands of inputs a second; extraction and
// the reading of files are the tests' to check.
//
// Without libFuzzer (QUILLBOX_FUZZ_REPLAY) a main of its own replays the built-in seeds and the
// files named on the command line, so that CTest keeps the target building and the inputs a
// campaign found fixed. The seeds are two saves of the test builder and the real saves in the
// shared folder, behind the byte that gives them to the archive reader. `--write-seeds DIR`
// writes the seeds into DIR instead, to start a libFuzzer corpus with.

// own
#include "archive/archive.h"
#include "archive/title.h"
#include "saves/open_save.h"
#include "support/save_builder.h"

// std
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <span>
#include <tuple>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::cerr << "invariant broken: " << what << "\n";
        std::abort();
    }
}

// Whatever reads is written as a .psu that reads back with the same files, names and bytes,
// and is written again unchanged. (The modes and times it keeps or fills in are the command
// line's tests, on the real saves.)
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
    const Result<Save> again = read_save(*psu);
    const auto named = [](const File& f) { return std::tie(f.name, f.data); };
    check(again && again->folder.name == save->folder.name &&
              std::ranges::equal(again->files, save->files, {}, named, named),
          "a save written as a .psu reads back with other files");
    check(*write_psu(*again, when) == *psu, "a .psu read and written again changed");
}

// File, Open either fails and leaves the window as it was, or lists the save with slot 0
// selected, or refuses it with every slot enabled.
void check_window(const std::string& name, std::span<const std::uint8_t> bytes)
{
    using namespace quillbox::saves;
    SaveState state;
    const OpenOutcome opened = open_save(state, name, bytes);
    const bool kept =
        opened.kind == OpenOutcome::Kind::failed
            ? state == SaveState{}
            : state.txtload == name && (opened.kind == OpenOutcome::Kind::loaded
                                            ? state.selected_slot() == 0
                                            : std::ranges::all_of(state.slots, &Slot::enabled));
    check(kept, "a failed load changed the state, a load did not select slot 0, or a refusal "
                "disabled slots");
}

}  // namespace

// Neither layout reads byte 0, so it picks the reader, and each input costs one reading: 0 an
// EMS listing, 1 an Xport listing, 2 the archive reader of the bytes after it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int family = size > 0 ? data[0] % 3 : 0;
    if (family == 2) {
        check_archive({data + 1, size - 1});
    } else {
        check_window(family == 1 ? "f.xps" : "f.psu", {data, size});
    }
    return 0;
}

#ifdef QUILLBOX_FUZZ_REPLAY
int main(int argc, char** argv)
{
    using namespace quillbox::testing;
    const std::vector<Section> sections = {section("icon.sys", 40), section("", 3),
                                           section(std::string(31, 'n'), 1)};
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"seed0", ems_save("BASLUS-1", sections)}, {"seed1", xport_save("BASLUS-1", sections)}};
    std::error_code absent;
    for (const auto& save : std::filesystem::directory_iterator(QUILLBOX_REAL_SAVES, absent)) {
        inputs.emplace_back(save.path().filename().string(), Bytes{2});
        const Bytes b = read_file(save.path());
        inputs.back().second.insert(inputs.back().second.end(), b.begin(), b.end());
    }
    const bool seeds = argc == 3 && argv[1] == std::string("--write-seeds");
    for (int i = 1; i < argc && !seeds; ++i) {
        inputs.emplace_back(argv[i], read_file(argv[i]));
    }
    for (const auto& [name, b] : inputs) {
        if (seeds) {
            std::filesystem::create_directories(argv[2]);
            write_file(std::filesystem::path(argv[2]) / name, b);
        } else {
            std::cerr << name << "\n";  // first, so that a broken invariant follows its input
            check_window("f.psu", b);
            check_window("f.xps", b);
            check_archive(std::span(b).subspan(b.empty() ? 0 : 1));
        }
    }
    return 0;
}
#endif
