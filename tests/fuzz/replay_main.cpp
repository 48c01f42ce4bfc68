// Without libFuzzer: replays the files named on the command line and the
// built-in seeds, so that CTest keeps the target building and the inputs a
// campaign found fixed. Truncated and corrupted saves are the section-table
// tests' rows.
// `--write-seeds DIR` writes the built-in seeds into DIR instead, to start a
// libFuzzer corpus with.

// own
#include "support/save_builder.h"

// std
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
namespace quillbox::fuzz {
extern bool every_input_through_files;
}

int main(int argc, char** argv)
{
    using namespace quillbox::testing;
    namespace fs = std::filesystem;
    std::vector<Section> sections = {section("icon.sys", 40), section("", 3), section("", 0),
                                     section(std::string(31, 'n'), 1)};
    Bytes ems = ems_save("BASLUS-1", sections);
    put_text(ems, 3072 + 66, "moved");  // behind a zero byte at E+64
    sections[1].name = "moved";
    // Flipping a length's top byte (3591 in the EMS seed) makes a corrupt one.
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"seed0", ems},
        {"seed1", xport_save("BASLUS-1", sections)},
        {"seed2", xport_save("D", sections, {0, "", "", ""})}};
    if (argc == 3 && std::string_view(argv[1]) == "--write-seeds") {
        fs::create_directories(argv[2]);
        for (const auto& [name, seed] : inputs) {
            write_file(fs::path(argv[2]) / name, seed);
        }
        // The real saves, behind the byte that gives them to the archive reader.
        std::error_code absent;
        for (const auto& save : fs::directory_iterator(QUILLBOX_REAL_SAVES, absent)) {
            Bytes b = read_file(save.path());
            b.insert(b.begin(), 2);
            write_file(fs::path(argv[2]) / save.path().filename(), b);
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        inputs.emplace_back(argv[i], read_file(argv[i]));
    }
    quillbox::fuzz::every_input_through_files = true;
    for (const auto& [name, b] : inputs) {
        std::cerr << name << "\n";  // first, so that a broken invariant follows its input
        LLVMFuzzerTestOneInput(b.data(), b.size());
    }
    return 0;
}
