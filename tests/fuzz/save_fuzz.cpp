// Feeds arbitrary bytes to File, Open and Extract as either family, checking
// what must hold for any file at all.

// own
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::cerr << "invariant broken: " << what << "\n";
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillbox;
    static const testing::TempDir dir;
    const quillbox::testing::Bytes content(data, data + size);

    for (const char* name : {"f.psu", "f.xps"}) {
        const std::string path = dir.file(name);
        testing::write_file(path, content);

        saves::SaveState state;
        state.txtload = "previous";
        const saves::SaveState before = state;
        const saves::OpenOutcome opened = saves::open_save(state, path);
        if (opened.kind == saves::OpenOutcome::Kind::failed) {
            check(state == before, "a failed load changed the state");
            continue;
        }
        check(state.txtload == path, "the path was not recorded");
        std::size_t enabled = 0;
        for (const saves::Slot& slot : state.slots) {
            enabled += slot.enabled ? 1U : 0U;
        }
        if (opened.kind == saves::OpenOutcome::Kind::loaded) {
            check(state.selected_slot() == 0, "slot 0 is not selected");
        } else {
            check(enabled == saves::kSlotCount, "a refused save disabled slots");
        }

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
    return 0;
}
