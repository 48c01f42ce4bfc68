// Writes the demo saves used by `make run` and the screenshot: the same small
// save as an EMS and as an Xport container.

// own
#include "support/save_builder.h"

// std
#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace quillbox::testing;
    if (argc != 2) {
        std::cerr << "usage: make-demo-save DIR\n";
        return 2;
    }
    Section icon = section("icon.sys", 964, 7);
    put_text(icon.data, 0, "PS2D");
    const std::vector<Section> sections = {
        icon, section("view.ico", 33688, 3), section("copy.ico", 33688, 5),
        section("BEDEMO-00001QBX", 8192, 11), section("settings.dat", 1025, 13)};
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    write_file(dir / "demo.psu", ems_save("BEDEMO-00001QBX", sections));
    write_file(dir / "demo.xps", xport_save("BEDEMO-00001QBX", sections));
    return 0;
}
