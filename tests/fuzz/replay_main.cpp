// Without libFuzzer: replays the files named on the command line,
// then sweeps built-in seeds, each cut at every length and with every
// seventh byte flipped, so that CTest covers truncated and corrupted saves of
// both families.
// `--write-seeds DIR` writes the built-in seeds into DIR instead, to start a
// libFuzzer corpus with.

// own
#include "support/save_builder.h"

// std
#include <cstdint>
#include <filesystem>
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
    const std::vector<Bytes> seeds = {ems, xport_save("BASLUS-1", sections),
                                      xport_save("D", sections, {0, "", "", ""})};
    if (argc == 3 && std::string_view(argv[1]) == "--write-seeds") {
        fs::create_directories(argv[2]);
        for (std::size_t n = 0; n < seeds.size(); ++n) {
            write_file(fs::path(argv[2]) / ("seed" + std::to_string(n)), seeds[n]);
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
    std::vector<Bytes> inputs;
    for (int i = 1; i < argc; ++i) {
        inputs.push_back(read_file(argv[i]));
    }
    for (const Bytes& seed : seeds) {
        for (std::size_t cut = 0; cut <= seed.size(); cut += cut < 700 ? 1 : 37) {
            inputs.emplace_back(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut));
        }
        for (std::size_t at = 0; at < seed.size(); at += 7) {
            inputs.push_back(seed);
            inputs.back()[at] ^= 0xFF;
        }
    }
    quillbox::fuzz::every_input_through_files = true;
    for (const Bytes& b : inputs) {
        LLVMFuzzerTestOneInput(b.data(), b.size());
    }
    return 0;
}
