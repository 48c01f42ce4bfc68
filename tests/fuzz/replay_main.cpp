// Without libFuzzer: replays the built-in seeds and the files named on the command line, so
// that CTest keeps the target building and the inputs a campaign found fixed. The seeds are
// two saves of the test builder and the real saves in the shared folder, behind the byte that
// gives them to the archive reader. `--write-seeds DIR` writes the seeds into DIR instead, to
// start a libFuzzer corpus with.

// own
#include "support/save_builder.h"

// std
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
namespace quillbox::fuzz {
extern bool every_family;
}

int main(int argc, char** argv)
{
    using namespace quillbox::testing;
    namespace fs = std::filesystem;
    const std::vector<Section> sections = {section("icon.sys", 40), section("", 3),
                                           section(std::string(31, 'n'), 1)};
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"seed0", ems_save("BASLUS-1", sections)}, {"seed1", xport_save("BASLUS-1", sections)}};
    std::error_code absent;
    for (const auto& save : fs::directory_iterator(QUILLBOX_REAL_SAVES, absent)) {
        inputs.emplace_back(save.path().filename().string(), Bytes{2});
        const Bytes b = read_file(save.path());
        inputs.back().second.insert(inputs.back().second.end(), b.begin(), b.end());
    }
    const bool seeds = argc == 3 && std::string_view(argv[1]) == "--write-seeds";
    for (int i = 1; i < argc && !seeds; ++i) {
        inputs.emplace_back(argv[i], read_file(argv[i]));
    }
    quillbox::fuzz::every_family = true;
    for (const auto& [name, b] : inputs) {
        if (seeds) {
            fs::create_directories(argv[2]);
            write_file(fs::path(argv[2]) / name, b);
        } else {
            std::cerr << name << "\n";  // first, so that a broken invariant follows its input
            LLVMFuzzerTestOneInput(b.data(), b.size());
        }
    }
    return 0;
}
