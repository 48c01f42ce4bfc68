// Without libFuzzer: replays the files and folders named on the command line,
// then sweeps built-in seeds, each cut at every length and with every
// seventh byte flipped, so that CTest covers truncated and corrupted saves of
// both families.
// `--write-seeds DIR` writes the built-in seeds into DIR instead, to start a
// libFuzzer corpus with.

// own
#include "fuzz/save_fuzz.h"
#include "support/save_builder.h"

// std
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using quillbox::testing::Bytes;

void feed(const Bytes& b)
{
    LLVMFuzzerTestOneInput(b.data(), b.size());
}

std::vector<Bytes> seeds()
{
    using namespace quillbox::testing;
    Section moved = section("moved", 3);
    moved.name_at_66 = true;
    const std::vector<Section> sections = {section("icon.sys", 40), moved, section("", 0),
                                           section(std::string(31, 'n'), 1)};
    // Flipping a length's top byte (3591 in the EMS seed) makes a corrupt one.
    return {ems_save("BASLUS-1", sections), xport_save("BASLUS-1", sections),
            xport_save("D", sections, XportHeader{0, "", "", ""})};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--write-seeds") {
        std::filesystem::create_directories(argv[2]);
        int n = 0;
        for (const Bytes& seed : seeds()) {
            quillbox::testing::write_file(std::filesystem::path(argv[2]) / ("seed" + std::to_string(n++)), seed);
        }
        return 0;
    }
    quillbox::fuzz::every_input_through_files = true;
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        const auto one = [&](const std::filesystem::path& p) {
            feed(quillbox::testing::read_file(p));
            ++inputs;
        };
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                one(entry.path());
            }
        } else {
            one(arg);
        }
    }
    for (const Bytes& seed : seeds()) {
        for (std::size_t cut = 0; cut <= seed.size(); cut += cut < 700 ? 1 : 37) {
            feed(Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut)));
            ++inputs;
        }
        for (std::size_t at = 0; at < seed.size(); at += 7) {
            Bytes flipped = seed;
            flipped[at] = static_cast<std::uint8_t>(flipped[at] ^ 0xFF);
            feed(flipped);
            ++inputs;
        }
    }
    std::cout << inputs << " inputs replayed\n";
    return 0;
}
